// The account flow on a real window: the hub in its navigation stack as a full-screen sheet, the
// forms' widgets driven by clicks and typing, their alerts, and the QR reader as the top screen.
#include "accountscreensupport.h"
#include "testapiserver.h"

#include "ui/navigationstack.h"
#include "ui/screenhost.h"
#include "ui/sheetcontainer.h"
#include "ui/viewregistry.h"
#include "zepcommon/account/screens/accountflow.h"
#include "zepcommon/account/screens/signinviewcontroller.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace account;
using testsupport::AccountApp;

namespace {

class AccountViews : public ::testing::Test {
protected:
    AccountViews() {
        views.add<ui::NavigationController>(
            [this](ui::NavigationController *stack) { return new ui::NavigationStack(stack, views); });
        flow.registerViews(views);
        flow.setWindow(&window);
        host.attach(&root);
        window.resize(420, 760);
        window.show();
    }
    ~AccountViews() override {
        for (QWidget *box : QApplication::topLevelWidgets())
            if (qobject_cast<QMessageBox *>(box))
                delete box;
        // Closing a sheet deletes its screens later; let that happen before the window goes.
        for (ui::SheetContainer *sheet : window.findChildren<ui::SheetContainer *>())
            sheet->closeSheet();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    template <class Widget> Widget *find(const QString &name) const {
        const auto all = window.findChildren<Widget *>(name);
        for (Widget *widget : all)
            if (widget->isVisibleTo(&window))
                return widget;
        return nullptr;
    }
    QMessageBox *alertBox() const {
        for (QMessageBox *box : window.findChildren<QMessageBox *>())
            if (box->isVisible())
                return box;
        return nullptr;
    }

    AccountApp app{testsupport::testClientSettings(testsupport::closedPortUrl(), "views"), "views-"};
    QWidget window;
    ui::ViewRegistry views;
    ui::ScreenHost host{&window, views};
    ui::ScreenController root;
    QPointer<ui::ScreenController> lastReader;
    QPointer<ui::ScreenController> accountScreen;
    AccountFlow flow{app.environment(), nullptr, nullptr,
                     [this]() -> ui::ScreenController * { return lastReader = new ui::ScreenController; },
                     [this]() -> ui::ScreenController * {
                         return accountScreen = new ui::ScreenController;
                     }};
};

TEST_F(AccountViews, HubThenSignInFormWithNamedControlsEyeAndAlert) {
    ui::ScreenController *opened = flow.open(&root);
    ASSERT_NE(qobject_cast<AccountNavigationController *>(opened), nullptr) << "nobody is signed in";
    QAbstractButton *email = find<QAbstractButton>("signInView");
    ASSERT_NE(email, nullptr);
    for (const char *option :
         {"appleSignInView", "googleSignInView", "QRtoSignInView", "signUpView", "closeBtn"})
        EXPECT_NE(find<QAbstractButton>(option), nullptr) << option;
    EXPECT_FALSE(find<QWidget>("blurView"));
    QTest::mouseClick(email, Qt::LeftButton);

    auto *stack = window.findChild<ui::NavigationStack *>();
    ASSERT_NE(stack, nullptr);
    EXPECT_FALSE(stack->backButton()->isVisibleTo(&window)) << "the form has its own back button";
    EXPECT_NE(find<QAbstractButton>("backBtn"), nullptr);
    QLineEdit *emailTf = find<QLineEdit>("emailTf");
    QLineEdit *passwordTf = find<QLineEdit>("passwordTf");
    ASSERT_TRUE(emailTf && passwordTf);
    for (QWidget *control : window.findChildren<QWidget *>()) {
        const bool isControl = qobject_cast<QAbstractButton *>(control) || qobject_cast<QLineEdit *>(control);
        if (isControl && control->isVisibleTo(&window)) {
            EXPECT_FALSE(control->accessibleName().isEmpty()) << control->objectName().toStdString();
        }
    }
    EXPECT_EQ(emailTf->placeholderText(), "Email");
    EXPECT_EQ(passwordTf->echoMode(), QLineEdit::Password);
    QTest::keyClicks(passwordTf, "secret-password");
    QTest::mouseClick(find<QAbstractButton>("passwordHideBtn"), Qt::LeftButton);
    EXPECT_EQ(passwordTf->echoMode(), QLineEdit::Normal);
    QTest::keyClicks(emailTf, "not-an-address");
    emailTf->setFocus();
    QTest::keyClick(emailTf, Qt::Key_Return);
    EXPECT_FALSE(emailTf->hasFocus()) << "Return resigns the fields";

    QTest::mouseClick(find<QAbstractButton>("signInBtn"), Qt::LeftButton);
    QMessageBox *box = alertBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowTitle() + '|' + box->text(), "Invalid Email|Please enter a valid email address.");
    box->close();

    // Text set as the accessibility interface sets it (no key events) reaches the form too.
    emailTf->setText("ada@example.org");
    QTest::mouseClick(find<QAbstractButton>("signInBtn"), Qt::LeftButton);
    QMessageBox *after = alertBox();
    EXPECT_TRUE(!after || after->windowTitle() != "Invalid Email") << after->text().toStdString();
}

TEST_F(AccountViews, QrReaderOnTopAndDismissedWithItsCompletion) {
    flow.open(&root);
    EXPECT_FALSE(flow.isQrReaderOnTop());
    QTest::mouseClick(find<QAbstractButton>("QRtoSignInView"), Qt::LeftButton);
    ASSERT_TRUE(lastReader);
    EXPECT_TRUE(flow.isQrReaderOnTop());
    bool completed = false;
    flow.dismissTop(true, [&] { completed = true; });
    EXPECT_TRUE(completed);
    EXPECT_FALSE(flow.isQrReaderOnTop());
    // The hub's sheet is next; its Close ends the flow.
    QTest::mouseClick(find<QAbstractButton>("closeBtn"), Qt::LeftButton);
    for (const ui::SheetContainer *sheet : window.findChildren<ui::SheetContainer *>())
        EXPECT_FALSE(sheet->isOpen());
}

TEST_F(AccountViews, ASignedInAccountOpensTheAccountScreen) {
    app.defaults.setValue("Sign_In_User_SessionID", "session");
    EXPECT_FALSE(flow.isSignedIn()) << "the session is not known to be valid yet";
    app.api.setIsSessionValid(true);
    EXPECT_TRUE(flow.isSignedIn());
    ui::ScreenController *opened = flow.open(&root);
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened, accountScreen.data());
}

} // namespace
