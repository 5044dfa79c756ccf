// Themes made of pictures: by quorvia-theme (the real program, on pictures made here with
// ImageMagick) and by dropping pictures on the board window; then played by the game.
#include "app/ThemeWalk.h"
#include "fakes/TempDir.h"
#include "main/Program.h"
#include "themetool/IcoWriter.h"
#include "themetool/PictureSquare.h"
#include "themetool/ThemeDialog.h"
#include "themetool/ThemeMaker.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <linux/filter.h>
#include <linux/seccomp.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <thread>

using namespace quorvia;
using quorvia::test::TempDir;
using namespace std::string_literals;
namespace fs = std::filesystem;

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

// The names in `folder`, sorted, each followed by a blank.
std::string namesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    std::string listing;
    for (const std::string& name : names) listing += name + ' ';
    return listing;
}

// Makes the calling thread, and the threads it starts, rename as on a file system that knows no
// renaming flags (some network and FUSE ones; FAT cannot swap two names): such a rename is
// refused as not supported, while a plain rename works.
void refuseRenamingFlags() {
    sock_filter code[] = {BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
                          BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_renameat2, 0, 1),
                          BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EINVAL),
                          BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW)};
    const sock_fprog filter = {static_cast<unsigned short>(std::size(code)), code};
    ASSERT_EQ(::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) | ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &filter), 0);
}

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
                     "convert -size 40x40 xc:red xc:blue -append -fill yellow -draw 'rectangle 0,0 9,79' "
                     "M$(printf '\\374')ller.png && "
                     "convert -size 1x4000 xc:green streifen.png")
                        .c_str());
        std::string jpeg = read("bilder/foto.jpg");
        jpeg.insert(2, kExifTurnedRight, sizeof kExifTurnedRight - 1);
        write("bilder/foto.jpg", jpeg);
        write("bilder/sub/vektor.svg",
              "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink' width='60' "
              "height='60'><rect width='60' height='30' fill='red'/><rect y='30' width='60' height='30' fill='blue'/>"
              "<rect id='m' x='48' width='12' height='60' fill='lime'/><use xlink:href='#m' y='0'/></svg>");
        write("bilder/kaputt.jpg", "kein Bild");
        write("bilder/liesmich.txt", "Urlaub");
    }
    // `count` large photos in gross/, each a different file, decoded in turn.
    void photos(int count) const {
        std::system(("mkdir " + path() + "gross && convert -size 3000x2000 gradient:red-blue " + path() + "gross/0.jpg")
                        .c_str());
        const std::string photo = read("gross/0.jpg");
        for (int i = 1; i < count; ++i) write("gross/" + std::to_string(i) + ".jpg", photo + std::to_string(i));
    }
    // Runs the tool (an installed copy keeps the player's themes in data/) and returns its status.
    // The tool needs no screen: it is run with a display platform named and no display.
    int run(const std::vector<std::string>& args, QString* output = nullptr,
            const std::string& program = "prog/quorvia-theme", QStringList wrapper = {}) const {
        QStringList list;
        for (const std::string& arg : args) list.append(q(arg));
        QProcess tool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), q(path() + "data"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        tool.setProcessEnvironment(env);
        wrapper.append(q(path() + program));
        const QString command = wrapper.takeFirst();
        tool.start(command, wrapper + list);
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

// Pictures that no two look alike: 4 x 3 blocks of random colours.
QImage differentPicture(int seed) {
    std::mt19937 random{std::uint32_t(seed)};
    QImage picture(4, 3, QImage::Format_RGB32);
    for (int p = 0; p < 12; ++p) picture.setPixel(p % 4, p / 4, random() | 0xFF000000);
    return picture.scaled(64, 48);
}

// The texts of a window's labels.
QStringList labelsOf(const QWidget& window) {
    QStringList texts;
    for (const QLabel* label : window.findChildren<QLabel*>()) texts << label->text();
    return texts;
}

// Red above blue, meeting in the middle: a square cut from the picture's centre (made by the
// tool alone: from its first row to its last).
bool upright(const QImage& face, bool toTheEdges = false) {
    const int h = face.height();
    const QColor top = face.pixelColor(face.width() / 2, toTheEdges ? 0 : h * 3 / 8);
    const QColor bottom = face.pixelColor(face.width() / 2, toTheEdges ? h - 1 : h * 5 / 8);
    return top.red() > 200 && top.blue() < 60 && bottom.blue() > 200 && bottom.red() < 60;
}

}  // namespace

TEST(ThemeTool, EveryPictureBecomesAFaceUprightAtEverySizeAndABrokenOneIsSkipped) {
    Folder dir;
    QString out;
    ASSERT_EQ(dir.run({"urlaub", dir.path() + "bilder"}, &out), 0) << out.toStdString();
    EXPECT_TRUE(out.contains(QRegularExpression(QStringLiteral(
        R"(^6 Bilder in \d+\.\d s \((?!0\.0 )\d+\.\d Bilder/s\)\nübergangen: 1 Video oder andere Datei\n)"
        R"(5 Bilder: genug für Spielfelder bis 10 Karten ohne Wiederholung\n5 Kartenbilder gemacht, übersprungen: 1, )"
        R"(Thema: \S+/prog/icons/urlaub\n6 Bilder gefunden; das Thema aus 6 wird etwa 900 KB groß\.\n)"
        R"(übersprungen: \S+/bilder/kaputt\.jpg: kein lesbares Bild \(nur 9 Bytes\)\n$)"))))
        << out.toStdString();
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
        // The header (reserved 0, an icon, six images), and each entry's width and height (0
        // for 256), palette size and reserved byte, both 0, one plane and 32 bits a pixel.
        const std::string ico = dir.read(std::string("prog/icons/urlaub/") + f.face + ".ico");
        std::string entries = ico.substr(0, 6);
        for (int k = 0; k < 6; ++k) entries += ico.substr(6 + 16 * k, 8);
        EXPECT_EQ(entries,
                  "\0\0\1\0\6\0\0\0\0\0\1\0 \0\x80\x80\0\0\1\0 \0@@\0\0\1\0 \0"
                  "00\0\0\1\0 \0  \0\0\1\0 \0\x10\x10\0\0\1\0 \0"s)
            << f.face;
        for (int size : {16, 32, 48, 64, 128, 256}) {
            ASSERT_TRUE(images.count(size)) << f.face << " " << size;
            const QImage& face = images.at(size);
            EXPECT_EQ(face.size(), QSize(size, size)) << f.face;
            EXPECT_TRUE(!f.upright || upright(face, true)) << f.face << " at " << size;
            const int alpha = face.pixelColor(size / 2, size * 3 / 4).alpha();
            EXPECT_EQ(f.translucent, alpha < 200 && alpha > 60) << f.face << " at " << size;
        }
    }
}

