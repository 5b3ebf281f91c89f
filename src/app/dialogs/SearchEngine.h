#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "app/views/EntryDrag.h"
#include "crypto/String.h"
#include "model/PasswordData.h"

namespace Tarnwick::Search {

// The fields a search looks at. The first four are the search dialog's scopes, in the order
// of its list; AllFields (the main window's filter) adds the e-mail address to all four.
enum class SearchScope : std::uint32_t { Description = 0, UserName = 1, Comment = 2, Url = 3, AllFields = 4 };

// What words are made of: letters, digits and combining marks of every script, and the
// underscore. The same on every machine, whatever the locale.
bool IsWordCharacter(char32_t c) noexcept;

// The whole-word test. The text is lower-cased once; a field matches when the first
// occurrence of the text in it (compared without regard to case) has no word character
// directly before or after it. Only the first occurrence counts.
class WordMatcher {
public:
    explicit WordMatcher(std::u16string_view text);

    bool IsEmpty() const noexcept { return m_lowered.IsEmpty(); }
    bool Matches(std::u16string_view field) const noexcept;
    bool Matches(const PasswordADT::PasswordItem& item, SearchScope scope) const noexcept;

private:
    StringServiceProvider::PlainString m_lowered;
};

struct SearchResult {
    // False when a folder slot held no folder; the search stopped there.
    bool complete = true;
    // (folder position, entry position) in folder order, and in entry order within a folder.
    std::vector<Views::EntryPosition> hits;
};

// Every entry of every folder whose field in the scope passes the whole-word test.
SearchResult Search(const PasswordADT::PasswordData& data, std::u16string_view text, SearchScope scope);

// The terms the user asked to keep, for the life of the process; never written anywhere.
// Terms are unique without regard to case; the most recent one is last.
class SearchTermCache {
public:
    const std::vector<StringServiceProvider::PlainString>& Terms() const noexcept { return m_terms; }
    bool Contains(std::u16string_view term) const;
    // False for an empty term and for one that is there already.
    bool Add(std::u16string_view term);
    void Clear() noexcept { m_terms.clear(); }

private:
    std::vector<StringServiceProvider::PlainString> m_terms;
};

// The cache of this process.
SearchTermCache& CachedSearchTerms();

// Equal after the locale-independent lower-casing.
bool EqualNoCase(std::u16string_view a, std::u16string_view b) noexcept;

} // namespace Tarnwick::Search
