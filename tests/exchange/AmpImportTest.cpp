#include <gtest/gtest.h>

#include "ImportTestSupport.h"
#include "exchange/XmlImportAmp.h"
#include "support/ClockOverride.h"

using namespace ImportTest;
using Tarnwick::Import::Xml::XmlImportAmp;

namespace {

// "Alle meine Passworte": one element per category, whose "Kategorie" names it and whose
// entries each start with "Bezeichnung".
constexpr std::string_view kAmp = R"(<?xml version="1.0" encoding="ISO-8859-1"?>
<!DOCTYPE AmP_FILE [<!ENTITY uuml "&#252;">]>
<AmP_FILE>
 <INFO><Programm>Alle meine Passworte</Programm></INFO>
 <DATA>
  <Kategorie_1>
   <Kategorie>Banken</Kategorie>
   <Bezeichnung>Sparkasse</Bezeichnung>
   <Benutzername>frank</Benutzername>
   <Passwort1>geheim</Passwort1>
   <Passwort2>keins</Passwort2>
   <Ablaufdatum>31.12.2025</Ablaufdatum>
   <URL_Programm>https://sparkasse.example</URL_Programm>
   <Kommentar>n/a</Kommentar>
   <Benutzerdefinierte_Felder><name>PIN</name><wert>1234</wert><name>TAN-Liste</name><wert>n/a</wert></Benutzerdefinierte_Felder>
   <Bezeichnung>Volksbank</Bezeichnung>
   <Benutzername>n/a</Benutzername>
   <Passwort1>zweites</Passwort1>
   <Passwort2>Ersatz</Passwort2>
   <Ablaufdatum>nie</Ablaufdatum>
  </Kategorie_1>
  <Kategorie_2>
   <Kategorie>Gr&uuml;n</Kategorie>
   <Bezeichnung>Verein</Bezeichnung>
  </Kategorie_2>
  <Kategorie_3>
   <Kategorie>Banken</Kategorie>
   <Bezeichnung>Dritte</Bezeichnung>
  </Kategorie_3>
  <Kategorie_4>
   <Benutzername>ohne Kategorie</Benutzername>
  </Kategorie_4>
 </DATA>
</AmP_FILE>
)";

TEST(AmpImportTest, CategoriesSelectFoldersAndDescriptionsStartEntries) {
    TestSupport::ClockOverride clock(1700000000);
    ZoneOverride zone("UTC0");
    Files files;
    PasswordData data;
    XmlImportAmp importer(data);
    importer.Import(files.Write(kAmp));

    const auto banks = FindFolder(data, "Banken");
    ASSERT_NE(banks, nullptr);
    ASSERT_EQ(banks->Entries().size(), 3u);
    EXPECT_EQ(N(banks->Entries()[0]->GetDescription()), "Sparkasse");
    EXPECT_EQ(N(banks->Entries()[1]->GetDescription()), "Volksbank");
    EXPECT_EQ(N(banks->Entries()[2]->GetDescription()), "Dritte");

    const auto& sparkasse = *banks->Entries()[0];
    EXPECT_EQ(N(sparkasse.GetUserName()), "frank");
    EXPECT_EQ(PasswordOf(sparkasse), "geheim");
    EXPECT_EQ(N(sparkasse.GetUrl()), "https://sparkasse.example");
    EXPECT_TRUE(sparkasse.GetComment().IsEmpty());
    EXPECT_EQ(sparkasse.GetValidityMode(), 1u);
    EXPECT_EQ(sparkasse.GetExpiry(), 1767139200);
    EXPECT_EQ(sparkasse.GetUserDefinedFields().Count(), 1u);
    EXPECT_EQ(UdfValue(sparkasse, "PIN"), "1234");

    const auto& volksbank = *banks->Entries()[1];
    EXPECT_TRUE(volksbank.GetUserName().IsEmpty());
    EXPECT_EQ(PasswordOf(volksbank), "zweites");
    EXPECT_EQ(UdfValue(volksbank, "Passwort2"), "Ersatz");
    EXPECT_EQ(volksbank.GetValidityMode(), 0u);

    EXPECT_EQ(FolderOfEntry(data, EntryNamed(data, "Verein")), "Grün");
    for (const auto& placed : AllEntries(data)) {
        if (N(placed.item->GetUserName()) == "ohne Kategorie") {
            EXPECT_EQ(placed.folder, "Import 14.11.2023");
        }
    }
    EXPECT_EQ(data.EntryCount(), 5u);
}

} // namespace
