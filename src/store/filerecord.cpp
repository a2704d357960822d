#include "store/filerecord.h"

#include "platform/fileattributes.h"
#include "platform/keyedarchive.h"
#include "platform/log.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

FileRecord::FileRecord(QUrl url, QDateTime timestamp)
    : m_url(std::move(url))
    , m_timestamp(std::move(timestamp)) {}

QByteArray FileRecord::encodeKeyed() const {
    platform::KeyedArchiver archiver(archiveClassName);
    archiver.encodeUrl(urlArchiveKey, m_url);
    archiver.encodeDate(timestampArchiveKey, m_timestamp);
    return archiver.finish();
}

std::optional<FileRecord> FileRecord::decodeKeyed(const QByteArray &archive) {
    const auto unarchiver = platform::KeyedUnarchiver::open(archive, archiveClassName);
    if (!unarchiver)
        return std::nullopt;
    const std::optional<QUrl> url = unarchiver->decodeUrl(urlArchiveKey);
    const std::optional<QDateTime> timestamp = unarchiver->decodeDate(timestampArchiveKey);
    if (!url || !timestamp)
        return std::nullopt;
    return FileRecord(*url, *timestamp);
}

QByteArray FileRecord::encodeJson() const {
    // QJsonObject orders keys alphabetically, which would put "timestamp" first; the object is
    // written by hand so that "url" comes first, with QJsonDocument doing the string escaping.
    const auto jsonString = [](const QString &text) {
        QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
        return array.mid(1, array.size() - 2);
    };
    return "{\"url\":" + jsonString(QString::fromUtf8(m_url.toEncoded())) +
           ",\"timestamp\":" + jsonString(m_timestamp.toUTC().toString(Qt::ISODateWithMs)) + "}";
}

std::optional<FileRecord> FileRecord::decodeJson(const QByteArray &json) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const QJsonValue url = object.value("url");
    const QJsonValue timestamp = object.value("timestamp");
    if (!url.isString() || !timestamp.isString())
        return std::nullopt;
    const QUrl parsedUrl = QUrl::fromEncoded(url.toString().toUtf8(), QUrl::StrictMode);
    const QDateTime parsedTime = QDateTime::fromString(timestamp.toString(), Qt::ISODateWithMs);
    if (!parsedUrl.isValid() || parsedUrl.isEmpty() || !parsedTime.isValid())
        return std::nullopt;
    return FileRecord(parsedUrl, parsedTime.toUTC());
}

namespace {

template <typename Less> bool compareAttributes(const FileRecord &a, const FileRecord &b, Less less) {
    const auto first = platform::readFileAttributes(a.path());
    if (!first) {
        platform::log("Could not read file attributes: " + first.message());
        return false;
    }
    const auto second = platform::readFileAttributes(b.path());
    if (!second) {
        platform::log("Could not read file attributes: " + second.message());
        return false;
    }
    return less(*first, *second);
}

} // namespace

bool sizeLess(const FileRecord &a, const FileRecord &b) {
    return compareAttributes(a, b, [](const auto &x, const auto &y) { return x.size < y.size; });
}

bool modificationDateLess(const FileRecord &a, const FileRecord &b) {
    return compareAttributes(
        a, b, [](const auto &x, const auto &y) { return x.modificationDate < y.modificationDate; });
}

bool creationDateLess(const FileRecord &a, const FileRecord &b) {
    return compareAttributes(a, b,
                             [](const auto &x, const auto &y) { return x.creationDate < y.creationDate; });
}
