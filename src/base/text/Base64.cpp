#include "base/text/Base64.h"

namespace Tarnwick::Text {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::size_t kGroupsPerLine = 19;

int ValueOf(char16_t ch) noexcept {
    if (ch >= u'A' && ch <= u'Z') {
        return ch - u'A';
    }
    if (ch >= u'a' && ch <= u'z') {
        return ch - u'a' + 26;
    }
    if (ch >= u'0' && ch <= u'9') {
        return ch - u'0' + 52;
    }
    if (ch == u'+') {
        return 62;
    }
    if (ch == u'/') {
        return 63;
    }
    return -1;
}

std::size_t EncodedLength(std::size_t length, bool pad, bool breaks) {
    const std::size_t groups = (length + 2) / 3;
    const std::size_t rest = length % 3;
    std::size_t size = pad || rest == 0 ? groups * 4 : (groups - 1) * 4 + rest + 1;
    if (breaks && groups > 0) {
        size += (groups - 1) / kGroupsPerLine * 2;
    }
    return size;
}

} // namespace

std::string Base64::Encode(const void* bytes, std::size_t length, unsigned flags) {
    const auto* in = static_cast<const std::uint8_t*>(bytes);
    const bool pad = (flags & NoPadding) == 0;
    const bool breaks = (flags & NoLineBreaks) == 0;

    std::string out;
    out.reserve(EncodedLength(length, pad, breaks));
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

std::optional<std::vector<std::uint8_t>> Base64::Decode(std::u16string_view text) {
    if (text.size() % 4 != 0) {
        return std::nullopt;
    }
    std::size_t padding = 0;
    while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == u'=') {
        ++padding;
    }
    std::vector<std::uint8_t> out;
    out.reserve(text.size() / 4 * 3);
    const std::size_t digits = text.size() - padding;
    std::uint32_t chunk = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        const int value = ValueOf(text[i]);
        if (value < 0) {
            return std::nullopt;
        }
        chunk = (chunk << 6) | static_cast<std::uint32_t>(value);
        if (i % 4 == 3) {
            out.push_back(static_cast<std::uint8_t>(chunk >> 16));
            out.push_back(static_cast<std::uint8_t>(chunk >> 8));
            out.push_back(static_cast<std::uint8_t>(chunk));
            chunk = 0;
        }
    }
    // The last group: two or three digits carry one or two bytes; the rest must be zero.
    if (padding == 2) {
        if ((chunk & 0x0F) != 0) {
            return std::nullopt;
        }
        out.push_back(static_cast<std::uint8_t>(chunk >> 4));
    } else if (padding == 1) {
        if ((chunk & 0x03) != 0) {
            return std::nullopt;
        }
        out.push_back(static_cast<std::uint8_t>(chunk >> 10));
        out.push_back(static_cast<std::uint8_t>(chunk >> 2));
    }
    return out;
}

} // namespace Tarnwick::Text
