#pragma once

#include <cstddef>
#include <cstring>

namespace CryptoServiceProvider {

// Every caller that wipes secrets uses this many passes.
inline constexpr unsigned kSecureWipePasses = 35;

// Overwrites a buffer pass-count times with zero, 0xFF, zero. The barrier keeps the
// compiler from dropping the stores to memory that is about to be freed.
inline void SecureWipe(void* buffer, std::size_t length, unsigned passes = kSecureWipePasses) noexcept {
    if (buffer == nullptr || length == 0) {
        return;
    }
    for (unsigned pass = 0; pass < passes; ++pass) {
        std::memset(buffer, 0x00, length);
        __asm__ __volatile__("" : : "r"(buffer) : "memory");
        std::memset(buffer, 0xFF, length);
        __asm__ __volatile__("" : : "r"(buffer) : "memory");
        std::memset(buffer, 0x00, length);
        __asm__ __volatile__("" : : "r"(buffer) : "memory");
    }
}

} // namespace CryptoServiceProvider
