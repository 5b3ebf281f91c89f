#include <gtest/gtest.h>

#include <string>

#include "log/Base64.h"

using Tarnwick::LogProvider::Base64;

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
