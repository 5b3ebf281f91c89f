#include <gtest/gtest.h>

#include "base/text/CaseFolding.h"
#include "base/text/Utf.h"

using namespace Tarnwick::Text;

TEST(CaseFolding, GermanAndOtherLettersWithoutALocale) {
    EXPECT_EQ(ToLower(u"JÜRGEN ÄÖÜ ß ẞ"), u"jürgen äöü ß ß");
    EXPECT_EQ(ToLower(u'Ä'), u'ä');
    EXPECT_EQ(ToUpper(u'ä'), u'Ä');
    EXPECT_EQ(ToLower(u"ΣΩΔ АБВ ĀĂĄ Ǆ"), u"σωδ абв āăą ǆ");
    EXPECT_EQ(ToLower(u'İ'), u'i');
    EXPECT_EQ(ToLower(u"1234 !?@€"), u"1234 !?@€");
    // Code units of a surrogate pair are left as they are.
    EXPECT_EQ(ToLower(u"\U0001F600"), u"\U0001F600");
}

TEST(CaseFolding, CompareNoCaseIsLengthLimited) {
    EXPECT_EQ(CompareNoCase(u"Bank", u"BANKING", 4), 0);
    EXPECT_LT(CompareNoCase(u"apfel", u"Birne", 5), 0);
    EXPECT_GT(CompareNoCase(u"Zebra", u"apfel", 5), 0);
    EXPECT_LT(CompareNoCase(u"Bank", u"BANKING", 7), 0);
    EXPECT_EQ(CompareNoCase(u"Ärger", u"ärger", 5), 0);
}

TEST(CaseFolding, LetterClasses) {
    EXPECT_TRUE(IsLetter(u'a'));
    EXPECT_TRUE(IsLetter(u'ß'));
    EXPECT_TRUE(IsLetter(u'Ö'));
    EXPECT_FALSE(IsLetter(u'1'));
    EXPECT_FALSE(IsLetter(u'€'));
    EXPECT_TRUE(IsDigit(u'0'));
    EXPECT_FALSE(IsDigit(u'a'));
}

TEST(Utf, RoundTripsAndRepairs) {
    const std::u16string text = u"P@ß wörd!{} äöüÄÖÜ € \U0001F600";
    EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
    EXPECT_EQ(ToUtf8(u"€"), "\xE2\x82\xAC");
    EXPECT_TRUE(IsValidUtf8("Grüße"));
    EXPECT_FALSE(IsValidUtf8("\xC3"));        // cut off
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));    // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80")); // surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));
    EXPECT_EQ(FromUtf8("a\xFF" "b"), u"a\uFFFDb");
    EXPECT_EQ(FromUtf8("x\xE2\x82"), u"x\uFFFD\uFFFD");
    EXPECT_EQ(ToUtf8(std::u16string(1, char16_t(0xD800)) + u"a"), "\xEF\xBF\xBD" "a");
}
