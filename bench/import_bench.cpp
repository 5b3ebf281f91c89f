// Times the importers on large generated files: a KeePass 2.x XML export and a CSV file of
// 100,000 entries each, read into an in-memory folder collection; prints its figures.
// Usage: tw_import_bench [entries] [folder to keep the generated files in]
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "exchange/CsvImporter.h"
#include "exchange/XmlImportKeepassV2.h"
#include "model/PasswordData.h"
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

} // namespace

int main(int argc, char** argv) {
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
