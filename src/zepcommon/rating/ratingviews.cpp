#include "zepcommon/rating/ratingviews.h"

#include "ui/viewregistry.h"
#include "zepcommon/rating/cosmosview.h"
#include "zepcommon/theme/viewlayer.h"
#include "zepcommon/theme/zepcolors.h"
#include "zepcommon/theme/zepthememanager.h"

#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace rating {

namespace {

constexpr int popUpWidth = 300;
// The write-review page is dark, so that the typed text shows white.
const QColor reviewPageColor(0x1C, 0x1C, 0x1E);
const QColor reviewFieldColor(0x2C, 0x2C, 0x2E);

QString appName() {
    const QString name = QGuiApplication::applicationDisplayName();
    return name.isEmpty() ? QStringLiteral("Tidewell") : name;
}

QLabel *makeLabel(const QString &text, int pixelSize, bool bold, const QColor &color) {
    auto *label = new QLabel(text);
    QFont font = label->font();
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    label->setAccessibleName(text);
    label->setStyleSheet(
        QStringLiteral("color: %1; background: transparent;").arg(color.name(QColor::HexArgb)));
    return label;
}

QPushButton *makeButton(const QString &text, const QString &name, bool filled) {
    auto *button = new QPushButton(text);
    button->setObjectName(name);
    button->setAccessibleName(text);
    button->setMinimumHeight(44);
    button->setCursor(Qt::PointingHandCursor);
    const QString orange = cosmosOrange().name();
    button->setStyleSheet(
        filled
            ? QStringLiteral("QPushButton { background: %1; color: white; border: none; border-radius: 10px; "
                             "font-size: 16px; font-weight: bold; padding: 0 20px; }")
                  .arg(orange)
            : QStringLiteral("QPushButton { background: transparent; color: %1; border: 1px solid %1; "
                             "border-radius: 10px; font-size: 16px; font-weight: bold; padding: 0 20px; }")
                  .arg(orange));
    return button;
}

// The themed close picture, or a plain cross where the bundle has none.
QToolButton *makeCross() {
    auto *cross = new QToolButton;
    cross->setObjectName(QStringLiteral("crossButton"));
    cross->setAccessibleName(QObject::tr("Close"));
    cross->setAutoRaise(true);
    cross->setIconSize(QSize(24, 24));
    const QImage picture = ZEPThemeManager::shared().themedImage(QStringLiteral("img-close-"), QSize(48, 48));
    if (picture.isNull())
        cross->setText(QStringLiteral("✕"));
    else
        cross->setIcon(QIcon(QPixmap::fromImage(picture)));
    return cross;
}

void fillWith(QWidget *widget, const QColor &color) {
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, color);
    widget->setPalette(palette);
}

} // namespace

void registerViews(ui::ViewRegistry &registry) {
    registry.add<RatingPopUpController>(
        [](RatingPopUpController *controller) -> QWidget * { return new RatingPopUpView(controller); });
    registry.add<WriteReviewController>(
        [](WriteReviewController *controller) -> QWidget * { return new WriteReviewView(controller); });
    registry.add<ShareReviewController>(
        [](ShareReviewController *controller) -> QWidget * { return new ShareReviewView(controller); });
}

