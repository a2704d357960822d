#include "zepcommon/settings/settingsview.h"

#include "platform/log.h"
#include "ui/viewregistry.h"
#include "zepcommon/loading/animationlocator.h"
#include "zepcommon/loading/rlottieplayer.h"
#include "zepcommon/settings/settingsscreen.h"
#include "zepcommon/theme/zepcolors.h"
#include "zepcommon/theme/zepthememanager.h"
#include "zepcommon/theme/zeputils.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QUrlQuery>
#include <QVBoxLayout>

// Q_INIT_RESOURCE must be called from the global namespace.
static void initSettingsResources() {
    Q_INIT_RESOURCE(settings);
}

namespace {

constexpr int cardMargin = 16;
constexpr int cardRadius = 12;
constexpr int tilePoints = 32;
constexpr int symbolPoints = 16;
const char *headerAnimation = "settings-apps";

QColor named(const QString &name, const QColor &fallback) {
    return ZEPColors::themeColorWithName(name).value_or(fallback);
}

QString cssColor(const QColor &color) {
    return color.name(QColor::HexArgb);
}

} // namespace

QImage settingsRowIcon(const QString &imageName, const QColor &tileColor, qreal devicePixelRatio) {
    initSettingsResources();
    const int side = qRound(tilePoints * devicePixelRatio);
    QImage icon(side, side, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(tileColor);
    const qreal inset = side * 0.06;
    painter.drawRoundedRect(QRectF(inset, inset, side - 2 * inset, side - 2 * inset), side * 0.22,
                            side * 0.22);

    const int symbolSide = qRound(symbolPoints * devicePixelRatio);
    QImage symbol = ZEPThemeManager::bundleImage(imageName, QSize(symbolSide, symbolSide));
    if (!symbol.isNull()) {
        symbol = symbol.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QPainter tint(&symbol);
        tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
        tint.fillRect(symbol.rect(), Qt::white);
        tint.end();
        painter.drawImage(QPoint((side - symbol.width()) / 2, (side - symbol.height()) / 2), symbol);
    }
    painter.end();
    icon.setDevicePixelRatio(devicePixelRatio);
    return icon;
}

namespace {

// The header as assistive technology sees it: a button that opens the catalogue when it is
// clickable, else a picture.
class SettingsHeaderAccessible : public QAccessibleWidget {
public:
    explicit SettingsHeaderAccessible(SettingsHeaderCell *header)
        : QAccessibleWidget(header, header->isClickable() ? QAccessible::Button : QAccessible::Graphic) {}

    QStringList actionNames() const override {
        return header()->isClickable() ? QStringList{pressAction()} : QStringList{};
    }

    void doAction(const QString &name) override {
        if (name == pressAction() && header()->isClickable())
            header()->activate();
    }

private:
    SettingsHeaderCell *header() const { return static_cast<SettingsHeaderCell *>(widget()); }
};

QAccessibleInterface *settingsHeaderAccessible(const QString &, QObject *object) {
    if (auto *header = qobject_cast<SettingsHeaderCell *>(object))
        return new SettingsHeaderAccessible(header);
    return nullptr;
}

} // namespace

SettingsHeaderCell::SettingsHeaderCell(SettingsScreen *screen, const ZEPThemeManager &theme, QWidget *parent)
    : QWidget(parent)
    , m_screen(screen)
    , m_picture(theme.themedImage(QStringLiteral("img-headerCell-"), QSize(750, 600)))
    , m_player(new RlottiePlayer(this)) {
    initSettingsResources();
    static const bool accessibleFactory = [] {
        QAccessible::installFactory(settingsHeaderAccessible);
        return true;
    }();
    (void)accessibleFactory;
    setFixedHeight(SettingsScreen::headerHeight);
    setObjectName(QStringLiteral("settingsHeader"));
    if (screen->isHeaderClickable()) {
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::StrongFocus);
        setAccessibleName(tr("More Apps"));
        setAccessibleDescription(tr("Opens the catalogue of our other apps"));
    } else {
        setAccessibleName(tr("Our apps"));
    }
    const std::optional<QString> path = AnimationLocator().find(QString::fromLatin1(headerAnimation));
    const bool loaded = path && AnimationLocator::read(*path, [this](const QByteArray &bytes) {
                            return m_player->load(bytes, QString::fromLatin1(headerAnimation));
                        });
    if (!loaded)
        platform::log(QStringLiteral("Settings: the header animation could not be loaded"));
    connect(m_player, &RlottiePlayer::frameChanged, this, qOverload<>(&QWidget::update));
}

