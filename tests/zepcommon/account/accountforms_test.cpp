// The account forms' checks in their order, with every message, and the hub's provider buttons
// with a provider that answers when the test says so. No server: a form that passes its checks
// starts its spinner and sends to a port where nothing listens.
#include "accountscreensupport.h"
#include "testapiserver.h"

#include "zepcommon/account/externalsignin.h"
#include "zepcommon/account/screens/changepasswordviewcontroller.h"
#include "zepcommon/account/screens/confirmpasswordviewcontroller.h"
#include "zepcommon/account/screens/forgotpasswordviewcontroller.h"
#include "zepcommon/account/screens/signinsignupviewcontroller.h"
#include "zepcommon/account/screens/signinviewcontroller.h"
#include "zepcommon/account/screens/signupviewcontroller.h"

#include <gtest/gtest.h>
#include <memory>

using namespace account;
using testsupport::AccountApp;

namespace {

enum class Form { SignIn, SignUp, Forgot, Change, NewPassword };

// fields: e-mail, password (the new one on the password forms), confirmation, and the old or
// temporary password. An empty expectation means the checks pass and the request starts.
struct ValidationCase {
    const char *name;
    Form form;
    QString email, password, confirmation, old;
    QString expected;
};

void PrintTo(const ValidationCase &c, std::ostream *out) {
    *out << c.name;
}

const QString mail = QStringLiteral("ada@example.org");
const QString eight = QStringLiteral("12345678");
const QString seven = QStringLiteral("1234567");
const QString sixty = QString(60, QLatin1Char('p'));
// Four characters outside the basic plane are eight UTF-16 units but only four characters.
const QString fourEmoji =
    QString::fromUtf8("\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80");
const QString fill = QStringLiteral("Error|Fill all required fields");
const QString invalid = QStringLiteral("Invalid Email|Please enter a valid email address.");
const QString length = QStringLiteral("Error|Password Should be 8-48 Characters long");

class AccountFormValidation : public ::testing::TestWithParam<ValidationCase> {
protected:
    AccountApp app{testsupport::testClientSettings(testsupport::closedPortUrl(), "forms"), "forms-"};
};

TEST_P(AccountFormValidation, ChecksInOrder) {
    const ValidationCase &c = GetParam();
    std::unique_ptr<AccountForm> form;
    switch (c.form) {
    case Form::SignIn: {
        auto *f = app.watch(new SignInViewController(app.environment()));
        form.reset(f);
        f->setEmail(c.email);
        f->setPassword(c.password);
        f->sigInBtnTapped();
        break;
    }
    case Form::SignUp: {
        auto *f = new SignUpViewController(app.environment());
        f->setEmail(c.email);
        f->setPassword(c.password);
        f->setConfirmPassword(c.confirmation);
        form.reset(app.watch(f));
        f->signUpBtnTapped();
        break;
    }
    case Form::Forgot: {
        auto *f = new ForgotPasswordViewController(app.environment());
        f->setEmail(c.email);
        form.reset(app.watch(f));
        f->sendBtnTapped();
        break;
    }
    case Form::Change: {
        auto *f = new ChangePasswordViewController(app.environment());
        form.reset(app.watch(f));
        f->setOldPassword(c.old);
        f->setNewPassword(c.password);
        f->setConfirmPassword(c.confirmation);
        f->confirmBtnTapped();
        break;
    }
    case Form::NewPassword: {
        auto *f = new ConfirmPasswordViewController(app.environment());
        f->setUserEmail(mail);
        form.reset(app.watch(f));
        f->setTemporaryPassword(c.old);
        f->setNewPassword(c.password);
        f->setConfirmPassword(c.confirmation);
        f->confirmPasswordBtnTapped();
        break;
    }
    }
    EXPECT_EQ(app.lastAlert(), c.expected);
    EXPECT_EQ(form->isRunning(), c.expected.isEmpty());
    EXPECT_EQ(form->actionTitle().isEmpty(), c.expected.isEmpty()) << "the title makes room for the spinner";
    if (!app.alerts.empty()) {
        ASSERT_EQ(app.alerts.back().actions.size(), 1u);
        EXPECT_EQ(app.alerts.back().actions[0].title, "OK");
        app.ok();
        EXPECT_EQ(app.dismissals, 0) << "the form stays open after a failed check";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Forms, AccountFormValidation,
    ::testing::Values(
        ValidationCase{"SignInEmptyPassword", Form::SignIn, mail, {}, {}, {}, fill},
        ValidationCase{"SignInEmptyEmail", Form::SignIn, {}, eight, {}, {}, invalid},
        ValidationCase{"SignInBothEmpty", Form::SignIn, {}, {}, {}, {}, invalid},
        ValidationCase{"SignInNoTopLevelDomain", Form::SignIn, "ada@example", eight, {}, {}, invalid},
        ValidationCase{"SignInTextAroundAddress", Form::SignIn, " ada@example.org", eight, {}, {}, invalid},
        ValidationCase{"SignInShortPasswordIsTheServersCall", Form::SignIn, mail, "1", {}, {}, {}},
        ValidationCase{"SignUpEightAndEmptyConfirmation", Form::SignUp, mail, eight, {}, {}, fill},
        ValidationCase{"SignUpSevenCharacters", Form::SignUp, mail, seven, seven, {}, length},
        ValidationCase{
            "SignUpFourEmojiAreFourCharacters", Form::SignUp, mail, fourEmoji, fourEmoji, {}, length},
        ValidationCase{"SignUpInvalidEmailFirst", Form::SignUp, "ada", seven, {}, {}, invalid},
        ValidationCase{"SignUpMismatch",
                       Form::SignUp,
                       mail,
                       eight,
                       "87654321",
                       {},
                       "Error|The passwords did not match."},
        ValidationCase{"SignUpSixtyCharacters", Form::SignUp, mail, sixty, sixty, {}, {}},
        ValidationCase{"ForgotEmpty", Form::Forgot, {}, {}, {}, {}, "Error|Fill required field"},
        ValidationCase{"ForgotNoPatternCheck", Form::Forgot, "not an address", {}, {}, {}, {}},
        ValidationCase{"ChangeEmptyOld", Form::Change, {}, eight, eight, {}, fill},
        ValidationCase{"ChangeSevenCharacters", Form::Change, {}, seven, seven, "old-password", length},
        ValidationCase{"ChangeEmptyNewIsTooShort", Form::Change, {}, {}, {}, "old-password", length},
        ValidationCase{"ChangeMismatch",
                       Form::Change,
                       {},
                       eight,
                       "87654321",
                       "old-password",
                       "Error|The new passwords did not match."},
        ValidationCase{"ChangeSixtyCharacters", Form::Change, {}, sixty, sixty, "old-password", {}},
        ValidationCase{"NewPasswordNoTemporary", Form::NewPassword, {}, eight, eight, {}, fill},
        ValidationCase{"NewPasswordSevenCharacters", Form::NewPassword, {}, seven, seven, "temp", length},
        ValidationCase{"NewPasswordMismatch",
                       Form::NewPassword,
                       {},
                       eight,
                       "87654321",
                       "temp",
                       "Error|Password and Confirm Password are not same"},
        ValidationCase{"NewPasswordSixtyCharacters", Form::NewPassword, {}, sixty, sixty, "temp", {}}),
    [](const auto &info) { return std::string(info.param.name); });

// A provider whose answer the test gives.
class FakeSignIn final : public ExternalSignIn {
public:
    explicit FakeSignIn(bool configured)
        : m_configured(configured) {}
    bool isConfigured() const override { return m_configured; }
    void start() override { ++starts; }
    void cancel() override { ++cancels; }
    int starts = 0;
    int cancels = 0;

private:
    bool m_configured;
};

class AccountHub : public ::testing::Test {
protected:
    SignInSignUpViewController *makeHub(ExternalSignIn *google, ExternalSignIn *apple,
                                        SignInSignUpViewController::QrReaderFactory reader = {}) {
        m_hub.reset(
            app.watch(new SignInSignUpViewController(app.environment(), google, apple, std::move(reader))));
        return m_hub.get();
    }

    AccountApp app{testsupport::testClientSettings(testsupport::closedPortUrl(), "hub"), "hub-"};
    std::unique_ptr<SignInSignUpViewController> m_hub;
};

TEST_F(AccountHub, ProvidersThatAreNotSetUpSaySo) {
    FakeSignIn unconfigured(false);
    for (ExternalSignIn *provider :
         {static_cast<ExternalSignIn *>(nullptr), static_cast<ExternalSignIn *>(&unconfigured)}) {
        SignInSignUpViewController *hub = makeHub(provider, provider);
        hub->logInWithGoogleBtnTapped();
        EXPECT_EQ(app.lastAlert(), "Sign in with Google|Sign in with Google is not set up in this build.");
        hub->appleSignInBtnTapped();
        EXPECT_EQ(app.lastAlert(), "Sign in with Apple|Sign in with Apple is not set up in this build.");
    }
    EXPECT_EQ(unconfigured.starts, 0);
    EXPECT_FALSE(m_hub->isScanQrAvailable());
}

TEST_F(AccountHub, GoogleStoresTheProfileAddressAsItIsAndClosesTheFlow) {
    FakeSignIn google(true);
    SignInSignUpViewController *hub = makeHub(&google, nullptr);
    int posts = 0;
    app.center.addObserver("User_SignIn_App", [&](const auto &) { ++posts; });
    emit google.signedIn({"Ada@Example.org", "token", {}});
    EXPECT_EQ(app.closes, 0) << "a credential nobody asked for is ignored";

    hub->logInWithGoogleBtnTapped();
    EXPECT_EQ(google.starts, 1);
    emit google.signedIn({{}, "token", {}});
    EXPECT_EQ(app.api.isSessionValid(), false) << "no profile address";
    EXPECT_EQ(app.closes, 0);

    hub->logInWithGoogleBtnTapped();
    emit google.signedIn({"Ada@Example.org", "token", {}});
    EXPECT_EQ(app.defaults.stringValue("User_Email"), "Ada@Example.org");
    EXPECT_EQ(posts, 1);
    EXPECT_EQ(app.closes, 1);
    EXPECT_EQ(app.api.isSessionValid(), true);
}

TEST_F(AccountHub, AppleBlursUntilTheServiceAnswersAndFailuresOnlyLift) {
    FakeSignIn apple(true);
    SignInSignUpViewController *hub = makeHub(nullptr, &apple);
    EXPECT_FALSE(hub->isBlurViewVisible());
    hub->appleSignInBtnTapped();
    emit apple.failed("closed");
    EXPECT_FALSE(hub->isBlurViewVisible());
    EXPECT_EQ(app.closes, 0);
    EXPECT_TRUE(app.alerts.empty()) << "provider failures are only logged";

    hub->handleAppleIdRequest();
    emit apple.signedIn({{}, "identity-token", "apple-1"});
    EXPECT_TRUE(hub->isBlurViewVisible());
    EXPECT_EQ(app.api.isSessionValid(), true);
    hub->externalSignInDone();
    EXPECT_FALSE(hub->isBlurViewVisible());
    EXPECT_EQ(app.closes, 1);

    // The server refusing the token, or not answering, lifts the blur and says why.
    hub->handleAppleIdRequest();
    emit apple.signedIn({{}, "identity-token", "apple-1"});
    hub->externalSignInFailed("The token has expired.");
    EXPECT_FALSE(hub->isBlurViewVisible());
    ASSERT_EQ(app.alerts.size(), 1u);
    EXPECT_EQ(app.alerts.back().title, "Error");
    EXPECT_EQ(app.alerts.back().message, "The token has expired.");

    hub->handleAppleIdRequest();
    m_hub.reset();
    EXPECT_EQ(apple.cancels, 1) << "a hub that goes cancels the sign-in it started";
}

TEST_F(AccountHub, ScanQrPresentsTheReaderAndTheFormsArePushed) {
    ui::ScreenController reader;
    SignInSignUpViewController *hub = makeHub(nullptr, nullptr, [&] { return &reader; });
    EXPECT_TRUE(hub->isScanQrAvailable());
    EXPECT_EQ(hub->hubImageName(), "img-signInSignUpBrisko-");
    app.theme.applyTheme(ThemeColor::Blue);
    EXPECT_EQ(hub->hubImageName(), "img-signInSignUpBrisko-blue");
    hub->scanQRBtnTapped();
    ASSERT_EQ(app.presentedScreens.size(), 1u);
    EXPECT_EQ(app.presentedScreens[0], &reader);

    AccountNavigationController navigation(hub);
    m_hub.release();
    hub->signUpBtnTapped();
    ASSERT_EQ(navigation.depth(), 2);
    auto *signUp = qobject_cast<SignUpViewController *>(navigation.topScreen());
    ASSERT_NE(signUp, nullptr);
    // Sign up's Sign In pushes a form when none is below, and goes back to one that is.
    signUp->signInBtnTapped();
    ASSERT_EQ(navigation.depth(), 3);
    auto *signIn = qobject_cast<SignInViewController *>(navigation.topScreen());
    ASSERT_NE(signIn, nullptr);
    signIn->signUpBtnTapped();
    ASSERT_EQ(navigation.depth(), 4);
    qobject_cast<SignUpViewController *>(navigation.topScreen())->signInBtnTapped();
    EXPECT_EQ(navigation.depth(), 3);
    EXPECT_EQ(navigation.topScreen(), signIn);

    int flowCloses = 0;
    QObject::connect(&navigation, &ui::ScreenController::dismissRequested, [&] { ++flowCloses; });
    hub->closeBtnTapped();
    EXPECT_EQ(flowCloses, 1) << "the hub's Close dismisses the whole stack";
}

TEST_F(AccountHub, SignInEmptiesThePasswordEachTimeItAppears) {
    auto *form = app.watch(new SignInViewController(app.environment()));
    std::unique_ptr<SignInViewController> owner(form);
    form->setEmail(mail);
    form->setPassword(eight);
    form->beginAppearanceTransition(false);
    form->beginAppearanceTransition(true);
    EXPECT_EQ(form->password(), "");
    EXPECT_EQ(form->email(), mail);
    EXPECT_EQ(form->passwordEyeImage(), "img-passwordHide");
    form->passwordHideBtnTapped();
    EXPECT_TRUE(form->isPasswordHide());
    EXPECT_EQ(form->passwordEyeImage(), "img-passwordUnhide");
    EXPECT_TRUE(form->textFieldShouldReturn());
}

} // namespace