// The progress line: pictures done of all, the rate, and the time left to the second. From
// a face for every pair of the largest board on, the report says every board is filled. What
// a theme takes on disk, about 150 KB a face, in the unit that suits it.
TEST(ThemeTool, ProgressLineShowsRateAndTimeLeft) {
    EXPECT_EQ(themes::progressText(3, 10, 1.5), QStringLiteral("3/10  2.0 Bilder/s  noch 0:04"));
    EXPECT_EQ(themes::progressText(10, 1000, 2.0), QStringLiteral("10/1000  5.0 Bilder/s  noch 3:18"));
    EXPECT_EQ(themes::progressText(0, 5, 0.0), QStringLiteral("0/5  0.0 Bilder/s  noch 0:00"));
    EXPECT_EQ(themes::boardSizeLine(242) + u'|' + themes::boardSizeLine(243),
              QStringLiteral("242 Bilder: genug für Spielfelder bis 484 Karten ohne Wiederholung|"
                             "243 Bilder: genug für alle Spielfelder ohne Wiederholung"));
    QStringList sizes;
    for (const int faces : {6, 7, 6666, 6667, 10000}) sizes << themes::sizeText(faces);
    EXPECT_EQ(sizes.join(u'|'), QStringLiteral("etwa 900 KB|etwa 1 MB|etwa 1000 MB|etwa 1,0 GB|etwa 1,5 GB"));
}

// An icon holds 1 to 64 images, each 1 to 256 pixels a side, no two of one size; anything
// else gives no bytes and a reason, and no file.
TEST(IcoWriter, RefusesWhatNoIconHolds) {
    const auto image = [](int w, int h) { return QImage(w, h, QImage::Format_ARGB32); };
    QList<QImage> many;
    for (int side = 1; side <= 65; ++side) many << image(side, 1);
    const std::pair<QList<QImage>, bool> cases[] = {
        {{}, false},         {{image(1, 1)}, true},    {{image(256, 256), image(1, 256)}, true},
        {{QImage()}, false}, {{image(257, 9)}, false}, {{image(9, 257)}, false},
        {many, false},       {many.mid(1), true},      {{image(9, 9), image(8, 9), image(9, 9)}, false}};
    const TempDir dir;
    for (const auto& [images, fits] : cases) {
        QString error;
        EXPECT_EQ(themes::IcoWriter::encode(images, &error).isEmpty() + error.isEmpty(), 1) << images.size();
        EXPECT_EQ(error.isEmpty(), fits) << images.size() << error.toStdString();
        EXPECT_EQ(themes::IcoWriter::writeFile(q(dir.path() + "a.ico"), images) + fs::exists(dir.path() + "a.ico"),
                  2 * fits);
        fs::remove(dir.path() + "a.ico");
    }
    QString error;  // into a folder that is not there: no file, and the reason
    EXPECT_FALSE(themes::IcoWriter::writeFile(q(dir.path() + "nicht/a.ico"), {image(1, 1)}, &error));
    EXPECT_TRUE(error.startsWith(q("cannot open " + dir.path() + "nicht/a.ico: "))) << error.toStdString();
}

