#include <gtest/gtest.h>

#include "ImportTestSupport.h"
#include "exchange/XmlImportStickyPassword.h"
#include "support/ClockOverride.h"

using namespace ImportTest;
using Tarnwick::Import::Xml::XmlImportStickyPassword;

namespace {

// Sticky Password / Kaspersky: logins, accounts linking them, and groups, here listed after
// the accounts and with children before their parents.
constexpr std::string_view kSticky = R"(<?xml version="1.0" encoding="utf-8"?>
<root>
 <Database>
  <Logins>
   <Login ID="L1" Name="dave" Password="s3cr&amp;t" CreatedDate="2019-03-01T12:00:00" ModifiedDate="2019-04-01T12:00:00"/>
   <Login ID="L2" Name="dave2" Password="second"/>
   <Login ID="L3" Name="orphan" Password="lonely"/>
  </Logins>
  <Accounts>
   <Account ID="A1" Name="Shop" Link="https://shop.example" Comments="Zeile 1/nZeile 2" ParentID="G3">
     <LoginLinks><Login SourceLoginID="L1"/><Login SourceLoginID="L2"/><Login SourceLoginID="L9"/></LoginLinks>
   </Account>
   <Account ID="A2" Name="Direct" ParentID="">
     <Login Name="erin" Password="direct-pw"/>
   </Account>
   <Account ID="A3" Name="No login" ParentID="G1"/>
   <Account ID="A4" Name="Unnamed group" ParentID="G4"/>
  </Accounts>
  <Groups>
   <Group ID="G3" Name="Online" ParentID="G2"/>
   <Group ID="G2" Name="Privat" ParentID="G1"/>
   <Group ID="G1" Name="Alles" ParentID=""/>
   <Group ID="G4" Name="" ParentID="G1"/>
   <Group ID="C1" Name="Kreis A" ParentID="C2"/>
   <Group ID="C2" Name="Kreis B" ParentID="C1"/>
   <Group ID="S1" Name="Selbst" ParentID="S1"/>
  </Groups>
 </Database>
</root>
)";

class StickyPasswordImportTest : public ::testing::Test {
protected:
    TestSupport::ClockOverride m_clock{1700000000};
    Files m_files;
    PasswordData m_data;
};

TEST_F(StickyPasswordImportTest, AccountsLoginsAndGroupsInAnyOrder) {
    XmlImportStickyPassword importer(m_data);
    importer.Import(m_files.Write(kSticky));

    std::vector<std::string> shops;
    for (const auto& placed : AllEntries(m_data)) {
        if (N(placed.item->GetDescription()) == "Shop") {
            EXPECT_EQ(placed.folder, "Alles/Privat/Online");
            EXPECT_EQ(N(placed.item->GetUrl()), "https://shop.example");
            EXPECT_EQ(N(placed.item->GetComment()), "Zeile 1\nZeile 2");
            shops.push_back(N(placed.item->GetUserName()) + ":" + PasswordOf(*placed.item));
        }
    }
    EXPECT_EQ(shops, (std::vector<std::string>{"dave:s3cr&t", "dave2:second"}));
    const auto direct = EntryNamed(m_data, "Direct");
    EXPECT_EQ(FolderOfEntry(m_data, direct), "Import 14.11.2023");
    EXPECT_EQ(N(direct->GetUserName()), "erin");
    EXPECT_EQ(PasswordOf(*direct), "direct-pw");
    EXPECT_EQ(FolderOfEntry(m_data, EntryNamed(m_data, "No login")), "Alles");
    EXPECT_EQ(FolderOfEntry(m_data, EntryNamed(m_data, "Unnamed group")), "Alles");
    // A login no account links is kept as well.
    bool orphan = false;
    for (const auto& placed : AllEntries(m_data)) {
        if (N(placed.item->GetUserName()) == "orphan") {
            orphan = true;
            EXPECT_EQ(PasswordOf(*placed.item), "lonely");
            EXPECT_EQ(placed.folder, "Import 14.11.2023");
        }
    }
    EXPECT_TRUE(orphan);
    EXPECT_EQ(m_data.EntryCount(), 6u);

    // Login times: the modification tells when the password was set.
    for (const auto& placed : AllEntries(m_data)) {
        if (N(placed.item->GetUserName()) == "dave") {
            EXPECT_EQ(placed.item->GetPasswordChangeTime(), 1554120000);
        }
    }
}

TEST_F(StickyPasswordImportTest, CyclesOfGroupsEndAndAreReported) {
    XmlImportStickyPassword importer(m_data);
    importer.Import(m_files.Write(kSticky));
    EXPECT_NE(FindFolder(m_data, "Kreis A"), nullptr);
    EXPECT_NE(FindFolder(m_data, "Kreis A/Kreis B"), nullptr);
    EXPECT_NE(FindFolder(m_data, "Selbst"), nullptr);
    const auto texts = WarningTexts(importer);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], "Ordner „Kreis A“: Die Gruppe liegt in einem Kreis übergeordneter Gruppen und wurde als "
                        "oberster Ordner angelegt.");
}

TEST_F(StickyPasswordImportTest, AnAccountInAnUnknownGroupAbortsTheImport) {
    XmlImportStickyPassword importer(m_data);
    EXPECT_EQ(ImportMessage(importer, m_files.Write(R"(<root><Database><Accounts>
        <Account Name="Lost" ParentID="G9"/></Accounts><Groups><Group ID="G1" Name="A"/></Groups></Database></root>)")),
              "nof");
    EXPECT_EQ(m_data.EntryCount(), 0u);
}

} // namespace
