// Real export files of other projects (read in place from the shared fixtures folder):
// each either imports with the entries its reference listing names, or is refused with a
// clear message; no file makes any importer fail otherwise.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "ImportTestSupport.h"
#include "exchange/CsvImporter.h"
#include "exchange/ImportFactory.h"
#include "exchange/ImportMessages.h"
#include "base/exceptions/Exception.h"
#include "support/ClockOverride.h"

using namespace ImportTest;
using namespace Tarnwick::Import;
using namespace Tarnwick::Import::CSV;
using Utilities::Exceptions::Exception;

namespace {

const std::filesystem::path kFixtures = TW_FIXTURES_DIR;
constexpr std::string_view kImportFolder = "Import 14.11.2023";

using Record = std::map<std::string, std::string>;

// The small part of YAML the reference listings use: a list of flat maps with plain,
// single-quoted, double-quoted and "|-" block values.
std::vector<Record> ReadListing(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    std::vector<Record> records;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string line = lines[i];
        if (line.rfind("- ", 0) == 0) {
            records.emplace_back();
            line = "  " + line.substr(2);
        }
        if (line.rfind("  ", 0) != 0 || records.empty()) {
            continue;
        }
        const std::size_t colon = line.find(": ");
        if (colon == std::string::npos) {
            continue;
        }
        const std::string key = line.substr(2, colon - 2);
        std::string value = line.substr(colon + 2);
        if (value == "|-") {
            value.clear();
            while (i + 1 < lines.size() && lines[i + 1].rfind("    ", 0) == 0) {
                value += (value.empty() ? "" : "\n") + lines[++i].substr(4);
            }
        } else if (value.size() >= 2 && value.front() == '\'') {
            std::string text;
            for (std::size_t k = 1; k + 1 < value.size(); ++k) {
                text += value[k];
                if (value[k] == '\'' && value[k + 1] == '\'') {
                    ++k;
                }
            }
            value = text;
        } else if (value.size() >= 2 && value.front() == '"') {
            std::string text;
            for (std::size_t k = 1; k + 1 < value.size(); ++k) {
                if (value[k] == '\\' && k + 2 < value.size()) {
                    ++k;
                }
                text += value[k];
            }
            value = text;
        }
        records.back()[key] = value;
    }
    return records;
}

std::string WithoutCr(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

// One line per entry with the chosen keys, sorted.
std::vector<std::string> Describe(const std::vector<Record>& records, const std::vector<std::string>& keys) {
    std::vector<std::string> lines;
    for (const auto& record : records) {
        std::string line;
        for (const auto& key : keys) {
            const auto found = record.find(key);
            line += key + "=" + (found == record.end() ? "" : found->second) + " | ";
        }
        lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

// The imported entries as records; the group loses the prefix, the import folder counts as none.
std::vector<Record> Imported(const PasswordData& data, const std::string& groupPrefix = {}) {
    std::vector<Record> records;
    for (const auto& placed : AllEntries(data)) {
        Record record;
        const auto& item = *placed.item;
        const auto put = [&](const std::string& key, const std::string& value) {
            if (!value.empty()) {
                record[key] = value;
            }
        };
        put("title", N(item.GetDescription()));
        put("login", N(item.GetUserName()));
        put("password", PasswordOf(item));
        put("url", N(item.GetUrl()));
        put("comments", WithoutCr(N(item.GetComment())));
        std::string group = placed.folder == kImportFolder ? "" : placed.folder;
        if (!groupPrefix.empty() && group.rfind(groupPrefix, 0) == 0) {
            group = group.substr(groupPrefix.size());
        }
        put("group", group);
        records.push_back(record);
    }
    return records;
}

std::vector<Record> Listing(const std::string& name) {
    auto records = ReadListing(kFixtures / "pass-import" / name);
    for (auto& record : records) {
        // "keepass/" names the root group itself.
        auto group = record.find("group");
        if (group != record.end() && !group->second.empty() && group->second.back() == '/') {
            group->second.pop_back();
        }
    }
    return records;
}

class FixtureImportTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::is_directory(kFixtures)) {
            GTEST_SKIP() << "fixtures not present";
        }
    }

    // Imports with the format's importer; the message of a refusal, or "" on success.
    std::string Run(ImportFormat format, const std::filesystem::path& file, PasswordData& data) {
        auto importer = CreateImporter(format, data);
        try {
            importer->Import(kFixtures / file);
        } catch (const Exception& failure) {
            return N(DescribeImportFailure(failure));
        }
        return {};
    }

    PasswordData ImportCsv(const std::filesystem::path& file, CsvSettings settings, const std::vector<int>& mapping) {
        PasswordData data;
        CsvImporter importer(data, settings);
        importer.Import(kFixtures / file);
        importer.SetColumnMapping(mapping);
        importer.ImportRows();
        return data;
    }

    TestSupport::ClockOverride m_clock{1700000000};
};

