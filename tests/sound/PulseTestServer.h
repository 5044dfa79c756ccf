#pragma once

// A private PulseAudio daemon for tests and measurements: its own runtime, state and home
// folders in a fresh temporary folder, one null sink, a unix socket that accepts anyone.
// The daemon is a child of this process (killed with it, even when a test crashes), so
// it can never linger or reach the sound server of the person running the tests.
//
// Promises: the constructor returns only once the server accepts connections, or throws
// std::runtime_error with a message fit for a test failure (including a missing pulseaudio
// binary, which is a failure, not a reason to skip). useAsDefaultServer() points libpulse
// clients of this process at it through PULSE_SERVER.

#include <sys/types.h>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace quorvia::test {

class PulseTestServer {
public:
    static constexpr const char* SinkName = "quorviatest";

    PulseTestServer();
    ~PulseTestServer();
    PulseTestServer(const PulseTestServer&) = delete;
    PulseTestServer& operator=(const PulseTestServer&) = delete;

    std::string address() const { return "unix:" + (dir_ / "native").string(); }
    const std::filesystem::path& directory() const { return dir_; }
    void useAsDefaultServer() const;

private:
    std::filesystem::path dir_;
    pid_t pid_ = -1;
};

// Records the null sink's monitor with parec, as signed 16-bit interleaved samples.
//
// The constructor returns once samples arrive, not merely once parec is connected: an idle
// null sink renders in blocks of up to two seconds, and only after the block under way has
// run out does it switch to the recorder's 10 ms. From then on the sink keeps running in
// short blocks, so a sound played next is taken at once and recorded with silence around
// it. Its first few milliseconds are missing, though: the sink rewinds to mix a new sound
// in, but what the monitor has already passed on stays passed on.
class MonitorRecorder {
public:
    MonitorRecorder(const PulseTestServer& server, std::uint32_t rate, std::uint16_t channels);
    ~MonitorRecorder();
    MonitorRecorder(const MonitorRecorder&) = delete;
    MonitorRecorder& operator=(const MonitorRecorder&) = delete;

    // Where the recording has got to, for samplesSince.
    std::uintmax_t position() const;

    // Records `after` more, then returns what was recorded from `from` on. Waits at most
    // ten seconds for the extra recording.
    std::vector<std::int16_t> samplesSince(std::uintmax_t from,
                                           std::chrono::milliseconds after = std::chrono::milliseconds(300)) const;

    // samplesSince(0, after), then ends parec.
    std::vector<std::int16_t> finish(std::chrono::milliseconds after = std::chrono::milliseconds(300));

private:
    std::uintmax_t recordedBytes() const;

    std::filesystem::path file_;
    std::uint32_t bytesPerSecond_ = 0;
    std::uint32_t bytesPerFrame_ = 0;
    pid_t pid_ = -1;
};

// Where a sound was found in a recording, and how well it matched.
struct SoundMatch {
    double correlation = 0.0;  // normalised cross-correlation, 1 = same shape
    double gain = 0.0;         // recorded level over original level
    std::size_t frame = 0;     // first frame of the match in the recording
};

// Every place where `sound` (interleaved, `channels` per frame) matches the recording with
// a normalised correlation of at least `threshold`, in recording order. Matches closer than
// `separation` frames to a better one count as the same place: when `sound` is only the
// tail of a longer sound, pass that sound's length, or its decaying body, which looks much
// like its tail, may be counted again.
std::vector<SoundMatch> findSound(const std::vector<std::int16_t>& recording, const std::vector<std::int16_t>& sound,
                                  std::uint16_t channels, double threshold, std::size_t separation);

}  // namespace quorvia::test
