#pragma once

#include <cstdint>
#include <string_view>

namespace Tarnwick::Text {

// Reads a number as the C library's wcstoll does — leading blanks, an optional sign, the
// leading decimal digits (0 when there are none) — but values beyond 64 bits saturate instead
// of overflowing. For numbers from files a user may have edited by hand.
std::int64_t ParseSaturatedInteger(std::u16string_view text) noexcept;

} // namespace Tarnwick::Text
