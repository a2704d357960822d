#include "transfer/accesscode.h"

#include <QRandomGenerator>

#include <cstdio>

namespace transfer {
namespace {

constexpr auto window = std::chrono::minutes(1);
// Addresses whose wrong codes are all older than the window are dropped once this many are kept.
constexpr size_t prunedAbove = 4096;

bool sameText(std::string_view a, std::string_view b) {
    // Compared in constant time, so the time of an answer tells nothing of the digits.
    if (a.size() != b.size())
        return false;
    unsigned char difference = 0;
    for (size_t i = 0; i < a.size(); ++i)
        difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    return difference == 0;
}

std::string randomToken() {
    static constexpr char hex[] = "0123456789abcdef";
    std::string token;
    for (int i = 0; i < 4; ++i) {
        quint64 bits = QRandomGenerator::system()->generate64();
        for (int j = 0; j < 16; ++j, bits >>= 4)
            token += hex[bits & 0xf];
    }
    return token;
}

} // namespace

AccessCode::AccessCode() {
    renew();
}

void AccessCode::renew() {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%06u", unsigned(QRandomGenerator::system()->bounded(1000000)));
    std::lock_guard lock(m_mutex);
    m_code = digits;
    m_sessions.clear();
    m_wrong.clear();
}

std::string AccessCode::code() const {
    std::lock_guard lock(m_mutex);
    return m_code;
}

AccessCode::SignIn AccessCode::signIn(const std::string &address, std::string_view code,
                                      Clock::time_point now) {
    std::lock_guard lock(m_mutex);
    if (m_wrong.size() > prunedAbove) {
        std::erase_if(m_wrong, [now](const auto &entry) {
            return entry.second.empty() || now - entry.second.back() >= window;
        });
    }
    std::deque<Clock::time_point> &wrong = m_wrong[address];
    while (!wrong.empty() && now - wrong.front() >= window)
        wrong.pop_front();
    if (int(wrong.size()) >= maxWrongPerMinute) {
        const auto wait = std::chrono::ceil<std::chrono::seconds>(wrong.front() + window - now);
        return SignIn{Outcome::TooMany, {}, int(std::max<long>(1, long(wait.count())))};
    }
    if (!sameText(code, m_code)) {
        wrong.push_back(now);
        return SignIn{Outcome::Wrong, {}, 0};
    }
    if (wrong.empty())
        m_wrong.erase(address);
    std::string token = randomToken();
    m_sessions.insert(token);
    return SignIn{Outcome::Accepted, std::move(token), 0};
}

bool AccessCode::isSession(std::string_view token) const {
    std::lock_guard lock(m_mutex);
    return m_sessions.find(token) != m_sessions.end();
}

std::string AccessCode::signInUrl(const std::string &pageUrl, const std::string &code) {
    const size_t hash = pageUrl.find('#');
    return pageUrl.substr(0, hash) + "#code=" + code;
}

} // namespace transfer
