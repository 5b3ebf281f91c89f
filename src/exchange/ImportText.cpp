#include "exchange/ImportText.h"

#include <algorithm>
#include <limits>

#include "crypto/SecureWipe.h"

namespace Tarnwick::Import::Detail {

WipingBuffer::~WipingBuffer() {
    CryptoServiceProvider::SecureWipe(m_text.data(), m_text.capacity() * sizeof(char16_t));
}

void WipingBuffer::Append(std::u16string_view text) {
    if (m_text.size() + text.size() > m_text.capacity()) {
        Grow(text.size());
    }
    m_text.append(text);
}

void WipingBuffer::Clear() noexcept {
    CryptoServiceProvider::SecureWipe(m_text.data(), m_text.size() * sizeof(char16_t));
    m_text.clear();
}

void WipingBuffer::Truncate(std::size_t size) noexcept {
    if (size >= m_text.size()) {
        return;
    }
    CryptoServiceProvider::SecureWipe(m_text.data() + size, (m_text.size() - size) * sizeof(char16_t));
    m_text.resize(size);
}

void WipingBuffer::Grow(std::size_t extra) {
    std::u16string larger;
    larger.reserve(std::max<std::size_t>({m_text.capacity() * 2, m_text.size() + extra, 32}));
    larger.append(m_text);
    CryptoServiceProvider::SecureWipe(m_text.data(), m_text.capacity() * sizeof(char16_t));
    m_text.swap(larger);
}

std::size_t CutLength(std::u16string_view text, std::size_t limit) noexcept {
    if (text.size() <= limit) {
        return text.size();
    }
    std::size_t length = limit;
    // Never keep the first half of a surrogate pair without its second.
    if (length > 0 && text[length - 1] >= 0xD800 && text[length - 1] <= 0xDBFF) {
        --length;
    }
    return length;
}

PlainString ReplaceAll(std::u16string_view text, std::u16string_view from, std::u16string_view to) {
    if (from.empty() || text.find(from) == std::u16string_view::npos) {
        return PlainString(text);
    }
    WipingBuffer out;
    std::size_t at = 0;
    for (;;) {
        const std::size_t found = text.find(from, at);
        if (found == std::u16string_view::npos) {
            out.Append(text.substr(at));
            break;
        }
        out.Append(text.substr(at, found - at));
        out.Append(to);
        at = found + from.size();
    }
    return out.ToPlain();
}

namespace {
char16_t AsciiLower(char16_t ch) noexcept {
    return (ch >= u'A' && ch <= u'Z') ? static_cast<char16_t>(ch + 32) : ch;
}
} // namespace

bool EqualsAsciiNoCase(std::u16string_view a, std::u16string_view b) noexcept {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

bool StartsWithAsciiNoCase(std::u16string_view text, std::u16string_view prefix) noexcept {
    return text.size() >= prefix.size() && EqualsAsciiNoCase(text.substr(0, prefix.size()), prefix);
}

std::u16string_view TrimBlanks(std::u16string_view text) noexcept {
    const auto blank = [](char16_t ch) { return ch == u' ' || ch == u'\t' || ch == u'\r' || ch == u'\n'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool ParseUnsigned(std::u16string_view text, unsigned long long& value) noexcept {
    text = TrimBlanks(text);
    if (text.empty()) {
        return false;
    }
    unsigned long long result = 0;
    for (const char16_t ch : text) {
        if (ch < u'0' || ch > u'9') {
            return false;
        }
        const unsigned digit = static_cast<unsigned>(ch - u'0');
        if (result > (std::numeric_limits<unsigned long long>::max() - digit) / 10) {
            return false;
        }
        result = result * 10 + digit;
    }
    value = result;
    return true;
}

} // namespace Tarnwick::Import::Detail
