// The icons a player meets: every shipped icon reads back through Qt's ico reader at every
// standard size, and the default theme has a different face for every pair of the largest
// board.
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QImageReader>

#include <gtest/gtest.h>

#include <set>

namespace {

const QString kIcons = QStringLiteral(QUORVIA_SOURCE_DIR "/data/icons");

// The image of side `size` in an icon file, or a null image.
QImage imageOfSize(const QString& path, int size) {
    QImageReader reader(path, "ico");
    for (int i = 0; i < reader.imageCount() && reader.jumpToImage(i); ++i) {
        if (reader.size() == QSize(size, size)) return reader.read();
    }
    return {};
}

TEST(ShippedIcons, EveryIconReadsBackAtEveryStandardSize) {
    int files = 0;
    QDirIterator it(kIcons, {QStringLiteral("*.ico"), QStringLiteral("*.icn")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        ++files;
        for (int size : {16, 32, 48, 64}) {
            EXPECT_EQ(imageOfSize(path, size).size(), QSize(size, size)) << path.toStdString() << " at " << size;
        }
    }
    EXPECT_GT(files, 300);
}

TEST(ShippedIcons, DefaultThemeHasADifferentFaceForEveryPairOfTheLargestBoard) {
    const QDir theme(kIcons + QStringLiteral("/quorvia"));
    std::set<QByteArray> faces;
    for (const QString& name : theme.entryList({QStringLiteral("*.ico")}, QDir::Files)) {
        const QImage face = imageOfSize(theme.filePath(name), 32).convertToFormat(QImage::Format_ARGB32);
        faces.insert(
            QCryptographicHash::hash(QByteArrayView(face.constBits(), face.sizeInBytes()), QCryptographicHash::Sha256));
    }
    EXPECT_GE(faces.size(), 243U) << "the largest board deals 243 pairs";
}

}  // namespace
