#pragma once

#include "zepcommon/account/apimanager.h"
#include "zepcommon/account/topscreen.h"

#include "platform/log.h"
#include "platform/notificationcenter.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QObject>
#include <QStringList>
#include <mutex>
#include <ostream>
#include <vector>

inline void PrintTo(const QString &text, std::ostream *out) {
    *out << '"' << text.toStdString() << '"';
}

namespace testsupport {

// Every delegate of ApiManager in one QObject, recording each call as "method|argument|…" (flags
// as 0 or 1), and the notifications of the centre it watches as "post|name", in order.
class AccountRecorder : public QObject,
                        public account::UserSavedDelegate,
                        public account::UserSigInDelegate,
                        public account::ForgotPasswordDelegate,
                        public account::ResetPasswordDelegate,
                        public account::LogInWithGoogleDelegate,
                        public account::UserDetailDelegate,
                        public account::SignOutBtnDelegate,
                        public account::CrossPlatFormDelegate,
                        public account::DeleteAccountDelegate,
                        public account::ChangePasswordDelegate {
public:
    QStringList calls;

    void attach(account::ApiManager &m) {
        m.setDelegate(this);
        m.setSignInDelegate(this);
        m.setForgotPasswordDelegate(this);
        m.setResetPasswordDelegate(this);
        m.setLogInWithGoogleDelegate(this);
        m.setUserDetailDelegate(this);
        m.setSignOutBtnDelegate(this);
        m.setCrossPlatFormDelegate(this);
        m.setDeleteAccountDelegate(this);
        m.setChangePasswordDelegate(this);
    }
    void watch(platform::NotificationCenter &center) {
        m_center = &center;
        for (const char *name : {"User_SignIn_App", "User_Sign_Out"})
            m_tokens.push_back(
                center.addObserver(name, [this](const auto &note) { calls << "post|" + note.name; }));
    }
    ~AccountRecorder() override {
        for (const auto token : m_tokens)
            m_center->removeObserver(token);
    }

    void userSaved(const QString &m, const QString &t, bool e) override { add({"userSaved", m, t, f(e)}); }
    void userSignedIn(const QString &m, const QString &t, bool r, bool e) override {
        add({"userSignedIn", m, t, f(r), f(e)});
    }
    void forgotPasswordResult(const QString &m, const QString &t, bool e) override {
        add({"forgotPasswordResult", m, t, f(e)});
    }
    void resetPasswordResult(const QString &m, const QString &t, bool e) override {
        add({"resetPasswordResult", m, t, f(e)});
    }
    void externalSignInDone() override { add({"externalSignInDone"}); }
    void externalSignInFailed(const QString &m) override { add({"externalSignInFailed", m}); }
    void userDetailsLoaded() override { add({"userDetailsLoaded"}); }
    void signOutDone() override { add({"signOutDone"}); }
    void crossPlatformSignInDone() override { add({"crossPlatformSignInDone"}); }
    void accountDeleted(bool e, const QString &m, const QString &t) override {
        add({"accountDeleted", f(e), m, t});
    }
    void passwordChanged(bool e, const QString &m, const QString &t) override {
        add({"passwordChanged", f(e), m, t});
    }

private:
    static QString f(bool value) { return value ? QStringLiteral("1") : QStringLiteral("0"); }
    void add(const QStringList &call) { calls << call.join('|'); }

    platform::NotificationCenter *m_center = nullptr;
    std::vector<platform::NotificationCenter::Token> m_tokens;
};

// A top screen that records the alerts and counts dismissals.
class RecordingTopScreen : public account::TopScreen {
public:
    std::vector<ui::AlertSpec> alerts;
    bool readerOnTop = true;
    int dismissals = 0;

    void presentAlert(const ui::AlertSpec &alert) override { alerts.push_back(alert); }
    bool isQrReaderOnTop() const override { return readerOnTop; }
    void dismissTop(bool, std::function<void()> completion) override {
        ++dismissals;
        readerOnTop = false;
        if (completion)
            completion();
    }
};

// Calls the operation of an endpoint with sample arguments.
inline void callOperation(account::ApiManager &m, const QString &endpoint) {
    const QString mail = QStringLiteral("a@b.cd"), password = QStringLiteral("password");
    const std::vector<std::pair<const char *, std::function<void()>>> operations{
        {"_user-signup",
         [&] {
             m.signUp(mail, password);
         }},
        {"_user-login",
         [&] {
             m.signIn(mail, password);
         }},
        {"_user-validate-session",
         [&] {
             m.validateSession();
         }},
        {"_user-signout",
         [&] {
             m.signOut();
         }},
        {"_user-login-google",
         [&] {
             m.logInWithGoogle(mail, "token");
         }},
        {"_user-login-apple",
         [&] {
             m.logInWithApple("token", "apple-user");
         }},
        {"_user-forgot-password",
         [&] {
             m.forgotPassword(mail);
         }},
        {"_user-reset-password",
         [&] {
             m.resetPassword(mail, password, {{}, "temporary"});
         }},
        {"_user-details",
         [&] {
             m.getUserDetails(false, "user");
         }},
        {"_user-cross-platform-login",
         [&] {
             m.crossPlatformLogin();
         }},
        {"_user-account-delete",
         [&] {
             m.deleteAccount();
         }},
        {"_user-change-password", [&] {
             m.changePassword(password, "old-password");
         }}};
    for (const auto &[name, call] : operations)
        if (endpoint == QLatin1String(name))
            call();
}

// Captures the log (once for the whole binary, so several devices can wait in one test) and
// waits, running the main loop, until a manager handled the answer of an endpoint: it logs every
// answer after its rule ran. A new waiter forgets the lines captured so far.
class AnswerWaiter {
public:
    AnswerWaiter() {
        std::lock_guard lock(state().mutex);
        state().lines.clear();
        if (!std::exchange(state().installed, true))
            platform::setLogSink([](const QString &line) {
                std::lock_guard lock(state().mutex);
                state().lines << line;
            });
    }
    // False when no answer was handled within the safety limit.
    bool waitFor(const QString &endpoint) {
        for (const QDeadlineTimer limit(30000); !limit.hasExpired();) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            std::lock_guard lock(state().mutex);
            QStringList &lines = state().lines;
            for (qsizetype i = 0; i < lines.size(); ++i)
                if (lines[i].startsWith(endpoint + ": ")) {
                    m_matched = lines[i];
                    lines.remove(0, i + 1);
                    return true;
                }
        }
        return false;
    }
    // The log line of the last answer waited for.
    QString matchedLine() const { return m_matched; }

private:
    struct State {
        std::mutex mutex;
        QStringList lines;
        bool installed = false;
    };
    static State &state() {
        static State shared;
        return shared;
    }
    QString m_matched;
};

} // namespace testsupport
