#include "zepcommon/loading/rlottieplayer.h"

#include <algorithm>
#include <cmath>
#include <rlottie.h>

RlottiePlayer::RlottiePlayer(QObject *parent)
    : QObject(parent) {
    connect(&m_frameTimer, &QTimer::timeout, this, &RlottiePlayer::onFrameTimer);
}

RlottiePlayer::~RlottiePlayer() = default;

bool RlottiePlayer::load(const QByteArray &json, const QString &cacheKey) {
    pause();
    m_position = 0;
    // rlottie keeps its own copy of the text; a splash animation is shown once, so no cache.
    m_animation =
        rlottie::Animation::loadFromData(json.toStdString(), cacheKey.toStdString(), std::string(), false);
    if (m_animation && (m_animation->totalFrame() == 0 || m_animation->frameRate() <= 0))
        m_animation.reset(); // nothing to play
    emit frameChanged();
    return isLoaded();
}

double RlottiePlayer::duration() const {
    return m_animation ? m_animation->duration() : 0;
}

QSize RlottiePlayer::defaultSize() const {
    if (!m_animation)
        return {};
    size_t width = 0;
    size_t height = 0;
    m_animation->size(width, height);
    return QSize(static_cast<int>(width), static_cast<int>(height));
}

size_t RlottiePlayer::currentFrame() const {
    if (!m_animation)
        return 0;
    const size_t last = m_animation->totalFrame() - 1;
    return std::min(last, static_cast<size_t>(std::floor(m_position * m_animation->frameRate())));
}

QImage RlottiePlayer::render(const QSize &size) const {
    if (!m_animation || size.isEmpty())
        return {};
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    image.fill(Qt::transparent);
    rlottie::Surface surface(reinterpret_cast<uint32_t *>(image.bits()), static_cast<size_t>(image.width()),
                             static_cast<size_t>(image.height()), static_cast<size_t>(image.bytesPerLine()));
    m_animation->renderSync(currentFrame(), surface, true);
    return image;
}

void RlottiePlayer::play(Completion completion) {
    if (!m_animation)
        return;
    if (m_completion)
        std::exchange(m_completion, nullptr)(false);
    m_completion = std::move(completion);
    if (m_position >= duration())
        m_position = 0; // a finished animation plays again from the start
    m_playing = true;
    if (m_autoAdvance) {
        m_sinceLastFrame.start();
        m_frameTimer.start(static_cast<int>(1000 / std::max(1.0, m_animation->frameRate())));
    }
}

void RlottiePlayer::pause() {
    m_frameTimer.stop();
    m_playing = false;
    if (m_completion)
        std::exchange(m_completion, nullptr)(false);
}

void RlottiePlayer::onFrameTimer() {
    advance(m_sinceLastFrame.restart() / 1000.0);
}

void RlottiePlayer::advance(double seconds) {
    if (!m_playing || !m_animation)
        return;
    m_position = std::min(duration(), m_position + seconds * m_speed);
    emit frameChanged();
    if (m_position < duration())
        return;
    m_frameTimer.stop();
    m_playing = false;
    if (m_completion)
        std::exchange(m_completion, nullptr)(true);
}
