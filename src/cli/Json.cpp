#include "cli/Json.h"

#include <cstdio>

#include "base/text/Utf.h"

namespace Tarnwick::Cli::Json {

std::string Quote(std::string_view utf8) {
    std::string out = "\"";
    for (const char raw : utf8) {
        const auto c = static_cast<unsigned char>(raw);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            } else {
                out.push_back(raw);
            }
        }
    }
    out.push_back('"');
    return out;
}

std::string Quote(std::u16string_view text) { return Quote(Text::ToUtf8(text)); }

} // namespace Tarnwick::Cli::Json
