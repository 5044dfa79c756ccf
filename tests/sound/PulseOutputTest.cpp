// PulseOutput against a real, private PulseAudio daemon, listening to its null sink's monitor:
// without a server a play is a quiet false; once one is there, the game's click (and an
// asynchronous one from a buffer the caller scribbles over) is heard exactly once each.

#include "ClickSynth.h"
#include "PulseTestServer.h"
#include "sound/PulseOutput.h"
#include "sound/QtWaveResources.h"
#include "sound/Sound.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <thread>
#include <vector>

namespace quorvia {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t Rate = 22050;
constexpr std::uint16_t Channels = 2;
constexpr std::uint32_t GameFlags = soundflags::NoDefault | soundflags::Memory;

// The monitor misses the first milliseconds of a sound started while the sink runs (the
// sink rewinds to mix it in, but what the monitor has passed on stays passed on), so the
// click is recognised by its last 15 ms. The generator's click is the shipped one.
std::vector<std::int16_t> clickTail() {
    const std::vector<std::int16_t> click = synthesiseClick();
    return {click.end() - Rate * 15 / 1000 * Channels, click.end()};
}

TEST(PulseOutput, FailsQuietlyWithoutAServerThenIsHeardOncePerClick) {
    ::setenv("PULSE_SERVER", "unix:/nonexistent/quorvia/native", 1);
    const std::vector<std::uint8_t> click = QtWaveResources().load("WAVE", "KLICK");
    ASSERT_GT(click.size(), 44U);
    PulseOutput output;
    // A throw would fail the test as well as a true.
    for (std::uint32_t flags : {GameFlags, GameFlags | soundflags::Async}) {
        EXPECT_FALSE(output.play(click, flags)) << "flags " << flags;
    }

    test::PulseTestServer server(Rate, Channels);  // throws, failing the test, when it cannot start
    ::setenv("PULSE_SERVER", server.address().c_str(), 1);
    {
        // The caller may reuse its buffer as soon as play returns, while the sound still plays.
        std::vector<std::uint8_t> scratch = click;
        EXPECT_TRUE(output.play(scratch, GameFlags | soundflags::Async));
        std::fill(scratch.begin() + 44, scratch.end(), 0x55);
    }
    std::this_thread::sleep_for(300ms);  // a new play would cut off a click still playing
    QtWaveResources resources;
    Sound(resources, output).PlayClick();
    const std::vector<std::int16_t> recording = server.recording(300ms);
    ::unsetenv("PULSE_SERVER");

    EXPECT_EQ(test::findSound(recording, clickTail(), Channels, 0.9, ClickFrames).size(), 2U)
        << recording.size() / Channels << " frames recorded";
}

// The client library is opened, not linked: a name that does not open, or a library that
// lacks the calls, leaves the output silent rather than the program unable to start.
TEST(PulseOutput, OpensItsClientLibraryOnlyWhenEveryCallIsThere) {
    EXPECT_TRUE(PulseOutput::libraryAvailable(PulseOutput::LibraryName));
    EXPECT_FALSE(PulseOutput::libraryAvailable("libquorvia-no-such-library.so.0"));
    EXPECT_FALSE(PulseOutput::libraryAvailable("libm.so.6"));
}

}  // namespace
}  // namespace quorvia