TEST(ThemeTool, CommandLinesInTurnMakeReplaceNestAndRefuseThemes) {
    Folder dir;
    const std::string b = dir.path() + "bilder/";
    dir.mkdir("prog/icons/.quorvia-theme-4194303-1");  // left by a run that no longer lives
    dir.mkdir("prog/.quorvia-theme-4194302-1");        // and where earlier versions worked
    const std::string working = dir.mkdir("prog/icons/.quorvia-theme-" + std::to_string(::getpid()) + "-1");  // at work
    fs::copy_file(b + "foto.jpg", b + "sub/ALPHA.png");
    fs::copy_file(b + "foto.jpg", b + " foto..jpg");  // the face's name, as readers say it: no blank first, no dot last
    const std::string longName(150, 'x');             // a face's name keeps its first 100 characters
    fs::copy_file(b + "foto.jpg", b + longName + ".jpg");
    // For --fit a wide one; progressive photos whose coefficients, kept whole by libjpeg, fit
    // into the memory the tool allows with the colour planes at a quarter's size, not beside
    // full ones.
    std::system(("cd " + b + " && convert -size 4000x400 xc:red quer.png && for s in 2x2 1x1; do convert -size " +
                 "6400x6400 xc:red -interlace JPEG -sampling-factor $s voll$s.jpg; done")
                    .c_str());
    dir.write("prog/icons/Meer/x.ico");
    dir.write("prog/icons/meer/y.ico");
    const struct {
        std::vector<std::string> args;
        int exit;
        std::string made, gone, said = {};
    } runs[] = {
        // clang-format off
        {{"urlaub", b + "alpha.png"}, 0, "icons/urlaub/alpha.ico", "icons/.quorvia-theme-4194303-1"},
        {{"urlaub", b + "foto.jpg"}, 1, "icons/urlaub/alpha.ico", "icons/urlaub/foto.ico"},
        {{"--replace", "--cover", b + "foto.jpg", "URLAUB", b + "foto.jpg"}, 0, "icons/urlaub/@.icn", "icons/urlaub/alpha.ico"},
        {{"natur\\tiere", b + "alpha.png", b + "alpha.png", b + "sub/ALPHA.png"}, 0,
         "icons/natur/tiere/ALPHA-2.ico", "icons/natur/tiere/alpha-3.ico"},
        {{"--replace", "natur", b + "alpha.png"}, 1, "icons/natur/tiere/ALPHA-2.ico", "icons/natur/alpha.ico"},
        {{"--fit", "bunt", b + "streifen.png", b + "quer.png"}, 0, "icons/bunt/quer.ico", "icons/bunt/streifen-2.ico"},
        {{"voll", b + "voll2x2.jpg", b + "voll1x1.jpg"}, 0, "icons/voll/voll2x2.ico", "icons/voll/voll1x1.ico",
         "übersprungen: " + b + "voll1x1.jpg: zu groß (6400 x 6400 Pixel)\n"},
        {{"leer", b + "kaputt.jpg"}, 1, "icons", "icons/leer"},
        {{"blank", b + " foto..jpg"}, 0, "icons/blank/foto.ico", "icons/blank/oto.ico"},
        {{"lang", b + longName + ".jpg"}, 0, "icons/lang/" + longName.substr(50) + ".ico", "icons/lang/" + longName + ".ico"},
        // The theme the game would pick: the exact spelling first, else the first in name order.
        {{"--replace", "meer", b + "foto.jpg"}, 0, "icons/meer/foto.ico", "icons/meer/y.ico"},
        {{"--replace", "MEER", b + "alpha.png"}, 0, "icons/Meer/alpha.ico", "icons/Meer/x.ico"},
        // Names the game could never list or store.
        {{".urlaub", b + "alpha.png"}, 1, "icons", "icons/.urlaub"},
        {{"zwei\nZeilen", b + "alpha.png"}, 1, "icons", "icons/zwei\nZeilen"},
        {{"nichts"}, 2, "icons", "icons/nichts"},
        {{"@", b + "alpha.png"}, 1, "icons", "icons/@/alpha.ico"},  // the card backs' folder; below the top, a name
        {{"natur/@", b + "alpha.png"}, 0, "icons/natur/@/alpha.ico", "icons/@/alpha.ico"},
        // Options, and after "--" names that look like one.
        {{"--help", "hilfe", b + "alpha.png"}, 0, "icons", "icons/hilfe", "Aufruf: quorvia-theme [OPTION]... NAME BILD-ODER-ORDNER...\n"},
        {{"--version"}, 0, "icons", "icons/--version", "quorvia-theme " QUORVIA_VERSION "\n"},
        {{"-x", "x", b + "alpha.png"}, 2, "icons", "icons/x", "quorvia-theme: unbekannte Option -x\n„quorvia-theme --help“"},
        {{"--", "-minus", b + "alpha.png"}, 0, "icons/-minus/alpha.ico", "icons/--"},
        // clang-format on
    };
    for (const auto& r : runs) {
        QString out;
        EXPECT_EQ(dir.run(r.args, &out), r.exit) << r.args.front() << "\n" << out.toStdString();
        EXPECT_TRUE(out.contains(q(r.said))) << r.args.front() << "\n" << out.toStdString();
        EXPECT_TRUE(dir.exists(std::string("prog/") + r.made)) << r.made;
        EXPECT_FALSE(dir.exists(std::string("prog/") + r.gone)) << r.gone;
    }
    EXPECT_TRUE(fs::exists(working) && !dir.exists("prog/.quorvia-theme-4194302-1"));
    QString out;  // a card back that cannot be made is named; the faces are made all the same
    EXPECT_EQ(dir.run({"--cover", b + "kaputt.jpg", "ruecken", b + "alpha.png"}, &out), 0);
    EXPECT_TRUE(dir.exists("prog/icons/ruecken/alpha.ico") && !dir.exists("prog/icons/ruecken/@.icn"));
    EXPECT_TRUE(out.contains(QStringLiteral("kein Kartenrücken: ") + q(b + "kaputt.jpg"))) << out.toStdString();
    // On a terminal, a bar of 30 marks fills up as the pictures are done.
    std::system(
        ("cd " + b + " && script -qec '../prog/quorvia-theme balken alpha.png foto.jpg' /dev/null >bar").c_str());
    EXPECT_NE(dir.read("bilder/bar").find("\r[" + std::string(15, '#') + std::string(15, '-') + "] 1/2  "),
              std::string::npos);
    EXPECT_NE(dir.read("bilder/bar").find("\r[" + std::string(30, '#') + "] 2/2  "), std::string::npos);
    // A name that is not UTF-8 is read as the face names are: as Windows-1252.
    EXPECT_EQ(
        std::system(("cd " + b + " && ../prog/quorvia-theme M$(printf '\\374')ller alpha.png >/dev/null").c_str()), 0);
    EXPECT_TRUE(dir.exists("prog/icons/M\xC3\xBCller/alpha.ico"));
    // --fit shows the whole 1 x 4000 strip: a green line down the middle on the panel's colour.
    const QImage fitted = sizesOf(dir.path() + "prog/icons/bunt/streifen.ico").at(256);
    EXPECT_EQ(fitted.pixelColor(127, 128), QColor(0, 128, 0));
    EXPECT_EQ(fitted.pixelColor(20, 128), QApplication::palette().color(QPalette::Button));
    EXPECT_EQ(fitted.pixelColor(128, 128), QApplication::palette().color(QPalette::Button));  // one pixel wide
    EXPECT_EQ(sizesOf(dir.path() + "prog/icons/bunt/quer.ico").at(256).pixelColor(128, 127), QColor(255, 0, 0));
    // An installed game's tool puts its themes into the player's themes folder.
    dir.mkdir("share/games/quorvia/icons");
    fs::copy_file(QUORVIA_THEME_TOOL, dir.mkdir("games") + "/quorvia-theme");
    EXPECT_EQ(dir.run({"urlaub", b + "alpha.png"}, &out, "games/quorvia-theme"), 0);
    EXPECT_TRUE(out.contains(QStringLiteral("1 Bild gefunden; das Thema aus 1 wird etwa 150 KB groß.")) &&
                out.startsWith(QStringLiteral("1 Bild in ")) &&
                out.contains(QStringLiteral("\n1 Kartenbild gemacht, ")))
        << out.toStdString();
    EXPECT_TRUE(dir.exists("data/quorvia/icons/urlaub/alpha.ico"));
}

