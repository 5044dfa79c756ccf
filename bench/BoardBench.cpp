// Dealing a game and turning a card with the real board window (offscreen platform), and
// the peak memory with the largest board dealt.

#include "FirstPaint.h"
#include "board/BoardPanel.h"
#include "main/ClickPlayer.h"
#include "main/Program.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

using namespace quorvia;

namespace {

std::string programFolder;

void writeSize(int rows, int cols) {
    std::ofstream(programFolder + "/Quorvia.ini", std::ios::binary)
        << "[Einstellungen]\r\nRows=" << rows << "\r\nCols=" << cols << "\r\nAutoCover=0\r\n";
}

// StartGame with the board window on screen, for 40 to 486 cards: settings, icon choice,
// dealing, layout and the repaint of the panel.
void BM_StartGame(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0)), cols = static_cast<int>(state.range(1));
    writeSize(rows, cols);
    Program program(programFolder);
    program.loadBoardWindow();
    program.startFirstGame();
    QApplication::processEvents();
    for (auto _ : state) {
        program.game->StartGame();
        program.window->repaint();
        program.window->panel()->repaint();
    }
    state.counters["cards"] = static_cast<double>(program.game->imgPiece.size());
}
BENCHMARK(BM_StartGame)->Args({5, 8})->Args({10, 16})->Args({14, 20})->Args({18, 27})->Unit(benchmark::kMillisecond);

// One card turned up (the click handler without sound) until its repaint is done; the
// card is turned back between iterations, outside the timing.
void BM_TurnCard(benchmark::State& state) {
    writeSize(18, 27);
    Program program(programFolder);
    program.sound.reset();  // the click sound is measured on its own
    program.loadBoardWindow();
    program.startFirstGame();
    QApplication::processEvents();
    Game& game = *program.game;
    int index = 0;
    for (auto _ : state) {
        game.imgPiece_Click(index);
        program.window->panel()->repaint(program.window->panel()->cardRect(index));
        state.PauseTiming();
        game.StartGame();
        QApplication::processEvents();
        index = (index + 37) % 486;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_TurnCard)->Unit(benchmark::kMicrosecond);

// A card click with its synchronous click sound, on whatever sound server the environment
// names (bench/run starts a private PulseAudio daemon with a null sink for it).
void BM_ClickWithSound(benchmark::State& state) {
    writeSize(18, 27);
    Program program(programFolder);
    program.loadBoardWindow();
    program.startFirstGame();
    QApplication::processEvents();
    Game& game = *program.game;
    int index = 0;
    game.imgPiece_Click(index);  // the first click connects to the server
    for (auto _ : state) {
        state.PauseTiming();
        game.StartGame();
        QApplication::processEvents();
        index = (index + 37) % 486;
        state.ResumeTiming();
        game.imgPiece_Click(index);
    }
}
BENCHMARK(BM_ClickWithSound)->Unit(benchmark::kMillisecond)->Iterations(30);

}  // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    registerFonts();
    if (argc < 2) return 2;
    programFolder = argv[1];
    // The folder is ours; the remaining arguments are Google Benchmark's.
    for (int i = 1; i + 1 < argc; ++i) argv[i] = argv[i + 1];
    --argc;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
