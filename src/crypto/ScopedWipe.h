#pragma once

#include <cstddef>

#include "SecureWipe.h"

namespace CryptoServiceProvider {

// Wipes a buffer when the scope ends, on the normal path and when an exception leaves it.
class ScopedWipe {
public:
    ScopedWipe(void* buffer, std::size_t length, unsigned passes = kSecureWipePasses) noexcept
        : m_buffer(buffer), m_length(length), m_passes(passes) {}
    ScopedWipe(const ScopedWipe&) = delete;
    ScopedWipe& operator=(const ScopedWipe&) = delete;
    ~ScopedWipe() { SecureWipe(m_buffer, m_length, m_passes); }

private:
    void* m_buffer;
    std::size_t m_length;
    unsigned m_passes;
};

} // namespace CryptoServiceProvider
