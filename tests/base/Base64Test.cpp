#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "base/text/Base64.h"

using Tarnwick::Text::Base64;

namespace {

std::string Encode(const std::string& bytes, unsigned flags) {
    return Base64::Encode(bytes.data(), bytes.size(), flags);
}

} // namespace

TEST(Base64, Rfc4648Vectors) {
    const std::pair<const char*, const char*> vectors[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
    };
    for (const auto& [plain, encoded] : vectors) {
        EXPECT_EQ(Encode(plain, Base64::NoLineBreaks), encoded) << plain;
        EXPECT_EQ(Encode(plain, 0), encoded) << plain;
    }
    EXPECT_EQ(Encode("f", Base64::NoPadding | Base64::NoLineBreaks), "Zg");
    EXPECT_EQ(Encode("fooba", Base64::NoPadding), "Zm9vYmE");
    EXPECT_EQ(Encode(std::string("\xFB\xFF\xBF\x00", 4), Base64::NoLineBreaks), "+/+/AA==");
}

TEST(Base64, LineBreaksAfterEveryNineteenGroupsButNotAtTheEnd) {
    std::string bytes;
    for (int i = 0; i < 171; ++i) {
        bytes.push_back(static_cast<char>(i * 7));
    }
    const std::string flat = Encode(bytes, Base64::NoLineBreaks);
    ASSERT_EQ(flat.size(), 228u);
    EXPECT_EQ(flat.find('\r'), std::string::npos);

    // 57 bytes fill exactly one line of 76 characters: no break at all.
    EXPECT_EQ(Encode(bytes.substr(0, 57), 0), flat.substr(0, 76));
    // One more byte starts a second line.
    EXPECT_EQ(Encode(bytes.substr(0, 58), 0), flat.substr(0, 76) + "\r\n" + Encode(bytes.substr(57, 1), 0));
    // Three full lines: two breaks, none after the last.
    EXPECT_EQ(Encode(bytes, 0),
              flat.substr(0, 76) + "\r\n" + flat.substr(76, 76) + "\r\n" + flat.substr(152));
}

TEST(Base64, EncodingFillsExactlyTheRoomItReserves) {
    // A secret must never be copied by a growing buffer: the text fits its first allocation.
    std::string bytes;
    for (int length = 0; length < 200; ++length) {
        for (const unsigned flags : {0u, Base64::NoPadding, Base64::NoLineBreaks, Base64::NoPadding | Base64::NoLineBreaks}) {
            const std::string text = Encode(bytes, flags);
            std::string reserved;
            reserved.reserve(text.size());
            EXPECT_EQ(text.capacity(), reserved.capacity()) << length << " " << flags;
        }
        bytes.push_back(static_cast<char>(length * 13));
    }
}

TEST(Base64, DecodesWhatItEncodes) {
    std::string bytes;
    for (int length = 0; length < 100; ++length) {
        const std::string text = Encode(bytes, Base64::NoLineBreaks);
        const auto decoded = Base64::Decode(std::u16string(text.begin(), text.end()));
        ASSERT_TRUE(decoded) << text;
        EXPECT_EQ(std::string(decoded->begin(), decoded->end()), bytes);
        bytes.push_back(static_cast<char>(255 - length * 7));
    }
    const auto high = Base64::Decode(u"+/+/AA==");
    ASSERT_TRUE(high);
    EXPECT_EQ(*high, (std::vector<std::uint8_t>{0xFB, 0xFF, 0xBF, 0x00}));
}

TEST(Base64, DecodingRefusesAnythingButCanonicalText) {
    for (const std::u16string_view text : {u"Zg=", u"Zg", u"Zm9vYg", u"Zh==", u"Zm9=", u"Z===", u"====", u"Zg==Zg==",
                                           u"Zm 9v", u"Zm9v\r\n", u"Zm-v", u"Zm_v", u"Z\u00E4==", u"Zg=A"}) {
        EXPECT_FALSE(Base64::Decode(text)) << std::string(text.begin(), text.end());
    }
    EXPECT_TRUE(Base64::Decode(u""));
}
