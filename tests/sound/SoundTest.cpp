// The click sound: Sound::PlayWaveResource with fake ports (the resource asked for, the
// flags and bytes that reach the output, silence on every failure); parseWave on the shipped
// click and on images laid out or broken the ways real files are; and PulseOutput against a
// private PulseAudio daemon (its own folders, one null sink, a child of this process so it
// dies with it), listening to the sink's monitor.

#include "sound/PulseOutput.h"
#include "sound/QtWaveResources.h"

#include <pulse/simple.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <thread>
#include <tuple>

namespace quorvia {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Every resource but "NOWHERE" exists, and "BROKEN" throws; the bytes are no WAVE image, as
// judging the image is the output's job. The output records each call, then throws.
struct FakeResources final : WaveResources {
    Bytes load(std::string_view type, std::string_view name) override {
        requests.emplace_back(type, name);
        if (name == "BROKEN") throw std::runtime_error("resource table unreadable");
        return name == "NOWHERE" ? Bytes{} : Bytes{0x0b, 0x30, 0x55};
    }
    std::vector<std::pair<std::string, std::string>> requests;
};

struct ThrowingOutput final : AudioOutput {
    bool play(std::span<const std::uint8_t> image, std::uint32_t flags) override {
        calls.push_back({{image.begin(), image.end()}, flags});
        throw std::runtime_error("device gone");
    }
    std::vector<std::pair<Bytes, std::uint32_t>> calls;
};

// The flags reaching the output: 6 when none are given, otherwise the given ones with the
// memory bit 4 added, negative ones alike. A missing resource, or one that throws, means no
// play call (0 below); a throwing port never reaches the caller.
TEST(Sound, PlaysTheNamedResourceWithTheMemoryBitAndIsSilentOnFailure) {
    const std::pair<std::optional<std::int32_t>, std::uint32_t> cases[] = {
        {std::nullopt, 6}, {0, 4}, {1, 5}, {2, 6}, {7, 7}, {16, 20}, {-8, 0xFFFFFFFCU}, {std::nullopt, 0}, {4, 0},
    };
    for (const auto& [given, played] : cases) {
        const std::string name = played != 0 ? "TADA" : given ? "BROKEN" : "NOWHERE";
        SCOPED_TRACE(name + " " + std::to_string(given.value_or(-99)));
        FakeResources resources;
        ThrowingOutput output;
        EXPECT_NO_THROW(Sound(resources, output).PlayWaveResource(name, given));
        EXPECT_EQ(resources.requests, (decltype(resources.requests){{"WAVE", name}}));
        using Calls = decltype(output.calls);
        EXPECT_EQ(output.calls, (played == 0 ? Calls{} : Calls{{Bytes{0x0b, 0x30, 0x55}, played}}));
    }
}

Bytes le(std::uint32_t v, int bytes) {
    Bytes out;
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    return out;
}

Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// A chunk whose size field says `claimed` (by default the body's size), padded to even length.
Bytes chunk(std::string_view id, const Bytes& body, std::optional<std::uint32_t> claimed = {}) {
    const auto size = claimed.value_or(static_cast<std::uint32_t>(body.size()));
    return cat({Bytes(id.begin(), id.end()), le(size, 4), body, Bytes(body.size() % 2, 0)});
}

Bytes fmt(std::uint16_t tag, std::uint16_t chans, std::uint32_t rate, std::uint16_t bits, std::uint16_t align) {
    return chunk("fmt ", cat({le(tag, 2), le(chans, 2), le(rate, 4), le(rate * align, 4), le(align, 2), le(bits, 2)}));
}

Bytes riff(std::initializer_list<Bytes> chunks) { return chunk("RIFF", cat({{'W', 'A', 'V', 'E'}, cat(chunks)})); }

// The first "fmt " and "data" win wherever they sit, odd chunks are padded, a trailing
// partial frame is dropped; nothing cut short, mislabelled or other than 8/16-bit mono or
// stereo PCM gets through (channels 0: rejected).
TEST(ParseWave, AcceptsRealLayoutsAndRejectsMalformedImages) {
    const Bytes click = QtWaveResources().load("WAVE", "KLICK"), odd8 = {10, 20, 30, 40, 50},
                frames16 = {1, 0, 2, 0, 3, 0, 4, 0};
    const Bytes pcm = fmt(1, 2, 22050, 16, 4), mono8 = fmt(1, 1, 8000, 8, 1), data = chunk("data", frames16);
    std::vector<std::tuple<std::string, Bytes, int, Bytes>> cases = {
        {"shipped click", click, 2, Bytes(click.begin() + 44, click.end())},
        {"odd LIST", riff({chunk("fact", {5, 0, 0, 0}), mono8, chunk("LIST", {'I', 'N', 'F'}), chunk("data", odd8)}), 1,
         odd8},
        {"data, second data, fmt", riff({data, chunk("data", {9, 9, 9, 9}), pcm}), 2, frames16},
        {"partial frame", riff({pcm, chunk("data", cat({frames16, {5}}))}), 2, frames16},
        {"empty data", riff({pcm, chunk("data", {})}), 2, {}},
        {"highest rate", riff({fmt(1, 2, 384000, 16, 4), data}), 2, frames16},
    };
    // The data chunk is last and claims the whole sound, so no prefix of the click plays.
    for (std::size_t n = 0; n < click.size(); ++n)
        cases.emplace_back("prefix", Bytes(&click[0], &click[n]), 0, Bytes{});
    for (const auto& [at, id] : {std::pair{0, "RIFX"}, {0, "JUNK"}, {8, "AVI "}, {12, "fmtx"}, {36, "dat "}}) {
        cases.emplace_back(id, click, 0, Bytes{});
        std::copy_n(id, 4, std::get<1>(cases.back()).begin() + at);
    }
    // Data longer than the image; float, three channels, 24-bit, block align too small, rate
    // zero, one past the highest; a 14-byte fmt followed by bytes that would read as 16 bits.
    for (const Bytes& image :
         {riff({pcm, chunk("data", frames16, 9)}), riff({pcm, chunk("data", frames16, 4096)}),
          riff({pcm, chunk("data", frames16, 0xFFFFFFF8U)}), riff({pcm, chunk("data", frames16, 0xFFFFFFFFU)}),
          riff({fmt(3, 2, 22050, 32, 8), data}), riff({fmt(1, 3, 22050, 16, 6), data}),
          riff({fmt(1, 2, 22050, 24, 6), data}), riff({fmt(1, 2, 22050, 16, 2), data}),
          riff({fmt(1, 2, 0, 16, 4), data}), riff({fmt(1, 2, 384001, 16, 4), data}),
          riff({chunk("fmt ", Bytes(pcm.begin() + 8, pcm.end() - 2)), chunk({"\x10\0xx", 4}, {}), data})}) {
        cases.emplace_back("malformed", image, 0, Bytes{});
    }
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const auto& [what, image, channels, samples] = cases[i];
        SCOPED_TRACE(what + " (case " + std::to_string(i) + ")");
        const auto wave = parseWave(image);
        EXPECT_EQ(wave ? std::tuple(int{wave->format.channels}, Bytes(wave->samples.begin(), wave->samples.end()))
                       : std::tuple(0, Bytes{}),
                  std::tuple(channels, samples));
    }
}