// Whatever a folder holds, the tool reads each picture once, names each one it skips and
// why, and finishes within its memory: links into loops, a pipe and a dangling link named
// like pictures (a pipe named otherwise is passed over as no file), a folder it may not
// read, bombs of the formats it reads (under their own names and under another), an SVG
// drawing a pipe, a format it does not read, two empty files (no copies of each other) and a
// JPEG cut off after three bytes.
TEST(ThemeTool, HostileFoldersAndPicturesAreSkippedWithTheirReason) {
    Folder dir;
    const std::string b = dir.path() + "bilder/";
    fs::create_directory_symlink(".", b + "selbst");
    fs::create_directory_symlink("..", b + "sub/hoch");
    fs::create_symlink("kreis.png", b + "kreis.png");
    fs::create_symlink("nirgends", b + "weg.jpg");
    ASSERT_EQ(::mkfifo((b + "pipe.jpg").c_str(), 0644) + ::mkfifo((b + "rohr").c_str(), 0644), 0);
    for (const char* empty : {"leer.jpg", "leer.png"}) dir.write(std::string("bilder/") + empty);  // no copies
    dir.write("bilder/kurz.jpg", "\xFF\xD8\xFF");
    dir.write("bilder/zu/bild.png", dir.read("bilder/alpha.png"));
    // Progressive JPEGs that claim 45000 x 45000 pixels (too many even at 1/8 of the size) and
    // 4608 x 17920 (whose coefficients, kept whole by libjpeg, take 158 MiB); a sequential one
    // of that size is read at 1/8 of it. Packed SVGs of 100 MiB and of exactly 8 MiB, still read
    // (its blanks fill 8 MiB less the 65 bytes of text before them and the 9 after).
    std::system(("cd " + b +
                 " && convert -size 16x16 xc:red -interlace JPEG -colorspace gray klein.jpg && "
                 "convert -size 16x16 xc:blue -colorspace gray folge.jpg && "
                 "svgz() { (printf '<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"9\" height=\"9\"><!--'; "
                 "head -c $1 /dev/zero | tr '\\0' ' '; printf -- '--></svg>') | gzip > $2; } && "
                 "svgz 104857600 riesig.svgz && svgz $((8388608 - 65 - 9)) grenze.svgz && "
                 "convert -size 9x9 xc:red tiff:tiff.png")
                    .c_str());
    std::string bomb = dir.read("bilder/klein.jpg");
    const std::size_t frame = bomb.find("\xFF\xC2");
    ASSERT_NE(frame, std::string::npos);
    bomb.replace(frame + 5, 4, "\x46\0\x12\0"s);
    dir.write("bilder/koeff.jpg", bomb);
    std::string sequential = dir.read("bilder/folge.jpg");
    dir.write("bilder/folge.jpg", sequential.replace(sequential.find("\xFF\xC0") + 5, 4, "\x46\0\x12\0"s));
    bomb.replace(frame + 5, 4, "\xAF\xC8\xAF\xC8");
    dir.write("bilder/bombe.jpg", bomb);
    dir.write("bilder/bombe.png", bomb);
    fs::remove(b + "klein.jpg");
    dir.write("bilder/zeigt.svg",
              "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink' width='9' "
              "height='9'><image id='a>b' xlink:href='" +
                  b + "pipe.jpg' width='9' height='9'/></svg>");
    // Run without the right to read everything (root reads any folder), so that `zu` is shut.
    QStringList unprivileged;
    if (::geteuid() == 0) {
        unprivileged = QStringLiteral("setpriv --reuid=65534 --regid=65534 --clear-groups").split(u' ');
    }
    fs::permissions(dir.path(), fs::perms::all);
    fs::permissions(dir.path() + "prog/icons", fs::perms::all);
    fs::permissions(b + "zu", fs::perms::none);

    QString out;
    ASSERT_EQ(dir.run({"feind", dir.path() + "bilder"}, &out, "prog/quorvia-theme", unprivileged), 0);
    fs::permissions(b + "zu", fs::perms::all);
    const char* lines[] = {
        "übersprungen: {}kreis.png: Verweis im Kreis",
        "übersprungen: {}weg.jpg: Verweis ins Leere",
        "übersprungen: {}pipe.jpg: keine Bilddatei, sondern eine Pipe",
        "übersprungen: {}zu: Ordner nicht lesbar (keine Berechtigung)",
        "übersprungen: {}bombe.jpg: zu groß (45000 x 45000 Pixel)",
        "übersprungen: {}bombe.png: zu groß (45000 x 45000 Pixel)",
        "übersprungen: {}koeff.jpg: zu groß (4608 x 17920 Pixel)",
        "übersprungen: {}riesig.svgz: zu groß (SVG entpackt über 8 MiB)",
        "übersprungen: {}zeigt.svg: SVG zeigt andere Dateien",
        "übersprungen: {}tiff.png: kein unterstütztes Bildformat (tiff)",
        "übersprungen: {}leer.jpg: kein lesbares Bild (leere Datei)",
        "übersprungen: {}leer.png: kein lesbares Bild (leere Datei)",
        "übersprungen: {}kurz.jpg: kein lesbares Bild (nur 3 Bytes)",
        "übergangen: {}selbst: derselbe Ordner wie {}, schon gelesen",
        "übergangen: {}sub/hoch: derselbe Ordner wie {}, schon gelesen",
        "übergangen: 1 Video oder andere Datei",  // the text file; a pipe without a picture's name is no file
        "7 Kartenbilder gemacht, übersprungen: 14,",
    };
    for (const char* line : lines) {
        const QString wanted =
            QString::fromUtf8(line).replace(QStringLiteral("{}"), q(b)).replace(q(b + ","), q(dir.path() + "bilder,"));
        EXPECT_TRUE(out.contains(wanted)) << wanted.toStdString() << "\n" << out.toStdString();
    }
#ifndef __SANITIZE_ADDRESS__  // the sanitizer's own memory would count
    struct rusage usage = {};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    EXPECT_LT(usage.ru_maxrss, 200 * 1024) << "peak kB of the largest child";
#endif
}

// --replace swaps the old theme for the new one in one step, so a game dealing from it never
// finds it missing; also where icons/ lies on another file system than the program.
TEST(ThemeTool, ReplacingSwapsTheWholeThemeInOneStepOnAnyFileSystem) {
    Folder dir;
    // icons/ links to a folder on another file system, the memory one of /dev/shm.
    const std::string icons = ::mkdtemp(std::string("/dev/shm/quorvia-XXXXXX").data());
    fs::remove(dir.path() + "prog/icons");
    fs::create_directory_symlink(icons, dir.path() + "prog/icons");
    ASSERT_EQ(dir.run({"urlaub", dir.path() + "bilder/alpha.png"}), 0);
    std::atomic<bool> running = true;
    std::atomic<int> missing = 0;
    std::thread watcher([&] {
        while (running) missing += !fs::is_directory(icons + "/urlaub");
    });
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(dir.run({"--replace", "urlaub", dir.path() + "bilder/" + (i % 2 ? "alpha.png" : "foto.jpg")}), 0);
    running = false;
    watcher.join();
    EXPECT_EQ(missing, 0);
    EXPECT_EQ(namesIn(icons + "/urlaub"), "alpha.ico ");
    fs::remove_all(icons);
}

