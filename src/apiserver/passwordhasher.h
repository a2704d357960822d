#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <optional>

namespace apiserver {

// Argon2id parameters of new hashes: passes over memoryBytes of memory. The defaults are OWASP's
// minimum for Argon2id (19 MiB, 2 passes, one lane); tests use less.
struct Argon2Parameters {
    quint64 passes = 2;
    size_t memoryBytes = 19 * 1024 * 1024;
};

// scrypt parameters: cost N (a power of two), block size r, parallelism p.
struct ScryptParameters {
    quint64 cost = 1 << 15;
    quint64 blockSize = 8;
    quint64 parallelism = 1;
};

// scrypt hashes with OpenSSL, the form earlier versions of the server stored:
// "scrypt$N$r$p$<salt Base64>$<key Base64>" with a 16-byte random salt and a 32-byte key.
// Stateless; safe from any thread.
class ScryptHasher {
public:
    explicit ScryptHasher(ScryptParameters parameters = {})
        : m_parameters(parameters) {}

    // nullopt when OpenSSL fails (no randomness, or not enough memory for the parameters).
    std::optional<QString> hash(const QString &password) const;
    // Compares in constant time; false for a malformed stored hash.
    bool verify(const QString &password, const QString &storedHash) const;
    static bool isScryptHash(const QString &storedHash);

private:
    ScryptParameters m_parameters;
};

// The server's password hashes: new ones are Argon2id through libsodium (the PHC string
// "$argon2id$v=19$m=…,t=…,p=1$…"); scrypt hashes stored by earlier versions still verify, and
// needsRehash tells the caller to replace them (or Argon2id hashes of other parameters) at the
// next successful sign-in. At most maxConcurrentHashes hashes or verifications run at once in the
// process, whatever the number of request threads, so a burst of sign-ins cannot take all memory
// and cores; the others wait their turn. Safe from any thread.
class PasswordHasher {
public:
    static constexpr int maxConcurrentHashes = 2;

    explicit PasswordHasher(Argon2Parameters parameters = {});

    // nullopt when libsodium fails (no memory for the parameters).
    std::optional<QString> hash(const QString &password) const;
    // False for a wrong password and for a malformed or unknown stored hash.
    bool verify(const QString &password, const QString &storedHash) const;
    bool needsRehash(const QString &storedHash) const;

    const Argon2Parameters &parameters() const { return m_parameters; }

    // Hashes and verifications run in the process so far, and the most that ran at once since the
    // last reset: what the limits cost, for the server's own checks.
    static quint64 hashesRun();
    static int peakConcurrentHashes();
    static void resetPeakConcurrentHashes();

private:
    Argon2Parameters m_parameters;
};

// Random bytes from OpenSSL's CSPRNG as lower-case hex; nullopt when it fails.
std::optional<QString> randomHex(int bytes);

} // namespace apiserver
