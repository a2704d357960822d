#include "zepcommon/loading/apploadingscreen.h"

#include "platform/log.h"
#include "ui/colorresolver.h"
#include "zepcommon/loading/animationplayer.h"
#include "zepcommon/theme/zepthememanager.h"

#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <algorithm>

const QString AppLoadingScreen::progressCompletedNotification = QStringLiteral("PROGRESS_COMPLETED");
const QString AppLoadingScreen::defaultRemoteValuesNotification =
    QStringLiteral("TarnwickRemoteValuesUpdated");

AppLoadingScreen::AppLoadingScreen(ZEPThemeManager &theme, const ui::ColorResolver &colors,
                                   platform::NotificationCenter &center, std::unique_ptr<LoadingClock> clock,
                                   QObject *parent)
    : ScreenController(parent)
    , m_theme(theme)
    , m_colors(colors)
    , m_center(center)
    , m_clock(std::move(clock))
    , m_randomStep([] {
        const double unit = QRandomGenerator::global()->generateDouble(); // [0, 1)
        return static_cast<float>(minimumStep + unit * (maximumStep - minimumStep));
    }) {}

AppLoadingScreen::~AppLoadingScreen() {
    removeObservers();
}

void AppLoadingScreen::viewDidLoad() {
    if (m_phase != Phase::Idle)
        return;
    m_phase = Phase::Loading;
    resolveColors();
    // The animation is set up before the observers, so that a missing or broken animation leaves
    // a screen that still listens for the remote values and ends on the ninth tick.
    setUpAnimation();
    addObservers();
    startProgressTimer();
    if (m_animationActive)
        playAnimation();
}

void AppLoadingScreen::resolveColors() {
    m_backgroundColor =
        m_customLoadingBgColor ? m_customLoadingBgColor : m_colors.color(m_theme.themeColorInAllApp());
    m_trackColor = m_progressBarTrackTintColor ? m_progressBarTrackTintColor
                                               : m_colors.color(QStringLiteral("defaultTrackTintColor"));
    m_progressColor = m_progressBarProgressTintColor.value_or(QColor(Qt::white));
}

QImage AppLoadingScreen::logoImage() const {
    if (m_appLogoIcon.isEmpty())
        return {};
    // The app's own resources first, under the name as given or with a picture extension.
    for (const QString &suffix : {QString(), QStringLiteral(".png"), QStringLiteral(".svg")}) {
        const QString path = QStringLiteral(":/") + m_appLogoIcon + suffix;
        if (QFile::exists(path)) {
            const QImage image(path);
            if (!image.isNull())
                return image;
        }
    }
    return ZEPThemeManager::bundleImage(m_appLogoIcon, QSize(512, 512));
}

void AppLoadingScreen::setUpAnimation() {
    m_animationActive = false;
    if (m_lottieAnimationName.isEmpty())
        return;
    const std::optional<QString> path = m_locator.find(m_lottieAnimationName);
    if (!path) {
        platform::log(QStringLiteral("Error: Animation file not found in any bundle"));
        return;
    }
    if (!m_player) {
        platform::log(QStringLiteral("Error: no animation view to play %1").arg(*path));
        return;
    }
    const bool loaded = AnimationLocator::read(
        *path, [this, &path](const QByteArray &json) { return m_player->load(json, *path); });
    if (!loaded) {
        platform::log(QStringLiteral("Error: Animation %1 could not be decoded").arg(*path));
        return;
    }
    m_player->setSpeed(animationSpeed);
    m_animationActive = true;
}

void AppLoadingScreen::addObservers() {
    // With an animation playing, only its end finishes the screen.
    if (!m_animationActive) {
        m_observers.push_back(m_center.addObserver(
            m_remoteValuesNotification, [this](const platform::Notification &) { didAppSettingsUpdated(); },
            this));
    }
}

void AppLoadingScreen::removeObservers() {
    for (platform::NotificationCenter::Token token : m_observers)
        m_center.removeObserver(token);
    m_observers.clear();
}

void AppLoadingScreen::startProgressTimer() {
    m_progress = 0;
    emit progressChanged(0, false);
    m_clock->startRepeating(tickIntervalMs, [this] { tick(); });
}

void AppLoadingScreen::tick() {
    if (m_phase != Phase::Loading)
        return;
    ++m_tickCount;
    m_progress += std::clamp(m_randomStep(), minimumStep, maximumStep);
    emit progressChanged(std::min(1.0f, m_progress), true);
    if (m_tickCount >= finishingTick && !m_animationActive)
        finish();
}

void AppLoadingScreen::playAnimation() {
    m_player->play([this](bool finished) {
        if (finished)
            finish();
    });
}

void AppLoadingScreen::pauseAnimation() {
    if (m_animationActive && m_phase == Phase::Loading)
        m_player->pause();
}

void AppLoadingScreen::resumeAnimation() {
    if (m_animationActive && m_phase == Phase::Loading && !m_player->isPlaying())
        playAnimation();
}

void AppLoadingScreen::didAppSettingsUpdated() {
    finish();
}

void AppLoadingScreen::finish() {
    if (m_phase != Phase::Loading)
        return;
    m_phase = Phase::Finishing;
    m_clock->stopRepeating();
    removeObservers();
    emit progressChanged(1.0, false);
    m_clock->after(fadeDelayMs, [this] { emit progressBarFadeRequested(barFadeMs); });
}

void AppLoadingScreen::progressBarFadeFinished() {
    if (m_phase != Phase::Finishing)
        return;
    m_clock->after(exitDelayMs, [this] { runExitTransition(); });
}

void AppLoadingScreen::runExitTransition() {
    if (m_phase != Phase::Finishing || !m_rootAvailable)
        return;
    m_phase = Phase::Exiting;
    emit exitTransitionRequested();
}

void AppLoadingScreen::exitTransitionFinished(bool finished) {
    if (m_phase != Phase::Exiting || !finished)
        return;
    m_phase = Phase::Done;
    emit dismissed();
    m_center.post(progressCompletedNotification);
}
