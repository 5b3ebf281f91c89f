#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace XmlServiceProvider {

// The characters XML 1.0 allows (production Char): tab, line feed, carriage return,
// U+0020..U+D7FF, U+E000..U+FFFD and U+10000..U+10FFFF. Everything else would leave a file
// that no parser reads back.
constexpr bool IsXmlCharacter(char32_t c) noexcept {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

// Whether the character at text[at] is allowed; units is its length in UTF-16 code units (a
// surrogate pair counts as one character, an unpaired surrogate is refused on its own).
inline bool IsXmlCharacterAt(std::u16string_view text, std::size_t at, std::size_t& units) noexcept {
    const char16_t c = text[at];
    if (c >= 0xD800 && c <= 0xDBFF && at + 1 < text.size() && text[at + 1] >= 0xDC00 && text[at + 1] <= 0xDFFF) {
        units = 2;
        return true;
    }
    units = 1;
    return IsXmlCharacter(c);
}

// Whether XML 1.0 can carry every character of the text.
inline bool IsXmlText(std::u16string_view text) noexcept {
    std::size_t units = 0;
    for (std::size_t i = 0; i < text.size(); i += units) {
        if (!IsXmlCharacterAt(text, i, units)) {
            return false;
        }
    }
    return true;
}

// The text without the characters XML 1.0 cannot carry.
inline std::u16string XmlCharactersOnly(std::u16string_view text) {
    std::u16string kept;
    kept.reserve(text.size());
    std::size_t units = 0;
    for (std::size_t i = 0; i < text.size(); i += units) {
        if (IsXmlCharacterAt(text, i, units)) {
            kept.append(text.substr(i, units));
        }
    }
    return kept;
}

} // namespace XmlServiceProvider
