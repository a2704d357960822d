#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QUrl>
#include <optional>

// One item of the document folder as a screen holds it: the item's file URL and a point in time
// attached when the record is made. Both are required; there is no empty record.
class FileRecord {
public:
    // The first key is the same text as the list reply's URL key of the transfer server.
    static constexpr const char *urlArchiveKey = "url";
    static constexpr const char *timestampArchiveKey = "timestamp";
    static constexpr const char *archiveClassName = "FileRecord";
    static constexpr bool supportsSecureCoding = true;

    FileRecord(QUrl url, QDateTime timestamp);

    const QUrl &url() const { return m_url; }
    const QDateTime &timestamp() const { return m_timestamp; }
    QString path() const { return m_url.toLocalFile(); }

    // Keyed binary archive (see platform::KeyedArchiver). Decoding yields no record when either
    // value is missing or of another type.
    QByteArray encodeKeyed() const;
    static std::optional<FileRecord> decodeKeyed(const QByteArray &archive);

    // Structured coding as JSON: {"url": <absolute URL text>, "timestamp": <ISO 8601 UTC with ms>},
    // keys in that order.
    QByteArray encodeJson() const;
    static std::optional<FileRecord> decodeJson(const QByteArray &json);

    friend bool operator==(const FileRecord &a, const FileRecord &b) {
        return a.m_url == b.m_url && a.m_timestamp == b.m_timestamp;
    }

private:
    QUrl m_url;
    QDateTime m_timestamp;
};

// Sort comparisons on the attributes of each record's path (the entry itself, symlinks not
// followed). When either entry's attributes cannot be read the failure is logged and the answer
// is false, so a sort goes on with the item in some valid place.
// sizeLess: size in bytes (a folder's own directory entry size, not its contents).
bool sizeLess(const FileRecord &a, const FileRecord &b);
bool modificationDateLess(const FileRecord &a, const FileRecord &b);
// creationDateLess: the app's recorded creation date, else the birth time, else the
// modification time (see platform::readFileAttributes).
bool creationDateLess(const FileRecord &a, const FileRecord &b);