// Two workers make faces side by side. The card back is made after the faces: a stop that comes
// meanwhile still stops the run, and a card back that fails is reported as such, not counted
// among the pictures. Where two folders cannot be swapped (FAT, as on a USB stick), a theme is
// replaced all the same: the old one leaves first.
TEST(ThemeTool, TheCardBackIsNeitherAPictureNorPastAStop) {
    Folder dir;
    themes::ThemeRequest request;
    request.name = QStringLiteral("urlaub");
    request.inputs = {dir.path() + "bilder/alpha.png", dir.path() + "bilder/foto.jpg"};
    request.themesFolder = dir.path() + "prog/icons";
    request.cover = dir.path() + "bilder/kaputt.jpg";
    request.workers = 2;  // while the first face is told, the second worker is there
    const auto threads = [] { return std::distance(fs::directory_iterator("/proc/self/task"), {}); };
    const auto alone = threads();
    long during = 0;
    auto report = themes::makeTheme(request, [&](int done, int) { during = done == 1 ? threads() : during; });
    EXPECT_EQ(during, alone + 1);
    EXPECT_EQ(std::tuple(report.made, report.pictures, report.skipped.size()), std::tuple(2, 2, 0));
    EXPECT_TRUE(report.coverError.startsWith(q(dir.path() + "bilder/kaputt.jpg: kein lesbares Bild")))
        << report.coverError.toStdString();

    std::atomic<bool> stop = false;
    request.name = QStringLiteral("halb");
    request.cover = dir.path() + "bilder/foto.jpg";
    const auto stopAtTheLast = [&](int done, int total) { stop = done == total; };
    report = themes::makeTheme(request, stopAtTheLast, &stop);
    EXPECT_TRUE(report.cancelled);
    EXPECT_EQ(namesIn(dir.path() + "prog/icons"), "urlaub ");

    request.name = QStringLiteral("urlaub");
    request.replace = true;
    request.inputs.resize(1);  // alpha.png
    std::thread([&] { refuseRenamingFlags(), themes::makeTheme(request); }).join();
    EXPECT_EQ(namesIn(dir.path() + "prog/icons") + namesIn(dir.path() + "prog/icons/urlaub"),
              "urlaub @.icn alpha.ico ");
}

// A photo's date from its EXIF data, in either byte order, behind other entries or not: its
// date of taking, else the date of its last change.
TEST(ThemeTool, APhotoIsDatedByItsExifData) {
    TempDir dir;
    for (const std::string& tiff :
         {"II*\0\x08\0\0\0\x01\0\x32\x01\x02\0\x14\0\0\0\x1a\0\0\0\0\0\0\0"s,
          "MM\0*\0\0\0\x08\0\x02\x01\0\0\x03\0\0\0\x01\0\x01\0\0\x01\x32\0\x02\0\0\0\x14\0\0\0\x26\0\0\0\0"s,
          "II*\0\x08\0\0\0\x02\0\x32\x01\x02\0\x14\0\0\0\x38\0\0\0\x69\x87\x04\0\x01\0\0\0\x26\0\0\0\0\0\0\0"
          "\x01\0\x03\x90\x02\0\x14\0\0\0\x4c\0\0\0\0\0\0\0"
          "1999:12:31 23:59:59\0"s}) {
        const std::string exif = "Exif\0\0"s + tiff + "2021:05:06 07:08:09";
        dir.write("a.jpg", "\xFF\xD8\xFF\xE1" + std::string{'\0', char(exif.size() + 3)} + exif + '\0' + "\xFF\xDA");
        EXPECT_EQ(themes::dateTaken(dir.path() + "a.jpg"), QStringLiteral("2021:05:06 07:08:09")) << tiff.substr(0, 2);
    }
}

// Folders as phones leave them become themes of their photos, the right way up. An iPhone's:
// HEIC turned or mirrored by its container, one stored in tiles (a grid, cut to its size,
// turned and mirrored), one made from its thumbnail (its own data lost, which a face of 256
// pixels does not need), one of 12 megapixels without a thumbnail (decoded within the
// memory), a Live Photo's video and an edit sidecar, an edited twin made once (the one taken
// first, by the date in the HEIC). An Android phone's: a motion photo (a JPEG with a video
// behind it), AVIF, a video, a bin and thumbnails (hidden, left out), a twin taken first.
TEST(ThemeTool, PhoneFoldersBecomeThemesOfTheirPhotosTheRightWayUp) {
    Folder dir;
    const std::string p = dir.mkdir("iphone") + "/";
    dir.mkdir("android");
    // Upright pictures are red above blue, each with a mark of its own; the HEIC ones are
    // stored turned or mirrored and say so in their container, as phones store them.
    const char* script = R"(
        upright() { convert -size 120x45 xc:red xc:blue -append -fill $1 -draw "rectangle $2" "$3"; }
        upright yellow 20,0,45,89 a.png && upright lime 75,0,100,89 b.png && upright white 0,0,119,12 c.png
        upright cyan 20,60,100,70 ../android/PXL_1.MP.jpg && printf '\0\0\0\030ftypisom' >> ../android/PXL_1.MP.jpg
        upright magenta 20,0,60,20 '../android/DSC_0001 Köln.jpg'
        convert '../android/DSC_0001 Köln.jpg' -quality 70 ../android/DSC_0002.jpg
        convert a.png -rotate 90 s1.jpg && heif-enc -q 90 s1.jpg -o s1.heic && heif turn s1.heic IMG_0001.HEIC 1
        convert a.png -modulate 110 s2.jpg
        convert b.png -flip s3.jpg && heif-enc s3.jpg -o s3.heic && heif turn s3.heic IMG_0002.HEIC 0 0
        convert c.png s4.jpg && heif-enc -A s4.jpg -o ../android/PXL_2.AVIF && rm [abc].png s[134].*
        upright purple 0,30,40,60 d.png && convert d.png +repage -flop -rotate 90 -background gray -extent 128x128 \
          +repage -crop 64x64 +repage d%d.jpg && for i in 0 1 2 3; do heif-enc d$i.jpg -o d$i.heic; done
        heif grid IMG_0003.HEIC 2 2 90 120 1/1 d?.heic && rm d*
        upright orange 0,80,119,89 e.png && convert e.png +repage -resize 640x480! e.jpg
        heif-enc -t 320 e.jpg -o e.heic && heif cut e.heic IMG_0005.HEIC && rm e.*
        convert -size 8x1 xc:black xc:white +append -write mpr:s +delete -size 1024x768 tile:mpr:s s5.jpg
        heif-enc -t 64 s5.jpg -o IMG_0004.HEIC && rm s5.jpg
        upright cyan 90,0,119,89 f.png && convert f.png -resize 4032x3024! f.jpg
        heif-enc -p preset=ultrafast f.jpg -o IMG_0006.HEIC && rm f.*)";
    std::system(
        ("cd " + p + " && heif() { python3 " QUORVIA_TEST_SOURCE "/../../tools/phone-heif \"$@\"; } && " + script)
            .c_str());
    dir.write("iphone/IMG_0001.MOV", "\0\0\0\024ftypqt  \0\0\0\0"s);
    dir.write("iphone/IMG_0001.AAE", "<?xml version='1.0'?><plist/>");
    dir.write("android/VID_1.mp4", "\0\0\0\030ftypisom\0\0\0\0"s);
    dir.write("android/Thumbs.db", "x");
    // The second of two twins was taken first, says its EXIF data (DateTimeOriginal, 2019): the
    // JPEG's own, and the edited HEIC's, which keeps that of the JPEG it is made from, stored
    // behind "Exif\0\0" as iPhones store it.
    for (const char* twin : {"android/DSC_0002.jpg", "iphone/s2.jpg"}) {
        std::string taken = dir.read(twin);
        taken.insert(2,
                     "\xFF\xE1\0\x48"
                     "Exif\0\0MM\0*\0\0\0\x08\0\x01\x87\x69\0\x04\0\0\0\x01\0\0\0\x1A\0\0\0\0"
                     "\0\x01\x90\x03\0\x02\0\0\0\x14\0\0\0\x2C\0\0\0\0"
                     "2019:05:01 12:00:00\0\0"s);
        dir.write(twin, taken);
    }
    std::system(("cd " + p +
                 " && heif-enc -q 70 s2.jpg -o s2.heic >/dev/null && " QUORVIA_TEST_SOURCE
                 "/../../tools/phone-heif exif s2.heic IMG_E0001.HEIC && rm s2.*")
                    .c_str());
    dir.write("android/.trashed-1700000000-PXL_0.jpg", dir.read("android/PXL_1.MP.jpg"));
    dir.write("android/.thumbnails/1.jpg", dir.read("android/PXL_1.MP.jpg"));
    const struct {
        std::string phone;
        std::vector<const char*> lines, faces;
    } phones[] = {
        {"iphone",
         {"zusammengefasst: {}IMG_0001.HEIC: sieht aus wie {}IMG_E0001.HEIC", "übergangen: 2 Videos und andere Dateien",
          "6 Kartenbilder gemacht, übersprungen: 0"},
         {"IMG_E0001", "IMG_0002", "IMG_0003", "IMG_0005", "IMG_0006"}},
        {"android",
         {"zusammengefasst: {}DSC_0001 Köln.jpg: sieht aus wie {}DSC_0002.jpg",
          "übergangen: 2 Videos und andere Dateien", "3 Kartenbilder gemacht, übersprungen: 0"},
         {"PXL_1.MP", "PXL_2", "DSC_0002"}},
    };
    for (const auto& [phone, lines, faces] : phones) {
        QString out;
        ASSERT_EQ(dir.run({phone, dir.path() + phone + "/"}, &out), 0) << out.toStdString();
        for (const char* line : lines) {
            const QString wanted = QString::fromUtf8(line).replace(QStringLiteral("{}"), q(dir.path() + phone + "/"));
            EXPECT_TRUE(out.contains(wanted) && out.contains(QStringLiteral("zusammengefasst: 1 fast gleiches Bild")))
                << line << "\n"
                << out.toStdString();
        }
        for (const char* face : faces)
            EXPECT_TRUE(upright(sizesOf(dir.path() + "prog/icons/" + phone + "/" + face + ".ico")[64])) << face;
    }
    // The tiled one put together in its place: the purple mark on the left, across red and blue.
    const QImage tiled = sizesOf(dir.path() + "prog/icons/iphone/IMG_0003.ico").at(256);
    const std::pair<QPoint, QColor> marks[] = {{{30, 100}, QColor(128, 0, 128)},
                                               {{30, 160}, QColor(128, 0, 128)},
                                               {{120, 100}, Qt::red},
                                               {{200, 160}, Qt::blue}};
    for (const auto& [at, colour] : marks) {
        const QColor got = tiled.pixelColor(at);
        EXPECT_LT(std::abs(got.red() - colour.red()) + std::abs(got.green() - colour.green()) +
                      std::abs(got.blue() - colour.blue()),
                  90)
            << at.x() << "," << at.y() << ": " << got.name().toStdString();
    }
    // Stripes 8 pixels wide, which a thumbnail of 64 pixels cannot show: made from the picture.
    const QImage stripes = sizesOf(dir.path() + "prog/icons/iphone/IMG_0004.ico").at(256);
    std::vector<int> row;
    for (int x = 0; x < 256; ++x) row.push_back(qGray(stripes.pixel(x, 128)));
    const auto [dark, light] = std::minmax_element(row.begin(), row.end());
    EXPECT_GT(*light - *dark, 100);
}