const std::vector<std::string> kAllKeys = {"title", "login", "password", "url", "comments", "group"};

TEST_F(FixtureImportTest, KeePass2ExportsGiveTheListedEntries) {
    ASSERT_EQ(Listing("expected-main.yml").size(), 14u);
    ASSERT_EQ(Listing("expected-keepass-other.yml").size(), 2u);
    EXPECT_EQ(Listing("expected-main.yml")[6].at("password"), "9KVHnx:.S_S;cF`=CE@e\\p{v6");
    PasswordData main;
    ASSERT_EQ(Run(ImportFormat::KeePass2, "pass-import/keepass.xml", main), "");
    EXPECT_EQ(Describe(Imported(main, "keepass/"), kAllKeys), Describe(Listing("expected-main.yml"), kAllKeys));
    // The custom string and the history of "aib".
    const auto aib = EntryNamed(main, "aib");
    EXPECT_EQ(UdfValue(*aib, "pin"), "462916");

    PasswordData other;
    ASSERT_EQ(Run(ImportFormat::KeePass2, "pass-import/keepass-other.xml", other), "");
    EXPECT_EQ(Describe(Imported(other), kAllKeys), Describe(Listing("expected-keepass-other.yml"), kAllKeys));
}

TEST_F(FixtureImportTest, PasswordSafeExportGivesTheListedEntries) {
    PasswordData data;
    ASSERT_EQ(Run(ImportFormat::PasswordSafeXml, "pass-import/pwsafe.xml", data), "");
    EXPECT_EQ(Describe(Imported(data), kAllKeys), Describe(Listing("expected-main.yml"), kAllKeys));
    const auto note = EntryNamed(data, "note");
    EXPECT_EQ(N(note->GetEmail()), "someuser@example.com");
    ASSERT_EQ(note->GetPasswordHistory().Count(), 3u);
    EXPECT_TRUE(note->GetPasswordHistory().At(2).password.Equals(u"&a<H{P*y0,R3"));
}

TEST_F(FixtureImportTest, OtherKeePass2ExportsImport) {
    struct Case {
        const char* file;
        std::size_t entries;
    };
    for (const Case& c : {Case{"keepassjava2/ExampleDatabase.xml", 0}, Case{"keepassjava2/Attachment.xml", 0},
                          Case{"keepassxc/NewDatabase.xml", 0}, Case{"keepassxc/BrokenDeletedObjects.xml", 1},
                          Case{"keepassxc/BrokenDifferentEntryHistoryUuid.xml", 1},
                          Case{"keepassxc/BrokenGroupReference.xml", 1}, Case{"keepassxc/BrokenNoEntryUuid.xml", 1}}) {
        PasswordData data;
        EXPECT_EQ(Run(ImportFormat::KeePass2, c.file, data), "") << c.file;
        if (c.entries != 0) {
            EXPECT_EQ(data.EntryCount(), c.entries) << c.file;
        } else {
            EXPECT_GT(data.EntryCount(), 0u) << c.file;
        }
    }
    PasswordData data;
    ASSERT_EQ(Run(ImportFormat::KeePass2, "keepassxc/NewDatabase.xml", data), "");
    const auto sample = EntryNamed(data, "Sample Entry 1");
    EXPECT_EQ(N(sample->GetUserName()), "User Name");
    EXPECT_EQ(PasswordOf(*sample), "Password");
    // Every snapshot held the same password: no history, and auto-type is switched off.
    EXPECT_EQ(sample->GetPasswordHistory().Count(), 0u);
    EXPECT_TRUE(sample->GetTargetWindow().IsEmpty());
    const auto second = EntryNamed(data, "Sample Entry 2");
    EXPECT_EQ(UdfValue(*second, "CustomString"), "isavalue");
    EXPECT_EQ(N(second->GetTargetWindow()), "Target Window");
    EXPECT_EQ(N(second->GetSequence()), "{USERNAME}");
    EXPECT_EQ(second->GetValidityMode(), 1u);
}

