#pragma once

#include <cstddef>
#include <cstdint>
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
                // Short buffers (most strings) are cheaper to write in place, eight bytes at a
                // time, than through a call; the barriers keep the loop a loop of stores.
                const std::uint64_t pattern = fill * 0x0101010101010101ULL;
                std::size_t i = 0;
                for (; i + 8 <= length; i += 8) {
                    std::memcpy(bytes + i, &pattern, 8);
                    __asm__ __volatile__("" : : "r"(bytes) : "memory");
                }
                for (; i < length; ++i) {
                    bytes[i] = fill;
                    __asm__ __volatile__("" : : "r"(bytes) : "memory");
                }
            } else {
                std::memset(bytes, fill, length);
            }
            __asm__ __volatile__("" : : "r"(bytes) : "memory");
        }
    }
}

} // namespace CryptoServiceProvider
