#pragma once

#include <QAbstractListModel>
#include <QCache>
#include <QImage>
#include <QSet>

class QPdfDocument;
class QPdfPageRenderer;

namespace browser {

// The reader's page strip: one row per page of the document, its number as display text and its
// thumbnail as decoration. A thumbnail is rendered only when a view asks for the row's decoration
// (views ask only for the rows they show), on QPdfPageRenderer's worker thread, laid on white and
// kept in a cache of bounded size; until it arrives the row has no decoration and dataChanged
// fires when it does. The document is not owned and outlives the model. GUI thread only.
class PdfPageThumbnails : public QAbstractListModel {
    Q_OBJECT
public:
    static constexpr int thumbnailWidth = 96;
    static constexpr qint64 cacheBytes = 24 * 1024 * 1024;

    explicit PdfPageThumbnails(QPdfDocument *document, QObject *parent = nullptr);
    ~PdfPageThumbnails() override;

    // Starts over after the document (re)loaded.
    void reset();
    // Device pixels per logical pixel of the thumbnails.
    void setDevicePixelRatio(double ratio);
    // The size a page's thumbnail is shown at (logical pixels).
    QSize thumbnailSize(int page) const;
    // How many renders were asked for so far: the strip asks only for the pages it shows.
    int renderRequests() const { return m_requests; }

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

private:
    void request(int page) const;
    void rendered(int page, const QImage &image);

    QPdfDocument *m_document;
    QPdfPageRenderer *m_renderer;
    mutable QCache<int, QImage> m_cache;
    mutable QSet<int> m_pending;
    mutable int m_requests = 0;
    double m_devicePixelRatio = 1.0;
};

} // namespace browser
