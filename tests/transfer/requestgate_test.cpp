#include "transfer/accesscode.h"
#include "transfer/requestgate.h"

#include <gtest/gtest.h>

using transfer::AccessCode;
using transfer::GateRequest;
using transfer::RequestGate;

namespace {

RequestGate::Config config(bool withCode) {
    RequestGate::Config c;
    c.hostNames = {"localhost", "Tidewell-Box", "tidewell-box.local", "files.example.org"};
    c.addresses = {"127.0.0.1", "::1", "192.168.1.20", "fe80::1c2d:3eff:fe4f:5a6b%wlan0"};
    c.preferredAddress = "192.168.1.20";
    c.port = 8080;
    c.openPaths = {"/", "/app.js", "/sign-in"};
    if (withCode)
        c.sessionCheck = [](std::string_view token) {
            return token == "good";
        };
    return c;
}

struct GateCase {
    const char *what;
    const char *method;
    const char *path;
    const char *host;
    const char *origin;
    const char *fetchSite;
    const char *cookie;
    bool withCode;
    int status; // 0: allowed
};

class RequestGateTable : public ::testing::TestWithParam<GateCase> {};

TEST_P(RequestGateTable, Decides) {
    const GateCase &c = GetParam();
    const RequestGate gate(config(c.withCode));
    const auto decision = gate.check(GateRequest{c.method, c.path, c.host, c.origin, c.fetchSite, c.cookie});
    EXPECT_EQ(decision.status, c.status) << c.what;
    if (c.status == 421) { // the refusal names the address to open instead
        EXPECT_NE(decision.body.find("http://192.168.1.20:8080/"), std::string::npos) << decision.body;
    }
}

const GateCase gateCases[] = {
    // Host: this machine's addresses and names, with and without port; nothing else.
    {"IPv4 loopback with port", "GET", "/list", "127.0.0.1:8080", "", "", "", false, 0},
    {"LAN address without port", "GET", "/list", "192.168.1.20", "", "", "", false, 0},
    {"IPv6 loopback in brackets", "GET", "/list", "[::1]:8080", "", "", "", false, 0},
    {"IPv6 written longer", "GET", "/list", "[0:0::1]:8080", "", "", "", false, 0},
    {"link-local with zone", "GET", "/list", "[fe80::1c2d:3eff:fe4f:5a6b%25wlan0]:8080", "", "", "", false,
     0},
    {"IPv4-mapped IPv6", "GET", "/list", "[::ffff:192.168.1.20]", "", "", "", false, 0},
    {"localhost", "GET", "/list", "localhost:8080", "", "", "", false, 0},
    {"host name, any case, trailing dot", "GET", "/list", "TIDEWELL-box.:8080", "", "", "", false, 0},
    {"host name .local", "GET", "/list", "tidewell-box.local:8080", "", "", "", false, 0},
    {"admitted name", "GET", "/download", "files.example.org", "", "", "", false, 0},
    {"no Host (HTTP/1.0 script)", "GET", "/list", "", "", "", "", false, 0},
    {"rebinding name", "GET", "/list", "evil.example.com:8080", "", "", "", false, 421},
    {"rebinding name on the page", "GET", "/", "attacker.test", "", "", "", false, 421},
    {"name ending in an own name", "GET", "/list", "localhost.evil.com", "", "", "", false, 421},
    {"another machine's address", "GET", "/list", "192.168.1.21:8080", "", "", "", false, 421},
    {"IPv6 without brackets", "GET", "/list", "::1", "", "", "", false, 421},
    {"bad port", "GET", "/list", "127.0.0.1:80a", "", "", "", false, 421},
    {"port too large", "GET", "/list", "127.0.0.1:65536", "", "", "", false, 421},
    {"stray characters", "GET", "/list", "local host", "", "", "", false, 421},
    {"unclosed bracket", "GET", "/list", "[::1:8080", "", "", "", false, 421},
    // Writes: a foreign Origin or Sec-Fetch-Site is refused; the page's own and none are served.
    {"same-origin save", "POST", "/save", "127.0.0.1:8080", "http://127.0.0.1:8080", "same-origin", "", false,
     0},
    {"same-origin over a TLS proxy", "POST", "/save", "files.example.org", "https://files.example.org", "",
     "", false, 0},
    {"curl save", "POST", "/save", "127.0.0.1:8080", "", "", "", false, 0},
    {"foreign page save", "POST", "/save", "127.0.0.1:8080", "http://evil.example.com", "cross-site", "",
     false, 403},
    {"foreign upload, Origin only", "POST", "/upload", "127.0.0.1:8080", "http://evil.example.com", "", "",
     false, 403},
    {"another port of this host", "POST", "/upload", "127.0.0.1:8080", "http://127.0.0.1:9090", "", "", false,
     403},
    {"opaque origin", "PUT", "/upload-stream", "127.0.0.1:8080", "null", "", "", false, 403},
    {"cross-site without Origin", "PUT", "/upload-stream", "127.0.0.1:8080", "", "cross-site", "", false,
     403},
    {"same-site", "DELETE", "/x", "127.0.0.1:8080", "", "same-site", "", false, 403},
    {"Origin without Host", "POST", "/save", "", "http://127.0.0.1:8080", "", "", false, 403},
    {"foreign page may read the page", "GET", "/", "127.0.0.1:8080", "http://evil.example.com", "cross-site",
     "", false, 0},
    // The access code: the page, its assets and the sign-in route are open; the rest needs a session.
    {"code: page open", "GET", "/", "127.0.0.1:8080", "", "", "", true, 0},
    {"code: asset open", "GET", "/app.js", "127.0.0.1:8080", "", "", "", true, 0},
    {"code: sign-in open", "POST", "/sign-in", "127.0.0.1:8080", "", "", "", true, 0},
    {"code: list without cookie", "GET", "/list", "127.0.0.1:8080", "", "", "", true, 401},
    {"code: download, wrong token", "GET", "/download", "127.0.0.1:8080", "", "", "tidewell_session=bad",
     true, 401},
    {"code: list with session", "GET", "/list", "127.0.0.1:8080", "", "", "a=1; tidewell_session=good; b=2",
     true, 0},
    {"code: cookie of a similar name", "GET", "/list", "127.0.0.1:8080", "", "", "xtidewell_session=good",
     true, 401},
    {"code: foreign origin before session", "POST", "/upload", "127.0.0.1:8080", "http://evil.example.com",
     "", "tidewell_session=good", true, 403},
    {"code: rebinding before session", "GET", "/list", "evil.example.com", "", "", "tidewell_session=good",
     true, 421},
};

INSTANTIATE_TEST_SUITE_P(Cases, RequestGateTable, ::testing::ValuesIn(gateCases));

TEST(AccessCode, SixDigitsSignInAndLimitPerAddress) {
    AccessCode access;
    const std::string code = access.code();
    ASSERT_EQ(code.size(), 6u);
    EXPECT_EQ(code.find_first_not_of("0123456789"), std::string::npos);
    const std::string wrong = code == "000000" ? "000001" : "000000";

    const auto start = AccessCode::Clock::now();
    for (int i = 0; i < AccessCode::maxWrongPerMinute; ++i)
        EXPECT_EQ(access.signIn("10.0.0.5", wrong, start + std::chrono::seconds(i)).outcome,
                  AccessCode::Outcome::Wrong);
    // The sixth try within the minute is refused even with the right code; other addresses are not.
    const auto limited = access.signIn("10.0.0.5", code, start + std::chrono::seconds(10));
    EXPECT_EQ(limited.outcome, AccessCode::Outcome::TooMany);
    EXPECT_EQ(limited.retryAfterSeconds, 50);
    EXPECT_TRUE(limited.session.empty());
    const auto other = access.signIn("10.0.0.6", code, start + std::chrono::seconds(10));
    ASSERT_EQ(other.outcome, AccessCode::Outcome::Accepted);
    EXPECT_TRUE(access.isSession(other.session));
    EXPECT_FALSE(access.isSession(""));

    // A minute after the first wrong code, one more try is allowed.
    const auto later = access.signIn("10.0.0.5", code, start + std::chrono::seconds(60));
    ASSERT_EQ(later.outcome, AccessCode::Outcome::Accepted);
    EXPECT_NE(later.session, other.session);
    EXPECT_EQ(later.session.size(), 64u);

    // A new code forgets every session.
    access.renew();
    EXPECT_FALSE(access.isSession(other.session));
    EXPECT_FALSE(access.isSession(later.session));
}

TEST(AccessCode, SignInUrlCarriesTheCodeInTheFragment) {
    EXPECT_EQ(AccessCode::signInUrl("http://192.168.1.20:8080/", "012345"),
              "http://192.168.1.20:8080/#code=012345");
    EXPECT_EQ(AccessCode::signInUrl("http://h/#old", "1"), "http://h/#code=1");
}

} // namespace
