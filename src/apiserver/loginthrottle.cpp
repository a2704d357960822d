#include "loginthrottle.h"

#include <algorithm>
#include <limits>

namespace apiserver {
namespace {

QString accountSubject(const QString &email) {
    return QStringLiteral("account:") + email;
}
QString addressSubject(const QString &address) {
    return QStringLiteral("address:") + address;
}

} // namespace

qint64 LoginThrottle::waitAfter(int failures, int freeFailures, int cap, const LoginLimits &limits) {
    if (failures >= cap)
        return limits.capWait.count();
    if (failures < freeFailures)
        return 0;
    const int doublings = std::min(failures - freeFailures, 30);
    return std::min<qint64>(limits.firstDelay.count() << doublings, limits.longestDelay.count());
}

StoreResult<bool> LoginThrottle::subjectMayTry(const QString &subject, int freeFailures, int cap) {
    const auto record = m_store.failures(subject);
    if (!record)
        return platform::fail(record.reason(), record.message());
    if (record->lastFailure < m_now - m_limits.forgetAfter.count())
        return true;
    return m_now >= record->lastFailure + waitAfter(record->failures, freeFailures, cap, m_limits);
}

StoreResult<bool> LoginThrottle::mayTry(const QString &email, const QString &address) {
    const auto account =
        subjectMayTry(accountSubject(email), m_limits.freeFailures, m_limits.accountFailureCap);
    if (!account || !*account || address.isEmpty())
        return account;
    return subjectMayTry(addressSubject(address), m_limits.freeAddressFailures,
                         std::numeric_limits<int>::max());
}

StoreResult<bool> LoginThrottle::failed(const QString &email, const QString &address) {
    const qint64 forgetBefore = m_now - m_limits.forgetAfter.count();
    if (auto added = m_store.addFailure(accountSubject(email), m_now, forgetBefore); !added)
        return added;
    if (address.isEmpty())
        return true;
    return m_store.addFailure(addressSubject(address), m_now, forgetBefore);
}

StoreResult<bool> LoginThrottle::succeeded(const QString &email) {
    return m_store.clearFailures(accountSubject(email));
}

} // namespace apiserver
