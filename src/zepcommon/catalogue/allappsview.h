#pragma once

#include "zepcommon/catalogue/allappsviewcontroller.h"

#include <QHash>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QUrl>
#include <QWidget>

#include <array>

class QLabel;
class QNetworkAccessManager;
class QPushButton;
class QToolButton;

namespace ui {
class ViewRegistry;
}

namespace rating {
class CosmosView;
}

namespace catalogue {

// Registers the catalogue page's view (AllAppsView for AllAppsViewController).
void registerViews(ui::ViewRegistry &registry);

// Loads pictures by URL in the background and keeps them: in memory for the run, and on disk in
// the HTTP cache under the app's cache folder. GUI thread only.
class ImageCache : public QObject {
    Q_OBJECT
public:
    explicit ImageCache(QObject *parent = nullptr);
    static ImageCache &shared();

    // The picture when it has arrived, else a null image; the first call starts the download.
    QImage image(const QUrl &url);

signals:
    void imageLoaded(const QUrl &url);

private:
    QNetworkAccessManager *m_network;
    QHash<QUrl, QImage> m_images;
    QSet<QUrl> m_loading;
};

// One app: icon, name, stars with the rating, the status line and the install/open button.
class AllAppsCollectionViewCell : public QWidget {
    Q_OBJECT
public:
    explicit AllAppsCollectionViewCell(QWidget *parent = nullptr);

    // accent: the theme colour, for the stars, the status line and the button title.
    void configure(const AllAppsCellContent &content, const QImage &icon, const QColor &accent);

    QLabel *appIcon() const { return m_appIcon; }
    QLabel *appName() const { return m_appName; }
    rating::CosmosView *ratingView() const { return m_ratingView; }
    QLabel *ratingLabel() const { return m_ratingLabel; }
    QLabel *availableForPreOrderLbl() const { return m_status; }
    QPushButton *installOpenButton() const { return m_button; }

signals:
    void installOrOpenButtonPressed();

private:
    QLabel *m_appIcon;
    QLabel *m_appName;
    rating::CosmosView *m_ratingView;
    QLabel *m_ratingLabel;
    QLabel *m_status;
    QPushButton *m_button;
    QWidget *m_seperatorLbl;
};

// The catalogue page: back button and heading, one page of six cells 90 % as wide as the page
// and centred, and the buttons (or the arrow keys) that turn the pages. The controller is not
// owned and outlives the view.
class AllAppsView : public QWidget {
    Q_OBJECT
public:
    explicit AllAppsView(AllAppsViewController *controller, QWidget *parent = nullptr);

    QLabel *headingLabel() const { return m_heading; }
    QWidget *collectionView() const { return m_page; }
    AllAppsCollectionViewCell *cell(int row) const { return m_cells[size_t(row)]; }
    QToolButton *previousButton() const { return m_previous; }
    QToolButton *nextButton() const { return m_next; }
    // Shown over the page while the list is empty.
    QLabel *emptyLabel() const { return m_emptyLabel; }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void reload();
    void layoutPage();

    AllAppsViewController *m_controller;
    QLabel *m_heading;
    QWidget *m_pageArea;
    QWidget *m_page;
    std::array<AllAppsCollectionViewCell *, AllAppsViewController::rowsPerPage> m_cells{};
    QToolButton *m_previous;
    QToolButton *m_next;
    QLabel *m_pageLabel;
    QLabel *m_emptyLabel;
};

} // namespace catalogue
