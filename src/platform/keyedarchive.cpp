#include "platform/keyedarchive.h"

#include <QtEndian>

namespace platform {
namespace {

constexpr char magic[] = "TWKA";
constexpr quint8 version = 1;

void appendU32(QByteArray &out, quint32 value) {
    const quint32 big = qToBigEndian(value);
    out.append(reinterpret_cast<const char *>(&big), 4);
}

void appendI64(QByteArray &out, qint64 value) {
    const qint64 big = qToBigEndian(value);
    out.append(reinterpret_cast<const char *>(&big), 8);
}

void appendText(QByteArray &out, const QByteArray &utf8) {
    appendU32(out, quint32(utf8.size()));
    out.append(utf8);
}

// Reads from a byte range and remembers whether any read ran past its end.
class Reader {
public:
    explicit Reader(const QByteArray &bytes)
        : m_bytes(bytes) {}

    bool good() const { return m_good; }
    bool atEnd() const { return m_offset == m_bytes.size(); }

    QByteArray take(qsizetype length) {
        if (!m_good || length < 0 || length > m_bytes.size() - m_offset) {
            m_good = false;
            return {};
        }
        QByteArray part = m_bytes.mid(m_offset, length);
        m_offset += length;
        return part;
    }
    quint8 u8() {
        const QByteArray b = take(1);
        return m_good ? quint8(b[0]) : 0;
    }
    quint32 u32() {
        const QByteArray b = take(4);
        return m_good ? qFromBigEndian<quint32>(b.constData()) : 0;
    }
    qint64 i64() {
        const QByteArray b = take(8);
        return m_good ? qFromBigEndian<qint64>(b.constData()) : 0;
    }
    std::optional<QString> text() {
        const quint32 length = u32();
        const QByteArray utf8 = take(qsizetype(length));
        if (!m_good)
            return std::nullopt;
        return QString::fromUtf8(utf8);
    }

private:
    const QByteArray &m_bytes;
    qsizetype m_offset = 0;
    bool m_good = true;
};

} // namespace

KeyedArchiver::KeyedArchiver(const QString &className)
    : m_className(className) {}

void KeyedArchiver::put(const QString &key, Type type, const QByteArray &payload) {
    m_values[key] = {type, payload};
}

void KeyedArchiver::encodeText(const QString &key, const QString &value) {
    QByteArray payload;
    appendText(payload, value.toUtf8());
    put(key, Type::Text, payload);
}

void KeyedArchiver::encodeUrl(const QString &key, const QUrl &value) {
    QByteArray payload;
    appendText(payload, value.toEncoded());
    put(key, Type::Url, payload);
}

void KeyedArchiver::encodeDate(const QString &key, const QDateTime &value) {
    QByteArray payload;
    appendI64(payload, value.toMSecsSinceEpoch());
    put(key, Type::Date, payload);
}

void KeyedArchiver::encodeInteger(const QString &key, qint64 value) {
    QByteArray payload;
    appendI64(payload, value);
    put(key, Type::Integer, payload);
}

void KeyedArchiver::encodeBool(const QString &key, bool value) {
    put(key, Type::Bool, QByteArray(1, value ? 1 : 0));
}

void KeyedArchiver::encodeData(const QString &key, const QByteArray &value) {
    QByteArray payload;
    appendText(payload, value);
    put(key, Type::Data, payload);
}

QByteArray KeyedArchiver::finish() const {
    QByteArray out(magic, 4);
    out.append(char(version));
    appendText(out, m_className.toUtf8());
    appendU32(out, quint32(m_values.size()));
    for (const auto &[key, value] : m_values) {
        appendText(out, key.toUtf8());
        out.append(char(value.first));
        out.append(value.second);
    }
    return out;
}

std::optional<KeyedUnarchiver> KeyedUnarchiver::open(const QByteArray &bytes, const QString &expectedClass) {
    Reader reader(bytes);
    if (reader.take(4) != QByteArray(magic, 4) || reader.u8() != version)
        return std::nullopt;
    if (reader.text() != expectedClass)
        return std::nullopt;
    const quint32 count = reader.u32();
    if (!reader.good())
        return std::nullopt;

    KeyedUnarchiver archive;
    for (quint32 i = 0; i < count; ++i) {
        const std::optional<QString> key = reader.text();
        if (!key || archive.contains(*key))
            return std::nullopt;
        Value value;
        switch (reader.u8()) {
        case 1:
            if (auto text = reader.text())
                value = *text;
            break;
        case 2: {
            const std::optional<QString> text = reader.text();
            const QUrl url = text ? QUrl::fromEncoded(text->toUtf8(), QUrl::StrictMode) : QUrl();
            if (!url.isValid())
                return std::nullopt;
            value = url;
            break;
        }
        case 3:
            value = QDateTime::fromMSecsSinceEpoch(reader.i64(), Qt::UTC);
            break;
        case 4:
            value = reader.i64();
            break;
        case 5: {
            const quint8 flag = reader.u8();
            if (flag > 1)
                return std::nullopt;
            value = flag == 1;
            break;
        }
        case 6: {
            const quint32 length = reader.u32();
            value = reader.take(qsizetype(length));
            break;
        }
        default:
            return std::nullopt;
        }
        if (!reader.good())
            return std::nullopt;
        archive.m_values.emplace(*key, std::move(value));
    }
    if (!reader.atEnd())
        return std::nullopt;
    return archive;
}

template <typename T> std::optional<T> KeyedUnarchiver::get(const QString &key) const {
    const auto it = m_values.find(key);
    if (it == m_values.end())
        return std::nullopt;
    if (const T *value = std::get_if<T>(&it->second))
        return *value;
    return std::nullopt;
}

std::optional<QString> KeyedUnarchiver::decodeText(const QString &key) const {
    return get<QString>(key);
}
std::optional<QUrl> KeyedUnarchiver::decodeUrl(const QString &key) const {
    return get<QUrl>(key);
}
std::optional<QDateTime> KeyedUnarchiver::decodeDate(const QString &key) const {
    return get<QDateTime>(key);
}
std::optional<qint64> KeyedUnarchiver::decodeInteger(const QString &key) const {
    return get<qint64>(key);
}
std::optional<bool> KeyedUnarchiver::decodeBool(const QString &key) const {
    return get<bool>(key);
}
std::optional<QByteArray> KeyedUnarchiver::decodeData(const QString &key) const {
    return get<QByteArray>(key);
}

} // namespace platform
