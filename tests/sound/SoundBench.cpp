// quorvia_sound_bench [runs] [--no-server-only]: how long the game's click call holds up
// a card click.
//
//  1. A synchronous click (the game's flags) on a private null sink that a 10 ms monitor
//     recorder keeps running, as a sound card keeps running; then the same on the idle
//     null sink, which first finishes a block of up to two seconds it rendered while idle
//     (a trait of the null sink, shown so that nobody mistakes it for ours).
//  2. The return of an asynchronous click.
//  3. A play towards a server address where nothing listens.
//  4. A play with libpulse's own defaults and nothing running, from fresh, empty runtime
//     and home folders; also tells whether libpulse autospawned a server meanwhile.
//
// Not a test: it prints numbers (milliseconds) and succeeds unless it cannot start.

#include "PulseTestServer.h"
#include "sound/PulseOutput.h"
#include "sound/Sound.h"

#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using quorvia::PulseOutput;
namespace soundflags = quorvia::soundflags;

std::vector<std::uint8_t> clickImage() {
    std::ifstream in(QUORVIA_CLICK_WAV, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Result {
    int succeeded = 0;
    std::vector<double> ms;
};

Result measure(PulseOutput& output, const std::vector<std::uint8_t>& image, std::uint32_t flags, int runs) {
    Result r;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        r.succeeded += output.play(image, flags) ? 1 : 0;
        const auto end = std::chrono::steady_clock::now();
        r.ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    return r;
}

void report(const char* what, Result r) {
    std::sort(r.ms.begin(), r.ms.end());
    const auto at = [&](double q) { return r.ms[static_cast<std::size_t>(q * double(r.ms.size() - 1))]; };
    std::printf("%-44s n=%3zu ok=%3d  min %7.2f  median %7.2f  p90 %7.2f  max %7.2f ms\n", what, r.ms.size(),
                r.succeeded, r.ms.front(), at(0.5), at(0.9), r.ms.back());
}

std::filesystem::path freshDir(const char* prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (std::string(prefix) + "XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    return pattern;
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 50;
    bool withServer = true;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--no-server-only") {
            withServer = false;
        } else {
            runs = std::max(1, std::atoi(argv[i]));
        }
    }
    const std::vector<std::uint8_t> click = clickImage();
    if (click.empty()) {
        std::fprintf(stderr, "cannot read the click\n");
        return 1;
    }
    PulseOutput output;
    constexpr std::uint32_t gameFlags = soundflags::NoDefault | soundflags::Memory;

    if (withServer) {
        try {
            quorvia::test::PulseTestServer server;
            server.useAsDefaultServer();
            {
                quorvia::test::MonitorRecorder keepRunning(server, 22050, 2);
                measure(output, click, gameFlags, 3);  // warm-up
                report("sync click (flags 6), running null sink", measure(output, click, gameFlags, runs));
                report("async click (flags 7), until return",
                       measure(output, click, gameFlags | soundflags::Async, runs));
                measure(output, {}, gameFlags, 1);  // ends the last background click
                keepRunning.finish(std::chrono::milliseconds(0));
            }
            report("sync click (flags 6), idle null sink", measure(output, click, gameFlags, 3));
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 1;
        }
    }

    const std::filesystem::path nowhere = freshDir("quorvia-bench-nowhere-");
    ::setenv("PULSE_SERVER", ("unix:" + (nowhere / "native").string()).c_str(), 1);
    report("no server at PULSE_SERVER", measure(output, click, gameFlags, runs * 4));

    // libpulse's defaults: no PULSE_SERVER, empty runtime and home folders.
    ::unsetenv("PULSE_SERVER");
    ::unsetenv("DISPLAY");
    ::setenv("XDG_RUNTIME_DIR", nowhere.c_str(), 1);
    ::setenv("HOME", nowhere.c_str(), 1);
    report("no server, libpulse defaults", measure(output, click, gameFlags, runs * 4));
    const bool spawned = std::filesystem::exists(nowhere / "pulse" / "native");
    std::printf("autospawned server socket appeared: %s (uid %d)\n", spawned ? "yes" : "no",
                static_cast<int>(::getuid()));

    std::error_code ignored;
    std::filesystem::remove_all(nowhere, ignored);
    return 0;
}
