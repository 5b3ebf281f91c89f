#include <gtest/gtest.h>

#include "ImportTestSupport.h"
#include "exchange/XmlImportPasswordSafe.h"
#include "support/ClockOverride.h"

using namespace ImportTest;
using Tarnwick::Import::Xml::XmlImportPasswordSafe;

namespace {

// Password Safe 3: values as CDATA, notes lines joined by the delimiter, a value holding "]]>"
// split into two CDATA sections.
constexpr std::string_view kSafe = R"(<?xml version="1.0" encoding="UTF-8"?>
<passwordsafe delimiter="»" Database="x.psafe3">
 <Preferences><DefaultUsername><![CDATA[nobody]]></DefaultUsername></Preferences>
 <EmptyGroups><EGName><![CDATA[Leer.Unter]]></EGName></EmptyGroups>
 <entry id="1">
  <group><![CDATA[Bank.Online]]></group>
  <title><![CDATA[Konto]]></title>
  <username><![CDATA[carol]]></username>
  <password><![CDATA[a]]]]><![CDATA[>b]]></password>
  <url><![CDATA[https://bank.example]]></url>
  <notes><![CDATA[Zeile 1»Zeile 2]]></notes>
  <email><![CDATA[carol@example.com]]></email>
  <autotype><![CDATA[\u\t\p\n]]></autotype>
  <uuid><![CDATA[66ade93b8f264e46520794c5f97aed91]]></uuid>
  <ctimex>2020-01-01T10:00:00</ctimex>
  <pmtimex>2021-01-01T10:00:00</pmtimex>
  <rmtimex>2022-01-01T10:00:00</rmtimex>
  <xtime_interval>90</xtime_interval>
  <pwhistory>
   <status>1</status><max>3</max><num>2</num>
   <history_entries>
    <history_entry num="2"><changedx>2020-06-01T00:00:00</changedx><oldpassword><![CDATA[older]]></oldpassword></history_entry>
    <history_entry num="1"><changedx>2020-01-01T10:00:00</changedx><oldpassword><![CDATA[oldest]]></oldpassword></history_entry>
   </history_entries>
  </pwhistory>
  <custom_fields><custom_field><name><![CDATA[Kundennummer]]></name><value><![CDATA[42]]></value></custom_field></custom_fields>
 </entry>
 <entry id="2">
  <title><![CDATA[Ohne Gruppe]]></title>
  <password><![CDATA[x]]></password>
  <xtimex>2030-01-01T00:00:00</xtimex>
 </entry>
 <entry><group><![CDATA[Bank]]></group><title>Plain text title</title></entry>
</passwordsafe>
)";

TEST(PasswordSafeImportTest, EntriesWithTheirFieldsTimesAndHistory) {
    TestSupport::ClockOverride clock(1700000000);
    ZoneOverride zone("UTC0");
    Files files;
    PasswordData data;
    XmlImportPasswordSafe importer(data);
    importer.Import(files.Write(kSafe));
    EXPECT_EQ(importer.GetImportedEntryCount(), 3u);

    const auto konto = EntryNamed(data, "Konto");
    EXPECT_EQ(FolderOfEntry(data, konto), "Bank/Online");
    EXPECT_EQ(N(konto->GetUserName()), "carol");
    EXPECT_EQ(PasswordOf(*konto), "a]]>b");
    EXPECT_EQ(N(konto->GetUrl()), "https://bank.example");
    EXPECT_EQ(N(konto->GetComment()), "Zeile 1\nZeile 2");
    EXPECT_EQ(N(konto->GetEmail()), "carol@example.com");
    EXPECT_EQ(N(konto->GetSequence()), "{USERNAME}{TAB}{PASSWORD}{ENTER}");
    EXPECT_EQ(konto->GetCreationTime(), 1577872800);
    EXPECT_EQ(konto->GetModificationTime(), 1641031200);
    EXPECT_EQ(konto->GetPasswordChangeTime(), 1609495200);
    EXPECT_EQ(konto->GetValidityMode(), 2u);
    EXPECT_EQ(konto->GetExpiry(), 90);
    EXPECT_TRUE(konto->GetKeepHistory());
    EXPECT_EQ(konto->GetHistorySize(), 3);
    const auto& history = konto->GetPasswordHistory();
    ASSERT_EQ(history.Count(), 2u);
    EXPECT_TRUE(history.At(0).password.Equals(u"oldest"));
    EXPECT_EQ(history.At(0).time, 1577872800);
    EXPECT_TRUE(history.At(1).password.Equals(u"older"));
    EXPECT_EQ(history.At(1).time, 1590969600);
    EXPECT_EQ(UdfValue(*konto, "Kundennummer"), "42");

    // An entry starts at its element, also without a group.
    const auto loose = EntryNamed(data, "Ohne Gruppe");
    EXPECT_EQ(FolderOfEntry(data, loose), "Import 14.11.2023");
    EXPECT_EQ(PasswordOf(*loose), "x");
    EXPECT_EQ(loose->GetValidityMode(), 1u);
    EXPECT_EQ(loose->GetExpiry(), 1893456000);
    EXPECT_EQ(FolderOfEntry(data, EntryNamed(data, "Plain text title")), "Bank");
    EXPECT_NE(FindFolder(data, "Leer/Unter"), nullptr);
    EXPECT_TRUE(importer.GetWarnings().empty());
}

} // namespace
