// The account forms end to end against a real tidewell-api on loopback: what a person does on each
// form, through the forms' own actions, the app's ApiManager and Tarnwick.
#include "accountscreensupport.h"
#include "testapiserver.h"

#include "zepcommon/account/screens/changepasswordviewcontroller.h"
#include "zepcommon/account/screens/confirmpasswordviewcontroller.h"
#include "zepcommon/account/screens/forgotpasswordviewcontroller.h"
#include "zepcommon/account/screens/signinviewcontroller.h"
#include "zepcommon/account/screens/signupviewcontroller.h"

#include <QRegularExpression>
#include <gtest/gtest.h>
#include <memory>

using namespace account;
using testsupport::AccountApp;

namespace {

const QString typedEmail = QStringLiteral("Ada@Example.org");
const QString email = QStringLiteral("ada@example.org");
const QString password = QStringLiteral("first-password");

class AccountScreensServer : public ::testing::Test {
protected:
    // Runs the form's action and waits for its answer (the spinner stops).
    template <class Form> void tapAndWait(Form *form, void (Form::*action)()) {
        (form->*action)();
        ASSERT_TRUE(form->isRunning()) << app.lastAlert().toStdString();
        ASSERT_TRUE(AccountApp::waitUntil([form] { return !form->isRunning(); }));
    }
    template <class Form> std::unique_ptr<Form> form() {
        return std::unique_ptr<Form>(app.watch(new Form(app.environment())));
    }
    std::unique_ptr<SignUpViewController> signUp(const QString &address, const QString &secret) {
        auto signUp = form<SignUpViewController>();
        signUp->setEmail(address);
        signUp->setPassword(secret);
        signUp->setConfirmPassword(secret);
        tapAndWait(signUp.get(), &SignUpViewController::signUpBtnTapped);
        return signUp;
    }
    // Signs in on a fresh form and answers the alert or the presented screen.
    std::unique_ptr<SignInViewController> signIn(const QString &address, const QString &secret) {
        auto signIn = form<SignInViewController>();
        signIn->setEmail(address);
        signIn->setPassword(secret);
        tapAndWait(signIn.get(), &SignInViewController::sigInBtnTapped);
        return signIn;
    }
    QString temporaryPasswordFromMail() const {
        const auto mails = server.mails();
        return mails.empty()
                   ? QString()
                   : QRegularExpression("password is ([0-9a-f]+)").match(mails.back().body).captured(1);
    }

