#include "browser/viewers/pdfreadercontroller.h"

#include "browser/viewers/pdfpagethumbnails.h"

#include <QFileInfo>
#include <QPdfDocument>
#include <QPdfLink>
#include <QPdfSearchModel>

#include <algorithm>
#include <cmath>

namespace browser {

namespace {
QString describe(QPdfDocument::Error error) {
    switch (error) {
    case QPdfDocument::Error::None:
        return {};
    case QPdfDocument::Error::FileNotFound:
        return QObject::tr("The file does not exist.");
    case QPdfDocument::Error::InvalidFileFormat:
        return QObject::tr("The file is not a PDF document.");
    case QPdfDocument::Error::IncorrectPassword:
        return QObject::tr("The document is locked by a password.");
    case QPdfDocument::Error::UnsupportedSecurityScheme:
        return QObject::tr("The document's security scheme is not supported.");
    case QPdfDocument::Error::DataNotYetAvailable:
    case QPdfDocument::Error::Unknown:
        break;
    }
    return QObject::tr("The document cannot be read.");
}
} // namespace

PdfReaderController::PdfReaderController(QObject *parent)
    : ScreenController(parent)
    , m_document(std::make_unique<QPdfDocument>())
    , m_search(std::make_unique<QPdfSearchModel>())
    , m_thumbnails(std::make_unique<PdfPageThumbnails>(m_document.get())) {
    const auto matches = [this] {
        if (m_currentMatch >= matchCount())
            m_currentMatch = -1;
        emit matchesChanged();
    };
    connect(m_search.get(), &QAbstractItemModel::rowsInserted, this, matches);
    connect(m_search.get(), &QAbstractItemModel::rowsRemoved, this, matches);
    connect(m_search.get(), &QAbstractItemModel::modelReset, this, matches);
}

PdfReaderController::~PdfReaderController() {
    // The model and the thumbnails hold the document: they go first.
    m_search.reset();
    m_thumbnails.reset();
}

bool PdfReaderController::open(const QString &path) {
    m_path = path;
    setTitle(QFileInfo(path).fileName());
    const QPdfDocument::Error error = m_document->load(path);
    if (error != QPdfDocument::Error::None || m_document->status() != QPdfDocument::Status::Ready) {
        m_error = describe(error == QPdfDocument::Error::None ? m_document->error() : error);
        return false;
    }
    if (m_document->pageCount() <= 0) {
        m_error = tr("The document has no pages.");
        return false;
    }
    m_error.clear();
    double largestArea = 0;
    for (int page = 0; page < m_document->pageCount(); ++page) {
        const QSizeF size = m_document->pagePointSize(page);
        if (size.width() * size.height() > largestArea) {
            largestArea = size.width() * size.height();
            m_largestPage = size;
        }
    }
    m_search->setDocument(m_document.get());
    m_thumbnails->reset();
    m_currentPage = 0;
    return true;
}

int PdfReaderController::pageCount() const {
    return m_document->status() == QPdfDocument::Status::Ready ? m_document->pageCount() : 0;
}

QString PdfReaderController::pageIndicator() const {
    if (pageCount() == 0)
        return {};
    return QStringLiteral("%1 / %2").arg(m_currentPage + 1).arg(pageCount());
}

void PdfReaderController::goToPage(int page) {
    if (pageCount() == 0)
        return;
    page = std::clamp(page, 0, pageCount() - 1);
    pageShown(page);
    emit pageRequested(page);
}

void PdfReaderController::pageShown(int page) {
    if (page < 0 || page >= pageCount() || page == m_currentPage)
        return;
    m_currentPage = page;
    emit currentPageChanged(page);
}

void PdfReaderController::setPixelsPerPoint(double pixelsPerPoint) {
    if (pixelsPerPoint <= 0)
        return;
    m_pixelsPerPoint = pixelsPerPoint;
    setZoom(m_zoom, m_fitWidth);
}

double PdfReaderController::maximumZoom() const {
    const double area = m_largestPage.width() * m_largestPage.height();
    if (area <= 0)
        return 1.0;
    const double maxPixels = double(maximumPageBytes / 4);
    return std::sqrt(maxPixels / area) / m_pixelsPerPoint;
}

qint64 PdfReaderController::pageBytesAt(double zoom) const {
    const double scale = zoom * m_pixelsPerPoint;
    return qint64(std::floor(m_largestPage.width() * scale)) *
           qint64(std::floor(m_largestPage.height() * scale)) * 4;
}

void PdfReaderController::zoomIn() {
    setZoom(m_zoom * zoomStep, false);
}

void PdfReaderController::zoomOut() {
    setZoom(m_zoom / zoomStep, false);
}

void PdfReaderController::fitWidth() {
    setZoom(m_zoom, true);
}

void PdfReaderController::setFitWidthZoom(double zoom) {
    if (m_fitWidth)
        setZoom(zoom, true);
}

void PdfReaderController::setZoom(double zoom, bool fitWidth) {
    m_fitWidth = fitWidth;
    zoom = std::clamp(zoom, std::min(minimumZoom, maximumZoom()), maximumZoom());
    if (zoom == m_zoom)
        return;
    m_zoom = zoom;
    emit zoomChanged(zoom);
}

void PdfReaderController::find(const QString &text) {
    if (text == m_findText)
        return;
    m_findText = text;
    m_currentMatch = -1;
    m_search->setSearchString(text);
    emit matchesChanged();
    emit currentMatchChanged(-1);
}

int PdfReaderController::matchCount() const {
    return m_findText.isEmpty() ? 0 : m_search->rowCount({});
}

QString PdfReaderController::matchIndicator() const {
    if (m_findText.isEmpty())
        return {};
    if (matchCount() == 0)
        return tr("No matches");
    if (m_currentMatch < 0)
        return matchCount() == 1 ? tr("1 match") : tr("%1 matches").arg(matchCount());
    return tr("%1 of %2").arg(m_currentMatch + 1).arg(matchCount());
}

void PdfReaderController::findNext() {
    if (matchCount() > 0)
        showMatch((m_currentMatch + 1) % matchCount());
}

void PdfReaderController::findPrevious() {
    if (matchCount() > 0)
        showMatch(m_currentMatch <= 0 ? matchCount() - 1 : m_currentMatch - 1);
}

void PdfReaderController::showMatch(int match) {
    m_currentMatch = match;
    goToPage(m_search->resultAtIndex(match).page());
    emit currentMatchChanged(match);
}

} // namespace browser
