#pragma once

#include <chrono>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <string_view>

namespace transfer {

// The access code a person may turn on for the transfer server: a six-digit code, fresh at every
// renew(), traded once for a session token that the browser keeps in a cookie. Sessions live in
// memory only, so they die with the server (and with the next renew()). Wrong codes are limited
// per client address: after five within a minute, that address is refused, right code or not,
// until the oldest of them is a minute old. Safe from any thread.
class AccessCode {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr int maxWrongPerMinute = 5;

    enum class Outcome { Accepted, Wrong, TooMany };
    struct SignIn {
        Outcome outcome = Outcome::Wrong;
        std::string session;       // the new token when accepted
        int retryAfterSeconds = 0; // when refused for too many wrong codes
    };

    AccessCode(); // starts with a fresh code

    // A new code; every session and every count of wrong codes is forgotten.
    void renew();
    std::string code() const;

    SignIn signIn(const std::string &address, std::string_view code, Clock::time_point now = Clock::now());
    bool isSession(std::string_view token) const;

    // The page address with the code in its fragment, which never reaches the server: the page
    // reads it and signs in, so scanning the QR code is enough.
    static std::string signInUrl(const std::string &pageUrl, const std::string &code);

private:
    mutable std::mutex m_mutex;
    std::string m_code;
    std::set<std::string, std::less<>> m_sessions;
    std::map<std::string, std::deque<Clock::time_point>> m_wrong;
};

} // namespace transfer
