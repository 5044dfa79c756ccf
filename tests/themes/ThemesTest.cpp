// Themes made of pictures: by quorvia-theme (the real program, on pictures made here with
// ImageMagick) and by dropping pictures on the board window; then played by the game.
#include "fakes/Fakes.h"
#include "fakes/TempDir.h"
#include "main/Program.h"
#include "options/ThemeWalk.h"
#include "themes/ThemeMaker.h"
#include "themetool/ThemeDialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QImageReader>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>
#include <map>
#include <set>

using namespace quorvia;
using quorvia::test::TempDir;
namespace fs = std::filesystem;

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

// An EXIF block (APP1) whose only entry is the orientation 6: turn right to show.
const char kExifTurnedRight[] =
    "\xFF\xE1\0\x22"
    "Exif\0\0MM\0*\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0\x06\0\0\0\0\0\0";

// A portable game folder holding a copy of the tool (which finds icons/ beside itself) and
// a folder of pictures: upright ones are red above blue, the JPEG is stored turned and says
// so in its EXIF data (orientation 6).
struct Folder : TempDir {
    Folder() {
        mkdir("prog/icons");
        fs::copy_file(QUORVIA_THEME_TOOL, path() + "prog/quorvia-theme");
        mkdir("bilder/sub");
        std::system(("cd " + path() +
                     "bilder && convert -size 40x40 xc:red xc:blue +append foto.jpg && "
                     "convert -size 40x40 xc:red 'xc:rgba(0,0,255,0.5)' -append alpha.png && "
                     "convert -size 40x40 xc:red xc:blue -append M$(printf '\\374')ller.png && "
                     "convert -size 1x4000 xc:green streifen.png")
                        .c_str());
        std::string jpeg = read("bilder/foto.jpg");
        jpeg.insert(2, kExifTurnedRight, sizeof kExifTurnedRight - 1);
        write("bilder/foto.jpg", jpeg);
        write("bilder/sub/vektor.svg",
              "<svg xmlns='http://www.w3.org/2000/svg' width='60' height='60'><rect width='60' "
              "height='30' fill='red'/><rect y='30' width='60' height='30' fill='blue'/></svg>");
        write("bilder/kaputt.jpg", "kein Bild");
    }
    // Runs the tool (an installed copy keeps the player's themes in data/) and returns its status.
    int run(const std::vector<std::string>& args, QString* output = nullptr,
            const std::string& program = "prog/quorvia-theme") const {
        QStringList list;
        for (const std::string& arg : args) list.append(q(arg));
        QProcess tool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), q(path() + "data"));
        tool.setProcessEnvironment(env);
        tool.start(q(path() + program), list);
        tool.waitForFinished(60000);
        if (output) *output = QString::fromUtf8(tool.readAllStandardOutput() + tool.readAllStandardError());
        return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    }
};

std::map<int, QImage> sizesOf(const std::string& icon) {
    std::map<int, QImage> out;
    QImageReader reader(q(icon), "ico");
    for (int i = 0; i < reader.imageCount() && reader.jumpToImage(i); ++i) out[reader.size().width()] = reader.read();
    return out;
}

bool upright(const QImage& face) {
    const QColor top = face.pixelColor(face.width() / 2, face.height() / 4);
    const QColor bottom = face.pixelColor(face.width() / 2, face.height() * 3 / 4);
    return top.red() > 200 && top.blue() < 60 && bottom.blue() > 200 && bottom.red() < 60;
}

}  // namespace

TEST(ThemeTool, EveryPictureBecomesAFaceUprightAtEverySizeAndABrokenOneIsSkipped) {
    Folder dir;
    QString out;
    ASSERT_EQ(dir.run({"urlaub", dir.path() + "bilder"}, &out), 0) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("kaputt.jpg"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("5 Kartenbilder gemacht, übersprungen: 1"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("5 Bilder: genug für Spielfelder bis 10 Karten ohne Wiederholung")));
    const struct {
        const char* face;
        bool upright, translucent;
    } faces[] = {{"foto", true, false},
                 {"alpha", true, true},
                 {"Müller", true, false},
                 {"vektor", true, false},
                 {"streifen", false, false}};
    for (const auto& f : faces) {
        const auto images = sizesOf(dir.path() + "prog/icons/urlaub/" + f.face + ".ico");
        // The header (reserved 0, an icon, six images), and the first entry's palette size and
        // reserved byte, both 0.
        const std::string ico = dir.read(std::string("prog/icons/urlaub/") + f.face + ".ico");
        EXPECT_EQ(ico.substr(0, 6) + ico.substr(8, 2), std::string("\0\0\1\0\6\0\0\0", 8)) << f.face;
        for (int size : {16, 32, 48, 64, 128, 256}) {
            ASSERT_TRUE(images.count(size)) << f.face << " " << size;
            const QImage& face = images.at(size);
            EXPECT_EQ(face.size(), QSize(size, size)) << f.face;
            EXPECT_TRUE(!f.upright || upright(face)) << f.face << " at " << size;
            const int alpha = face.pixelColor(size / 2, size * 3 / 4).alpha();
            EXPECT_EQ(f.translucent, alpha < 200 && alpha > 60) << f.face << " at " << size;
        }
    }
}

