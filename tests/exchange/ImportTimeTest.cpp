#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "ImportTestSupport.h"
#include "exchange/ImportTime.h"

using namespace Tarnwick::Import;

namespace {

constexpr const char* kBerlin = "CET-1CEST,M3.5.0,M10.5.0/3";

TEST(ImportTimeTest, IsoTimesWithAndWithoutZone) {
    EXPECT_EQ(ParseIsoTime(u"2017-01-01T00:00:00Z", TimeZoneRule::Local), 1483228800);
    EXPECT_EQ(ParseIsoTime(u"1970-01-01T00:00:00Z", TimeZoneRule::Utc), 0);
    EXPECT_EQ(ParseIsoTime(u" 2017-01-01T01:30:00+01:30 ", TimeZoneRule::Local), 1483228800);
    EXPECT_EQ(ParseIsoTime(u"2016-12-31T19:00:00-0500", TimeZoneRule::Local), 1483228800);
    EXPECT_EQ(ParseIsoTime(u"2017-01-01T00:00:00.1234567Z", TimeZoneRule::Utc), 1483228800);
    EXPECT_EQ(ParseIsoTime(u"2023/01/03 19:13:30", TimeZoneRule::Utc), 1672773210);
    EXPECT_EQ(ParseIsoTime(u"2024-02-29", TimeZoneRule::Utc), 1709164800);
    EXPECT_EQ(ParseIsoTime(u"1969-12-31T23:59:59Z", TimeZoneRule::Utc), -1);

    for (const char16_t* bad : {u"", u"2017-13-01", u"2023-02-29", u"2017-01-01T24:00:00", u"2017-01-01T00:00:00Q",
                                u"2017-01-01x", u"17-01-01", u"2017-01/01", u"2017-01-01T00:00:00+25:00",
                                u"abcd-ef-gh"}) {
        EXPECT_FALSE(ParseIsoTime(bad, TimeZoneRule::Utc)) << ImportTest::N(std::u16string_view(bad));
    }
}

TEST(ImportTimeTest, LocalTimesFollowTheZoneAndItsDaylightSaving) {
    const ImportTest::ZoneOverride zone(kBerlin);
    EXPECT_EQ(ParseIsoTime(u"2017-01-01T01:00:00", TimeZoneRule::Local), 1483228800);  // winter: +1
    EXPECT_EQ(ParseIsoTime(u"2017-07-01T02:00:00", TimeZoneRule::Local), 1498867200);  // summer: +2
    EXPECT_EQ(ParseIsoTime(u"2017-07-01T02:00:00", TimeZoneRule::Utc), 1498874400);
    EXPECT_EQ(ParseGermanDate(u"01.07.2017 02:00", TimeZoneRule::Local), 1498867200);
}

TEST(ImportTimeTest, KeePassWritesIsoOrBase64Seconds) {
    EXPECT_EQ(ParseKeePassTime(u"2010-08-25T16:13:54Z"), 1282752834);
    // 63,524,349,234 seconds after 0001-01-01 is 2014-01-03T12:33:54Z; little-endian in Base64.
    EXPECT_EQ(ParseKeePassTime(u"MqVYyg4AAAA="), 63524349234 - 62135596800);
    // The low byte 0xFF: all eight bits of the first character's byte count.
    EXPECT_EQ(ParseKeePassTime(u"/6VYyg4AAAA="), 63524349439 - 62135596800);
    EXPECT_FALSE(ParseKeePassTime(u"MqVYyg4AAAB="));  // padding bits set
    EXPECT_FALSE(ParseKeePassTime(u"MqVYyg4AAA=="));
    EXPECT_FALSE(ParseKeePassTime(u"////////////"));
    EXPECT_FALSE(ParseKeePassTime(u""));
}

TEST(ImportTimeTest, PatternsOfPasswordDepot) {
    EXPECT_EQ(ParsePatternTime(u"07.05.2025 13:37:56", u"dd.mm.yyyy hh:mm:ss", TimeZoneRule::Utc), 1746625076);
    EXPECT_EQ(ParsePatternTime(u"07.05.2025", u"dd.mm.yyyy", TimeZoneRule::Utc), 1746576000);
    EXPECT_EQ(ParsePatternTime(u"2025/05/07", u"yyyy/mm/dd", TimeZoneRule::Utc), 1746576000);
    EXPECT_EQ(ParsePatternTime(u"7.5.25", u"dd.mm.yy", TimeZoneRule::Utc), 1746576000);
    EXPECT_FALSE(ParsePatternTime(u"07.05.2025 13", u"dd.mm.yyyy", TimeZoneRule::Utc));
    EXPECT_FALSE(ParsePatternTime(u"31.02.2025", u"dd.mm.yyyy", TimeZoneRule::Utc));
    EXPECT_FALSE(ParsePatternTime(u"07.05", u"dd.mm", TimeZoneRule::Utc));
    EXPECT_EQ(ParseGermanDate(u"30.12.1899", TimeZoneRule::Utc), -2209161600);
    EXPECT_EQ(ParseGermanDate(u"08.05.2026", TimeZoneRule::Utc), 1778198400);
}

TEST(ImportTimeTest, ImportFolderNameUsesTheLocalDay) {
    const ImportTest::ZoneOverride zone(kBerlin);
    EXPECT_EQ(ImportFolderNameFor(1483228800), u"Import 01.01.2017");
    EXPECT_EQ(ImportFolderNameFor(1483228799), u"Import 01.01.2017"); // 00:59:59 local
    EXPECT_EQ(ImportFolderNameFor(1483225199), u"Import 31.12.2016");
}

} // namespace
