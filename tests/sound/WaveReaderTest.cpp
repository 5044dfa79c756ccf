// parseWave on the shipped click and on images broken the ways real (and hostile) files are
// broken; and the shipped click is the generator's, with the generator's promises.

#include "ClickSynth.h"
#include "sound/Sound.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvia {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes shippedClick() {
    std::ifstream in(QUORVIA_CLICK_WAV, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Bytes le(std::uint32_t v, int bytes) {
    Bytes out;
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    return out;
}

Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// A chunk whose size field says `claimed` (by default the body's size), padded to even length.
Bytes chunk(std::string_view id, const Bytes& body, std::optional<std::uint32_t> claimed = {}, bool pad = true) {
    const auto size = claimed.value_or(static_cast<std::uint32_t>(body.size()));
    return cat({Bytes(id.begin(), id.end()), le(size, 4), body, Bytes(pad ? body.size() % 2 : 0, 0)});
}

Bytes fmt(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits, std::uint16_t align,
          std::size_t extra = 0) {
    return chunk("fmt ", cat({le(tag, 2), le(channels, 2), le(rate, 4), le(rate * align, 4), le(align, 2), le(bits, 2),
                              Bytes(extra, 0)}));
}

Bytes riff(std::initializer_list<Bytes> chunks, std::optional<std::uint32_t> size = {}) {
    const Bytes body = cat(chunks);
    return cat({Bytes{'R', 'I', 'F', 'F'}, le(size.value_or(static_cast<std::uint32_t>(body.size() + 4)), 4),
                Bytes{'W', 'A', 'V', 'E'}, body});
}

TEST(ShippedClick, IsStereo16BitAt22050Of679FramesAndWhatTheGeneratorMakes) {
    const Bytes image = shippedClick();
    const auto wave = parseWave(image);
    ASSERT_TRUE(wave.has_value()) << "cannot read " << QUORVIA_CLICK_WAV;
    EXPECT_EQ(wave->format.channels, 2);
    EXPECT_EQ(wave->format.bitsPerSample, 16);
    EXPECT_EQ(wave->format.sampleRate, 22050U);
    EXPECT_EQ(wave->frameCount(), 679U);
    EXPECT_EQ(image, encodePcm16Wave(synthesiseClick(), ClickChannels, ClickSampleRate))
        << "the shipped klick.wav is stale: run quorvia_clickgen to write it again";
}

// A tick rather than a pop: -6 dBFS peak, no DC, silent first and last frames, decayed by the end.
TEST(ShippedClick, IsAPercussiveTickWithoutDcOrEdges) {
    const std::vector<std::int16_t> s = synthesiseClick();
    const std::size_t fiveMs = ClickSampleRate / 200, last = 2 * (ClickFrames - 1);
    double peak = 0.0;
    for (std::size_t ch = 0; ch < 2; ++ch) {
        double sum = 0.0, head = 0.0, tail = 0.0;
        for (std::size_t n = 0; n < ClickFrames; ++n) {
            const double v = s[2 * n + ch];
            sum += v;
            peak = std::max(peak, std::abs(v));
            if (n < fiveMs) head += v * v;
            if (n >= ClickFrames - fiveMs) tail += v * v;
        }
        EXPECT_LT(std::abs(sum / ClickFrames), 1.0) << "DC offset in LSB, channel " << ch;
        EXPECT_TRUE(s[ch] == 0 && s[last + ch] == 0) << "a step at either end, channel " << ch;
        EXPECT_LT(tail, 0.05 * 0.05 * head) << "not decayed by the end, channel " << ch;
    }
    EXPECT_NEAR(20.0 * std::log10(peak / 32768.0), -6.0, 0.5);
}

// Nothing that is cut short, mislabelled or not plain 8/16-bit mono/stereo PCM gets through.
TEST(ParseWave, RejectsMalformedImages) {
    const Bytes click = shippedClick();
    std::vector<std::pair<std::string, Bytes>> cases;
    // The data chunk is last and claims the full sound, so no prefix of the click is playable.
    for (std::size_t n = 0; n < click.size(); ++n)
        cases.emplace_back("prefix " + std::to_string(n), Bytes(click.begin(), click.begin() + n));
    for (const auto& [at, id] : {std::pair{0, "RIFX"}, {0, "JUNK"}, {8, "AVI "}, {12, "fmtx"}, {36, "dat "}}) {
        Bytes broken = click;
        std::copy_n(id, 4, broken.begin() + at);
        cases.emplace_back(id, broken);
    }
    const Bytes pcm = fmt(1, 2, 22050, 16, 4), samples = {1, 2, 3, 4, 5, 6, 7, 8}, data = chunk("data", samples);
    for (std::uint32_t claimed : {9U, 4096U, 0xFFFFFFF8U, 0xFFFFFFFFU}) {
        cases.emplace_back("data claims " + std::to_string(claimed), riff({pcm, chunk("data", samples, claimed)}));
    }
    // Tag, channels, rate, bits, block align: float, three channels, 24-bit, block align too
    // small, rate zero, absurd rate; and a 14-byte fmt without the bits per sample, followed
    // by bytes that would read as 16 bits.
    const std::uint32_t formats[][5] = {{3, 2, 22050, 32, 8}, {1, 3, 22050, 16, 6}, {1, 2, 22050, 24, 6},
                                        {1, 2, 22050, 16, 2}, {1, 2, 0, 16, 4},     {1, 2, 4000000, 16, 4}};
    for (const auto& f : formats) {
        cases.emplace_back("format " + std::to_string(&f - formats), riff({fmt(f[0], f[1], f[2], f[3], f[4]), data}));
    }
    cases.emplace_back("14-byte fmt",
                       riff({chunk("fmt ", Bytes(pcm.begin() + 8, pcm.end() - 2)), chunk({"\x10\0xx", 4}, {}), data}));
    for (const auto& [what, image] : cases) EXPECT_FALSE(parseWave(image).has_value()) << what;
}

// The layouts real writers produce around the two chunks that matter: the first "fmt " and
// "data" win wherever they sit, odd chunks are padded, the RIFF size is not trusted.
TEST(ParseWave, FindsFormatAndSamplesAmongOtherChunks) {
    const Bytes odd8 = {10, 20, 30, 40, 50}, frames16 = {1, 0, 2, 0, 3, 0, 4, 0};
    const Bytes mono8 = fmt(1, 1, 8000, 8, 1), stereo16 = fmt(1, 2, 22050, 16, 4);
    const Bytes list = chunk("LIST", {'I', 'N', 'F', 'O', 'x'}), data8 = chunk("data", odd8),
                data16 = chunk("data", frames16);
    struct Case {
        const char* what;
        Bytes image, samples;
        std::uint16_t channels;
    };
    const Case cases[] = {
        {"fact before fmt, LIST between", riff({chunk("fact", {5, 0, 0, 0}), mono8, list, data8}), odd8, 1},
        {"data before fmt", riff({data16, stereo16}), frames16, 2},
        {"odd data, its pad, then a LIST", riff({mono8, data8, list}), odd8, 1},
        {"odd data at the end without its pad", riff({mono8, chunk("data", odd8, {}, false)}), odd8, 1},
        {"fmt with cbSize", riff({fmt(1, 1, 8000, 8, 1, 2), data8}), odd8, 1},
        {"odd-sized fmt with its pad", riff({fmt(1, 1, 8000, 8, 1, 1), data8}), odd8, 1},
        {"8-bit stereo", riff({fmt(1, 2, 11025, 8, 2), data16}), frames16, 2},
        {"cut-off chunk after data", riff({stereo16, data16, chunk("LIST", {1, 2}, 1000)}), frames16, 2},
        {"RIFF size zero", riff({stereo16, data16}, 0), frames16, 2},
        {"RIFF size huge", riff({stereo16, data16}, 0xFFFFFFFF), frames16, 2},
        {"second data ignored", riff({data16, chunk("data", {9, 9, 9, 9}), stereo16}), frames16, 2},
        {"empty chunk skipped", riff({chunk("junk", {}), stereo16, data16}), frames16, 2},
        {"partial frame dropped", riff({stereo16, chunk("data", cat({frames16, {5}}))}), frames16, 2},
        {"empty data is zero frames", riff({stereo16, chunk("data", {})}), {}, 2},
    };
    for (const Case& c : cases) {
        const auto wave = parseWave(c.image);
        ASSERT_TRUE(wave.has_value()) << c.what;
        EXPECT_EQ(wave->format.channels, c.channels) << c.what;
        EXPECT_EQ(Bytes(wave->samples.begin(), wave->samples.end()), c.samples) << c.what;
        EXPECT_TRUE(c.samples.empty() ||
                    (wave->samples.data() >= c.image.data() &&
                     wave->samples.data() + wave->samples.size() <= c.image.data() + c.image.size()))
            << c.what << ": samples outside the image";
    }
}

}  // namespace
}  // namespace quorvia
