// The theme walk over a generated tree of 5,000 folders and 20,000 files (warm cache),
// and, for comparison, `find` listing the folders that hold .ico files.

#include "app/ThemeWalk.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::string treeRoot;

// 50 top folders, each with 9 subfolders holding 10 more: 5,000 folders; 4 files in each,
// two of them icons, so every folder is a theme.
void makeTree(const std::string& root) {
    namespace fs = std::filesystem;
    auto fill = [&](const fs::path& dir, int n) {
        fs::create_directories(dir);
        for (int f = 0; f < 4; ++f) {
            const bool icon = (n + f) % 2 == 0;
            std::ofstream(dir / ("file" + std::to_string(f) + (icon ? ".ico" : ".txt")));
        }
    };
    for (int a = 0; a < 50; ++a) {
        const fs::path top = fs::path(root) / ("theme" + std::to_string(a));
        fill(top, a);
        for (int b = 0; b < 9; ++b) {
            const fs::path mid = top / ("sub" + std::to_string(b));
            fill(mid, b);
            for (int c = 0; c < 10; ++c) fill(mid / ("leaf" + std::to_string(c)), c + b);
        }
    }
}

void BM_ThemeWalk(benchmark::State& state) {
    quorvia::ThemeWalk walk;
    std::size_t themes = 0;
    for (auto _ : state) themes = walk.ScanIconFolders(treeRoot + "/").size();
    state.counters["themes"] = static_cast<double>(themes);
}
BENCHMARK(BM_ThemeWalk)->Unit(benchmark::kMillisecond);

// The same folders found by find(1): every folder that directly holds a .ico file.
void BM_Find(benchmark::State& state) {
    const std::string cmd =
        "find '" + treeRoot + "' -mindepth 2 -maxdepth 4 -type f -iname '*.ico' -printf '%h\\n' | sort -u > /dev/null";
    for (auto _ : state) {
        if (std::system(cmd.c_str()) != 0) state.SkipWithError("find failed");
    }
}
BENCHMARK(BM_Find)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char* argv[]) {
    char tmpl[] = "/tmp/quorvia-walk-XXXXXX";
    if (!::mkdtemp(tmpl)) return 1;
    treeRoot = tmpl;
    makeTree(treeRoot);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(treeRoot);
    return 0;
}