void SettingsHeaderCell::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (!m_picture.isNull()) {
        // Fill the band, keeping the picture's proportions and cutting what overflows.
        const QSizeF scaled = QSizeF(m_picture.size()).scaled(size(), Qt::KeepAspectRatioByExpanding);
        const QRectF target((width() - scaled.width()) / 2, (height() - scaled.height()) / 2, scaled.width(),
                            scaled.height());
        painter.drawImage(target, m_picture);
    }
    if (m_player->isLoaded()) {
        const qreal ratio = devicePixelRatioF();
        const QSize area(qMin(width(), 520), height() - 40);
        QImage frame = m_player->render(area * ratio);
        frame.setDevicePixelRatio(ratio);
        painter.drawImage(QPoint((width() - area.width()) / 2, 20), frame);
    }
    if (hasFocus()) {
        painter.setPen(QPen(palette().highlight(), 2));
        painter.drawRect(rect().adjusted(1, 1, -1, -1));
    }
}

bool SettingsHeaderCell::isClickable() const {
    return m_screen->isHeaderClickable();
}

void SettingsHeaderCell::activate() {
    m_screen->headerTapped();
}

void SettingsHeaderCell::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        activate();
}

void SettingsHeaderCell::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space)
        activate();
    else
        QWidget::keyPressEvent(event);
}

void SettingsHeaderCell::showEvent(QShowEvent *) {
    m_shown = true;
    playAgain();
}

void SettingsHeaderCell::hideEvent(QHideEvent *) {
    m_shown = false;
    m_player->pause();
}

void SettingsHeaderCell::playAgain() {
    if (!m_shown || !m_player->isLoaded() || m_player->isPlaying())
        return;
    m_player->play([this](bool finished) {
        if (finished)
            QMetaObject::invokeMethod(this, &SettingsHeaderCell::playAgain, Qt::QueuedConnection);
    });
}

SettingsInfoCell::SettingsInfoCell(SettingsCardModel *card, int row, QWidget *parent)
    : QAbstractButton(parent)
    , m_card(card)
    , m_row(row) {
    setFixedHeight(SettingsCardModel::rowHeight);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    const QModelIndex index = card->index(row);
    setAccessibleName(index.data(Qt::AccessibleTextRole).toString());
    connect(this, &QAbstractButton::clicked, this, [this] { m_card->tapRow(m_row); });
    if (index.data(SettingsCardModel::ShowsSwitchRole).toBool()) {
        setCursor(Qt::ArrowCursor);
        auto *switchBtn = new QCheckBox(this);
        switchBtn->setObjectName(QStringLiteral("switchBtn"));
        switchBtn->setAccessibleName(accessibleName());
        m_switchState = index.data(SettingsCardModel::SwitchOnRole).toBool();
        switchBtn->setChecked(m_switchState);
        auto *layout = new QHBoxLayout(this);
        layout->setContentsMargins(0, 0, 16, 0);
        layout->addStretch(1);
        layout->addWidget(switchBtn);
        connect(switchBtn, &QCheckBox::toggled, this, [this](bool on) {
            m_switchState = on;
            m_card->switchTapped(m_row, on);
        });
    }
}

