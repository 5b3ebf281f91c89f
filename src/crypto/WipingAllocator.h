#pragma once

#include <cstddef>
#include <memory>

#include "crypto/SecureWipe.h"

namespace CryptoServiceProvider {

// Standard allocator that wipes every block before it is freed; for containers whose
// nodes hold characters of a password.
template <typename T> struct WipingAllocator {
    using value_type = T;

    WipingAllocator() noexcept = default;
    template <typename U> WipingAllocator(const WipingAllocator<U>&) noexcept {}

    T* allocate(std::size_t count) { return std::allocator<T>().allocate(count); }
    void deallocate(T* block, std::size_t count) noexcept {
        SecureWipe(block, count * sizeof(T));
        std::allocator<T>().deallocate(block, count);
    }

    template <typename U> friend bool operator==(const WipingAllocator&, const WipingAllocator<U>&) noexcept {
        return true;
    }
};

} // namespace CryptoServiceProvider
