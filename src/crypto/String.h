#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <string>
#include <string_view>

#include "SecureWipe.h"

namespace StringServiceProvider {

// Text in an ordinary heap buffer, wiped before it is released.
struct DefaultMemoryPolicy {};
// Text in a ProtectedMemory block, encrypted while it is not read.
struct SecureMemoryPolicy {};

template <typename CharT, typename MemoryPolicy>
class String;

template <typename CharT>
class String<CharT, DefaultMemoryPolicy> {
public:
    using value_type = CharT;
    using view_type = std::basic_string_view<CharT>;

    String() noexcept = default;
    String(const CharT* text) { // NOLINT: implicit like a C string literal
        if (text != nullptr) {
            Assign(text, std::char_traits<CharT>::length(text));
        }
    }
    String(const CharT* text, std::size_t length) { Assign(text, length); }
    explicit String(view_type text) { Assign(text.data(), text.size()); }
    explicit String(const std::basic_string<CharT>& text) { Assign(text.data(), text.size()); }
    String(const String& other) { Assign(other.m_text, other.m_length); }
    String(String&& other) noexcept : m_text(other.m_text), m_length(other.m_length), m_capacity(other.m_capacity) {
        other.m_text = nullptr;
        other.m_length = 0;
        other.m_capacity = 0;
    }
    String& operator=(const String& other) {
        if (this != &other) {
            Assign(other.m_text, other.m_length);
        }
        return *this;
    }
    String& operator=(String&& other) noexcept {
        if (this != &other) {
            Clear();
            m_text = other.m_text;
            m_length = other.m_length;
            m_capacity = other.m_capacity;
            other.m_text = nullptr;
            other.m_length = 0;
            other.m_capacity = 0;
        }
        return *this;
    }
    ~String() { Clear(); }

    void Assign(const CharT* text, std::size_t length) {
        if (text == nullptr || length == 0) {
            Clear();
            return;
        }
        if (m_text != nullptr && length <= m_capacity && (text < m_text || text > m_text + m_capacity)) {
            // The new text overwrites the old one in place; what it does not cover is wiped.
            std::char_traits<CharT>::copy(m_text, text, length);
            if (m_length > length) {
                CryptoServiceProvider::SecureWipe(m_text + length, (m_length - length) * sizeof(CharT));
            }
            m_text[length] = CharT();
            m_length = length;
            return;
        }
        CharT* fresh = new CharT[length + 1];
        std::char_traits<CharT>::copy(fresh, text, length);
        fresh[length] = CharT();
        Clear();
        m_text = fresh;
        m_length = length;
        m_capacity = length;
    }
    void Assign(view_type text) { Assign(text.data(), text.size()); }

    // Appends; the old buffer is wiped when the text moves.
    void Append(view_type text) {
        if (text.empty()) {
            return;
        }
        const std::size_t total = m_length + text.size();
        CharT* fresh = new CharT[total + 1];
        if (m_length != 0) {
            std::char_traits<CharT>::copy(fresh, m_text, m_length);
        }
        std::char_traits<CharT>::copy(fresh + m_length, text.data(), text.size());
        fresh[total] = CharT();
        Clear();
        m_text = fresh;
        m_length = total;
        m_capacity = total;
    }

    // Wipes and releases the text.
    void Clear() noexcept {
        if (m_text != nullptr) {
            CryptoServiceProvider::SecureWipe(m_text, (m_capacity + 1) * sizeof(CharT));
            delete[] m_text;
            m_text = nullptr;
        }
        m_length = 0;
        m_capacity = 0;
    }

    std::size_t Length() const noexcept { return m_length; }
    bool IsEmpty() const noexcept { return m_length == 0; }
    // Never null; terminated.
    const CharT* Data() const noexcept { return m_text != nullptr ? m_text : kEmpty; }
    const CharT* c_str() const noexcept { return Data(); }
    // For in-place edits of the existing text (length stays).
    CharT* MutableData() noexcept { return m_text; }
    view_type View() const noexcept { return view_type(Data(), m_length); }
    std::basic_string<CharT> ToStdString() const { return std::basic_string<CharT>(View()); }
    CharT operator[](std::size_t index) const noexcept { return m_text[index]; }

    friend bool operator==(const String& a, const String& b) noexcept { return a.View() == b.View(); }
    friend bool operator==(const String& a, view_type b) noexcept { return a.View() == b; }
    friend bool operator==(const String& a, const CharT* b) noexcept {
        return b == nullptr ? a.IsEmpty() : a.View() == view_type(b);
    }

private:
    static constexpr CharT kEmpty[1] = {CharT()};
    CharT* m_text = nullptr;
    std::size_t m_length = 0;
    // Room for this many code units (plus the terminator); the text may be shorter.
    std::size_t m_capacity = 0;
};

using PlainString = String<char16_t, DefaultMemoryPolicy>;

} // namespace StringServiceProvider
