#pragma once

#include <unistd.h>

namespace Tarnwick::Platform {

// Closes a file descriptor on every way out of its scope.
class Descriptor {
public:
    explicit Descriptor(int fd) noexcept : m_fd(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    int Get() const noexcept { return m_fd; }

private:
    int m_fd;
};

} // namespace Tarnwick::Platform