// The progress line: pictures done of all, the rate, and the time left to the second.
TEST(ThemeTool, ProgressLineShowsRateAndTimeLeft) {
    EXPECT_EQ(themes::progressText(3, 10, 1.5), QStringLiteral("3/10  2.0 Bilder/s  noch 0:04"));
    EXPECT_EQ(themes::progressText(10, 1000, 2.0), QStringLiteral("10/1000  5.0 Bilder/s  noch 3:18"));
    EXPECT_EQ(themes::progressText(0, 5, 0.0), QStringLiteral("0/5  0.0 Bilder/s  noch 0:00"));
}

TEST(ThemeTool, CommandLinesInTurnMakeReplaceNestAndRefuseThemes) {
    Folder dir;
    const std::string b = dir.path() + "bilder/";
    dir.mkdir("prog/.quorvia-theme-4194303-1");  // left by a run that no longer lives
    const struct {
        std::vector<std::string> args;
        int exit;
        const char *made, *gone;
    } runs[] = {
        {{"urlaub", b + "alpha.png"}, 0, "icons/urlaub/alpha.ico", ".quorvia-theme-4194303-1"},
        {{"urlaub", b + "foto.jpg"}, 1, "icons/urlaub/alpha.ico", "icons/urlaub/foto.ico"},
        {{"--replace", "--cover", b + "foto.jpg", "URLAUB", b + "foto.jpg"},
         0,
         "icons/urlaub/@.icn",
         "icons/urlaub/alpha.ico"},
        {{"natur\\tiere", b + "alpha.png", b + "alpha.png"}, 0, "icons/natur/tiere/alpha-2.ico", "icons/natur\\tiere"},
        {{"--replace", "natur", b + "alpha.png"}, 1, "icons/natur/tiere/alpha-2.ico", "icons/natur/alpha.ico"},
        {{"--fit", "bunt", b + "streifen.png"}, 0, "icons/bunt/streifen.ico", "icons/bunt/streifen-2.ico"},
        {{"leer", b + "kaputt.jpg"}, 1, "icons", "icons/leer"},
        {{"nichts"}, 2, "icons", "icons/nichts"},
    };
    for (const auto& r : runs) {
        QString out;
        EXPECT_EQ(dir.run(r.args, &out), r.exit) << r.args.front() << "\n" << out.toStdString();
        EXPECT_TRUE(dir.exists(std::string("prog/") + r.made)) << r.made;
        EXPECT_FALSE(dir.exists(std::string("prog/") + r.gone)) << r.gone;
    }
    // --fit shows the whole 1 x 4000 strip: a green line down the middle on the panel's colour.
    const QImage fitted = sizesOf(dir.path() + "prog/icons/bunt/streifen.ico").at(256);
    EXPECT_EQ(fitted.pixelColor(127, 128), QColor(0, 128, 0));
    EXPECT_EQ(fitted.pixelColor(20, 128), QApplication::palette().color(QPalette::Button));
}

TEST(ThemeTool, AnInstalledGameTakesTheThemeIntoThePlayersThemesFolder) {
    Folder dir;
    dir.mkdir("share/games/quorvia/icons");
    fs::copy_file(QUORVIA_THEME_TOOL, dir.mkdir("games") + "/quorvia-theme");
    EXPECT_EQ(dir.run({"urlaub", dir.path() + "bilder/alpha.png"}, nullptr, "games/quorvia-theme"), 0);
    EXPECT_TRUE(dir.exists("data/quorvia/icons/urlaub/alpha.ico"));
}

