#pragma once

// Builds RIFF WAVE images chunk by chunk for the tests, including ones no sane writer
// would produce (wrong sizes, missing pad bytes, odd chunk orders).

#include <cmath>
#include <cstdint>
#include <numbers>
#include <span>
#include <string_view>
#include <vector>

namespace quorvia::test {

class WaveBuilder {
public:
    // Starts "RIFF", <size patched by finish()>, "WAVE".
    WaveBuilder() {
        tag("RIFF");
        u32(0);
        tag("WAVE");
    }

    WaveBuilder& chunk(std::string_view id, std::span<const std::uint8_t> body, bool pad = true) {
        return chunkClaiming(id, static_cast<std::uint32_t>(body.size()), body, pad);
    }

    // A chunk whose size field says `claimed` whatever the body really holds.
    WaveBuilder& chunkClaiming(std::string_view id, std::uint32_t claimed, std::span<const std::uint8_t> body,
                               bool pad = true) {
        tag(id);
        u32(claimed);
        bytes_.insert(bytes_.end(), body.begin(), body.end());
        if (pad && body.size() % 2 != 0) {
            bytes_.push_back(0);
        }
        return *this;
    }

    WaveBuilder& fmt(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                     std::uint16_t blockAlign, std::size_t extraBytes = 0) {
        std::vector<std::uint8_t> body;
        auto put16 = [&](std::uint16_t v) {
            body.push_back(static_cast<std::uint8_t>(v));
            body.push_back(static_cast<std::uint8_t>(v >> 8));
        };
        put16(tag);
        put16(channels);
        put16(static_cast<std::uint16_t>(rate));
        put16(static_cast<std::uint16_t>(rate >> 16));
        const std::uint32_t byteRate = rate * blockAlign;
        put16(static_cast<std::uint16_t>(byteRate));
        put16(static_cast<std::uint16_t>(byteRate >> 16));
        put16(blockAlign);
        put16(bits);
        body.resize(body.size() + extraBytes, 0);
        return chunk("fmt ", body);
    }

    WaveBuilder& pcm(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
        return fmt(1, channels, rate, bits, static_cast<std::uint16_t>(channels * bits / 8));
    }

    WaveBuilder& data(std::span<const std::uint8_t> samples, bool pad = true) { return chunk("data", samples, pad); }

    // Patches the RIFF size to cover everything written (unless told otherwise).
    std::vector<std::uint8_t> finish() const { return finishClaiming(static_cast<std::uint32_t>(bytes_.size() - 8)); }

    std::vector<std::uint8_t> finishClaiming(std::uint32_t riffSize) const {
        std::vector<std::uint8_t> out = bytes_;
        for (int i = 0; i < 4; ++i) {
            out[4 + i] = static_cast<std::uint8_t>(riffSize >> (8 * i));
        }
        return out;
    }

private:
    void tag(std::string_view id) {
        for (std::size_t i = 0; i < 4; ++i) {
            bytes_.push_back(i < id.size() ? static_cast<std::uint8_t>(id[i]) : ' ');
        }
    }
    void u32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            bytes_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        }
    }

    std::vector<std::uint8_t> bytes_;
};

// `frames` sample frames of PCM, each channel a sine of its own frequency at `level`
// of full scale: unsigned 8-bit or signed 16-bit little-endian, interleaved.
inline std::vector<std::uint8_t> sineSamples(std::uint16_t bits, std::uint32_t rate,
                                             std::span<const double> hzPerChannel, std::size_t frames, double level) {
    std::vector<std::uint8_t> out;
    for (std::size_t n = 0; n < frames; ++n) {
        for (double hz : hzPerChannel) {
            const double x = level * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(n) / rate);
            if (bits == 8) {
                out.push_back(static_cast<std::uint8_t>(std::lround(128.0 + 127.0 * x)));
            } else {
                const auto s = static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(32767.0 * x)));
                out.push_back(static_cast<std::uint8_t>(s));
                out.push_back(static_cast<std::uint8_t>(s >> 8));
            }
        }
    }
    return out;
}

}  // namespace quorvia::test
