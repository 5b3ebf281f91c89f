// Times the importers on large generated files; prints its figures. Each use is best run as a
// process of its own, so that the peak memory it prints is its own.
// Usage: tw_import_bench [entries] [folder to keep the generated files in]
//          KeePass 2.x XML and CSV files of 100,000 entries read into an in-memory collection.
//        tw_import_bench merge [entries]
//          CSV files of that many entries, all in one folder and spread over 1,000 folders,
//          read and imported into a database as twcli import does it.
//        tw_import_bench hostile-csv [megabytes]
//          A CSV file that is one line of that many megabytes (100 by default).
//        tw_import_bench hostile-keepass [fields]
//          A KeePass 2.x entry with that many fields (1,000,000 by default).
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/text/Utf.h"
#include "database/CDatabase.h"
#include "exchange/CsvImporter.h"
#include "exchange/DatabaseImport.h"
#include "exchange/ImportMessages.h"
#include "exchange/XmlImportKeepassV2.h"
#include "base/exceptions/Exception.h"
#include "model/PasswordData.h"
#include "support/FakeDatabaseUI.h"
#include "support/TempFolder.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Processor time of this process (user and system), which a busy machine does not inflate.
double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long PeakResidentMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

double Megabytes(const std::filesystem::path& path) {
    return static_cast<double>(std::filesystem::file_size(path)) / 1e6;
}

// 100 groups of entries below one root group, as KeePass writes them: times, five standard
// strings and a custom one, auto-type, and a history of two snapshots for every tenth entry.
void WriteKeePass(const std::filesystem::path& path, int entries) {
    std::ofstream out(path, std::ios::binary);
    out << "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\n<KeePassFile>\n\t<Meta>\n"
           "\t\t<Generator>KeePass</Generator>\n\t\t<CustomData />\n\t</Meta>\n\t<Root>\n\t\t<Group>\n"
           "\t\t\t<UUID>AAAAAAAAAAAAAAAAAAAAAA==</UUID>\n\t\t\t<Name>Bench</Name>\n";
    const int groups = 100;
    int written = 0;
    for (int g = 0; g < groups; ++g) {
        out << "\t\t\t<Group>\n\t\t\t\t<UUID>AAAAAAAAAAAAAAAAAAAAAA==</UUID>\n\t\t\t\t<Name>Group " << g << "</Name>\n";
        const int inGroup = entries / groups + (g < entries % groups ? 1 : 0);
        for (int e = 0; e < inGroup; ++e, ++written) {
            const std::string n = std::to_string(written);
            const auto strings = [&](const std::string& password) {
                out << "\t\t\t\t\t<String><Key>Notes</Key><Value>Notes of entry " << n
                    << "\nwith a second line</Value></String>\n"
                    << "\t\t\t\t\t<String><Key>Password</Key><Value ProtectInMemory=\"True\">" << password
                    << "</Value></String>\n"
                    << "\t\t\t\t\t<String><Key>PIN</Key><Value>" << (1000 + written % 9000) << "</Value></String>\n"
                    << "\t\t\t\t\t<String><Key>Title</Key><Value>Entry " << n << "</Value></String>\n"
                    << "\t\t\t\t\t<String><Key>URL</Key><Value>https://site" << n << ".example.org/login</Value></String>\n"
                    << "\t\t\t\t\t<String><Key>UserName</Key><Value>user" << n << "@example.org</Value></String>\n";
            };
            const auto times = [&](const char* modified) {
                out << "\t\t\t\t\t<Times>\n\t\t\t\t\t\t<CreationTime>2017-01-01T00:00:00Z</CreationTime>\n"
                    << "\t\t\t\t\t\t<LastModificationTime>" << modified << "</LastModificationTime>\n"
                    << "\t\t\t\t\t\t<ExpiryTime>2030-01-01T00:00:00Z</ExpiryTime>\n\t\t\t\t\t\t<Expires>False</Expires>\n"
                    << "\t\t\t\t\t\t<UsageCount>3</UsageCount>\n\t\t\t\t\t</Times>\n";
            };
            out << "\t\t\t\t<Entry>\n\t\t\t\t\t<UUID>4csJ5O+X9E2lOHyv25WwQw==</UUID>\n\t\t\t\t\t<IconID>0</IconID>\n";
            times("2019-01-01T00:00:00Z");
            strings("pw-" + n + "-x7&amp;Q!z");
            out << "\t\t\t\t\t<AutoType>\n\t\t\t\t\t\t<Enabled>True</Enabled>\n\t\t\t\t\t\t<Association>\n"
                << "\t\t\t\t\t\t\t<Window>Site " << n << " - Firefox</Window>\n"
                << "\t\t\t\t\t\t\t<KeystrokeSequence>{USERNAME}{TAB}{PASSWORD}{ENTER}</KeystrokeSequence>\n"
                << "\t\t\t\t\t\t</Association>\n\t\t\t\t\t</AutoType>\n";
            if (written % 10 == 0) {
                out << "\t\t\t\t\t<History>\n";
                for (const char* when : {"2017-06-01T00:00:00Z", "2018-06-01T00:00:00Z"}) {
                    out << "\t\t\t\t\t<Entry>\n";
                    times(when);
                    strings(std::string("old-") + when + "-" + n);
                    out << "\t\t\t\t\t</Entry>\n";
                }
                out << "\t\t\t\t\t</History>\n";
            } else {
                out << "\t\t\t\t\t<History />\n";
            }
            out << "\t\t\t\t</Entry>\n";
        }
        out << "\t\t\t</Group>\n";
    }
    out << "\t\t</Group>\n\t</Root>\n</KeePassFile>\n";
}

