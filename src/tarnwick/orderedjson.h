#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QString>
#include <utility>
#include <vector>

namespace tarnwick::detail {

// A JSON object that keeps its keys in insertion order (QJsonObject sorts them). Setting a key
// that is already there replaces its value in place.
class OrderedJsonObject {
public:
    void set(const QString &key, const QJsonValue &value);
    // Removes the key wherever it is and appends it at the end.
    void setLast(const QString &key, const QJsonValue &value);
    void append(const std::vector<std::pair<QString, QJsonValue>> &entries);
    QByteArray toJson() const;
    const std::vector<std::pair<QString, QJsonValue>> &entries() const { return m_entries; }

private:
    std::vector<std::pair<QString, QJsonValue>> m_entries;
};

} // namespace tarnwick::detail