// A picture stored in tiles (as HEIF stores large photos), cut at its right and bottom, then
// turned and mirrored: its face is the one of the whole picture upright, made from the tiles
// the face shows. A tile that cannot be decoded fails the picture.
TEST(ThemeTool, ATiledPictureIsPutTogetherFromTheTilesTheFaceShows) {
    using Step = themes::TiledPicture::Step;
    TempDir dir;  // red above blue, a purple mark left, a green one top right
    std::system(("cd " + dir.path() + " && convert -size 202x60 xc:red xc:blue -append -fill purple -draw " +
                 "'rectangle 30,35 79,84' -fill lime -draw 'rectangle 150,10 179,34' whole.png")
                    .c_str());
    const QImage upright(QString::fromStdString(dir.path() + "whole.png"));
    const std::vector<Step> ways[] = {{},
                                      {Step::TurnLeft},
                                      {Step::TurnLeft, Step::MirrorLeftRight},
                                      {Step::MirrorTopBottom},
                                      {Step::TurnLeft, Step::TurnLeft, Step::TurnLeft}};
    for (const auto& steps : ways) {
        QImage stored = upright;  // the steps undone, last first
        for (auto step = steps.rbegin(); step != steps.rend(); ++step) {
            stored = *step == Step::TurnLeft
                         ? stored.transformed(QTransform().rotate(90))
                         : stored.mirrored(*step == Step::MirrorLeftRight, *step == Step::MirrorTopBottom);
        }
        const int columns = (stored.width() + 31) / 32, rows = (stored.height() + 31) / 32;
        QImage grid(columns * 32, rows * 32, QImage::Format_RGB32);
        grid.fill(Qt::gray);
        QPainter(&grid).drawImage(0, 0, stored);
        for (const bool fit : {false, true}) {
            int decoded = 0;
            const themes::TiledPicture picture{stored.size(), QSize(32, 32), columns, rows, steps, [&](int c, int r) {
                                                   ++decoded;
                                                   return grid.copy(c * 32, r * 32, 32, 32);
                                               }};
            themes::PixelBudget budget;
            QString why;
            const QImage face = themes::tiledSquareOf(picture, 48, fit, Qt::white, budget, &why).value_or(QImage());
            const QImage whole = themes::squareOf(dir.path() + "whole.png", 48, fit, Qt::white, budget, &why);
            ASSERT_EQ(face.size(), QSize(48, 48)) << steps.size() << fit;
            double off = 0;
            for (int p = 0; p < 48 * 48; ++p) {
                const QRgb a = face.pixel(p % 48, p / 48), b = whole.pixel(p % 48, p / 48);
                off += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
            }
            EXPECT_LT(off / (48 * 48), 12) << steps.size() << " steps, fit " << fit;
            // The square in the middle ends one pixel into a tile: it lies in 5 of the 7 tiles across.
            EXPECT_EQ(decoded, fit ? 28 : 20) << steps.size() << " steps, fit " << fit;
        }
    }
    themes::PixelBudget budget;
    QString why;
    // 16384 x 16384 in 1024 tiles: put together whole (or at a third) it would not fit the
    // memory; from tiles halved seven times it does.
    QImage red(512, 512, QImage::Format_RGB32);
    red.fill(Qt::red);
    const themes::TiledPicture large{QSize(16384, 16384), QSize(512, 512), 32, 32, {}, [&](int, int) { return red; }};
    const QImage face = themes::tiledSquareOf(large, 48, false, Qt::white, budget, &why).value_or(QImage());
    EXPECT_EQ(face.convertToFormat(QImage::Format_RGB32), red.copy(0, 0, 48, 48));  // red to the edges
    const themes::TiledPicture broken{QSize(64, 64), QSize(32, 32), 2, 2, {}, [](int, int) { return QImage(); }};
    EXPECT_TRUE(themes::tiledSquareOf(broken, 64, false, Qt::white, budget, &why)
                    .value_or(QImage(1, 1, QImage::Format_RGB32))
                    .isNull());
    EXPECT_FALSE(why.isEmpty());
    for (const QSize tile : {QSize(0, 32), QSize(32, 0)})  // tiles of no size, as a hostile file may claim
        EXPECT_FALSE(
            themes::tiledSquareOf({QSize(64, 64), tile, 2, 2, {}, broken.decode}, 64, false, Qt::white, budget, &why));
}

