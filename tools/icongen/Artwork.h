// Drawing functions of the icon generator. Every function is deterministic: the same fonts
// and the same Qt build give the same pixels.
#pragma once

#include "EmojiCatalog.h"

#include <QImage>
#include <QList>
#include <QPainterPath>
#include <QRawFont>
#include <QString>

#include <functional>

namespace quorvia::icongen {

// The sizes every generated icon file holds.
inline const QList<int> kIconSizes = {16, 32, 48, 64};

struct Fonts {
    QString emojiFamily;  // Noto Color Emoji, registered with QFontDatabase::addApplicationFont
    QRawFont sansBold;    // Liberation Sans Bold, read straight from its file (no family matching)
};

// Loads the fonts from their Debian paths; on failure returns false with a message.
bool loadFonts(Fonts* fonts, QString* error);

// The unhinted outline of `text` in `font` (kerned), baseline at y = 0, starting at x = 0.
QPainterPath textPath(const QRawFont& font, const QString& text);

// ---- card faces --------------------------------------------------------------------------
// One emoji drawn large from the colour font, transparent around it. Empty image + message
// if the font lacks a code point or the sequence does not shape into one picture.
QImage renderEmojiMaster(const Fonts& fonts, const EmojiFace& face, QString* error);
// The master fitted into a size x size square, centred, filling it.
QImage emojiAtSize(const QImage& master, int size);

// Number n (1-based) on a coloured rounded tile, for the "zahlen" theme.
QImage numberTile(const Fonts& fonts, int n, int size);

// ---- card backs ---------------------------------------------------------------------------
struct Cover {
    QString fileName;  // with extension (.ico or .icn)
    std::function<QImage(int size)> render;
};
// The shared cover set (data/icons/@).
QList<Cover> sharedCovers();
// The own covers of the two themes that have one.
QImage quorviaCover(const Fonts& fonts, int size);
QImage zahlenCover(int size);

// ---- program images (resources/images) ----------------------------------------------------
QImage windowIcon();    // 32 x 32, 16 VGA colours: blue question mark on a raised grey tile
QImage defaultCover();  // 32 x 32, 16 VGA colours: black question mark on a raised light-grey tile
QImage pointingHand();  // 32 x 32 monochrome pointer, finger tip (hot spot) at (7, 1)
QImage logoLeft();      // 32 x 32: two overlapping cards, the front one with a question mark
QImage logoRight();     // 32 x 32: a card with a star
QImage appIcon(const Fonts& fonts, int size);  // window icon motif, full colour, any size

}  // namespace quorvia::icongen
