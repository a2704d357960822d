#include "zepcommon/account/screens/accountviews.h"

#include "ui/navigationstack.h"
#include "ui/viewregistry.h"
#include "zepcommon/account/screens/changepasswordviewcontroller.h"
#include "zepcommon/account/screens/confirmpasswordviewcontroller.h"
#include "zepcommon/account/screens/forgotpasswordviewcontroller.h"
#include "zepcommon/account/screens/signinsignupviewcontroller.h"
#include "zepcommon/account/screens/signinviewcontroller.h"
#include "zepcommon/account/screens/signupviewcontroller.h"
#include "zepcommon/theme/zepthememanager.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace account {

namespace {

constexpr int fieldHeight = 48;
constexpr int columnWidth = 420;
const QColor fallbackAccent(0xFF, 0x8A, 0x00);

QString colorName(const std::optional<QColor> &color, const QColor &fallback) {
    return color.value_or(fallback).name(QColor::HexArgb);
}

QIcon bundleIcon(const QString &name, QSize size = {24, 24}) {
    return QIcon(QPixmap::fromImage(ZEPThemeManager::bundleImage(name, size)));
}

void fillBackground(QWidget *widget, const std::optional<QColor> &color) {
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, color.value_or(QColor(0xF2, 0xF2, 0xF7)));
    palette.setColor(QPalette::WindowText, QColor(0x1C, 0x1C, 0x1E));
    widget->setPalette(palette);
}

void setPlaceholderColor(QLineEdit *edit, const std::optional<QColor> &color) {
    if (!color)
        return;
    QPalette palette = edit->palette();
    palette.setColor(QPalette::PlaceholderText, *color);
    edit->setPalette(palette);
}

} // namespace

Spinner::Spinner(QColor color, QWidget *parent)
    : QWidget(parent)
    , m_color(std::move(color))
    , m_timer(new QTimer(this)) {
    setFixedSize(sizeHint());
    m_timer->setInterval(40);
    connect(m_timer, &QTimer::timeout, this, [this] {
        m_angle = (m_angle + 30) % 360;
        update();
    });
}

void Spinner::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(m_color, 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(rect().adjusted(3, 3, -3, -3), -m_angle * 16, 270 * 16);
}

void Spinner::showEvent(QShowEvent *) {
    m_timer->start();
}

void Spinner::hideEvent(QHideEvent *) {
    m_timer->stop();
}

AccountFormView::AccountFormView(AccountForm *form, const QString &heading, QWidget *parent)
    : QWidget(parent)
    , m_form(form)
    , m_bar(new QWidget) {
    setObjectName(form->metaObject()->className());
    fillBackground(this, form->backgroundColor());
    auto *outer = new QHBoxLayout(this);
    auto *content = new QWidget;
    content->setMaximumWidth(columnWidth);
    outer->addWidget(content);
    m_column = new QVBoxLayout(content);
    m_column->setContentsMargins(8, 12, 8, 24);
    m_column->setSpacing(14);
    auto *bar = new QHBoxLayout(m_bar);
    bar->setContentsMargins(0, 0, 0, 0);
    bar->addStretch();
    m_column->addWidget(m_bar);
    auto *title = new QLabel(heading);
    title->setObjectName(QStringLiteral("titleLbl"));
    title->setAccessibleName(heading);
    QFont font = title->font();
    font.setPixelSize(30);
    font.setBold(true);
    title->setFont(font);
    m_column->addWidget(title);
    m_column->addSpacing(8);
    connect(form, &AccountForm::changed, this, &AccountFormView::refresh);
    connect(form, &AccountForm::resignFirstResponderRequested, this, [this] {
        for (QLineEdit *field : m_fields)
            field->clearFocus();
    });
}

QToolButton *AccountFormView::addBarButton(const QString &name, const QString &text,
                                           const QString &accessibleName, bool leading, Action action,
                                           Flag visible) {
    auto *button = new QToolButton;
    button->setObjectName(name);
    button->setAccessibleName(accessibleName);
    button->setAutoRaise(true);
    button->setIconSize({28, 28});
    const QImage image = m_form->environment().theme.themedImage(text, {28, 28});
    if (image.isNull())
        button->setText(accessibleName);
    else
        button->setIcon(QIcon(QPixmap::fromImage(image)));
    auto *bar = static_cast<QHBoxLayout *>(m_bar->layout());
    if (leading)
        bar->insertWidget(0, button);
    else
        bar->addWidget(button);
    connect(button, &QToolButton::clicked, this, std::move(action));
    if (visible)
        m_bindings.push_back({[button, visible] {
            button->setVisible(visible());
        }});
    return button;
}

