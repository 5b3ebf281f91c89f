#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace Tarnwick::Text {

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);
// The same, appended to out (which keeps its buffer for the next text).
void AppendUtf8(std::u16string_view text, std::string& out);
// UTF-8 to UTF-16; invalid sequences become U+FFFD.
std::u16string FromUtf8(std::string_view text);
// Whether the bytes are well-formed UTF-8.
bool IsValidUtf8(std::string_view text) noexcept;

// The one UTF-8 decoder. Inline, as readers of large files call it for every byte.
enum class Utf8Sequence {
    Valid,
    Invalid,   // a bad lead or continuation byte, an overlong form, a surrogate, beyond U+10FFFF
    Truncated, // the bytes end inside a sequence that is good so far
};

// Reads the sequence at the start of bytes (not empty); when Valid, its code point and length.
inline Utf8Sequence DecodeUtf8Sequence(std::string_view bytes, char32_t& codePoint, std::size_t& length) noexcept {
    const auto lead = static_cast<std::uint8_t>(bytes[0]);
    if (lead < 0x80) {
        codePoint = lead;
        length = 1;
        return Utf8Sequence::Valid;
    }
    std::size_t size = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        size = 2, cp = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        size = 3, cp = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        size = 4, cp = lead & 0x07, minimum = 0x10000;
    } else {
        return Utf8Sequence::Invalid;
    }
    const std::size_t available = size < bytes.size() ? size : bytes.size();
    for (std::size_t i = 1; i < available; ++i) {
        const auto next = static_cast<std::uint8_t>(bytes[i]);
        if ((next & 0xC0) != 0x80) {
            return Utf8Sequence::Invalid;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    if (available < size) {
        return Utf8Sequence::Truncated;
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return Utf8Sequence::Invalid;
    }
    codePoint = cp;
    length = size;
    return Utf8Sequence::Valid;
}

// Hands a code point (not a surrogate) to sink as one or two UTF-16 code units.
template <typename Sink> void PutUtf16(char32_t codePoint, Sink&& sink) {
    if (codePoint >= 0x10000) {
        codePoint -= 0x10000;
        sink(static_cast<char16_t>(0xD800 + (codePoint >> 10)));
        sink(static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF)));
    } else {
        sink(static_cast<char16_t>(codePoint));
    }
}

// Hands the UTF-16 code units of the bytes to sink; every byte that starts no valid sequence
// (a truncated one at the end included) becomes one U+FFFD.
template <typename Sink> void DecodeUtf8(std::string_view bytes, Sink&& sink) {
    for (std::size_t pos = 0; pos < bytes.size();) {
        char32_t cp = 0;
        std::size_t length = 0;
        if (DecodeUtf8Sequence(bytes.substr(pos), cp, length) == Utf8Sequence::Valid) {
            PutUtf16(cp, sink);
            pos += length;
        } else {
            sink(u'\uFFFD');
            ++pos;
        }
    }
}

// Hands the UTF-8 bytes of UTF-16 text to sink; an unpaired surrogate becomes U+FFFD. Callers
// with buffers of their own (wiping ones) encode straight into them.
template <typename Sink> void EncodeUtf8(std::u16string_view text, Sink&& sink) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            sink(static_cast<char>(cp));
        } else if (cp < 0x800) {
            sink(static_cast<char>(0xC0 | (cp >> 6)));
            sink(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            sink(static_cast<char>(0xE0 | (cp >> 12)));
            sink(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            sink(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            sink(static_cast<char>(0xF0 | (cp >> 18)));
            sink(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            sink(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            sink(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
}

} // namespace Tarnwick::Text
