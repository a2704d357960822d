#pragma once

#include "tarnwick/export.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace tarnwick {

// The cached remote-values blob: raw bytes kept in one file (by default in the system's
// temporary folder, named per user so users of one machine do not share it). Not thread-safe
// on its own; ApiClient guards its store.
class TARNWICK_EXPORT RemoteValuesStore {
public:
    explicit RemoteValuesStore(QString filePath = defaultFilePath());

    static QString defaultFilePath();
    const QString &filePath() const { return m_filePath; }

    // Reads the file when it exists; false when there is none or it cannot be read (the data
    // held in memory is then left as it was).
    bool load();
    void set(const QString &text) { m_data = text.toUtf8(); }
    void set(const QByteArray &bytes) { m_data = bytes; }
    // Writes the bytes atomically (temporary file, then rename); false when there is nothing to
    // write or the write fails, in which case the previous file stays whole.
    bool save() const;

    const std::optional<QByteArray> &data() const { return m_data; }

private:
    QString m_filePath;
    std::optional<QByteArray> m_data;
};

} // namespace tarnwick
