#include "base/text/Utf.h"

#include <cstdint>

namespace Tarnwick::Text {

std::string ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    AppendUtf8(text, out);
    return out;
}

void AppendUtf8(std::u16string_view text, std::string& out) {
    EncodeUtf8(text, [&](char c) { out.push_back(c); });
}

std::u16string FromUtf8(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    DecodeUtf8(text, [&](char16_t unit) { out.push_back(unit); });
    return out;
}

bool IsValidUtf8(std::string_view text) noexcept {
    for (std::size_t pos = 0; pos < text.size();) {
        char32_t cp = 0;
        std::size_t length = 0;
        if (DecodeUtf8Sequence(text.substr(pos), cp, length) != Utf8Sequence::Valid) {
            return false;
        }
        pos += length;
    }
    return true;
}

} // namespace Tarnwick::Text
