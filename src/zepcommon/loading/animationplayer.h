#pragma once

#include <QByteArray>
#include <functional>

// Plays one Lottie animation once, at a chosen speed, with an end callback.
class AnimationPlayer {
public:
    // finished is true when the animation reached its end, false when it was paused or replaced.
    using Completion = std::function<void(bool finished)>;

    virtual ~AnimationPlayer() = default;
    // Decodes the animation; false (and nothing loaded) when it is no valid animation.
    virtual bool load(const QByteArray &json, const QString &cacheKey) = 0;
    virtual void setSpeed(double speed) = 0;
    // Plays from the current position to the end. A completion still waiting gets false first.
    virtual void play(Completion completion) = 0;
    // Stops where it is; a waiting completion gets false.
    virtual void pause() = 0;
    virtual bool isPlaying() const = 0;
};
