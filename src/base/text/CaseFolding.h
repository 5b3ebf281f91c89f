#pragma once

#include <string>
#include <string_view>

namespace Tarnwick::Text {

// Simple Unicode case mappings of single UTF-16 code units. They do not depend on the
// process locale, so a user name lower-cased on one machine matches on every other.
char16_t ToLower(char16_t c) noexcept;
char16_t ToUpper(char16_t c) noexcept;
std::u16string ToLower(std::u16string_view text);
// Lower-cases in place (for buffers that must not be copied).
void ToLowerInPlace(char16_t* text, std::size_t length) noexcept;

// Case-insensitive comparison of at most n code units, like _wcsnicmp: <0, 0 or >0.
int CompareNoCase(std::u16string_view a, std::u16string_view b, std::size_t n) noexcept;

// Letter and digit classes (Latin, Greek, Cyrillic and everything with a case mapping).
bool IsLetter(char16_t c) noexcept;
bool IsDigit(char16_t c) noexcept;

} // namespace Tarnwick::Text
