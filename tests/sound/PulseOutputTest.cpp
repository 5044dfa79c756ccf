// PulseOutput against a real PulseAudio daemon with a null sink, listening to the sink's
// monitor: the click must arrive once and at its own level, a new sound must cut off an
// older one, other PCM layouts must keep their pitch and channels, failures stay quiet.

#include "PulseTestServer.h"
#include "WaveBuilder.h"
#include "sound/PulseOutput.h"
#include "sound/QtWaveResources.h"
#include "sound/Sound.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace quorvia {
namespace {

using namespace std::chrono_literals;
using test::MonitorRecorder;
using test::PulseTestServer;
using test::SoundMatch;
using test::WaveBuilder;

constexpr std::uint32_t RecordRate = 22050;
constexpr std::uint16_t RecordChannels = 2;
constexpr std::size_t ClickFrames = 679;
// The monitor misses the first few milliseconds of a sound that starts while the sink is
// running (the sink rewinds to mix it in, but what the monitor has passed on stays passed
// on), so the click is recognised by its last 15 ms.
constexpr std::size_t TailFrames = RecordRate * 15 / 1000;
constexpr double MatchThreshold = 0.9;

std::vector<std::uint8_t> clickImage() {
    std::ifstream in(QUORVIA_CLICK_WAV, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::int16_t> clickTail() {
    static const std::vector<std::uint8_t> image = clickImage();
    const auto wave = parseWave(image);
    std::vector<std::int16_t> samples;
    if (wave) {
        for (std::size_t i = 0; i + 1 < wave->samples.size(); i += 2) {
            samples.push_back(static_cast<std::int16_t>(wave->samples[i] | (wave->samples[i + 1] << 8)));
        }
    }
    if (samples.size() < TailFrames * RecordChannels) {
        return {};
    }
    return {samples.end() - static_cast<std::ptrdiff_t>(TailFrames * RecordChannels), samples.end()};
}

std::vector<SoundMatch> findClick(const std::vector<std::int16_t>& recording) {
    return test::findSound(recording, clickTail(), RecordChannels, MatchThreshold, ClickFrames);
}

std::string describe(const std::vector<SoundMatch>& matches, std::size_t recordedFrames) {
    std::ostringstream out;
    out << recordedFrames << " frames recorded; matches:";
    for (const SoundMatch& m : matches) {
        out << " [frame " << m.frame << ", r=" << m.correlation << ", gain " << m.gain << "]";
    }
    return out.str();
}

// Power of one frequency in one channel of an interleaved recording (Goertzel).
double powerAt(const std::vector<std::int16_t>& recording, std::size_t channel, double hz) {
    const double coefficient = 2.0 * std::cos(2.0 * std::numbers::pi * hz / RecordRate);
    double s1 = 0.0;
    double s2 = 0.0;
    for (std::size_t i = channel; i < recording.size(); i += RecordChannels) {
        const double s0 = recording[i] + coefficient * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return s1 * s1 + s2 * s2 - coefficient * s1 * s2;
}

class PulseOutputOnNullSink : public ::testing::Test {
protected:
    void SetUp() override {
        try {
            server.emplace();
        } catch (const std::exception& e) {
            FAIL() << e.what();
        }
        server->useAsDefaultServer();
    }

    void TearDown() override {
        server.reset();
        ::unsetenv("PULSE_SERVER");
    }

    std::optional<PulseTestServer> server;
};

// The whole chain of the game: resource, Sound, PulseOutput, sound server.
TEST_F(PulseOutputOnNullSink, ClickIsHeardOnceAtItsOwnLevel) {
    QtWaveResources resources;
    PulseOutput output;
    Sound sound(resources, output);
    MonitorRecorder recorder(*server, RecordRate, RecordChannels);

    sound.PlayClick();

    const std::vector<std::int16_t> recording = recorder.finish();
    const auto matches = findClick(recording);
    ASSERT_EQ(matches.size(), 1U) << describe(matches, recording.size() / RecordChannels);
    EXPECT_NEAR(matches[0].gain, 1.0, 0.3) << describe(matches, recording.size() / RecordChannels);
}

TEST_F(PulseOutputOnNullSink, SyncAndAsyncPlaysReportSuccessAndAreEachHeardOnce) {
    MonitorRecorder recorder(*server, RecordRate, RecordChannels);
    for (std::uint32_t flags :
         {soundflags::NoDefault | soundflags::Memory, soundflags::Async | soundflags::NoDefault | soundflags::Memory}) {
        SCOPED_TRACE("flags " + std::to_string(flags));
        PulseOutput output;
        const std::uintmax_t start = recorder.position();
        {
            std::vector<std::uint8_t> image = clickImage();
            EXPECT_TRUE(output.play(image, flags));
            // The caller may reuse or free its buffer as soon as play returns, even while
            // the sound still plays in the background.
            std::fill(image.begin() + 44, image.end(), 0x55);
        }
        // Recording on for a while also lets an asynchronous sound end before the output
        // is destroyed (which would cut it off).
        const std::vector<std::int16_t> recording = recorder.samplesSince(start);
        const auto matches = findClick(recording);
        EXPECT_EQ(matches.size(), 1U) << describe(matches, recording.size() / RecordChannels);
    }
}

TEST_F(PulseOutputOnNullSink, NewSoundCutsOffTheOneStillPlaying) {
    constexpr double ToneHz = 440.0;
    const double hz[] = {ToneHz, ToneHz};
    const std::size_t toneFrames = 3 * RecordRate;  // three seconds
    const auto tone =
        WaveBuilder().pcm(2, RecordRate, 16).data(test::sineSamples(16, RecordRate, hz, toneFrames, 0.3)).finish();

    MonitorRecorder recorder(*server, RecordRate, RecordChannels);
    PulseOutput output;
    ASSERT_TRUE(output.play(tone, soundflags::Async | soundflags::Memory));
    std::this_thread::sleep_for(200ms);
    ASSERT_TRUE(output.play(clickImage(), soundflags::NoDefault | soundflags::Memory));
    const std::vector<std::int16_t> recording = recorder.finish();

    const auto matches = findClick(recording);
    ASSERT_EQ(matches.size(), 1U) << describe(matches, recording.size() / RecordChannels);
    // Frames of tone: loud frames outside the click's own stretch.
    std::size_t toneHeard = 0;
    for (std::size_t f = 0; f < recording.size() / RecordChannels; ++f) {
        const std::size_t clickEnd = matches[0].frame + TailFrames;
        const bool inClick = f + ClickFrames >= clickEnd && f < clickEnd;
        if (!inClick && std::abs(recording[f * RecordChannels]) > 3000) {
            ++toneHeard;
        }
    }
    EXPECT_GT(toneHeard, 0U) << "the tone was never heard, so nothing was cut off";
    EXPECT_LT(toneHeard, toneFrames / 3) << "the tone went on after the click";
}

TEST_F(PulseOutputOnNullSink, PcmLayoutsKeepTheirPitchAndChannels) {
    struct Case {
        const char* what;
        std::uint16_t bits;
        std::uint16_t channels;
        std::uint32_t rate;
        std::vector<double> hz;  // per source channel
        double leftHz;
        double rightHz;
    };
    const std::vector<Case> cases = {
        {"8-bit mono 11025", 8, 1, 11025, {900.0}, 900.0, 900.0},
        {"16-bit mono 22050", 16, 1, 22050, {900.0}, 900.0, 900.0},
        {"8-bit stereo 22050", 8, 2, 22050, {700.0, 1100.0}, 700.0, 1100.0},
        {"16-bit stereo 44100", 16, 2, 44100, {700.0, 1100.0}, 700.0, 1100.0},
    };
    PulseOutput output;
    MonitorRecorder recorder(*server, RecordRate, RecordChannels);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::size_t frames = c.rate / 4;  // a quarter of a second
        const auto image = WaveBuilder()
                               .pcm(c.channels, c.rate, c.bits)
                               .data(test::sineSamples(c.bits, c.rate, c.hz, frames, 0.5))
                               .finish();
        const std::uintmax_t start = recorder.position();
        ASSERT_TRUE(output.play(image, soundflags::Memory));
        const std::vector<std::int16_t> recording = recorder.samplesSince(start);
        ASSERT_GT(recording.size(), RecordRate / 10 * RecordChannels) << "next to nothing recorded";

        for (std::size_t channel = 0; channel < 2; ++channel) {
            const double wanted = channel == 0 ? c.leftHz : c.rightHz;
            const double signal = powerAt(recording, channel, wanted);
            // Half or double pitch means a wrong rate, harmonics mean a wrong sample format,
            // the other side's tone means swapped or mixed channels.
            for (double other : {wanted / 2, wanted * 2, wanted * 3, channel == 0 ? c.rightHz : c.leftHz}) {
                if (other == wanted) {
                    continue;
                }
                EXPECT_GT(signal, 100.0 * powerAt(recording, channel, other))
                    << "channel " << channel << ": " << wanted << " Hz against " << other << " Hz";
            }
            // Level: a sine at half scale has an RMS of about 11585 while it sounds.
            double sum = 0.0;
            std::size_t loud = 0;
            for (std::size_t i = channel; i < recording.size(); i += RecordChannels) {
                if (recording[i] != 0) {
                    sum += double(recording[i]) * recording[i];
                    ++loud;
                }
            }
            ASSERT_GT(loud, 0U);
            EXPECT_NEAR(std::sqrt(sum / double(loud)), 11585.0, 11585.0 * 0.3) << "channel " << channel;
        }
    }
}

TEST_F(PulseOutputOnNullSink, UnplayableImagesAreRefusedAndDoNotSpoilTheNext) {
    const std::vector<std::uint8_t> click = clickImage();
    std::vector<std::uint8_t> wrongMagic = click;
    wrongMagic[0] = 'X';
    const std::vector<std::uint8_t> truncated(click.begin(), click.begin() + 100);
    const auto adpcm = WaveBuilder().fmt(2, 2, 22050, 4, 512, 32).data(std::vector<std::uint8_t>(1024, 0x11)).finish();

    PulseOutput output;
    for (const auto& image : {wrongMagic, truncated, adpcm, std::vector<std::uint8_t>{}}) {
        EXPECT_FALSE(output.play(image, soundflags::Memory));
        EXPECT_FALSE(output.play(image, soundflags::Async | soundflags::Memory));
    }
    // Nothing to play is not a failure.
    EXPECT_TRUE(output.play(WaveBuilder().pcm(2, 22050, 16).data({}).finish(), soundflags::Memory));

    MonitorRecorder recorder(*server, RecordRate, RecordChannels);
    EXPECT_TRUE(output.play(click, soundflags::Memory));
    const std::vector<std::int16_t> recording = recorder.finish();
    EXPECT_EQ(findClick(recording).size(), 1U);
}

// No server at all: the click must cost nothing but a failed connection, and a server
// that turns up later is used from the next play on.
TEST(PulseOutputWithoutServer, FailsQuietlyAndRecoversWhenAServerAppears) {
    const std::string absent = "unix:" + (std::filesystem::temp_directory_path() /
                                          ("quorvia-no-server-" + std::to_string(::getpid())) / "native")
                                             .string();
    ::setenv("PULSE_SERVER", absent.c_str(), 1);

    const std::vector<std::uint8_t> click = clickImage();
    PulseOutput output;
    bool played = true;
    EXPECT_NO_THROW(played = output.play(click, soundflags::NoDefault | soundflags::Memory));
    EXPECT_FALSE(played);
    EXPECT_NO_THROW(played = output.play(click, soundflags::Async | soundflags::Memory));
    EXPECT_FALSE(played);
    QtWaveResources resources;
    Sound sound(resources, output);
    EXPECT_NO_THROW(sound.PlayClick());

    std::optional<PulseTestServer> server;
    try {
        server.emplace();
    } catch (const std::exception& e) {
        ::unsetenv("PULSE_SERVER");
        FAIL() << e.what();
    }
    server->useAsDefaultServer();
    {
        MonitorRecorder recorder(*server, RecordRate, RecordChannels);
        EXPECT_TRUE(output.play(click, soundflags::NoDefault | soundflags::Memory));
        const std::vector<std::int16_t> recording = recorder.finish();
        EXPECT_EQ(findClick(recording).size(), 1U);
    }
    server.reset();
    ::unsetenv("PULSE_SERVER");
}

}  // namespace
}  // namespace quorvia
