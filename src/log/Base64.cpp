#include "log/Base64.h"

#include <cstdint>

namespace Tarnwick::LogProvider {

std::string Base64::Encode(const void* bytes, std::size_t length, unsigned flags) {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    constexpr std::size_t kGroupsPerLine = 19;
    const auto* in = static_cast<const std::uint8_t*>(bytes);
    const bool pad = (flags & NoPadding) == 0;
    const bool breaks = (flags & NoLineBreaks) == 0;

    std::string out;
    out.reserve((length + 2) / 3 * 4 + (breaks ? (length / 57) * 2 : 0));
    std::size_t groups = 0;
    for (std::size_t i = 0; i < length; i += 3) {
        if (breaks && groups != 0 && groups % kGroupsPerLine == 0) {
            out += "\r\n";
        }
        const std::size_t left = length - i;
        const std::uint32_t chunk = (std::uint32_t{in[i]} << 16) |
                                    (left > 1 ? std::uint32_t{in[i + 1]} << 8 : 0) |
                                    (left > 2 ? std::uint32_t{in[i + 2]} : 0);
        out.push_back(kAlphabet[(chunk >> 18) & 0x3F]);
        out.push_back(kAlphabet[(chunk >> 12) & 0x3F]);
        if (left > 1) {
            out.push_back(kAlphabet[(chunk >> 6) & 0x3F]);
        } else if (pad) {
            out.push_back('=');
        }
        if (left > 2) {
            out.push_back(kAlphabet[chunk & 0x3F]);
        } else if (pad) {
            out.push_back('=');
        }
        ++groups;
    }
    return out;
}

} // namespace Tarnwick::LogProvider
