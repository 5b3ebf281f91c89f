#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text/Base64.h"
#include "base/text/Utf.h"
#include "update/Rc4.h"
#include "update/UpdateRequest.h"

namespace {

using namespace Tarnwick::UpdateProvider;

std::vector<std::uint8_t> Encrypt(const std::string& key, const std::string& text) {
    std::vector<std::uint8_t> data(text.begin(), text.end());
    Rc4(reinterpret_cast<const std::uint8_t*>(key.data()), key.size()).Apply(data.data(), data.size());
    return data;
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    for (const std::uint8_t b : bytes) {
        text += kHex[b >> 4];
        text += kHex[b & 15];
    }
    return text;
}

TEST(Rc4, KnownAnswers) {
    // The classic test vectors of the cipher.
    EXPECT_EQ(Hex(Encrypt("Key", "Plaintext")), "bbf316e8d940af0ad3");
    EXPECT_EQ(Hex(Encrypt("Wiki", "pedia")), "1021bf0420");
    EXPECT_EQ(Hex(Encrypt("Secret", "Attack at dawn")), "45a01f645fc35b383552544b9bf5");
    // RFC 6229, 40-bit key 0102030405: the first key stream bytes; a stream applied in pieces
    // goes on where the last piece ended.
    const std::string key("\x01\x02\x03\x04\x05", 5);
    std::vector<std::uint8_t> stream(1024, 0);
    Rc4 cipher(reinterpret_cast<const std::uint8_t*>(key.data()), key.size());
    cipher.Apply(stream.data(), 500);
    cipher.Apply(stream.data() + 500, stream.size() - 500);
    EXPECT_EQ(Hex({stream.begin(), stream.begin() + 16}), "b2396305f03dc027ccc3524a0a1118a8");
    std::vector<std::uint8_t> whole(1024, 0);
    Rc4(reinterpret_cast<const std::uint8_t*>(key.data()), key.size()).Apply(whole.data(), whole.size());
    EXPECT_EQ(stream, whole);
}

TEST(UpdateRequest, EscapesTheServiceSetOnly) {
    EXPECT_EQ(EscapeUrl("AZaz09-_.~/:!'()*"), "AZaz09-_.~/:!'()*");
    EXPECT_EQ(EscapeUrl(";\\?@&=+$, <>#%\"{}|^[]`"),
              "%3B%5C%3F%40%26%3D%2B%24%2C%20%3C%3E%23%25%22%7B%7D%7C%5E%5B%5D%60");
    EXPECT_EQ(EscapeUrl(std::string("\x01\x7f\xc3\xa4", 4)), "%01%7F%C3%A4");
    EXPECT_EQ(EscapeUrl(""), "");
}

TEST(UpdateRequest, ParameterIsJoinedEncryptedAndEscapedSoTheServiceCanReadIt) {
    UpdateParameter parameter;
    parameter.guid = WindowsServiceProvider::Guid(u"0f8fad5b-d9cb-469f-a165-70867728950e");
    parameter.valueA = u"1.17.0.0";
    parameter.text = u"Überall|mit Strich";
    parameter.number = -32;
    parameter.valueB = u"de";
    const std::u16string joined = UpdateParameterEncrypter::JoinParameter(parameter);
    EXPECT_EQ(joined, u"0f8fad5b-d9cb-469f-a165-70867728950e|1.17.0.0|Überall|mit Strich|-32|de|");

    const std::string escaped = UpdateParameterEncrypter::EncryptToString(parameter);
    EXPECT_EQ(escaped.find_first_of("+=?&# "), std::string::npos);
    // What the service does: unescape, Base64, RC4 with the same key.
    std::string base64;
    for (std::size_t k = 0; k < escaped.size(); ++k) {
        if (escaped[k] == '%') {
            base64 += static_cast<char>(std::stoi(escaped.substr(k + 1, 2), nullptr, 16));
            k += 2;
        } else {
            base64 += escaped[k];
        }
    }
    const auto bytes = Tarnwick::Text::Base64::Decode(Tarnwick::Text::FromUtf8(base64));
    ASSERT_TRUE(bytes.has_value());
    const std::string key = UpdateParameterEncrypter::Key();
    ASSERT_EQ(key.size(), 64u);
    std::vector<std::uint8_t> plain = *bytes;
    Rc4(reinterpret_cast<const std::uint8_t*>(key.data()), key.size()).Apply(plain.data(), plain.size());
    EXPECT_EQ(Tarnwick::Text::FromUtf8(std::string(plain.begin(), plain.end())), joined);
}

} // namespace
