#include "zepcommon/catalogue/allappsview.h"

#include "zepcommon/rating/cosmosview.h"

#include "platform/paths.h"
#include "ui/viewregistry.h"
#include "zepcommon/theme/zepcolors.h"
#include "zepcommon/theme/zepthememanager.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkDiskCache>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace catalogue {

namespace {

constexpr int iconSize = 60;
constexpr int starSize = 14;

QColor namedColor(const QString &name, const QColor &fallback) {
    return ZEPColors::themeColorWithName(name).value_or(fallback);
}

QColor themeColor(const ZEPThemeManager &theme) {
    return namedColor(theme.themeColorInAllApp(), QColor(Qt::blue));
}

// The read-only stars of a cell: small, filled to the exact rating.
rating::CosmosSettings cellStars() {
    rating::CosmosSettings settings;
    settings.starSize = starSize;
    settings.starMargin = 2;
    settings.fillMode = rating::StarFillMode::Precise;
    settings.updateOnTouch = false;
    return settings;
}

// The icon with rounded corners, or a grey tile while it loads.
QPixmap roundedIcon(const QImage &image, qreal ratio) {
    QPixmap pixmap(QSize(iconSize, iconSize) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(0, 0, iconSize, iconSize), 13, 13);
    painter.setClipPath(clip);
    if (image.isNull())
        painter.fillRect(QRectF(0, 0, iconSize, iconSize), QColor(128, 128, 128, 70));
    else
        painter.drawImage(QRectF(0, 0, iconSize, iconSize), image);
    return pixmap;
}

QLabel *makeLabel(int pixelSize, bool bold, const QString &name) {
    auto *label = new QLabel;
    QFont font = label->font();
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    label->setFont(font);
    label->setObjectName(name);
    return label;
}

void setTextColor(QWidget *widget, const QColor &color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    widget->setPalette(palette);
}

} // namespace

void registerViews(ui::ViewRegistry &registry) {
    registry.add<AllAppsViewController>(
        [](AllAppsViewController *controller) -> QWidget * { return new AllAppsView(controller); });
}

ImageCache::ImageCache(QObject *parent)
    : QObject(parent)
    , m_network(new QNetworkAccessManager(this)) {
    auto *disk = new QNetworkDiskCache(m_network);
    disk->setCacheDirectory(platform::cacheFolder() + QStringLiteral("/catalogue"));
    m_network->setCache(disk);
}

ImageCache &ImageCache::shared() {
    static ImageCache cache;
    return cache;
}

QImage ImageCache::image(const QUrl &url) {
    if (!url.isValid() || url.isEmpty())
        return {};
    if (const auto found = m_images.constFind(url); found != m_images.constEnd())
        return *found;
    if (m_loading.contains(url))
        return {};
    m_loading.insert(url);
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::PreferCache);
    QNetworkReply *reply = m_network->get(request);
    connect(reply, &QNetworkReply::finished, this, [this, reply, url] {
        reply->deleteLater();
        m_loading.remove(url);
        QImage image;
        if (reply->error() == QNetworkReply::NoError)
            image.loadFromData(reply->readAll());
        // A failed picture is remembered as null, so a broken address is not asked for again.
        m_images.insert(url, image);
        if (!image.isNull())
            emit imageLoaded(url);
    });
    return {};
}

AllAppsCollectionViewCell::AllAppsCollectionViewCell(QWidget *parent)
    : QWidget(parent)
    , m_appIcon(new QLabel)
    , m_appName(makeLabel(16, true, QStringLiteral("appName")))
    , m_ratingView(new rating::CosmosView(cellStars()))
    , m_ratingLabel(makeLabel(13, false, QStringLiteral("ratingLabel")))
    , m_status(makeLabel(12, false, QStringLiteral("availableForPreOrderLbl")))
    , m_button(new QPushButton)
    , m_seperatorLbl(new QWidget) {
    setObjectName(QStringLiteral("AllAppsCollectionViewCell"));
    m_appIcon->setObjectName(QStringLiteral("appIcon"));
    m_appIcon->setFixedSize(iconSize, iconSize);
    m_ratingView->setObjectName(QStringLiteral("ratingView"));
    m_button->setObjectName(QStringLiteral("installOpenButton"));
    m_button->setFixedSize(84, 32);
    m_button->setIconSize(QSize(30, 30));
    m_button->setCursor(Qt::PointingHandCursor);
    m_seperatorLbl->setObjectName(QStringLiteral("seperatorLbl"));
    m_seperatorLbl->setFixedHeight(1);
    m_seperatorLbl->setAutoFillBackground(true);
    m_appName->setTextInteractionFlags(Qt::NoTextInteraction);

    auto *text = new QVBoxLayout;
    text->setSpacing(3);
    text->addStretch();
    text->addWidget(m_appName);
    auto *stars = new QHBoxLayout;
    stars->setSpacing(6);
    stars->addWidget(m_ratingView);
    stars->addWidget(m_ratingLabel);
    stars->addStretch();
    text->addLayout(stars);
    text->addWidget(m_status);
    text->addStretch();

    auto *row = new QHBoxLayout;
    row->setContentsMargins(5, 0, 5, 0);
    row->setSpacing(12);
    row->addWidget(m_appIcon);
    row->addLayout(text, 1);
    row->addWidget(m_button);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addLayout(row, 1);
    column->addWidget(m_seperatorLbl);

    connect(m_button, &QPushButton::clicked, this, &AllAppsCollectionViewCell::installOrOpenButtonPressed);
}

