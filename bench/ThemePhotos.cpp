// bench_theme_photos FOLDER COUNT: writes COUNT different 12-megapixel (4000 x 3000) JPEG
// photos for the theme benchmark: soft shapes in many colours under sensor-like noise, so
// that they compress about as a camera's pictures do (3 to 5 MB at quality 90).
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRadialGradient>

#include <cstdint>
#include <cstdio>
#include <random>

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_theme_photos FOLDER COUNT\n");
        return 2;
    }
    QGuiApplication app(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const int count = std::atoi(argv[2]);
    for (int n = 0; n < count; ++n) {
        std::mt19937 random(std::uint32_t(n + 1));
        auto colour = [&] {
            return QColor::fromHsv(int(random() % 360), int(random() % 200), 60 + int(random() % 190));
        };
        QImage photo(4000, 3000, QImage::Format_RGB32);
        QPainter painter(&photo);
        QLinearGradient sky(0, 0, 0, 3000);
        sky.setColorAt(0, colour());
        sky.setColorAt(1, colour());
        painter.fillRect(photo.rect(), sky);
        painter.setPen(Qt::NoPen);
        for (int i = 0; i < 60; ++i) {
            const QPointF centre(random() % 4000, random() % 3000);
            const double radius = 50 + random() % 900;
            QRadialGradient blob(centre, radius);
            blob.setColorAt(0, colour());
            blob.setColorAt(1, colour());
            painter.setBrush(blob);
            painter.drawEllipse(centre, radius, radius * (0.4 + (random() % 100) / 80.0));
        }
        painter.end();
        for (int y = 0; y < photo.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(photo.scanLine(y));
            for (int x = 0; x < photo.width(); ++x) {
                const int d = int(random() % 25) - 12;
                const QRgb p = line[x];
                line[x] =
                    qRgb(qBound(0, qRed(p) + d, 255), qBound(0, qGreen(p) + d, 255), qBound(0, qBlue(p) + d, 255));
            }
        }
        if (!photo.save(QStringLiteral("%1/photo-%2.jpg").arg(folder).arg(n, 3, 10, QChar(u'0')), "jpg", 90)) return 1;
    }
    return 0;
}
