// The CSV exports of other managers are recognised by their header line and import with the
// entries their reference listing names; what an entry cannot carry is reported.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "ImportTestSupport.h"
#include "exchange/CsvPresets.h"
#include "support/ClockOverride.h"

using namespace ImportTest;
using namespace Tarnwick::Import::CSV;

namespace {

const std::filesystem::path kPassImport = std::filesystem::path(TW_FIXTURES_DIR) / "pass-import";

using Record = std::map<std::string, std::string>;

// The reference listing: a list of flat maps with plain, quoted and "|-" block values.
std::vector<Record> Listing(const std::filesystem::path& path) {
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
        const std::size_t colon = line.find(": ");
        if (line.rfind("  ", 0) != 0 || records.empty() || colon == std::string::npos) {
            continue;
        }
        std::string value = line.substr(colon + 2);
        if (value == "|-") {
            value.clear();
            while (i + 1 < lines.size() && lines[i + 1].rfind("    ", 0) == 0) {
                value += (value.empty() ? "" : "\n") + lines[++i].substr(4);
            }
        } else if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'')) {
            std::string text;
            for (std::size_t k = 1; k + 1 < value.size(); ++k) {
                if (value.front() == '"' && value[k] == '\\' && k + 2 < value.size()) {
                    ++k;
                } else if (value.front() == '\'' && value[k] == '\'' && value[k + 1] == '\'') {
                    ++k;
                }
                text += value[k];
            }
            value = text;
        }
        if (!value.empty() && value.back() == '/' && line.substr(2, colon - 2) == "group") {
            value.pop_back();
        }
        records.back()[line.substr(2, colon - 2)] = value;
    }
    return records;
}

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

std::vector<Record> Imported(const PasswordData& data) {
    std::vector<Record> records;
    for (const auto& placed : AllEntries(data)) {
        Record record;
        const auto put = [&](const std::string& key, std::string value) {
            value.erase(std::remove(value.begin(), value.end(), '\r'), value.end());
            if (!value.empty()) {
                record[key] = value;
            }
        };
        put("title", N(placed.item->GetDescription()));
        put("login", N(placed.item->GetUserName()));
        put("password", PasswordOf(*placed.item));
        put("url", N(placed.item->GetUrl()));
        put("comments", N(placed.item->GetComment()));
        put("group", placed.folder.rfind("Import ", 0) == 0 ? "" : placed.folder);
        records.push_back(record);
    }
    return records;
}

struct Imports {
    PasswordData data;
    std::optional<CsvPreset> preset;
    std::vector<std::string> warnings;
};

// What the wizard does: sniff the first record, recognise (or take the named) preset, read
// with its settings and import with its mapping.
void ImportWithPreset(const std::filesystem::path& file, Imports& out, std::u16string_view chosen = {}) {
    char16_t separator = 0;
    const auto first = ReadFirstRecord(file, separator);
    ASSERT_FALSE(first.empty()) << file;
    out.preset = chosen.empty() ? RecognisePreset(Views(first)) : PresetByName(chosen, Views(first));
    ASSERT_TRUE(out.preset) << file;
    CsvSettings settings;
    settings.separator = separator;
    settings.firstLineHoldsNames = out.preset->header;
    settings.folderNamesIncluded = out.preset->folderSeparator != 0;
    settings.folderSeparator = out.preset->folderSeparator;
    PresetCsvImporter importer(out.data, settings);
    importer.Import(file);
    importer.SetPreset(out.preset);
    importer.SetColumnMapping(out.preset->mapping);
    importer.ImportAllRows();
    for (const auto& warning : importer.GetWarnings()) {
        out.warnings.push_back(N(warning.text));
    }
}

class CsvPresetsTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::is_directory(kPassImport)) {
            GTEST_SKIP() << "fixtures not present";
        }
    }
    TestSupport::ClockOverride m_clock{1700000000};
};

TEST_F(CsvPresetsTest, EveryExportIsRecognisedAndGivesTheListedEntries) {
    const std::vector<std::string> all = {"title", "login", "password", "url", "comments", "group"};
    const std::vector<std::string> noGroup = {"title", "login", "password", "url", "comments"};
    struct Case {
        const char* file;
        const char16_t* name;
        std::vector<std::string> keys;
        bool recognised = true;
    };
    const std::vector<Case> cases = {
        {"keepassx2.csv", u"KeePassXC", all},   {"keepass.csv", u"KeePass", noGroup},
        {"bitwarden.csv", u"Bitwarden", all},   {"firefox.csv", u"Firefox", {"title", "login", "password"}},
        {"chrome.csv", u"Chrome", noGroup},     {"lastpass.csv", u"LastPass", all},
        {"1password4.csv", u"1Password", noGroup}, {"enpass.csv", u"Enpass", noGroup},
        {"roboform.csv", u"RoboForm", all},     {"dashlane.csv", u"Dashlane", noGroup, false},
        {"keeper.csv", u"Keeper", all, false},
    };
    const auto expected = Listing(kPassImport / "expected-main.yml");
    ASSERT_EQ(expected.size(), 14u);
    for (const auto& c : cases) {
        Imports imports;
        ImportWithPreset(kPassImport / c.file, imports, c.recognised ? std::u16string_view() : std::u16string_view(c.name));
        ASSERT_TRUE(imports.preset) << c.file;
        EXPECT_EQ(imports.preset->name, c.name) << c.file;
        EXPECT_EQ(Describe(Imported(imports.data), c.keys), Describe(expected, c.keys)) << c.file;
    }
}

