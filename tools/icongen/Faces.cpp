#include "Artwork.h"
#include "Raster.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace quorvia::icongen {

namespace {

const char kEmojiFontPath[] = "/usr/share/fonts/truetype/noto/NotoColorEmoji.ttf";
const char kSansBoldPath[] = "/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf";

// Noto Color Emoji holds bitmaps for 109 px; drawing at that size copies them unscaled.
constexpr int kEmojiPixelSize = 109;
constexpr int kMasterCanvas = 256;

bool loadEmojiFont(QString* family, QString* error) {
    const QString file = QString::fromLatin1(kEmojiFontPath);
    if (!QFile::exists(file)) {
        *error = QStringLiteral("font %1 is missing; install the Debian package fonts-noto-color-emoji").arg(file);
        return false;
    }
    const int id = QFontDatabase::addApplicationFont(file);
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    if (id < 0 || families.isEmpty()) {
        *error = QStringLiteral("Qt cannot load the font %1").arg(file);
        return false;
    }
    *family = families.first();
    return true;
}

}  // namespace

bool loadFonts(Fonts* fonts, QString* error) {
    if (!loadEmojiFont(&fonts->emojiFamily, error)) return false;
    const QString sans = QString::fromLatin1(kSansBoldPath);
    if (!QFile::exists(sans)) {
        *error = QStringLiteral("font %1 is missing; install the Debian package fonts-liberation2").arg(sans);
        return false;
    }
    fonts->sansBold = QRawFont(sans, 200, QFont::PreferNoHinting);
    if (!fonts->sansBold.isValid() || fonts->sansBold.weight() < QFont::Bold) {
        *error = QStringLiteral("Qt cannot load %1 as a bold font").arg(sans);
        return false;
    }
    for (QChar c : QStringLiteral("0123456789?")) {
        if (!fonts->sansBold.supportsCharacter(c)) {
            *error = QStringLiteral("%1 lacks the character %2").arg(sans, c);
            return false;
        }
    }
    return true;
}

QPainterPath textPath(const QRawFont& font, const QString& text) {
    const QList<quint32> glyphs = font.glyphIndexesForString(text);
    const QList<QPointF> advances = font.advancesForGlyphIndexes(glyphs, QRawFont::KernedAdvances);
    QPainterPath path;
    QPointF pen(0, 0);
    for (qsizetype i = 0; i < glyphs.size(); ++i) {
        path.addPath(font.pathForGlyph(glyphs[i]).translated(pen));
        pen += advances[i];
    }
    return path;
}

// ---- emoji ---------------------------------------------------------------------------------

