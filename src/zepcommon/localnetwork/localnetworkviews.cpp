#include "zepcommon/localnetwork/localnetworkviews.h"

#include "zepcommon/theme/zepcolors.h"
#include "zepcommon/theme/zepthememanager.h"

#include <QFont>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace localnetwork {

namespace {

constexpr QSize logoSize(160, 160);
constexpr QSize infoImageSize(56, 56);

// Sizes in pixels, the way the phone's points measure, so that the title keeps its five lines.
QLabel *makeLabel(int pixelSize, bool bold, const QString &name) {
    auto *label = new QLabel;
    QFont font = label->font();
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    label->setFont(font);
    label->setAlignment(Qt::AlignHCenter);
    label->setWordWrap(true);
    label->setObjectName(name);
    return label;
}

// The common bundle's picture: the themed variant when there is one, else the plain name.
QPixmap bundlePicture(const QString &themedName, const QString &name, QSize size) {
    QImage image = ZEPThemeManager::bundleImage(themedName, size);
    if (image.isNull())
        image = ZEPThemeManager::bundleImage(name, size);
    return image.isNull() ? QPixmap() : QPixmap::fromImage(image);
}

void styleButton(QPushButton *button, const std::optional<QColor> &color) {
    button->setMinimumHeight(48);
    const QString background = color ? color->name() : QStringLiteral("#444444");
    button->setStyleSheet(
        QStringLiteral("QPushButton { background: %1; color: white; border: none; "
                       "border-radius: 10px; font-size: 17px; font-weight: bold; padding: 0 24px; }")
            .arg(background));
}

void fillBackground(QWidget *widget) {
    if (const std::optional<QColor> background = ZEPColors::themeColorWithName(ZEPColors::background())) {
        widget->setAutoFillBackground(true);
        QPalette palette = widget->palette();
        palette.setColor(QPalette::Window, *background);
        widget->setPalette(palette);
    }
}

} // namespace

QString styledTextHtml(const StyledText &text, const std::optional<QColor> &accent) {
    QString html;
    for (const TextRun &run : text) {
        if (run.text == QLatin1String("\n"))
            html += QStringLiteral("<br>");
        else if (run.accent)
            html += QStringLiteral("<span style=\"color:%1\">%2</span>")
                        .arg(accent ? accent->name() : QStringLiteral("#000000"), run.text.toHtmlEscaped());
        else
            html += run.text.toHtmlEscaped();
    }
    return html;
}

LNAPermissionView::LNAPermissionView(LNAPermissionScreen *controller, QWidget *parent)
    : QWidget(parent)
    , m_controller(controller)
    , m_logo(new QLabel)
    , m_title(makeLabel(30, true, QStringLiteral("lblTitle")))
    , m_description(makeLabel(16, false, QStringLiteral("lblDescription")))
    , m_noWifi(makeLabel(16, false, QStringLiteral("lblNoWifi")))
    , m_permission(makeLabel(14, false, QStringLiteral("lblPermissionText")))
    , m_button(new QPushButton)
    , m_indicator(new QProgressBar)
    , m_info(new QToolButton) {
    setObjectName(QStringLiteral("lnaPermissionScreen"));
    fillBackground(this);
    m_logo->setObjectName(QStringLiteral("imgLogo"));
    m_logo->setAlignment(Qt::AlignCenter);
    m_logo->setFixedHeight(logoSize.height());
    m_title->setTextFormat(Qt::RichText);
    m_description->setTextFormat(Qt::RichText);
    m_button->setObjectName(QStringLiteral("btnPermission"));
    m_indicator->setObjectName(QStringLiteral("lnaPermissionIndicator"));
    m_indicator->setRange(0, 0); // busy
    m_indicator->setTextVisible(false);
    m_indicator->setMaximumWidth(120);
    m_indicator->setAccessibleName(tr("Waiting for the local network"));
    m_info->setObjectName(QStringLiteral("infoBtn"));
    m_info->setAccessibleName(tr("How to allow the local network"));
    m_info->setIconSize(QSize(28, 28));
    m_info->setAutoRaise(true);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(20, 16, 20, 32);
    column->setSpacing(16);
    auto *top = new QHBoxLayout;
    top->addStretch();
    top->addWidget(m_info);
    column->addLayout(top);
    column->addStretch(1);
    column->addWidget(m_logo);
    column->addWidget(m_title);
    column->addWidget(m_description);
    column->addWidget(m_noWifi);
    column->addStretch(2);
    column->addWidget(m_permission);
    column->addWidget(m_indicator, 0, Qt::AlignHCenter);
    column->addWidget(m_button);

    connect(m_button, &QPushButton::clicked, controller, &LNAPermissionScreen::permissionBtn);
    connect(m_info, &QToolButton::clicked, controller, &LNAPermissionScreen::infoBtnTapped);
    connect(controller, &LNAPermissionScreen::changed, this, &LNAPermissionView::update);
    controller->loadViewIfNeeded();
    update();
}

