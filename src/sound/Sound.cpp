#include "sound/Sound.h"

#include <cstring>

namespace quorvia {

void Sound::PlayWaveResource(std::string_view name, std::optional<std::int32_t> flags) noexcept {
    // Each step that fails is skipped and the next one runs: a missing sound must never
    // disturb the game, so nothing here is reported, logged or allowed to escape.
    std::vector<std::uint8_t> image;
    try {
        image = resources_.load(ResourceType, name);
    } catch (...) {
        image.clear();
    }

    std::int32_t effective = flags.value_or(DefaultFlags);
    constexpr auto memoryBit = static_cast<std::int32_t>(soundflags::Memory);
    if ((effective & memoryBit) == 0) {
        effective |= memoryBit;
    }

    // The player is handed the address of the first byte; an empty image has none,
    // so the play step fails before the player is reached.
    if (image.empty()) {
        return;
    }
    try {
        // Whether the sound was heard is of no interest to the caller.
        static_cast<void>(output_.play(image, static_cast<std::uint32_t>(effective)));
    } catch (...) {
    }
}

namespace {

std::uint16_t readLe16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

std::uint32_t readLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

bool hasId(const std::uint8_t* p, const char (&id)[5]) { return std::memcmp(p, id, 4) == 0; }

constexpr std::size_t RiffHeaderSize = 12;  // "RIFF", size, "WAVE"
constexpr std::size_t ChunkHeaderSize = 8;  // id, size
constexpr std::size_t PcmFormatSize = 16;   // the fields of WaveFormat
constexpr std::uint32_t MaxSampleRate = 384000;

bool isPlayablePcm(const WaveFormat& f) {
    if (f.formatTag != WaveFormatPcm) {
        return false;
    }
    if (f.channels != 1 && f.channels != 2) {
        return false;
    }
    if (f.bitsPerSample != 8 && f.bitsPerSample != 16) {
        return false;
    }
    if (f.sampleRate == 0 || f.sampleRate > MaxSampleRate) {
        return false;
    }
    return f.blockAlign == f.channels * (f.bitsPerSample / 8);
}

}  // namespace

std::optional<WaveView> parseWave(std::span<const std::uint8_t> image) {
    if (image.size() < RiffHeaderSize || !hasId(image.data(), "RIFF") || !hasId(image.data() + 8, "WAVE")) {
        return std::nullopt;
    }

    std::optional<std::span<const std::uint8_t>> fmt;
    std::optional<std::span<const std::uint8_t>> data;
    std::size_t pos = RiffHeaderSize;
    // Every comparison is made against what is left, never against pos + size, so that a
    // huge size field cannot wrap around.
    while (!(fmt && data) && image.size() - pos >= ChunkHeaderSize) {
        const std::uint8_t* header = image.data() + pos;
        const std::uint32_t size = readLe32(header + 4);
        const std::size_t bodyStart = pos + ChunkHeaderSize;
        const std::size_t available = image.size() - bodyStart;
        if (size > available) {
            // Cut off by the end of the image, so nothing can follow. A "data" chunk that
            // claims more sound than there is thus rejects the image: part of a sound is
            // more likely a damaged file than a shorter one.
            break;
        }
        const auto body = image.subspan(bodyStart, size);
        if (hasId(header, "fmt ") && !fmt) {
            fmt = body;
        } else if (hasId(header, "data") && !data) {
            data = body;
        }
        const std::size_t padded = std::size_t{size} + (size & 1U);
        if (padded > available) {
            break;  // only the pad byte of the last chunk is missing
        }
        pos = bodyStart + padded;
    }

    if (!fmt || !data || fmt->size() < PcmFormatSize) {
        return std::nullopt;
    }
    const std::uint8_t* f = fmt->data();
    WaveView view;
    view.format.formatTag = readLe16(f);
    view.format.channels = readLe16(f + 2);
    view.format.sampleRate = readLe32(f + 4);
    view.format.byteRate = readLe32(f + 8);
    view.format.blockAlign = readLe16(f + 12);
    view.format.bitsPerSample = readLe16(f + 14);
    if (!isPlayablePcm(view.format)) {
        return std::nullopt;
    }
    view.samples = data->first(data->size() - data->size() % view.format.blockAlign);
    return view;
}

}  // namespace quorvia
