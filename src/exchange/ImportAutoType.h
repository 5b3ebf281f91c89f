#pragma once

// Key templates of other managers turned into auto-completion sequences ("{USERNAME}{TAB}...").

#include <string_view>

#include "crypto/String.h"

namespace Tarnwick::Import {

using StringServiceProvider::PlainString;

// Splits the template into tokens that end at every closing character ('}' for KeePass,
// '>' for Password Depot). A token's name is what follows its last opening character
// ('{' or '<'); text outside brackets adds nothing. Names are compared without case: a name
// starting with "USER" gives "{USERNAME}", one starting with "PASS" "{PASSWORD}", and
// "TAB", "ENTER" and "SPACE" give their tokens; any other name adds nothing.
PlainString ConvertAutoTypeTemplate(std::u16string_view text, char16_t closing);

// Password Safe's codes: \u user name, \p password, \t Tab, \n Enter; other codes and
// literal text add nothing.
PlainString ConvertPasswordSafeAutoType(std::u16string_view text);

// KeePass notes with their "Auto-Type: " and "Auto-Type-Window: " lines taken out.
struct NotesAutoType {
    PlainString comment;
    PlainString window;   // text after the first "Auto-Type-Window: "
    PlainString sequence; // text after the first "Auto-Type: ", not yet converted
    bool hasWindow = false;
    bool hasSequence = false;
};

// Each marker's text runs to the next marker or the end of its line; every marker is removed
// with its text, and so is a line that holds nothing else. The first of each kind counts.
NotesAutoType SplitAutoTypeLines(std::u16string_view notes);

} // namespace Tarnwick::Import
