#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "crypto/ProtectedMemory.h"
#include "crypto/SecureWipe.h"
#include "crypto/String.h"

namespace StringServiceProvider {

// Secret text: kept encrypted in a ProtectedMemory block and decrypted only while it is
// copied in or out. An empty string has no buffer.
template <typename CharT>
class String<CharT, SecureMemoryPolicy> {
public:
    using value_type = CharT;
    using view_type = std::basic_string_view<CharT>;
    using Plain = String<CharT, DefaultMemoryPolicy>;

    String() noexcept = default;
    String(const CharT* text, std::size_t length) { Assign(text, length); }
    explicit String(view_type text) { Assign(text.data(), text.size()); }
    explicit String(const Plain& text) { Assign(text.Data(), text.Length()); }
    // Copies go through a plain copy of the other's text, wiped right after.
    String(const String& other) {
        Plain plain;
        other.Read(plain);
        Assign(plain.Data(), plain.Length());
    }
    String(String&& other) noexcept : m_length(other.m_length), m_memory(std::move(other.m_memory)) {
        other.m_length = 0;
    }
    String& operator=(const String& other) {
        if (this != &other) {
            Plain plain;
            other.Read(plain);
            Assign(plain.Data(), plain.Length());
        }
        return *this;
    }
    String& operator=(String&& other) noexcept {
        if (this != &other) {
            m_memory = std::move(other.m_memory);
            m_length = other.m_length;
            other.m_length = 0;
        }
        return *this;
    }
    ~String() = default;

    // Frees the old buffer, then stores and protects the text.
    void Assign(const CharT* text, std::size_t length) {
        m_memory.Free();
        m_length = 0;
        if (text == nullptr || length == 0) {
            return;
        }
        const std::int64_t bytes = static_cast<std::int64_t>(length) * static_cast<std::int64_t>(sizeof(CharT));
        try {
            m_memory.Allocate(bytes);
            m_memory.WriteIntoMemory(text, bytes);
            m_memory.Protect();
        } catch (...) {
            // Never leave the text in the clear behind a failure.
            m_memory.Free();
            throw;
        }
        m_length = static_cast<std::int32_t>(length);
    }
    void Assign(view_type text) { Assign(text.data(), text.size()); }

    // Decrypts into a plain string and protects again. An empty secret empties out.
    void Read(Plain& out) const {
        if (m_length == 0) {
            out.Clear();
            return;
        }
        m_memory.Unprotect();
        try {
            // Straight from the buffer into the plain string's own storage.
            out.Assign(reinterpret_cast<const CharT*>(m_memory.RawBuffer() +
                                                      CryptoServiceProvider::ProtectedMemory::kPrefixLength),
                       static_cast<std::size_t>(m_length));
        } catch (...) {
            m_memory.Protect();
            throw;
        }
        m_memory.Protect();
    }

    // A plain copy for a single use; it wipes itself when it goes.
    Plain Reveal() const {
        Plain plain;
        Read(plain);
        return plain;
    }

    // Same length and the same code units.
    bool Equals(view_type text) const {
        if (static_cast<std::size_t>(m_length) != text.size()) {
            return false;
        }
        if (m_length == 0) {
            return true;
        }
        const Plain plain = Reveal();
        return plain.View() == text;
    }
    bool Equals(const String& other) const {
        if (m_length != other.m_length) {
            return false;
        }
        if (m_length == 0) {
            return true;
        }
        const Plain plain = other.Reveal();
        return Equals(plain.View());
    }

    void Clear() noexcept {
        m_memory.Free();
        m_length = 0;
    }
    std::size_t Length() const noexcept { return static_cast<std::size_t>(m_length); }
    bool IsEmpty() const noexcept { return m_length == 0; }
    // For tests and size checks; the buffer is protected whenever it is not being read.
    const CryptoServiceProvider::ProtectedMemory& Memory() const noexcept { return m_memory; }

private:
    std::int32_t m_length = 0;
    mutable CryptoServiceProvider::ProtectedMemory m_memory;
};

using SecureString = String<char16_t, SecureMemoryPolicy>;

} // namespace StringServiceProvider