TEST_F(CsvPresetsTest, OtherColumnsBecomeUserDefinedFields) {
    Imports bitwarden;
    ImportWithPreset(kPassImport / "bitwarden.csv", bitwarden);
    const auto aib = EntryNamed(bitwarden.data, "aib");
    EXPECT_EQ(UdfValue(*aib, "pin"), "462916");
    EXPECT_EQ(UdfValue(*aib, "oldpin"), "489019");

    Imports enpass;
    ImportWithPreset(kPassImport / "enpass.csv", enpass);
    EXPECT_EQ(UdfValue(*EntryNamed(enpass.data, "aib"), "pin"), "462916");

    // RoboForm repeats login and password in its field list: no copies of them.
    Imports roboform;
    ImportWithPreset(kPassImport / "roboform.csv", roboform);
    EXPECT_EQ(EntryNamed(roboform.data, "aib")->GetUserDefinedFields().Count(), 0u);
}

TEST_F(CsvPresetsTest, OneTimePasswordSecretsAreReportedNotDroppedSilently) {
    const auto file = std::filesystem::temp_directory_path() / "tw-presets-totp.csv";
    {
        std::ofstream out(file);
        out << "folder,favorite,type,name,notes,fields,login_uri,login_username,login_password,login_totp\n"
               ",,login,Mail,,,https://mail.example,me,secret,otpauth://totp/x?secret=ABC\n"
               ",,login,Bank,,,,me,secret2,\n";
    }
    Imports imports;
    ImportWithPreset(file, imports);
    std::filesystem::remove(file);
    ASSERT_EQ(imports.warnings.size(), 1u);
    EXPECT_NE(imports.warnings[0].find("login_totp"), std::string::npos);
    EXPECT_NE(imports.warnings[0].find("Einmalpasswort"), std::string::npos);
    // The secret itself goes nowhere: neither into the entry nor into the warning.
    EXPECT_EQ(imports.warnings[0].find("ABC"), std::string::npos);
    EXPECT_EQ(EntryNamed(imports.data, "Mail")->GetUserDefinedFields().Count(), 0u);
    // Entries without a folder land in the import folder; no empty folder is left behind.
    EXPECT_EQ(imports.data.FolderCount(), 1u);
}

TEST(CsvPresetsGeneric, WithoutAPresetTheRowsGiveWhatTheGenericImportGives) {
    TestSupport::ClockOverride clock{1700000000};
    const auto file = std::filesystem::temp_directory_path() / "tw-presets-generic.csv";
    {
        std::ofstream out(file);
        out << "Ordner;Beschreibung;Passwort;Kommentar\n"
               "Bank/Giro;Sparkasse;pw1;\"zwei\nZeilen\"\n"
               ";Ohne Ordner;pw2;\n"
               "Bank/Giro;Volksbank;pw3;x\n"
               ";;;\n";
    }
    CsvSettings settings;
    settings.firstLineHoldsNames = true;
    settings.folderNamesIncluded = true;
    settings.folderSeparator = u'/';
    const std::vector<int> mapping = {TargetFolder, TargetDescription, TargetPassword, TargetComment};
    PasswordData generic;
    CsvImporter plain(generic, settings);
    plain.Import(file);
    plain.SetColumnMapping(mapping);
    plain.ImportRows();
    PasswordData ours;
    PresetCsvImporter importer(ours, settings);
    importer.Import(file);
    importer.SetColumnMapping(mapping);
    std::size_t lastDone = 0;
    importer.progress = [&](std::size_t done, std::size_t total) {
        EXPECT_EQ(total, 4u);
        lastDone = done;
    };
    importer.ImportAllRows();
    std::filesystem::remove(file);
    const std::vector<std::string> keys = {"title", "password", "comments", "group"};
    EXPECT_EQ(Describe(Imported(ours), keys), Describe(Imported(generic), keys));
    EXPECT_EQ(ours.EntryCount(), 3u);
    EXPECT_EQ(lastDone, 4u);
    // A second pass (after going back) replaces the first.
    importer.ImportAllRows();
    EXPECT_EQ(ours.EntryCount(), 3u);
}

TEST(CsvPresetsMapping, HeaderNamesMapInGermanAndEnglish) {
    EXPECT_EQ(MappingFromHeader({u"Beschreibung", u"Benutzername", u"Passwort", u"URL", u"Kommentar", u"Ordner", u"E-Mail"}),
              (std::vector<int>{TargetDescription, TargetUserName, TargetPassword, TargetUrl, TargetComment,
                                TargetFolder, TargetEmail}));
    EXPECT_EQ(MappingFromHeader({u" title ", u"USERNAME", u"Password", u"Notes", u"Something"}),
              (std::vector<int>{TargetDescription, TargetUserName, TargetPassword, TargetComment, TargetNone}));
    // A target goes to the first column naming it, never twice.
    EXPECT_EQ(MappingFromHeader({u"Password", u"Passwort"}), (std::vector<int>{TargetPassword, TargetNone}));
    EXPECT_EQ(MappingFromHeader({}), std::vector<int>{});
}

TEST(CsvPresetsMapping, UnknownHeadersAndNamesGiveNoPreset) {
    EXPECT_FALSE(RecognisePreset({u"a", u"b", u"c"}));
    EXPECT_FALSE(RecognisePreset({}));
    EXPECT_FALSE(RecognisePreset({u"Title"}));
    EXPECT_FALSE(PresetByName(u"Unbekannt", {u"a", u"b"}));
    EXPECT_TRUE(IsUnsupportedColumn(u"TOTP"));
    EXPECT_TRUE(IsUnsupportedColumn(u"Attachments"));
    EXPECT_FALSE(IsUnsupportedColumn(u"Notes"));
}

TEST(CsvPresetsMapping, ReadingTheFirstRecordOfAMissingFileGivesNothing) {
    char16_t separator = 0;
    EXPECT_TRUE(ReadFirstRecord("/nonexistent/tw-file.csv", separator).empty());
}

} // namespace
