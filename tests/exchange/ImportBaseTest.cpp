#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "ImportTestSupport.h"
#include "exchange/ImportBase.h"
#include "base/exceptions/Exception.h"
#include "model/ByteBuffer.h"
#include "support/ClockOverride.h"

using namespace ImportTest;
using Tarnwick::Import::HistoryVersion;
using Tarnwick::Import::ImportBase;
using Utilities::Exceptions::Exception;

namespace {

constexpr std::int64_t kNow = 1700000000; // 2023-11-14

// Opens the protected framework to the tests.
class FrameImporter : public ImportBase {
public:
    using ImportBase::ImportBase;
    void Import(const std::filesystem::path&) override {}

    using ImportBase::AddUserDefinedField;
    using ImportBase::BeginImport;
    using ImportBase::FindOrAddFolder;
    using ImportBase::FindOrAddPath;
    using ImportBase::FinishImport;
    using ImportBase::FolderExists;
    using ImportBase::GetCurrentFolder;
    using ImportBase::GetCurrentPasswordItem;
    using ImportBase::ImportFolder;
    using ImportBase::NewDetachedPasswordItem;
    using ImportBase::NewPasswordItem;
    using ImportBase::NewPasswordItemIn;
    using ImportBase::PlaceCurrentPasswordItem;
    using ImportBase::ResetCurrentFolder;
    using ImportBase::ResetCurrentPasswordItem;
    using ImportBase::SetExpiryDays;
    using ImportBase::SetField;
    using ImportBase::SetPassword;
    using ImportBase::SetPasswordChangeTime;
    using ImportBase::SetPasswordHistory;
};

std::string ContextOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Exception& failure) {
        return N(failure.GetMessage().View()) + "|" + N(failure.GetTarget().View());
    }
    return {};
}

HistoryVersion Version(std::int64_t time, std::u16string_view password) {
    HistoryVersion version;
    version.time = time;
    version.password.Assign(password);
    return version;
}

class ImportBaseTest : public ::testing::Test {
protected:
    TestSupport::ClockOverride m_clock{kNow};
    PasswordData m_data;
    FrameImporter m_importer{m_data};
};

TEST_F(ImportBaseTest, WithoutCurrentFolderOrEntryTheFrameworkRaisesNull) {
    m_importer.BeginImport();
    EXPECT_EQ(ContextOf([&] { m_importer.GetCurrentFolder(); }), "null|ImportBase::GetCurrentFolder");
    EXPECT_EQ(ContextOf([&] { m_importer.GetCurrentPasswordItem(); }), "null|ImportBase::GetCurrentPasswordItem");
    EXPECT_EQ(ContextOf([&] { m_importer.NewPasswordItem(); }), "null|ImportBase::GetCurrentFolder");
    EXPECT_EQ(ContextOf([&] { m_importer.SetField(ImportBase::Field::Comment, u"x"); }),
              "null|ImportBase::GetCurrentPasswordItem");

    m_data.Folders().push_back(nullptr);
    EXPECT_EQ(ContextOf([&] { m_importer.FolderExists(nullptr, u"a"); }), "null|ImportBase::FolderExists");
}

TEST_F(ImportBaseTest, CreateFolderReusesByParentAndExactName) {
    m_importer.BeginImport();
    m_importer.CreateFolder(u"Internet");
    m_importer.CreateFolder(u"Mail");
    m_importer.ResetCurrentFolder();
    m_importer.CreateFolder(u"Mail"); // a top-level one, not the subfolder
    m_importer.ResetCurrentFolder();
    m_importer.CreateFolder(u"internet"); // names are compared exactly
    m_importer.ResetCurrentFolder();
    m_importer.CreateFolder(u"Internet");
    m_importer.CreateFolder(u"Mail");

    ASSERT_EQ(m_data.FolderCount(), 4u);
    EXPECT_NE(FindFolder(m_data, "Internet/Mail"), nullptr);
    EXPECT_NE(FindFolder(m_data, "Mail"), nullptr);
    EXPECT_NE(FindFolder(m_data, "internet"), nullptr);
    EXPECT_EQ(m_importer.GetCurrentFolder(), FindFolder(m_data, "Internet/Mail"));
    EXPECT_EQ(m_importer.FolderExists(FindFolder(m_data, "Internet"), u"Mail"), FindFolder(m_data, "Internet/Mail"));
    EXPECT_EQ(m_importer.FolderExists(nullptr, u"Nothing"), nullptr);
}