void SettingsInfoCell::paintEvent(QPaintEvent *) {
    const QModelIndex index = m_card->index(m_row);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QImage icon =
        settingsRowIcon(index.data(SettingsCardModel::ImageNameRole).toString(),
                        index.data(SettingsCardModel::TileColorRole).value<QColor>(), devicePixelRatioF());
    painter.drawImage(QPoint(14, (height() - tilePoints) / 2), icon);

    const QColor text = named(ZEPColors::cellText(), Qt::black);
    const bool trailingMark = index.data(SettingsCardModel::ShowsArrowRole).toBool() ||
                              index.data(SettingsCardModel::ShowsDisclosureRole).toBool();
    QFont font = painter.font();
    font.setPixelSize(16);
    painter.setFont(font);
    painter.setPen(text);
    const QRect textRect(14 + tilePoints + 14, 0, width() - (14 + tilePoints + 14) - 44, height());
    painter.drawText(
        textRect, Qt::AlignVCenter | Qt::AlignLeft,
        painter.fontMetrics().elidedText(index.data().toString(), Qt::ElideRight, textRect.width()));
    if (trailingMark) {
        QPen pen(named(ZEPColors::sectionHeaderText(), Qt::gray), 2);
        pen.setCapStyle(Qt::RoundCap);
        painter.setPen(pen);
        const QPointF tip(width() - 20, height() / 2.0);
        painter.drawPolyline(QPolygonF{tip + QPointF(-5, -6), tip, tip + QPointF(-5, 6)});
    }
    if (m_row + 1 < m_card->rowCount()) {
        painter.setPen(QPen(named(ZEPColors::cellSeperator(), Qt::lightGray), 1));
        painter.drawLine(QPointF(textRect.left(), height() - 0.5), QPointF(width(), height() - 0.5));
    }
    if (hasFocus()) {
        painter.setPen(QPen(palette().highlight(), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(2, 2, -2, -2), 6, 6);
    }
}

QSize SettingsInfoCell::sizeHint() const {
    return {320, SettingsCardModel::rowHeight};
}

SettingsCell::SettingsCell(SettingsCardModel *card, const QString &sectionName, QWidget *parent)
    : QWidget(parent)
    , m_card(card)
    , m_sectionNameLabel(new QLabel)
    , m_roundedView(new QWidget)
    , m_rows(new QVBoxLayout(m_roundedView)) {
    setObjectName(QStringLiteral("settingsCell"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(cardMargin, 0, cardMargin, 0);
    column->setSpacing(0);
    m_sectionNameLabel->setText(sectionName.toUpper());
    m_sectionNameLabel->setObjectName(QStringLiteral("sectionNameLabel"));
    m_sectionNameLabel->setFixedHeight(SettingsCardModel::verticalPadding);
    m_sectionNameLabel->setIndent(14);
    m_sectionNameLabel->setStyleSheet(QStringLiteral("color: %1; font-size: 12px;")
                                          .arg(cssColor(named(ZEPColors::sectionHeaderText(), Qt::gray))));
    column->addWidget(m_sectionNameLabel);
    m_roundedView->setObjectName(QStringLiteral("roundedView"));
    m_roundedView->setAttribute(Qt::WA_StyledBackground);
    m_roundedView->setStyleSheet(QStringLiteral("#roundedView { background: %1; border-radius: %2px; }")
                                     .arg(cssColor(named(ZEPColors::cellBackground(), Qt::white)))
                                     .arg(cardRadius));
    m_rows->setContentsMargins(0, 0, 0, 0);
    m_rows->setSpacing(0);
    column->addWidget(m_roundedView);
    connect(card, &QAbstractItemModel::modelReset, this, &SettingsCell::reload);
    connect(card, &QAbstractItemModel::dataChanged, this, &SettingsCell::reload);
    reload();
}

void SettingsCell::reload() {
    while (QLayoutItem *item = m_rows->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (int row = 0; row < m_card->rowCount(); ++row)
        m_rows->addWidget(new SettingsInfoCell(m_card, row));
    // An empty card keeps its 20-point band but shows neither its name nor its panel.
    m_roundedView->setVisible(m_card->rowCount() > 0);
    m_sectionNameLabel->setVisible(m_card->rowCount() > 0);
    setFixedHeight(m_card->cardHeight());
}

SettingsView::SettingsView(SettingsScreen *screen, const ZEPThemeManager &theme, QWidget *parent)
    : QWidget(parent)
    , m_screen(screen)
    , m_theme(theme)
    , m_content(new QWidget) {
    setObjectName(QStringLiteral("settingsView"));
    setAccessibleName(tr("Settings"));
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, named(ZEPColors::background(), QColor(0xF2, 0xF2, 0xF7)));
    colours.setColor(QPalette::WindowText, named(ZEPColors::titleText(), Qt::black));
    setPalette(colours);

    auto *bar = new QHBoxLayout;
    bar->setContentsMargins(cardMargin + 4, 12, cardMargin, 4);
    auto *title = new QLabel(screen->title());
    title->setObjectName(QStringLiteral("settingsTitle"));
    title->setStyleSheet(QStringLiteral("color: %1; font-size: 30px; font-weight: bold;")
                             .arg(cssColor(named(ZEPColors::titleText(), Qt::black))));
    bar->addWidget(title, 1);
    auto *close = new QToolButton;
    close->setObjectName(QStringLiteral("closeButton"));
    close->setAccessibleName(tr("Close"));
    close->setToolTip(tr("Close"));
    close->setAutoRaise(true);
    close->setIconSize(QSize(28, 28));
    close->setIcon(QPixmap::fromImage(
        theme.imgSettingsClose().scaled(56, 56, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    if (close->icon().isNull())
        close->setText(tr("Close"));
    bar->addWidget(close, 0, Qt::AlignTop);
    connect(close, &QToolButton::clicked, screen, &SettingsScreen::closeButtonTapped);

    auto *scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("settingsTableView"));
    scroll->setAccessibleName(tr("Settings list"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->viewport()->setAutoFillBackground(false);
    m_content->setAutoFillBackground(false);
    scroll->setWidget(m_content);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addLayout(bar);
    column->addWidget(scroll, 1);

    connect(screen, &SettingsScreen::dataArrayChanged, this, &SettingsView::build);
    connect(screen, &SettingsScreen::shareRequested, this, &SettingsView::offerShare);
    build();
}

void SettingsView::build() {
    delete m_content->layout();
    for (QWidget *section : m_sections)
        delete section;
    m_sections.clear();
    auto *bands = new QVBoxLayout(m_content);
    bands->setContentsMargins(0, 0, 0, 0);
    bands->setSpacing(SettingsScreen::footerHeight);
    for (int section = 0; section < m_screen->sectionCount(); ++section) {
        QWidget *band = nullptr;
        switch (m_screen->sectionKind(section)) {
        case SettingsScreen::SectionKind::Header:
            band = new SettingsHeaderCell(m_screen, m_theme);
            break;
        case SettingsScreen::SectionKind::Card:
            band = new SettingsCell(m_screen->card(section), m_screen->sectionTitle(section));
            break;
        case SettingsScreen::SectionKind::Version: {
            auto *versionLbl = new QLabel(m_screen->versionText());
            versionLbl->setObjectName(QStringLiteral("versionLbl"));
            versionLbl->setAlignment(Qt::AlignCenter);
            versionLbl->setFixedHeight(SettingsScreen::versionHeight);
            versionLbl->setStyleSheet(QStringLiteral("color: %1; font-size: 13px;")
                                          .arg(cssColor(named(ZEPColors::sectionHeaderText(), Qt::gray))));
            band = versionLbl;
            break;
        }
        }
        m_sections.push_back(band);
        bands->addWidget(band);
    }
    bands->addSpacing(SettingsScreen::footerHeight);
    bands->addStretch(1);
}

void SettingsView::offerShare(const QUrl &url, int section) {
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setAccessibleName(tr("Share"));
    menu->addAction(tr("Copy Link"), [url] { QGuiApplication::clipboard()->setText(url.toString()); });
    menu->addAction(tr("Send by Mail"), [this, url] { m_screen->mailLink(url); });
    QWidget *anchor = section >= 0 && section < int(m_sections.size()) ? m_sections[size_t(section)] : this;
    menu->popup(anchor->mapToGlobal(anchor->rect().center()));
}

void registerSettingsViews(ui::ViewRegistry &views, const ZEPThemeManager &theme) {
    views.add<SettingsScreen>([&theme](SettingsScreen *screen) { return new SettingsView(screen, theme); });
}