QLineEdit *AccountFormView::addTextField(const QString &name, const QString &placeholder, Getter get,
                                         Setter set) {
    auto *edit = new QLineEdit;
    edit->setObjectName(name);
    edit->setAccessibleName(placeholder);
    edit->setPlaceholderText(placeholder);
    edit->setMinimumHeight(fieldHeight);
    edit->setStyleSheet(
        QStringLiteral("QLineEdit { background: white; border: 1px solid #D1D1D6; "
                       "border-radius: 10px; padding: 0 12px; font-size: 16px; color: #1C1C1E; }"));
    setPlaceholderColor(edit, m_form->placeholderColor());
    // textChanged, not textEdited: text set through the accessibility interface (screen readers,
    // voice control, autofill tools) must reach the form as typing does.
    connect(edit, &QLineEdit::textChanged, this, std::move(set));
    connect(edit, &QLineEdit::returnPressed, m_form, &AccountForm::textFieldShouldReturn);
    m_bindings.push_back({[edit, get] {
        if (edit->text() != get())
            edit->setText(get());
    }});
    m_fields.push_back(edit);
    m_column->addWidget(edit);
    return edit;
}

QLineEdit *AccountFormView::addPasswordField(const QString &name, const QString &eyeName,
                                             const QString &placeholder, Getter get, Setter set,
                                             Flag revealed, Getter eyeImage, Action toggle, Flag visible,
                                             const QString &rowName) {
    QLineEdit *edit = addTextField(name, placeholder, std::move(get), std::move(set));
    auto *row = new QWidget;
    row->setObjectName(rowName.isEmpty() ? name + QStringLiteral("View") : rowName);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    delete m_column->replaceWidget(edit, row); // the field moves into the row; its old item goes
    layout->addWidget(edit);
    auto *eye = new QToolButton(edit);
    eye->setObjectName(eyeName);
    eye->setAutoRaise(true);
    eye->setCursor(Qt::PointingHandCursor);
    eye->setIconSize({22, 22});
    edit->setTextMargins(0, 0, 32, 0);
    auto *inner = new QHBoxLayout(edit);
    inner->setContentsMargins(0, 0, 8, 0);
    inner->addStretch();
    inner->addWidget(eye);
    connect(eye, &QToolButton::clicked, this, std::move(toggle));
    m_bindings.push_back({[edit, eye, row, placeholder, revealed, eyeImage, visible] {
        const bool shown = revealed();
        edit->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
        eye->setIcon(bundleIcon(eyeImage(), {22, 22}));
        eye->setAccessibleName(shown ? tr("Hide %1").arg(placeholder) : tr("Show %1").arg(placeholder));
        if (visible)
            row->setVisible(visible());
    }});
    return edit;
}

QWidget *AccountFormView::addLabel(const QString &name, const QString &text) {
    auto *label = new QLabel(text);
    label->setObjectName(name);
    label->setAccessibleName(text);
    label->setWordWrap(true);
    label->setStyleSheet(QStringLiteral("color: #6C6C70; font-size: 13px;"));
    m_column->addWidget(label);
    return label;
}

QPushButton *AccountFormView::addActionButton(const QString &viewName, const QString &name,
                                              const QString &indicatorName, Action action) {
    auto *container = new QWidget;
    container->setObjectName(viewName);
    auto *stack = new QHBoxLayout(container);
    stack->setContentsMargins(0, 8, 0, 0);
    auto *button = new QPushButton;
    button->setObjectName(name);
    button->setMinimumHeight(fieldHeight + 4);
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: white; border: none; "
                                         "border-radius: 12px; font-size: 17px; font-weight: bold; }")
                              .arg(colorName(m_form->themeColor(), fallbackAccent)));
    stack->addWidget(button);
    auto *spinner = new Spinner(Qt::white, button);
    spinner->setObjectName(indicatorName);
    spinner->setAccessibleName(tr("Working"));
    auto *centre = new QHBoxLayout(button);
    centre->addWidget(spinner, 0, Qt::AlignCenter);
    m_column->addWidget(container);
    connect(button, &QPushButton::clicked, this, std::move(action));
    m_bindings.push_back({[this, button, spinner] {
        const QString title = m_form->actionTitle();
        button->setText(title);
        button->setAccessibleName(m_form->isRunning() ? spinner->accessibleName() : title);
        button->setEnabled(!m_form->isRunning());
        spinner->setVisible(m_form->isRunning());
    }});
    return button;
}

