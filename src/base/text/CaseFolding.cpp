#include "base/text/CaseFolding.h"

#include <algorithm>
#include <cstdint>

namespace Tarnwick::Text {

namespace {

struct CaseRun {
    std::uint16_t first;
    std::uint16_t last;
    std::int32_t delta;
    std::uint16_t stride;
};

#include "base/text/CaseMapTable.inc"

template <std::size_t N>
char16_t Map(const CaseRun (&runs)[N], char16_t c) noexcept {
    const auto* it = std::upper_bound(std::begin(runs), std::end(runs), c,
                                      [](char16_t value, const CaseRun& run) { return value < run.first; });
    if (it == std::begin(runs)) {
        return c;
    }
    --it;
    if (c > it->last || (c - it->first) % it->stride != 0) {
        return c;
    }
    return static_cast<char16_t>(c + it->delta);
}

} // namespace

char16_t ToLower(char16_t c) noexcept {
    if (c < 0x80) {
        return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
    }
    return Map(kLowerRuns, c);
}

char16_t ToUpper(char16_t c) noexcept {
    if (c < 0x80) {
        return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
    }
    return Map(kUpperRuns, c);
}

std::u16string ToLower(std::u16string_view text) {
    std::u16string result(text);
    ToLowerInPlace(result.data(), result.size());
    return result;
}

void ToLowerInPlace(char16_t* text, std::size_t length) noexcept {
    for (std::size_t i = 0; i < length; ++i) {
        text[i] = ToLower(text[i]);
    }
}

int CompareNoCase(std::u16string_view a, std::u16string_view b, std::size_t n) noexcept {
    for (std::size_t i = 0; i < n; ++i) {
        const int ca = i < a.size() ? ToLower(a[i]) : 0;
        const int cb = i < b.size() ? ToLower(b[i]) : 0;
        if (ca != cb) {
            return ca - cb;
        }
        if (ca == 0) {
            return 0;
        }
    }
    return 0;
}

bool IsLetter(char16_t c) noexcept {
    if (c < 0x80) {
        return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
    }
    return ToLower(c) != c || ToUpper(c) != c || c == u'ß' || c == 0x00AA || c == 0x00BA;
}

bool IsDigit(char16_t c) noexcept { return c >= u'0' && c <= u'9'; }

} // namespace Tarnwick::Text