TEST_F(FixtureImportTest, FilesWithoutEntriesOrOfAnotherFormatAreRefused) {
    for (const char* file : {"keepassxc/BrokenNoGroupUuid.xml", "keepassxc/BrokenNoRootGroup.xml",
                             "keepassxc/BrokenTwoRootGroups.xml", "keepassxc/BrokenTwoRoots.xml",
                             "keepassxc/EmptyUuids.xml"}) {
        PasswordData data;
        EXPECT_EQ(Run(ImportFormat::KeePass2, file, data), N(kNoEntriesMessage)) << file;
    }
    for (const char* file : {"pass-import/keepassx.xml", "pass-import/keepassx-other.xml"}) {
        PasswordData data;
        EXPECT_EQ(Run(ImportFormat::KeePass1, file, data),
                  "Die Datei ist keine Exportdatei im gewählten Format (gefunden wurde das Wurzelelement „database“).");
    }
    PasswordData data;
    EXPECT_EQ(Run(ImportFormat::PasswordSafeXml, "bitwarden/xxe-passwordsafe.xml", data), N(kDocumentTypeMessage));
    EXPECT_EQ(data.EntryCount(), 0u);
    EXPECT_EQ(Run(ImportFormat::PasswordSafeXml, "pwsafe/pwsafe.xsd", data),
              "Die Datei ist keine Exportdatei im gewählten Format (gefunden wurde das Wurzelelement „xs:schema“).");
}

TEST_F(FixtureImportTest, PasswordDepotExportsImport) {
    const ZoneOverride zone("UTC0");
    PasswordData data;
    ASSERT_EQ(Run(ImportFormat::PasswordDepot5, "bitwarden/password-depot-17-password.xml", data), "");
    ASSERT_EQ(data.EntryCount(), 2u);
    const auto item = EntryNamed(data, "password type");
    EXPECT_EQ(FolderOfEntry(data, item), "tempDB");
    EXPECT_EQ(PasswordOf(*item), "p6J<]fmjv!:H&iJ7/Mwt@3i8");
    EXPECT_EQ(N(item->GetUserName()), "someUser");
    EXPECT_EQ(N(item->GetUrl()), "example.com");
    EXPECT_EQ(N(item->GetComment()), "someComment");
    EXPECT_EQ(N(item->GetSequence()), "{USERNAME}{TAB}{PASSWORD}{ENTER}");
    EXPECT_EQ(item->GetValidityMode(), 1u);
    EXPECT_EQ(item->GetExpiry(), 1746576000);
    EXPECT_EQ(item->GetCreationTime(), 1746625008);
    EXPECT_EQ(item->GetUserDefinedFields().Count(), 8u);
    EXPECT_EQ(UdfValue(*item, "decimal"), "1,01");

    PasswordData card;
    ASSERT_EQ(Run(ImportFormat::PasswordDepot4, "bitwarden/password-depot-17-credit-card.xml", card), "");
    const auto cc = EntryNamed(card, "some CreditCard");
    EXPECT_EQ(PasswordOf(*cc), "4222422242224222");
    EXPECT_EQ(UdfValue(*cc, "IDS_CardExpires"), "05/2026");
}

struct CsvCase {
    const char* file;
    char16_t separator;
    bool header;
    std::vector<int> mapping;
    char16_t folderSeparator;
    std::vector<std::string> keys;
    std::string groupPrefix;
};

TEST_F(FixtureImportTest, CsvExportsGiveTheListedEntries) {
    const std::vector<std::string> noGroup = {"title", "login", "password", "url", "comments"};
    const std::vector<CsvCase> cases = {
        {"1password4.csv", u',', true, {2, 6, 3, 4, 7}, 0, noGroup, ""},
        {"bitwarden.csv", u',', true, {1, 0, 0, 2, 6, 0, 7, 3, 4, 0}, u'/', kAllKeys, ""},
        {"chrome.csv", u',', true, {2, 7, 3, 4, 6}, 0, noGroup, ""},
        {"dashlane.csv", u',', false, {2, 7, 3, 4, 6}, 0, noGroup, ""},
        {"firefox.csv", u',', true, {2, 3, 4}, 0, {"title", "login", "password"}, ""},
        {"keepass.csv", u',', true, {2, 3, 4, 7, 6}, 0, noGroup, ""},
        {"keepassx2.csv", u',', true, {1, 2, 3, 4, 7, 6}, u'/', kAllKeys, "Root/"},
        {"keeper.csv", u',', false, {1, 2, 3, 4, 7, 6}, u'/', kAllKeys, ""},
        {"lastpass.csv", u',', true, {7, 3, 4, 6, 2, 1, 0}, u'\\', kAllKeys, ""},
        {"roboform.csv", u',', true, {2, 7, 3, 4, 6, 1}, u'/', kAllKeys, ""},
    };
    const auto expected = Listing("expected-main.yml");
    for (const auto& c : cases) {
        CsvSettings settings;
        settings.separator = c.separator;
        settings.qualifier = u'"';
        settings.firstLineHoldsNames = c.header;
        settings.folderNamesIncluded = c.folderSeparator != 0;
        settings.folderSeparator = c.folderSeparator;
        const auto data = ImportCsv(std::filesystem::path("pass-import") / c.file, settings, c.mapping);
        EXPECT_EQ(Describe(Imported(data, c.groupPrefix), c.keys), Describe(expected, c.keys)) << c.file;
    }
}

