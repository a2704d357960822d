#include "platform/log.h"

#include "platform/uniquefd.h"

#include <cerrno>
#include <mutex>
#include <string>
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
    writeAll(STDERR_FILENO, utf8.constData(), size_t(utf8.size()));
}

void logUtf8(std::string_view lines) {
    std::lock_guard lock(logMutex());
    if (logSink()) {
        logSink()(QString::fromUtf8(lines.data(), qsizetype(lines.size())));
        return;
    }
    std::string text;
    text.reserve(lines.size() + 1);
    text.append(lines).push_back('\n');
    writeAll(STDERR_FILENO, text.data(), text.size());
}

void setLogSink(std::function<void(const QString &)> sink) {
    std::lock_guard lock(logMutex());
    logSink() = std::move(sink);
}

} // namespace platform
