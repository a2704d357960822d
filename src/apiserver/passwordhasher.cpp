#include "passwordhasher.h"

#include "platform/log.h"

#include <QStringList>

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <sodium.h>

#include <algorithm>
#include <atomic>
#include <semaphore>

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

// Admits maxConcurrentHashes holders at a time and remembers the most that held it at once.
class HashGate {
public:
    HashGate() {
        s_slots.acquire();
        ++s_run;
        const int now = ++s_inside;
        int peak = s_peak.load();
        while (now > peak && !s_peak.compare_exchange_weak(peak, now)) {
        }
    }
    ~HashGate() {
        --s_inside;
        s_slots.release();
    }
    HashGate(const HashGate &) = delete;
    HashGate &operator=(const HashGate &) = delete;

    static inline std::counting_semaphore<PasswordHasher::maxConcurrentHashes> s_slots{
        PasswordHasher::maxConcurrentHashes};
    static inline std::atomic<int> s_inside{0};
    static inline std::atomic<int> s_peak{0};
    static inline std::atomic<quint64> s_run{0};
};

} // namespace

std::optional<QString> randomHex(int bytes) {
    QByteArray buffer(bytes, Qt::Uninitialized);
    if (RAND_bytes(reinterpret_cast<unsigned char *>(buffer.data()), bytes) != 1)
        return std::nullopt;
    return QString::fromLatin1(buffer.toHex());
}

std::optional<QString> ScryptHasher::hash(const QString &password) const {
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

bool ScryptHasher::isScryptHash(const QString &storedHash) {
    return storedHash.startsWith(QLatin1String("scrypt$"));
}

bool ScryptHasher::verify(const QString &password, const QString &storedHash) const {
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

PasswordHasher::PasswordHasher(Argon2Parameters parameters)
    : m_parameters(parameters) {
    // Thread-safe and idempotent; it only fails when the system has no randomness at all.
    if (sodium_init() < 0)
        platform::log(QStringLiteral("tidewell-api: libsodium did not start; password hashes will fail"));
    m_parameters.passes = std::max<quint64>(m_parameters.passes, crypto_pwhash_OPSLIMIT_MIN);
    m_parameters.memoryBytes = std::max<size_t>(m_parameters.memoryBytes, crypto_pwhash_MEMLIMIT_MIN);
}

std::optional<QString> PasswordHasher::hash(const QString &password) const {
    const QByteArray secret = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    const HashGate gate;
    if (crypto_pwhash_str_alg(out, secret.constData(), quint64(secret.size()), m_parameters.passes,
                              m_parameters.memoryBytes, crypto_pwhash_ALG_ARGON2ID13) != 0)
        return std::nullopt;
    return QString::fromLatin1(out);
}

bool PasswordHasher::verify(const QString &password, const QString &storedHash) const {
    if (ScryptHasher::isScryptHash(storedHash)) {
        const HashGate gate;
        return ScryptHasher().verify(password, storedHash);
    }
    if (!storedHash.startsWith(QLatin1String("$argon2id$")) || storedHash.size() >= crypto_pwhash_STRBYTES)
        return false;
    const QByteArray stored = storedHash.toLatin1();
    const QByteArray secret = password.toUtf8();
    const HashGate gate;
    return crypto_pwhash_str_verify(stored.constData(), secret.constData(), quint64(secret.size())) == 0;
}

bool PasswordHasher::needsRehash(const QString &storedHash) const {
    if (!storedHash.startsWith(QLatin1String("$argon2id$")) || storedHash.size() >= crypto_pwhash_STRBYTES)
        return true;
    const QByteArray stored = storedHash.toLatin1();
    return crypto_pwhash_str_needs_rehash(stored.constData(), m_parameters.passes,
                                          m_parameters.memoryBytes) != 0;
}

quint64 PasswordHasher::hashesRun() {
    return HashGate::s_run.load();
}

int PasswordHasher::peakConcurrentHashes() {
    return HashGate::s_peak.load();
}

void PasswordHasher::resetPeakConcurrentHashes() {
    HashGate::s_peak.store(HashGate::s_inside.load());
}

} // namespace apiserver
