#pragma once

#include <QByteArray>
#include <optional>

namespace tarnwick::detail {

// AES-CBC with PKCS#7 padding and a zero IV. The key must be 16, 24 or 32 bytes. nullopt when
// OpenSSL refuses (a bad key length, or wrong padding while decrypting).
std::optional<QByteArray> aesCbcEncrypt(const QByteArray &key, const QByteArray &plain);
std::optional<QByteArray> aesCbcDecrypt(const QByteArray &key, const QByteArray &cipher);

// Strict standard Base64: nullopt for any character outside the alphabet or bad padding.
std::optional<QByteArray> decodeBase64(const QString &text);
// The text when the bytes are valid UTF-8.
std::optional<QString> utf8Text(const QByteArray &bytes);

} // namespace tarnwick::detail
