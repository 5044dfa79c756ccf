#pragma once
// The whole program, put together the way the entry routine starts it: constants, settings,
// the game and its window, and the real ports (disk, pictures, random, clock, sound).
// main.cpp and the start-up benchmark both build it, so they start the game identically.

#include "app/FileSystem.h"
#include "app/Settings.h"
#include "app/Startup.h"
#include "board/BoardWindow.h"
#include "board/Game.h"
#include "board/QtPictureLoader.h"

#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace quorvia {

class ClickPlayer;

class Program {
public:
    // `appFolder` is the folder that holds the executable.
    explicit Program(const std::string& appFolder, FileSystem& fs = diskFileSystem());
    ~Program();

    // True when the configured theme's folder or the default theme's folder exists.
    bool themeCheck() const;
    // The message shown when neither exists.
    void showMissingThemeMessage() const;

    // Creates the board window and runs its load step (not shown yet).
    void loadBoardWindow();
    // Deals the first game and shows the window.
    void startFirstGame();

    AppConstants constants;
    FileSystem& fs;
    QtPictureLoader loader;
    CoverPictures covers;
    Settings settings;
    SeededRandom random;
    SteadyClock clock;
    std::unique_ptr<ClickPlayer> sound;
    std::unique_ptr<Game> game;
    std::unique_ptr<BoardWindow> window;
};

// Makes Tahoma available where the system has the file but fontconfig does not index it.
void registerFonts();

// Loads the system's font configuration on a thread of its own, so that this, the largest
// single cost of showing the first text, overlaps with the rest of the start-up. wait()
// (or the destructor) joins it; nothing may use fonts before that.
class FontConfigWarmUp {
public:
    FontConfigWarmUp();
    ~FontConfigWarmUp();
    void wait();

private:
    std::thread thread_;
};

// The running executable's own path.
std::string executablePath();
std::string folderOf(const std::string& path);

}  // namespace quorvia
