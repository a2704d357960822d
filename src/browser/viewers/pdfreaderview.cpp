#include "browser/viewers/pdfreaderview.h"

#include "browser/viewers/pdfpagethumbnails.h"
#include "browser/viewers/pdfpageview.h"
#include "browser/viewers/pdfreadercontroller.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPdfLink>
#include <QPdfPageNavigator>
#include <QPdfSearchModel>
#include <QScreen>
#include <QShortcut>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QVBoxLayout>

namespace browser {

namespace {
constexpr int stripPadding = 8;
constexpr int stripNumberHeight = 18;

// A strip row: the page's thumbnail (white until it arrives) framed when it is the page shown,
// its number under it. The size comes from the model's size hint, so laying out the strip never
// asks for a thumbnail.
class PageStripDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem &, const QModelIndex &index) const override {
        const QSize thumbnail = index.data(Qt::SizeHintRole).toSize();
        return thumbnail + QSize(2 * stripPadding, 2 * stripPadding + stripNumberHeight);
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override {
        const QSize size = index.data(Qt::SizeHintRole).toSize();
        const QRect page(option.rect.left() + (option.rect.width() - size.width()) / 2,
                         option.rect.top() + stripPadding, size.width(), size.height());
        const QImage thumbnail = index.data(Qt::DecorationRole).value<QImage>();
        painter->save();
        painter->fillRect(page, Qt::white);
        if (!thumbnail.isNull())
            painter->drawImage(page, thumbnail);
        const bool current = option.state & QStyle::State_Selected;
        painter->setPen(current ? QPen(option.palette.highlight(), 3) : QPen(QColor(0, 0, 0, 60), 1));
        painter->drawRect(page.adjusted(0, 0, -1, -1));
        painter->setPen(option.palette.color(QPalette::Text));
        painter->drawText(
            QRect(option.rect.left(), page.bottom() + 2, option.rect.width(), stripNumberHeight),
            Qt::AlignCenter, index.data(Qt::DisplayRole).toString());
        painter->restore();
    }
};

QToolButton *toolButton(const QString &text, const QString &accessibleName, QWidget *parent) {
    auto *button = new QToolButton(parent);
    button->setText(text);
    button->setAccessibleName(accessibleName);
    button->setToolTip(accessibleName);
    button->setAutoRaise(true);
    return button;
}
} // namespace

PdfReaderView::PdfReaderView(PdfReaderController *controller, QWidget *parent)
    : QWidget(parent)
    , m_controller(controller)
    , m_pages(new PdfPageView(this))
    , m_strip(new QListView(this))
    , m_pageBox(new QSpinBox(this))
    , m_find(new QLineEdit(this))
    , m_matches(new QLabel(this))
    , m_stripToggle(toolButton(tr("Pages"), tr("Show page thumbnails"), this))
    , m_zoomOut(toolButton(QStringLiteral("−"), tr("Zoom out"), this))
    , m_zoomIn(toolButton(QStringLiteral("+"), tr("Zoom in"), this))
    , m_fitWidth(toolButton(tr("Fit Width"), tr("Fit width"), this))
    , m_previousMatch(toolButton(QStringLiteral("‹"), tr("Previous match"), this))
    , m_nextMatch(toolButton(QStringLiteral("›"), tr("Next match"), this)) {
    setAccessibleName(tr("PDF reader"));
    m_strip->setAccessibleName(tr("Page thumbnails"));
    m_strip->setItemDelegate(new PageStripDelegate(m_strip));
    m_strip->setFixedWidth(PdfPageThumbnails::thumbnailWidth + 2 * stripPadding + 24);
    m_strip->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_strip->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_strip->setSelectionMode(QAbstractItemView::SingleSelection);
    m_strip->setLayoutMode(QListView::Batched);
    m_stripToggle->setCheckable(true);
    m_stripToggle->setChecked(true);

    auto *body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);
    body->addWidget(m_strip);
    body->addWidget(m_pages, 1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(makeToolBar());
    layout->addLayout(body, 1);

    connect(m_stripToggle, &QToolButton::toggled, m_strip, &QWidget::setVisible);
    auto *findShortcut = new QShortcut(QKeySequence::Find, this);
    connect(findShortcut, &QShortcut::activated, this, [this] {
        m_find->setFocus();
        m_find->selectAll();
    });
    m_find->installEventFilter(this);
    for (const auto &[keys, button] :
         {std::pair{QKeySequence::ZoomIn, m_zoomIn}, std::pair{QKeySequence::ZoomOut, m_zoomOut}})
        connect(new QShortcut(keys, this), &QShortcut::activated, button, &QToolButton::click);
    if (controller)
        connectController();
}

