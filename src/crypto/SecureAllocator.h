#pragma once

#include <cstddef>

namespace CryptoServiceProvider {

// Hands out zeroed, 16-byte aligned blocks carved from locked, non-dumpable pages, so that
// many small secrets share few locked pages. Thread-safe.
class SecureAllocator {
public:
    // Throws std::bad_alloc when no memory can be had.
    static void* Allocate(std::size_t bytes);
    // bytes as given to Allocate; the block is zeroed before it is reused.
    static void Release(void* block, std::size_t bytes) noexcept;
};

} // namespace CryptoServiceProvider
