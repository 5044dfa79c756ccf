// The toolkit-free core: numbers, texts, the file system, the start-up, the settings file and
// the six settings kept in it; and the picture files that the loader reads through it.

#include "app/Failure.h"
#include "app/ProfileFile.h"
#include "app/Settings.h"
#include "app/Text.h"
#include "board/QtPictureLoader.h"
#include "fakes/Fakes.h"
#include "fakes/TempDir.h"

#include <QBuffer>

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <random>
#include <ranges>

namespace quorvia::test {
namespace {

namespace stdfs = std::filesystem;
using namespace std::string_literals;
using Names = std::vector<std::string>;

const FileSystem fs;

std::ptrdiff_t entriesIn(const std::string& dir) { return std::distance(stdfs::directory_iterator(dir), {}); }

// Runs `body` in a child process whose files may grow to `fileSizeLimit` bytes; hands back its exit code.
int exitCodeOf(const std::function<int()>& body, rlim_t fileSizeLimit = RLIM_INFINITY) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::signal(SIGXFSZ, SIG_IGN);  // a write beyond the limit fails instead of killing the process
        const rlimit limit{fileSizeLimit, fileSizeLimit};
        ::_exit(fileSizeLimit == RLIM_INFINITY || ::setrlimit(RLIMIT_FSIZE, &limit) == 0 ? body() : 99);
    }
    int status = 0;
    return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Converting to 16 bits rounds halves to the even neighbour; what does not round into
// -32768..32767 (NaN too) is an Overflow failure, never a wrapped value. The numeric value of
// a text is its leading number; text without one counts as 0.
TEST(Numbers, ConversionAndLeadingNumber) {
    const std::pair<double, std::optional<int>> cases[] = {
        {2.5, 2},           {3.5, 4},      {-2.5, -2},     {-3.5, -4}, {0.5, 0},
        {-0.5, 0},          {2.4999, 2},   {2.5001, 3},    {-1.6, -2}, {32767.4, 32767},
        {-32768.5, -32768}, {32767.5, {}}, {-32768.6, {}}, {1e10, {}}, {std::nan(""), {}}};
    for (const auto& [in, out] : cases) {
        std::optional<int> got;
        attempt([&] { got = toInt16(in); });
        EXPECT_EQ(got, out) << in;
    }
    EXPECT_EQ(toInt32(2147483647.4), 2147483647);
    EXPECT_THROW(toInt32(2147483647.5), Failure);
    const std::pair<const char*, double> texts[] = {
        {"6.5", 6.5},   {"", 0},   {"abc", 0},  {"  12abc", 12}, {"-3", -3},    {"1e3", 1000},
        {"1.5.5", 1.5}, {"+4", 4}, {".5", 0.5}, {"1e+", 1},      {"2E-1", 0.2}, {" 7.5x", 7.5},
        {"1 2", 12},    {"-", 0},  {".", 0},    {"0x10", 0},     {"inf", 0},    {"\t-0.25", -0.25}};
    for (const auto& [text, value] : texts) EXPECT_DOUBLE_EQ(leadingNumber(text), value) << '"' << text << '"';
    EXPECT_THROW(textToInt16(std::string(1 << 20, '9')), Failure);  // a megabyte of digits overflows no buffer
}

// Windows-1252 decodes to the right characters (the five unassigned bytes to C1 controls), every
// byte survives the trip through UTF-8, and a character the code page lacks becomes '?'. Case
// mapping covers ASCII, Latin-1 and the Windows-1252 extras and nothing else; bytes that are not
// valid UTF-8 (a Latin-1 byte, a truncated or overlong sequence) come out as they went in. Names
// compare and sort without regard to case, ties broken by the bytes.
TEST(Text, CodePageAndCase) {
    EXPECT_EQ(fromCp1252("a\xA0\xFF\x80\xC4\xD6\xDC\xDF\x8A\x8C\x8E\x9F\x93\x94\x81\x8D\x8F\x90\x9D"),
              "a\u00A0\u00FF\u20AC\u00C4\u00D6\u00DC\u00DF\u0160\u0152\u017D\u0178\u201C\u201D"
              "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    EXPECT_EQ(toCp1252(fromCp1252(all)), all);
    EXPECT_EQ(toCp1252("a\u4E2Db\U0001F600c\u0100\xC2\x80"), "a?b?c??");  // U+0080 is not the euro sign's byte
    const std::pair<std::string, std::string> cases[] = {
        {"quorvia \u00E4\u00F6\u00FC\u00E0\u00FE\u0161\u0153\u017E\u00FF",
         "QUORVIA \u00C4\u00D6\u00DC\u00C0\u00DE\u0160\u0152\u017D\u0178"},
        {"\xE4pfel ab\xC3", "\xE4PFEL AB\xC3"},
        {"\x80\xBF\xC3x\xF8\xFF", "\x80\xBF\xC3X\xF8\xFF"},
        {"1-_.[] \u00DF\u00F7\u00D7\u00B5\u4E2D", "1-_.[] \u00DF\u00F7\u00D7\u00B5\u4E2D"},
        {"\xC1\xA1", "\xC1\xA1"},                                                           // an overlong 'a'
        {"\xC0\xAF\xE0\x83\xA4\xF0\x80\x81\x81", "\xC0\xAF\xE0\x83\xA4\xF0\x80\x81\x81"}};  // '/', a-umlaut, 'A'
    for (const auto& [lower, upper] : cases) EXPECT_EQ(toUpper(lower) + "|" + toLower(upper), upper + "|" + lower);
    EXPECT_FALSE(equalsIgnoreCase("\xC1\xA1", "a"));
    EXPECT_TRUE(equalsIgnoreCase("\u00C4RGER.ico", "\u00E4rger.ICO"));
    EXPECT_FALSE(equalsIgnoreCase("stra\u00DFe", "STRASSE"));
    Names names{"b", "\u00F6", "A", "\u00C4", "c", "a", "B", "\u00E4"};
    std::sort(names.begin(), names.end(), [](const auto& x, const auto& y) { return lessIgnoreCase(x, y); });
    EXPECT_EQ(names, (Names{"A", "a", "B", "b", "c", "\u00C4", "\u00E4", "\u00F6"}));
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
// directory claiming images beyond the file is refused before decoding). Names are bytes.
TEST(FileSystem, ResolvesAndTellsWhatIsThere) {
    TempDir dir;
    const std::string root = dir.path(), apple = dir.write("icons/quorvia/Apple.ICO", "x"), icon = encoded(16, "ico");
    EXPECT_EQ(fs.resolve(root + "ICONS/QUORVIA/apple.ico"), apple);
    EXPECT_EQ(fs.resolve(root + "icons/Natur\\TIERE"), root + dir.mkdir("icons/natur/tiere").substr(root.size()));
    EXPECT_EQ(fs.resolve(root + "icons/quorvia/pear.ico"), std::nullopt);
    EXPECT_EQ(fs.resolve(root + "icons/quorvia/Apple.ICO/x"), std::nullopt);  // a file has no levels below
    for (const char* name : {"Card.ico", "card.ico", "CARD.ico"}) dir.write(name, name);
    EXPECT_EQ(*fs.readFile(root + "card.ico") + *fs.readFile(root + "Card.ico") + *fs.readFile(root + "cArD.ICO"),
              "card.icoCard.icoCARD.ico");  // "CARD" sorts before "Card" and "card"
    std::string bomb = icon, outside = icon;
    bomb[4] = bomb[5] = '\xFF';  // 65,535 images in a file with room for one
    outside[17] = '\x7F';        // the image's size reaches far beyond the end
    ::mkfifo((root + "fifo.ico").c_str(), 0644);
    stdfs::create_symlink("/dev/zero", root + "zero.ico");
    QtPictureLoader loader(fs);
    const auto flags = [&](const std::string& p) {  // exists, opens, FileExists, folder, regular file, picture
        return std::string{fs.entryExists(p) ? 'x' : '-',   fs.canOpenForReading(p) ? 'r' : '-',
                           FileExists(fs, p) ? 'r' : '-',   fs.isDirectory(p) ? 'd' : '-',
                           fs.isRegularFile(p) ? 'f' : '-', loader.load(p) ? 'p' : '-'};
    };
    // name, content (nothing: made above), flags
    const std::tuple<std::string, std::optional<std::string>, std::string> cases[] = {
        {"good.ico", icon, "xrr-fp"},
        {"\xE4pfel.ico", icon, "xrr-fp"},
        {"Zero.icn", "", "xrr-f-"},
        {"fifo.ico", {}, "x-----"},
        {"zero.ico", {}, "x-----"},
        {"icons/NATUR", {}, "x--d--"},
        {"cut.ico", icon.substr(0, 40), "xrr-f-"},
        {"bomb.ico", bomb, "xrr-f-"},
        {"outside.ico", outside, "xrr-f-"},
        {"huge.png", encoded(2100, "png"), "xrr-f-"},  // 17 MiB decoded from a few KiB
        {"icons/missing/x.ico", {}, "------"}};
    for (const auto& [name, content, expected] : cases) {
        if (content) dir.write(name, *content);
        EXPECT_EQ(flags(root + name), expected) << name;
    }
    EXPECT_EQ(flags(""), "------");
}

// File listings hold matching ordinary files (or links to one) only, no hidden ones, sorted
// without regard to case.
TEST(FileSystem, ListFilesFiltersAndSorts) {
    TempDir dir;
    for (const char* name : {"b.ico", "A.ICO", "c.Icn", ".hidden.ico", "d.txt", "e.ico.bak", "@.icn"})
        dir.write("Theme/"s + name);
    dir.mkdir("Theme/folder.ico");
    stdfs::create_symlink("b.ico", dir.path() + "Theme/linked.ico");
    stdfs::create_symlink("folder.ico", dir.path() + "Theme/folderlink.ico");
    stdfs::create_symlink("nowhere.ico", dir.path() + "Theme/dangling.ico");
    const std::string theme = dir.path() + "THEME";
    EXPECT_EQ(fs.listFiles(theme, "*.ICO"), (Names{"A.ICO", "b.ico", "linked.ico"}));
    EXPECT_EQ(fs.listFiles(theme, "*.ico;*.icn"), (Names{"@.icn", "A.ICO", "b.ico", "c.Icn", "linked.ico"}));
    EXPECT_EQ(fs.listFiles(theme, "?.txt"), Names{"d.txt"});
    EXPECT_TRUE(fs.listFiles(theme, "").empty() && fs.listFiles(dir.path() + "nowhere", "*.*").empty());
}

// An atomic write replaces the content in place, keeps the permission bits and leaves nothing
// else. One that cannot happen (no such folder, a file for a folder, a disk filling up half-way
// by a file size limit, which binds root too) gives false and leaves the old file whole.
TEST(FileSystem, WriteFileAtomically) {
    TempDir dir;
    const std::string file = dir.write("sub/Quorvia.ini", "old content that is longer");
    const auto perms = stdfs::perms::owner_read | stdfs::perms::owner_write | stdfs::perms::group_read;
    stdfs::permissions(file, perms);
    ASSERT_TRUE(fs.writeFileAtomically(dir.path() + "SUB/quorvia.INI", "new"));
    ASSERT_TRUE(fs.writeFileAtomically(dir.path() + "Sub/fresh.ini", ""));
    EXPECT_EQ(stdfs::status(file).permissions() & stdfs::perms::mask, perms);
    EXPECT_EQ(exitCodeOf([&] { return fs.writeFileAtomically(file, std::string(4096, 'n')); }, 64), 0)
        << "the write reported success";
    EXPECT_FALSE(fs.writeFileAtomically(dir.path() + "missing/x.ini", "x"));
    EXPECT_FALSE(fs.writeFileAtomically(file + "/x.ini", "x"));
    EXPECT_EQ(dir.read("sub/Quorvia.ini"), "new");
    EXPECT_EQ(entriesIn(dir.path() + "sub") + entriesIn(dir.path()), 3);
}

// A folder text ends in exactly one separator afterwards, and every constant hangs off it.
TEST(Startup, AddBackslashAndMakeConstants) {
    const std::pair<std::string, std::string> cases[] = {{"a", "a/"}, {"a\\", "a\\"},        {"", "/"},
                                                         {"/", "/"},  {"/opt/q", "/opt/q/"}, {"/opt/q/", "/opt/q/"}};
    for (auto [in, out] : cases) {
        const AppConstants c = makeConstants(in);
        AddBackslash(in);
        EXPECT_EQ(in + "|" + c.AppPath + "|" + c.IniFile + "|" + c.CoverFolder,
                  out + "|" + out + "|" + out + "Quorvia.ini|" + out + "icons/@/");
    }
}

// The start-up theme check passes with the configured theme or the default one, and fails
// without either.
TEST(Startup, ThemeCheck) {
    // theme folder, stored theme ("" for no settings file), result
    const std::tuple<std::string, std::string, bool> cases[] = {{"zahlen", "zahlen", true},  {"Zahlen", "ZAHLEN", true},
                                                                {"quorvia", "zahlen", true}, {"quorvia", "", true},
                                                                {"natur", "zahlen", false},  {"", "", false}};
    for (const auto& [folder, theme, ok] : cases) {
        TempDir dir;
        dir.mkdir("icons/" + folder);
        if (!theme.empty()) dir.write("Quorvia.ini", "[Einstellungen]\nCollection=" + theme + "\n");
        EXPECT_EQ(themeCheck(fs, makeConstants(dir.path())), ok) << folder << "/" << theme;
    }
}

int lockError = 0;  // what the failing lock below reports

// While another process holds the guard it is refused; the guard dies with a holder that never
// lets go of it; taking it writes nothing, not even the program file's time. Only a lock held
// elsewhere refuses it: a lock that fails otherwise (no locks on that file system) lets it run.
TEST(Startup, InstanceGuard) {
    TempDir dir;
    const std::string exe = dir.write("quorvia", "program");
    const auto stamp = stdfs::last_write_time(exe);
    ::usleep(20000);  // beyond the file system's time resolution, so that any write would show
    {
        const InstanceGuard held(exe);
        ASSERT_TRUE(held.acquired());
        EXPECT_EQ(exitCodeOf([&] { return InstanceGuard(exe).acquired() ? 1 : 0; }), 0);
    }
    EXPECT_EQ(exitCodeOf([&]() -> int { ::_exit(InstanceGuard(exe).acquired() ? 1 : 0); }), 1);  // never let go
    EXPECT_TRUE(InstanceGuard(exe).acquired());
    EXPECT_EQ(stdfs::last_write_time(exe), stamp);
    EXPECT_EQ(dir.read("quorvia") + std::to_string(entriesIn(dir.path())), "program1");
    for (const auto& [error, acquired] : {std::pair{EWOULDBLOCK, false}, {ENOLCK, true}, {EOPNOTSUPP, true}}) {
        lockError = error;
        EXPECT_EQ(InstanceGuard(exe, [](int, int) { return errno = lockError, -1; }).acquired(), acquired) << error;
    }
}

// The generator draws from [0, 1), evenly, and depends on its seed.
TEST(Startup, SeededRandomIsUniformInTheUnitInterval) {
    SeededRandom random(12345);
    int buckets[10] = {};
    for (int i = 0; i < 100000; ++i) {
        const float v = random.next();
        ASSERT_TRUE(v >= 0.0f && v < 1.0f) << v;
        ++buckets[static_cast<int>(v * 10)];
    }
    for (const int count : buckets) EXPECT_TRUE(count > 9000 && count < 11000) << count;
    EXPECT_NE(SeededRandom(1).next(), SeededRandom(2).next());
}

// Names and values are found without regard to case, trimmed and unquoted, first match winning.
TEST(ProfileFile, LookupFindsTheFirstMatchingKeyOfTheFirstMatchingSection) {
    const std::string file =
        "K0=outside\n[A]\nK1=a\n[ e ]\r\n  k1  = \t7 x \t\r\nK1=second\nK2=\"x\"\nK3='y'\nK4=\"z'\n"
        "K5=\"\"\nK6=\"\nK7= ' a ' \nK8=a=b\nK9=ab\0cd\n  K10  \n;K11=1\nK11=2\n\u00C4rger=\u00E4\nK12="s +
        std::string(1 << 20, 'v') + "\n[E]\nK1=third\nK13=4\n[B]\nK1=last";
    // section, key, value (nothing: no such key)
    const std::tuple<std::string, std::string, std::optional<std::string>> cases[] = {
        {"E", "K1", "7 x"}, {"E", "K2", "x"},    {"E", "K3", "y"},   {"E", "K4", "\"z'"},
        {"E", "K5", ""},    {"E", "K6", "\""},   {"E", "K7", " a "}, {"E", "K8", "a=b"},
        {"E", "K9", "ab"},  {"E", "K10", ""},    {"E", "K11", "2"},  {"E", "\u00E4RGER", "\u00E4"},
        {"a", "K1", "a"},   {"B", "K1", "last"}, {"E", "K0", {}},    {"E", "K13", {}},
        {"F", "K1", {}}};
    for (const auto& [section, key, value] : cases) EXPECT_EQ(profileLookup(file, section, key), value) << key;
    EXPECT_EQ(profileLookup(file, "E", "K12"), std::string(2047, 'v'));
}

// A write changes one line, inserts one in its section, or appends a section; every other byte
// stays, and new lines use the file's own line ending (LF, CR LF or a lone CR; a file cut off
// between CR and LF has its CR completed). A '[' line without its ']' opens no section.
TEST(ProfileFile, UpdateChangesNothingButTheOneKey) {
    // before and after setting K in section E to 5
    const std::pair<std::string, std::string> cases[] = {
        {"; \xE4\r\n[e]\r\nk = 3 \r\nCols=8\r\n[Other]\r\nK=9\r\n",
         "; \xE4\r\n[e]\r\nk =5\r\nCols=8\r\n[Other]\r\nK=9\r\n"},
        {"[A]\nX=1\n\n[E]\nCols=8\n; note\n\n\n[B]\nY=2\n", "[A]\nX=1\n\n[E]\nCols=8\n; note\nK=5\n\n\n[B]\nY=2\n"},
        {"[A]\r\nX=1", "[A]\r\nX=1\r\n[E]\r\nK=5\r\n"},
        {"[A]\nX=1\n\n", "[A]\nX=1\n\n[E]\nK=5\n"},
        {"[E]\nK\n", "[E]\nK=5\n"},
        {"[E]\nK=1\nK=2\n", "[E]\nK=5\nK=2\n"},
        {"[E]\nK=1", "[E]\nK=5"},
        {"[A]\nK=1\n[E]\nX=1\n", "[A]\nK=1\n[E]\nX=1\nK=5\n"},
        {"[E]\n[F]\n", "[E]\nK=5\n[F]\n"},
        {"[E]", "[E]\r\nK=5\r\n"},
        {"[E]\nX=1", "[E]\nX=1\nK=5\n"},
        {"[E]\r\nX=1\r", "[E]\r\nX=1\r\nK=5\r\n"},
        {"[A]\r\nX=1\r", "[A]\r\nX=1\r\n[E]\r\nK=5\r\n"},
        {"[E]\rX=1\r[F]\rK=2", "[E]\rX=1\rK=5\r[F]\rK=2"},
        {"[A]\rX=1", "[A]\rX=1\r[E]\rK=5\r"},
        {"[E\nK=1\n", "[E\nK=1\n[E]\nK=5\n"}};
    for (const auto& [before, after] : cases) EXPECT_EQ(profileUpdate(before, "E", "K", "5"), after) << before;
}

// Over many generated files an update makes the key read back as written, leaves every other
// key's value alone and touches no other line: outside a common start and end, the old text
// holds part of one line and the new one at most a completed line end, a section and the key.
TEST(ProfileFile, UpdateRoundTripOverGeneratedFiles) {
    Names pieces;
    for (const auto piece : std::views::split(std::string_view("[Einstellungen]|[einstellungen]| [ EINSTELLUNGEN ] "
                                                               "|[Other]|[Other|Rows=3| rows = 4 |Cols=8|X=\"q\"|; "
                                                               "Rows=9||   |Flag|Text=\u00E4\u20AC|Rows|=|cols=\t"),
                                              '|'))
        pieces.emplace_back(piece.begin(), piece.end());
    const Names sections = {"Einstellungen", "Other", "New"}, keys = {"Rows", "Cols", "X", "Flag", "Text"};
    std::mt19937 rng(20240517);
    auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
    const auto breaks = [](const std::string& t) {
        return std::ranges::count_if(t, [](char ch) { return ch == '\r' || ch == '\n'; });
    };
    for (int round = 0; round < 3000 && !HasFailure(); ++round) {
        std::string file;
        for (std::size_t i = 0, lines = pick(12); i < lines; ++i)
            file += pieces[pick(pieces.size())] + std::array{"\n", "\r\n", "\r", ""}[pick(i + 1 == lines ? 4 : 3)];
        const std::string &section = sections[pick(3)], &key = keys[pick(5)];
        const std::string value = std::array{"", "5", "x", "Yz_.-09", "b\u00E4\u00C4"}[pick(5)];
        const std::string after = profileUpdate(file, section, key, value);
        SCOPED_TRACE("file: \"" + file + "\" " + section + "/" + key + "=" + value);
        EXPECT_EQ(profileLookup(after, section, key), value);
        for (const auto& s : sections)
            for (const auto& k : keys)
                EXPECT_TRUE((s == section && k == key) || profileLookup(after, s, k) == profileLookup(file, s, k))
                    << s << k;
        const std::size_t start = std::ranges::mismatch(file, after).in1 - file.begin();
        const std::size_t end = std::min<std::size_t>(
            std::ranges::mismatch(file | std::views::reverse, after | std::views::reverse).in1 - file.rbegin(),
            std::min(file.size(), after.size()) - start);
        EXPECT_EQ(breaks(file.substr(start, file.size() - start - end)), 0);
        EXPECT_LE(breaks(after.substr(start, after.size() - start - end)), 6);
    }
}

std::string le16(const std::u16string& text) {
    std::string bytes;
    for (const char16_t unit : text) bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    return bytes;
}

// Files as other programs and editors save them read as those programs read them, values in
// UTF-8; a write keeps the encoding, its byte-order mark and every other line, and a new file is
// Windows-1252 with CR LF. The 2047-character limit counts characters, not bytes. A file that
// exists but cannot be read is never replaced by one holding only the new key.
TEST(ProfileFile, FilesOnDisk) {
    const std::string set = "\u00C4\u20AC\U0001F600\xE4", utf8 = "\u00C4\u20AC\U0001F600\u00E4",
                      cp1252 = "\xC4\x80?\xE4", l1 = "[Einstellungen]\r\nCollection=";
    // the file (nothing: none), Collection as read, the file after writing `set` under Collection
    const std::tuple<std::optional<std::string>, std::string, std::string> cases[] = {
        {{}, "", l1 + cp1252 + "\r\n"},
        {"[einstellungen]\nCOLLECTION=\xC4pfel\n", "\u00C4pfel", "[einstellungen]\nCOLLECTION=" + cp1252 + "\n"},
        {"[Einstellungen]\rRows=3\rCollection=z\r", "z", "[Einstellungen]\rRows=3\rCollection=" + cp1252 + "\r"},
        {"[Einstellungen\nCollection=z\n", "",
         "[Einstellungen\nCollection=z\n[Einstellungen]\nCollection=" + cp1252 + "\n"},
        {"\xEF\xBB\xBF" + l1 + "z\r\n", "z", "\xEF\xBB\xBF" + l1 + utf8 + "\r\n"},
        {"[Einstellungen]\nCollection=Natur \u00E4\n", "Natur \u00E4", "[Einstellungen]\nCollection=" + utf8 + "\n"},
        {"\xFF\xFE" + le16(u"[Einstellungen]\r\nCollection=\U0001F600x\r\n"), "\U0001F600x",
         "\xFF\xFE" + le16(u"[Einstellungen]\r\nCollection=\u00C4\u20AC\U0001F600\u00E4\r\n")},
        {l1 + std::string(3000, '\xE4'), fromCp1252(std::string(2047, '\xE4')), l1 + cp1252}};
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
    const std::string file = dir.path() + "Quorvia.ini";
    const auto whole = [](char c) {
        return "; keep\r\n[Einstellungen]\r\nCoverIcon=" + std::string(4000, c) + "\r\n[X]\r\n";
    };
    dir.write("Quorvia.ini", whole('A'));
    std::mt19937 rng(4711);
    std::set<std::string> seen;
    for (int round = 0; round < 100 && !HasFailure(); ++round) {
        const pid_t child = ::fork();
        for (unsigned i = 0; child == 0; ++i)
            WriteIniValue(fs, "Einstellungen", "CoverIcon", std::string(4000, "AB"[i % 2]), file);
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
    WriteIniValue(fs, "Einstellungen", "Rows", "6", file);
    EXPECT_EQ(entriesIn(dir.path()), 1) << "the next write clears what a killed writer left";
}

struct SettingsTest : ::testing::Test {
    SettingsTest() : c(makeConstants(dir.path())), settings(c, fs, loader, covers) {
        dir.mkdir("icons/quorvia");
        covers.DefCover = Picture{":DefCover", nullptr};
        settings.startGame = [this] { ++gamesStarted; };
    }
    void reload(const std::string& ini) {
        dir.write("Quorvia.ini", ini);
        settings.ReloadSettings();
    }
    // The live settings and the card back in one line, files relative to the program folder.
    std::string live() const {
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
    CoverPictures covers;
    Settings settings;
    int gamesStarted = 0;
};

// Without a settings file a reload gives the defaults and the built-in card back, creating
// nothing; after the first confirmed dialog its values govern and the file no longer counts.
TEST_F(SettingsTest, WhereAReloadTakesItsValuesFrom) {
    settings.ReloadSettings();
    EXPECT_EQ(live(), "5x8=40 11 quorvia @ icons/quorvia/@.icn :DefCover");
    EXPECT_FALSE(dir.exists("Quorvia.ini"));
    dir.mkdir("icons/zahlen");
    settings.dialog = DialogValues{6, 7, 0, 0, "zahlen", "@"};
    reload("[Einstellungen]\nRows=9\nCols=9\nRemovePairs=1\nAutoCover=1\nCollection=quorvia\nCoverIcon=x.ico\n");
    EXPECT_EQ(live(), "6x7=42 00 zahlen @ icons/zahlen/@.icn :DefCover");
}

// A stored number counts by its leading number, rounded half to even; a value, or a board size,
// that does not fit 16 bits leaves the previous one in place without holding up the others.
TEST_F(SettingsTest, ReloadReadsNumbersLikeText) {
    // Rows, Cols, the resulting "rows x cols = board size key" (each case starts from the last)
    const std::array<std::string, 3> cases[] = {{"", "6", "5x6=30"},          {"abc", "6", "0x6=0"},
                                                {"6.5", "6", "6x6=36"},       {"7.5", "6", "8x6=48"},
                                                {"40000", "9", "8x9=72"},     {" 12 cards", "\"4\"", "12x4=48"},
                                                {"200", "200", "200x200=48"}, {"-3", "-40000", "-3x200=-600"}};
    for (const auto& [rows, cols, expected] : cases) {
        reload("[Einstellungen]\r\nRows=" + rows + "\r\nCols=" + cols + "\r\n");
        EXPECT_EQ(live().substr(0, live().find(' ')), expected) << rows << "/" << cols;
    }
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
    const std::pair<std::string, std::string> cases[] = {
        {"CoverIcon=good.ico", "5x8=40 11 quorvia good.ico icons/@/good.ico icons/@/good.ico"},
        {"CoverIcon=broken.ico", "5x8=40 11 quorvia broken.ico icons/@/broken.ico icons/@/good.ico"},
        {"CoverIcon=gone.ico", "5x8=40 11 quorvia gone.ico icons/@/gone.ico :DefCover"},
        {"CoverIcon=broken.ico", "5x8=40 11 quorvia broken.ico icons/@/broken.ico :DefCover"},
        {"Collection=QUORVIA", "5x8=40 11 QUORVIA @ icons/quorvia/@.icn :DefCover"},
        {"collection = verloren\r\nRows=4", "4x8=32 11 quorvia @ icons/quorvia/@.icn icons/quorvia/@.icn"}};
    for (const auto& [keys, expected] : cases) {
        if (keys.starts_with("coll")) dir.write("icons/quorvia/@.icn", "icon");
        reload("; mine\r\n[Einstellungen]\r\n" + keys + "\r\n\r\n[X]\r\nY=\xE4\r\n");
        EXPECT_EQ(live(), expected);
        EXPECT_EQ(dir.read("Quorvia.ini").find("[Einstellungen]\r\n" + keys),
                  keys.starts_with("coll") ? std::string::npos : 8u);
    }
    EXPECT_EQ(dir.read("Quorvia.ini"),
              "; mine\r\n[Einstellungen]\r\ncollection =quorvia\r\nRows=4\r\n\r\n[X]\r\nY=\xE4\r\n");
}

// Saving writes the six keys in their fixed order, in Windows-1252, and starts one game;
// restoring the defaults rewrites the file's keys in place the same way, leaving the dialog alone.
// A settings file without write permission stays as it is, whoever runs the game.
TEST_F(SettingsTest, SaveAndRestoreDefaults) {
    settings.SaveSettings(-2, 32767, 0, 1, "Natur \u00E4", "@");
    EXPECT_EQ(dir.read("Quorvia.ini"),
              "[Einstellungen]\r\nRows=-2\r\nCols=32767\r\nRemovePairs=0\r\nAutoCover=1\r\n"
              "Collection=Natur \xE4\r\nCoverIcon=@\r\n");
    EXPECT_EQ(gamesStarted, 1);
    const std::string ini = "[Einstellungen]\r\nRows=3\r\nCollection=zahlen\r\nCoverIcon=k.ico\r\n";
    dir.write("Quorvia.ini", ini);
    settings.dialog.DialogCollection = "zahlen";
    settings.mnuStand_Click();
    EXPECT_EQ(dir.read("Quorvia.ini"),
              "[Einstellungen]\r\nRows=5\r\nCollection=quorvia\r\nCoverIcon=@\r\nCols=8\r\n"
              "RemovePairs=1\r\nAutoCover=1\r\n");
    EXPECT_EQ(gamesStarted, 2);
    EXPECT_EQ(settings.dialog.DialogCollection, "zahlen");
    dir.write("Quorvia.ini", ini);  // write-protected from here on
    stdfs::permissions(c.IniFile, stdfs::perms::owner_read | stdfs::perms::group_read | stdfs::perms::others_read);
    settings.mnuStand_Click();
    settings.dialog.DialogCollection.clear();
    settings.ReloadSettings();  // the theme zahlen is gone: the fall-back writes nothing either
    EXPECT_EQ(live(), "3x8=24 11 quorvia k.ico icons/@/k.ico :DefCover");
    EXPECT_EQ(dir.read("Quorvia.ini"), ini);
}

}  // namespace
}  // namespace quorvia::test
