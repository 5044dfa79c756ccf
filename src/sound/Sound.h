#pragma once

// The card-click sound, reduced to two small ports so that the game core and the tests
// never need a sound server or the Qt resource system:
//
//  * WaveResources hands out a complete RIFF WAVE file image kept among the program's
//    own resources (an empty vector when there is none).
//  * AudioOutput plays such an in-memory image. Its flags: 1 play in the background and
//    return at once, 2 stay silent rather than play a default sound, 4 the argument is an
//    image in memory; 0 means play to the end before returning.
//
// Sound::PlayWaveResource never throws and never reports anything: a sound that cannot
// be found or played is simply not heard. The click is a courtesy, not a feature
// the player has to be told about when it is missing.
//
// parseWave is the one RIFF reader every output shares (see its contract below).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace quorvia {

// Flag bits understood by AudioOutput::play.
namespace soundflags {
inline constexpr std::uint32_t Sync = 0x0;       // return when the sound has played
inline constexpr std::uint32_t Async = 0x1;      // return at once, play in the background
inline constexpr std::uint32_t NoDefault = 0x2;  // stay silent rather than play a fallback
inline constexpr std::uint32_t Memory = 0x4;     // the image is a WAVE file image in memory
}  // namespace soundflags

class WaveResources {
public:
    virtual ~WaveResources() = default;
    // The whole resource of the given type and name, or an empty vector when missing.
    virtual std::vector<std::uint8_t> load(std::string_view type, std::string_view name) = 0;
};

class AudioOutput {
public:
    virtual ~AudioOutput() = default;
    // Plays a complete RIFF WAVE image. True when the sound was (or is being) played.
    virtual bool play(std::span<const std::uint8_t> image, std::uint32_t flags) = 0;
};

class Sound {
public:
    // Resource type under which the program keeps its sounds.
    static constexpr std::string_view ResourceType = "WAVE";
    static constexpr std::string_view ClickName = "KLICK";
    // Used when the caller gives no flags: synchronous, from memory, no fallback sound.
    static constexpr std::int32_t DefaultFlags = static_cast<std::int32_t>(soundflags::NoDefault | soundflags::Memory);

    Sound(WaveResources& resources, AudioOutput& output) : resources_(resources), output_(output) {}

    // Loads resource "WAVE"/name and plays it. Flags default to 6; the flag 4 (image in memory)
    // is always added because the image is always handed over from memory. A missing
    // resource means no play call at all; a failing or throwing play is ignored.
    void PlayWaveResource(std::string_view name, std::optional<std::int32_t> flags = std::nullopt) noexcept;

    // The card click: with the default flags it returns only once the click has been
    // heard, so a click handler that calls it is held up for the length of the sound.
    void PlayClick() noexcept { PlayWaveResource(ClickName); }

private:
    WaveResources& resources_;
    AudioOutput& output_;
};

// Format fields of a WAVE "fmt " chunk.
struct WaveFormat {
    std::uint16_t formatTag = 0;  // 1 = integer PCM
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t byteRate = 0;
    std::uint16_t blockAlign = 0;  // bytes per sample frame
    std::uint16_t bitsPerSample = 0;
};

struct WaveView {
    WaveFormat format;
    // Interleaved sample frames, inside the image that was parsed; whole frames only.
    std::span<const std::uint8_t> samples;

    std::size_t frameCount() const { return samples.size() / format.blockAlign; }
};

inline constexpr std::uint16_t WaveFormatPcm = 1;

// Reads a RIFF WAVE image that holds playable PCM: 8-bit unsigned or 16-bit signed
// little-endian, one or two channels.
//
// Promises: never reads outside `image`, whatever it holds; the returned span points into
// `image` (so it lives as long as the caller's buffer) and holds whole frames only.
// Chunks other than "fmt " and "data" are skipped, odd-sized chunks are followed by their
// pad byte, and the first "fmt " and "data" chunks win wherever they sit.
//
// Surprising edges: a "data" chunk that claims more bytes than are present makes the image
// malformed (it is rejected, not cut short), but a trailing chunk that is cut off after
// both "fmt " and "data" have been read is forgiven. The RIFF size field is not trusted
// (writers that stream often leave it 0 or wrong): chunks are walked to the end of the
// image. A trailing partial frame is dropped silently. Empty sample data is well-formed
// (zero frames). byteRate is reported but not checked, since nothing depends on it.
std::optional<WaveView> parseWave(std::span<const std::uint8_t> image);

}  // namespace quorvia
