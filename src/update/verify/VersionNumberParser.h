#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace Tarnwick::UpdateProvider {

// Four-part version texts "major.minor.build.revision".
class VersionNumberParser {
public:
    using Version = std::array<std::int32_t, 4>;

    // Each part is read like the C library's string-to-integer conversion (leading blanks and a
    // sign allowed, reading stops at the first other character). Throws
    // Exception("empty version", "VersionNumberParser::ParseVersion") for an empty text and
    // Exception("invalid version format", "VersionNumberParser::VerifyFormat") for one with
    // fewer than three dots.
    static Version ParseVersion(std::u16string_view text);

    // Whether update is newer than current: the first part that differs is greater.
    static bool IsNewer(std::u16string_view update, std::u16string_view current);
};

} // namespace Tarnwick::UpdateProvider