QPushButton *AccountFormView::addLinkButton(const QString &name, const QString &text, Action action) {
    auto *button = new QPushButton(text);
    button->setObjectName(name);
    button->setAccessibleName(text);
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(QStringLiteral("QPushButton { color: %1; border: none; font-size: 15px; }")
                              .arg(colorName(m_form->themeColor(), fallbackAccent)));
    m_column->addWidget(button, 0, Qt::AlignHCenter);
    connect(button, &QPushButton::clicked, this, std::move(action));
    return button;
}

void AccountFormView::addStretch() {
    m_column->addStretch();
}

void AccountFormView::refresh() {
    for (const Binding &binding : m_bindings)
        binding.update();
}

SignInSignUpView::SignInSignUpView(SignInSignUpViewController *controller, QWidget *parent)
    : QWidget(parent)
    , m_controller(controller)
    , m_blur(new QWidget(this)) {
    setObjectName(QStringLiteral("SignInSignUpViewController"));
    fillBackground(this, controller->backgroundColor());
    auto *outer = new QHBoxLayout(this);
    auto *content = new QWidget;
    content->setMaximumWidth(columnWidth);
    outer->addWidget(content);
    auto *column = new QVBoxLayout(content);
    column->setContentsMargins(8, 12, 8, 24);
    column->setSpacing(12);
    addHeader(column);
    addOptions(column);
    column->addStretch();
    buildBlur();
    connect(controller, &AccountForm::changed, this, &SignInSignUpView::refresh);
    controller->loadViewIfNeeded();
    refresh();
}

void SignInSignUpView::addHeader(QVBoxLayout *column) {
    auto *bar = new QHBoxLayout;
    bar->addStretch();
    auto *close = new QToolButton;
    close->setObjectName(QStringLiteral("closeBtn"));
    close->setAccessibleName(tr("Close"));
    close->setAutoRaise(true);
    close->setIconSize({28, 28});
    close->setIcon(QIcon(QPixmap::fromImage(m_controller->environment().theme.imgClose())));
    bar->addWidget(close);
    column->addLayout(bar);
    connect(close, &QToolButton::clicked, m_controller, &SignInSignUpViewController::closeBtnTapped);

    auto *image = new QLabel;
    image->setObjectName(QStringLiteral("imgBrisko"));
    image->setAccessibleName(tr("Account"));
    image->setAlignment(Qt::AlignCenter);
    image->setPixmap(
        QPixmap::fromImage(ZEPThemeManager::bundleImage(m_controller->hubImageName(), {150, 150})));
    column->addWidget(image);
    auto *heading = new QLabel(tr("Sign in to your account"));
    heading->setObjectName(QStringLiteral("titleLbl"));
    heading->setAccessibleName(heading->text());
    heading->setAlignment(Qt::AlignCenter);
    QFont font = heading->font();
    font.setPixelSize(24);
    font.setBold(true);
    heading->setFont(font);
    column->addWidget(heading);
    column->addSpacing(12);
}

