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

// Every delegate of ApiManager in one QObject, recording each call as "method|argument|…" with
// flags as 0 or 1, and the notifications of the centre it watches as "post|name".
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

    void attach(account::ApiManager &manager) {
        manager.setDelegate(this);
        manager.setSignInDelegate(this);
        manager.setForgotPasswordDelegate(this);
        manager.setResetPasswordDelegate(this);
        manager.setLogInWithGoogleDelegate(this);
        manager.setUserDetailDelegate(this);
        manager.setSignOutBtnDelegate(this);
        manager.setCrossPlatFormDelegate(this);
        manager.setDeleteAccountDelegate(this);
        manager.setChangePasswordDelegate(this);
    }
    // Observes the centre synchronously, so a post lands in calls in order with the delegate calls.
    void watch(platform::NotificationCenter &center) {
        m_center = &center;
        for (const char *name : {"User_SignIn_App", "User_SignIn_App_After_QR", "User_Sign_Out"})
            m_tokens.push_back(center.addObserver(
                name, [this](const platform::Notification &note) { calls << "post|" + note.name; }));
    }
    ~AccountRecorder() override {
        for (const auto token : m_tokens)
            m_center->removeObserver(token);
    }

    void userSaved(const QString &m, const QString &t, bool e) override {
        record("userSaved", {m, t, flag(e)});
    }
    void userSignedIn(const QString &m, const QString &t, bool reset, bool e) override {
        record("userSignedIn", {m, t, flag(reset), flag(e)});
    }
    void forgotPasswordResult(const QString &m, const QString &t, bool e) override {
        record("forgotPasswordResult", {m, t, flag(e)});
    }
    void resetPasswordResult(const QString &m, const QString &t, bool e) override {
        record("resetPasswordResult", {m, t, flag(e)});
    }
    void externalSignInDone() override { record("externalSignInDone", {}); }
    void userDetailsLoaded() override { record("userDetailsLoaded", {}); }
    void signOutDone() override { record("signOutDone", {}); }
    void crossPlatformSignInDone() override { record("crossPlatformSignInDone", {}); }
    void accountDeleted(bool e, const QString &m, const QString &t) override {
        record("accountDeleted", {flag(e), m, t});
    }
    void passwordChanged(bool e, const QString &m, const QString &t) override {
        record("passwordChanged", {flag(e), m, t});
    }

private:
    platform::NotificationCenter *m_center = nullptr;
    std::vector<platform::NotificationCenter::Token> m_tokens;

    static QString flag(bool value) { return value ? QStringLiteral("1") : QStringLiteral("0"); }
    void record(const QString &method, const QStringList &arguments) {
        calls << (arguments.isEmpty() ? method : method + '|' + arguments.join('|'));
    }
};

// A top screen that records the alert and counts dismissals.
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

// Captures the log (one capture for the whole binary, so several devices can wait in one test)
// and waits, running the main loop, until a manager has handled the answer of an endpoint: it
// logs every answer after its rule ran. Creating a waiter forgets the lines captured so far.
class AnswerWaiter {
public:
    AnswerWaiter() {
        State &state = shared();
        std::lock_guard lock(state.mutex);
        state.lines.clear();
        if (!state.installed)
            platform::setLogSink([&state](const QString &line) {
                std::lock_guard lock(state.mutex);
                state.lines << line;
            });
        state.installed = true;
    }

    // False when no answer was handled within the safety limit.
    bool waitFor(const QString &endpoint) {
        State &state = shared();
        const QDeadlineTimer limit(30000);
        while (!limit.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            std::lock_guard lock(state.mutex);
            for (qsizetype i = 0; i < state.lines.size(); ++i)
                if (state.lines[i].startsWith(endpoint + ": ")) {
                    state.lines.remove(0, i + 1);
                    return true;
                }
        }
        return false;
    }

private:
    struct State {
        std::mutex mutex;
        QStringList lines;
        bool installed = false;
    };
    static State &shared() {
        static State state;
        return state;
    }
};

} // namespace testsupport
