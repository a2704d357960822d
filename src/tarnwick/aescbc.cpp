#include "aescbc.h"

#include <QStringDecoder>

#include <memory>
#include <openssl/evp.h>

namespace tarnwick::detail {
namespace {

using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;

const EVP_CIPHER *cipherForKey(const QByteArray &key) {
    switch (key.size()) {
    case 16:
        return EVP_aes_128_cbc();
    case 24:
        return EVP_aes_192_cbc();
    case 32:
        return EVP_aes_256_cbc();
    default:
        return nullptr;
    }
}

std::optional<QByteArray> run(bool encrypt, const QByteArray &key, const QByteArray &input) {
    const EVP_CIPHER *cipher = cipherForKey(key);
    if (!cipher)
        return std::nullopt;
    CipherContext context(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
    if (!context)
        return std::nullopt;
    const unsigned char iv[16] = {};
    const auto *keyBytes = reinterpret_cast<const unsigned char *>(key.constData());
    if (EVP_CipherInit_ex(context.get(), cipher, nullptr, keyBytes, iv, encrypt ? 1 : 0) != 1)
        return std::nullopt;
    if (EVP_CIPHER_CTX_set_padding(context.get(), 1) != 1)
        return std::nullopt;
    QByteArray output(input.size() + 16, Qt::Uninitialized);
    int length = 0;
    auto *out = reinterpret_cast<unsigned char *>(output.data());
    if (EVP_CipherUpdate(context.get(), out, &length,
                         reinterpret_cast<const unsigned char *>(input.constData()), int(input.size())) != 1)
        return std::nullopt;
    int finalLength = 0;
    if (EVP_CipherFinal_ex(context.get(), out + length, &finalLength) != 1)
        return std::nullopt;
    output.resize(length + finalLength);
    return output;
}

} // namespace

std::optional<QByteArray> aesCbcEncrypt(const QByteArray &key, const QByteArray &plain) {
    return run(true, key, plain);
}

std::optional<QByteArray> aesCbcDecrypt(const QByteArray &key, const QByteArray &cipher) {
    if (cipher.isEmpty() || cipher.size() % 16 != 0)
        return std::nullopt;
    return run(false, key, cipher);
}

std::optional<QByteArray> decodeBase64(const QString &text) {
    const QByteArray ascii = text.toLatin1();
    if (QString::fromLatin1(ascii) != text)
        return std::nullopt;
    auto decoded = QByteArray::fromBase64Encoding(ascii, QByteArray::AbortOnBase64DecodingErrors);
    if (decoded.decodingStatus != QByteArray::Base64DecodingStatus::Ok)
        return std::nullopt;
    // Qt accepts a missing padding; the standard alphabet with padding is required here.
    if (ascii.size() % 4 != 0)
        return std::nullopt;
    return decoded.decoded;
}

std::optional<QString> utf8Text(const QByteArray &bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace tarnwick::detail
