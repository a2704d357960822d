#include "tokensigner.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <gtest/gtest.h>

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>

namespace testsupport {
namespace {

QByteArray base64Url(const QByteArray &bytes) {
    return bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

QByteArray bigNumber(EVP_PKEY *key, const char *name) {
    BIGNUM *number = nullptr;
    if (EVP_PKEY_get_bn_param(key, name, &number) != 1)
        return {};
    std::unique_ptr<BIGNUM, decltype(&BN_free)> guard(number, &BN_free);
    QByteArray bytes(BN_num_bytes(number), Qt::Uninitialized);
    BN_bn2bin(number, reinterpret_cast<unsigned char *>(bytes.data()));
    return bytes;
}

} // namespace

TokenSigner::TokenSigner(QString kid)
    : m_kid(std::move(kid)) {
    EVP_PKEY *key = EVP_PKEY_Q_keygen(nullptr, nullptr, "RSA", size_t(2048));
    EXPECT_NE(key, nullptr);
    m_key.reset(key, &EVP_PKEY_free);
}

QByteArray TokenSigner::keySet() const {
    const QJsonObject key{
        {"kty", "RSA"},
        {"kid", m_kid},
        {"alg", "RS256"},
        {"use", "sig"},
        {"n", QString::fromLatin1(base64Url(bigNumber(m_key.get(), OSSL_PKEY_PARAM_RSA_N)))},
        {"e", QString::fromLatin1(base64Url(bigNumber(m_key.get(), OSSL_PKEY_PARAM_RSA_E)))}};
    return QJsonDocument(QJsonObject{{"keys", QJsonArray{key}}}).toJson(QJsonDocument::Compact);
}

QString TokenSigner::sign(const QJsonObject &claims, const QString &alg) const {
    const QJsonObject header{{"alg", alg}, {"kid", m_kid}, {"typ", "JWT"}};
    const QByteArray signedPart = base64Url(QJsonDocument(header).toJson(QJsonDocument::Compact)) + '.' +
                                  base64Url(QJsonDocument(claims).toJson(QJsonDocument::Compact));
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    size_t length = 0;
    EXPECT_EQ(EVP_DigestSignInit(context.get(), nullptr, EVP_sha256(), nullptr, m_key.get()), 1);
    EXPECT_EQ(EVP_DigestSign(context.get(), nullptr, &length,
                             reinterpret_cast<const unsigned char *>(signedPart.constData()),
                             size_t(signedPart.size())),
              1);
    QByteArray signature(qsizetype(length), Qt::Uninitialized);
    EXPECT_EQ(EVP_DigestSign(context.get(), reinterpret_cast<unsigned char *>(signature.data()), &length,
                             reinterpret_cast<const unsigned char *>(signedPart.constData()),
                             size_t(signedPart.size())),
              1);
    signature.resize(qsizetype(length));
    return QString::fromLatin1(signedPart + '.' + base64Url(signature));
}

} // namespace testsupport
