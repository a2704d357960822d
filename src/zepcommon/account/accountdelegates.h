#pragma once

#include <QString>

// The ten single-method delegates through which ApiManager reports to the screen that asked.
// ApiManager holds each one weakly (see WeakDelegate) and calls it on the main thread.
namespace account {

class UserSavedDelegate {
public:
    virtual ~UserSavedDelegate() = default;
    virtual void userSaved(const QString &message, const QString &title, bool isError) = 0;
};

class UserSigInDelegate {
public:
    virtual ~UserSigInDelegate() = default;
    virtual void userSignedIn(const QString &message, const QString &title, bool isPasswordResetRequested,
                              bool isError) = 0;
};

class ForgotPasswordDelegate {
public:
    virtual ~ForgotPasswordDelegate() = default;
    virtual void forgotPasswordResult(const QString &message, const QString &title, bool isError) = 0;
};

class ResetPasswordDelegate {
public:
    virtual ~ResetPasswordDelegate() = default;
    virtual void resetPasswordResult(const QString &message, const QString &title, bool isError) = 0;
};

// Told that an Apple or Google sign-in succeeded.
class LogInWithGoogleDelegate {
public:
    virtual ~LogInWithGoogleDelegate() = default;
    virtual void externalSignInDone() = 0;
    // The server refused the provider's sign-in or could not be reached: nobody is signed in and
    // message says why.
    virtual void externalSignInFailed(const QString &message) { Q_UNUSED(message) }
};

class UserDetailDelegate {
public:
    virtual ~UserDetailDelegate() = default;
    virtual void userDetailsLoaded() = 0;
};

class SignOutBtnDelegate {
public:
    virtual ~SignOutBtnDelegate() = default;
    virtual void signOutDone() = 0;
};

class CrossPlatFormDelegate {
public:
    virtual ~CrossPlatFormDelegate() = default;
    virtual void crossPlatformSignInDone() = 0;
    // The server did not confirm the scanned identifiers: it answered with an error or could not be
    // reached. message says why. The identifiers stored before the call are the reader's to undo.
    virtual void crossPlatformSignInFailed(const QString &message) { Q_UNUSED(message); }
};

// Told that account deletion finished. isError is true when the server answered with an error or
// could not be reached: the account still exists and message says why; the screen shows it.
class DeleteAccountDelegate {
public:
    virtual ~DeleteAccountDelegate() = default;
    virtual void accountDeleted(bool isError, const QString &message, const QString &title) = 0;
};

class ChangePasswordDelegate {
public:
    virtual ~ChangePasswordDelegate() = default;
    virtual void passwordChanged(bool isError, const QString &message, const QString &title) = 0;
};

} // namespace account
