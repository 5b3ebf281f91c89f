#pragma once

// Small text helpers of the importers. Values read from an export file may be secrets, so
// every buffer that held one is wiped before it is released.

#include <cstddef>
#include <string>
#include <string_view>

#include "crypto/String.h"

namespace Tarnwick::Import::Detail {

using StringServiceProvider::PlainString;

// A growing UTF-16 buffer that wipes what it held whenever it moves or goes.
class WipingBuffer {
public:
    WipingBuffer() = default;
    WipingBuffer(const WipingBuffer&) = delete;
    WipingBuffer& operator=(const WipingBuffer&) = delete;
    ~WipingBuffer();

    void Append(char16_t ch) {
        if (m_text.size() == m_text.capacity()) {
            Grow(1);
        }
        m_text.push_back(ch);
    }
    void Append(std::u16string_view text);
    // Wipes the content; the storage stays for the next value.
    void Clear() noexcept;
    // Wipes and drops everything after the first size code units.
    void Truncate(std::size_t size) noexcept;
    bool IsEmpty() const noexcept { return m_text.empty(); }
    std::size_t Size() const noexcept { return m_text.size(); }
    std::u16string_view View() const noexcept { return m_text; }
    PlainString ToPlain() const { return PlainString(m_text.data(), m_text.size()); }

private:
    void Grow(std::size_t extra);

    std::u16string m_text;
};

// The length of the longest start of text within limit code units that does not end inside
// a surrogate pair.
std::size_t CutLength(std::u16string_view text, std::size_t limit) noexcept;

// Text with every occurrence of from replaced by to.
PlainString ReplaceAll(std::u16string_view text, std::u16string_view from, std::u16string_view to);

// ASCII letters compared without case; other code units exactly.
bool EqualsAsciiNoCase(std::u16string_view a, std::u16string_view b) noexcept;
bool StartsWithAsciiNoCase(std::u16string_view text, std::u16string_view prefix) noexcept;

// Leading and trailing blanks, tabs, CR and LF removed.
std::u16string_view TrimBlanks(std::u16string_view text) noexcept;

// A decimal number without sign (leading and trailing blanks allowed); false when it is none
// or does not fit.
bool ParseUnsigned(std::u16string_view text, unsigned long long& value) noexcept;

} // namespace Tarnwick::Import::Detail
