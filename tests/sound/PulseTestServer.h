#pragma once

// A private PulseAudio daemon for the integration test: its own runtime, state and home
// folders in a fresh temporary folder, one null sink, a unix socket that accepts anyone.
// The daemon is a child of this process (killed with it, even when a test crashes), so
// it can never linger or reach the sound server of the person running the tests.
//
// Promises: the constructor returns only once the sink is recorded, or throws
// std::runtime_error with a message fit for a test failure (a missing pulseaudio is a
// failure, not a reason to skip).

#include <sys/types.h>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace quorvia::test {

class PulseTestServer {
public:
    // Starts the daemon and records its null sink's monitor with parec (signed 16-bit,
    // interleaved). Returns once samples arrive, not merely once parec is connected: an
    // idle null sink renders in blocks of up to two seconds and only then switches to the
    // recorder's 10 ms, after which a sound played is taken at once.
    PulseTestServer(std::uint32_t rate, std::uint16_t channels);
    ~PulseTestServer();
    PulseTestServer(const PulseTestServer&) = delete;
    PulseTestServer& operator=(const PulseTestServer&) = delete;

    std::string address() const { return "unix:" + (dir_ / "native").string(); }
    // Records `after` more, then returns everything recorded so far.
    std::vector<std::int16_t> recording(std::chrono::milliseconds after);

private:
    std::filesystem::path dir_;
    pid_t daemon_ = -1;
    pid_t parec_ = -1;
    std::uint32_t bytesPerSecond_ = 0;
};

// The frames at which `sound` (interleaved, `channels` per frame) matches the recording
// with a normalised correlation of at least `threshold`; matches less than `separation`
// frames after an earlier one count as the same place.
std::vector<std::size_t> findSound(const std::vector<std::int16_t>& recording, const std::vector<std::int16_t>& sound,
                                   std::size_t channels, double threshold, std::size_t separation);

}  // namespace quorvia::test
