#include "platform/SystemRandom.h"

#include <cerrno>
#include <cstdint>
#include <sys/random.h>

namespace Tarnwick::Platform {

int FillRandom(void* buffer, std::size_t length) noexcept {
    auto* out = static_cast<std::uint8_t*>(buffer);
    while (length > 0) {
        const ssize_t got = getrandom(out, length, 0);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        out += got;
        length -= static_cast<std::size_t>(got);
    }
    return 0;
}

} // namespace Tarnwick::Platform
