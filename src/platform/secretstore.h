#pragma once

#include "platform/result.h"

#include <QJsonObject>
#include <QString>
#include <functional>
#include <mutex>
#include <optional>

namespace platform {

// The keychain stand-in: text values by key in one JSON file in the app's data folder
// ($XDG_DATA_HOME/Tidewell/secrets.json), readable by the owner only (mode 0600).
//
// Every write replaces the whole file atomically (a new file beside it, flushed, then renamed
// over it), so a crash leaves either the old or the new contents. A file that exists but cannot
// be read or parsed is never overwritten: writes fail instead, so nothing stored is lost.
// Values are read from disk at each call, so several stores on one path agree. Safe from any
// thread; two processes writing at once may lose one of the two writes (last rename wins).
class SecretStore {
public:
    enum class Error { Unreadable, WriteFailed, InvalidKey };

    explicit SecretStore(QString filePath = defaultPath());

    static QString defaultPath();
    const QString &filePath() const { return m_filePath; }

    // The value under the key, or nullopt when there is none or the file cannot be read.
    std::optional<QString> value(const QString &key) const;
    Result<bool, Error> setValue(const QString &key, const QString &value);
    Result<bool, Error> remove(const QString &key);

private:
    Result<bool, Error> update(const std::function<bool(QJsonObject &)> &change);

    QString m_filePath;
    mutable std::mutex m_mutex;
};

} // namespace platform
