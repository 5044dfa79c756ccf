// The toolkit-free core: numbers, texts, the file system, the start-up, the settings file and
// the six settings kept in it; and the picture files that the loader reads through it.

#include "app/Failure.h"
#include "app/ProfileFile.h"
#include "app/Settings.h"
#include "app/Text.h"
#include "fakes/Fakes.h"
#include "fakes/TempDir.h"
#include "qt/QtPictureLoader.h"

#include <QBuffer>
#include <QPainter>

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <random>

namespace quorvia::test {
namespace {

namespace stdfs = std::filesystem;
using namespace std::string_literals;
using Names = std::vector<std::string>;

const FileSystem fs;

std::ptrdiff_t entriesIn(const std::string& dir) { return std::distance(stdfs::directory_iterator(dir), {}); }

// Converting to 16 bits rounds halves to the even neighbour; what does not round into
// -32768..32767 (NaN too) is an Overflow failure, never a wrapped value. The numeric value of
// a text is its leading number; text without one counts as 0.
TEST(Numbers, ConversionAndLeadingNumber) {
    // clang-format off
    const std::pair<double, std::optional<int>> cases[] = {{2.5, 2}, {3.5, 4}, {-2.5, -2}, {-3.5, -4}, {0.5, 0},
        {-0.5, 0}, {2.4999, 2}, {2.5001, 3}, {-1.6, -2}, {32767.4, 32767}, {-32768.5, -32768}, {32767.5, {}},
        {-32768.6, {}}, {1e10, {}}, {std::nan(""), {}}};
    const std::pair<const char*, double> texts[] = {{"6.5", 6.5}, {"", 0}, {"abc", 0}, {"  12abc", 12}, {"-3", -3},
        {"1e3", 1000}, {"1.5.5", 1.5}, {"+4", 4}, {".5", 0.5}, {"1e+", 1}, {"2E-1", 0.2}, {" 7.5x", 7.5},
        {"1 2", 12}, {"-", 0}, {".", 0}, {"0x10", 0}, {"inf", 0}, {"\t-0.25", -0.25}, {"\r\n1\n\r2", 12},
        {"1d2", 100}, {"2D-1", 0.2}};
    // clang-format on
    const auto to16 = [](double d) { return attempt([&] { d = toInt16(d); }) ? std::optional<int>(d) : std::nullopt; };
    for (const auto& [in, out] : cases) EXPECT_EQ(to16(in), out) << in;
    for (const long long whole : {-32769LL, -32768LL, 32767LL, 32768LL}) {  // whole numbers: both ends belong
        Int16 got = 0;
        const bool fits = whole >= -32768 && whole <= 32767;
        EXPECT_EQ(attempt([&] { got = toInt16(whole); }), fits) << whole;
        EXPECT_EQ(got, fits ? whole : 0) << whole;
    }
    EXPECT_EQ(toInt32(2147483647.4), 2147483647);
    EXPECT_THROW(toInt32(2147483647.5), Failure);
    for (const auto& [text, value] : texts) EXPECT_DOUBLE_EQ(leadingNumber(text), value) << '"' << text << '"';
    EXPECT_THROW(textToInt16(std::string(1 << 20, '9')), Failure);  // a megabyte of digits overflows no buffer
}

// Windows-1252 decodes to the right characters (the five unassigned bytes to C1 controls), every
// byte survives the trip through UTF-8, and a character the code page lacks becomes '?'. Case
// mapping covers ASCII, Latin-1 and the Windows-1252 extras and nothing else; bytes that are not
// valid UTF-8 (a Latin-1 byte, a truncated or overlong sequence) come out as they went in. Names
// compare and sort without regard to case, ties broken by the bytes.
TEST(Text, CodePageAndCase) {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    EXPECT_EQ(
        fromCp1252("a\xA0\xFF\xC4\xD6\xDC\xDF" + all.substr(0x80, 32)),
        "a\u00A0\u00FF\u00C4\u00D6\u00DC\u00DF€\xC2\x81‚ƒ„…†‡ˆ‰Š‹Œ\xC2\x8DŽ\xC2\x8F\xC2\x90‘’“”•–—˜™š›œ\xC2\x9DžŸ");
    EXPECT_EQ(toCp1252(fromCp1252(all)), all);
    EXPECT_EQ(toCp1252("a\u4E2Db\U0001F600c\u0100\xC2\x80"), "a?b?c??");  // U+0080 is not the euro sign's byte
    // clang-format off
    const std::pair<std::string, std::string> cases[] = {
        {"quorvia az \u00E4\u00F6\u00FC\u00E0\u00FE\u0161\u0153\u017E\u00FF", "QUORVIA AZ \u00C4\u00D6\u00DC\u00C0\u00DE\u0160\u0152\u017D\u0178"},
        {"\xE4pfel ab\xC3", "\xE4PFEL AB\xC3"}, {"\x80\xBF\xC3x\xF8\xFF", "\x80\xBF\xC3X\xF8\xFF"},
        {"1-_.[] \u00DF\u00F7\u00D7\u00B5\u4E2D", "1-_.[] \u00DF\u00F7\u00D7\u00B5\u4E2D"}, {"\xC1\xA1", "\xC1\xA1"},
        {"\xC0\xAF\xE0\x83\xA4\xF0\x80\x81\x81", "\xC0\xAF\xE0\x83\xA4\xF0\x80\x81\x81"}};  // overlong '/', 'a', 'A'
    // clang-format on
    for (const auto& [lower, upper] : cases) EXPECT_EQ(toUpper(lower) + "|" + toLower(upper), upper + "|" + lower);
    EXPECT_FALSE(equalsIgnoreCase("\xC1\xA1", "a") || equalsIgnoreCase("stra\u00DFe", "STRASSE"));
    EXPECT_TRUE(lessIgnoreCase("b", "\u00C4") && lessIgnoreCase("A", "a") && lessIgnoreCase("a", "B"));
}

// A square picture in the given format, as file bytes.
std::string encoded(int side, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    return buffer.open(QIODevice::WriteOnly) && image.save(&buffer, format) ? bytes.toStdString() : "";
}

// Every level of a path resolves without regard to case, '\' separating levels too; an exact
// spelling wins, and among the others the name order decides. Existence is directory-inclusive;
// readability and pictures are for regular files only: a FIFO, a device or a folder is never
// opened, so nothing blocks, and a picture costs no more than its real size allows (an icon
// directory claiming images beyond the file is refused before decoding). Card files are read
// as icons first, whatever their name, then as any picture known by its content. Names are bytes.
// Listings hold matching regular files (or links to one), no hidden ones, sorted ignoring case.
TEST(FileSystem, ResolvesListsAndTellsWhatIsThere) {
    TempDir dir;
    const std::string root = dir.path(), apple = dir.write("icons/quorvia/Apple.ICO", "x"), icon = encoded(16, "ico");
    EXPECT_EQ(fs.resolve(root + "ICONS/QUORVIA/apple.ico"), apple);
    EXPECT_EQ(fs.resolve(root + "icons/Natur\\TIERE"), dir.mkdir("icons/natur/tiere"));
    for (const char* name : {"Card.ico", "card.ico", "CARD.ico"}) dir.write(name, name);
    EXPECT_EQ(*fs.readFile(root + "card.ico") + *fs.readFile(root + "Card.ico") + *fs.readFile(root + "cArD.ICO"),
              "card.icoCard.icoCARD.ico");  // "CARD" sorts before "Card" and "card"
    ::mkfifo((root + "fifo.ico").c_str(), 0644);
    const int opened = ::inotify_init1(IN_NONBLOCK);  // tells whether anything opens the FIFO
    ::inotify_add_watch(opened, (root + "fifo.ico").c_str(), IN_OPEN);
    stdfs::create_symlink("/dev/zero", root + "zero.ico");
    QtPictureLoader loader(fs);
    const auto flags = [&](const std::string& p) {  // exists, FileExists (opens), folder, regular file, picture
        return std::string{fs.entryExists(p) ? 'x' : '-', FileExists(fs, p) ? 'r' : '-', fs.isDirectory(p) ? 'd' : '-',
                           fs.isRegularFile(p) ? 'f' : '-', loader.load(p) ? 'p' : '-'};
    };
    // name, content (nothing: made above), flags; huge.png decodes to 17 MiB from a few KiB
    // clang-format off
    const std::tuple<std::string, std::optional<std::string>, std::string> cases[] = {{"good.ico", icon, "xr-fp"},
        {"\xE4pfel.ico", icon, "xr-fp"}, {"\u00C4PFEL.ICO", {}, "xr-fp"}, {"Zero.icn", "", "xr-f-"},
        {"fifo.ico", {}, "x----"}, {"zero.ico", {}, "x----"}, {"cut.ico", icon.substr(0, 40), "xr-f-"},
        {"bomb.ico", icon.substr(0, 4) + "\xFF\xFF" + icon.substr(6), "xr-f-"},  // 65,535 images, room for one
        {"outside.ico", icon.substr(0, 17) + "\x7F" + icon.substr(18), "xr-f-"},  // an image far beyond the end
        {"huge.png", encoded(2100, "png"), "xr-f-"}, {"icons/NATUR", {}, "x-d--"}, {"gone/x.ico", {}, "-----"},
        {"long.ico", icon + std::string((16 << 20) + 1 - icon.size(), '\0'), "xr-f-"},  // a file over 16 MiB
        {"png.ico", encoded(16, "png"), "xr-fp"}, {"bmp.ico", encoded(16, "bmp"), "xr-fp"},  // known by content
        {"wbmp.ico", encoded(16, "wbmp"), "xr-fp"}};  // two zero bytes first, as in an icon
    // clang-format on
    for (const auto& [name, content, expected] : cases) {
        if (content) dir.write(name, *content);
        EXPECT_EQ(flags(root + name), expected) << name;
    }
    char event[256];
    EXPECT_LT(::read(opened, event, sizeof event), 0);
    ::close(opened);
    for (const char* name : {"b.ico", "A.ICO", "c.Icn", ".hidden.ico", "d.txt", "e.ico.bak", "@.icn", "x.ico/"})
        std::string_view(name).ends_with("/") ? dir.mkdir("Theme/"s + name) : dir.write("Theme/"s + name);
    for (const auto& [to, link] : {std::pair{"b.ico", "linked"}, {"x.ico", "folder"}, {"nowhere.ico", "dangling"}})
        stdfs::create_symlink(to, root + "Theme/" + link + ".ico");
    EXPECT_EQ(fs.listFiles(root + "THEME", "*.ICO"), (Names{"A.ICO", "b.ico", "linked.ico"}));
    EXPECT_EQ(fs.listFiles(root + "THEME", "*.ico;*.icn"), (Names{"@.icn", "A.ICO", "b.ico", "c.Icn", "linked.ico"}));
    EXPECT_EQ(fs.listFiles(root + "THEME", "?.txt"), Names{"d.txt"});
    EXPECT_TRUE(fs.listFiles(root + "THEME", "").empty() && fs.listFiles(root + "nowhere", "*.*").empty());
    // Folders a player may write, and one of the system's: asked as a player, as root may write anywhere.
    const pid_t child = ::fork();
    const bool player = ::getuid() != 0 || child != 0 || ::setuid(65534) == 0;  // the child drops root
    if (child == 0) ::_exit(player && fs.canWriteFolder("/tmp") && !fs.canWriteFolder("/usr") ? 0 : 1);
    int status = -1;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(status, 0);
}

// An icon holding a size twice, in two colours and in true colour, is drawn in true colour,
// whichever of them comes first.
TEST(FileSystem, AnIconIsDrawnFromItsRichestImageOfASize) {
    TempDir dir;
    const std::string two = "\\( -size 32x32 xc:red -type Palette \\)", rich = "\\( -size 32x32 gradient:blue-cyan \\)";
    QtPictureLoader loader(fs);
    for (const std::string& images : {two + " " + rich, rich + " " + two}) {
        std::system(("convert " + images + " " + dir.path() + "both.ico").c_str());
        QImage drawn(32, 32, QImage::Format_RGB32);
        drawn.fill(Qt::white);
        QPainter painter(&drawn);
        drawPicture(painter, QRectF(0, 0, 32, 32), loader.load(dir.path() + "both.ico").value_or(Picture{}));
        EXPECT_EQ(qRed(drawn.pixel(16, 16)), 0) << images;
    }
}

// An atomic write replaces the content in place and keeps the permission bits; a new file gets what the user's file
// creation mask leaves of read and write for all. One that cannot happen (no such folder,
// a file for a folder, a link that leads to itself, a disk filling up half-way by a file size limit, which binds root
// too) gives false and leaves the old file whole.
TEST(FileSystem, WriteFileAtomically) {
    TempDir dir;
    const std::string file = dir.write("sub/Quorvia.ini", "old content that is longer");
    const auto perms = stdfs::perms::owner_read | stdfs::perms::owner_write | stdfs::perms::group_read;
    stdfs::permissions(file, perms);
    ASSERT_TRUE(fs.writeFileAtomically(dir.path() + "SUB/quorvia.INI", "new"));
    const mode_t mask = ::umask(002);
    ASSERT_TRUE(fs.writeFileAtomically(dir.path() + "Sub/fresh.ini", ""));
    ::umask(mask);
    EXPECT_EQ(stdfs::status(file).permissions() & stdfs::perms::mask, perms);
    EXPECT_EQ(stdfs::status(dir.path() + "sub/fresh.ini").permissions() & stdfs::perms::mask, stdfs::perms(0664));
    const auto onFullDisk = ::signal(SIGXFSZ, SIG_IGN);  // a write beyond the size limit fails instead
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit full{64, limit.rlim_max}, before = limit;
    ::setrlimit(RLIMIT_FSIZE, &full);
    EXPECT_FALSE(fs.writeFileAtomically(file, std::string(4096, 'n')));
    ::setrlimit(RLIMIT_FSIZE, &before);
    ::signal(SIGXFSZ, onFullDisk);
    stdfs::create_symlink("loop.ini", dir.path() + "loop.ini");  // a link that leads to itself
    EXPECT_FALSE(fs.writeFileAtomically(dir.path() + "missing/x.ini", "x") ||
                 fs.writeFileAtomically(file + "/x", "x") || fs.writeFileAtomically(dir.path() + "loop.ini", "x"));
    EXPECT_EQ(dir.read("sub/Quorvia.ini"), "new");
    // Another writer's temporary file stays (process 1 lives), whatever errno holds as the sweep starts.
    const std::string other = dir.write("sub/Quorvia.ini.tmp1-0", "x");
    errno = ESRCH;
    sweepStaleWorkFiles(dir.path() + "sub", "Quorvia.ini.tmp");
    EXPECT_TRUE(stdfs::exists(other));
}

// A folder text ends in exactly one separator afterwards, and every constant hangs off it. The
// start-up theme check passes with the configured theme or the default one, and fails without either.
TEST(Startup, ConstantsAndThemeCheck) {
    // clang-format off
    const std::pair<std::string, std::string> folders[] = {{"a", "a/"}, {"a\\", "a\\"}, {"", "/"}, {"/", "/"},
        {"/opt/q", "/opt/q/"}, {"/opt/q/", "/opt/q/"}};
    // theme folder, stored theme ("" for no settings file), result
    const std::tuple<std::string, std::string, bool> themes[] = {{"zahlen", "zahlen", true}, {"Zahlen", "ZAHLEN", true},
        {"quorvia", "zahlen", true}, {"quorvia", "", true}, {"natur", "zahlen", false}, {"", "", false}};
    // clang-format on
    for (auto [in, out] : folders) {
        const AppConstants c = makeConstants(in);
        AddBackslash(in);
        EXPECT_EQ(in + "|" + c.IniFile + "|" + c.CoverFolder, out + "|" + out + "Quorvia.ini|" + out + "icons/@/");
    }
    for (const auto& [folder, theme, ok] : themes) {
        TempDir dir;
        dir.mkdir("icons/" + folder);
        if (!theme.empty()) dir.write("Quorvia.ini", "[Einstellungen]\nCollection=" + theme + "\n");
        EXPECT_EQ(themeCheck(fs, makeConstants(dir.path())), ok) << folder << "/" << theme;
    }
}

// While another holder (another open of the program file) has the guard it is refused; it is
// free again when the holder ends. Only a lock held elsewhere refuses it: a lock
// that fails otherwise (no locks on that file system) lets the program run.
TEST(Startup, InstanceGuard) {
    TempDir dir;
    const std::string exe = dir.write("quorvia", "program");
    {
        const InstanceGuard held(exe);
        EXPECT_EQ(std::pair(held.acquired(), InstanceGuard(exe).acquired()), std::pair(true, false));
    }
    EXPECT_TRUE(InstanceGuard(exe).acquired());  // let go with its holder
    const int input = ::dup(0);
    ::close(0);  // started without standard input: the file opened first gets descriptor 0
    EXPECT_TRUE(fs.canOpenForReading(exe) && fs.writeFileAtomically(exe, "new") && fs.readFile(exe) == "new");
    {
        const InstanceGuard held(exe);
        EXPECT_FALSE(InstanceGuard(exe).acquired());
    }
    ::dup2(input, 0);
    ::close(input);
    // Held elsewhere; no locks on this disk; no file to lock.
    EXPECT_FALSE(InstanceGuard(exe, std::nullopt, [](int, int) { return errno = EWOULDBLOCK, -1; }).acquired());
    EXPECT_TRUE(InstanceGuard(exe, std::nullopt, [](int, int) { return errno = ENOLCK, -1; }).acquired());
    EXPECT_TRUE(InstanceGuard(dir.path() + "gone/quorvia").acquired());
}

// The generator draws from [0, 1) (a draw outside throws below), evenly, and depends on its seed.
TEST(Startup, SeededRandomIsUniformInTheUnitInterval) {
    SeededRandom random(12345);
    std::array<int, 10> buckets{};
    for (int i = 0; i < 100000; ++i) ++buckets.at(static_cast<std::size_t>(std::floor(random.next() * 10 + 10)) - 10);
    for (const int count : buckets) EXPECT_TRUE(count > 9000 && count < 11000) << count;
    EXPECT_NE(SeededRandom(1).next(), SeededRandom(2).next());
}

// Names and values are found without regard to case, trimmed and unquoted, first match winning.
TEST(ProfileFile, LookupFindsTheFirstMatchingKeyOfTheFirstMatchingSection) {
    const std::string file =
        "K0=outside\n[A]\nK1=a\n[ e ]\r\n  k1  = \t7 x \t\r\nK1=second\nK2=\"x\"\nK3='y'\nK4=\"z'\n"
        "K5=\"\"\nK6=\"\nK7= ' a ' \nK8=a=b\nK9=ab\0cd\n  K10  "
        "\n;K11=1\nK11=2\n\u00C4rger=\u00E4\n[E]\nK1=third\nK13=4\n[B]\nK1=last"s;
    // section, key, value (nothing: no such key)
    // clang-format off
    const std::tuple<std::string, std::string, std::optional<std::string>> cases[] = {{"E", "K1", "7 x"},
        {"E", "K2", "x"}, {"E", "K3", "y"}, {"E", "K4", "\"z'"}, {"E", "K5", ""}, {"E", "K6", "\""}, {"E", "K7", " a "},
        {"E", "K8", "a=b"}, {"E", "K9", "ab"}, {"E", "K10", ""}, {"E", "K11", "2"}, {"E", "\u00E4RGER", "\u00E4"},
        {"a", "K1", "a"}, {"B", "K1", "last"}, {"E", "K0", {}}, {"E", "K13", {}}, {"F", "K1", {}}};
    // clang-format on
    for (const auto& [section, key, value] : cases) EXPECT_EQ(profileLookup(file, section, key), value) << key;
}

// A write changes one line, inserts one in its section, or appends a section; every other byte
// stays, and new lines use the file's own line ending (LF, CR LF or a lone CR; a file cut off
// between CR and LF has its CR completed). A '[' line without its ']' opens no section.
TEST(ProfileFile, UpdateChangesNothingButTheOneKey) {
    // before and after setting K in section E to 5
    // clang-format off
    const std::pair<std::string, std::string> cases[] = {
        {"; \xE4\r\n[e]\r\nk = 3 \r\nCols=8\r\n[Other]\r\nK=9\r\n", "; \xE4\r\n[e]\r\nk =5\r\nCols=8\r\n[Other]\r\nK=9\r\n"},
        {"[A]\nX=1\n\n[E]\nCols=8\n; note\n\n\n[B]\nY=2\n", "[A]\nX=1\n\n[E]\nCols=8\n; note\nK=5\n\n\n[B]\nY=2\n"},
        {"[A]\r\nX=1", "[A]\r\nX=1\r\n[E]\r\nK=5\r\n"}, {"[A]\nX=1\n\n", "[A]\nX=1\n\n[E]\nK=5\n"},
        {"[E]\nK\n", "[E]\nK=5\n"}, {"[E]\nK=1\nK=2\n", "[E]\nK=5\nK=2\n"}, {"[E]\nK=1", "[E]\nK=5"},
        {"[A]\nK=1\n[E]\nX=1\n", "[A]\nK=1\n[E]\nX=1\nK=5\n"}, {"[E]\n[F]\n", "[E]\nK=5\n[F]\n"},
        {"[E]", "[E]\r\nK=5\r\n"}, {"[E]\nX=1", "[E]\nX=1\nK=5\n"}, {"[E]\r\nX=1\r", "[E]\r\nX=1\r\nK=5\r\n"},
        {"[A]\r\nX=1\r", "[A]\r\nX=1\r\n[E]\r\nK=5\r\n"}, {"[E]\rX=1\r[F]\rK=2", "[E]\rX=1\rK=5\r[F]\rK=2"},
        {"[A]\rX=1", "[A]\rX=1\r[E]\rK=5\r"}, {"[E\nK=1\n", "[E\nK=1\n[E]\nK=5\n"}, {"[A]\nX", "[A]\nX\n[E]\nK=5\n"}};
    // clang-format on
    for (const auto& [before, after] : cases) EXPECT_EQ(profileUpdate(before, "E", "K", "5"), after) << before;
}

std::string le16(const std::u16string& text) {
    std::string bytes;
    for (const char16_t unit : text) bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    return bytes;
}

// Files as other programs and editors save them read as those programs read them, values in
// UTF-8; a write keeps the encoding, its byte-order mark and every other line, and a new file is
// Windows-1252 with CR LF, except that a value Windows-1252 cannot hold (here the emoji) turns
// it into UTF-8 with the mark. The 2047-character limit counts characters, not bytes. A file
// that exists but cannot be read is never replaced by one holding only the new key.
TEST(ProfileFile, FilesOnDisk) {
    const std::string set = "\u00C4\u20AC\U0001F600\xE4", utf8 = "\u00C4\u20AC\U0001F600\u00E4", bom = "\xEF\xBB\xBF",
                      l1 = "[Einstellungen]\r\nCollection=";
    // Surrogates without a partner stay single units; the characters from U+E000 up beside them
    // are characters of their own.
    const std::u16string lone{0xD83D, 0xE000, 0xFFFD, 0xDC00, 0xDC01};
    // the file (nothing: none), Collection as read, the file after writing `set` under Collection
    // clang-format off
    const std::tuple<std::optional<std::string>, std::string, std::string> cases[] = {{{}, "", bom + l1 + utf8 + "\r\n"},
        {"[Einstellungen]\rRows=3\rCollection=z\r", "z", bom + "[Einstellungen]\rRows=3\rCollection=" + utf8 + "\r"},
        {"; f\xFCr\n[Einstellungen\nCollection=z\n", "", bom + "; f\u00FCr\n[Einstellungen\nCollection=z\n[Einstellungen]\nCollection=" + utf8 + "\n"},
        {"\xEF\xBB\xBF" + l1 + "z\r\n", "z", "\xEF\xBB\xBF" + l1 + utf8 + "\r\n"},
        {"[Einstellungen]\nCollection=Natur \u00E4\n", "Natur \u00E4", "[Einstellungen]\nCollection=" + utf8 + "\n"},
        {"\xFF\xFE" + le16(u"[Einstellungen]\r\nCollection=\U0001F600\U00010000x" + lone + u"\r\n"),
         "\U0001F600\U00010000x\xED\xA0\xBD\uE000\uFFFD\xED\xB0\x80\xED\xB0\x81",
         "\xFF\xFE" + le16(u"[Einstellungen]\r\nCollection=\u00C4\u20AC\U0001F600\u00E4\r\n")},
        {l1 + std::string(3000, '\xE4'), fromCp1252(std::string(2047, '\xE4')), bom + l1 + utf8}};
    // clang-format on
    for (const auto& [before, read, after] : cases) {
        TempDir dir;
        if (before) dir.write("Quorvia.ini", *before);
        EXPECT_EQ(ReadIniValue(fs, "Einstellungen", "collection", dir.path() + "QUORVIA.ini"), read) << read;
        ASSERT_TRUE(WriteIniValue(fs, "Einstellungen", "Collection", set, dir.path() + "quorvia.INI"));
        EXPECT_EQ(fs.readFile(dir.path() + "quorvia.ini"), after) << read;
    }
    struct : FileSystem {
        std::optional<std::string> readFile(std::string_view, std::size_t) const override { return std::nullopt; }
    } unreadable;
    TempDir dir;
    EXPECT_FALSE(WriteIniValue(unreadable, "E", "K", "6", dir.write("old.ini", "[E]\nK=1\n")));
    EXPECT_TRUE(WriteIniValue(unreadable, "E", "K", "6", dir.path() + "new.ini"));  // missing is not unreadable
    EXPECT_EQ(dir.read("old.ini") + dir.read("new.ini"), "[E]\nK=1\n[E]\r\nK=6\r\n");
}

// A writer killed at random moments leaves a settings file that holds either the old or the new
// value, whole; a complete temporary file is left only by a kill between its naming and its
// rename, and the next write clears it away.
TEST(ProfileFile, KilledWriterLeavesOldOrNew) {
    TempDir dir;
    const auto whole = [](char c) { return "; keep\r\n[E]\r\nIcon=" + std::string(4000, c) + "\r\n[X]\r\n"; };
    const std::string file = dir.write("Quorvia.ini", whole('A'));
    std::mt19937 rng(4711);
    std::set<std::string> seen;
    for (int round = 0; round < 100 && !HasFailure(); ++round) {
        const pid_t child = ::fork();
        for (unsigned i = 0; child == 0; ++i) WriteIniValue(fs, "E", "Icon", std::string(4000, "AB"[i % 2]), file);
        // In every other round the writer reaches a B first, however slow the machine.
        while (round % 2 && dir.read("Quorvia.ini") != whole('B')) ::usleep(100);
        ::usleep(std::uniform_int_distribution<int>(0, 20000)(rng));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        for (const auto& entry : stdfs::directory_iterator(dir.path())) {
            const std::string bytes = dir.read(entry.path().filename());
            EXPECT_TRUE(bytes == whole('A') || bytes == whole('B')) << "round " << round << ": " << entry.path();
            if (entry.path() == file) seen.insert(bytes);
        }
        EXPECT_LE(entriesIn(dir.path()), 2);
    }
    EXPECT_EQ(seen.size(), 2u);
    WriteIniValue(fs, "E", "Rows", "6", file);
    EXPECT_EQ(entriesIn(dir.path()), 1) << "the next write clears what a killed writer left";
}

struct SettingsTest : ::testing::Test {
    SettingsTest() : c(makeConstants(dir.path())), settings(c, fs, loader, covers) {
        dir.mkdir("icons/quorvia");
        settings.startGame = [this] { ++gamesStarted; };
    }
    // Reloads from a settings file holding `ini` (nothing: no file); the live settings and the card back in one
    // line afterwards, files relative to the program folder.
    std::string reload(const std::optional<std::string>& ini) {
        if (ini) dir.write("Quorvia.ini", *ini);
        settings.ReloadSettings();
        const LiveSettings& l = settings.live;
        const std::string& back = covers.CoverImage.source;
        return std::to_string(l.BoardRows) + "x" + std::to_string(l.BoardCols) + "=" + l.BoardSizeKey + " " +
               std::to_string(l.RemovePairs) + std::to_string(l.AutoCover) + " " + l.ActiveCollection + " " +
               l.CoverIcon + " " + l.CoverIconFile.substr(c.AppPath.size()) + " " +
               (back.starts_with(c.AppPath) ? back.substr(c.AppPath.size()) : back);
    }

