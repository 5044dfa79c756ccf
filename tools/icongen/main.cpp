// quorvia_icongen <output-root> [--contact-sheet FILE]
//
// Writes every picture Quorvia ships, deterministically, below <output-root>:
//   data/icons/quorvia/       default theme: emoji faces (*.ico) and its cover @.icn
//   data/icons/zahlen/        fixed-order theme: mgame.ITP, number faces 01.ico.., cover @.icn
//   data/icons/natur/tiere/   nested theme: animal emoji faces, no cover
//   data/icons/@/             shared covers (*.ico, a few *.icn)
//   resources/images/         window icon, built-in card back, pointer, dialog logos, app icons
// Existing .ico/.icn files in those theme folders are removed first, so renamed faces leave
// nothing stale behind. Needs a Qt platform; run it with QT_QPA_PLATFORM=offscreen.
#include "Artwork.h"
#include "EmojiCatalog.h"
#include "Raster.h"
#include "themetool/IcoWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QSaveFile>
#include <QSet>

#include <cstdio>
#include <cstdlib>

using namespace quorvia::icongen;
using quorvia::themes::IcoWriter;

namespace {

[[noreturn]] void fail(const QString& message) {
    std::fprintf(stderr, "quorvia_icongen: %s\n", qPrintable(message));
    std::exit(1);
}

void makeDir(const QString& path) {
    if (!QDir().mkpath(path)) fail(QStringLiteral("cannot create the folder %1").arg(path));
}

// Prepares a theme folder: creates it and removes the icon files a previous run left.
void prepareThemeDir(const QString& path) {
    makeDir(path);
    QDir dir(path);
    const QStringList old = dir.entryList({QStringLiteral("*.ico"), QStringLiteral("*.icn")}, QDir::Files);
    for (const QString& name : old)
        if (!dir.remove(name)) fail(QStringLiteral("cannot remove %1").arg(dir.filePath(name)));
}

void writeIcon(const QString& path, const QList<QImage>& images) {
    QString error;
    if (!IcoWriter::writeFile(path, images, &error)) fail(error);
}

QList<QImage> atAllSizes(const std::function<QImage(int)>& render) {
    QList<QImage> images;
    for (int size : kIconSizes) images.append(render(size));
    return images;
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        fail(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
}

void writePng(const QString& path, const QImage& image) {
    QString error;
    const QByteArray png = IcoWriter::encodePng(image, &error);
    if (png.isEmpty()) fail(QStringLiteral("%1: %2").arg(path, error));
    writeBytes(path, png);
}

int writeEmojiTheme(const QString& dir, const Fonts& fonts, const QList<EmojiFace>& faces) {
    QSet<QString> names;
    for (const EmojiFace& face : faces) {
        const QString name = QString::fromLatin1(face.name);
        if (names.contains(name)) fail(QStringLiteral("the face name %1 is used twice").arg(name));
        names.insert(name);
        QString error;
        const QImage master = renderEmojiMaster(fonts, face, &error);
        if (master.isNull()) fail(error);
        writeIcon(dir + QLatin1Char('/') + name + QStringLiteral(".ico"),
                  atAllSizes([&](int size) { return emojiAtSize(master, size); }));
    }
    return int(faces.size());
}

// ---- contact sheet (for looking at the work; not part of the shipped output) -----------------

QImage readIconSize(const QString& path, int size) {
    QImageReader reader(path);
    for (int i = 0; i < reader.imageCount(); ++i) {
        reader.jumpToImage(i);
        if (reader.size() == QSize(size, size)) return reader.read();
    }
    fail(QStringLiteral("%1 has no %2 px image").arg(path).arg(size));
}

QStringList iconFiles(const QString& dir) {
    return QDir(dir).entryList({QStringLiteral("*.ico"), QStringLiteral("*.icn")}, QDir::Files, QDir::Name);
}

void writeContactSheet(const QString& root, const QString& sheetPath) {
    const QString icons = root + QStringLiteral("/data/icons");
    const int cols = 20;
    const int cell = 40;
    struct Row {
        QList<QImage> images;
        int cell;
    };
    QList<Row> sections;

    auto faces = [&](const QString& dir, int size) {
        Row row{{}, size + 8};
        for (const QString& f : iconFiles(dir)) row.images.append(readIconSize(dir + QLatin1Char('/') + f, size));
        sections.append(row);
    };
    faces(icons + QStringLiteral("/quorvia"), 32);
    faces(icons + QStringLiteral("/zahlen"), 32);
    faces(icons + QStringLiteral("/natur/tiere"), 32);
    faces(icons + QStringLiteral("/@"), 64);
    faces(icons + QStringLiteral("/@"), 16);
    faces(icons + QStringLiteral("/quorvia"), 16);

    Row res{{}, 72};
    const QString images = root + QStringLiteral("/resources/images");
    for (const char* name : {"window-icon", "default-cover", "pointing-hand", "logo-left", "logo-right"}) {
        const QImage img(images + QLatin1Char('/') + QString::fromLatin1(name) + QStringLiteral(".png"));
        res.images.append(img);
        res.images.append(img.scaled(64, 64, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    }
    sections.append(res);
    Row app{{}, 264};
    for (int s : {16, 32, 48, 64, 128, 256})
        app.images.append(QImage(images + QStringLiteral("/app-icon-%1.png").arg(s)));
    sections.append(app);
    Row covers{{}, 72};
    for (const QString& cover : {icons + QStringLiteral("/quorvia/@.icn"), icons + QStringLiteral("/zahlen/@.icn")})
        for (int s : kIconSizes) covers.images.append(readIconSize(cover, s));
    sections.append(covers);

    int width = 0, height = 0;
    for (const Row& r : sections) {
        const int perRow = std::max(1, std::min(cols, (cols * cell) / r.cell));
        width = std::max(width, perRow * r.cell);
        height += int((r.images.size() + perRow - 1) / perRow) * r.cell + 12;
    }
    QImage sheet(width, height, QImage::Format_ARGB32);
    sheet.fill(QColor(0x9e, 0xa7, 0xb0));
    QPainter p(&sheet);
    int y = 0;
    for (const Row& r : sections) {
        const int perRow = std::max(1, std::min(cols, (cols * cell) / r.cell));
        for (int i = 0; i < r.images.size(); ++i) {
            const int x0 = (i % perRow) * r.cell;
            const int y0 = y + (i / perRow) * r.cell;
            p.fillRect(x0 + 1, y0 + 1, r.cell - 2, r.cell - 2, QColor(0xf4, 0xf1, 0xe8));
            const QImage& img = r.images[i];
            p.drawImage(x0 + (r.cell - img.width()) / 2, y0 + (r.cell - img.height()) / 2, img);
        }
        y += int((r.images.size() + perRow - 1) / perRow) * r.cell + 12;
    }
    p.end();
    if (!sheet.save(sheetPath)) fail(QStringLiteral("cannot write %1").arg(sheetPath));
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    QString sheetPath;
    const int sheetAt = int(args.indexOf(QStringLiteral("--contact-sheet")));
    if (sheetAt >= 0) {
        if (sheetAt + 1 >= args.size()) fail(QStringLiteral("--contact-sheet needs a file name"));
        sheetPath = args[sheetAt + 1];
        args.remove(sheetAt, 2);
    }
    if (args.size() != 1) {
        std::fprintf(stderr,
                     "usage: quorvia_icongen <output-root> [--contact-sheet FILE]\n"
                     "  writes data/icons/... and resources/images/... below <output-root>\n");
        return 2;
    }
    const QString root = QDir(args[0]).absolutePath();

    Fonts fonts;
    QString error;
    if (!loadFonts(&fonts, &error)) fail(error);

    const QString icons = root + QStringLiteral("/data/icons");

    // The default theme.
    const QString quorvia = icons + QStringLiteral("/quorvia");
    prepareThemeDir(quorvia);
    const int quorviaCount = writeEmojiTheme(quorvia, fonts, quorviaFaces());
    writeIcon(quorvia + QStringLiteral("/@.icn"), atAllSizes([&](int s) { return quorviaCover(fonts, s); }));

    // The fixed-order number theme.
    const QString zahlen = icons + QStringLiteral("/zahlen");
    prepareThemeDir(zahlen);
    writeBytes(zahlen + QStringLiteral("/mgame.ITP"), QByteArrayLiteral("0\r\n"));
    const int numberCount = 40;
    for (int n = 1; n <= numberCount; ++n)
        writeIcon(zahlen + QStringLiteral("/%1.ico").arg(n, 2, 10, QLatin1Char('0')),
                  atAllSizes([&](int s) { return numberTile(fonts, n, s); }));
    writeIcon(zahlen + QStringLiteral("/@.icn"), atAllSizes(zahlenCover));

    // The nested theme: natur/ holds only the folder tiere/.
    prepareThemeDir(icons + QStringLiteral("/natur"));
    const QString tiere = icons + QStringLiteral("/natur/tiere");
    prepareThemeDir(tiere);
    const int animalCount = writeEmojiTheme(tiere, fonts, animalFaces());

    // The shared covers.
    const QString shared = icons + QStringLiteral("/@");
    prepareThemeDir(shared);
    const QList<Cover> covers = sharedCovers();
    for (const Cover& cover : covers) writeIcon(shared + QLatin1Char('/') + cover.fileName, atAllSizes(cover.render));

    // The program's own images.
    const QString images = root + QStringLiteral("/resources/images");
    makeDir(images);
    writePng(images + QStringLiteral("/window-icon.png"), windowIcon());
    writePng(images + QStringLiteral("/default-cover.png"), defaultCover());
    writePng(images + QStringLiteral("/pointing-hand.png"), pointingHand());
    writePng(images + QStringLiteral("/logo-left.png"), logoLeft());
    writePng(images + QStringLiteral("/logo-right.png"), logoRight());
    for (int size : {16, 32, 48, 64, 128, 256})
        writePng(images + QStringLiteral("/app-icon-%1.png").arg(size), appIcon(fonts, size));

    std::printf("quorvia: %d faces, zahlen: %d faces, natur/tiere: %d faces, @: %d covers\n", quorviaCount, numberCount,
                animalCount, int(covers.size()));

    if (!sheetPath.isEmpty()) {
        writeContactSheet(root, sheetPath);
        std::printf("contact sheet: %s\n", qPrintable(sheetPath));
    }
    return 0;
}
