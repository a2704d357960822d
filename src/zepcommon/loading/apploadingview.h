#pragma once

#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

class AppLoadingScreen;
class QGraphicsOpacityEffect;
class QProgressBar;
class QVariantAnimation;
class RlottiePlayer;

// The loading screen's widgets: laid over the root screen's window, covering it, it paints the
// background, the logo and the animation frames, holds the progress bar, and runs the bar fade
// and the scale-and-fade exit that the controller asks for. When the controller is dismissed the
// view hides and deletes itself.
//
// Pause and resume follow the application: leaving the active state (another window in front,
// minimised) pauses the animation, coming back resumes it.
//
// Presenting it over the main window at launch, without animation:
//     auto *screen = new AppLoadingScreen(ZEPThemeManager::shared(), colors,
//                                         platform::NotificationCenter::defaultCenter());
//     screen->setAppLogoIcon(QStringLiteral("TidewellLogo"));
//     auto *view = new AppLoadingView(screen, mainWindow);
//     screen->setParent(view); // both go when the splash is dismissed
//     view->load();
//     view->show();
class AppLoadingView : public QWidget {
    Q_OBJECT
public:
    // `root` is the screen the splash covers and zooms into; may be null (the splash then stays).
    AppLoadingView(AppLoadingScreen *controller, QWidget *root);
    ~AppLoadingView() override;

    // The player the controller plays its animation on (owned by this view).
    RlottiePlayer *animationPlayer() const { return m_player; }
    QProgressBar *progressBar() const { return m_progressBar; }

    // Without animations the bar, the fade and the exit change at once (tests and screenshots).
    void setAnimationsEnabled(bool enabled) { m_animationsEnabled = enabled; }

    // Loads the controller (viewDidLoad, once) and applies the colours it resolved.
    void load();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void applyColors();
    void setProgress(double value, bool animated);
    void fadeProgressBar(int durationMs);
    void startExitTransition();
    void paintExit(QPainter &painter);
    QRectF logoRect() const;
    QRectF animationRect() const;
    void followApplicationState();

    AppLoadingScreen *m_controller;
    QPointer<QWidget> m_root;
    RlottiePlayer *m_player;
    QProgressBar *m_progressBar;
    QGraphicsOpacityEffect *m_barOpacity;
    QVariantAnimation *m_exitAnimation = nullptr;
    QColor m_background{0x1C, 0x1C, 0x1E};
    QImage m_logo;
    QPixmap m_rootSnapshot;
    bool m_animationsEnabled = true;
    bool m_exiting = false;
    double m_exitElapsedMs = 0;
};
