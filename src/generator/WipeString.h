#pragma once

#include <string>

#include "crypto/SecureWipe.h"

namespace Tarnwick::PasswordGenerator {

// Wipes a string's whole buffer (what erase left behind the end too), then empties it.
template <typename CharT> void WipeString(std::basic_string<CharT>& text) noexcept {
    text.resize(text.capacity()); // never reallocates
    CryptoServiceProvider::SecureWipe(text.data(), text.size() * sizeof(CharT));
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

} // namespace Tarnwick::PasswordGenerator
