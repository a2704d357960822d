#include "zepcommon/account/qrscreens/qrscreenviews.h"

#include "zepcommon/account/qrscreens/nocamera.h"
#include "zepcommon/qr/qrcodereaderview.h"
#include "zepcommon/theme/zepthememanager.h"

#include "ui/viewregistry.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFrame>
#include <QGraphicsBlurEffect>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QMimeData>
#include <QMimeDatabase>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#ifdef TIDEWELL_HAVE_CAMERA
#include "zepcommon/qr/qtcapturebackend.h"
#endif

namespace account {

namespace {

QProgressBar *makeSpinner(const QString &name) {
    auto *spinner = new QProgressBar;
    spinner->setRange(0, 0); // busy
    spinner->setTextVisible(false);
    spinner->setFixedSize(80, 6);
    spinner->setAccessibleName(name);
    spinner->hide();
    return spinner;
}

QToolButton *makeBackButton(ZEPThemeManager &theme) {
    auto *back = new QToolButton;
    back->setText(QObject::tr("Back"));
    back->setAccessibleName(QObject::tr("Back"));
    const QImage arrow = theme.imgBack();
    if (!arrow.isNull()) {
        back->setIcon(QPixmap::fromImage(arrow));
        back->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    }
    back->setAutoRaise(true);
    return back;
}

QFrame *makeSeparator() {
    auto *line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setStyleSheet(QStringLiteral("color: #D1D1D6;"));
    return line;
}

} // namespace

// ---- account screen ----

CreateQRView::CreateQRView(CreateQRScreen *controller, ZEPThemeManager &theme, QWidget *parent)
    : QWidget(parent)
    , m_controller(controller)
    , m_back(makeBackButton(theme))
    , m_lblTitle(new QLabel)
    , m_imgQR(new QLabel)
    , m_emailChangePassView(new QFrame)
    , m_emailLbl(new QLabel)
    , m_firstViewSeperator(makeSeparator())
    , m_imgChangePassword(new QLabel)
    , m_changePasswordLbl(new QLabel(tr("Change Password")))
    , m_changePasswordBtn(new QPushButton(tr("Change…")))
    , m_signOutBtnView(new QFrame)
    , m_signOutBtn(new QPushButton)
    , m_signOutIndicator(makeSpinner(tr("Signing out")))
    , m_deleteAccountBtn(new QPushButton)
    , m_deleteBtnIndicator(makeSpinner(tr("Deleting the account"))) {
    setAccessibleName(tr("Account"));
    setAutoFillBackground(true);
    QPalette page = palette();
    page.setColor(QPalette::Window, Qt::white);
    setPalette(page);
    m_lblTitle->setText(controller->title());
    // Labels that show a value are read by their text, so no fixed accessible name hides it.
    QFont titleFont = m_lblTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    titleFont.setBold(true);
    m_lblTitle->setFont(titleFont);

    m_imgQR->setFixedSize(int(CreateQRScreen::qrSide), int(CreateQRScreen::qrSide));
    m_imgQR->setAlignment(Qt::AlignCenter);
    m_imgQR->setAccessibleName(tr("QR code for signing in on another device"));
    auto *hint = new QLabel(tr("Scan this code with Tidewell on another device to sign in there."));
    hint->setWordWrap(true);
    hint->setAlignment(Qt::AlignCenter);
    hint->setAccessibleName(hint->text());

    // The e-mail row and the change-password row share one rounded frame.
    m_emailChangePassView->setObjectName(QStringLiteral("emailChangePassView"));
    m_emailChangePassView->setStyleSheet(
        QStringLiteral("#emailChangePassView { background: #F2F2F7; border-radius: 10px; }"));
    m_emailLbl->setAccessibleDescription(tr("E-mail address"));
    m_emailLbl->setTextInteractionFlags(Qt::TextSelectableByMouse);
    const QImage lock = theme.themedImage(QStringLiteral("Lock-"), QSize(22, 22));
    if (!lock.isNull())
        m_imgChangePassword->setPixmap(QPixmap::fromImage(lock));
    m_imgChangePassword->setAccessibleName(tr("Password"));
    m_changePasswordLbl->setAccessibleName(tr("Change Password"));
    m_changePasswordBtn->setAccessibleName(tr("Change Password"));
    auto *rows = new QVBoxLayout(m_emailChangePassView);
    rows->setContentsMargins(14, 0, 14, 0);
    rows->setSpacing(0);
    // Two rows of 44 and the separator between them fill the 90 of the frame.
    auto *emailRowWidget = new QWidget;
    emailRowWidget->setFixedHeight(44);
    auto *emailRow = new QHBoxLayout(emailRowWidget);
    emailRow->setContentsMargins(0, 0, 0, 0);
    auto *emailIcon = new QLabel(tr("E-mail"));
    emailIcon->setAccessibleName(tr("E-mail"));
    emailIcon->setStyleSheet(QStringLiteral("color: #8E8E93;"));
    emailRow->addWidget(emailIcon);
    emailRow->addStretch();
    emailRow->addWidget(m_emailLbl);
    m_passwordRow = new QWidget;
    m_passwordRow->setFixedHeight(44);
    auto *passwordRow = new QHBoxLayout(m_passwordRow);
    passwordRow->setContentsMargins(0, 0, 0, 0);
    passwordRow->addWidget(m_imgChangePassword);
    passwordRow->addWidget(m_changePasswordLbl);
    passwordRow->addStretch();
    passwordRow->addWidget(m_changePasswordBtn);
    rows->addWidget(emailRowWidget);
    rows->addWidget(m_firstViewSeperator);
    rows->addWidget(m_passwordRow);

    m_signOutBtnView->setObjectName(QStringLiteral("signOutBtnView"));
    m_signOutBtnView->setFixedHeight(48);
    m_signOutBtn->setAccessibleName(tr("Sign Out"));
    m_signOutBtn->setFlat(true);
    m_signOutBtn->setStyleSheet(QStringLiteral("color: white; font-weight: bold; border: none;"));
    auto *signOutRow = new QHBoxLayout(m_signOutBtnView);
    signOutRow->addWidget(m_signOutBtn, 1);
    signOutRow->addWidget(m_signOutIndicator, 0, Qt::AlignCenter);

    m_deleteAccountBtn->setAccessibleName(tr("Delete Account"));
    m_deleteAccountBtn->setFlat(true);
    m_deleteAccountBtn->setStyleSheet(QStringLiteral("color: #FF3B30;"));
    auto *deleteRow = new QHBoxLayout;
    deleteRow->addWidget(m_deleteAccountBtn, 1);
    deleteRow->addWidget(m_deleteBtnIndicator, 0, Qt::AlignCenter);

    auto *bar = new QHBoxLayout;
    bar->addWidget(m_back);
    bar->addStretch();
    auto *column = new QVBoxLayout;
    column->addLayout(bar);
    column->addWidget(m_lblTitle);
    column->addSpacing(12);
    column->addWidget(m_imgQR, 0, Qt::AlignHCenter);
    column->addWidget(hint);
    column->addSpacing(16);
    column->addWidget(m_emailChangePassView);
    column->addSpacing(16);
    column->addWidget(m_signOutBtnView);
    column->addLayout(deleteRow);
    column->addStretch();
    // A phone-wide column in the middle of a wide window.
    auto *outer = new QHBoxLayout(this);
    outer->addStretch();
    outer->addLayout(column, 0);
    outer->addStretch();
    for (QWidget *widget : {static_cast<QWidget *>(m_emailChangePassView),
                            static_cast<QWidget *>(m_signOutBtnView), static_cast<QWidget *>(hint)})
        widget->setFixedWidth(360);

    connect(m_back, &QToolButton::clicked, controller, &CreateQRScreen::btnBackPressed);
    connect(m_signOutBtn, &QPushButton::clicked, controller, &CreateQRScreen::signOutBtnTapped);
    connect(m_deleteAccountBtn, &QPushButton::clicked, controller, &CreateQRScreen::deleteAccountBtnTapped);
    connect(m_changePasswordBtn, &QPushButton::clicked, controller, &CreateQRScreen::changePasswordBtnTapped);
    connect(controller, &CreateQRScreen::stateChanged, this, &CreateQRView::update);
    connect(controller, &ui::ScreenController::titleChanged, m_lblTitle, &QLabel::setText);
    controller->loadViewIfNeeded();
    update();
}

void CreateQRView::update() {
    const QImage code = m_controller->qrImage();
    if (code.isNull()) {
        m_imgQR->setText(tr("This account cannot be shown as a QR code."));
        m_imgQR->setWordWrap(true);
    } else {
        m_imgQR->setPixmap(QPixmap::fromImage(code));
    }
    m_emailLbl->setText(m_controller->email());
    const bool password = m_controller->isChangePasswordShown();
    m_firstViewSeperator->setVisible(password);
    m_passwordRow->setVisible(password);
    m_imgChangePassword->setVisible(password);
    m_changePasswordLbl->setVisible(password);
    m_changePasswordBtn->setVisible(password);
    m_emailChangePassView->setFixedHeight(int(m_controller->emailRowHeight()));

    const QColor fill = m_controller->signOutColor().value_or(QColor(0xFF, 0x8A, 0x00));
    m_signOutBtnView->setStyleSheet(
        QStringLiteral("#signOutBtnView { background: %1; border-radius: 10px; }").arg(fill.name()));
    m_signOutBtn->setText(m_controller->signOutTitle());
    m_signOutIndicator->setVisible(m_controller->isSigningOut());
    m_deleteAccountBtn->setText(m_controller->deleteTitle());
    m_deleteBtnIndicator->setVisible(m_controller->isDeleting());
    const bool idle = !m_controller->isSigningOut() && !m_controller->isDeleting();
    m_signOutBtn->setEnabled(idle);
    m_deleteAccountBtn->setEnabled(idle);
}

// ---- reader ----

ReadQRView::ReadQRView(ReadQRScreen *controller, ZEPThemeManager &theme, QWidget *parent)
    : QWidget(parent)
    , m_controller(controller)
    , m_back(makeBackButton(theme))
    , m_switchCamera(new QToolButton)
    , m_cameraView(new QRCodeReaderView)
    , m_cameraMessage(new QLabel(m_cameraView))
    , m_openImage(new QPushButton(tr("Open Image…")))
    , m_pasteImage(new QPushButton(tr("Paste Image")))
    , m_blurView(new QWidget(this))
    , m_loadingIndicator(makeSpinner(tr("Signing in"))) {
    setAccessibleName(tr("Scan QR Code"));
    // A light page of its own: the window behind a sheet is black.
    setAutoFillBackground(true);
    QPalette page = palette();
    page.setColor(QPalette::Window, Qt::white);
    page.setColor(QPalette::WindowText, QColor(0x1C, 0x1C, 0x1E));
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        page.setColor(group, QPalette::ButtonText, QColor(0x1C, 0x1C, 0x1E));
    page.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0xAE, 0xAE, 0xB2));
    setPalette(page);
    auto *title = new QLabel(controller->title());
    QFont titleFont = title->font();
    titleFont.setBold(true);
    title->setFont(titleFont);
    m_switchCamera->setText(tr("Switch Camera"));
    m_switchCamera->setAccessibleName(tr("Switch Camera"));
    m_switchCamera->setAutoRaise(true);

    m_cameraView->setAccessibleName(tr("Camera"));
    m_cameraView->setReader(&controller->reader());
    m_cameraView->setMinimumSize(320, 420);
    m_cameraView->installEventFilter(this);
    m_cameraMessage->setAccessibleDescription(tr("Camera status"));
    m_cameraMessage->setWordWrap(true);
    m_cameraMessage->setAlignment(Qt::AlignCenter);
    m_cameraMessage->setStyleSheet(QStringLiteral("color: white; padding: 12px;"));

    m_openImage->setAccessibleName(tr("Open Image"));
    m_pasteImage->setAccessibleName(tr("Paste Image"));
    m_pasteImage->setShortcut(QKeySequence::Paste);

    m_blurView->setAccessibleName(tr("Signing in"));
    m_blurView->setAutoFillBackground(true);
    QPalette dim = m_blurView->palette();
    dim.setColor(QPalette::Window, QColor(255, 255, 255, 150));
    m_blurView->setPalette(dim);
    auto *blurLayout = new QVBoxLayout(m_blurView);
    blurLayout->addWidget(m_loadingIndicator, 0, Qt::AlignCenter);
    m_blurView->hide();

    auto *bar = new QHBoxLayout;
    bar->addWidget(m_back);
    bar->addStretch();
    bar->addWidget(title);
    bar->addStretch();
    bar->addWidget(m_switchCamera);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_openImage);
    buttons->addWidget(m_pasteImage);
    buttons->addStretch();
    auto *column = new QVBoxLayout(this);
    column->addLayout(bar);
    column->addWidget(m_cameraView, 1);
    column->addLayout(buttons);

    connect(m_back, &QToolButton::clicked, controller, &ReadQRScreen::btnBackPressed);
    connect(m_switchCamera, &QToolButton::clicked, controller, &ReadQRScreen::btnSwitchCameraPressed);
    connect(m_openImage, &QPushButton::clicked, this, &ReadQRView::openImage);
    connect(m_pasteImage, &QPushButton::clicked, this, [this] { m_controller->readImage(clipboardImage()); });
    connect(controller, &ReadQRScreen::stateChanged, this, &ReadQRView::update);
    controller->loadViewIfNeeded();
    update();
}

