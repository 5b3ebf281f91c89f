#pragma once

#include <cstddef>
#include <cstring>
#include <initializer_list>

namespace CryptoServiceProvider {

// Every caller that wipes secrets uses this many passes.
inline constexpr unsigned kSecureWipePasses = 35;

// Overwrites a buffer pass-count times with zero, 0xFF, zero. The barrier keeps the
// compiler from dropping the stores to memory that is about to be freed.
inline void SecureWipe(void* buffer, std::size_t length, unsigned passes = kSecureWipePasses) noexcept {
    if (buffer == nullptr || length == 0) {
        return;
    }
    auto* bytes = static_cast<unsigned char*>(buffer);
    for (unsigned pass = 0; pass < passes; ++pass) {
        for (const unsigned char fill : {0x00, 0xFF, 0x00}) {
            if (length <= 64) {
                // Short buffers (most strings) are cheaper to write in place than through a call.
                for (std::size_t i = 0; i < length; ++i) {
                    bytes[i] = fill;
                }
            } else {
                std::memset(bytes, fill, length);
            }
            __asm__ __volatile__("" : : "r"(bytes) : "memory");
        }
    }
}

} // namespace CryptoServiceProvider
