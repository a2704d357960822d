#include "orderedjson.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace tarnwick::detail {
namespace {

// QJsonDocument writes only arrays and objects; a one-element array gives the exact text of a
// single value between its brackets.
QByteArray valueText(const QJsonValue &value) {
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

} // namespace

void OrderedJsonObject::set(const QString &key, const QJsonValue &value) {
    for (auto &entry : m_entries) {
        if (entry.first == key) {
            entry.second = value;
            return;
        }
    }
    m_entries.emplace_back(key, value);
}

void OrderedJsonObject::setLast(const QString &key, const QJsonValue &value) {
    std::erase_if(m_entries, [&key](const auto &entry) { return entry.first == key; });
    m_entries.emplace_back(key, value);
}

void OrderedJsonObject::append(const std::vector<std::pair<QString, QJsonValue>> &entries) {
    for (const auto &[key, value] : entries)
        set(key, value);
}

QByteArray OrderedJsonObject::toJson() const {
    QByteArray json = "{";
    for (const auto &[key, value] : m_entries) {
        if (json.size() > 1)
            json += ',';
        json += valueText(key) + ':' + valueText(value.isUndefined() ? QJsonValue() : value);
    }
    return json + '}';
}

} // namespace tarnwick::detail
