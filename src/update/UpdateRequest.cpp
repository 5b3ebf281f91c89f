#include "update/UpdateRequest.h"

#include <array>
#include <vector>

#include "base/text/Base64.h"
#include "base/text/Utf.h"
#include "update/Rc4.h"

namespace Tarnwick::UpdateProvider {

namespace {

bool IsUnsafe(unsigned char c) {
    switch (c) {
    case ';': case '\\': case '?': case '@': case '&': case '=': case '+': case '$': case ',':
    case ' ': case '<': case '>': case '#': case '%': case '"': case '{': case '}': case '|':
    case '^': case '[': case ']': case '`':
        return true;
    default:
        return c < 32 || c > 126;
    }
}

// Two halves whose XOR is the key.
constexpr std::array<std::uint8_t, 64> kMask = {
    0x3b, 0x91, 0x5e, 0xc2, 0x07, 0x6a, 0xd4, 0x18, 0xa9, 0x4f, 0xe3, 0x72, 0x0d, 0xb6, 0x58, 0x2c,
    0x95, 0x61, 0xfa, 0x33, 0xc8, 0x1e, 0x87, 0x4b, 0x20, 0xdd, 0x6f, 0xb0, 0x13, 0x9c, 0x45, 0xe8,
    0x7a, 0x02, 0xcf, 0x56, 0xb9, 0x24, 0x8d, 0x6e, 0xf1, 0x37, 0x4a, 0xa3, 0x1c, 0xd8, 0x65, 0x90,
    0x0b, 0xe6, 0x39, 0x74, 0xc5, 0x8a, 0x2f, 0x53, 0xbe, 0x17, 0x68, 0xf4, 0x81, 0x3d, 0xa6, 0x5c};
constexpr std::array<std::uint8_t, 64> kBody = {
    0x70, 0xf4, 0x2c, 0x8f, 0x66, 0x18, 0xb1, 0x38, 0xfc, 0x3f, 0x87, 0x13, 0x79, 0xd3, 0x1a, 0x4d,
    0xe1, 0x04, 0xb6, 0x13, 0x9c, 0x7f, 0xf5, 0x2c, 0x49, 0xb3, 0x4f, 0xe4, 0x72, 0xee, 0x2b, 0x87,
    0x0d, 0x69, 0xef, 0x1f, 0xd7, 0x52, 0xe8, 0x1c, 0x82, 0x5e, 0x25, 0xcd, 0x3c, 0x8a, 0x00, 0xf3,
    0x7e, 0x8a, 0x5c, 0x1a, 0xa4, 0xe4, 0x4b, 0x73, 0xef, 0x62, 0x0d, 0x87, 0xe4, 0x1d, 0x97, 0x6e};

} // namespace

std::string EscapeUrl(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (IsUnsafe(c)) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += ch;
        }
    }
    return out;
}

std::string UpdateParameterEncrypter::Key() {
    std::string key(kBody.size(), '\0');
    for (std::size_t k = 0; k < key.size(); ++k) {
        key[k] = static_cast<char>(kBody[k] ^ kMask[k]);
    }
    return key;
}

std::u16string UpdateParameterEncrypter::JoinParameter(const UpdateParameter& parameter) {
    std::u16string text;
    for (const std::u16string& value :
         {parameter.guid.ToString(), parameter.valueA, parameter.text,
          Text::FromUtf8(std::to_string(parameter.number)), parameter.valueB}) {
        text += value;
        text += u'|';
    }
    return text;
}

std::string UpdateParameterEncrypter::EncryptToString(const UpdateParameter& parameter) {
    std::string bytes = Text::ToUtf8(JoinParameter(parameter));
    const std::string key = Key();
    Rc4(reinterpret_cast<const std::uint8_t*>(key.data()), key.size())
        .Apply(reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size());
    return EscapeUrl(Text::Base64::Encode(bytes.data(), bytes.size(), Text::Base64::NoLineBreaks));
}

} // namespace Tarnwick::UpdateProvider
