#pragma once

#include "ui/screencontroller.h"

#include <QSizeF>
#include <QString>

#include <memory>

class QPdfDocument;
class QPdfSearchModel;

namespace browser {

class PdfPageThumbnails;

// The PDF reader: one document opened from a file without a password, the page shown, the zoom
// and find in the document. The view scrolls through the pages (and reports the page it shows
// with pageShown); the controller asks it to jump with pageRequested.
//
// Zoom is a factor over the document's natural size (1 = one point per logical pixel at 72 dpi
// times pixelsPerPoint), capped so that one page rendered at the zoom never needs more than
// maximumPageBytes: a thousand-page document at any zoom keeps memory bounded, as the view caches
// a fixed number of rendered pages. Find runs through QPdfSearchModel, which searches a few pages
// at a time on the GUI thread's timer; matchesChanged fires as matches come in. GUI thread only.
class PdfReaderController : public ui::ScreenController {
    Q_OBJECT
public:
    static constexpr qint64 maximumPageBytes = 64 * 1024 * 1024;
    static constexpr double minimumZoom = 0.1;
    static constexpr double zoomStep = 1.25;

    explicit PdfReaderController(QObject *parent = nullptr);
    ~PdfReaderController() override;

    // Opens the document; false when it cannot be read, is no PDF, needs a password or has no
    // pages (errorString says which). The title becomes the file name.
    bool open(const QString &path);
    QString path() const { return m_path; }
    QString errorString() const { return m_error; }

    QPdfDocument *document() const { return m_document.get(); }
    QPdfSearchModel *searchModel() const { return m_search.get(); }
    PdfPageThumbnails *thumbnails() const { return m_thumbnails.get(); }

    int pageCount() const;
    // 0-based.
    int currentPage() const { return m_currentPage; }
    // "3 / 120": the page shown, counted from 1, and the page count.
    QString pageIndicator() const;
    // Jumps to a page (clamped to the document): currentPageChanged and pageRequested.
    void goToPage(int page);
    void nextPage() { goToPage(m_currentPage + 1); }
    void previousPage() { goToPage(m_currentPage - 1); }
    // The view scrolled to a page: currentPageChanged only.
    void pageShown(int page);

    // Device pixels per point at zoom 1 (logical dpi / 72 times the device pixel ratio): the
    // zoom cap depends on it. Defaults to 96 / 72.
    void setPixelsPerPoint(double pixelsPerPoint);
    double zoom() const { return m_zoom; }
    bool isFitWidth() const { return m_fitWidth; }
    double maximumZoom() const;
    // The bytes of the largest page rendered at the zoom.
    qint64 pageBytesAt(double zoom) const;
    void zoomIn();
    void zoomOut();
    // Fit width: the view tells the zoom that fits as its width changes (fitWidthZoomChanged).
    void fitWidth();
    void setFitWidthZoom(double zoom);

    // Find: a new text restarts the search; matchCount grows while pages are searched.
    void find(const QString &text);
    QString findText() const { return m_findText; }
    int matchCount() const;
    // The match shown (0-based), -1 when none.
    int currentMatch() const { return m_currentMatch; }
    // "2 of 7", "No matches", or empty without a find text.
    QString matchIndicator() const;
    // Move to the next or previous match (wrapping) and jump to its page.
    void findNext();
    void findPrevious();

signals:
    void currentPageChanged(int page);
    void pageRequested(int page);
    void zoomChanged(double zoom);
    void matchesChanged();
    void currentMatchChanged(int match);

private:
    void setZoom(double zoom, bool fitWidth);
    void showMatch(int match);

    QString m_path;
    QString m_error;
    std::unique_ptr<QPdfDocument> m_document;
    std::unique_ptr<QPdfSearchModel> m_search;
    std::unique_ptr<PdfPageThumbnails> m_thumbnails;
    QSizeF m_largestPage; // points, the page of the largest area
    int m_currentPage = 0;
    double m_pixelsPerPoint = 96.0 / 72.0;
    double m_zoom = 1.0;
    bool m_fitWidth = true;
    QString m_findText;
    int m_currentMatch = -1;
};

} // namespace browser