void AllAppsCollectionViewCell::configure(const AllAppsCellContent &content, const QImage &icon,
                                          const QColor &accent) {
    m_appIcon->setPixmap(roundedIcon(icon, devicePixelRatioF()));
    m_appIcon->setAccessibleName(tr("Icon of %1").arg(content.name));
    m_appName->setText(content.name);
    m_appName->setAccessibleName(content.name);
    setTextColor(m_appName, namedColor(ZEPColors::cellText(), Qt::black));
    rating::CosmosSettings stars = m_ratingView->settings();
    stars.filledColor = stars.filledBorderColor = stars.emptyBorderColor = accent;
    m_ratingView->setSettings(stars);
    m_ratingView->setRating(content.rating);
    m_ratingView->setAccessibleName(tr("Rating %1 of 5").arg(QString::number(content.rating, 'f', 1)));
    m_ratingLabel->setText(QString::number(content.rating, 'f', 1));
    m_ratingLabel->setAccessibleName(m_ratingView->accessibleName());
    setTextColor(m_ratingLabel, accent);
    m_status->setText(content.statusText);
    m_status->setAccessibleName(content.statusText);
    m_status->setVisible(content.statusVisible);
    setTextColor(m_status, accent);

    m_button->setText(content.buttonTitle);
    m_button->setAccessibleName(content.buttonAccessibleName);
    const QImage picture = content.buttonImageName.isEmpty()
                               ? QImage()
                               : ZEPThemeManager::bundleImage(content.buttonImageName, QSize(60, 60));
    m_button->setIcon(picture.isNull() ? QIcon() : QIcon(QPixmap::fromImage(picture)));
    const QString background =
        content.buttonBackgroundColorName.isEmpty()
            ? QStringLiteral("transparent")
            : namedColor(content.buttonBackgroundColorName, QColor(0xEF, 0xEF, 0xF4)).name(QColor::HexArgb);
    m_button->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: %2; border: none; "
                                           "border-radius: 16px; font-size: 14px; font-weight: bold; }")
                                .arg(background, accent.name()));
    QPalette palette = m_seperatorLbl->palette();
    palette.setColor(QPalette::Window, namedColor(ZEPColors::cellSeperator(), Qt::lightGray));
    m_seperatorLbl->setPalette(palette);
}

