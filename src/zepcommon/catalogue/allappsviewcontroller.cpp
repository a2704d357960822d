#include "zepcommon/catalogue/allappsviewcontroller.h"

#include "platform/defaults.h"
#include "zepcommon/catalogue/nativeappstracker.h"
#include "zepcommon/catalogue/wishlist.h"
#include "zepcommon/theme/zepthememanager.h"

#include <QTimer>

namespace catalogue {

namespace {

const QString buttonBackground = QStringLiteral("AllAppsopenBtnBgColor");

} // namespace

AllAppsCellContent allAppsCellContent(const NativeAppData &app, bool installed, bool wishlisted,
                                      const QString &themeSuffix) {
    AllAppsCellContent cell;
    const bool comingSoon = app.status == AppStatus::ComingSoon;
    cell.pictureUrl =
        QUrl(comingSoon ? app.imageUrl.value_or(QString()) : app.artworkURL.value_or(QString()));
    cell.name = comingSoon ? app.appName.value_or(QString()) : app.name.value_or(QString());
    cell.rating = app.rating;
    cell.buttonBackgroundColorName = buttonBackground;
    switch (app.status) {
    case AppStatus::Live:
        if (installed) {
            cell.buttonTitle = QObject::tr("Open");
            cell.buttonAccessibleName = QObject::tr("Open %1").arg(cell.name);
        } else {
            cell.buttonImageName = QStringLiteral("img-appInstall-") + themeSuffix;
            cell.buttonBackgroundColorName.clear();
            cell.buttonAccessibleName = QObject::tr("Install %1").arg(cell.name);
        }
        break;
    case AppStatus::PreOrder:
        cell.statusVisible = true;
        cell.statusText = QObject::tr("Available for Pre-order");
        cell.buttonTitle = QObject::tr("GET");
        cell.buttonAccessibleName = QObject::tr("Get %1").arg(cell.name);
        break;
    case AppStatus::ComingSoon:
        cell.statusVisible = true;
        cell.statusText = QObject::tr("Coming Soon");
        cell.buttonTitle = wishlisted ? QObject::tr("Added") : QObject::tr("Add");
        cell.buttonAccessibleName = wishlisted ? QObject::tr("Remove %1 from the wishlist").arg(cell.name)
                                               : QObject::tr("Add %1 to the wishlist").arg(cell.name);
        break;
    }
    return cell;
}

AllAppsViewController::AllAppsViewController(NativeAppsTracker &tracker, Wishlist &wishlist,
                                             ZEPThemeManager &theme, QObject *parent)
    : ScreenController(parent)
    , m_tracker(tracker)
    , m_wishlist(wishlist)
    , m_theme(theme)
    , m_timer(new QTimer(this)) {
    setTitle(headingText());
    m_timer->setInterval(refreshIntervalMs);
    connect(m_timer, &QTimer::timeout, this, &AllAppsViewController::loadTableData);
    // Names, ratings and artwork arrive while the page is open.
    connect(&m_tracker, &NativeAppsTracker::nativeAppsListChanged, this, [this] {
        if (isVisible())
            loadTableData();
    });
    connect(&m_tracker, &NativeAppsTracker::appUpdated, this, [this] {
        if (isVisible())
            loadTableData();
    });
    connect(&m_theme, &ZEPThemeManager::themeChanged, this, &AllAppsViewController::tableDataReloaded);
}

AllAppsViewController::~AllAppsViewController() = default;

AllAppsCellContent AllAppsViewController::cell(int index) const {
    if (index < 0 || index >= m_apps.size())
        return {};
    NativeAppData &app = *m_apps.at(index);
    const bool installed = app.isInstalled(m_tracker.urlSchemeChecker());
    const bool wishlisted = app.appName && m_wishlist.contains(*app.appName);
    return allAppsCellContent(app, installed, wishlisted, m_theme.themeSuffix());
}

QUrl AllAppsViewController::storePageUrl(const QString &storeID) {
    return QUrl(QStringLiteral("https://apps.apple.com/app/id") + storeID);
}

int AllAppsViewController::pageCount() const {
    return (appCount() + rowsPerPage - 1) / rowsPerPage;
}

void AllAppsViewController::setCurrentPage(int page) {
    page = std::clamp(page, 0, std::max(0, pageCount() - 1));
    if (page == m_currentPage)
        return;
    m_currentPage = page;
    emit currentPageChanged(page);
}

void AllAppsViewController::viewDidLoad() {
    loadTableData();
}

void AllAppsViewController::viewWillAppear() {
    loadTableData();
    m_timer->start();
}

void AllAppsViewController::viewWillDisappear() {
    m_timer->stop();
}

void AllAppsViewController::loadTableData() {
    m_sections = {AllAppScreenSection::TopView, AllAppScreenSection::Apps};
    m_apps = m_tracker.nativeAppsList();
    if (m_currentPage >= std::max(1, pageCount())) {
        m_currentPage = std::max(0, pageCount() - 1);
        emit currentPageChanged(m_currentPage);
    }
    emit tableDataReloaded();
}

void AllAppsViewController::installOrOpenButtonPressed(int index) {
    if (index < 0 || index >= m_apps.size())
        return;
    NativeAppData &app = *m_apps.at(index);
    if (app.status == AppStatus::ComingSoon) {
        if (app.appName)
            m_wishlist.toggle(*app.appName);
        emit tableDataReloaded();
        return;
    }
    if (app.isInstalled(m_tracker.urlSchemeChecker()))
        emit openUrlRequested(QUrl(app.urlScheme.value_or(QString())));
    else if (app.storeID)
        emit openUrlRequested(storePageUrl(*app.storeID));
}

AllAppsViewController *makeAllAppsViewController(QObject *parent) {
    static Wishlist wishlist(platform::Defaults::standard());
    NativeAppsTracker &tracker = NativeAppsTracker::shared();
    if (tracker.nativeAppsList().isEmpty())
        tracker.loadNativeApps();
    return new AllAppsViewController(tracker, wishlist, ZEPThemeManager::shared(), parent);
}

} // namespace catalogue
