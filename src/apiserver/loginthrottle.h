#pragma once

#include "accountstore.h"

#include <QString>
#include <chrono>

namespace apiserver {

// How password attempts are limited, after NIST SP 800-63B: a few failures are free, then each
// failure doubles the wait before the next attempt is checked, up to a longest wait; an account
// that collects accountFailureCap failures waits capWait between attempts, but is never locked
// for good. One address that fails against many accounts is limited the same way from a higher
// count. Counts are forgotten a day after their last failure.
struct LoginLimits {
    int freeFailures = 5;
    std::chrono::seconds firstDelay{2};
    std::chrono::seconds longestDelay{15 * 60};
    int accountFailureCap = 100;
    std::chrono::seconds capWait{3600};
    int freeAddressFailures = 20;
    std::chrono::seconds forgetAfter{24 * 3600};
};

// Decides whether a password attempt may be checked and records its outcome. The counts live in
// the database, so several server processes on one database share them. Works on one store (one
// connection, one thread), at one moment `now`.
class LoginThrottle {
public:
    LoginThrottle(AccountStore &store, const LoginLimits &limits, qint64 now)
        : m_store(store)
        , m_limits(limits)
        , m_now(now) {}

    // The seconds a subject with this many failures waits after its last one before the next
    // attempt is checked.
    static qint64 waitAfter(int failures, int freeFailures, int cap, const LoginLimits &limits);

    // True when an attempt at the account's password (from the address, which may be empty) may
    // be checked now. A limited attempt must cost nothing: no password hash.
    StoreResult<bool> mayTry(const QString &email, const QString &address);
    // After a wrong password: one more failure for the account and the address.
    StoreResult<bool> failed(const QString &email, const QString &address);
    // After a right password: the account's count starts again (the address keeps its own).
    StoreResult<bool> succeeded(const QString &email);

private:
    StoreResult<bool> subjectMayTry(const QString &subject, int freeFailures, int cap);

    AccountStore &m_store;
    const LoginLimits &m_limits;
    qint64 m_now;
};

} // namespace apiserver
