#pragma once

#include <cstddef>
#include <utility>

namespace platform {

// Owns one file descriptor and closes it when it goes; -1 holds none. Move-only.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd)
        : m_fd(fd) {}
    UniqueFd(UniqueFd &&other) noexcept
        : m_fd(std::exchange(other.m_fd, -1)) {}
    UniqueFd &operator=(UniqueFd &&other) noexcept {
        if (this != &other)
            reset(std::exchange(other.m_fd, -1));
        return *this;
    }
    UniqueFd(const UniqueFd &) = delete;
    UniqueFd &operator=(const UniqueFd &) = delete;
    ~UniqueFd() { reset(); }

    int get() const { return m_fd; }
    bool isValid() const { return m_fd >= 0; }
    explicit operator bool() const { return isValid(); }
    // Gives up ownership without closing.
    int release() { return std::exchange(m_fd, -1); }
    // Closes the descriptor held (if any) and takes fd; answers whether that close succeeded,
    // which matters after writes: a failed close may be the first sign of a failed write.
    bool reset(int fd = -1);

private:
    int m_fd = -1;
};

// Writes all bytes, going on after short writes and interrupted calls. False on the first error
// (errno tells which) or when the descriptor takes no more bytes.
bool writeAll(int fd, const char *data, size_t size);

} // namespace platform
