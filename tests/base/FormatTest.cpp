#include <gtest/gtest.h>

#include "base/text/Format.h"
#include "base/exceptions/Exception.h"

using Tarnwick::Text::Format;
using Utilities::Exceptions::Exception;

TEST(Format, ConversionsLikeThePrintfFamily) {
    EXPECT_EQ(Format(u"Es ist Fehler %d beim Verschlüsseln aufgetreten.", 5).View(),
              u"Es ist Fehler 5 beim Verschlüsseln aufgetreten.");
    EXPECT_EQ(Format(u"%s - Kopie (%d)", u"Bank", 3).View(), u"Bank - Kopie (3)");
    EXPECT_EQ(Format(u"%I64d|%lld|%u|%x|%X|%%", std::int64_t{-2147024891}, -1LL, 7u, 255u, 255u).View(),
              u"-2147024891|-1|7|ff|FF|%");
    EXPECT_EQ(Format(u"[%03d][%5d]", 7, -42).View(), u"[007][  -42]");
    EXPECT_EQ(Format(u"%c%c", u'Ä', 0x20AC).View(), u"Ä€");
    EXPECT_EQ(Format(u"ohne Platzhalter").View(), u"ohne Platzhalter");
    EXPECT_EQ(Format(u"%s", static_cast<const char16_t*>(nullptr)).View(), u"");
}

TEST(Format, Extremes) {
    EXPECT_EQ(Format(u"%I64d", INT64_MIN).View(), u"-9223372036854775808");
    EXPECT_EQ(Format(u"%u", UINT64_MAX).View(), u"18446744073709551615");
    EXPECT_EQ(Format(u"%05d", -3).View(), u"-0003");
}

TEST(Format, MalformedFormatsRaiseTheMeasureError) {
    for (const char16_t* bad : {u"%", u"%d", u"%q", u"%s %s", u"%2000d"}) {
        try {
            Format(bad, u"x");
            FAIL() << "no exception";
        } catch (const Exception& e) {
            EXPECT_EQ(e.GetMessage().View(), u"Fehler bei _vsc(w)printf");
        }
    }
    EXPECT_THROW(Format(u"%d", u"text"), Exception);
    EXPECT_THROW(Format(u"%s", 5), Exception);
}
