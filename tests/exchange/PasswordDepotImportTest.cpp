#include <gtest/gtest.h>

#include "ImportTestSupport.h"
#include "exchange/ImportMessages.h"
#include "exchange/XmlImportPasswordDepot.h"
#include "support/ClockOverride.h"

using namespace ImportTest;
using Tarnwick::Import::Xml::XmlImportPasswordDepot;

namespace {

// Password Depot 5: groups as "GROUP" with "NAME", items with their fields; the document type
// declares an entity of the German text.
constexpr std::string_view kDepot = R"(<?xml version="1.0" encoding="ISO-8859-1"?>
<!DOCTYPE PASSWORDFILE [
  <!ENTITY auml "&#228;">
]>
<PASSWORDFILE>
<HEADER><APPLICATION>Password Depot</APPLICATION><VERSION>5.0</VERSION><ENCRYPTED>False</ENCRYPTED></HEADER>
<PASSWORDS>
<GROUP NAME="Gesch&auml;ftlich">
  <ITEM>
    <DESCRIPTION>Webmail</DESCRIPTION>
    <TYPE>0</TYPE>
    <PASSWORD>p&lt;w</PASSWORD>
    <USERNAME>bob</USERNAME>
    <URL>https://webmail.example.com</URL>
    <COMMENT>Zweite Zeile</COMMENT>
    <LASTMODIFIED FMT="dd.mm.yyyy hh:mm:ss">07.05.2025 13:37:56</LASTMODIFIED>
    <EXPIRYDATE FMT="dd.mm.yyyy">31.12.2026</EXPIRYDATE>
    <CREATED FMT="dd.mm.yyyy hh:mm:ss">01.02.2024 08:00:00</CREATED>
    <IMPORTANCE>1</IMPORTANCE>
    <TEMPLATE>&lt;USER&gt;&lt;TAB&gt;&lt;PASS&gt;&lt;ENTER&gt;</TEMPLATE>
    <WEBFORMDATA><NAME>q</NAME><VALUE>not a field</VALUE></WEBFORMDATA>
    <CUSTOMFIELDS>
      <FIELD><NAME>PIN</NAME><VALUE>4711</VALUE><VISIBLE>-1</VISIBLE></FIELD>
      <FIELD><NAME>Kunde</NAME><VALUE>K-1</VALUE></FIELD>
      <FIELD><VALUE>without name</VALUE></FIELD>
    </CUSTOMFIELDS>
  </ITEM>
  <GROUP NAME="Leer"/>
  <GROUP NAME="Unter">
    <ITEM><DESCRIPTION>Nested</DESCRIPTION><EXPIRYDATE FMT="dd.mm.yyyy">30.12.1899</EXPIRYDATE></ITEM>
  </GROUP>
  <GROUP NAME="">
    <ITEM><DESCRIPTION>Unnamed group</DESCRIPTION></ITEM>
  </GROUP>
  <ITEM><DESCRIPTION>After</DESCRIPTION></ITEM>
</GROUP>
</PASSWORDS>
<RECYCLEBIN><ITEM><DESCRIPTION>Deleted</DESCRIPTION></ITEM></RECYCLEBIN>
</PASSWORDFILE>
)";

class PasswordDepotImportTest : public ::testing::Test {
protected:
    TestSupport::ClockOverride m_clock{1700000000};
    ZoneOverride m_zone{"UTC0"};
    Files m_files;
    PasswordData m_data;
};

TEST_F(PasswordDepotImportTest, GroupsItemsAndTheirFields) {
    XmlImportPasswordDepot importer(m_data);
    importer.Import(m_files.Write(kDepot));
    EXPECT_EQ(importer.GetImportedEntryCount(), 4u);

    const auto webmail = EntryNamed(m_data, "Webmail");
    EXPECT_EQ(FolderOfEntry(m_data, webmail), "Geschäftlich");
    EXPECT_EQ(N(webmail->GetUserName()), "bob");
    EXPECT_EQ(PasswordOf(*webmail), "p<w");
    EXPECT_EQ(N(webmail->GetUrl()), "https://webmail.example.com");
    EXPECT_EQ(N(webmail->GetComment()), "Zweite Zeile");
    EXPECT_EQ(N(webmail->GetSequence()), "{USERNAME}{TAB}{PASSWORD}{ENTER}");
    EXPECT_EQ(webmail->GetCreationTime(), 1706774400);
    EXPECT_EQ(webmail->GetModificationTime(), 1746625076);
    EXPECT_EQ(webmail->GetValidityMode(), 1u);
    EXPECT_EQ(webmail->GetExpiry(), 1798675200);
    EXPECT_EQ(webmail->GetUserDefinedFields().Count(), 2u);
    EXPECT_EQ(UdfValue(*webmail, "PIN"), "4711");
    EXPECT_EQ(UdfValue(*webmail, "Kunde"), "K-1");

    // The empty group element ends where it stands: what follows stays in the outer group.
    EXPECT_NE(FindFolder(m_data, "Geschäftlich/Leer"), nullptr);
    EXPECT_EQ(FolderOfEntry(m_data, EntryNamed(m_data, "Nested")), "Geschäftlich/Unter");
    EXPECT_EQ(EntryNamed(m_data, "Nested")->GetValidityMode(), 0u);
    EXPECT_EQ(FolderOfEntry(m_data, EntryNamed(m_data, "Unnamed group")), "Geschäftlich");
    EXPECT_EQ(FolderOfEntry(m_data, EntryNamed(m_data, "After")), "Geschäftlich");
}

TEST_F(PasswordDepotImportTest, LowerCaseNamesOfNewerVersionsAndEncryptedExports) {
    XmlImportPasswordDepot importer(m_data);
    importer.Import(m_files.Write(R"(<passwordfile xmlns="https://www.password-depot.de/schemas/passwordfile/17.0/passwordfile.xsd">
      <header><encrypted>False</encrypted></header>
      <passwords><group name="tempDB"><item><description>x</description><password>y</password>
      <customfields><field><name>n</name><value>v</value><type>1</type></field></customfields>
      </item></group></passwords><recyclebin><item><description>gone</description></item></recyclebin></passwordfile>)"));
    const auto x = EntryNamed(m_data, "x");
    EXPECT_EQ(FolderOfEntry(m_data, x), "tempDB");
    EXPECT_EQ(PasswordOf(*x), "y");
    EXPECT_EQ(UdfValue(*x, "n"), "v");
    EXPECT_EQ(m_data.EntryCount(), 1u);

    PasswordData other;
    XmlImportPasswordDepot encrypted(other);
    EXPECT_EQ(ImportMessage(encrypted, m_files.Write("<PASSWORDFILE><HEADER><ENCRYPTED>True</ENCRYPTED></HEADER>"
                                                     "<PASSWORDS><GROUP NAME=\"g\"><ITEM><PASSWORD>QUJD</PASSWORD>"
                                                     "</ITEM></GROUP></PASSWORDS></PASSWORDFILE>")),
              N(Tarnwick::Import::kEncryptedExportMessage));
    EXPECT_EQ(other.EntryCount(), 0u);
}

} // namespace