// A burst of one photo (moved by a few pixels, saved again at quality 30, 10 % brighter) becomes
// one face; what a careless hash would take for it stays apart: the photo mirrored, and a red
// disc beside a red square on the same blue. The same on real footage (Debian's OpenCV
// examples): two frames of a video a moment apart are one face, while what a player tells
// apart at card size stays apart: a desk with the board held elsewhere, a book with a sticker.
// A disc on a clear ground and the same disc on the panel's colour are one face, as cards show them.
TEST(ThemeTool, ABurstIsOneFaceAndLookAlikesOfOtherShapesStayApart) {
    Folder dir;
    const std::string serie = dir.mkdir("serie"),
                      panel = QApplication::palette().color(QPalette::Button).name().toStdString();
    for (const char* real : {"basketball1.png", "basketball2.png", "rubberwhale1.png", "rubberwhale2.png", "left01.jpg",
                             "left02.jpg", "ela_original.jpg", "ela_modified.jpg"})
        fs::copy_file(std::string("/usr/share/doc/opencv-doc/examples/data/") + real, serie + "/" + real);
    std::system(
        ("cd " + serie +
         " && convert -seed 7 -size 640x480 plasma: a.jpg && convert a.jpg -crop 634x476+6+4 b.jpg && "
         "convert a.jpg -quality 30 c.jpg && convert a.jpg -modulate 110 d.jpg && convert a.jpg -flop e.jpg && "
         "convert -size 300x300 xc:blue -fill red -draw 'circle 150,150 150,60' f.png && "
         "convert -size 300x300 xc:blue -fill red -draw 'rectangle 70,70 230,230' g.png && "
         "convert -size 300x300 xc:none -fill red -draw 'circle 150,150 150,60' h.png && convert h.png -background '" +
         panel + "' -flatten j.png")
            .c_str());
    QString out;
    ASSERT_EQ(dir.run({"serie", dir.path() + "serie"}, &out), 0);
    EXPECT_EQ(namesIn(dir.path() + "prog/icons/serie"),
              "a.ico basketball1.ico e.ico ela_modified.ico ela_original.ico f.ico g.ico h.ico left01.ico left02.ico "
              "rubberwhale1.ico ")
        << out.toStdString();
}

TEST(ThemeTool, ALargeFolderWaitsForAllOrASelectionSpreadByDate) {
    Folder dir;
    dir.mkdir("gross");
    for (int i = 0; i < 501; ++i) {  // taken in the reverse order of their names, two in the same second
        const QString name = q(dir.path() + "gross/") + QStringLiteral("%1.png").arg(i, 3, 10, QChar(u'0'));
        differentPicture(i).save(name);
        const struct timeval times[2] = {{1700000000 - i / 2, 0}, {1700000000 - i / 2, 0}};
        ::utimes(name.toLocal8Bit().constData(), times);
    }
    QString out;
    EXPECT_EQ(dir.run({"gross", dir.path() + "gross"}, &out), 2);
    EXPECT_TRUE(out.contains(QStringLiteral("501 Bilder gefunden; das Thema aus 501 wird etwa 75 MB groß.")))
        << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("mehr als 500 Bilder: --alle (etwa 75 MB) oder --auswahl N wählen")));
    EXPECT_FALSE(dir.exists("prog/icons/gross"));
    EXPECT_EQ(dir.run({"--auswahl", "3", "gross", dir.path() + "gross"}, &out), 0) << out.toStdString();
    EXPECT_EQ(namesIn(dir.path() + "prog/icons/gross"), "167.ico 332.ico 500.ico ");  // twins in name order
    EXPECT_EQ(dir.run({"--auswahl", "1", "eins", dir.path() + "gross"}), 0);          // the smallest selection
    EXPECT_EQ(namesIn(dir.path() + "prog/icons/eins"), "500.ico ");                   // the first taken

    ThemeDialog dialog({dir.path() + "gross"}, dir.path() + "prog/icons");
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.allChoice()->isVisibleTo(&dialog); }, 20000));
    EXPECT_EQ(dialog.allChoice()->text(), QStringLiteral("Alle 501 Bilder (etwa 75 MB)"));
    dialog.show();  // the choice of all above that of a selection, both at the left, as the texts are
    const QRect all = dialog.allChoice()->geometry(), some = dialog.selectionChoice()->geometry();
    EXPECT_TRUE(all.bottom() < some.top() && all.left() == some.left() &&
                dialog.allChoice()->mapTo(&dialog, QPoint()).x() == dialog.findChild<QLabel*>()->x())
        << all.y() << " " << some.y();
    EXPECT_TRUE(dialog.selectionChoice()->isChecked());
    EXPECT_EQ(dialog.selectionSize()->value(), 243);
    dialog.selectionSize()->setValue(2);
    EXPECT_TRUE(labelsOf(dialog).contains(QStringLiteral("Bildern (etwa 300 KB)")));
    dialog.nameEdit()->setText(QStringLiteral("zwei"));
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.report().made > 0; }, 20000));
    EXPECT_EQ(dialog.report().made, 2);
    // 500 pictures are no large folder yet: all of them, without a choice.
    fs::remove(dir.path() + "gross/000.png");
    ThemeDialog five({dir.path() + "gross"}, dir.path() + "prog/icons");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return five.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->isEnabled(); }, 20000));
    EXPECT_FALSE(five.allChoice()->isVisibleTo(&five));
}