using namespace std::chrono_literals;
constexpr std::uint32_t Rate = 22050, Channels = 2, FramesPerMs = Rate / 1000;

struct PrivateServer {
    std::string dir = std::filesystem::temp_directory_path() / "quorvia-pulse-XXXXXX";
    pid_t daemon = -1;
    pa_simple* monitor = nullptr;

    // Returns once the monitor delivers samples: an idle null sink renders in blocks of up
    // to two seconds and only then switches to the recorder's 10 ms.
    PrivateServer() {
        if (::mkdtemp(dir.data()) == nullptr) throw std::runtime_error("no temporary folder");
        const char* daemonCommand =
            "exec env -i HOME=\"$0\" XDG_RUNTIME_DIR=\"$0\" DBUS_SESSION_BUS_ADDRESS=none pulseaudio -n --daemonize=no "
            "--enable-memfd=no --exit-idle-time=-1 --log-level=error "
            "--load='module-null-sink sink_name=quorviatest rate=22050' "
            "--load=\"module-native-protocol-unix auth-anonymous=1 socket=$0/n\"";
        if ((daemon = ::fork()) == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            ::execlp("sh", "sh", "-c", daemonCommand, dir.c_str(), nullptr);
            ::_exit(127);
        }
        const pa_sample_spec spec{PA_SAMPLE_S16NE, Rate, Channels};
        const pa_buffer_attr attr{std::uint32_t(-1), 0, 0, 0, 10 * FramesPerMs * Channels * 2};
        for (const auto deadline = std::chrono::steady_clock::now() + 10s; monitor == nullptr;) {
            if (::waitpid(daemon, nullptr, WNOHANG) == daemon || std::chrono::steady_clock::now() > deadline) {
                ::kill(daemon, SIGKILL);
                throw std::runtime_error("pulseaudio did not start within 10 s (is it installed?)");
            }
            std::this_thread::sleep_for(10ms);
            monitor = pa_simple_new(address().c_str(), "test", PA_STREAM_RECORD, "quorviatest.monitor", "monitor",
                                    &spec, nullptr, &attr, nullptr);
        }
        record(10ms);
    }
    ~PrivateServer() {
        if (monitor != nullptr) pa_simple_free(monitor);
        ::kill(daemon, SIGTERM);
        ::waitpid(daemon, nullptr, 0);
        std::filesystem::remove_all(dir);
    }
    std::string address() const { return "unix:" + dir + "/n"; }
    std::vector<std::int16_t> record(std::chrono::milliseconds length) {
        std::vector<std::int16_t> samples(length.count() * FramesPerMs * Channels);
        if (pa_simple_read(monitor, samples.data(), samples.size() * 2, nullptr) < 0) samples.clear();
        return samples;
    }
};

