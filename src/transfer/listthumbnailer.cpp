#include "transfer/listthumbnailer.h"

#include "thumbnails/thumbnailcache.h"
#include "transfer/wire.h"

#include <QFile>
#include <QImage>

#include <map>
#include <mutex>

namespace transfer {
namespace {

static_assert(thumbnails::pngDataUrlPrefix == wire::thumbnailPrefix,
              "cached list thumbnails are the reply's thumbnail texts as they stand");

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
    return thumbnails::paletteThumbnailText(path, maxSide, m_cache);
}

const std::string &ListThumbnailer::iconThumbnail(std::string_view iconName) const {
    static const std::string none;
    const auto &table = icons();
    const auto it = table.find(iconName);
    return it == table.end() ? none : it->second;
}

} // namespace transfer
