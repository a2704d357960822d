#include "zepcommon/loading/apploadingview.h"

#include "zepcommon/loading/apploadingscreen.h"
#include "zepcommon/loading/rlottieplayer.h"

#include <QEasingCurve>
#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QGuiApplication>
#include <QPainter>
#include <QProgressBar>
#include <QPropertyAnimation>
#include <QVariantAnimation>
#include <QWindow>
#include <algorithm>

namespace {

constexpr int barSteps = 1000;
constexpr int barAnimationMs = 250;

QString cssColor(const QColor &color) {
    return QStringLiteral("rgba(%1,%2,%3,%4)")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(color.alpha());
}

QRectF scaledAround(const QRectF &rect, double scale) {
    const QSizeF size = rect.size() * scale;
    return QRectF(rect.center() - QPointF(size.width() / 2, size.height() / 2), size);
}

} // namespace

AppLoadingView::AppLoadingView(AppLoadingScreen *controller, QWidget *root)
    : QWidget(root ? root->window() : nullptr)
    , m_controller(controller)
    , m_root(root)
    , m_player(new RlottiePlayer(this))
    , m_progressBar(new QProgressBar(this))
    , m_barOpacity(new QGraphicsOpacityEffect(m_progressBar)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setObjectName(QStringLiteral("splashScreen"));
    setAccessibleName(tr("Loading"));
    setAccessibleDescription(tr("Tidewell is starting"));
    m_progressBar->setAccessibleName(tr("Loading progress"));
    m_progressBar->setRange(0, barSteps);
    m_progressBar->setTextVisible(false);
    m_barOpacity->setOpacity(1);
    m_progressBar->setGraphicsEffect(m_barOpacity);

    controller->setAnimationPlayer(m_player);
    controller->setRootScreenAvailable(root != nullptr);
    connect(m_player, &RlottiePlayer::frameChanged, this, qOverload<>(&QWidget::update));
    connect(controller, &AppLoadingScreen::progressChanged, this, &AppLoadingView::setProgress);
    connect(controller, &AppLoadingScreen::progressBarFadeRequested, this, &AppLoadingView::fadeProgressBar);
    connect(controller, &AppLoadingScreen::exitTransitionRequested, this,
            &AppLoadingView::startExitTransition);
    connect(controller, &AppLoadingScreen::dismissed, this, [this] {
        hide();
        deleteLater();
    });
    if (parentWidget()) {
        parentWidget()->installEventFilter(this);
        setGeometry(parentWidget()->rect());
    } else {
        resize(390, 844);
    }
    followApplicationState();
}

AppLoadingView::~AppLoadingView() {
    // The controller outlives the view in tests; it must not play on a deleted player.
    m_controller->setAnimationPlayer(nullptr);
}

void AppLoadingView::followApplicationState() {
    auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    if (!app)
        return;
    connect(app, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive)
            m_controller->resumeAnimation();
        else
            m_controller->pauseAnimation();
    });
}

void AppLoadingView::load() {
    m_controller->loadViewIfNeeded();
    applyColors();
    m_logo = m_controller->logoImage();
    raise();
    update();
}

void AppLoadingView::applyColors() {
    if (const auto background = m_controller->backgroundColor())
        m_background = *background;
    const QColor track = m_controller->trackColor().value_or(QColor(255, 255, 255, 89));
    m_progressBar->setStyleSheet(
        QStringLiteral("QProgressBar { background: %1; border: none; border-radius: 3px; }"
                       "QProgressBar::chunk { background: %2; border-radius: 3px; }")
            .arg(cssColor(track), cssColor(m_controller->progressColor())));
}

