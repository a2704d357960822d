#include "transfer/downloadstream.h"

#include "http/urlencoding.h"
#include "transfer/wire.h"

#include <QMimeDatabase>

#include <map>
#include <mutex>

namespace transfer {
// Quotes, backslashes and control characters never reach the header line as they are.
std::string dispositionValue(const QString &name) {
    std::string plain;
    for (const QChar c : name)
        plain +=
            (c.unicode() < 0x20 || c.unicode() >= 0x7f || c == '"' || c == '\\') ? '_' : char(c.unicode());
    return std::string(wire::dispositionPrefix) + plain + std::string(wire::dispositionSuffix) +
           "; filename*=UTF-8''" + http::encodeComponent(name.toStdString());
}

// The content type for a file name's extension, remembered per extension: the MIME database
// serialises its lookups, which would show on busy servers.
std::string contentTypeFor(const std::string &name) {
    static std::mutex mutex;
    static std::map<std::string, std::string> known;
    const size_t dot = name.rfind('.');
    const std::string ext = dot == std::string::npos
                                ? std::string()
                                : QString::fromStdString(name.substr(dot + 1)).toLower().toStdString();
    std::lock_guard lock(mutex);
    auto it = known.find(ext);
    if (it == known.end()) {
        static const QMimeDatabase database;
        const QString type =
            database.mimeTypeForFile("file." + QString::fromStdString(ext), QMimeDatabase::MatchExtension)
                .name();
        it = known.emplace(ext, type.toStdString()).first;
    }
    return it->second;
}

} // namespace transfer
