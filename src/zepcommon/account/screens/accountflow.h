#pragma once

#include "zepcommon/account/screens/accountform.h"
#include "zepcommon/account/topscreen.h"

#include <QObject>
#include <QPointer>
#include <functional>

class QWidget;

namespace ui {
class ScreenController;
class SheetContainer;
class ViewRegistry;
} // namespace ui

namespace account {

class ExternalSignIn;

// The desktop app's account flow, composed once: the views of the hub and its forms, opening the
// hub (or, for a signed-in account, the account screen), and the top screen the account service
// shows its QR greeting over.
//
// Nothing global is read here: the account service, the user defaults, the notification centre,
// the theme and colours, the two providers (null: not available) and the two factories come in.
// makeQrReader builds the QR reader the hub presents (empty: the hub hides Scan QR);
// makeAccountScreen builds the signed-in account screen (empty, or null returned: the hub opens
// instead). None of them is owned; all outlive the flow. GUI thread only.
class AccountFlow : public QObject, public TopScreen {
    Q_OBJECT
public:
    using ScreenFactory = std::function<ui::ScreenController *()>;

    AccountFlow(const AccountEnvironment &environment, ExternalSignIn *google, ExternalSignIn *apple,
                ScreenFactory makeQrReader, ScreenFactory makeAccountScreen, QObject *parent = nullptr);
    ~AccountFlow() override;

    void registerViews(ui::ViewRegistry &views);
    // The window the app's screen host lays its sheets over; needed for the top screen.
    void setWindow(QWidget *window) { m_window = window; }

    // Somebody is signed in: the session is known to be valid and a session id is stored.
    bool isSignedIn() const;
    // Presents, full screen over `from`, the hub in the account flow's navigation stack when nobody
    // is signed in, else the account screen. Answers what was presented.
    ui::ScreenController *open(ui::ScreenController *from);
    // A new hub, the root of a new account flow.
    ui::ScreenController *makeHub();

    void presentAlert(const ui::AlertSpec &alert) override;
    bool isQrReaderOnTop() const override;
    void dismissTop(bool animated, std::function<void()> completion) override;

private:
    ui::SheetContainer *topSheet() const;

    AccountEnvironment m_environment;
    QPointer<ExternalSignIn> m_google;
    QPointer<ExternalSignIn> m_apple;
    ScreenFactory m_makeQrReader;
    ScreenFactory m_makeAccountScreen;
    QPointer<QWidget> m_window;
    QPointer<ui::ScreenController> m_qrReader;
};

} // namespace account