QImage renderEmojiMaster(const Fonts& fonts, const EmojiFace& face, QString* error) {
    const QString text = QString::fromUcs4(face.sequence);
    const QString name = QString::fromLatin1(face.name);

    QFont font(fonts.emojiFamily);
    font.setPixelSize(kEmojiPixelSize);
    font.setStyleStrategy(QFont::NoFontMerging);  // never borrow a glyph from another font
    const QFontMetrics metrics(font);
    for (const char32_t* cp = face.sequence; *cp; ++cp) {
        if (*cp == 0xFE0F || *cp == 0x200D) continue;
        if (!metrics.inFontUcs4(uint(*cp))) {
            *error = QStringLiteral("%1: U+%2 is not in %3")
                         .arg(name)
                         .arg(uint(*cp), 4, 16, QLatin1Char('0'))
                         .arg(fonts.emojiFamily);
            return {};
        }
    }

    QImage canvas(kMasterCanvas, kMasterCanvas, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(0);
    {
        QPainter painter(&canvas);
        painter.setFont(font);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setRenderHint(QPainter::TextAntialiasing, true);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.drawText(QRect(0, 0, kMasterCanvas, kMasterCanvas), Qt::AlignCenter, text);
    }
    const QRect bounds = alphaBounds(canvas);
    if (bounds.isEmpty()) {
        *error = QStringLiteral("%1: nothing was drawn").arg(name);
        return {};
    }
    if (bounds.left() == 0 || bounds.top() == 0 || bounds.right() == kMasterCanvas - 1 ||
        bounds.bottom() == kMasterCanvas - 1 || bounds.width() > 150) {
        *error = QStringLiteral("%1: the sequence did not draw as one picture (%2 x %3 px)")
                     .arg(name)
                     .arg(bounds.width())
                     .arg(bounds.height());
        return {};
    }
    return canvas.convertToFormat(QImage::Format_ARGB32);
}

QImage emojiAtSize(const QImage& master, int size) {
    // A thin free edge so neighbouring cards never touch: 1 px up to 32 px, then ~4 %.
    const int margin = size <= 32 ? 1 : int(std::lround(size * 0.04));
    return fitSquare(master, size, margin);
}

// ---- number tiles ---------------------------------------------------------------------------

namespace {

double relativeLuminance(const QColor& c) {
    auto lin = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
}

// Distinct tile colours: hues spread by the golden angle so neighbours differ strongly,
// darkened until white digits stand out clearly.
QColor tileColour(int n) {
    const double hue = std::fmod(n * 137.50776405, 360.0) / 360.0;
    const double saturation = (n % 3 == 0) ? 0.55 : 0.75;
    double lightness = (n % 2 == 0) ? 0.42 : 0.50;
    QColor c = QColor::fromHslF(float(hue), float(saturation), float(lightness));
    while (relativeLuminance(c) > 0.20 && lightness > 0.2) {
        lightness -= 0.01;
        c = QColor::fromHslF(float(hue), float(saturation), float(lightness));
    }
    return c;
}

}  // namespace

QImage numberTile(const Fonts& fonts, int n, int size) {
    const QColor base = tileColour(n);
    const QString text = QString::number(n);
    const QPainterPath glyphs = textPath(fonts.sansBold, text);
    // All numbers share one digit height (that of "0"), so 7 and 37 look like one family.
    const QRectF digitBox = textPath(fonts.sansBold, QStringLiteral("0")).boundingRect();
    const QRectF widest = textPath(fonts.sansBold, QStringLiteral("40")).boundingRect();

    return supersample(size, 8, [&](QPainter& p) {
        const double s = size;
        const double radius = s * 0.18;
        QRectF tile(0.5, 0.5, s - 1.0, s - 1.0);
        if (size <= 16) tile = QRectF(0, 0, s, s);
        QLinearGradient fill(0, 0, 0, s);
        fill.setColorAt(0.0, base.lighter(125));
        fill.setColorAt(1.0, base.darker(115));
        p.setPen(size <= 16 ? QPen(Qt::NoPen) : QPen(base.darker(170), 1.0));
        p.setBrush(fill);
        p.drawRoundedRect(tile, radius, radius);

        // Digit height about 58 % of the tile; widths condensed so that "40" fits in 86 %.
        const double scaleY = (s * (size <= 16 ? 0.66 : 0.58)) / digitBox.height();
        const double scaleX = std::min(scaleY, (s * (size <= 16 ? 0.94 : 0.86)) / widest.width());
        QRectF box = glyphs.boundingRect();
        QTransform t;
        t.translate(s / 2.0, s / 2.0);
        t.scale(scaleX, scaleY);
        t.translate(-box.center().x(), -(digitBox.top() + digitBox.height() / 2.0));
        const QPainterPath placed = t.map(glyphs);

        if (size >= 32) {  // soft drop shadow
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0, 0, 0, 90));
            p.drawPath(placed.translated(s / 40.0, s / 32.0));
        }
        if (size >= 32)  // a dark rim outside the digits (the fill covers the inner half)
            p.strokePath(placed, QPen(base.darker(200), s / 20.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.fillPath(placed, Qt::white);
    });
}

}  // namespace quorvia::icongen