TEST_F(ImportBaseTest, PathsSkipEmptyPartsAndCutLongNamesWithAWarning) {
    m_importer.BeginImport();
    const auto folder = m_importer.FindOrAddPath(nullptr, u"/a//b/", u'/');
    EXPECT_EQ(FolderPath(m_data, folder), "a/b");
    EXPECT_EQ(m_importer.FindOrAddPath(nullptr, u"///", u'/'), nullptr);
    EXPECT_EQ(m_importer.FindOrAddPath(folder, u"", u'/'), folder);

    // A dot escaped with a backslash stays in the name.
    EXPECT_EQ(FolderPath(m_data, m_importer.FindOrAddPath(nullptr, u"x\\.y.z", u'.', true)), "x.y/z");

    const std::u16string longName(80, u'n');
    const auto cut = m_importer.FindOrAddFolder(nullptr, longName);
    EXPECT_EQ(cut->GetName().Length(), 74u);
    ASSERT_EQ(m_importer.GetWarnings().size(), 1u);
    EXPECT_EQ(m_importer.GetWarnings()[0].field, u"Ordner");
    EXPECT_NE(WarningTexts(m_importer)[0].find("länger als 74 Zeichen"), std::string::npos);
    // The same long name finds the cut folder again.
    EXPECT_EQ(m_importer.FindOrAddFolder(nullptr, longName), cut);

    // A surrogate pair is never split.
    std::u16string withPair(73, u'p');
    withPair += u"\U0001F600";
    EXPECT_EQ(m_importer.FindOrAddFolder(nullptr, withPair)->GetName().Length(), 73u);
}

TEST_F(ImportBaseTest, ValuesBeyondTheLimitsAreCutOrLeftOutAndReportedPerEntry) {
    m_importer.BeginImport();
    m_importer.NewPasswordItemIn(nullptr);
    m_importer.SetField(ImportBase::Field::Comment, std::u16string(16385, u'c'));
    m_importer.SetField(ImportBase::Field::Description, u"Bank");
    m_importer.SetPassword(std::u16string(1025, u'p'));
    m_importer.SetField(ImportBase::Field::Sequence, std::u16string(256, u'{'));
    m_importer.SetField(ImportBase::Field::Url, std::u16string(3072, u'u'));
    m_importer.NewPasswordItemIn(nullptr);
    m_importer.SetField(ImportBase::Field::Email, std::u16string(321, u'e'));
    m_importer.FinishImport();

    const auto entries = AllEntries(m_data);
    ASSERT_EQ(entries.size(), 2u);
    const auto& first = *entries[0].item;
    EXPECT_EQ(first.GetComment().Length(), 16384u);
    EXPECT_TRUE(first.GetPassword().IsEmpty());
    EXPECT_TRUE(first.GetSequence().IsEmpty());
    EXPECT_EQ(first.GetUrl().Length(), 3072u);
    EXPECT_EQ(entries[1].item->GetEmail().Length(), 320u);

    // The entry is named with the description it got later; every value can be written.
    const auto texts = WarningTexts(m_importer);
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0], "Eintrag 1 „Bank“, Feld „Kommentar“: Der Wert ist länger als 16384 Zeichen und wurde gekürzt.");
    EXPECT_EQ(texts[1],
              "Eintrag 1 „Bank“, Feld „Passwort“: Der Wert ist länger als 1024 Zeichen und wurde nicht übernommen.");
    EXPECT_NE(texts[2].find("Feld „Auto-Vervollständigung“"), std::string::npos);
    EXPECT_EQ(texts[3].rfind("Eintrag 2 „(ohne Beschreibung)“, Feld „E-Mail“", 0), 0u);
    EXPECT_EQ(m_importer.GetWarnings()[3].entryNumber, 2u);
    Tarnwick::PasswordADT::ByteBuffer buffer;
    for (const auto& placed : entries) {
        EXPECT_NO_THROW(placed.item->Serialize(buffer));
    }
}

TEST_F(ImportBaseTest, UserDefinedFieldsOutsideTheirLimitsAreReportedNotRaised) {
    m_importer.BeginImport();
    m_importer.NewPasswordItemIn(nullptr);
    m_importer.AddUserDefinedField(u"pin", u"1234");
    m_importer.AddUserDefinedField(u"pin", u"9999");
    m_importer.AddUserDefinedField(u"empty", u"");
    m_importer.AddUserDefinedField(u"", u"value");
    m_importer.AddUserDefinedField(u"long", std::u16string(256, u'v'));
    for (int i = 1; i < 100; ++i) {
        m_importer.AddUserDefinedField(U("f" + std::to_string(i)), u"v");
    }
    m_importer.AddUserDefinedField(u"f100", u"v");
    m_importer.FinishImport();

    const auto& item = *AllEntries(m_data).at(0).item;
    EXPECT_EQ(item.GetUserDefinedFields().Count(), 100u);
    EXPECT_EQ(UdfValue(item, "pin"), "1234");
    EXPECT_EQ(UdfValue(item, "empty"), "<missing>");
    const auto texts = WarningTexts(m_importer);
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_NE(texts[0].find("Feld „pin“: Ein Feld dieses Namens ist bereits vorhanden"), std::string::npos);
    EXPECT_NE(texts[1].find("länger als 255 Zeichen"), std::string::npos);
    EXPECT_NE(texts[2].find("Feld „long“"), std::string::npos);
    EXPECT_NE(texts[3].find("Feld „f100“: Der Eintrag hat bereits 100 benutzerdefinierte Felder"), std::string::npos);
}

