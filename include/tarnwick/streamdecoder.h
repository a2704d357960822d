#pragma once

#include "tarnwick/apierror.h"
#include "tarnwick/export.h"

#include <QByteArray>
#include <QJsonValue>
#include <QString>
#include <optional>
#include <vector>

namespace tarnwick {

// One decoded stream message: the parsed JSON value, or an error when the message could not be
// decrypted or parsed.
struct TARNWICK_EXPORT StreamMessage {
    QJsonValue value;
    std::optional<ApiError> error;
};

// Turns the bytes of a streamed answer into messages. The wire form of every message is the
// stream marker, the Base64 of the message encrypted with the stream key, and the separator.
// Bytes may arrive split anywhere, even inside a marker or a multi-byte character: a message is
// decoded only once its separator has arrived, and finish() decodes what is left at the end.
// Empty pieces yield nothing. One decoder per stream; not thread-safe.
class TARNWICK_EXPORT StreamDecoder {
public:
    explicit StreamDecoder(QString key);

    std::vector<StreamMessage> feed(const QByteArray &bytes);
    std::vector<StreamMessage> finish();

    // The wire form of one message (used by servers and tests).
    static std::optional<QByteArray> encodeMessage(const QByteArray &json, const QString &key);

private:
    std::optional<StreamMessage> decodePiece(const QByteArray &piece) const;

    QString m_key;
    QByteArray m_buffer;
};

} // namespace tarnwick
