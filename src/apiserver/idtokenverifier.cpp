#include "idtokenverifier.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>

namespace apiserver {

using platform::fail;

namespace {

using BigNumber = std::unique_ptr<BIGNUM, decltype(&BN_free)>;
using ParamBuilder = std::unique_ptr<OSSL_PARAM_BLD, decltype(&OSSL_PARAM_BLD_free)>;
using Params = std::unique_ptr<OSSL_PARAM, decltype(&OSSL_PARAM_free)>;
using KeyContext = std::unique_ptr<EVP_PKEY_CTX, decltype(&EVP_PKEY_CTX_free)>;
using DigestContext = std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)>;

std::optional<QByteArray> base64Url(const QString &text) {
    auto decoded = QByteArray::fromBase64Encoding(
        text.toLatin1(), QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals |
                             QByteArray::AbortOnBase64DecodingErrors);
    if (decoded.decodingStatus != QByteArray::Base64DecodingStatus::Ok)
        return std::nullopt;
    return decoded.decoded;
}

std::shared_ptr<EVP_PKEY> rsaPublicKey(const QByteArray &modulus, const QByteArray &exponent) {
    BigNumber n(
        BN_bin2bn(reinterpret_cast<const unsigned char *>(modulus.constData()), int(modulus.size()), nullptr),
        &BN_free);
    BigNumber e(BN_bin2bn(reinterpret_cast<const unsigned char *>(exponent.constData()), int(exponent.size()),
                          nullptr),
                &BN_free);
    ParamBuilder builder(OSSL_PARAM_BLD_new(), &OSSL_PARAM_BLD_free);
    if (!n || !e || !builder || OSSL_PARAM_BLD_push_BN(builder.get(), OSSL_PKEY_PARAM_RSA_N, n.get()) != 1 ||
        OSSL_PARAM_BLD_push_BN(builder.get(), OSSL_PKEY_PARAM_RSA_E, e.get()) != 1)
        return nullptr;
    Params params(OSSL_PARAM_BLD_to_param(builder.get()), &OSSL_PARAM_free);
    KeyContext context(EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr), &EVP_PKEY_CTX_free);
    if (!params || !context || EVP_PKEY_fromdata_init(context.get()) != 1)
        return nullptr;
    EVP_PKEY *key = nullptr;
    if (EVP_PKEY_fromdata(context.get(), &key, EVP_PKEY_PUBLIC_KEY, params.get()) != 1)
        return nullptr;
    return std::shared_ptr<EVP_PKEY>(key, &EVP_PKEY_free);
}

bool signatureMatches(EVP_PKEY *key, const QByteArray &signedPart, const QByteArray &signature) {
    DigestContext context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!context || EVP_DigestVerifyInit(context.get(), nullptr, EVP_sha256(), nullptr, key) != 1)
        return false;
    return EVP_DigestVerify(context.get(), reinterpret_cast<const unsigned char *>(signature.constData()),
                            size_t(signature.size()),
                            reinterpret_cast<const unsigned char *>(signedPart.constData()),
                            size_t(signedPart.size())) == 1;
}

std::optional<QJsonObject> jsonObject(const QString &part) {
    const auto bytes = base64Url(part);
    if (!bytes)
        return std::nullopt;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(*bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

bool audienceMatches(const QJsonValue &claim, const QString &audience) {
    if (audience.isEmpty())
        return false;
    if (claim.isString())
        return claim.toString() == audience;
    return claim.isArray() && claim.toArray().contains(audience);
}

} // namespace

platform::Result<std::shared_ptr<const IdTokenVerifier>, TokenError>
IdTokenVerifier::fromKeySet(const QByteArray &json) {
    const QJsonDocument document = QJsonDocument::fromJson(json);
    if (!document.isObject())
        return fail(TokenError::KeySetUnreadable, QStringLiteral("The key set is not a JSON object."));
    auto verifier = std::make_shared<IdTokenVerifier>();
    for (const QJsonValue &entry : document.object().value(QLatin1String("keys")).toArray()) {
        const QJsonObject key = entry.toObject();
        if (key.value(QLatin1String("kty")).toString() != QLatin1String("RSA"))
            continue;
        const QString kid = key.value(QLatin1String("kid")).toString();
        const auto n = base64Url(key.value(QLatin1String("n")).toString());
        const auto e = base64Url(key.value(QLatin1String("e")).toString());
        if (kid.isEmpty() || !n || !e || n->isEmpty() || e->isEmpty())
            continue;
        if (auto publicKey = rsaPublicKey(*n, *e))
            verifier->m_keys[kid] = std::move(publicKey);
    }
    if (verifier->m_keys.empty())
        return fail(TokenError::KeySetUnreadable, QStringLiteral("The key set holds no usable RSA key."));
    return std::shared_ptr<const IdTokenVerifier>(std::move(verifier));
}

platform::Result<std::shared_ptr<const IdTokenVerifier>, TokenError>
IdTokenVerifier::fromKeySetFile(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(TokenError::KeySetUnreadable, QStringLiteral("Cannot read the key set %1.").arg(path));
    return fromKeySet(file.readAll());
}

platform::Result<QJsonObject, TokenError>
IdTokenVerifier::verify(const QString &token, const TokenPolicy &policy, const QDateTime &now) const {
    const QStringList parts = token.split('.');
    if (parts.size() != 3)
        return fail(TokenError::Malformed, QStringLiteral("The token is not a signed JSON web token."));
    const auto header = jsonObject(parts[0]);
    const auto claims = jsonObject(parts[1]);
    const auto signature = base64Url(parts[2]);
    if (!header || !claims || !signature)
        return fail(TokenError::Malformed, QStringLiteral("The token cannot be read."));
    if (header->value(QLatin1String("alg")).toString() != QLatin1String("RS256"))
        return fail(TokenError::Malformed, QStringLiteral("The token is not signed with RS256."));
    const auto key = m_keys.find(header->value(QLatin1String("kid")).toString());
    if (key == m_keys.end())
        return fail(TokenError::UnknownKey, QStringLiteral("The token was signed with an unknown key."));
    if (!signatureMatches(key->second.get(), (parts[0] + '.' + parts[1]).toLatin1(), *signature))
        return fail(TokenError::BadSignature, QStringLiteral("The token's signature is not valid."));
    if (!policy.issuers.contains(claims->value(QLatin1String("iss")).toString()))
        return fail(TokenError::WrongIssuer, QStringLiteral("The token comes from another issuer."));
    if (!audienceMatches(claims->value(QLatin1String("aud")), policy.audience))
        return fail(TokenError::WrongAudience, QStringLiteral("The token was issued for another app."));
    const QJsonValue expiry = claims->value(QLatin1String("exp"));
    if (!expiry.isDouble() || qint64(expiry.toDouble()) + 60 < now.toSecsSinceEpoch())
        return fail(TokenError::Expired, QStringLiteral("The token has expired."));
    return *claims;
}

} // namespace apiserver