TEST(ThemeTool, AThemeOfTwoHundredPicturesPlaysTheLargestBoardToTheWin) {
    Folder dir;
    dir.mkdir("viele");
    for (int i = 0; i < 200; ++i) {
        QImage picture(64, 48, QImage::Format_RGB32);
        picture.fill(QColor::fromHsv(i * 360 / 200, 255, 100 + i % 150));
        picture.save(q(dir.path() + "viele/" + std::to_string(i) + ".png"));
    }
    ASSERT_EQ(dir.run({"viele", dir.path() + "viele"}), 0);
    dir.write("prog/Quorvia.ini", "[Einstellungen]\r\nRows=18\r\nCols=27\r\nCollection=viele\r\n");
    // The game as the program builds it, with a clock that moves only while the game waits.
    const AppConstants constants = makeConstants(dir.path() + "prog/");
    QtPictureLoader loader(diskFileSystem());
    CoverPictures covers;
    Settings settings(constants, diskFileSystem(), loader, covers);
    test::ScriptedRandom random({}, 0.3f);
    test::FakeClock clock;
    test::NullBoardView view;
    view.clock = &clock;
    Game game(settings, covers, diskFileSystem(), loader, random, clock, [] {});
    game.attach(&view);
    game.Form_Load();
    game.StartGame();
    ASSERT_EQ(game.imgPiece.size(), 486U);
    std::map<std::string, std::vector<int>> pairs;
    for (int i = 0; i < 486; ++i) pairs[game.imgPiece[size_t(i)].Tag].push_back(i);
    EXPECT_EQ(pairs.size(), 200U) << "all 200 faces dealt, some for two pairs";
    for (const auto& [tag, cards] : pairs) {
        for (size_t k = 0; k + 1 < cards.size(); k += 2) {
            game.imgPiece_Click(cards[k]);
            EXPECT_TRUE(game.imgPiece[size_t(cards[k])].picture.image) << tag;
            game.imgPiece_Click(cards[k + 1]);
        }
    }
    ASSERT_EQ(view.messages.size(), 1U);
    EXPECT_TRUE(view.messages[0].text.find("243") != std::string::npos) << view.messages[0].text;
}

TEST(ThemeTool, ARunStoppedMidwayLeavesNoFolderBehind) {
    Folder dir;
    dir.mkdir("gross");
    std::system(("convert -size 3000x2000 gradient:red-blue " + dir.path() + "gross/0.jpg").c_str());
    for (int i = 1; i < 300; ++i)
        fs::copy_file(dir.path() + "gross/0.jpg", dir.path() + "gross/" + std::to_string(i) + ".jpg");
    QProcess tool;
    tool.start(q(dir.path() + "prog/quorvia-theme"), {QStringLiteral("gross"), q(dir.path() + "gross")});
    auto working = [&] {  // the hidden work folder holds a first face
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(dir.path() + "prog", ec))
            if (e.path().filename().string().front() == '.' && !fs::is_empty(e.path(), ec)) return true;
        return false;
    };
    ASSERT_TRUE(QTest::qWaitFor(working, 20000));
    ::kill(pid_t(tool.processId()), SIGTERM);
    ASSERT_TRUE(tool.waitForFinished(20000));
    EXPECT_EQ(tool.exitStatus(), QProcess::CrashExit);
    std::set<std::string> left;
    for (const auto& e : fs::recursive_directory_iterator(dir.path() + "prog"))
        left.insert(e.path().filename().string());
    EXPECT_EQ(left, (std::set<std::string>{"icons", "quorvia-theme"}));
}

TEST(PictureDrop, AFolderDroppedOnTheBoardBecomesAThemeAndLeavesGameAndSettingsAlone) {
    Folder dir;
    ASSERT_EQ(dir.run({"quorvia", dir.path() + "bilder/alpha.png"}), 0);
    const std::string ini = "[Einstellungen]\r\nRows=2\r\nCols=2\r\n";
    dir.write("prog/Quorvia.ini", ini);
    Program program(dir.path() + "prog/");
    program.loadBoardWindow();
    program.startFirstGame();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(program.window.get()));
    const std::string firstCard = program.game->imgPiece[0].Tag;

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(q(dir.path() + "bilder"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(program.window.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(program.window.get(), &drop);
    auto* dialog = program.window->findChild<ThemeDialog*>();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->nameEdit()->text(), QStringLiteral("bilder"));
    dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog->working(); }, 30000));
    EXPECT_EQ(dialog->report().made, 5);
    EXPECT_EQ(dialog->findChild<QProgressBar*>()->text(), QStringLiteral("6 / 6 Bilder"));

    EXPECT_EQ(ThemeWalk().ScanIconFolders(dir.path() + "prog/icons"), (std::vector<std::string>{"BILDER", "QUORVIA"}));
    EXPECT_EQ(dir.read("prog/Quorvia.ini"), ini);
    EXPECT_EQ(program.game->imgPiece[0].Tag, firstCard);
}

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");  // test discovery
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
