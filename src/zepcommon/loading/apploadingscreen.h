#pragma once

#include "platform/notificationcenter.h"
#include "ui/screencontroller.h"
#include "zepcommon/loading/animationlocator.h"
#include "zepcommon/loading/loadingclock.h"

#include <QColor>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class AnimationPlayer;
class ZEPThemeManager;
namespace ui {
class ColorResolver;
}

// The splash shown over the app for its first seconds, while the remote values are fetched.
//
// It shows a logo, a progress bar that creeps forward once a second by a random step in
// [0.07, 0.12], and optionally a Lottie animation (played at speed 0.6). It finishes at the first
// of: the remote-values notification, the ninth tick, or the animation's end. Finishing stops the
// timer and drops the observers at once, fills the bar, fades it out (progressBarFadeRequested),
// then asks the view for the exit transition (exitTransitionRequested). When the view reports the
// transition done, dismissed() is emitted and "PROGRESS_COMPLETED" posted (no user info).
//
// While an animation plays, the screen waits for the animation alone. A named animation that is
// missing or cannot be decoded leaves the screen as if none had been named: it then listens for
// the remote values and finishes on the ninth tick, so it always ends.
//
// Without a root screen behind it (setRootScreenAvailable(false)) the exit transition does not
// start and the screen stays. The host sets the properties before viewDidLoad. Colours come from
// the resolver given; the theme and the resolver outlive the screen. GUI thread only.
class AppLoadingScreen : public ui::ScreenController {
    Q_OBJECT
public:
    enum class Phase { Idle, Loading, Finishing, Exiting, Done };

    static constexpr int tickIntervalMs = 1000;
    static constexpr int finishingTick = 9;
    static constexpr float minimumStep = 0.07f;
    static constexpr float maximumStep = 0.12f;
    static constexpr double animationSpeed = 0.6;
    static constexpr int fadeDelayMs = 150;
    static constexpr int barFadeMs = 500;
    static constexpr int exitDelayMs = 150;
    // Exit transition: the screen and its logo (shrinking to nothing) over 1.2 s; the root screen
    // fades in from 1.3 times its size over 0.8 s.
    static constexpr int exitDurationMs = 1200;
    static constexpr int rootDurationMs = 800;
    static constexpr double rootStartScale = 1.3;

    static const QString progressCompletedNotification; // "PROGRESS_COMPLETED"
    // The notification Tarnwick's refresher posts after each successful refresh.
    static const QString defaultRemoteValuesNotification;

    AppLoadingScreen(ZEPThemeManager &theme, const ui::ColorResolver &colors,
                     platform::NotificationCenter &center,
                     std::unique_ptr<LoadingClock> clock = std::make_unique<QtLoadingClock>(),
                     QObject *parent = nullptr);
    ~AppLoadingScreen() override;

    QString appLogoIcon() const { return m_appLogoIcon; }
    void setAppLogoIcon(const QString &name) { m_appLogoIcon = name; }
    std::optional<QColor> customLoadingBgColor() const { return m_customLoadingBgColor; }
    void setCustomLoadingBgColor(std::optional<QColor> color) { m_customLoadingBgColor = color; }
    std::optional<QColor> progressBarTrackTintColor() const { return m_progressBarTrackTintColor; }
    void setProgressBarTrackTintColor(std::optional<QColor> color) { m_progressBarTrackTintColor = color; }
    std::optional<QColor> progressBarProgressTintColor() const { return m_progressBarProgressTintColor; }
    void setProgressBarProgressTintColor(std::optional<QColor> color) {
        m_progressBarProgressTintColor = color;
    }
    QString lottieAnimationName() const { return m_lottieAnimationName; }
    void setLottieAnimationName(const QString &name) { m_lottieAnimationName = name; }

    // Where named animations are looked for, and the player that shows them (owned by the view).
    void setAnimationLocator(AnimationLocator locator) { m_locator = std::move(locator); }
    void setAnimationPlayer(AnimationPlayer *player) { m_player = player; }
    // The name of the remote-values notification (the host passes its refresher's name).
    void setRemoteValuesNotificationName(const QString &name) { m_remoteValuesNotification = name; }
    // Draws a step; by default uniform in [minimumStep, maximumStep].
    void setRandomStep(std::function<float()> step) { m_randomStep = std::move(step); }
    void setRootScreenAvailable(bool available) { m_rootAvailable = available; }

    // Resolved on viewDidLoad: the background (custom colour or the theme colour; nullopt when the
    // theme colour is missing, so the view keeps its own), the bar's track and fill colours, and
    // the logo picture (the app's resources first, then the common bundle; null when missing).
    std::optional<QColor> backgroundColor() const { return m_backgroundColor; }
    std::optional<QColor> trackColor() const { return m_trackColor; }
    QColor progressColor() const { return m_progressColor; }
    QImage logoImage() const;

    Phase phase() const { return m_phase; }
    int tickCount() const { return m_tickCount; }
    // The running sum of the steps; the bar shows it capped at 1.
    float progress() const { return m_progress; }
    bool isAnimationPlaying() const { return m_animationActive; }

    void viewDidLoad() override;

public slots:
    void didAppSettingsUpdated();
    void pauseAnimation();
    void resumeAnimation();
    // Reports from the view.
    void progressBarFadeFinished();
    void exitTransitionFinished(bool finished);

signals:
    void progressChanged(double value, bool animated);
    void progressBarFadeRequested(int durationMs);
    void exitTransitionRequested();
    void dismissed();

private:
    void resolveColors();
    void setUpAnimation();
    void addObservers();
    void removeObservers();
    void startProgressTimer();
    void tick();
    void playAnimation();
    void finish();
    void runExitTransition();

    ZEPThemeManager &m_theme;
    const ui::ColorResolver &m_colors;
    platform::NotificationCenter &m_center;
    std::unique_ptr<LoadingClock> m_clock;
    AnimationLocator m_locator;
    AnimationPlayer *m_player = nullptr;
    QString m_remoteValuesNotification = defaultRemoteValuesNotification;
    std::function<float()> m_randomStep;
    std::vector<platform::NotificationCenter::Token> m_observers;

    QString m_appLogoIcon;
    std::optional<QColor> m_customLoadingBgColor;
    std::optional<QColor> m_progressBarTrackTintColor;
    std::optional<QColor> m_progressBarProgressTintColor;
    QString m_lottieAnimationName;

    std::optional<QColor> m_backgroundColor;
    std::optional<QColor> m_trackColor;
    QColor m_progressColor = Qt::white;
    Phase m_phase = Phase::Idle;
    int m_tickCount = 0;
    float m_progress = 0;
    bool m_animationActive = false;
    bool m_rootAvailable = true;
};
