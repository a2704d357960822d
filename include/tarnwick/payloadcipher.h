#pragma once

#include "tarnwick/export.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace tarnwick {

// AES-CBC with a zero IV and PKCS#7 padding, keyed by the UTF-8 bytes of a key text:
// a key of at most 16 bytes is zero-padded to 16 (AES-128), one of 17 to 24 bytes to 24
// (AES-192), a longer one cut or zero-padded to 32 (AES-256). Output is standard Base64
// without line breaks. Stateless; safe from any thread.
class TARNWICK_EXPORT PayloadCipher {
public:
    // Base64 of the cipher bytes; nullopt only when the cipher library fails.
    static std::optional<QString> encrypt(const QString &plainText, const QString &key);
    // The plain text; nullopt when the Base64, the padding or the UTF-8 is not valid.
    static std::optional<QString> decrypt(const QString &base64Text, const QString &key);

    // The AES key bytes the rule above makes of a key text's bytes.
    static QByteArray aesKey(const QByteArray &keyBytes);
    // The payload key of an app identifier: the identifier, extended with the fixed suffix
    // while it is shorter than 32 characters.
    static QString payloadKey(const QString &appIdentifier);
};

// The same AES-CBC scheme with the SHA-256 digest of the key text as the key (AES-256).
class TARNWICK_EXPORT StringCipher {
public:
    static std::optional<QString> encryptToBase64(const QString &plainText, const QString &key);
    static std::optional<QByteArray> encryptToBytes(const QString &plainText, const QString &key);
    static std::optional<QString> decryptBase64(const QString &base64Text, const QString &key);
    static std::optional<QString> decryptBytes(const QByteArray &cipherBytes, const QString &key);
};

} // namespace tarnwick
