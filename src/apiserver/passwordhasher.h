#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace apiserver {

// scrypt parameters: cost N (a power of two), block size r, parallelism p. The defaults take
// about 100 ms and 32 MiB per hash on one core of a current machine; tests use a lower N.
struct ScryptParameters {
    quint64 cost = 1 << 15;
    quint64 blockSize = 8;
    quint64 parallelism = 1;
};

// Slow salted password hashes with OpenSSL's scrypt. A hash is stored as one text:
// "scrypt$N$r$p$<salt Base64>$<key Base64>" with a 16-byte random salt and a 32-byte key, so the
// parameters can change without breaking older hashes. Stateless; safe from any thread.
class PasswordHasher {
public:
    explicit PasswordHasher(ScryptParameters parameters = {})
        : m_parameters(parameters) {}

    // nullopt when OpenSSL fails (no randomness, or not enough memory for the parameters).
    std::optional<QString> hash(const QString &password) const;
    // Compares in constant time; false for a malformed stored hash.
    bool verify(const QString &password, const QString &storedHash) const;

    const ScryptParameters &parameters() const { return m_parameters; }

private:
    ScryptParameters m_parameters;
};

// Random bytes from OpenSSL's CSPRNG as lower-case hex; nullopt when it fails.
std::optional<QString> randomHex(int bytes);

} // namespace apiserver
