#include "platform/log.h"

#include <cerrno>
#include <mutex>
#include <unistd.h>

namespace platform {
namespace {
std::mutex &logMutex() {
    static std::mutex mutex;
    return mutex;
}
std::function<void(const QString &)> &logSink() {
    static std::function<void(const QString &)> sink;
    return sink;
}
} // namespace

void log(const QString &line) {
    std::lock_guard lock(logMutex());
    if (logSink()) {
        logSink()(line);
        return;
    }
    // One write per line: standard error is unbuffered, and lines must not interleave.
    const QByteArray utf8 = line.toUtf8() + '\n';
    const char *data = utf8.constData();
    size_t left = size_t(utf8.size());
    while (left > 0) {
        const ssize_t written = ::write(STDERR_FILENO, data, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            break;
        data += written;
        left -= size_t(written);
    }
}

void setLogSink(std::function<void(const QString &)> sink) {
    std::lock_guard lock(logMutex());
    logSink() = std::move(sink);
}

} // namespace platform
