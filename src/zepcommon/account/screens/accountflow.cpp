#include "zepcommon/account/screens/accountflow.h"

#include "platform/defaults.h"
#include "ui/alertpresenter.h"
#include "ui/sheetcontainer.h"
#include "zepcommon/account/accountkeys.h"
#include "zepcommon/account/apimanager.h"
#include "zepcommon/account/externalsignin.h"
#include "zepcommon/account/screens/accountviews.h"
#include "zepcommon/account/screens/signinsignupviewcontroller.h"

#include <QWidget>

namespace account {

AccountFlow::AccountFlow(const AccountEnvironment &environment, ExternalSignIn *google, ExternalSignIn *apple,
                         ScreenFactory makeQrReader, ScreenFactory makeAccountScreen, QObject *parent)
    : QObject(parent)
    , m_environment(environment)
    , m_google(google)
    , m_apple(apple)
    , m_makeQrReader(std::move(makeQrReader))
    , m_makeAccountScreen(std::move(makeAccountScreen)) {}

AccountFlow::~AccountFlow() = default;

void AccountFlow::registerViews(ui::ViewRegistry &views) {
    registerAccountViews(views);
}

bool AccountFlow::isSignedIn() const {
    return m_environment.api.isSessionValid().value_or(false) &&
           !m_environment.defaults.stringValue(keys::sessionId).isEmpty();
}

ui::ScreenController *AccountFlow::makeHub() {
    SignInSignUpViewController::QrReaderFactory reader;
    if (m_makeQrReader) {
        // The reader is remembered so that the account service can tell when it is on top.
        reader = [this]() -> ui::ScreenController * {
            m_qrReader = m_makeQrReader();
            return m_qrReader;
        };
    }
    auto *hub = new SignInSignUpViewController(m_environment, m_google, m_apple, std::move(reader));
    return new AccountNavigationController(hub);
}

ui::ScreenController *AccountFlow::open(ui::ScreenController *from) {
    if (!from)
        return nullptr;
    ui::ScreenController *screen = nullptr;
    if (isSignedIn() && m_makeAccountScreen)
        screen = m_makeAccountScreen();
    if (!screen)
        screen = makeHub();
    from->present(screen, ui::Presentation::fullScreen());
    return screen;
}

ui::SheetContainer *AccountFlow::topSheet() const {
    if (!m_window)
        return nullptr;
    // Each sheet is raised when it opens, so the last open one among the window's children is on top.
    const auto sheets = m_window->findChildren<ui::SheetContainer *>(Qt::FindDirectChildrenOnly);
    for (auto it = sheets.rbegin(); it != sheets.rend(); ++it) {
        if ((*it)->isOpen())
            return *it;
    }
    return nullptr;
}

void AccountFlow::presentAlert(const ui::AlertSpec &alert) {
    ui::SheetContainer *sheet = topSheet();
    ui::AlertPresenter::present(alert, sheet ? static_cast<QWidget *>(sheet) : m_window.data());
}

bool AccountFlow::isQrReaderOnTop() const {
    const ui::SheetContainer *sheet = topSheet();
    return sheet && m_qrReader && sheet->screen() == m_qrReader;
}

void AccountFlow::dismissTop(bool, std::function<void()> completion) {
    ui::SheetContainer *sheet = topSheet();
    if (!sheet) {
        if (completion)
            completion();
        return;
    }
    if (completion)
        connect(sheet, &ui::SheetContainer::closed, this, std::move(completion));
    sheet->closeSheet();
}

} // namespace account