// Without a server a play is a quiet false; with one, the game's click (and an asynchronous
// one from a buffer the caller scribbles over at once, and one more on the stream the first
// kept open) is heard exactly once each, and each play says it played.
TEST(PulseOutput, FailsQuietlyWithoutAServerThenIsHeardOncePerClick) {
    constexpr std::uint32_t GameFlags = soundflags::NoDefault | soundflags::Memory;
    ::setenv("PULSE_SERVER", "unix:/nonexistent/quorvia/native", 1);
    QtWaveResources resources;
    const std::vector<std::uint8_t> click = resources.load("WAVE", "KLICK");
    PulseOutput output;
    for (std::uint32_t flags : {GameFlags, GameFlags | soundflags::Async}) EXPECT_FALSE(output.play(click, flags));

    PrivateServer server;
    ::setenv("PULSE_SERVER", server.address().c_str(), 1);
    const auto start = std::chrono::steady_clock::now();
    {
        std::vector<std::uint8_t> scratch = click;
        EXPECT_TRUE(output.play(scratch, GameFlags | soundflags::Async));
        std::fill(scratch.begin() + 44, scratch.end(), 0x55);
    }
    std::this_thread::sleep_for(300ms);  // a new play would cut off a click still playing
    Sound(resources, output).PlayClick();
    EXPECT_TRUE(output.play(click, GameFlags));  // again, on the stream kept open
    const auto recording = server.record(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start) + 300ms);
    ::unsetenv("PULSE_SERVER");

    // The monitor misses the first milliseconds of a sound started while the sink runs, so
    // the click is recognised by its last 15 ms, sample for sample: the sink runs at the click's
    // own rate, so nothing is resampled.
    const auto samples = parseWave(click).value().samples;
    const std::span<const std::int16_t> sound(reinterpret_cast<const std::int16_t*>(samples.data()),
                                              samples.size() / 2);
    const auto tail = sound.last(15 * FramesPerMs * Channels);
    int heard = 0;
    for (auto at = recording.begin();
         (at = std::search(at, recording.end(), tail.begin(), tail.end())) != recording.end(); ++at)
        ++heard;
    EXPECT_EQ(heard, 3) << recording.size() / Channels << " frames recorded";
}

// The client library is opened, not linked: a name that does not open, or a library that
// lacks the calls or one of them, leaves the output silent rather than the program unable to
// start (the real library opening is heard above).
TEST(PulseOutput, OpensItsClientLibraryOnlyWhenEveryCallIsThere) {
    for (const char* library : {"libquorvia-no-such-library.so.0", "libm.so.6", PARTIAL_PULSE})
        EXPECT_FALSE(PulseOutput::libraryAvailable(library)) << library;
}

}  // namespace
}  // namespace quorvia
