// Choosing the icons of a game: the scan of the theme folder, filling up a small theme, and
// the random and fixed-order selection modes.

#include "board/BoardFixture.h"

#include <gtest/gtest.h>

namespace quorvia::test {
namespace {

// Golden decks from scripted draws (icons by number, "-" for an empty entry), from the ".ico"
// files of a theme stored in another letter case, its cover and other files left out. A small
// theme is filled up with copies of entry floor(r * (s - 1)), up to one icon for every pair,
// also for an odd card count from a hand-edited file (25 cards, 13 pairs). The mode file's first
// field decides: 1 (after rounding half to even) draws at random, anything else takes pair
// i from position i of the shrinking pool, which runs past its end; a theme without icons
// deals cards without a face.
TEST(IconChoice, DecksFromScriptedDraws) {
    struct Case {
        int icons;
        const char* mode;  // nullptr: no mode file
        const char* size;
        std::vector<float> draws;  // then 0.0 for ever: the draw takes entry 0
        const char* deck;
    } cases[] = {
        {2, nullptr, "8", {0.99f, 0.99f}, "00 00 01 01 00 00 01 01"},
        {12, nullptr, "25", {}, "00 00 01 01 02 02 03 03 04 04 05 05 06 06 07 07 08 08 09 09 10 10 11 11 00 00"},
        {3, "0", "6", {}, "00 00 02 02 - -"},
        {0, nullptr, "4", {0.5f, 0.5f, 0.5f}, "- - - -"},
        {6, "1", "4", {}, "00 00 01 01"},
        {6, "1\r\n", "4", {}, "00 00 01 01"},
        {6, "1.4", "4", {}, "00 00 01 01"},
        {6, "\"1\",9", "4", {}, "00 00 01 01"},
        {6, "\r\n  1,0", "4", {}, "00 00 01 01"},
        {6, "1.5", "4", {}, "00 00 02 02"},
        {6, "word", "4", {}, "00 00 02 02"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::to_string(k.icons) + " icons, mode file " + (k.mode ? k.mode : "none") + ", " + k.size);
        Board b;
        b.theme("quorvia", k.icons);
        for (const char* other : {"@.icn", "d.png", "e.ico.bak"}) b.dir.write(std::string("icons/quorvia/") + other);
        if (k.mode) b.dir.write("icons/quorvia/mgame.ITP", k.mode);
        b.settings.live.BoardSizeKey = k.size;
        b.settings.live.ActiveCollection = "QUORVIA";
        b.random = ScriptedRandom(k.draws, 0.0f);
        b.game.LoadLists();
        std::string deck;
        for (const std::string& icon : b.game.lstIcons[1]) {
            deck += (deck.empty() ? "" : " ") + (icon.empty() ? "-" : icon.substr(icon.size() - 6, 2));
        }
        EXPECT_EQ(deck, k.deck);
        EXPECT_TRUE(k.mode || b.game.lstIcons[0].empty()) << "one icon for every pair, all of them drawn";
    }
}

}  // namespace
}  // namespace quorvia::test
