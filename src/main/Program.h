#pragma once
// The whole program, put together the way the entry routine starts it: constants, settings,
// the game and its window, and the real ports (disk, pictures, random, clock, sound).
// main.cpp and the start-up benchmark both build it, so they start the game identically.

#include "app/FileSystem.h"
#include "app/Settings.h"
#include "app/Startup.h"
#include "board/BoardWindow.h"
#include "board/Game.h"
#include "qt/QtPictureLoader.h"

#include <QString>

#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace quorvia {

class ClickPlayer;

class Program {
public:
    // `appFolder` is the folder that holds the executable and its themes.
    explicit Program(const std::string& appFolder, FileSystem& fs = diskFileSystem());
    Program(AppConstants constants, FileSystem& fs);
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
    // Where a theme made of pictures dropped on the board goes (the program's icons folder
    // unless told otherwise).
    std::filesystem::path themesFolder;
};

// Makes Tahoma available where the system has the file but fontconfig does not index it.
void registerFonts();

// Loads the fonts on a thread of its own, so that this, the largest single cost of showing
// the first text, overlaps with the rest of the start-up: the system's font configuration
// at once, and, after applicationReady(), the game's Tahoma and Qt's list of fonts (Qt's
// font database is thread-safe). Nothing may measure or draw text before wait() returns.
// wait() and the destructor join the thread; without applicationReady() it stops after
// the font configuration.
class FontWarmUp {
public:
    FontWarmUp();
    ~FontWarmUp();
    FontWarmUp(const FontWarmUp&) = delete;
    FontWarmUp& operator=(const FontWarmUp&) = delete;

    // The application object exists now.
    void applicationReady();
    void wait();

private:
    enum class Next { Undecided, QtFonts, Stop };
    void decide(Next next);

    std::mutex mutex_;
    std::condition_variable decided_;
    Next next_ = Next::Undecided;
    std::thread thread_;
};

}  // namespace quorvia
