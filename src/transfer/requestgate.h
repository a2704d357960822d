#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace transfer {

// What the gate reads of one request: its method and path and four of its headers, each as sent
// (empty when absent).
struct GateRequest {
    std::string_view method;
    std::string_view path;
    std::string_view host;
    std::string_view origin;
    std::string_view fetchSite; // Sec-Fetch-Site
    std::string_view cookie;
    bool hostKnown = false; // this host passed this gate before: not checked again
};

// Allowed, or the reply that refuses the request.
struct GateDecision {
    int status = 0; // 0: allowed
    std::string contentType;
    std::string body;
    bool allowed() const { return status == 0; }
};

// Decides, before any route runs, whether a request may be served. Knows nothing of HTTP engines:
// the server hands it the texts above and sends the refusal it answers. In order:
//   1. Host: an IP literal of this machine (with or without brackets and port), one of the names
//      it was given (the machine's host name, HOST.local, localhost, names admitted by the person)
//      or no Host at all (scripts speaking HTTP/1.0) passes; anything else is 421, a short page
//      naming the address to open. This stops DNS rebinding: a foreign name that resolves here.
//   2. Writes (every method but GET, HEAD and OPTIONS): an Origin other than the page's own
//      ("http://" or "https://" followed by the Host) or a Sec-Fetch-Site of "cross-site" or
//      "same-site" is 403; without either header (curl, scripts) the request passes.
//   3. With a session check set, every path but the open ones needs a session cookie the check
//      accepts; otherwise 401.
// Immutable once built; check() is safe from any thread.
class RequestGate {
public:
    struct Config {
        std::vector<std::string> hostNames; // compared without case; a trailing dot is ignored
        std::vector<std::string> addresses; // numeric IPv4 or IPv6, as getifaddrs reports them
        std::string preferredAddress;       // named in the 421 page; empty: the first address
        uint16_t port = 0;                  // named in the 421 page with the address
        std::vector<std::string> openPaths; // served without a session (the page and its assets)
        std::function<bool(std::string_view token)> sessionCheck; // empty: no access code
    };

    static constexpr std::string_view sessionCookie = "tidewell_session";

    explicit RequestGate(Config config);

    GateDecision check(const GateRequest &request) const;

    // The host of a Host header, lower case, without port, brackets or a trailing dot; nullopt
    // when the header is malformed (a bad port, an unbracketed IPv6 address, stray characters).
    static std::optional<std::string> hostOf(std::string_view header);
    // True when the host (as hostOf gives it) is an IPv4 or IPv6 literal.
    static bool isAddressLiteral(std::string_view host);
    // The value of one cookie of a Cookie header; empty when absent.
    static std::string_view cookieValue(std::string_view header, std::string_view name);

private:
    struct Address {
        int family = 0;
        std::array<unsigned char, 16> bytes{};
        bool operator==(const Address &) const = default;
    };
    static std::optional<Address> parseAddress(std::string_view text);
    bool isOwnHost(const std::string &host) const;
    GateDecision misdirected() const;

    Config m_config;
    std::vector<Address> m_addresses;
};

} // namespace transfer
