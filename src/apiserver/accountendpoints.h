#pragma once

namespace apiserver::endpoints {

// The account endpoints the app's account service calls, with the parameters it sends.
inline constexpr const char *signUp = "_user-signup";                    // email, password
inline constexpr const char *login = "_user-login";                      // email, password
inline constexpr const char *validateSession = "_user-validate-session"; // userId, sessionId
inline constexpr const char *signOut = "_user-signout";                  // userId, sessionId
inline constexpr const char *loginGoogle = "_user-login-google";         // email [, idToken]
inline constexpr const char *loginApple = "_user-login-apple";           // identityToken, userIdentifier
inline constexpr const char *forgotPassword = "_user-forgot-password";   // email
inline constexpr const char *resetPassword = "_user-reset-password";     // email, newPassword, and
                                                                         // temporaryPassword or sessionId
inline constexpr const char *details = "_user-details";                  // userId [, sessionId]
inline constexpr const char *crossPlatformLogin = "_user-cross-platform-login"; // userId, sessionId
inline constexpr const char *deleteAccount = "_user-account-delete";            // userId, sessionId, email
inline constexpr const char *changePassword = "_user-change-password"; // newPassword, email, oldPassword

// A streaming endpoint: "count" messages (default 3) {"index": i, "text": text}, written in HTTP
// chunks of "chunkSize" bytes when that is given.
inline constexpr const char *streamEcho = "_stream-echo";

} // namespace apiserver::endpoints
