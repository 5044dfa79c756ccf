// parseWave on the shipped click and on images that are broken in the ways real files
// (and hostile ones) are broken. Every accepted result must lie inside its input.

#include "ClickSynth.h"
#include "WaveBuilder.h"
#include "sound/Sound.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace quorvia {
namespace {

using test::WaveBuilder;

std::vector<std::uint8_t> readFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> shippedClick() { return readFile(QUORVIA_CLICK_WAV); }

std::vector<std::uint8_t> bytesOf(std::initializer_list<int> values) {
    std::vector<std::uint8_t> out;
    for (int v : values) {
        out.push_back(static_cast<std::uint8_t>(v));
    }
    return out;
}

// Whatever parseWave accepts must be playable and must point into the image it was given.
void expectSaneIfAccepted(const std::vector<std::uint8_t>& image, const std::optional<WaveView>& wave) {
    if (!wave) {
        return;
    }
    const WaveFormat& f = wave->format;
    EXPECT_EQ(f.formatTag, WaveFormatPcm);
    EXPECT_TRUE(f.channels == 1 || f.channels == 2);
    EXPECT_TRUE(f.bitsPerSample == 8 || f.bitsPerSample == 16);
    EXPECT_EQ(f.blockAlign, f.channels * f.bitsPerSample / 8);
    EXPECT_GT(f.sampleRate, 0U);
    EXPECT_EQ(wave->samples.size() % f.blockAlign, 0U);
    if (!wave->samples.empty()) {
        EXPECT_GE(wave->samples.data(), image.data());
        EXPECT_LE(wave->samples.data() + wave->samples.size(), image.data() + image.size());
    }
}

TEST(ShippedClick, IsStereo16BitPcmOf679FramesAt22050) {
    const std::vector<std::uint8_t> image = shippedClick();
    ASSERT_FALSE(image.empty()) << "cannot read " << QUORVIA_CLICK_WAV;

    const auto wave = parseWave(image);
    ASSERT_TRUE(wave.has_value());
    EXPECT_EQ(wave->format.formatTag, 1);
    EXPECT_EQ(wave->format.channels, 2);
    EXPECT_EQ(wave->format.sampleRate, 22050U);
    EXPECT_EQ(wave->format.byteRate, 88200U);
    EXPECT_EQ(wave->format.blockAlign, 4);
    EXPECT_EQ(wave->format.bitsPerSample, 16);
    EXPECT_EQ(wave->frameCount(), 679U);
    // A plain 44-byte header, and the samples run to the end of the file.
    EXPECT_EQ(wave->samples.data(), image.data() + 44);
    EXPECT_EQ(image.size(), 44U + 679U * 4U);
}

TEST(ShippedClick, IsExactlyWhatTheGeneratorMakes) {
    const std::vector<std::int16_t> samples = synthesiseClick();
    EXPECT_EQ(shippedClick(), encodePcm16Wave(samples, ClickChannels, ClickSampleRate))
        << "resources/sounds/klick.wav is stale: run quorvia_clickgen to write it again";
}

// What makes it a pleasant click rather than a pop: level, no DC, percussive envelope,
// and no step at either end.
TEST(ShippedClick, IsAPercussiveTickAtMinus6DbfsWithoutDcOrEdges) {
    const std::vector<std::int16_t> s = synthesiseClick();
    ASSERT_EQ(s.size(), ClickFrames * 2);

    int peak = 0;
    for (std::int16_t v : s) {
        peak = std::max(peak, std::abs(int{v}));
    }
    const double peakDb = 20.0 * std::log10(peak / 32768.0);
    EXPECT_NEAR(peakDb, -6.0, 0.5);

    auto rms = [&](std::size_t channel, std::size_t from, std::size_t to) {
        double sum = 0.0;
        for (std::size_t n = from; n < to; ++n) {
            sum += double(s[2 * n + channel]) * s[2 * n + channel];
        }
        return std::sqrt(sum / double(to - from));
    };
    const std::size_t fiveMs = ClickSampleRate / 200;
    for (std::size_t channel = 0; channel < 2; ++channel) {
        SCOPED_TRACE(channel == 0 ? "left" : "right");
        double sum = 0.0;
        for (std::size_t n = 0; n < ClickFrames; ++n) {
            sum += s[2 * n + channel];
        }
        EXPECT_LT(std::abs(sum / ClickFrames), 1.0) << "DC offset in LSB";
        EXPECT_EQ(s[channel], 0);
        EXPECT_EQ(s[2 * (ClickFrames - 1) + channel], 0);
        EXPECT_LT(rms(channel, ClickFrames - fiveMs, ClickFrames), 0.05 * rms(channel, 0, fiveMs));
        // Still audible in the middle: a tick, not a single-sample pop.
        EXPECT_GT(rms(channel, 3 * fiveMs, 4 * fiveMs), 0.05 * rms(channel, 0, fiveMs));
    }
}

TEST(ParseWave, RejectsEveryTruncationOfTheClick) {
    // The data chunk is last and claims the full sound, so no prefix is playable.
    const std::vector<std::uint8_t> image = shippedClick();
    ASSERT_FALSE(image.empty());
    for (std::size_t length = 0; length < image.size(); ++length) {
        const std::vector<std::uint8_t> cut(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_FALSE(parseWave(cut).has_value()) << "accepted a prefix of " << length << " bytes";
    }
}

TEST(ParseWave, RejectsWrongMagicAndMissingChunks) {
    const std::vector<std::uint8_t> image = shippedClick();
    ASSERT_GE(image.size(), 44U);
    struct Case {
        const char* what;
        std::size_t offset;
        const char* replacement;
    };
    const Case cases[] = {
        {"RIFX (big-endian RIFF)", 0, "RIFX"}, {"not RIFF", 0, "JUNK"},       {"AVI instead of WAVE", 8, "AVI "},
        {"no fmt chunk", 12, "fmtx"},          {"no data chunk", 36, "dat "},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> broken = image;
        std::copy_n(c.replacement, 4, broken.begin() + static_cast<std::ptrdiff_t>(c.offset));
        EXPECT_FALSE(parseWave(broken).has_value()) << c.what;
    }
}

TEST(ParseWave, RejectsDataChunkClaimingMoreThanPresent) {
    const auto samples = bytesOf({1, 2, 3, 4, 5, 6, 7, 8});
    for (std::uint32_t claimed : {9U, 10U, 4096U, 0x7FFFFFFFU, 0xFFFFFFF8U, 0xFFFFFFFFU}) {
        const auto image = WaveBuilder().pcm(2, 22050, 16).chunkClaiming("data", claimed, samples).finish();
        EXPECT_FALSE(parseWave(image).has_value()) << "claimed " << claimed;
    }
}

TEST(ParseWave, AcceptsOnlyPlayablePcmFormats) {
    struct Case {
        const char* what;
        std::uint16_t tag, channels;
        std::uint32_t rate;
        std::uint16_t bits, blockAlign;
        std::size_t fmtExtra;
        bool accepted;
    };
    const Case cases[] = {
        {"16-bit stereo", 1, 2, 22050, 16, 4, 0, true},
        {"16-bit mono", 1, 1, 44100, 16, 2, 0, true},
        {"8-bit stereo", 1, 2, 11025, 8, 2, 0, true},
        {"8-bit mono", 1, 1, 8000, 8, 1, 0, true},
        {"fmt with cbSize", 1, 1, 8000, 8, 1, 2, true},
        {"Microsoft ADPCM", 2, 2, 22050, 4, 512, 32, false},
        {"IEEE float", 3, 2, 22050, 32, 8, 0, false},
        {"extensible", 0xFFFE, 2, 22050, 16, 4, 24, false},
        {"no channels", 1, 0, 22050, 16, 0, 0, false},
        {"three channels", 1, 3, 22050, 16, 6, 0, false},
        {"24-bit", 1, 2, 22050, 24, 6, 0, false},
        {"4-bit PCM", 1, 1, 22050, 4, 1, 0, false},
        {"block align too small", 1, 2, 22050, 16, 2, 0, false},
        {"block align zero", 1, 2, 22050, 16, 0, 0, false},
        {"rate zero", 1, 2, 0, 16, 4, 0, false},
        {"absurd rate", 1, 2, 4000000, 16, 4, 0, false},
    };
    const auto samples = bytesOf({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});
    for (const Case& c : cases) {
        const auto image =
            WaveBuilder().fmt(c.tag, c.channels, c.rate, c.bits, c.blockAlign, c.fmtExtra).data(samples).finish();
        const auto wave = parseWave(image);
        EXPECT_EQ(wave.has_value(), c.accepted) << c.what;
        if (wave && c.accepted) {
            EXPECT_EQ(wave->format.channels, c.channels) << c.what;
            EXPECT_EQ(wave->format.sampleRate, c.rate) << c.what;
            EXPECT_EQ(wave->frameCount(), samples.size() / c.blockAlign) << c.what;
        }
    }
}

TEST(ParseWave, RejectsShortFmtChunk) {
    // The 14-byte WAVEFORMAT of old has no bits per sample.
    const auto image = WaveBuilder()
                           .chunk("fmt ", bytesOf({1, 0, 1, 0, 0x22, 0x56, 0, 0, 0x22, 0x56, 0, 0, 1, 0}))
                           .data(bytesOf({1, 2}))
                           .finish();
    EXPECT_FALSE(parseWave(image).has_value());
}

// The layouts real writers produce around the two chunks that matter.
TEST(ParseWave, FindsFormatAndSamplesAmongOtherChunks) {
    const auto samples8 = bytesOf({10, 20, 30, 40, 50});  // five 8-bit mono frames: odd size
    const auto samples16 = bytesOf({1, 0, 2, 0, 3, 0, 4, 0});
    const auto list = bytesOf({'I', 'N', 'F', 'O', 'x'});  // odd-sized, padded
    const auto fact = bytesOf({5, 0, 0, 0});
    struct Case {
        const char* what;
        std::vector<std::uint8_t> image;
        std::vector<std::uint8_t> expected;
        std::uint16_t channels;
    };
    const std::vector<Case> cases = {
        {"fact before fmt, LIST between",
         WaveBuilder().chunk("fact", fact).pcm(1, 8000, 8).chunk("LIST", list).data(samples8).finish(), samples8, 1},
        {"data before fmt", WaveBuilder().data(samples16).pcm(2, 22050, 16).finish(), samples16, 2},
        {"odd data followed by its pad and a LIST",
         WaveBuilder().pcm(1, 8000, 8).data(samples8).chunk("LIST", list).finish(), samples8, 1},
        {"odd data at the end without its pad byte", WaveBuilder().pcm(1, 8000, 8).data(samples8, false).finish(),
         samples8, 1},
        {"odd-sized fmt with pad", WaveBuilder().fmt(1, 1, 8000, 8, 1, 1).data(samples8).finish(), samples8, 1},
        {"cut-off chunk after data",
         WaveBuilder().pcm(2, 22050, 16).data(samples16).chunkClaiming("LIST", 1000, list).finish(), samples16, 2},
        {"RIFF size zero", WaveBuilder().pcm(2, 22050, 16).data(samples16).finishClaiming(0), samples16, 2},
        {"RIFF size huge", WaveBuilder().pcm(2, 22050, 16).data(samples16).finishClaiming(0xFFFFFFFF), samples16, 2},
        {"second data chunk ignored",
         WaveBuilder().pcm(2, 22050, 16).data(samples16).data(bytesOf({9, 9, 9, 9})).finish(), samples16, 2},
        {"unknown chunk with zero size", WaveBuilder().chunk("junk", {}).pcm(2, 22050, 16).data(samples16).finish(),
         samples16, 2},
        {"trailing partial frame dropped",
         WaveBuilder().pcm(2, 22050, 16).data(bytesOf({1, 0, 2, 0, 3, 0, 4, 0, 5})).finish(), samples16, 2},
        {"empty data is zero frames", WaveBuilder().pcm(2, 22050, 16).data({}).finish(), {}, 2},
    };
    for (const Case& c : cases) {
        const auto wave = parseWave(c.image);
        ASSERT_TRUE(wave.has_value()) << c.what;
        EXPECT_EQ(wave->format.channels, c.channels) << c.what;
        EXPECT_EQ(std::vector<std::uint8_t>(wave->samples.begin(), wave->samples.end()), c.expected) << c.what;
        expectSaneIfAccepted(c.image, wave);
    }
}

// A cheap, deterministic cousin of the fuzzer that runs with every test run (and under the
// sanitizer preset): random damage to the click and to a chunk-rich image.
TEST(ParseWave, SurvivesRandomDamage) {
    const auto list = bytesOf({'I', 'N', 'F', 'O', 'x'});
    const std::vector<std::vector<std::uint8_t>> seeds = {
        shippedClick(),
        WaveBuilder()
            .chunk("fact", bytesOf({1, 0, 0, 0}))
            .pcm(1, 8000, 8)
            .chunk("LIST", list)
            .data(bytesOf({1, 2, 3}))
            .finish(),
    };
    std::mt19937 random(20240601);
    std::size_t accepted = 0;
    for (int round = 0; round < 20000; ++round) {
        std::vector<std::uint8_t> image = seeds[static_cast<std::size_t>(round) % seeds.size()];
        const int damage = static_cast<int>(random() % 4);
        const int edits = 1 + static_cast<int>(random() % 4);
        for (int e = 0; e < edits && !image.empty(); ++e) {
            // Mostly the header region, where the sizes live.
            const std::size_t at = random() % std::min<std::size_t>(image.size(), random() % 2 ? 64 : image.size());
            switch (damage) {
                case 0:
                    image[at] = static_cast<std::uint8_t>(random());
                    break;
                case 1:
                    image[at] ^= static_cast<std::uint8_t>(1U << (random() % 8));
                    break;
                case 2:
                    image.resize(at);
                    break;
                default:
                    image.insert(image.begin() + static_cast<std::ptrdiff_t>(at), static_cast<std::uint8_t>(random()));
            }
        }
        const auto wave = parseWave(image);
        accepted += wave.has_value() ? 1 : 0;
        expectSaneIfAccepted(image, wave);
    }
    // Damage to the sample bytes alone leaves the image valid: the loop must have seen both outcomes.
    EXPECT_GT(accepted, 0U);
    EXPECT_LT(accepted, 20000U);
}

}  // namespace
}  // namespace quorvia