AllAppsView::AllAppsView(AllAppsViewController *controller, QWidget *parent)
    : QWidget(parent)
    , m_controller(controller)
    , m_heading(makeLabel(22, true, QStringLiteral("headingLabel")))
    , m_pageArea(new QWidget)
    , m_page(new QWidget(m_pageArea))
    , m_previous(new QToolButton)
    , m_next(new QToolButton)
    , m_pageLabel(makeLabel(13, false, QStringLiteral("pageLabel")))
    , m_emptyLabel(makeLabel(15, false, QStringLiteral("emptyLabel"))) {
    setObjectName(QStringLiteral("AllAppsViewController"));
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, namedColor(ZEPColors::background(), QColor(0xF2, 0xF2, 0xF7)));
    setPalette(palette);

    auto *back = new QToolButton;
    back->setObjectName(QStringLiteral("goBack"));
    back->setAccessibleName(tr("Back"));
    back->setAutoRaise(true);
    back->setIconSize(QSize(24, 24));
    const QImage backImage = controller->theme().themedImage(QStringLiteral("back-"), QSize(48, 48));
    if (backImage.isNull())
        back->setText(tr("Back"));
    else
        back->setIcon(QIcon(QPixmap::fromImage(backImage)));
    m_heading->setText(controller->headingText());
    m_heading->setAccessibleName(controller->headingText());
    m_heading->setAlignment(Qt::AlignCenter);
    setTextColor(m_heading, namedColor(ZEPColors::titleText(), Qt::black));

    auto *top = new QHBoxLayout;
    top->addWidget(back);
    top->addWidget(m_heading, 1);
    top->addSpacing(back->sizeHint().width());

    m_page->setObjectName(QStringLiteral("collectionView"));
    m_page->setAccessibleName(tr("Apps"));
    m_page->setAutoFillBackground(true);
    QPalette pagePalette = m_page->palette();
    pagePalette.setColor(QPalette::Window, namedColor(ZEPColors::cellBackground(), Qt::white));
    m_page->setPalette(pagePalette);
    m_emptyLabel->setParent(m_page);
    m_emptyLabel->setText(tr("No other apps to show yet."));
    m_emptyLabel->setAccessibleName(m_emptyLabel->text());
    m_emptyLabel->setAlignment(Qt::AlignCenter);
    m_emptyLabel->setWordWrap(true);
    setTextColor(m_emptyLabel, namedColor(ZEPColors::sectionHeaderText(), Qt::gray));
    auto *cells = new QVBoxLayout(m_page);
    cells->setContentsMargins(0, 4, 0, 4);
    cells->setSpacing(0);
    for (int row = 0; row < AllAppsViewController::rowsPerPage; ++row) {
        auto *cell = new AllAppsCollectionViewCell;
        QSizePolicy policy = cell->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        cell->setSizePolicy(policy);
        cells->addWidget(cell, 1);
        m_cells[size_t(row)] = cell;
        connect(cell, &AllAppsCollectionViewCell::installOrOpenButtonPressed, controller, [controller, row] {
            controller->installOrOpenButtonPressed(controller->firstIndexOnPage() + row);
        });
    }

    m_previous->setObjectName(QStringLiteral("previousPage"));
    m_previous->setText(QStringLiteral("‹"));
    m_previous->setAccessibleName(tr("Previous page"));
    m_next->setObjectName(QStringLiteral("nextPage"));
    m_next->setText(QStringLiteral("›"));
    m_next->setAccessibleName(tr("Next page"));
    for (QToolButton *button : {m_previous, m_next}) {
        button->setAutoRaise(true);
        QFont font = button->font();
        font.setPixelSize(28);
        button->setFont(font);
        button->setFixedSize(44, 36);
        button->setStyleSheet(QStringLiteral("QToolButton { color: %1; border: none; } "
                                             "QToolButton:disabled { color: %2; }")
                                  .arg(themeColor(controller->theme()).name(),
                                       namedColor(ZEPColors::sectionHeaderText(), Qt::gray).name()));
    }
    m_pageLabel->setAlignment(Qt::AlignCenter);
    setTextColor(m_pageLabel, namedColor(ZEPColors::titleText(), Qt::black));
    auto *bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(m_previous);
    bottom->addWidget(m_pageLabel);
    bottom->addWidget(m_next);
    bottom->addStretch();

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 12, 0, 12);
    column->addLayout(top);
    column->addWidget(m_pageArea, 1);
    column->addLayout(bottom);

    connect(back, &QToolButton::clicked, controller, &AllAppsViewController::goBackPressed);
    connect(m_previous, &QToolButton::clicked, controller, &AllAppsViewController::previousPage);
    connect(m_next, &QToolButton::clicked, controller, &AllAppsViewController::nextPage);
    connect(controller, &AllAppsViewController::tableDataReloaded, this, &AllAppsView::reload);
    connect(controller, &AllAppsViewController::currentPageChanged, this, &AllAppsView::reload);
    connect(controller, &AllAppsViewController::openUrlRequested, this,
            [](const QUrl &url) { QDesktopServices::openUrl(url); });
    connect(&ImageCache::shared(), &ImageCache::imageLoaded, this, &AllAppsView::reload);
    m_pageArea->installEventFilter(this);
    controller->loadViewIfNeeded();
    reload();
}

void AllAppsView::reload() {
    const int first = m_controller->firstIndexOnPage();
    for (int row = 0; row < AllAppsViewController::rowsPerPage; ++row) {
        const int index = first + row;
        AllAppsCollectionViewCell *cell = m_cells[size_t(row)];
        if (index >= m_controller->appCount()) {
            cell->hide();
            continue;
        }
        const AllAppsCellContent content = m_controller->cell(index);
        cell->configure(content, ImageCache::shared().image(content.pictureUrl),
                        themeColor(m_controller->theme()));
        cell->show();
    }
    m_emptyLabel->setVisible(m_controller->appCount() == 0);
    const int pages = std::max(1, m_controller->pageCount());
    m_pageLabel->setText(tr("%1 of %2").arg(m_controller->currentPage() + 1).arg(pages));
    m_pageLabel->setAccessibleName(tr("Page %1 of %2").arg(m_controller->currentPage() + 1).arg(pages));
    m_previous->setEnabled(m_controller->currentPage() > 0);
    m_next->setEnabled(m_controller->currentPage() + 1 < pages);
}

void AllAppsView::layoutPage() {
    // One column of six rows, 90 % of the width, centred.
    const QRect area = m_pageArea->rect();
    const int width = int(area.width() * 0.9);
    m_page->setGeometry((area.width() - width) / 2, 0, width, area.height());
    m_emptyLabel->setGeometry(m_page->rect().adjusted(16, 0, -16, 0));
}

void AllAppsView::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Left)
        m_controller->previousPage();
    else if (event->key() == Qt::Key_Right)
        m_controller->nextPage();
    else
        QWidget::keyPressEvent(event);
}

bool AllAppsView::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_pageArea && event->type() == QEvent::Resize)
        layoutPage();
    return QWidget::eventFilter(watched, event);
}

} // namespace catalogue