TEST_F(ImportBaseTest, EntriesGoToTheImportFolderNamedByTheDay) {
    m_importer.BeginImport();
    m_importer.NewPasswordItemIn(nullptr);
    m_importer.NewDetachedPasswordItem();
    EXPECT_EQ(AllEntries(m_data).size(), 1u);
    m_importer.PlaceCurrentPasswordItem(nullptr);
    ASSERT_EQ(m_data.FolderCount(), 1u);
    EXPECT_EQ(N(m_data.Folders()[0]->GetName().View()), "Import 14.11.2023");
    EXPECT_EQ(m_data.Folders()[0]->Entries().size(), 2u);
    EXPECT_EQ(m_importer.GetImportedEntryCount(), 2u);

    PasswordData other;
    FrameImporter named(other);
    named.SetImportFolderName(u"Von KeePass");
    named.BeginImport();
    named.NewPasswordItemIn(nullptr);
    EXPECT_EQ(N(other.Folders()[0]->GetName().View()), "Von KeePass");
}

TEST_F(ImportBaseTest, PasswordHistoryKeepsRealChangesInRisingOrder) {
    m_importer.BeginImport();
    m_importer.NewPasswordItemIn(nullptr);
    m_importer.SetPassword(u"current");
    m_importer.SetPasswordChangeTime(500);
    std::vector<HistoryVersion> versions;
    versions.push_back(Version(100, u"first"));
    versions.push_back(Version(150, u"first"));   // the same password again: no change
    versions.push_back(Version(100, u"second"));  // a time that does not rise
    versions.push_back(Version(0, u""));          // nothing
    versions.push_back(Version(0, u"third"));     // no time
    versions.push_back(Version(600, u"current")); // the current password is no history
    m_importer.SetPasswordHistory(std::move(versions));
    m_importer.FinishImport();

    const auto& item = *AllEntries(m_data).at(0).item;
    const auto& history = item.GetPasswordHistory();
    ASSERT_EQ(history.Count(), 3u);
    EXPECT_EQ(history.At(0).time, 100);
    EXPECT_TRUE(history.At(0).password.Equals(u"first"));
    EXPECT_EQ(history.At(1).time, 101);
    EXPECT_TRUE(history.At(1).password.Equals(u"second"));
    EXPECT_EQ(history.At(2).time, 102);
    EXPECT_TRUE(history.At(2).password.Equals(u"third"));
    EXPECT_EQ(item.GetPasswordChangeTime(), 500);
    EXPECT_TRUE(m_importer.GetWarnings().empty());
}

TEST_F(ImportBaseTest, PasswordHistoryBeyondItsLimitsIsReported) {
    m_importer.BeginImport();
    m_importer.NewPasswordItemIn(nullptr);
    m_importer.SetPassword(u"now");
    m_importer.SetPasswordChangeTime(10);
    std::vector<HistoryVersion> versions;
    versions.push_back(Version(1, std::u16string(1025, u'x')));
    for (int i = 0; i < 105; ++i) {
        versions.push_back(Version(1000 + i, U("old" + std::to_string(i))));
    }
    m_importer.SetPasswordHistory(std::move(versions));
    m_importer.FinishImport();

    const auto& item = *AllEntries(m_data).at(0).item;
    ASSERT_EQ(item.GetPasswordHistory().Count(), 100u);
    EXPECT_TRUE(item.GetPasswordHistory().At(0).password.Equals(u"old5"));
    // A later change with history must be possible: the change time follows the newest.
    EXPECT_EQ(item.GetPasswordChangeTime(), 1105);
    const auto texts = WarningTexts(m_importer);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_NE(texts[0].find("1 frühere Passwörter sind länger als 1024 Zeichen"), std::string::npos);
    EXPECT_NE(texts[1].find("Nur die neuesten 100 früheren Passwörter wurden übernommen, 5 ältere nicht."),
              std::string::npos);
}

TEST_F(ImportBaseTest, ImportedPasswordsCarryTheImportTimeAndTheHistoryStaysUntouched) {
    m_importer.BeginImport();
    m_importer.NewPasswordItemIn(nullptr);
    m_clock.Set(kNow + 7);
    m_importer.SetPassword(u"secret");
    m_importer.SetPassword(u"other");
    m_importer.SetExpiryDays(30);
    m_importer.FinishImport();
    const auto& item = *AllEntries(m_data).at(0).item;
    EXPECT_EQ(item.GetPasswordChangeTime(), kNow + 7);
    EXPECT_EQ(item.GetCreationTime(), kNow);
    EXPECT_EQ(PasswordOf(item), "other");
    EXPECT_EQ(item.GetPasswordHistory().Count(), 0u);
    EXPECT_EQ(item.GetValidityMode(), 2u);
    EXPECT_EQ(item.GetExpiry(), 30);
}

} // namespace
