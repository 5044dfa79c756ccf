#include "ClickSynth.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace quorvia {

namespace {

// A damped partial: a sine at `hz` whose amplitude falls by 1/e every `decayMs`.
struct Partial {
    double hz;
    double decayMs;
    double amplitude;
};

// A small wooden body: a low thump, a strong first mode and a few stiff, fast-dying
// overtones at inharmonic ratios, as struck wood and card have.
constexpr std::array<Partial, 5> Partials{{
    {430.0, 4.0, 0.30},
    {1250.0, 8.0, 1.00},
    {2870.0, 3.6, 0.55},
    {4610.0, 2.2, 0.35},
    {7300.0, 1.1, 0.20},
}};

constexpr double NoiseDecayMs = 0.7;  // the contact itself: far shorter than the body
constexpr double NoiseAmplitude = 0.7;
constexpr double NoiseSmoothing = 0.45;  // one-pole low-pass, takes the hiss off the burst
constexpr double AttackMs = 0.3;         // long enough not to crackle, short enough to stay crisp
constexpr double FadeMs = 8.0;           // the tail is brought to exactly zero
constexpr double CorrectionDecayMs = 10.0;
constexpr double PeakLevel = 0.5;  // -6 dBFS
constexpr double FullScale = 32767.0;

// xorshift32: tiny, fixed, and the same on every platform, unlike the standard
// distributions whose output is left to the library.
class NoiseSource {
public:
    explicit NoiseSource(std::uint32_t seed) : state_(seed) {}
    double next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return static_cast<double>(state_) / 2147483648.0 - 1.0;  // [-1, 1)
    }

private:
    std::uint32_t state_;
};

double window(std::size_t n) {
    const double ms = 1000.0 * static_cast<double>(n) / ClickSampleRate;
    const double endMs = 1000.0 * static_cast<double>(ClickFrames - 1) / ClickSampleRate;
    double w = 1.0;
    if (ms < AttackMs) {
        w *= 0.5 - 0.5 * std::cos(std::numbers::pi * ms / AttackMs);
    }
    if (endMs - ms < FadeMs) {
        w *= 0.5 - 0.5 * std::cos(std::numbers::pi * (endMs - ms) / FadeMs);
    }
    return w;
}

std::vector<double> synthesiseChannel(std::uint32_t noiseSeed) {
    std::vector<double> out(ClickFrames);
    NoiseSource noise(noiseSeed);
    double smoothed = 0.0;
    for (std::size_t n = 0; n < ClickFrames; ++n) {
        const double t = static_cast<double>(n) / ClickSampleRate;
        double x = 0.0;
        for (const Partial& p : Partials) {
            x += p.amplitude * std::exp(-t * 1000.0 / p.decayMs) * std::sin(2.0 * std::numbers::pi * p.hz * t);
        }
        smoothed += NoiseSmoothing * (noise.next() - smoothed);
        x += NoiseAmplitude * std::exp(-t * 1000.0 / NoiseDecayMs) * smoothed;
        out[n] = x * window(n);
    }

    // Take out the DC with a shape that lives where the sound does and is itself zero at
    // both ends, so the correction cannot reintroduce a step.
    double sum = 0.0;
    double shapeSum = 0.0;
    std::vector<double> shape(ClickFrames);
    for (std::size_t n = 0; n < ClickFrames; ++n) {
        const double t = static_cast<double>(n) / ClickSampleRate;
        shape[n] = window(n) * std::exp(-t * 1000.0 / CorrectionDecayMs);
        sum += out[n];
        shapeSum += shape[n];
    }
    const double offset = sum / shapeSum;
    for (std::size_t n = 0; n < ClickFrames; ++n) {
        out[n] -= offset * shape[n];
    }
    return out;
}

}  // namespace

std::vector<std::int16_t> synthesiseClick() {
    // Both sides share the body; the contact noise differs a little, which makes the
    // click sound less like it comes from a point inside the head.
    const std::vector<double> left = synthesiseChannel(0x51C0FFEEU);
    const std::vector<double> right = synthesiseChannel(0x2545F491U);

    double peak = 0.0;
    for (std::size_t n = 0; n < ClickFrames; ++n) {
        peak = std::max({peak, std::abs(left[n]), std::abs(right[n])});
    }
    const double gain = PeakLevel * FullScale / peak;

    std::vector<std::int16_t> interleaved;
    interleaved.reserve(ClickFrames * ClickChannels);
    for (std::size_t n = 0; n < ClickFrames; ++n) {
        interleaved.push_back(static_cast<std::int16_t>(std::lround(left[n] * gain)));
        interleaved.push_back(static_cast<std::int16_t>(std::lround(right[n] * gain)));
    }
    return interleaved;
}

std::vector<std::uint8_t> encodePcm16Wave(std::span<const std::int16_t> interleaved, std::uint16_t channels,
                                          std::uint32_t sampleRate) {
    constexpr std::size_t HeaderBytes = 44;
    const auto dataBytes = static_cast<std::uint32_t>(interleaved.size() * 2);
    const auto blockAlign = static_cast<std::uint16_t>(channels * 2);

    std::vector<std::uint8_t> image(HeaderBytes + dataBytes);
    std::size_t at = 0;
    auto tag = [&](const char(&id)[5]) {
        for (std::size_t i = 0; i < 4; ++i) {
            image[at++] = static_cast<std::uint8_t>(id[i]);
        }
    };
    auto u16 = [&](std::uint16_t v) {
        image[at++] = static_cast<std::uint8_t>(v);
        image[at++] = static_cast<std::uint8_t>(v >> 8);
    };
    auto u32 = [&](std::uint32_t v) {
        u16(static_cast<std::uint16_t>(v));
        u16(static_cast<std::uint16_t>(v >> 16));
    };

    tag("RIFF");
    u32(4 + (8 + 16) + (8 + dataBytes));
    tag("WAVE");
    tag("fmt ");
    u32(16);
    u16(1);  // integer PCM
    u16(channels);
    u32(sampleRate);
    u32(sampleRate * blockAlign);
    u16(blockAlign);
    u16(16);
    tag("data");
    u32(dataBytes);
    for (std::int16_t s : interleaved) {
        u16(static_cast<std::uint16_t>(s));
    }
    return image;
}

}  // namespace quorvia