void WriteCsv(const std::filesystem::path& path, int rows) {
    std::ofstream out(path, std::ios::binary);
    out << "\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\"\r\n";
    for (int i = 0; i < rows; ++i) {
        const std::string n = std::to_string(i);
        out << "\"Root/Group " << i % 100 << "\",\"Entry " << n << "\",\"user" << n << "@example.org\",\"pw-" << n
            << "-x7\"\"Q,z\",\"https://site" << n << ".example.org/login\",\"Notes of entry " << n
            << "\r\nwith a second line\"\r\n";
    }
}

// Entries as another manager exports them; with folders, spread over that many.
void WriteFlatCsv(const std::filesystem::path& path, int rows, int folders) {
    std::ofstream out(path, std::ios::binary);
    for (int i = 0; i < rows; ++i) {
        const std::string n = std::to_string(i);
        if (folders > 0) {
            out << "Gruppe " << i % folders << ";";
        }
        out << "Eintrag " << n << ";user" << n << "@example.org;pw-" << n << "-x7Q;https://site" << n
            << ".example.org/login;Notiz " << n << "\n";
    }
}

// Answers as twcli import does by default: keep both of a duplicate, delete the backup.
class ScriptUI final : public Tarnwick::ExportImport::IDatabaseImportUserInterface {
public:
    void ShowError(std::u16string_view text) override {
        std::printf("  Fehler: %s\n", Tarnwick::Text::ToUtf8(text).c_str());
    }
    int AskCommand(std::u16string_view heading, std::u16string_view, const std::vector<Tarnwick::CommandButton>&) override {
        return heading == Tarnwick::ExportImport::DatabaseImport::kDeleteBackupQuestion ? 1 : 2;
    }
    void ProgressStart(std::int32_t) override {}
    void ProgressStep() override {}
    void ProgressEnd() override {}
    void SetStatus(std::u16string_view) override {}
    void ShowInformation(std::u16string_view) override {}
};