void AppLoadingView::setProgress(double value, bool animated) {
    const int target = static_cast<int>(std::clamp(value, 0.0, 1.0) * barSteps);
    if (!animated || !m_animationsEnabled) {
        m_progressBar->setValue(target);
        return;
    }
    auto *animation = new QPropertyAnimation(m_progressBar, "value", m_progressBar);
    animation->setDuration(barAnimationMs);
    animation->setEndValue(target);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void AppLoadingView::fadeProgressBar(int durationMs) {
    if (!m_animationsEnabled) {
        m_barOpacity->setOpacity(0);
        m_controller->progressBarFadeFinished();
        return;
    }
    auto *fade = new QPropertyAnimation(m_barOpacity, "opacity", this);
    fade->setDuration(durationMs);
    fade->setStartValue(1.0);
    fade->setEndValue(0.0);
    connect(fade, &QPropertyAnimation::finished, m_controller, &AppLoadingScreen::progressBarFadeFinished);
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void AppLoadingView::startExitTransition() {
    if (!m_root) {
        return; // nothing to reveal: the splash stays
    }
    m_progressBar->hide();
    // Snapshot the root without this overlay; no event is processed in between, so nothing flickers.
    setVisible(false);
    m_rootSnapshot = m_root->grab();
    setVisible(true);
    raise();
    m_exiting = true;
    if (!m_animationsEnabled) {
        m_exitElapsedMs = AppLoadingScreen::exitDurationMs;
        m_controller->exitTransitionFinished(true);
        return;
    }
    m_exitAnimation = new QVariantAnimation(this);
    m_exitAnimation->setDuration(AppLoadingScreen::exitDurationMs);
    m_exitAnimation->setStartValue(0.0);
    m_exitAnimation->setEndValue(double(AppLoadingScreen::exitDurationMs));
    connect(m_exitAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_exitElapsedMs = value.toDouble();
        update();
    });
    connect(m_exitAnimation, &QVariantAnimation::finished, this,
            [this] { m_controller->exitTransitionFinished(true); });
    m_exitAnimation->start();
}

QRectF AppLoadingView::logoRect() const {
    const double side = std::min(200.0, std::min(width(), height()) * 0.32);
    return QRectF(width() / 2.0 - side / 2, height() * 0.42 - side / 2, side, side);
}

QRectF AppLoadingView::animationRect() const {
    const QSize natural = m_player->defaultSize();
    if (natural.isEmpty())
        return {};
    const double w = std::min(240.0, width() * 0.5);
    const double h = w * natural.height() / natural.width();
    return QRectF(width() / 2.0 - w / 2, logoRect().bottom() + 24, w, h);
}

void AppLoadingView::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    const int barWidth = std::min(280, static_cast<int>(width() * 0.6));
    m_progressBar->setGeometry((width() - barWidth) / 2, static_cast<int>(height() * 0.78), barWidth, 6);
}

bool AppLoadingView::eventFilter(QObject *watched, QEvent *event) {
    if (watched == parentWidget()) {
        if (event->type() == QEvent::Resize)
            setGeometry(parentWidget()->rect());
        else if (event->type() == QEvent::WindowStateChange)
            parentWidget()->isMinimized() ? m_controller->pauseAnimation() : m_controller->resumeAnimation();
    }
    return QWidget::eventFilter(watched, event);
}

void AppLoadingView::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_exiting) {
        paintExit(painter);
        return;
    }
    painter.fillRect(rect(), m_background);
    if (!m_logo.isNull())
        painter.drawImage(logoRect(), m_logo);
    const QRectF frameRect = animationRect();
    if (!frameRect.isEmpty())
        painter.drawImage(frameRect, m_player->render(frameRect.size().toSize() * devicePixelRatioF()));
}

void AppLoadingView::paintExit(QPainter &painter) {
    const QEasingCurve curve(QEasingCurve::InOutQuad);
    const double whole =
        curve.valueForProgress(std::min(1.0, m_exitElapsedMs / AppLoadingScreen::exitDurationMs));
    const double root =
        curve.valueForProgress(std::min(1.0, m_exitElapsedMs / AppLoadingScreen::rootDurationMs));

    QColor background = m_background;
    background.setAlphaF(static_cast<float>(1 - whole));
    painter.fillRect(rect(), Qt::black);
    painter.fillRect(rect(), background);
    painter.setOpacity(root);
    const double scale = AppLoadingScreen::rootStartScale + (1 - AppLoadingScreen::rootStartScale) * root;
    // The root may be this view's parent or a sibling inside it: map through global coordinates.
    const QRectF rootRect(m_root ? QRectF(mapFromGlobal(m_root->mapToGlobal(QPoint(0, 0))), m_root->size())
                                 : QRectF(rect()));
    painter.drawPixmap(scaledAround(rootRect, scale), m_rootSnapshot, QRectF(m_rootSnapshot.rect()));
    painter.setOpacity(1);
    if (!m_logo.isNull() && whole < 1)
        painter.drawImage(scaledAround(logoRect(), 1 - whole), m_logo);
}
