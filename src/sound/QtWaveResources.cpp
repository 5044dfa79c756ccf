#include "sound/QtWaveResources.h"

#include <QFile>
#include <QString>

namespace quorvia {

namespace {

QString fromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

std::vector<std::uint8_t> QtWaveResources::load(std::string_view type, std::string_view name) {
    QFile file(QStringLiteral(":/") + fromUtf8(type) + QLatin1Char('/') + fromUtf8(name));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray bytes = file.readAll();
    return {bytes.begin(), bytes.end()};
}

}  // namespace quorvia
