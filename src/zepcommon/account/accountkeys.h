#pragma once

// The fixed texts of the account service: user-defaults keys, notification names, endpoints and
// the texts its answer rules hand to the screens.
namespace account {

namespace keys {
inline constexpr const char *userId = "Sign_In_User_UserID";
inline constexpr const char *sessionId = "Sign_In_User_SessionID";
inline constexpr const char *email = "User_Email";
inline constexpr const char *thirdPartySignIn = "Third_Party_Sign_In";
} // namespace keys

namespace notifications {
inline constexpr const char *signIn = "User_SignIn_App";
inline constexpr const char *signInAfterQr = "User_SignIn_App_After_QR";
inline constexpr const char *signOut = "User_Sign_Out";
} // namespace notifications

namespace endpoints {
inline constexpr const char *signUp = "_user-signup";
inline constexpr const char *signIn = "_user-login";
inline constexpr const char *validateSession = "_user-validate-session";
inline constexpr const char *signOut = "_user-signout";
inline constexpr const char *logInWithGoogle = "_user-login-google";
inline constexpr const char *logInWithApple = "_user-login-apple";
inline constexpr const char *forgotPassword = "_user-forgot-password";
inline constexpr const char *resetPassword = "_user-reset-password";
inline constexpr const char *userDetails = "_user-details";
inline constexpr const char *crossPlatformLogin = "_user-cross-platform-login";
inline constexpr const char *deleteAccount = "_user-account-delete";
inline constexpr const char *changePassword = "_user-change-password";
} // namespace endpoints

namespace texts {
inline constexpr const char *success = "Success";
inline constexpr const char *error = "Error";
inline constexpr const char *signedIn = "Sign In Successfully";
inline constexpr const char *resetHint = "Password should be atleast 8 characters";
inline constexpr const char *passwordUpdated = "Your password has been successfully updated.";
inline constexpr const char *passwordUpdatedTitle = "Password Update Successful";
inline constexpr const char *passwordNotChanged =
    "The server could not be reached. Your password was not changed.";
inline constexpr const char *accountNotDeleted =
    "The server could not be reached. Your account was not deleted.";
inline constexpr const char *accountDeleted = "Your account has been deleted.";
inline constexpr const char *qrSignInUnreachable = "The server could not be reached. You were not signed in.";
inline constexpr const char *signInUnreachable = "The server could not be reached. You were not signed in.";
inline constexpr const char *signUpUnreachable = "The server could not be reached. Your account was not created.";
inline constexpr const char *forgotPasswordUnreachable = "The server could not be reached. No e-mail was sent.";
inline constexpr const char *externalSignInRefused = "The server did not accept this sign-in. You were not signed in.";
inline constexpr const char *qrSignInRefused =
    "The server did not confirm the scanned code. You were not signed in.";
inline constexpr const char *congratulations = "Congratulations";
inline constexpr const char *scannedUserSignedIn = "Logged in with the user you scanned";
inline constexpr const char *ok = "OK";
inline constexpr const char *sessionExpired = "Session Expired!";
inline constexpr const char *sessionValid = "Session Valid!";
inline constexpr const char *signedOut = "Sign Out!";
} // namespace texts

} // namespace account
