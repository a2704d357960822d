#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QUrl>
#include <map>
#include <optional>
#include <variant>

namespace platform {

// A small keyed binary archive: a class name and typed values under text keys.
//
// Layout (all integers big-endian):
//   "TWKA" | version u8 (1) | class name (text) | count u32 | count x (key text | type u8 | value)
//   text  = length u32 | UTF-8 bytes
//   value = text (text, URL) | i64 milliseconds since the epoch, UTC (date) | i64 (integer)
//           | u8 0 or 1 (bool) | length u32 + bytes (data)
//
// Decoding is secure in the sense of keyed secure coding: the reader names the class it expects
// and the type of every value it asks for, and gets nothing when either differs, when a key is
// missing, or when the bytes are truncated, duplicated or followed by garbage.
class KeyedArchiver {
public:
    explicit KeyedArchiver(const QString &className);

    void encodeText(const QString &key, const QString &value);
    void encodeUrl(const QString &key, const QUrl &value);
    void encodeDate(const QString &key, const QDateTime &value);
    void encodeInteger(const QString &key, qint64 value);
    void encodeBool(const QString &key, bool value);
    void encodeData(const QString &key, const QByteArray &value);

    QByteArray finish() const;

private:
    enum class Type : quint8 { Text = 1, Url = 2, Date = 3, Integer = 4, Bool = 5, Data = 6 };
    void put(const QString &key, Type type, const QByteArray &payload);

    QString m_className;
    std::map<QString, std::pair<Type, QByteArray>> m_values;
};

class KeyedUnarchiver {
public:
    // Empty when the bytes are not a well-formed archive of the expected class.
    static std::optional<KeyedUnarchiver> open(const QByteArray &bytes, const QString &expectedClass);

    bool contains(const QString &key) const { return m_values.count(key) != 0; }
    std::optional<QString> decodeText(const QString &key) const;
    std::optional<QUrl> decodeUrl(const QString &key) const;
    std::optional<QDateTime> decodeDate(const QString &key) const;
    std::optional<qint64> decodeInteger(const QString &key) const;
    std::optional<bool> decodeBool(const QString &key) const;
    std::optional<QByteArray> decodeData(const QString &key) const;

private:
    using Value = std::variant<QString, QUrl, QDateTime, qint64, bool, QByteArray>;
    std::map<QString, Value> m_values;

    template <typename T> std::optional<T> get(const QString &key) const;
};

} // namespace platform