void ReadQRView::update() {
    const QString message = m_controller->cameraMessage();
    m_cameraMessage->setText(message);
    m_cameraMessage->setVisible(!message.isEmpty());
    m_switchCamera->setEnabled(m_controller->canSwitchCamera());
    const bool busy = m_controller->isBlurShown();
    m_blurView->setVisible(busy);
    m_loadingIndicator->setVisible(m_controller->isLoading());
    if (busy) {
        m_cameraView->setGraphicsEffect(new QGraphicsBlurEffect);
        m_blurView->setGeometry(rect());
        m_blurView->raise();
    } else {
        m_cameraView->setGraphicsEffect(nullptr);
    }
    m_openImage->setEnabled(!busy);
    m_pasteImage->setEnabled(!busy);
}

void ReadQRView::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    m_blurView->setGeometry(rect());
}

bool ReadQRView::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_cameraView && event->type() == QEvent::Resize) {
        // The message sits above the scan square, in the top 120 of the preview.
        m_cameraMessage->setGeometry(0, 0, m_cameraView->width(), 120);
    }
    if (watched == m_cameraView && event->type() == QEvent::Wheel) {
        auto *wheel = static_cast<QWheelEvent *>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            m_controller->zoomByWheel(wheel->angleDelta().y() / 8.0);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ReadQRView::openImage() {
    QStringList patterns;
    const QMimeDatabase mimes;
    for (const QByteArray &type : QImageReader::supportedMimeTypes())
        patterns << mimes.mimeTypeForName(QString::fromLatin1(type)).globPatterns();
    auto *dialog = new QFileDialog(this, tr("Open Image"), QString(),
                                   tr("Pictures (%1);;All files (*)").arg(patterns.join(QLatin1Char(' '))));
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFileDialog::fileSelected, m_controller, &ReadQRScreen::readImageFile);
    dialog->open();
}

QImage ReadQRView::clipboardImage() {
    const QMimeData *data = QApplication::clipboard()->mimeData();
    if (!data)
        return {};
    if (data->hasImage())
        return qvariant_cast<QImage>(data->imageData());
    // A file copied in a file manager arrives as its address.
    for (const QUrl &url : data->urls()) {
        if (!url.isLocalFile())
            continue;
        const QImage image(url.toLocalFile());
        if (!image.isNull())
            return image;
    }
    return {};
}

std::shared_ptr<CaptureBackend> makeCameraBackend() {
#ifdef TIDEWELL_HAVE_CAMERA
    return std::make_shared<QtCaptureBackend>();
#else
    return std::make_shared<NoCameraBackend>();
#endif
}

void registerQrScreenViews(ui::ViewRegistry &views, ZEPThemeManager &theme) {
    views.add<CreateQRScreen>(
        [&theme](CreateQRScreen *screen) -> QWidget * { return new CreateQRView(screen, theme); });
    views.add<ReadQRScreen>(
        [&theme](ReadQRScreen *screen) -> QWidget * { return new ReadQRView(screen, theme); });
}

} // namespace account