void SignInSignUpView::addOptions(QVBoxLayout *column) {
    struct Option {
        const char *name;
        QString text;
        QString style;
        void (SignInSignUpViewController::*action)();
    };
    const QString accent = colorName(m_controller->themeColor(), fallbackAccent);
    const QString plain = QStringLiteral("background: white; color: #1C1C1E; border: 1px solid #D1D1D6;");
    const std::vector<Option> options{
        {"signInView", tr("Sign in with Email"),
         QStringLiteral("background: %1; color: white; border: none;").arg(accent),
         &SignInSignUpViewController::signInBtnTapped},
        {"appleSignInView", tr("Sign in with Apple"),
         QStringLiteral("background: black; color: white; border: none;"),
         &SignInSignUpViewController::appleSignInBtnTapped},
        {"googleSignInView", tr("Sign in with Google"), plain,
         &SignInSignUpViewController::logInWithGoogleBtnTapped},
        {"QRtoSignInView", tr("Scan QR Code to Sign In"), plain,
         &SignInSignUpViewController::scanQRBtnTapped},
        {"signUpView", tr("Create an Account"),
         QStringLiteral("background: transparent; color: %1; border: 2px solid %1;").arg(accent),
         &SignInSignUpViewController::signUpBtnTapped},
    };
    for (const Option &option : options) {
        auto *button = new QPushButton(option.text);
        button->setObjectName(QString::fromLatin1(option.name));
        button->setAccessibleName(option.text);
        button->setMinimumHeight(fieldHeight + 4);
        button->setCursor(Qt::PointingHandCursor);
        // Continuous corner curves: the rounding of the phone's option views.
        button->setStyleSheet(QStringLiteral("QPushButton { %1 border-radius: 14px; font-size: 17px; "
                                             "font-weight: 600; }")
                                  .arg(option.style));
        column->addWidget(button);
        connect(button, &QPushButton::clicked, m_controller, option.action);
        if (option.action == &SignInSignUpViewController::scanQRBtnTapped)
            button->setVisible(m_controller->isScanQrAvailable());
    }
}

void SignInSignUpView::buildBlur() {
    m_blur->setObjectName(QStringLiteral("blurView"));
    m_blur->setAccessibleName(tr("Signing in"));
    m_blur->setAutoFillBackground(true);
    QPalette veil = m_blur->palette();
    veil.setColor(QPalette::Window, QColor(255, 255, 255, 190));
    m_blur->setPalette(veil);
    auto *veilLayout = new QVBoxLayout(m_blur);
    auto *indicator = new Spinner(m_controller->themeColor().value_or(fallbackAccent));
    indicator->setObjectName(QStringLiteral("blurViewIndicator"));
    indicator->setAccessibleName(tr("Signing in"));
    veilLayout->addWidget(indicator, 0, Qt::AlignCenter);
}

void SignInSignUpView::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    m_blur->setGeometry(rect());
}

void SignInSignUpView::refresh() {
    m_blur->setVisible(m_controller->isBlurViewVisible());
    m_blur->raise();
}

