#pragma once

// AudioOutput on the PulseAudio "simple" API (works equally with PipeWire's Pulse server).
//
// Promises: a synchronous play (flag 1 clear) returns once the sound has been played out;
// an asynchronous one returns after connecting and plays on a worker thread. A new play,
// of either kind, first cuts off a background sound that is still playing and waits for
// its thread, as does the destructor. An image that parseWave rejects, or a server that
// cannot be reached, gives a silent false. Nothing is logged and nothing is thrown.
//
// Surprising edges:
//  * A synchronous play keeps its stream open for the next one of the same format: a sink
//    that has gone idle (PulseAudio's null sink renders silence in 2 s blocks then) would
//    otherwise hold up the first sound after every pause for up to the length of a block.
//    A kept stream that fails is dropped and one new connection is tried, so a restarted
//    server is heard from the next click on. Without a server the attempt fails in about
//    a millisecond; nothing is kept then. Asynchronous plays use a stream of their own.
//  * The server is libpulse's default (its client.conf, PULSE_SERVER, the user's runtime
//    folder); the game adds no setting of its own. Whether libpulse autospawns a missing
//    server is the client.conf's decision; it never does so for root.
//  * The stream asks for a small buffer (TargetBufferUsec) so that the final drain of a
//    short sound does not wait out the server's default half-second buffer.
//  * libpulse-simple is opened at the first sound, not linked: without it every play is a
//    silent false, and the program starts without waiting for it.
//  * An image with zero sample frames is played trivially: true, without connecting.
//  * Not for concurrent use: one thread calls play (the GUI thread in the game).

#include "sound/Sound.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <thread>

namespace quorvia {

class PulseOutput final : public AudioOutput {
public:
    // Audio the server is asked to keep buffered ahead of playback.
    static constexpr std::uint64_t TargetBufferUsec = 20000;
    // The client library opened at the first sound.
    static constexpr const char* LibraryName = "libpulse-simple.so.0";
    // Whether `libraryName` opens and offers every call the output uses.
    static bool libraryAvailable(const char* libraryName);

    PulseOutput();
    ~PulseOutput() override;
    PulseOutput(const PulseOutput&) = delete;
    PulseOutput& operator=(const PulseOutput&) = delete;

    bool play(std::span<const std::uint8_t> image, std::uint32_t flags) override;

private:
    struct KeptStream;

    void stopBackground() noexcept;
    bool playKept(const WaveView& wave);

    std::unique_ptr<KeptStream> kept_;
    std::thread worker_;
    std::atomic<bool> stopRequested_{false};
};

}  // namespace quorvia