void LNAPermissionView::update() {
    const LNAPermissionScreen &screen = *m_controller;
    m_title->setText(styledTextHtml(screen.title(), screen.accentColor()));
    m_title->setAccessibleName(plainText(screen.title()));
    m_description->setText(styledTextHtml(screen.description(), screen.accentColor()));
    m_description->setAccessibleName(plainText(screen.description()));
    m_description->setVisible(screen.isDescriptionVisible());
    m_noWifi->setText(screen.noWifiText());
    m_noWifi->setAccessibleName(screen.noWifiText());
    m_noWifi->setVisible(screen.isNoWifiVisible());
    m_permission->setText(screen.permissionText());
    m_permission->setAccessibleName(screen.permissionText());
    m_button->setText(screen.buttonTitle());
    m_button->setAccessibleName(screen.isIndicatorAnimating() ? m_indicator->accessibleName()
                                                              : screen.buttonTitle());
    styleButton(m_button, screen.accentColor());
    m_indicator->setVisible(screen.isIndicatorAnimating());
    m_logo->setPixmap(bundlePicture(screen.logoPictureName(), screen.logoImageName(), logoSize));
    m_logo->setAccessibleName(screen.isNoWifiVisible() ? tr("No Wi-Fi") : tr("Local network"));
    m_info->setIcon(
        QIcon(QPixmap::fromImage(ZEPThemeManager::bundleImage(screen.infoButtonImageName(), {56, 56}))));
}

LNAInfoView::LNAInfoView(LNAInfoViewController *controller, QWidget *parent)
    : QWidget(parent)
    , m_controller(controller) {
    setObjectName(QStringLiteral("lnaInfoView"));
    fillBackground(this);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(32, 16, 32, 32);
    column->setSpacing(20);
    auto *top = new QHBoxLayout;
    auto *heading = makeLabel(22, true, QStringLiteral("lnaInfoTitle"));
    heading->setText(tr("Allow the local network"));
    heading->setAccessibleName(heading->text());
    auto *close = new QPushButton(tr("Close"));
    close->setAccessibleName(tr("Close"));
    top->addWidget(heading, 1);
    top->addWidget(close);
    column->addLayout(top);
    using Image = LNAInfoViewController::Image;
    for (const Image which : {Image::Home, Image::Settings, Image::Wifi, Image::Lock}) {
        auto *row = new QHBoxLayout;
        row->setSpacing(16);
        auto *image = new QLabel;
        image->setFixedSize(infoImageSize);
        auto *caption = makeLabel(15, false, QString());
        caption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        row->addWidget(image);
        row->addWidget(caption, 1);
        column->addLayout(row);
        m_images[size_t(which)] = image;
        m_captions[size_t(which)] = caption;
    }
    column->addStretch();
    connect(close, &QPushButton::clicked, controller, &LNAInfoViewController::close);
    connect(controller, &LNAInfoViewController::imagesChanged, this, &LNAInfoView::update);
    controller->loadViewIfNeeded();
    update();
}

void LNAInfoView::update() {
    for (int i = 0; i < LNAInfoViewController::imageCount; ++i) {
        const auto which = LNAInfoViewController::Image(i);
        const QImage image = ZEPThemeManager::bundleImage(m_controller->imageName(which), infoImageSize);
        m_images[size_t(i)]->setPixmap(image.isNull() ? QPixmap() : QPixmap::fromImage(image));
        m_images[size_t(i)]->setObjectName(m_controller->imageName(which));
        m_captions[size_t(i)]->setText(m_controller->caption(which));
        m_captions[size_t(i)]->setAccessibleName(m_controller->caption(which));
    }
}

NotificationPermissionView::NotificationPermissionView(NotificationPermissionScreen *controller,
                                                       QWidget *parent)
    : QWidget(parent)
    , m_controller(controller)
    , m_note(makeLabel(34, false, QStringLiteral("noteLbl")))
    , m_allow(new QPushButton) {
    setObjectName(QStringLiteral("notificationPermissionScreen"));
    fillBackground(this);
    m_note->setTextFormat(Qt::RichText);
    m_allow->setObjectName(QStringLiteral("allowNotificationBtn"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(32, 32, 32, 32);
    column->addStretch(1);
    column->addWidget(m_note);
    column->addStretch(2);
    column->addWidget(m_allow);
    connect(m_allow, &QPushButton::clicked, controller, &NotificationPermissionScreen::btnPermissionPressed);
    connect(controller, &NotificationPermissionScreen::changed, this, &NotificationPermissionView::update);
    controller->loadViewIfNeeded();
    update();
}

void NotificationPermissionView::update() {
    m_note->setText(styledTextHtml(m_controller->note(), m_controller->accentColor()));
    m_note->setAccessibleName(plainText(m_controller->note()));
    m_allow->setText(m_controller->buttonTitle());
    m_allow->setAccessibleName(m_controller->buttonTitle());
    styleButton(m_allow, m_controller->accentColor());
}

} // namespace localnetwork
