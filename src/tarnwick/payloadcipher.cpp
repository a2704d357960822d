#include "tarnwick/payloadcipher.h"

#include "aescbc.h"
#include "tarnwick/protocol.h"

#include <QCryptographicHash>

namespace tarnwick {

using namespace detail;

QByteArray PayloadCipher::aesKey(const QByteArray &keyBytes) {
    QByteArray key = keyBytes;
    const qsizetype length = key.size() <= 16 ? 16 : key.size() <= 24 ? 24 : 32;
    key.truncate(length);
    key.append(length - key.size(), '\0');
    return key;
}

QString PayloadCipher::payloadKey(const QString &appIdentifier) {
    QString key = appIdentifier;
    const QString suffix =
        QString::fromLatin1(protocol::keyExtensionFormat).arg(protocol::keyExtensionNumber);
    while (key.size() < protocol::minimumKeyLength)
        key += suffix;
    return key;
}

std::optional<QString> PayloadCipher::encrypt(const QString &plainText, const QString &key) {
    const auto cipher = aesCbcEncrypt(aesKey(key.toUtf8()), plainText.toUtf8());
    if (!cipher)
        return std::nullopt;
    return QString::fromLatin1(cipher->toBase64());
}

std::optional<QString> PayloadCipher::decrypt(const QString &base64Text, const QString &key) {
    const auto cipher = decodeBase64(base64Text);
    if (!cipher)
        return std::nullopt;
    const auto plain = aesCbcDecrypt(aesKey(key.toUtf8()), *cipher);
    if (!plain)
        return std::nullopt;
    return utf8Text(*plain);
}

namespace {
QByteArray digestKey(const QString &key) {
    return QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256);
}
} // namespace

std::optional<QByteArray> StringCipher::encryptToBytes(const QString &plainText, const QString &key) {
    return aesCbcEncrypt(digestKey(key), plainText.toUtf8());
}

std::optional<QString> StringCipher::encryptToBase64(const QString &plainText, const QString &key) {
    const auto cipher = encryptToBytes(plainText, key);
    if (!cipher)
        return std::nullopt;
    return QString::fromLatin1(cipher->toBase64());
}

std::optional<QString> StringCipher::decryptBytes(const QByteArray &cipherBytes, const QString &key) {
    const auto plain = aesCbcDecrypt(digestKey(key), cipherBytes);
    if (!plain)
        return std::nullopt;
    return utf8Text(*plain);
}

std::optional<QString> StringCipher::decryptBase64(const QString &base64Text, const QString &key) {
    const auto cipher = decodeBase64(base64Text);
    if (!cipher)
        return std::nullopt;
    return decryptBytes(*cipher, key);
}

} // namespace tarnwick
