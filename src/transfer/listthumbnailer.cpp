#include "transfer/listthumbnailer.h"

#include "platform/imagedecoder.h"
#include "transfer/compactpng.h"
#include "transfer/thumbnailcache.h"
#include "transfer/wire.h"

#include <QFile>
#include <QImage>

#include <map>
#include <mutex>

namespace transfer {
namespace {

std::string dataUrl(const QByteArray &png) {
    std::string text(wire::thumbnailPrefix);
    text += png.toBase64().toStdString();
    return text;
}

const std::map<std::string, std::string, std::less<>> &icons() {
    static const std::map<std::string, std::string, std::less<>> table = [] {
        std::map<std::string, std::string, std::less<>> result;
        for (const char *name : {"pdf", "mp4", "mp3", "zip", "other"}) {
            QFile file(QStringLiteral(":/transfer/icons/%1.png").arg(QLatin1String(name)));
            if (file.open(QIODevice::ReadOnly))
                result.emplace(name, dataUrl(file.readAll()));
        }
        return result;
    }();
    return table;
}

} // namespace

std::string_view iconNameFor(std::string_view ext) {
    if (wire::contains(wire::iconGroupA, ext))
        return wire::iconGroupA[0];
    if (wire::contains(wire::iconGroupB, ext))
        return wire::iconGroupB[0];
    if (wire::contains(wire::iconGroupC, ext))
        return wire::iconGroupC[0];
    if (wire::contains(wire::iconGroupD, ext))
        return wire::iconGroupD[0];
    return wire::otherKind;
}

std::string ListThumbnailer::imageThumbnail(const QString &path) const {
    const std::optional<QByteArray> key = m_cache ? ThumbnailCache::keyFor(path) : std::nullopt;
    if (key) {
        if (std::optional<std::string> cached = m_cache->find(*key))
            return *cached;
    }
    const QImage image = platform::decodeImage(path, maxSide);
    const QByteArray png = image.isNull() ? QByteArray() : compactPng(image);
    if (key)
        return m_cache->insert(*key, png);
    return png.isEmpty() ? std::string() : dataUrl(png);
}

const std::string &ListThumbnailer::iconThumbnail(std::string_view iconName) const {
    static const std::string none;
    const auto &table = icons();
    const auto it = table.find(iconName);
    return it == table.end() ? none : it->second;
}

} // namespace transfer
