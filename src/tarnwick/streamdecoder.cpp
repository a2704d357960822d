#include "tarnwick/streamdecoder.h"

#include "tarnwick/payloadcipher.h"
#include "tarnwick/protocol.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

namespace tarnwick {

StreamDecoder::StreamDecoder(QString key)
    : m_key(std::move(key)) {}

std::vector<StreamMessage> StreamDecoder::feed(const QByteArray &bytes) {
    m_buffer += bytes;
    std::vector<StreamMessage> messages;
    const QByteArray separator(protocol::streamSeparator);
    qsizetype end = 0;
    while ((end = m_buffer.indexOf(separator)) >= 0) {
        const QByteArray piece = m_buffer.left(end);
        m_buffer.remove(0, end + separator.size());
        if (auto message = decodePiece(piece))
            messages.push_back(std::move(*message));
    }
    return messages;
}

std::vector<StreamMessage> StreamDecoder::finish() {
    std::vector<StreamMessage> messages;
    if (auto message = decodePiece(m_buffer))
        messages.push_back(std::move(*message));
    m_buffer.clear();
    return messages;
}

std::optional<StreamMessage> StreamDecoder::decodePiece(const QByteArray &piece) const {
    QByteArray text = piece;
    text.replace(protocol::streamMarker, "");
    text = text.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    const auto plain = PayloadCipher::decrypt(QString::fromLatin1(text), m_key);
    if (!plain)
        return StreamMessage{QJsonValue(QJsonValue::Undefined),
                             ApiError{QString::fromLatin1(protocol::errorDomain),
                                      protocol::UndecryptableMessage,
                                      QString::fromLatin1(protocol::undecryptableMessageDescription)}};
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(plain->toUtf8(), &error);
    if (error.error != QJsonParseError::NoError)
        return StreamMessage{
            QJsonValue(QJsonValue::Undefined),
            ApiError{QString::fromLatin1(protocol::jsonErrorDomain), int(error.error), error.errorString()}};
    return StreamMessage{document.isObject() ? QJsonValue(document.object()) : QJsonValue(document.array()),
                         {}};
}

std::optional<QByteArray> StreamDecoder::encodeMessage(const QByteArray &json, const QString &key) {
    const auto cipher = PayloadCipher::encrypt(QString::fromUtf8(json), key);
    if (!cipher)
        return std::nullopt;
    return QByteArray(protocol::streamMarker) + cipher->toLatin1() + protocol::streamSeparator;
}

} // namespace tarnwick
