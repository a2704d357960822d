#pragma once

#include "zepcommon/loading/animationplayer.h"

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QTimer>
#include <memory>

namespace rlottie {
class Animation;
}

// Lottie animations through rlottie. Time moves by advance(); while playing, a frame timer calls
// it with the real elapsed time unless automatic advancing is turned off (tests step it). GUI
// thread only; frameChanged fires whenever the shown frame changes.
class RlottiePlayer : public QObject, public AnimationPlayer {
    Q_OBJECT
public:
    explicit RlottiePlayer(QObject *parent = nullptr);
    ~RlottiePlayer() override;

    bool load(const QByteArray &json, const QString &cacheKey) override;
    void setSpeed(double speed) override { m_speed = speed; }
    double speed() const { return m_speed; }
    void play(Completion completion) override;
    void pause() override;
    bool isPlaying() const override { return m_playing; }

    bool isLoaded() const { return static_cast<bool>(m_animation); }
    // Length of one run at speed 1, in seconds; 0 when nothing is loaded.
    double duration() const;
    QSize defaultSize() const;
    size_t currentFrame() const;
    // The current frame drawn at the given size (aspect kept, centred); null when nothing is loaded.
    QImage render(const QSize &size) const;

    void setAutoAdvance(bool enabled) { m_autoAdvance = enabled; }
    // Moves the animation on by `seconds` of wall time (scaled by the speed).
    void advance(double seconds);

signals:
    void frameChanged();

private:
    void onFrameTimer();

    std::unique_ptr<rlottie::Animation> m_animation;
    double m_speed = 1;
    double m_position = 0; // seconds into the animation at speed 1
    bool m_playing = false;
    bool m_autoAdvance = true;
    Completion m_completion;
    QTimer m_frameTimer;
    QElapsedTimer m_sinceLastFrame;
};
