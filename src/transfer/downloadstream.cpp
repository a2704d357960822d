#include "transfer/downloadstream.h"

#include "http/urlencoding.h"
#include "transfer/wire.h"

#include <QMimeDatabase>

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>

namespace transfer {
namespace {
// Quotes, backslashes and control characters never reach the header line as they are, nor does
// anything beyond ASCII in the quoted name.
char quotable(char16_t c) {
    return (c < 0x20 || c >= 0x7f || c == '"' || c == '\\') ? '_' : char(c);
}

std::string disposition(const std::string &quoted, std::string_view utf8) {
    return std::string(wire::dispositionPrefix) + quoted + std::string(wire::dispositionSuffix) +
           "; filename*=UTF-8''" + http::encodeComponent(utf8);
}
} // namespace

std::string dispositionValue(std::string_view name) {
    if (!std::all_of(name.begin(), name.end(), [](char c) { return (unsigned char)c < 0x80; }))
        return dispositionValue(QString::fromUtf8(name.data(), qsizetype(name.size())));
    std::string quoted(name.size(), '_');
    std::transform(name.begin(), name.end(), quoted.begin(), [](char c) { return quotable(char16_t(c)); });
    return disposition(quoted, name);
}

std::string dispositionValue(const QString &name) {
    std::string quoted;
    for (const QChar c : name)
        quoted += quotable(c.unicode());
    return disposition(quoted, name.toStdString());
}

// The content type for a file name's extension, remembered per extension and thread: the MIME
// database serialises its lookups, which would show on busy servers.
std::string contentTypeFor(const std::string &name) {
    const size_t dot = name.rfind('.');
    std::string ext = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    const bool ascii = std::all_of(ext.begin(), ext.end(), [](char c) { return (unsigned char)c < 0x80; });
    if (ascii)
        std::transform(ext.begin(), ext.end(), ext.begin(), [](char c) { return char(std::tolower((unsigned char)c)); });
    else
        ext = QString::fromStdString(ext).toLower().toStdString();
    thread_local std::map<std::string, std::string, std::less<>> known;
    auto it = known.find(ext);
    if (it == known.end()) {
        static std::mutex mutex;
        std::lock_guard lock(mutex);
        static const QMimeDatabase database;
        const QString type =
            database.mimeTypeForFile("file." + QString::fromStdString(ext), QMimeDatabase::MatchExtension)
                .name();
        it = known.emplace(ext, type.toStdString()).first;
    }
    return it->second;
}

} // namespace transfer
