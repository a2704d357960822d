// Tarnwick's envelope decryption and stream decoder. Any text is offered as an encrypted payload
// and as a stream; the stream decoder gives the same messages however the bytes are split, and a
// payload encrypted from the input decrypts back to it.
#include "tarnwick/payloadcipher.h"
#include "tarnwick/protocol.h"
#include "tarnwick/streamdecoder.h"

#include <QJsonDocument>

#include <cstdint>
#include <cstdlib>

namespace {

QByteArray summary(const std::vector<tarnwick::StreamMessage> &messages) {
    QByteArray out;
    for (const auto &message : messages) {
        out += message.error
                   ? QByteArray("error ") + message.error->domain.toUtf8() + ' ' +
                         QByteArray::number(message.error->code)
                   : QJsonDocument::fromVariant(message.value.toVariant()).toJson(QJsonDocument::Compact);
        out += '\n';
    }
    return out;
}

QByteArray decodeStream(const QByteArray &bytes, qsizetype chunk, const QString &key) {
    tarnwick::StreamDecoder decoder(key);
    std::vector<tarnwick::StreamMessage> all;
    for (qsizetype at = 0; at < bytes.size(); at += chunk) {
        auto part = decoder.feed(bytes.mid(at, chunk));
        all.insert(all.end(), part.begin(), part.end());
    }
    auto rest = decoder.finish();
    all.insert(all.end(), rest.begin(), rest.end());
    return summary(all);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0)
        return 0;
    const qsizetype chunk = data[0] % 9 + 1;
    const QByteArray bytes(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
    const QString key =
        tarnwick::PayloadCipher::payloadKey(QString::fromLatin1(tarnwick::protocol::defaultAppIdentifier));
    const QString text = QString::fromLatin1(bytes);

    (void)tarnwick::PayloadCipher::decrypt(text, key);
    (void)tarnwick::PayloadCipher::decrypt(text, text.left(40)); // keys of every length
    (void)tarnwick::StringCipher::decryptBase64(text, key);
    (void)tarnwick::StringCipher::decryptBytes(bytes, key);

    // Well-formed messages around the raw bytes carry the input to the JSON parser as well.
    QByteArray stream = bytes;
    if (data[0] & 0x10)
        if (const auto message = tarnwick::StreamDecoder::encodeMessage(bytes, key))
            stream = *message + bytes + *message;
    if (decodeStream(stream, stream.size() + 1, key) != decodeStream(stream, chunk, key))
        std::abort();

    const QString plain = QString::fromUtf8(bytes);
    const auto sealed = tarnwick::PayloadCipher::encrypt(plain, key);
    if (!sealed || tarnwick::PayloadCipher::decrypt(*sealed, key) != plain)
        std::abort();
    return 0;
}
