// Choosing the icons of a game: the scan of the theme folder, filling up a small theme, and
// the random and fixed-order selection modes.

#include "board/BoardFixture.h"

#include <gtest/gtest.h>

#include <set>

namespace quorvia::test {
namespace {

void setBoard(Board& b, const std::string& key, const std::string& theme = "quorvia") {
    b.settings.live.BoardSizeKey = key;
    b.settings.live.ActiveCollection = theme;
}

// The scan takes ordinary ".ico" files in any letter case, sorted by name, and nothing else:
// not the theme cover, not other extensions, not hidden files, not folders.
TEST(IconChoice, ScanTakesIcoFilesOnly) {
    Board b;
    for (const char* f : {"b.ICO", "a.ico", "C.Ico", "@.icn", "d.png", ".hidden.ico", "mgame.ITP"}) {
        b.dir.write(std::string("icons/quorvia/") + f, f == std::string("mgame.ITP") ? "1" : "");
    }
    b.dir.mkdir("icons/quorvia/folder.ico");
    setBoard(b, "0");
    b.game.LoadLists();
    const std::string base = b.c.AppPath + "icons/quorvia/";
    EXPECT_EQ(b.game.lstIcons[0], (std::vector<std::string>{base + "a.ico", base + "b.ICO", base + "C.Ico"}));
    EXPECT_TRUE(b.game.lstIcons[1].empty());
}

// A theme stored under another letter case still finds its folder; the paths keep the
// stored spelling, so equal icons still compare equal.
TEST(IconChoice, ThemeNameInAnotherCase) {
    Board b;
    b.theme("quorvia", 4);
    setBoard(b, "4", "QUORVIA");
    b.game.LoadLists();
    ASSERT_EQ(b.game.lstIcons[1].size(), 4u);
    EXPECT_EQ(b.game.lstIcons[1][0].rfind(b.c.AppPath + "icons/QUORVIA/", 0), 0u);
}

// 30 icons and 40 cards: 20 distinct pairs, each as two consecutive entries; 10 stay.
// 12 icons and 40 cards: the pool is filled up to 20, so icons repeat across pairs.
TEST(IconChoice, PairsAndFillingUp) {
    {
        Board b;
        b.theme("quorvia", 30);
        SeededRandom real(7);
        Game game(b.settings, b.covers, diskFileSystem(), b.loader, real, b.clock, [] {});
        setBoard(b, "40");
        game.LoadLists();
        const auto& deck = game.lstIcons[1];
        ASSERT_EQ(deck.size(), 40u);
        std::set<std::string> distinct;
        for (std::size_t i = 0; i < deck.size(); i += 2) {
            EXPECT_EQ(deck[i], deck[i + 1]);
            distinct.insert(deck[i]);
        }
        EXPECT_EQ(distinct.size(), 20u);
        EXPECT_EQ(game.lstIcons[0].size(), 10u);
    }
    {
        Board b;
        const auto icons = b.theme("quorvia", 12);
        SeededRandom real(11);
        Game game(b.settings, b.covers, diskFileSystem(), b.loader, real, b.clock, [] {});
        setBoard(b, "40");
        game.LoadLists();
        const auto& deck = game.lstIcons[1];
        ASSERT_EQ(deck.size(), 40u);
        std::set<std::string> distinct(deck.begin(), deck.end());
        EXPECT_LE(distinct.size(), 12u);
        for (const auto& tag : distinct) EXPECT_NE(std::find(icons.begin(), icons.end(), tag), icons.end());
        EXPECT_TRUE(game.lstIcons[0].empty()) << "20 entries, 20 pairs drawn";
    }
}

// The fill-up copies entry floor(r * (s - 1)): with r close to 1 the last entry is never
// copied while the pool has two or more entries.
TEST(IconChoice, FillUpRoundsDown) {
    Board b;
    const auto icons = b.theme("quorvia", 2);
    setBoard(b, "8");
    // Fill-up: s=2: floor(0.99*1)=0 -> a; s=3: floor(0.99*2)=1 -> b. Pool a,b,a,b.
    // Pairs (fixed 0.0 draws): entry 0 each time: a, b, a, b.
    for (float r : {0.99f, 0.99f}) b.random.push(r);
    b.game.LoadLists();
    EXPECT_EQ(b.game.lstIcons[1], (std::vector<std::string>{icons[0], icons[0], icons[1], icons[1], icons[0], icons[0],
                                                            icons[1], icons[1]}));
}

// The mode file's first field decides: 1 (after rounding half to even) is random, anything
// else fixed order, where pair i takes pool entry i of the pool as it stands then.
TEST(IconChoice, ModeFile) {
    struct Case {
        const char* content;
        bool fixedOrder;
    } cases[] = {
        {"1", false}, {"1\r\n", false}, {"1.4", false},     {"1.5", true},        {"0", true},
        {"2", true},  {"word", true},   {"\"1\",9", false}, {"\r\n  1,0", false}, {" 0 ", true},
    };
    for (const Case& k : cases) {
        Board b;
        const auto icons = b.theme("quorvia", 6);
        b.dir.write("icons/quorvia/mgame.ITP", k.content);
        setBoard(b, "4");
        b.random = ScriptedRandom({}, 0.0f);  // the draw always takes entry 0
        b.game.LoadLists();
        // Random: a, then b. Fixed: pool(0) = a, then (a removed) pool(1) = c.
        const std::vector<std::string> expected =
            k.fixedOrder ? std::vector<std::string>{icons[0], icons[0], icons[2], icons[2]}
                         : std::vector<std::string>{icons[0], icons[0], icons[1], icons[1]};
        EXPECT_EQ(b.game.lstIcons[1], expected) << "mode file: " << k.content;
    }
}

// In fixed order with too few icons, positions past the shrinking pool give empty entries.
TEST(IconChoice, FixedOrderRunsPastThePool) {
    Board b;
    b.theme("quorvia", 3);
    b.dir.write("icons/quorvia/mgame.ITP", "0");
    setBoard(b, "6");
    b.random = ScriptedRandom({}, 0.0f);
    b.game.LoadLists();
    ASSERT_EQ(b.game.lstIcons[1].size(), 6u);
    EXPECT_EQ(b.game.lstIcons[1][4], "") << "pair 2 reads position 2 of a one-entry pool";
}

// A theme without icons fills its pool with empty texts: cards without a face.
TEST(IconChoice, ThemeWithoutIcons) {
    Board b;
    b.dir.mkdir("icons/quorvia");
    setBoard(b, "4");
    b.random = ScriptedRandom({}, 0.5f);
    b.game.LoadLists();
    EXPECT_EQ(b.game.lstIcons[1], (std::vector<std::string>{"", "", "", ""}));
}

}  // namespace
}  // namespace quorvia::test