RatingPopUpView::RatingPopUpView(RatingPopUpController *controller, QWidget *parent)
    : QWidget(parent)
    , m_controller(controller)
    , m_popUp(new QFrame)
    , m_loveIt(makeButton(tr("Love It"), QStringLiteral("loveItButton"), true))
    , m_hateIt(makeButton(tr("Hate It"), QStringLiteral("hateItButton"), false))
    , m_cross(makeCross()) {
    setObjectName(QStringLiteral("ratingPopUp"));
    setAccessibleName(controller->title());
    // See-through: the sheet's dimming is the empty screen around the pop-up.
    fillWith(this, Qt::transparent);
    m_popUp->setObjectName(QStringLiteral("popUpView"));
    m_popUp->setAccessibleName(tr("Rate this app"));
    m_popUp->setFixedWidth(popUpWidth);

    const QColor text = ZEPColors::themeColorWithName(ZEPColors::titleText()).value_or(Qt::black);
    const QColor secondary = ZEPColors::themeColorWithName(ZEPColors::sectionHeaderText()).value_or(Qt::gray);
    auto *stars = new CosmosView;
    stars->setObjectName(QStringLiteral("popUpStars"));
    stars->setStarSize(30);
    stars->setStarMargin(8);
    stars->setUpdateOnTouch(false);
    stars->setRating(5);

    auto *column = new QVBoxLayout(m_popUp);
    column->setContentsMargins(20, 8, 8, 22);
    column->setSpacing(12);
    auto *top = new QHBoxLayout;
    top->addStretch();
    top->addWidget(m_cross);
    column->addLayout(top);
    auto *inner = new QVBoxLayout;
    inner->setContentsMargins(0, 0, 12, 0);
    inner->setSpacing(14);
    inner->addWidget(stars, 0, Qt::AlignHCenter);
    inner->addWidget(makeLabel(tr("Enjoying %1?").arg(appName()), 20, true, text));
    inner->addWidget(makeLabel(tr("Tell us how you feel about the app."), 14, false, secondary));
    inner->addSpacing(6);
    inner->addWidget(m_loveIt);
    inner->addWidget(m_hateIt);
    column->addLayout(inner);

    auto *centre = new QVBoxLayout(this);
    centre->addStretch();
    centre->addWidget(m_popUp, 0, Qt::AlignHCenter);
    centre->addStretch();

    connect(m_loveIt, &QPushButton::clicked, controller, &RatingPopUpController::loveItButtonPressed);
    connect(m_hateIt, &QPushButton::clicked, controller, [controller] { controller->hateItButtonPressed(); });
    connect(m_cross, &QToolButton::clicked, controller, &RatingPopUpController::crossButtonPressed);
    connect(controller, &RatingPopUpController::appearanceChanged, this, &RatingPopUpView::applyAppearance);
    controller->loadViewIfNeeded();
    applyAppearance();
}

void RatingPopUpView::applyAppearance() {
    const QColor background = m_controller->backGroundColor().value_or(
        ZEPColors::themeColorWithName(ZEPColors::cellBackground()).value_or(Qt::white));
    fillWith(m_popUp, background);
    ViewLayer *layer = ViewLayer::of(m_popUp);
    layer->setCornerRadius(m_controller->cornerRadius());
    layer->setMasksToBounds(m_controller->clipsToBounds());
    layer->setBorderWidth(m_controller->borderWidth());
    layer->setBorderColor(m_controller->borderColor());
}

void RatingPopUpView::mousePressEvent(QMouseEvent *event) {
    if (!m_popUp->geometry().contains(event->position().toPoint()))
        m_controller->emptyScreenTapped();
    event->accept();
}

WriteReviewView::WriteReviewView(WriteReviewController *controller, QWidget *parent)
    : QWidget(parent)
    , m_controller(controller)
    , m_textView(new QPlainTextEdit)
    , m_send(makeButton(tr("Send"), QStringLiteral("sendButton"), true))
    , m_cross(makeCross()) {
    setObjectName(QStringLiteral("writeReviewPage"));
    setAccessibleName(controller->title());
    fillWith(this, reviewPageColor);
    m_textView->setObjectName(QStringLiteral("textView"));
    m_textView->setAccessibleName(tr("Review"));
    m_textView->setFrameShape(QFrame::NoFrame);
    // Colours through the palette only: a style sheet would override the placeholder's grey.
    QFont font = m_textView->font();
    font.setPixelSize(17);
    m_textView->setFont(font);
    m_textView->document()->setDocumentMargin(12);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(20, 12, 20, 24);
    column->setSpacing(16);
    auto *top = new QHBoxLayout;
    top->addWidget(m_cross);
    top->addWidget(makeLabel(controller->title(), 18, true, Qt::white), 1);
    top->addSpacing(m_cross->sizeHint().width());
    column->addLayout(top);
    column->addWidget(
        makeLabel(tr("What do you like about %1? Your words help others find it.").arg(appName()), 15, false,
                  QColor(0xAE, 0xAE, 0xB2)));
    column->addWidget(m_textView, 1);
    column->addWidget(m_send);

    connect(m_cross, &QToolButton::clicked, controller, &WriteReviewController::crossButtonPressed);
    connect(m_send, &QPushButton::clicked, controller, &WriteReviewController::sendButtonPressed);
    connect(m_textView, &QPlainTextEdit::textChanged, this, &WriteReviewView::fieldEdited);
    connect(m_textView, &QPlainTextEdit::cursorPositionChanged, this, &WriteReviewView::cursorMoved);
    connect(controller, &WriteReviewController::changed, this, &WriteReviewView::showState);
    controller->loadViewIfNeeded();
    showState();
}