QWidget *PdfReaderView::makeToolBar() {
    auto *bar = new QWidget(this);
    bar->setAccessibleName(tr("Reader tools"));
    m_pageBox->setAccessibleName(tr("Page"));
    m_pageBox->setKeyboardTracking(false);
    m_pageBox->setButtonSymbols(QAbstractSpinBox::NoButtons);
    m_pageBox->setAlignment(Qt::AlignCenter);
    m_pageBox->setMinimumWidth(110);
    m_find->setAccessibleName(tr("Find in document"));
    m_find->setPlaceholderText(tr("Find in document"));
    m_find->setClearButtonEnabled(true);
    m_find->setMinimumWidth(200);
    m_matches->setAccessibleName(tr("Matches"));
    m_matches->setMinimumWidth(80);

    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(8, 4, 8, 4);
    for (QWidget *widget : {static_cast<QWidget *>(m_stripToggle), static_cast<QWidget *>(m_zoomOut),
                            static_cast<QWidget *>(m_zoomIn), static_cast<QWidget *>(m_fitWidth)})
        row->addWidget(widget);
    row->addStretch(1);
    row->addWidget(m_pageBox);
    row->addStretch(1);
    row->addWidget(m_find);
    row->addWidget(m_previousMatch);
    row->addWidget(m_nextMatch);
    row->addWidget(m_matches);
    return bar;
}

void PdfReaderView::connectController() {
    PdfReaderController *controller = m_controller;
    const QScreen *screen = QGuiApplication::primaryScreen();
    const double dpr = screen ? screen->devicePixelRatio() : 1.0;
    controller->setPixelsPerPoint((screen ? screen->logicalDotsPerInch() : 96.0) / 72.0 * dpr);
    controller->thumbnails()->setDevicePixelRatio(dpr);

    m_pages->setDocument(controller->document());
    m_pages->setSearchModel(controller->searchModel());
    m_pages->setZoomFactor(controller->zoom());
    m_strip->setModel(controller->thumbnails());
    m_pageBox->setRange(1, std::max(1, controller->pageCount()));
    m_pageBox->setSuffix(QStringLiteral(" / %1").arg(controller->pageCount()));
    showPage(controller->currentPage());
    showMatches();

    connect(m_zoomIn, &QToolButton::clicked, controller, &PdfReaderController::zoomIn);
    connect(m_zoomOut, &QToolButton::clicked, controller, &PdfReaderController::zoomOut);
    connect(m_fitWidth, &QToolButton::clicked, this, [this] {
        m_controller->fitWidth();
        m_controller->setFitWidthZoom(m_pages->fitWidthZoom());
    });
    connect(m_pages, &PdfPageView::viewportWidthChanged, this,
            [this] { m_controller->setFitWidthZoom(m_pages->fitWidthZoom()); });
    connect(controller, &PdfReaderController::zoomChanged, m_pages, &PdfPageView::setZoomFactor);

    connect(controller, &PdfReaderController::pageRequested, this,
            [this](int page) { m_pages->pageNavigator()->jump(page, {}, m_controller->zoom()); });
    connect(m_pages->pageNavigator(), &QPdfPageNavigator::currentPageChanged, controller,
            &PdfReaderController::pageShown);
    connect(controller, &PdfReaderController::currentPageChanged, this, &PdfReaderView::showPage);
    connect(m_pageBox, &QSpinBox::valueChanged, this,
            [this](int value) { m_controller->goToPage(value - 1); });
    connect(m_strip, &QListView::clicked, this,
            [this](const QModelIndex &index) { m_controller->goToPage(index.row()); });

    connect(m_find, &QLineEdit::textChanged, controller, &PdfReaderController::find);
    connect(m_nextMatch, &QToolButton::clicked, controller, &PdfReaderController::findNext);
    connect(m_previousMatch, &QToolButton::clicked, controller, &PdfReaderController::findPrevious);
    connect(controller, &PdfReaderController::matchesChanged, this, &PdfReaderView::showMatches);
    connect(controller, &PdfReaderController::currentMatchChanged, this, &PdfReaderView::showMatches);
}

void PdfReaderView::showPage(int page) {
    const QSignalBlocker blocker(m_pageBox);
    m_pageBox->setValue(page + 1);
    const QModelIndex index = m_strip->model() ? m_strip->model()->index(page, 0) : QModelIndex();
    if (index.isValid()) {
        m_strip->setCurrentIndex(index);
        m_strip->scrollTo(index, QAbstractItemView::EnsureVisible);
    }
}

void PdfReaderView::showMatches() {
    m_matches->setText(m_controller->matchIndicator());
    m_previousMatch->setEnabled(m_controller->matchCount() > 0);
    m_nextMatch->setEnabled(m_controller->matchCount() > 0);
    const int match = m_controller->currentMatch();
    m_pages->setCurrentMatch(match);
    if (match < 0)
        return;
    const QPdfLink link = m_controller->searchModel()->resultAtIndex(match);
    if (!link.rectangles().isEmpty())
        m_pages->reveal(link.page(), link.rectangles().constFirst());
}

bool PdfReaderView::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_find && event->type() == QEvent::KeyPress && m_controller) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (key->modifiers() & Qt::ShiftModifier)
                m_controller->findPrevious();
            else
                m_controller->findNext();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void PdfReaderView::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    if (m_controller)
        m_controller->setFitWidthZoom(m_pages->fitWidthZoom());
}

} // namespace browser
