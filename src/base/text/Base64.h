#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Tarnwick::Text {

// Standard Base64 (RFC 4648 alphabet "A-Za-z0-9+/").
class Base64 {
public:
    // Leaves out the "=" padding.
    static constexpr unsigned NoPadding = 1;
    // Leaves out the CR LF that otherwise follows every 76 output characters (not the last ones).
    static constexpr unsigned NoLineBreaks = 2;

    // The text is written into a buffer reserved at its exact size: encoding a secret leaves no
    // stray copy behind in a buffer that grew.
    static std::string Encode(const void* bytes, std::size_t length, unsigned flags);

    // Strict: only the alphabet, padded to whole groups of four, no white space or line breaks,
    // and the bits the padding leaves over must be zero. Nothing for any other text.
    static std::optional<std::vector<std::uint8_t>> Decode(std::u16string_view text);
};

} // namespace Tarnwick::Text
