#pragma once

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

} // namespace Tarnwick::Text