TEST_F(FixtureImportTest, CsvWithRowsOfDifferentLayoutsImportsWhatTheMappingFits) {
    // Enpass writes name/value pairs, so a column holds different fields in different rows;
    // rows of the common layout arrive right, the others as their columns say.
    CsvSettings settings;
    settings.separator = u',';
    settings.firstLineHoldsNames = true;
    const auto data = ImportCsv("pass-import/enpass.csv", settings, {2, 0, 3, 0, 4, 0, 7});
    const std::vector<std::string> keys = {"title", "login", "password", "url"};
    auto expected = Listing("expected-main.yml");
    auto imported = Imported(data);
    const auto odd = [](const Record& r) { return r.count("title") != 0 && r.at("title") == "empty password"; };
    EXPECT_EQ(imported.size(), expected.size());
    expected.erase(std::remove_if(expected.begin(), expected.end(), odd), expected.end());
    imported.erase(std::remove_if(imported.begin(), imported.end(), odd), imported.end());
    EXPECT_EQ(Describe(imported, keys), Describe(expected, keys));
}

TEST_F(FixtureImportTest, PasswordSafeTextExportsImport) {
    CsvSettings tabs;
    tabs.separator = u'\t';
    tabs.firstLineHoldsNames = true;
    auto data = ImportCsv("pwsafe/import-text-unit-test1.txt", tabs, {2, 3, 4, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                                      0, 0, 5, 0, 0, 0, 6});
    const auto d = EntryNamed(data, "a.b.c.d-level-title");
    EXPECT_EQ(PasswordOf(*d), "d-password");
    EXPECT_EQ(N(d->GetComment()), "line 1 of 3»line 2 of 3»line 3 of 3");
    EXPECT_EQ(N(EntryNamed(data, "toplevel-title1")->GetEmail()), "tom@email.com");

    CsvSettings commas;
    commas.separator = u',';
    commas.firstLineHoldsNames = true;
    commas.folderNamesIncluded = true;
    commas.folderSeparator = u'.';
    data = ImportCsv("pwsafe/import-text-unit-test3.csv", commas, {1, 2, 3, 4, 7});
    EXPECT_EQ(FolderOfEntry(data, EntryNamed(data, "d-level-title")), "a/b/c");
    EXPECT_EQ(FolderOfEntry(data, EntryNamed(data, "toplevel-title1")), kImportFolder);

    commas.folderSeparator = u'\\';
    data = ImportCsv("pwsafe/import-text-unit-test5.csv", commas, {7, 3, 4, 0, 6, 2, 1});
    const auto acme = EntryNamed(data, "acme-name");
    EXPECT_EQ(FolderOfEntry(data, acme), "acme-folder/subfolder1");
    EXPECT_EQ(N(acme->GetComment()), "how are multiline notes exported?\r\nonly time will tell.\r\nmarked as favorite!");
}

TEST_F(FixtureImportTest, NoFileBreaksAnyImporter) {
    std::size_t files = 0;
    for (const auto& found : std::filesystem::recursive_directory_iterator(kFixtures)) {
        if (!found.is_regular_file()) {
            continue;
        }
        ++files;
        for (std::size_t index = 0; index < kImportFormatCount; ++index) {
            const auto format = *ImportFormatAt(index);
            PasswordData data;
            CsvSettings settings;
            settings.separator = u',';
            settings.firstLineHoldsNames = true;
            auto importer = CreateImporter(format, data, settings);
            try {
                importer->Import(found.path());
                if (auto* csv = dynamic_cast<CsvImporter*>(importer.get())) {
                    csv->SetColumnMapping({TargetFolder, TargetDescription, TargetPassword, TargetComment});
                    csv->ImportRows();
                }
                // Whatever was read can be written.
                Tarnwick::PasswordADT::ByteBuffer buffer;
                for (const auto& placed : AllEntries(data)) {
                    placed.item->Serialize(buffer);
                }
            } catch (const Exception& failure) {
                EXPECT_FALSE(DescribeImportFailure(failure).IsEmpty()) << found.path();
            }
        }
    }
    EXPECT_GT(files, 30u);
}

} // namespace
