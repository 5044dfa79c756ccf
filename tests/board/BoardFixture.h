#pragma once
// A game on a temporary program folder, with scripted randomness, a fake clock and a null
// view: every rule of play can be driven without a window.

#include "app/Settings.h"
#include "board/Game.h"
#include "fakes/Fakes.h"
#include "fakes/TempDir.h"
#include "options/OptionsLogic.h"

#include <string>
#include <vector>

namespace quorvia::test {

struct Board {
    TempDir dir;
    AppConstants c = makeConstants(dir.path());
    FakePictureLoader loader;
    CoverPictures covers;
    Settings settings{c, diskFileSystem(), loader, covers};
    ScriptedRandom random;
    FakeClock clock;
    NullBoardView view;
    int clicks = 0;
    Game game{settings, covers, diskFileSystem(), loader, random, clock, [this] { ++clicks; }};

    Board() {
        covers.DefCover = Picture{":DefCover", nullptr};
        view.clock = &clock;
        game.attach(&view);
        settings.startGame = [this] { game.StartGame(); };
        game.Form_Load();
    }

    // A theme folder with `count` icons named 00.ico, 01.ico, ... (sorted by name).
    std::vector<std::string> theme(const std::string& name, int count) {
        std::vector<std::string> paths;
        dir.mkdir("icons/" + name);
        for (int i = 0; i < count; ++i) {
            paths.push_back(dir.write("icons/" + name + "/" + (i < 10 ? "0" : "") + std::to_string(i) + ".ico"));
        }
        return paths;
    }

    void ini(int rows, int cols, int removePairs = 1, int autoCover = 1, const std::string& theme = "quorvia") {
        dir.write("Quorvia.ini", "[Einstellungen]\r\nRows=" + std::to_string(rows) + "\r\nCols=" +
                                     std::to_string(cols) + "\r\nRemovePairs=" + std::to_string(removePairs) +
                                     "\r\nAutoCover=" + std::to_string(autoCover) + "\r\nCollection=" + theme + "\r\n");
    }

    // Card 0 and the first card whose icon is the same (`equal`) or another one.
    std::pair<int, int> pairWithFirst(bool equal) const {
        for (int i = 1; i < static_cast<int>(game.imgPiece.size()); ++i) {
            if ((game.imgPiece[static_cast<std::size_t>(i)].Tag == game.imgPiece[0].Tag) == equal) return {0, i};
        }
        return {-1, -1};
    }

    void click(int index) {
        if (game.acceptsClick(index)) game.imgPiece_Click(index);
    }
};

// An options dialog's window that shows nothing and closes without a trace.
struct NullOptionsView : OptionsView {
    void processEvents() override {}
    void showMessage(const std::string&, const std::string&, MessageIcon) override {}
    void destroyDialog() override {}
};

}  // namespace quorvia::test