namespace {

QWidget *makeSignInView(SignInViewController *c) {
    auto *view = new AccountFormView(c, c->title());
    view->addBarButton(QStringLiteral("backBtn"), QStringLiteral("back-"), AccountFormView::tr("Back"), true,
                       [c] { c->backBtnTapped(); });
    view->addTextField(
        QStringLiteral("emailTf"), AccountFormView::tr("Email"), [c] { return c->email(); },
        [c](const QString &t) { c->setEmail(t); });
    view->addPasswordField(
        QStringLiteral("passwordTf"), QStringLiteral("passwordHideBtn"), AccountFormView::tr("Password"),
        [c] { return c->password(); }, [c](const QString &t) { c->setPassword(t); },
        [c] { return c->isPasswordHide(); }, [c] { return c->passwordEyeImage(); },
        [c] { c->passwordHideBtnTapped(); });
    view->addLinkButton(QStringLiteral("forgotPasswordBtn"), AccountFormView::tr("Forgot Password?"),
                        [c] { c->forgotPasswordBtnTapped(); });
    view->addActionButton(QStringLiteral("signInBtnView"), QStringLiteral("signInBtn"),
                          QStringLiteral("signInIndicator"), [c] { c->sigInBtnTapped(); });
    view->addLinkButton(QStringLiteral("signUpBtn"), AccountFormView::tr("Don't have an account? Sign Up"),
                        [c] { c->signUpBtnTapped(); });
    view->addStretch();
    return view;
}

QWidget *makeSignUpView(SignUpViewController *c) {
    auto *view = new AccountFormView(c, c->title());
    view->addBarButton(QStringLiteral("backBtn"), QStringLiteral("back-"), AccountFormView::tr("Back"), true,
                       [c] { c->backBtnTapped(); });
    view->addTextField(
        QStringLiteral("emailTf"), AccountFormView::tr("Email"), [c] { return c->email(); },
        [c](const QString &t) { c->setEmail(t); });
    view->addPasswordField(
        QStringLiteral("passwordTf"), QStringLiteral("passwordHideBtn"), AccountFormView::tr("Password"),
        [c] { return c->password(); }, [c](const QString &t) { c->setPassword(t); },
        [c] { return c->isPasswordHide(); }, [c] { return c->passwordEyeImage(); },
        [c] { c->passwordHideBtnTapped(); });
    view->addPasswordField(
        QStringLiteral("confirmPasswordTf"), QStringLiteral("confirmPasswordHideBtn"),
        AccountFormView::tr("Confirm Password"), [c] { return c->confirmPassword(); },
        [c](const QString &t) { c->setConfirmPassword(t); }, [c] { return c->isConfirmPasswordHide(); },
        [c] { return c->confirmPasswordEyeImage(); }, [c] { c->confirmPasswordHideBtnTapped(); });
    view->addLabel(QStringLiteral("passwordMsgLbl"),
                   AccountFormView::tr("Password should be 8-48 characters long."));
    view->addActionButton(QStringLiteral("signUpBtnView"), QStringLiteral("signUpBtn"),
                          QStringLiteral("signUpBtnIndicator"), [c] { c->signUpBtnTapped(); });
    view->addLinkButton(QStringLiteral("signInBtn"), AccountFormView::tr("Already have an account? Sign In"),
                        [c] { c->signInBtnTapped(); });
    view->addStretch();
    return view;
}

QWidget *makeForgotPasswordView(ForgotPasswordViewController *c) {
    auto *view = new AccountFormView(c, c->title());
    view->addBarButton(QStringLiteral("closeBtn"), QStringLiteral("img-close-"), AccountFormView::tr("Close"),
                       false, [c] { c->closeBtnTapped(); });
    view->addLabel(QStringLiteral("messageLbl"),
                   AccountFormView::tr("Enter the e-mail address of your account. We will mail you a "
                                       "temporary password."));
    view->addTextField(
        QStringLiteral("emailTf"), AccountFormView::tr("Email"), [c] { return c->email(); },
        [c](const QString &t) { c->setEmail(t); });
    view->addActionButton(QStringLiteral("sendBtnView"), QStringLiteral("sendBtn"),
                          QStringLiteral("sendBtnIndicator"), [c] { c->sendBtnTapped(); });
    view->addStretch();
    return view;
}

QWidget *makeChangePasswordView(ChangePasswordViewController *c) {
    auto *view = new AccountFormView(c, c->title());
    view->addBarButton(
        QStringLiteral("backBtn"), QStringLiteral("back-"), AccountFormView::tr("Back"), true,
        [c] { c->backBtnTapped(); }, [c] { return c->isBackVisible(); });
    view->addBarButton(QStringLiteral("closeBtn"), QStringLiteral("img-close-"), AccountFormView::tr("Close"),
                       false, [c] { c->closeBtnTapped(); });
    view->addPasswordField(
        QStringLiteral("oldPasswordTf"), QStringLiteral("oldPasswordHideBtn"),
        AccountFormView::tr("Old Password"), [c] { return c->oldPassword(); },
        [c](const QString &t) { c->setOldPassword(t); }, [c] { return c->isOldPasswordHide(); },
        [c] { return c->oldPasswordEyeImage(); }, [c] { c->oldPasswordHideBtnTapped(); },
        [c] { return c->isOldPasswordVisible(); }, QStringLiteral("oldPasswordView"));
    view->addPasswordField(
        QStringLiteral("newPasswordTf"), QStringLiteral("newPasswordHideBtn"),
        AccountFormView::tr("New Password"), [c] { return c->newPassword(); },
        [c](const QString &t) { c->setNewPassword(t); }, [c] { return c->isNewPasswordHide(); },
        [c] { return c->newPasswordEyeImage(); }, [c] { c->newPasswordHideBtnTapped(); });
    view->addPasswordField(
        QStringLiteral("confirmPasswordTf"), QStringLiteral("confirmPasswordHideBtn"),
        AccountFormView::tr("Confirm Password"), [c] { return c->confirmPassword(); },
        [c](const QString &t) { c->setConfirmPassword(t); }, [c] { return c->isConfirmPasswordHide(); },
        [c] { return c->confirmPasswordEyeImage(); }, [c] { c->confirmPasswordHideBtnTapped(); });
    view->addLabel(QStringLiteral("passwordMsgLbl"),
                   AccountFormView::tr("Password should be 8-48 characters long."));
    view->addActionButton(QStringLiteral("confirmBtnView"), QStringLiteral("confirmBtn"),
                          QStringLiteral("confirmBtnIndicator"), [c] { c->confirmBtnTapped(); });
    view->addStretch();
    return view;
}

QWidget *makeConfirmPasswordView(ConfirmPasswordViewController *c) {
    auto *view = new AccountFormView(c, c->title());
    view->addBarButton(QStringLiteral("closeBtn"), QStringLiteral("img-close-"), AccountFormView::tr("Close"),
                       false, [c] { c->closeBtnTapped(); });
    view->addPasswordField(
        QStringLiteral("temporaryPasswordTf"), QStringLiteral("temporaryPasswordHideBtn"),
        AccountFormView::tr("Temporary Password"), [c] { return c->temporaryPassword(); },
        [c](const QString &t) { c->setTemporaryPassword(t); }, [c] { return c->isTemporaryPasswordHide(); },
        [c] { return c->temporaryPasswordEyeImage(); }, [c] { c->temporaryPasswordHideBtnTapped(); },
        [c] { return c->isTemporaryPasswordVisible(); });
    view->addPasswordField(
        QStringLiteral("newPasswordTf"), QStringLiteral("passwordHideBtn"),
        AccountFormView::tr("New Password"), [c] { return c->newPassword(); },
        [c](const QString &t) { c->setNewPassword(t); }, [c] { return c->isPasswordHide(); },
        [c] { return c->passwordEyeImage(); }, [c] { c->newPasswordHideBtnTapped(); });
    view->addPasswordField(
        QStringLiteral("confirmPasswordTf"), QStringLiteral("confirmPasswordHideBtn"),
        AccountFormView::tr("Confirm Password"), [c] { return c->confirmPassword(); },
        [c](const QString &t) { c->setConfirmPassword(t); }, [c] { return c->isConfirmPasswordHide(); },
        [c] { return c->confirmPasswordEyeImage(); }, [c] { c->confirmPasswordHideBtnTapped(); });
    view->addLabel(QStringLiteral("passwordMsgLbl"),
                   AccountFormView::tr("Password should be 8-48 characters long."));
    view->addActionButton(QStringLiteral("confirmBtnView"), QStringLiteral("confirmBtn"),
                          QStringLiteral("confirmBtnIndicator"), [c] { c->confirmPasswordBtnTapped(); });
    view->addStretch();
    return view;
}

// Loads the controller before the first refresh, so that what viewDidLoad sets shows at once.
template <class Controller> QWidget *loaded(Controller *controller, QWidget *(*make)(Controller *)) {
    controller->loadViewIfNeeded();
    QWidget *view = make(controller);
    static_cast<AccountFormView *>(view)->refresh();
    return view;
}

} // namespace

void registerAccountViews(ui::ViewRegistry &views) {
    // Each account screen has its own back and close buttons and heading, so the stack shows no bar.
    views.add<AccountNavigationController>([&views](AccountNavigationController *navigation) {
        auto *stack = new ui::NavigationStack(navigation, views);
        stack->setBarHidden(true);
        return stack;
    });
    views.add<SignInSignUpViewController>(
        [](SignInSignUpViewController *screen) { return new SignInSignUpView(screen); });
    views.add<SignInViewController>([](SignInViewController *c) { return loaded(c, &makeSignInView); });
    views.add<SignUpViewController>([](SignUpViewController *c) { return loaded(c, &makeSignUpView); });
    views.add<ForgotPasswordViewController>(
        [](ForgotPasswordViewController *c) { return loaded(c, &makeForgotPasswordView); });
    views.add<ChangePasswordViewController>(
        [](ChangePasswordViewController *c) { return loaded(c, &makeChangePasswordView); });
    views.add<ConfirmPasswordViewController>(
        [](ConfirmPasswordViewController *c) { return loaded(c, &makeConfirmPasswordView); });
}

} // namespace account
