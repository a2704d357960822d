#pragma once

#include "ui/screencontroller.h"
#include "zepcommon/catalogue/nativeappdata.h"

#include <QList>
#include <QString>
#include <QUrl>

class QTimer;
class ZEPThemeManager;

namespace catalogue {

class NativeAppsTracker;
class Wishlist;

enum class AllAppScreenSection { TopView, Apps };

// What one cell of the grid shows for an app.
struct AllAppsCellContent {
    QUrl pictureUrl; // the coming-soon picture, else the store artwork; empty when unknown
    QString name;
    double rating = 0;
    bool statusVisible = false;
    QString statusText;                // "Available for Pre-order" or "Coming Soon"
    QString buttonTitle;               // empty when the button shows the install picture
    QString buttonImageName;           // "img-appInstall-" + theme suffix, or empty
    QString buttonBackgroundColorName; // "AllAppsopenBtnBgColor", or empty for a clear button
    QString buttonAccessibleName;

    bool operator==(const AllAppsCellContent &) const = default;
};

// The cell for an app, given its installed test, whether its name is on the wishlist and the
// theme suffix.
AllAppsCellContent allAppsCellContent(const NativeAppData &app, bool installed, bool wishlisted,
                                      const QString &themeSuffix);

// The catalogue page: a heading and the maker's apps as a paged grid, a column of six cells per
// page. While shown it re-reads the tracker's list every five seconds, so install states follow
// installs and removals. The button of a cell opens an installed app through its URL, shows the
// store page of one that is not installed, and adds or removes a coming-soon app on the wishlist.
// URLs are opened by the widget side (openUrlRequested). Collaborators are not owned and outlive
// the controller. GUI thread only.
class AllAppsViewController : public ui::ScreenController {
    Q_OBJECT
public:
    static constexpr int rowsPerPage = 6;
    static constexpr int refreshIntervalMs = 5000;

    AllAppsViewController(NativeAppsTracker &tracker, Wishlist &wishlist, ZEPThemeManager &theme,
                          QObject *parent = nullptr);
    ~AllAppsViewController() override;

    QString headingText() const { return tr("More Apps by Us"); }
    ZEPThemeManager &theme() const { return m_theme; }
    QList<AllAppScreenSection> sections() const { return m_sections; }
    int appCount() const { return int(m_apps.size()); }
    // The cell of an app of the list (runs its installed test); a default cell out of range.
    AllAppsCellContent cell(int index) const;
    // The store page opened for an app that is not installed.
    static QUrl storePageUrl(const QString &storeID);

    int pageCount() const;
    int currentPage() const { return m_currentPage; }
    // Index of the first app on the current page.
    int firstIndexOnPage() const { return m_currentPage * rowsPerPage; }
    void setCurrentPage(int page);
    void nextPage() { setCurrentPage(m_currentPage + 1); }
    void previousPage() { setCurrentPage(m_currentPage - 1); }

    void viewDidLoad() override;
    void viewWillAppear() override;
    void viewWillDisappear() override;

    // Takes the tracker's list as it stands (same order, no filtering) and tells the view.
    void loadTableData();
    void installOrOpenButtonPressed(int index);
    void goBackPressed() { dismiss(); }

signals:
    void tableDataReloaded();
    void currentPageChanged(int page);
    void openUrlRequested(const QUrl &url);

private:
    NativeAppsTracker &m_tracker;
    Wishlist &m_wishlist;
    ZEPThemeManager &m_theme;
    QTimer *m_timer;
    QList<AllAppScreenSection> m_sections;
    NativeAppList m_apps;
    int m_currentPage = 0;
};

// Makes the catalogue page over the shared tracker, the standard defaults' wishlist and the
// shared theme, loading the tracker's list first when it is empty. The caller presents or pushes
// it; the view comes from the registry (registerViews). GUI thread only.
AllAppsViewController *makeAllAppsViewController(QObject *parent = nullptr);

} // namespace catalogue
