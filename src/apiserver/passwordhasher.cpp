#include "passwordhasher.h"

#include <QStringList>

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

namespace apiserver {
namespace {

constexpr int saltBytes = 16;
constexpr int keyBytes = 32;

std::optional<QByteArray> derive(const QString &password, const QByteArray &salt, const ScryptParameters &p) {
    const QByteArray secret = password.toUtf8();
    QByteArray key(keyBytes, Qt::Uninitialized);
    // scrypt needs 128 * N * r bytes; leave room above that for OpenSSL's own bookkeeping.
    const quint64 memory = 128 * p.cost * p.blockSize * (p.parallelism + 1) + (1 << 20);
    if (EVP_PBE_scrypt(secret.constData(), size_t(secret.size()),
                       reinterpret_cast<const unsigned char *>(salt.constData()), size_t(salt.size()), p.cost,
                       p.blockSize, p.parallelism, memory, reinterpret_cast<unsigned char *>(key.data()),
                       size_t(key.size())) != 1)
        return std::nullopt;
    return key;
}

} // namespace

std::optional<QString> randomHex(int bytes) {
    QByteArray buffer(bytes, Qt::Uninitialized);
    if (RAND_bytes(reinterpret_cast<unsigned char *>(buffer.data()), bytes) != 1)
        return std::nullopt;
    return QString::fromLatin1(buffer.toHex());
}

std::optional<QString> PasswordHasher::hash(const QString &password) const {
    QByteArray salt(saltBytes, Qt::Uninitialized);
    if (RAND_bytes(reinterpret_cast<unsigned char *>(salt.data()), saltBytes) != 1)
        return std::nullopt;
    const auto key = derive(password, salt, m_parameters);
    if (!key)
        return std::nullopt;
    return QStringLiteral("scrypt$%1$%2$%3$%4$%5")
        .arg(m_parameters.cost)
        .arg(m_parameters.blockSize)
        .arg(m_parameters.parallelism)
        .arg(QString::fromLatin1(salt.toBase64()), QString::fromLatin1(key->toBase64()));
}

bool PasswordHasher::verify(const QString &password, const QString &storedHash) const {
    const QStringList parts = storedHash.split('$');
    if (parts.size() != 6 || parts[0] != QLatin1String("scrypt"))
        return false;
    bool costOk = false, blockOk = false, parallelOk = false;
    const ScryptParameters stored{parts[1].toULongLong(&costOk), parts[2].toULongLong(&blockOk),
                                  parts[3].toULongLong(&parallelOk)};
    if (!costOk || !blockOk || !parallelOk)
        return false;
    const QByteArray salt = QByteArray::fromBase64(parts[4].toLatin1());
    const QByteArray expected = QByteArray::fromBase64(parts[5].toLatin1());
    if (salt.isEmpty() || expected.size() != keyBytes)
        return false;
    const auto key = derive(password, salt, stored);
    return key && CRYPTO_memcmp(key->constData(), expected.constData(), keyBytes) == 0;
}

} // namespace apiserver
