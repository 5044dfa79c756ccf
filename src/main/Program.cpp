#include "main/Program.h"

#include "app/Theme.h"
#include "main/ClickPlayer.h"
#include "options/OptionsDialog.h"
#include "qt/QtCommon.h"
#include "themetool/ThemeDialog.h"

#include <QFile>
#include <QFontDatabase>

#include <fontconfig/fontconfig.h>

#include <filesystem>

namespace quorvia {

Program::Program(const std::string& appFolder, FileSystem& fileSystem)
    : Program(makeConstants(appFolder), fileSystem) {}

Program::Program(AppConstants appConstants, FileSystem& fileSystem)
    : constants(std::move(appConstants)),
      fs(fileSystem),
      loader(fileSystem),
      settings(constants, fileSystem, loader, covers),
      random(SeededRandom::clockSeed()),
      sound(std::make_unique<ClickPlayer>()),
      themesFolder(theme::iconsFolderOf(constants.AppPath)) {}

Program::~Program() = default;

bool Program::themeCheck() const { return quorvia::themeCheck(fs, constants); }

void Program::showMissingThemeMessage() const {
    showMessageBox(nullptr, "Standard Icon-Thema konnte nicht gefunden werden.", constants.AppTitle,
                   MessageIcon::Critical);
}

void Program::loadBoardWindow() {
    covers.DefCover = QtPictureLoader::fromResource(QStringLiteral(":/images/default-cover.png"), ":DefCover");
    game = std::make_unique<Game>(settings, covers, fs, loader, random, clock, [this] {
        if (sound) sound->PlayClick();
    });
    settings.startGame = [this] { game->StartGame(); };
    window = std::make_unique<BoardWindow>(*game);
    window->openOptions = [this] { openOptionsDialog(settings, *game, fs, loader, window.get()); };
    new PictureDrop(window.get(), themesFolder);  // owned by the window
}

void Program::startFirstGame() {
    game->StartGame();
    window->show();
}

void registerFonts() {
    // Only the regular face: no text of the game is drawn in bold Tahoma (the card panel
    // carries a bold font but shows no text), and every registered face is read at start-up.
    const QString path = QStringLiteral("/usr/share/wine/fonts/tahoma.ttf");
    if (QFile::exists(path)) QFontDatabase::addApplicationFont(path);
}

FontWarmUp::FontWarmUp()
    : thread_([this] {
          FcInit();
          {
              std::unique_lock lock(mutex_);
              decided_.wait(lock, [this] { return next_ != Next::Undecided; });
              if (next_ != Next::QtFonts) return;
          }
          registerFonts();  // before the list is filled: adding a font empties it again
          QFontDatabase::families();
      }) {}

FontWarmUp::~FontWarmUp() { wait(); }

void FontWarmUp::decide(Next next) {
    {
        const std::lock_guard lock(mutex_);
        if (next_ != Next::Undecided) return;
        next_ = next;
    }
    decided_.notify_one();
}

void FontWarmUp::applicationReady() { decide(Next::QtFonts); }

void FontWarmUp::wait() {
    decide(Next::Stop);
    if (thread_.joinable()) thread_.join();
}

}  // namespace quorvia
