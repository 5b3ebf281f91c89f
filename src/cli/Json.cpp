#include "cli/Json.h"

#include <cstdio>
#include <ctime>

#include "base/text/Utf.h"

namespace Tarnwick::Cli::Json {

namespace {

// One byte of UTF-8 as it stands inside a JSON string.
template <typename Out> void PutEscaped(Out& out, char raw) {
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
            static constexpr char kHex[] = "0123456789abcdef";
            out += "\\u00";
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 0xF]);
        } else {
            out.push_back(raw);
        }
    }
}

} // namespace

void AppendQuoted(Buffer& out, std::u16string_view text) {
    out.push_back('"');
    Text::EncodeUtf8(text, [&](char c) { PutEscaped(out, c); });
    out.push_back('"');
}

void AppendQuoted(Buffer& out, std::string_view utf8) {
    out.push_back('"');
    for (const char c : utf8) {
        PutEscaped(out, c);
    }
    out.push_back('"');
}

std::string Quote(std::string_view utf8) {
    std::string out = "\"";
    for (const char c : utf8) {
        PutEscaped(out, c);
    }
    out.push_back('"');
    return out;
}

std::string Quote(std::u16string_view text) {
    std::string out = "\"";
    Text::EncodeUtf8(text, [&](char c) { PutEscaped(out, c); });
    out.push_back('"');
    return out;
}

std::string IsoTime(std::int64_t seconds) {
    const auto time = static_cast<std::time_t>(seconds);
    std::tm parts{};
    if (gmtime_r(&time, &parts) == nullptr) {
        return {};
    }
    char text[32];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return std::string(text, length);
}

} // namespace Tarnwick::Cli::Json