void WriteReviewView::showState() {
    m_syncing = true;
    QPalette palette = m_textView->palette();
    palette.setColor(QPalette::Text, m_controller->textColor());
    palette.setColor(QPalette::Base, reviewFieldColor);
    m_textView->setPalette(palette);
    if (m_textView->toPlainText() != m_controller->text())
        m_textView->setPlainText(m_controller->text());
    QTextCursor cursor = m_textView->textCursor();
    if (cursor.position() != m_controller->cursorPosition() || cursor.hasSelection()) {
        cursor.setPosition(m_controller->cursorPosition());
        m_textView->setTextCursor(cursor);
    }
    m_syncing = false;
}

void WriteReviewView::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    if (m_controller->wantsFocus())
        QTimer::singleShot(0, m_textView, [view = m_textView] { view->setFocus(Qt::OtherFocusReason); });
}

void WriteReviewView::fieldEdited() {
    if (m_syncing)
        return;
    m_controller->textEdited(m_textView->toPlainText(), m_textView->textCursor().position());
}

void WriteReviewView::cursorMoved() {
    // The cursor moves before textChanged reports an edit; the edit decides where it goes.
    if (m_syncing || m_textView->toPlainText() != m_controller->text())
        return;
    const QTextCursor cursor = m_textView->textCursor();
    // A selection over the placeholder counts as a move away from the start.
    m_controller->selectionChanged(cursor.hasSelection() && m_controller->isShowingPlaceholder()
                                       ? std::max(cursor.position(), cursor.anchor())
                                       : cursor.position());
}

ShareReviewView::ShareReviewView(ShareReviewController *controller, QWidget *parent)
    : QWidget(parent)
    , m_controller(controller)
    , m_review(makeLabel(QString(), 17, false, Qt::white))
    , m_share(makeButton(tr("Share"), QStringLiteral("shareButton"), true))
    , m_cross(makeCross()) {
    setObjectName(QStringLiteral("shareReviewPage"));
    setAccessibleName(controller->title());
    fillWith(this, reviewPageColor);
    m_review->setObjectName(QStringLiteral("reviewLabel"));
    m_review->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont italic = m_review->font();
    italic.setItalic(true);
    m_review->setFont(italic);
    m_review->setStyleSheet(
        QStringLiteral("color: white; background: %1; border-radius: 12px; padding: 16px;")
            .arg(reviewFieldColor.name()));

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(20, 12, 20, 24);
    column->setSpacing(16);
    auto *top = new QHBoxLayout;
    top->addWidget(m_cross);
    top->addWidget(makeLabel(controller->title(), 18, true, Qt::white), 1);
    top->addSpacing(m_cross->sizeHint().width());
    column->addLayout(top);
    column->addWidget(makeLabel(tr("Thank you!"), 26, true, Qt::white));
    column->addWidget(makeLabel(tr("Share copies your review and opens the store's review page. "
                                   "Paste it there and post it."),
                                15, false, QColor(0xAE, 0xAE, 0xB2)));
    column->addWidget(m_review);
    column->addStretch();
    column->addWidget(m_share);

    connect(m_cross, &QToolButton::clicked, controller, &ShareReviewController::crossButtonPressed);
    connect(m_share, &QPushButton::clicked, controller, [controller] { controller->shareButtonPressed(); });
    const auto showLabel = [this] {
        m_review->setText(m_controller->reviewLabel());
        m_review->setAccessibleName(m_controller->reviewLabel());
    };
    connect(controller, &ShareReviewController::reviewLabelChanged, this, showLabel);
    controller->loadViewIfNeeded();
    showLabel();
}

} // namespace rating