    testsupport::TestApiServer server{testsupport::fastAccountOptions()};
    AccountApp app{server.clientSettings("screens"), "screens-"};
};

TEST_F(AccountScreensServer, SignUpSignInAndChangePassword) {
    auto created = signUp(typedEmail, password);
    EXPECT_EQ(app.lastAlert(), "Success|" + app.alerts.back().message);
    app.ok();
    EXPECT_EQ(app.dismissals, 1) << "a successful sign-up pops its form";

    auto taken = signUp(email, password);
    EXPECT_TRUE(app.lastAlert().startsWith("Error|")) << "the address is taken";
    app.ok();
    EXPECT_EQ(app.dismissals, 1);

    int posts = 0;
    app.center.addObserver("User_SignIn_App", [&](const auto &) { ++posts; });
    auto wrong = signIn(typedEmail, "not-the-password");
    EXPECT_TRUE(app.lastAlert().startsWith("Error|"));
    EXPECT_EQ(app.api.isSessionValid(), false);
    app.ok();
    EXPECT_EQ(app.closes, 0) << "the form stays open after an error";

    auto right = signIn(typedEmail, password);
    EXPECT_EQ(app.lastAlert(), "Success|Sign In Successfully");
    EXPECT_EQ(app.defaults.stringValue("User_Email"), email) << "stored in lower case";
    EXPECT_FALSE(app.defaults.boolValue("Third_Party_Sign_In"));
    EXPECT_FALSE(app.defaults.stringValue("Sign_In_User_SessionID").isEmpty());
    EXPECT_EQ(app.api.isSessionValid(), true);
    EXPECT_EQ(posts, 1);
    EXPECT_EQ(right->actionTitle(), "Sign In");
    app.ok();
    EXPECT_EQ(app.closes, 1) << "OK closes the whole account flow";

    // From the account screen: every field shows.
    auto change = form<ChangePasswordViewController>();
    EXPECT_TRUE(change->isOldPasswordVisible());
    EXPECT_TRUE(change->isBackVisible());
    change->setOldPassword(password);
    change->setNewPassword("second-password");
    change->setConfirmPassword("second-password");
    const int dismissals = app.dismissals;
    tapAndWait(change.get(), &ChangePasswordViewController::confirmBtnTapped);
    EXPECT_EQ(app.lastAlert(), "Password Update Successful|Your password has been successfully updated.");
    app.ok();
    EXPECT_EQ(app.dismissals, dismissals + 1);
    signIn(email, "second-password");
    EXPECT_EQ(app.lastAlert(), "Success|Sign In Successfully");
}

TEST_F(AccountScreensServer, TemporaryPasswordOpensChangePasswordWithTheOldFieldHiddenAndFilled) {
    signUp(email, password);
    auto forgot = form<ForgotPasswordViewController>();
    forgot->setEmail(typedEmail);
    tapAndWait(forgot.get(), &ForgotPasswordViewController::sendBtnTapped);
    const QString temporary = temporaryPasswordFromMail();
    ASSERT_FALSE(temporary.isEmpty());

    const size_t alerts = app.alerts.size();
    auto signIn = this->signIn(typedEmail, temporary);
    EXPECT_EQ(app.alerts.size(), alerts) << "no alert";
    EXPECT_TRUE(signIn->isPasswordRequested());
    EXPECT_EQ(app.defaults.stringValue("User_Email"), email);
    ASSERT_FALSE(app.presentedScreens.empty());
    auto *change = qobject_cast<ChangePasswordViewController *>(app.presentedScreens.back());
    ASSERT_NE(change, nullptr);
    std::unique_ptr<ChangePasswordViewController> owner(app.watch(change));
    EXPECT_TRUE(change->fromSignIn());
    EXPECT_FALSE(change->isOldPasswordVisible());
    EXPECT_FALSE(change->isBackVisible());
    EXPECT_EQ(change->oldPassword(), temporary);
    EXPECT_EQ(change->userEmail(), typedEmail);

    change->setNewPassword("second-password");
    change->setConfirmPassword("second-password");
    const int dismissals = app.dismissals;
    tapAndWait(change, &ChangePasswordViewController::confirmBtnTapped);
    EXPECT_EQ(app.lastAlert(), "Password Update Successful|Your password has been successfully updated.");
    app.ok();
    EXPECT_EQ(app.dismissals, dismissals + 1);
    this->signIn(email, "second-password");
    EXPECT_EQ(app.lastAlert(), "Success|Sign In Successfully");

    // Close on the presented form closes the flow the sign-in form is in.
    const int closes = app.closes;
    change->closeBtnTapped();
    EXPECT_EQ(app.closes, closes + 2) << "the form's own request and the sign-in form's";
}

TEST_F(AccountScreensServer, ForgotPasswordThenANewPasswordWithTheMailedOne) {
    signUp(email, password);
    auto forgot = form<ForgotPasswordViewController>();
    forgot->setEmail(email);
    tapAndWait(forgot.get(), &ForgotPasswordViewController::sendBtnTapped);
    EXPECT_TRUE(app.lastAlert().startsWith("Success|"));
    app.ok();
    ASSERT_FALSE(app.presentedScreens.empty());
    auto *confirm = qobject_cast<ConfirmPasswordViewController *>(app.presentedScreens.back());
    ASSERT_NE(confirm, nullptr);
    std::unique_ptr<ConfirmPasswordViewController> owner(app.watch(confirm));
    EXPECT_EQ(confirm->userEmail(), email);
    EXPECT_TRUE(confirm->isTemporaryPasswordVisible());

    const auto reset = [&](const QString &temporary) {
        confirm->setTemporaryPassword(temporary);
        confirm->setNewPassword("third-password");
        confirm->setConfirmPassword("third-password");
        tapAndWait(confirm, &ConfirmPasswordViewController::confirmPasswordBtnTapped);
        return app.lastAlert();
    };
    EXPECT_TRUE(reset("not-the-mailed-one").startsWith("Error|"));
    EXPECT_TRUE(reset(temporaryPasswordFromMail()).startsWith("Success|"));
    const int dismissals = app.dismissals;
    app.ok();
    EXPECT_EQ(app.dismissals, dismissals + 1);
    signIn(email, "third-password");
    EXPECT_EQ(app.lastAlert(), "Success|Sign In Successfully");
}

// With the server gone, the password forms say so and stay open; the spinner stops.
TEST_F(AccountScreensServer, TransportFailureOnThePasswordForms) {
    AccountApp offline{testsupport::testClientSettings(testsupport::closedPortUrl(), "offline"), "offline-"};
    auto change = std::unique_ptr<ChangePasswordViewController>(
        offline.watch(new ChangePasswordViewController(offline.environment())));
    change->setOldPassword(password);
    change->setNewPassword("second-password");
    change->setConfirmPassword("second-password");
    change->confirmBtnTapped();
    ASSERT_TRUE(AccountApp::waitUntil([&] { return !change->isRunning(); }));
    EXPECT_EQ(offline.lastAlert(), "Error|The server could not be reached. Your password was not changed.");
    offline.ok();
    EXPECT_EQ(offline.dismissals, 0);

    auto confirm = std::unique_ptr<ConfirmPasswordViewController>(
        offline.watch(new ConfirmPasswordViewController(offline.environment())));
    confirm->setUserEmail(email);
    confirm->setProof({ResetProof::Kind::Session, "session"});
    EXPECT_FALSE(confirm->isTemporaryPasswordVisible());
    confirm->setNewPassword("second-password");
    confirm->setConfirmPassword("second-password");
    confirm->confirmPasswordBtnTapped();
    ASSERT_TRUE(AccountApp::waitUntil([&] { return !confirm->isRunning(); }));
    EXPECT_EQ(offline.lastAlert(), "Error|Password should be atleast 8 characters");
    EXPECT_TRUE(confirm->isError());
    offline.ok();
    EXPECT_EQ(offline.dismissals, 0);
    EXPECT_EQ(confirm->actionTitle(), "Confirm");
}

} // namespace