int Merge(int entries) {
    TestSupport::TempFolder folder;
    for (const int folders : {0, 1000}) {
        const auto csv = folder.Path() / ("export-" + std::to_string(folders) + ".csv");
        WriteFlatCsv(csv, entries, folders);
        const auto database = folder.Path() / ("ziel-" + std::to_string(folders) + ".twdb");
        Tarnwick::LoginCredentials alice;
        alice.userName.Assign(u"alice");
        alice.password.Assign(u"geheim");
        {
            TestSupport::FakeDatabaseUI ui;
            Tarnwick::PasswordADT::PasswordData start;
            start.AddFolder(u"Allgemein");
            Tarnwick::CDatabase created(ui, database);
            if (!created.CreateWithContent(alice, Tarnwick::CDatabase::kAes, start)) {
                std::printf("database not created\n");
                return 1;
            }
        }
        auto start = Clock::now();
        Tarnwick::PasswordADT::PasswordData imported;
        Tarnwick::Import::CSV::CsvSettings settings;
        settings.separator = u';';
        settings.qualifier = u'"';
        Tarnwick::Import::CSV::CsvImporter importer(imported, settings);
        importer.Import(csv);
        if (folders > 0) {
            importer.SetColumnMapping({1, 2, 3, 4, 7, 6});
        } else {
            importer.SetColumnMapping({2, 3, 4, 7, 6});
        }
        importer.ImportRows();
        const double read = Seconds(start);

        // The open database, as twcli has it after its log-in.
        Tarnwick::PasswordADT::PasswordData open;
        {
            TestSupport::FakeDatabaseUI ui;
            Tarnwick::CDatabase loaded(ui, database);
            if (loaded.Login(alice) != Tarnwick::RequestResult::Succeeded || !loaded.Load(alice, open)) {
                std::printf("database not loaded\n");
                return 1;
            }
        }
        // The merge alone, in memory.
        start = Clock::now();
        double cpu = CpuSeconds();
        {
            Tarnwick::PasswordADT::PasswordData working = Tarnwick::ExportImport::DatabaseImport::CopyFolders(open);
            ScriptUI quiet;
            Tarnwick::ExportImport::DatabaseImportMerge merge(quiet, Tarnwick::ExportImport::DuplicateTreatment::Ask);
            merge.ImportPasswords(imported, Tarnwick::ExportImport::Selection::All(imported), working);
        }
        const double merged = Seconds(start);
        const double mergedCpu = CpuSeconds() - cpu;
        // The whole run: backup, merge, write, read back, delete the backup.
        start = Clock::now();
        cpu = CpuSeconds();
        ScriptUI ui;
        Tarnwick::ExportImport::DatabaseImport run(ui, database, alice, open);
        const auto result = run.Run(imported, Tarnwick::ExportImport::Selection::All(imported),
                                    Tarnwick::ExportImport::DuplicateTreatment::Ask);
        const double whole = Seconds(start);
        std::printf("%d entries %s: reading %.3f s; merge in memory %.3f s (processor %.3f s); whole import "
                    "%.3f s (processor %.3f s)%s\n",
                    entries, folders == 0 ? "into one folder" : "over 1,000 folders", read, merged, mergedCpu, whole,
                    CpuSeconds() - cpu, result.outcome == Tarnwick::ExportImport::ImportOutcome::Imported ? "" : " FAILED");
    }
    std::printf("peak resident memory: %ld MB\n", PeakResidentMegabytes());
    return 0;
}

// Runs an import that is expected to be refused and prints what it cost.
template <typename Action>
void Refusal(const char* label, const std::filesystem::path& file, Action&& action) {
    const auto start = Clock::now();
    const double cpu = CpuSeconds();
    std::string outcome = "imported";
    try {
        action();
    } catch (const Utilities::Exceptions::Exception& failure) {
        outcome = Tarnwick::Text::ToUtf8(Tarnwick::Import::DescribeImportFailure(failure).View());
    }
    std::printf("%s (%.1f MB): %.3f s (processor %.3f s), peak resident memory %ld MB\n  %s\n", label,
                Megabytes(file), Seconds(start), CpuSeconds() - cpu, PeakResidentMegabytes(), outcome.c_str());
}

