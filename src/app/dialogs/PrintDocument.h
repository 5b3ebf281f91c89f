#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/views/EntryDrag.h"
#include "crypto/WipingAllocator.h"
#include "model/PasswordData.h"

namespace Tarnwick::Printing {

// Text that may hold passwords: every block it lets go of is wiped.
using HtmlBuffer = std::basic_string<char16_t, std::char_traits<char16_t>, CryptoServiceProvider::WipingAllocator<char16_t>>;

struct PrintOptions {
    bool folderNames = true; // "&Ordnernamen drucken"
    bool passwords = false;  // "&Passwörter drucken"
    bool allData = false;    // "&Alle Daten drucken (Kommentar, benutzerdefinierte Felder, etc.)"
};

// Shown in place of a password that is not printed: eight U+25CF BLACK CIRCLE.
inline constexpr std::u16string_view kPasswordMask = u"\u25CF\u25CF\u25CF\u25CF\u25CF\u25CF\u25CF\u25CF";

// Appends text for an HTML document: the quote, apostrophe, ampersand and angle brackets
// as named entities, a surrogate pair as "&#x%06X;" with its code point, every other
// character outside 32..126 as "&#x%04X;", the rest as it is.
void AppendEscaped(HtmlBuffer& out, std::u16string_view text);
std::u16string Escape(std::u16string_view text);

// A folder's name after the names of its parent folders, joined with backslashes.
std::u16string FolderPath(const PasswordADT::PasswordData& data, std::size_t position);

// "%d.%m.%Y um %H:%M Uhr" in local time.
std::u16string FormatPrintTime(std::int64_t seconds);

// The document for the checked entries (folder position, entry position) in their order:
// one table per folder in the order the folders first appear, the footer with now. Empty
// when no entry is checked. Passwords appear in it only when options.passwords is set.
HtmlBuffer BuildDocument(const PasswordADT::PasswordData& data, const std::vector<Views::EntryPosition>& checked,
                         const PrintOptions& options, std::int64_t now);

} // namespace Tarnwick::Printing
