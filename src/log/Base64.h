#pragma once

#include <cstddef>
#include <string>

namespace Tarnwick::LogProvider {

// Standard Base64 (RFC 4648 alphabet).
class Base64 {
public:
    // Leaves out the "=" padding.
    static constexpr unsigned NoPadding = 1;
    // Leaves out the CR LF that otherwise follows every 76 output characters (not the last ones).
    static constexpr unsigned NoLineBreaks = 2;

    static std::string Encode(const void* bytes, std::size_t length, unsigned flags);
};

} // namespace Tarnwick::LogProvider