int HostileCsv(int megabytes) {
    TestSupport::TempFolder folder;
    const auto csv = folder.Path() / "eine-zeile.csv";
    {
        std::ofstream out(csv, std::ios::binary);
        out << "Titel;";
        const std::string block(1u << 20, 'x');
        for (int i = 0; i < megabytes; ++i) {
            out << block;
        }
    }
    Tarnwick::PasswordADT::PasswordData data;
    Tarnwick::Import::CSV::CsvSettings settings;
    Tarnwick::Import::CSV::CsvImporter importer(data, settings);
    Refusal("CSV of one line", csv, [&] {
        importer.Import(csv);
        importer.SetColumnMapping({2, 6});
        importer.ImportRows();
    });
    return 0;
}

int HostileKeePass(int fields) {
    TestSupport::TempFolder folder;
    const auto xml = folder.Path() / "felder.xml";
    {
        std::ofstream out(xml, std::ios::binary);
        out << "<?xml version=\"1.0\" encoding=\"utf-8\"?><KeePassFile><Root><Group><Name>G</Name><Entry>"
               "<String><Key>Title</Key><Value>Viele Felder</Value></String>\n";
        for (int i = 0; i < fields; ++i) {
            out << "<String><Key>Feld " << i << "</Key><Value>Wert " << i << "</Value></String>\n";
        }
        out << "</Entry></Group></Root></KeePassFile>\n";
    }
    Tarnwick::PasswordADT::PasswordData data;
    Tarnwick::Import::Xml::XmlImportKeepassV2 importer(data);
    Refusal("KeePass 2.x entry with many fields", xml, [&] { importer.Import(xml); });
    std::printf("  %zu entries, %zu warnings\n", data.EntryCount(), importer.GetWarnings().size());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "merge") {
        return Merge(argc > 2 ? std::atoi(argv[2]) : 100000);
    }
    if (mode == "hostile-csv") {
        return HostileCsv(argc > 2 ? std::atoi(argv[2]) : 100);
    }
    if (mode == "hostile-keepass") {
        return HostileKeePass(argc > 2 ? std::atoi(argv[2]) : 1000000);
    }
    const int entries = argc > 1 ? std::atoi(argv[1]) : 100000;
    TestSupport::TempFolder temporary;
    const std::filesystem::path folder = argc > 2 ? std::filesystem::path(argv[2]) : temporary.Path();

    const auto xml = folder / "keepass.xml";
    WriteKeePass(xml, entries);
    {
        Tarnwick::PasswordADT::PasswordData data;
        Tarnwick::Import::Xml::XmlImportKeepassV2 importer(data);
        const auto start = Clock::now();
        const double cpu = CpuSeconds();
        importer.Import(xml);
        const double seconds = Seconds(start);
        std::printf("KeePass 2.x XML: %zu entries in %zu folders from %.1f MB: %.3f s (processor %.3f s)\n",
                    data.EntryCount(), data.FolderCount(), Megabytes(xml), seconds, CpuSeconds() - cpu);
    }

    const auto csv = folder / "export.csv";
    WriteCsv(csv, entries);
    {
        Tarnwick::PasswordADT::PasswordData data;
        Tarnwick::Import::CSV::CsvSettings settings;
        settings.separator = u',';
        settings.qualifier = u'"';
        settings.firstLineHoldsNames = true;
        settings.folderNamesIncluded = true;
        settings.folderSeparator = u'/';
        Tarnwick::Import::CSV::CsvImporter importer(data, settings);
        const auto start = Clock::now();
        const double cpu = CpuSeconds();
        importer.Import(csv);
        const double read = Seconds(start);
        importer.SetColumnMapping({1, 2, 3, 4, 7, 6});
        importer.ImportRows();
        const double seconds = Seconds(start);
        std::printf("CSV: %zu entries in %zu folders from %.1f MB: %.3f s (reading %.3f s; processor %.3f s)\n",
                    data.EntryCount(), data.FolderCount(), Megabytes(csv), seconds, read, CpuSeconds() - cpu);
    }
    std::printf("peak resident memory: %ld MB\n", PeakResidentMegabytes());
    return 0;
}
