#include "sound/PulseOutput.h"

#include <dlfcn.h>
#include <pulse/simple.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace quorvia {

namespace {

// The client library and the dozen codec libraries it pulls in are opened at the first
// sound rather than at program start: they would otherwise add about a millisecond to every
// start before the window shows, and a machine without the library simply stays silent.
struct PulseApi {
    decltype(&pa_simple_new) simpleNew = nullptr;
    decltype(&pa_simple_free) simpleFree = nullptr;
    decltype(&pa_simple_write) simpleWrite = nullptr;
    decltype(&pa_simple_drain) simpleDrain = nullptr;
    decltype(&pa_simple_flush) simpleFlush = nullptr;
    decltype(&pa_usec_to_bytes) usecToBytes = nullptr;

    bool complete() const {
        return simpleNew && simpleFree && simpleWrite && simpleDrain && simpleFlush && usecToBytes;
    }
};

template <typename F>
void bind(void* library, const char* name, F& fn) {
    fn = reinterpret_cast<F>(::dlsym(library, name));  // NOLINT(cppcoreguidelines-pro-type-reinterpret-cast)
}

PulseApi openApi(const char* libraryName) {
    PulseApi api;
    // Never closed: the library's own threads and atexit handlers may outlive any owner.
    void* library = ::dlopen(libraryName, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return api;
    bind(library, "pa_simple_new", api.simpleNew);
    bind(library, "pa_simple_free", api.simpleFree);
    bind(library, "pa_simple_write", api.simpleWrite);
    bind(library, "pa_simple_drain", api.simpleDrain);
    bind(library, "pa_simple_flush", api.simpleFlush);
    bind(library, "pa_usec_to_bytes", api.usecToBytes);  // found through its dependency libpulse
    if (!api.complete()) api = PulseApi{};
    return api;
}

const PulseApi& pulse() {
    static const PulseApi api = openApi(PulseOutput::LibraryName);
    return api;
}

struct SimpleFree {
    void operator()(pa_simple* s) const { pulse().simpleFree(s); }
};
using SimpleStream = std::unique_ptr<pa_simple, SimpleFree>;

SimpleStream openStream(const WaveFormat& format) {
    const PulseApi& api = pulse();
    if (!api.complete()) return nullptr;
    pa_sample_spec spec{};
    spec.format = format.bitsPerSample == 8 ? PA_SAMPLE_U8 : PA_SAMPLE_S16LE;
    spec.rate = format.sampleRate;
    spec.channels = static_cast<std::uint8_t>(format.channels);

    // Only the target length is ours; the server picks the rest. Left at the default,
    // the drain at the end of a 31 ms click would wait for roughly half a second of
    // buffer to run through first.
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = static_cast<std::uint32_t>(api.usecToBytes(PulseOutput::TargetBufferUsec, &spec));
    attr.prebuf = static_cast<std::uint32_t>(-1);
    attr.minreq = static_cast<std::uint32_t>(-1);
    attr.fragsize = static_cast<std::uint32_t>(-1);

    int error = 0;
    return SimpleStream(
        api.simpleNew(nullptr, "Quorvia", PA_STREAM_PLAYBACK, nullptr, "Sound effect", &spec, nullptr, &attr, &error));
}

// Writes the samples and waits until they have been played. With a stop flag the samples
// go out in slices, so that a newer sound can cut this one short between two slices.
bool playOut(pa_simple* stream, std::span<const std::uint8_t> samples, std::size_t slice,
             const std::atomic<bool>* stop) {
    int error = 0;
    std::size_t pos = 0;
    while (pos < samples.size()) {
        if (stop != nullptr && stop->load()) {
            pulse().simpleFlush(stream, &error);
            return false;
        }
        const std::size_t n = std::min(slice, samples.size() - pos);
        if (pulse().simpleWrite(stream, samples.data() + pos, n, &error) < 0) {
            return false;
        }
        pos += n;
    }
    return pulse().simpleDrain(stream, &error) >= 0;
}

bool sameFormat(const WaveFormat& a, const WaveFormat& b) {
    return a.bitsPerSample == b.bitsPerSample && a.sampleRate == b.sampleRate && a.channels == b.channels;
}

}  // namespace

bool PulseOutput::libraryAvailable(const char* libraryName) { return openApi(libraryName).complete(); }

struct PulseOutput::KeptStream {
    SimpleStream stream;
    WaveFormat format;
};

PulseOutput::PulseOutput() = default;
PulseOutput::~PulseOutput() { stopBackground(); }

bool PulseOutput::playKept(const WaveView& wave) {
    if (kept_ && sameFormat(kept_->format, wave.format)) {
        if (playOut(kept_->stream.get(), wave.samples, wave.samples.size(), nullptr)) return true;
        kept_.reset();  // the server went away or restarted: try one fresh connection
    }
    kept_.reset();
    SimpleStream stream = openStream(wave.format);
    if (!stream) return false;
    kept_ = std::make_unique<KeptStream>(KeptStream{std::move(stream), wave.format});
    if (playOut(kept_->stream.get(), wave.samples, wave.samples.size(), nullptr)) return true;
    kept_.reset();
    return false;
}

void PulseOutput::stopBackground() noexcept {
    if (worker_.joinable()) {
        stopRequested_ = true;
        worker_.join();
    }
    stopRequested_ = false;
}

bool PulseOutput::play(std::span<const std::uint8_t> image, std::uint32_t flags) {
    // One sound at a time: a new one ends the one still playing, so quick clicks never queue
    // up behind each other.
    stopBackground();

    const std::optional<WaveView> wave = parseWave(image);
    if (!wave) {
        return false;
    }
    if (wave->samples.empty()) {
        return true;
    }
    try {
        if ((flags & soundflags::Async) == 0) return playKept(*wave);
        SimpleStream stream = openStream(wave->format);
        if (!stream) {
            return false;
        }
        // The caller's image may be gone before the worker is done with it.
        std::vector<std::uint8_t> samples(wave->samples.begin(), wave->samples.end());
        const std::size_t blockAlign = wave->format.blockAlign;
        const std::size_t slice = std::max<std::size_t>(1, wave->format.sampleRate / 100) * blockAlign;
        worker_ = std::thread([this, stream = std::move(stream), samples = std::move(samples), slice]() {
            playOut(stream.get(), samples, slice, &stopRequested_);
        });
        return true;
    } catch (...) {
        // Out of memory or out of threads: no sound this time.
        return false;
    }
}

}  // namespace quorvia
