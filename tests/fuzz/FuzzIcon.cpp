// Loading a card picture as the game does, from arbitrary file bytes, and drawing it onto a
// card: no crash, and a picture that loads has at least one non-empty image.

#include "qt/QtPictureLoader.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto picture = quorvia::decodeIcon(bytes, "fuzz.ico");
    if (!picture) return 0;
    const auto* images = static_cast<const quorvia::IconImages*>(picture->image.get());
    if (!images || images->sizes.empty() || images->sizes.front().isNull()) std::abort();
    QImage card(32, 32, QImage::Format_ARGB32_Premultiplied);
    card.fill(Qt::transparent);
    QPainter painter(&card);
    quorvia::drawPicture(painter, QRectF(0, 0, 32, 32), *picture);
    return 0;
}
