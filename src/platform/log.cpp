#include "platform/log.h"

#include <cstdio>
#include <mutex>

namespace platform {
namespace {
std::mutex &logMutex()
{
    static std::mutex mutex;
    return mutex;
}
std::function<void(const QString &)> &logSink()
{
    static std::function<void(const QString &)> sink;
    return sink;
}
} // namespace

void log(const QString &line)
{
    std::lock_guard lock(logMutex());
    if (logSink()) {
        logSink()(line);
        return;
    }
    const QByteArray utf8 = line.toUtf8();
    std::fwrite(utf8.constData(), 1, size_t(utf8.size()), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

void setLogSink(std::function<void(const QString &)> sink)
{
    std::lock_guard lock(logMutex());
    logSink() = std::move(sink);
}

} // namespace platform
