// bench_sound [runs]: how long the game's click call holds up a card click.
//
//  1. A synchronous click (the game's flags) and the return of an asynchronous one, on the
//     server libpulse finds by itself (PULSE_SERVER, when set, names it). Against an idle
//     null sink nobody records from, a click may first wait out a block of up to two
//     seconds the sink rendered while idle: a trait of the null sink, not of ours.
//  2. A play towards a server address where nothing listens.
//  3. A play with libpulse's own defaults and nothing running, from fresh, empty runtime
//     and home folders; also tells whether libpulse autospawned a server meanwhile.
//
// Prints milliseconds; fails only when it cannot start.

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

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    std::ifstream in(QUORVIA_CLICK_WAV, std::ios::binary);
    const std::vector<std::uint8_t> click{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (click.empty()) {
        std::fprintf(stderr, "cannot read the click\n");
        return 1;
    }
    PulseOutput output;
    constexpr std::uint32_t gameFlags = soundflags::NoDefault | soundflags::Memory;

    measure(output, click, gameFlags, 3);  // warm-up
    report("sync click (flags 6)", measure(output, click, gameFlags, runs));
    report("async click (flags 7), until return", measure(output, click, gameFlags | soundflags::Async, runs));
    measure(output, {}, gameFlags, 1);  // ends the last background click

    std::string nowhere = (std::filesystem::temp_directory_path() / "quorvia-bench-nowhere-XXXXXX").string();
    if (::mkdtemp(nowhere.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    // A fresh output: the first one would go on using its kept stream to the server above.
    PulseOutput serverless;
    ::setenv("PULSE_SERVER", ("unix:" + nowhere + "/native").c_str(), 1);
    report("no server at PULSE_SERVER", measure(serverless, click, gameFlags, runs * 4));

    // libpulse's defaults: no PULSE_SERVER, empty runtime and home folders.
    ::unsetenv("PULSE_SERVER");
    ::unsetenv("DISPLAY");
    ::setenv("XDG_RUNTIME_DIR", nowhere.c_str(), 1);
    ::setenv("HOME", nowhere.c_str(), 1);
    report("no server, libpulse defaults", measure(serverless, click, gameFlags, runs * 4));
    const bool spawned = std::filesystem::exists(std::filesystem::path(nowhere) / "pulse" / "native");
    std::printf("autospawned server socket appeared: %s (uid %d)\n", spawned ? "yes" : "no",
                static_cast<int>(::getuid()));

    std::error_code ignored;
    std::filesystem::remove_all(nowhere, ignored);
    return 0;
}