    TempDir dir;
    AppConstants c;
    FakePictureLoader loader;
    CoverPictures covers{{}, Picture{":DefCover", nullptr}};
    Settings settings;
    int gamesStarted = 0;
};

// Without a settings file a reload gives the defaults and the built-in card back, creating
// nothing. A stored number counts by its leading number, rounded half to even; a value, or a
// board size, that does not fit 16 bits leaves the previous one in place without holding up the
// others. After the first confirmed dialog its values govern and the file no longer counts.
TEST_F(SettingsTest, WhereAReloadTakesItsValuesFrom) {
    EXPECT_EQ(reload({}), "5x8=40 11 quorvia @ icons/quorvia/@.icn :DefCover");
    EXPECT_FALSE(dir.exists("Quorvia.ini"));
    // Rows, Cols, the resulting "rows x cols = board size key" (each case starts from the last)
    // clang-format off
    const std::array<std::string, 3> cases[] = {{"", "6", "5x6=30"}, {"abc", "6", "0x6=0"}, {"6.5", "6", "6x6=36"},
        {"7.5", "6", "8x6=48"}, {"40000", "9", "8x9=72"}, {" 12 cards", "\"4\"", "12x4=48"},
        {"200", "200", "200x200=48"}, {"-3", "-40000", "-3x200=-600"}};
    // clang-format on
    for (const auto& [rows, cols, expected] : cases) {
        const std::string live = reload("[Einstellungen]\r\nRows=" + rows + "\r\nCols=" + cols + "\r\n");
        EXPECT_EQ(live.substr(0, live.find(' ')), expected) << rows << "/" << cols;
    }
    dir.mkdir("icons/zahlen");
    settings.dialog = DialogValues{6, 7, 0, 0, "zahlen", "@"};
    EXPECT_EQ(reload("[Einstellungen]\nRows=9\nCols=9\nCollection=quorvia\nCoverIcon=x.ico\n"),
              "6x7=42 00 zahlen @ icons/zahlen/@.icn :DefCover");
}

// A theme whose folder is gone falls back to the default, and only its line of the file changes;
// one named in another case is found as it is, its cover coming from the lower-cased name. A
// named cover comes from the cover folder: loaded when it loads, the built-in one when it is
// missing, and the current one kept when the file is there but is no picture.
TEST_F(SettingsTest, TheThemeAndTheCardBack) {
    dir.write("icons/@/good.ico", "icon");
    dir.write("icons/@/broken.ico", "junk");
    loader.unloadable.insert(c.CoverFolder + "broken.ico");
    // the keys in the file, the live settings and the card back afterwards (each case starts from the last)
    // clang-format off
    const std::pair<std::string, std::string> cases[] = {
        {"CoverIcon=good.ico", "5x8=40 11 quorvia good.ico icons/@/good.ico icons/@/good.ico"},
        {"CoverIcon=broken.ico", "5x8=40 11 quorvia broken.ico icons/@/broken.ico icons/@/good.ico"},
        {"CoverIcon=gone.ico", "5x8=40 11 quorvia gone.ico icons/@/gone.ico :DefCover"},
        {"Collection=QUORVIA", "5x8=40 11 QUORVIA @ icons/quorvia/@.icn :DefCover"},
        {"collection = verloren\r\nRows=4", "4x8=32 11 quorvia @ icons/quorvia/@.icn icons/quorvia/@.icn"}};
    // clang-format on
    for (const auto& [keys, expected] : cases) {
        if (keys.starts_with("coll")) dir.write("icons/quorvia/@.icn", "icon");
        EXPECT_EQ(reload("; mine\r\n[Einstellungen]\r\n" + keys + "\r\n\r\n[X]\r\nY=\xE4\r\n"), expected);
    }
    EXPECT_EQ(dir.read("Quorvia.ini"),
              "; mine\r\n[Einstellungen]\r\ncollection =quorvia\r\nRows=4\r\n\r\n[X]\r\nY=\xE4\r\n");
}

// Restoring the defaults saves them, rewriting the file's keys in place in their fixed order,
// starts a game and leaves the dialog values alone. A settings file that is a link (as dotfile
// managers make them) stays one: the file it leads to, through a relative link, a chain of them
// or an absolute one, takes the new values, only their lines changing, its permissions kept and
// no temporary file left, also at the end of 40 links (as many as the system follows). A
// write-protected file behind the link stays as it is, and a loop of links or a chain of 41 is
// written nowhere.
TEST_F(SettingsTest, ALinkedSettingsFileIsWrittenThroughIt) {
    const std::string mine = "; mine\r\n[Einstellungen]\r\nRows=3\r\nCollection=quorvia\r\n";
    const std::string saved =
        "; mine\r\n[Einstellungen]\r\nRows=5\r\nCollection=quorvia\r\nCols=8\r\n"
        "RemovePairs=1\r\nAutoCover=1\r\nCoverIcon=@\r\n";
    // n links in a row from the settings file to dot/q.ini
    const auto chain = [](int n) {
        std::vector<std::pair<std::string, std::string>> links{{"Quorvia.ini", "links/1"}};
        for (int i = 1; i < n - 1; ++i) links.emplace_back("links/" + std::to_string(i), std::to_string(i + 1));
        links.emplace_back("links/" + std::to_string(n - 1), "../dot/q.ini");
        return links;
    };
    // links to make (name, its text), the file they lead to (mode), and its content afterwards
    const std::tuple<std::vector<std::pair<std::string, std::string>>, stdfs::perms, std::string> cases[] = {
        {{{"Quorvia.ini", "dot/q.ini"}}, stdfs::perms(0640), saved},
        {{{"Quorvia.ini", "links/a"}, {"links/a", "../dot/q.ini"}}, stdfs::perms(0600), saved},
        {{{"Quorvia.ini", dir.path() + "dot/q.ini"}}, stdfs::perms(0444), mine},
        {{{"Quorvia.ini", "links/a"}, {"links/a", "../Quorvia.ini"}}, stdfs::perms(0600), mine},
        {chain(40), stdfs::perms(0600), saved},
        {chain(41), stdfs::perms(0600), mine}};
    for (const auto& [links, mode, after] : cases) {
        for (const char* old : {"links", "dot", "Quorvia.ini"}) stdfs::remove_all(dir.path() + old);
        dir.mkdir("links");
        stdfs::permissions(dir.write("dot/q.ini", mine), mode);
        for (const auto& [name, text] : links) stdfs::create_symlink(text, dir.path() + name);
        settings.dialog.DialogCollection = "zahlen";
        settings.mnuStand_Click();
        EXPECT_EQ(settings.dialog.DialogCollection + std::to_string(gamesStarted--), "zahlen1");
        EXPECT_EQ(dir.read("dot/q.ini"), after) << links.back().second;
        EXPECT_EQ(stdfs::status(dir.path() + "dot/q.ini").permissions() & stdfs::perms::mask, mode);
        EXPECT_TRUE(stdfs::is_symlink(c.IniFile));
        EXPECT_EQ(entriesIn(dir.path() + "dot") + entriesIn(dir.path()), 1 + 4);
    }
}

}  // namespace
}  // namespace quorvia::test
