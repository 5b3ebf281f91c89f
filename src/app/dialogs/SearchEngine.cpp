#include "app/dialogs/SearchEngine.h"

#include <QChar>

#include "base/text/CaseFolding.h"

namespace Tarnwick::Search {

using PasswordADT::PasswordItem;

namespace {

constexpr bool IsHighSurrogate(char16_t c) noexcept { return c >= 0xD800 && c <= 0xDBFF; }
constexpr bool IsLowSurrogate(char16_t c) noexcept { return c >= 0xDC00 && c <= 0xDFFF; }
constexpr char32_t Combine(char16_t high, char16_t low) noexcept {
    return 0x10000 + ((static_cast<char32_t>(high) - 0xD800) << 10) + (static_cast<char32_t>(low) - 0xDC00);
}

// Most text is ASCII: lower-case it without a table search.
inline char16_t Fold(char16_t c) noexcept {
    if (c < 0x80) {
        return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
    }
    return Text::ToLower(c);
}

// The character that ends just before position (a whole surrogate pair counts as one).
char32_t CharacterBefore(std::u16string_view text, std::size_t position) noexcept {
    const char16_t c = text[position - 1];
    if (IsLowSurrogate(c) && position >= 2 && IsHighSurrogate(text[position - 2])) {
        return Combine(text[position - 2], c);
    }
    return c;
}

char32_t CharacterAt(std::u16string_view text, std::size_t position) noexcept {
    const char16_t c = text[position];
    if (IsHighSurrogate(c) && position + 1 < text.size() && IsLowSurrogate(text[position + 1])) {
        return Combine(c, text[position + 1]);
    }
    return c;
}

} // namespace

bool IsWordCharacter(char32_t c) noexcept {
    if (c < 0x80) {
        return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z') || (c >= U'0' && c <= U'9') || c == U'_';
    }
    // A combining mark belongs to the letter before it ("e" and U+0301 are one "é").
    return QChar::isLetter(c) || QChar::isDigit(c) || QChar::isMark(c);
}

bool EqualNoCase(std::u16string_view a, std::u16string_view b) noexcept {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Fold(a[i]) != Fold(b[i])) {
            return false;
        }
    }
    return true;
}

WordMatcher::WordMatcher(std::u16string_view text) : m_lowered(text) {
    Text::ToLowerInPlace(m_lowered.MutableData(), m_lowered.Length());
}

bool WordMatcher::Matches(std::u16string_view field) const noexcept {
    const std::u16string_view needle = m_lowered.View();
    const std::size_t length = needle.size();
    if (length == 0 || length > field.size()) {
        return false;
    }
    const char16_t first = needle.front();
    const std::size_t last = field.size() - length;
    for (std::size_t i = 0; i <= last; ++i) {
        if (Fold(field[i]) != first) {
            continue;
        }
        std::size_t k = 1;
        while (k < length && Fold(field[i + k]) == needle[k]) {
            ++k;
        }
        if (k < length) {
            continue;
        }
        // The first occurrence decides, whatever follows later in the field.
        const std::size_t end = i + length;
        if (i > 0 && IsWordCharacter(CharacterBefore(field, i))) {
            return false;
        }
        return end >= field.size() || !IsWordCharacter(CharacterAt(field, end));
    }
    return false;
}

bool WordMatcher::Matches(const PasswordItem& item, SearchScope scope) const noexcept {
    switch (scope) {
    case SearchScope::Description:
        return Matches(item.GetDescription().View());
    case SearchScope::UserName:
        return Matches(item.GetUserName().View());
    case SearchScope::Comment:
        return Matches(item.GetComment().View());
    case SearchScope::Url:
        return Matches(item.GetUrl().View());
    case SearchScope::AllFields:
        return Matches(item.GetDescription().View()) || Matches(item.GetUserName().View()) ||
               Matches(item.GetUrl().View()) || Matches(item.GetEmail().View()) ||
               Matches(item.GetComment().View());
    }
    return false;
}

SearchResult Search(const PasswordADT::PasswordData& data, std::u16string_view text, SearchScope scope) {
    SearchResult result;
    const WordMatcher matcher(text);
    if (matcher.IsEmpty()) {
        return result;
    }
    const auto& folders = data.Folders();
    for (std::size_t f = 0; f < folders.size(); ++f) {
        if (!folders[f]) {
            result.complete = false;
            result.hits.clear();
            return result;
        }
        const auto& entries = folders[f]->Entries();
        for (std::size_t e = 0; e < entries.size(); ++e) {
            if (entries[e] && matcher.Matches(*entries[e], scope)) {
                result.hits.emplace_back(f, e);
            }
        }
    }
    return result;
}

bool SearchTermCache::Contains(std::u16string_view term) const {
    for (const auto& known : m_terms) {
        if (EqualNoCase(known.View(), term)) {
            return true;
        }
    }
    return false;
}

bool SearchTermCache::Add(std::u16string_view term) {
    if (term.empty() || Contains(term)) {
        return false;
    }
    m_terms.emplace_back(term);
    return true;
}

SearchTermCache& CachedSearchTerms() {
    static SearchTermCache cache;
    return cache;
}

} // namespace Tarnwick::Search
