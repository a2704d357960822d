#pragma once

#include <QJsonObject>
#include <QString>
#include <QUrl>
#include <functional>
#include <optional>

namespace platform {
class Defaults;
}

namespace account {

// Keys of the standard user defaults ($XDG_CONFIG_HOME/Tidewell/standard.ini, section [OAuth])
// that set up Sign in with Google and with Apple. Without a client identifier the provider is
// not set up. The URL keys exist for self-hosting and tests; their defaults are the providers'.
namespace oauthkeys {
inline constexpr const char *googleClientId = "OAuth/GoogleClientID";
inline constexpr const char *googleClientSecret = "OAuth/GoogleClientSecret";
inline constexpr const char *googleAuthorizeUrl = "OAuth/GoogleAuthorizeURL";
inline constexpr const char *googleTokenUrl = "OAuth/GoogleTokenURL";
inline constexpr const char *appleServiceId = "OAuth/AppleServiceID";
inline constexpr const char *appleAuthorizeUrl = "OAuth/AppleAuthorizeURL";
inline constexpr const char *appleHandoffUrl = "OAuth/AppleHandoffURL";
} // namespace oauthkeys

struct OAuthSettings {
    // A "Desktop app" OAuth client of Google: its identifier and the secret Google issues with it
    // (for installed apps the secret is not confidential; PKCE protects the code).
    QString googleClientId;
    QString googleClientSecret;
    QUrl googleAuthorizeUrl{QStringLiteral("https://accounts.google.com/o/oauth2/v2/auth")};
    QUrl googleTokenUrl{QStringLiteral("https://oauth2.googleapis.com/token")};
    // The Services ID registered with Apple for the web flow; its return URL must be
    // <appleHandoffUrl>/auth/apple/callback.
    QString appleServiceId;
    QUrl appleAuthorizeUrl{QStringLiteral("https://appleid.apple.com/auth/authorize")};
    // The tidewell-api that receives Apple's redirect and hands the token to the app.
    QUrl appleHandoffUrl;

    // Reads the keys above; a missing URL keeps its default. The hand-off URL defaults to the
    // origin of the Tarnwick service URL (TARNWICK_SERVICE_URL when set).
    static OAuthSettings fromDefaults(const platform::Defaults &defaults);
};

// Opens a URL in the desktop's browser; false when that failed. Tests play the browser.
using BrowserOpener = std::function<bool(const QUrl &)>;
BrowserOpener systemBrowser();

// `bytes` bytes from the system's secure random source in URL-safe Base64 without padding.
QString randomUrlSafeText(int bytes);

// The claims of a JSON web token, read without checking its signature: the app only reads what
// it shows or passes on, and tidewell-api verifies the token. nullopt when it is not a JWT.
std::optional<QJsonObject> unverifiedClaims(const QString &token);

} // namespace account