// Stopped while faces are made, and while one drawing of many thousand shapes is still being
// drawn half a second after the stop: the tool ends as the signal asks either way.
TEST(ThemeTool, ARunStoppedMidwayLeavesNoFolderBehind) {
    Folder dir;
    dir.photos(300);
    std::string shapes;
    for (int i = 0; i < 30000; ++i) shapes += "<polygon points='0,0 200,90 3,200 150,9' fill-opacity='0.5'/>";
    dir.write("langsam/viele.svg",
              "<svg xmlns='http://www.w3.org/2000/svg' width='200' height='200'>" + shapes + "</svg>");
    for (const auto& [folder, aFace] : {std::pair{"gross", true}, {"langsam", false}}) {
        QProcess tool;
        tool.start(q(dir.path() + "prog/quorvia-theme"), {QStringLiteral("neu"), q(dir.path() + folder)});
        auto working = [&, aFace = aFace] {  // the hidden work folder is there (and holds a first face)
            std::error_code ec;
            for (const auto& e : fs::directory_iterator(dir.path() + "prog/icons", ec))
                if (e.path().filename().string().front() == '.' && (!aFace || !fs::is_empty(e.path(), ec))) return true;
            return false;
        };
        ASSERT_TRUE(QTest::qWaitFor(working, 20000)) << folder;
        ::kill(pid_t(tool.processId()), SIGTERM);
        ASSERT_TRUE(tool.waitForFinished(20000));
        EXPECT_EQ(tool.exitStatus(), QProcess::CrashExit) << folder;
        std::set<std::string> left;
        for (const auto& e : fs::recursive_directory_iterator(dir.path() + "prog"))
            left.insert(e.path().filename().string());
        EXPECT_EQ(left, (std::set<std::string>{"icons", "quorvia-theme"})) << folder;
    }
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

    auto dropped = [&](const std::string& path) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(q(path))});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(program.window.get(), &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(program.window.get(), &drop);
        EXPECT_TRUE(drop.isAccepted());  // else the dragging program shows the drop as refused
        const auto dialogs = program.window->findChildren<ThemeDialog*>();
        return dialogs.isEmpty() ? nullptr : dialogs.back();
    };
    // A link into itself: the dialog finds no picture and says why.
    fs::create_symlink("kreis", dir.path() + "kreis");
    ThemeDialog* loop = dropped(dir.path() + "kreis");
    ASSERT_TRUE(loop);
    QPushButton* makeLoop = loop->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    ASSERT_TRUE(QTest::qWaitFor([&] { return makeLoop->isEnabled(); }, 20000));  // once counted, as a player must wait
    makeLoop->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !loop->working(); }, 30000));
    EXPECT_TRUE(labelsOf(*loop).contains(QStringLiteral("Keine Bilder gefunden")));
    EXPECT_EQ(loop->report().skipped, QStringList{q(dir.path() + "kreis: Verweis im Kreis")});
    EXPECT_TRUE(loop->nameEdit()->isEnabled() && makeLoop->isEnabled());  // to try another name
    loop->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
    EXPECT_FALSE(loop->isVisible());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    ThemeDialog* dialog = dropped(dir.path() + "bilder");
    ASSERT_TRUE(dialog && dialog->isVisible());
    auto* details = dialog->findChild<QPlainTextEdit*>();  // the list of pictures skipped, once there is one
    EXPECT_FALSE(details->isVisible());
    EXPECT_EQ(dialog->nameEdit()->text(), QStringLiteral("bilder"));
    QPushButton* make = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    ASSERT_TRUE(QTest::qWaitFor([&] { return make->isEnabled(); }, 20000));  // once the pictures are counted
    EXPECT_TRUE(labelsOf(*dialog).contains(QStringLiteral("6 Bilder; das Thema aus allen wird etwa 900 KB groß.")) &&
                labelsOf(*dialog).contains(QStringLiteral("Name des Themas:")));
    make->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog->working(); }, 30000));
    EXPECT_EQ(dialog->report().made, 5);
    EXPECT_TRUE(
        labelsOf(*dialog).contains(QStringLiteral("5 Karten gemacht, übersprungen: 1.\nübergangen: 1 Video oder "
                                                  "andere Datei\n5 Bilder: genug für Spielfelder bis 10 Karten "
                                                  "ohne Wiederholung")));
    EXPECT_TRUE(details->isVisible() && details->isReadOnly() &&
                details->toPlainText().startsWith(QStringLiteral("Übersprungen:\n")));
    EXPECT_EQ(dialog->findChild<QProgressBar*>()->text(), QStringLiteral("6 / 6 Bilder"));

    EXPECT_EQ(ThemeWalk().ScanIconFolders(dir.path() + "prog/icons"), (std::vector<std::string>{"BILDER", "QUORVIA"}));
    EXPECT_EQ(dir.read("prog/Quorvia.ini"), ini);
    EXPECT_EQ(program.game->imgPiece[0].Tag, firstCard);

    // Cancelled midway, the dialog closes once the pictures in hand are done, and leaves
    // nothing behind; the game plays on.
    dir.photos(60);
    QPointer<ThemeDialog> stopped = dropped(dir.path() + "gross");
    stopped->makeTheme();
    ASSERT_TRUE(QTest::qWaitFor([&] { return stopped->findChild<QProgressBar*>()->value() > 0; }, 20000));
    const QRegularExpression rate(QStringLiteral(R"(^\d+/60  (?!0\.0 )\d+\.\d Bilder/s  noch \d+:\d\d$)"));
    EXPECT_GE(labelsOf(*stopped).indexOf(rate), 0);  // the rate so far, timed from the start
    EXPECT_FALSE(stopped->nameEdit()->isEnabled());  // what is being made is fixed
    stopped->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
    EXPECT_FALSE(stopped->findChild<QDialogButtonBox*>()->isEnabled());  // while the pictures in hand are done
    ASSERT_TRUE(QTest::qWaitFor([&] { return stopped.isNull(); }, 20000));
    // A dialog that goes while it works (with the board, when the game ends) stops the work too.
    QPointer<ThemeDialog> ended = dropped(dir.path() + "gross");
    ended->makeTheme();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ended->findChild<QProgressBar*>()->value() > 0; }, 20000));
    delete ended;
    EXPECT_EQ(namesIn(dir.path() + "prog/icons"), "bilder quorvia ");
    ASSERT_TRUE(program.window->isEnabled());
    program.game->imgPiece_Click(0);
    EXPECT_TRUE(program.game->OneCardOpen);
}

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");  // test discovery
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
