#pragma once

#include <cstddef>
#include <string>

#include "crypto/SecureWipe.h"

namespace CryptoServiceProvider {

// Wipes a buffer when the scope ends, on every path out, exceptions included.
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

// Wipes a string's whole buffer (what erase left behind the end too), then empties it.
template <typename CharT, typename Traits, typename Allocator>
void WipeString(std::basic_string<CharT, Traits, Allocator>& text) noexcept {
    text.resize(text.capacity()); // never reallocates
    SecureWipe(text.data(), text.size() * sizeof(CharT));
    text.clear();
}

// Wipes the string when the scope ends.
template <typename CharT> class ScopedStringWipe {
public:
    explicit ScopedStringWipe(std::basic_string<CharT>& text) noexcept : m_text(text) {}
    ScopedStringWipe(const ScopedStringWipe&) = delete;
    ScopedStringWipe& operator=(const ScopedStringWipe&) = delete;
    ~ScopedStringWipe() { WipeString(m_text); }

private:
    std::basic_string<CharT>& m_text;
};

} // namespace CryptoServiceProvider
