#include "platform/uniquefd.h"

#include <cerrno>
#include <unistd.h>

namespace platform {

bool UniqueFd::reset(int fd) {
    const int old = std::exchange(m_fd, fd);
    return old < 0 || ::close(old) == 0;
}

bool writeAll(int fd, const char *data, size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= size_t(written);
    }
    return true;
}

} // namespace platform
