#pragma once

// Synthesis of the card click: a short wooden "tick" built from a few damped partials
// and a very short burst of noise.
//
// Promises: the same bytes on every run (the noise comes from a fixed-seed generator of
// our own); stereo 16-bit PCM at ClickSampleRate, exactly ClickFrames frames; peak at
// about -6 dBFS; no DC offset (the sum of each channel is within a few LSB of zero);
// silent first and last frame, so it neither starts nor ends with a step.
//
// Surprising edge: bit-identical output relies on the C library's exp/sin returning the
// same doubles; a different libm could change the odd least significant bit.

#include <cstdint>
#include <span>
#include <vector>

namespace quorvia {

inline constexpr std::uint32_t ClickSampleRate = 22050;
inline constexpr std::size_t ClickFrames = 679;  // about 31 ms
inline constexpr std::uint16_t ClickChannels = 2;

// Interleaved left/right samples, ClickFrames * ClickChannels of them.
std::vector<std::int16_t> synthesiseClick();

// A plain RIFF image: "RIFF", size, "WAVE", a 16-byte PCM "fmt " chunk and "data".
std::vector<std::uint8_t> encodePcm16Wave(std::span<const std::int16_t> interleaved, std::uint16_t channels,
                                          std::uint32_t sampleRate);

}  // namespace quorvia
