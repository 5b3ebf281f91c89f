// twcli import and merge with hostile sources and failing disks: a source that is no regular
// file, a CSV line longer than any entry, a CSV import without column mapping, and a failed
// run that leaves its backup beside the database.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/Console.h"
#include "support/DatabaseFixture.h"
#include "support/FaultyFileSystem.h"
#include "support/Process.h"
#include "support/TempDir.h"

using TestSupport::ProcessResult;
using TestSupport::ReadBytes;
using TestSupport::RunProcess;
using TestSupport::TempDir;

namespace {

class CliImportSafety : public ::testing::Test {
protected:
    CliImportSafety() { ::setenv("XDG_DATA_HOME", (m_dir.Path() / "daten").c_str(), 1); }

    ProcessResult Run(const std::vector<std::string>& args, const std::string& input = {}) {
        return RunProcess(TW_CLI_PATH, args, input, m_dir.Path().string());
    }
    // The tool inside this process, so that a faulty file system can be put under it.
    ProcessResult RunHere(const std::vector<std::string>& args, const std::string& input) {
        std::string in = input;
        std::FILE* inFile = ::fmemopen(in.data(), in.size(), "r");
        char* outText = nullptr;
        char* errText = nullptr;
        std::size_t outSize = 0;
        std::size_t errSize = 0;
        std::FILE* outFile = ::open_memstream(&outText, &outSize);
        std::FILE* errFile = ::open_memstream(&errText, &errSize);
        ProcessResult result;
        {
            Tarnwick::Cli::Console console(inFile, outFile, errFile);
            result.status = Tarnwick::Cli::RunTool(console, args);
        }
        std::fclose(inFile);
        std::fclose(outFile);
        std::fclose(errFile);
        result.out.assign(outText, outSize);
        result.err.assign(errText, errSize);
        std::free(outText);
        std::free(errText);
        return result;
    }
    std::string File(const std::string& name = "k.twdb") const { return (m_dir.Path() / name).string(); }

    // A database "k.twdb" of Alice with the folder "Allgemein".
    void CreateDatabase() {
        const auto r = Run({"db-create", File()}, "Alice\ngeheim\n");
        ASSERT_EQ(r.status, 0) << r.err;
    }
    void Write(const std::string& name, const std::string& bytes) {
        std::ofstream out(m_dir.Path() / name, std::ios::binary);
        out << bytes;
    }
    std::vector<std::filesystem::path> Backups() const {
        std::vector<std::filesystem::path> found;
        for (const auto& entry : std::filesystem::directory_iterator(m_dir.Path())) {
            if (entry.path().filename().string().rfind("~$", 0) == 0) {
                found.push_back(entry.path());
            }
        }
        return found;
    }

    static constexpr const char* kLogin = "alice\ngeheim\n";
    TempDir m_dir;
};

std::string Refusal(const std::string& path) {
    return "Die Datei \"" + path + "\" ist keine reguläre Datei.";
}

TEST_F(CliImportSafety, ImportAndMergeRefuseWhatIsNoRegularFile) {
    CreateDatabase();
    const auto before = ReadBytes(File());
    const std::string fifo = File("export.fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // A writer is held open so that a tool that opened it anyway would not hang the test.
    const int writer = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    std::filesystem::create_directory(m_dir.Path() / "ordner");
    for (const std::string& source : {fifo, File("ordner"), std::string("/dev/null")}) {
        for (const std::vector<std::string>& format :
             {std::vector<std::string>{"--format", "keepass2-xml"},
              std::vector<std::string>{"--format", "csv", "--columns", "beschreibung"},
              std::vector<std::string>{"--format", "psr-csv", "--columns", "ordner,beschreibung"}}) {
            std::vector<std::string> args{"import", File(), source};
            args.insert(args.end(), format.begin(), format.end());
            const auto r = Run(args, kLogin);
            EXPECT_EQ(r.status, 1) << source << " " << format[1];
            EXPECT_NE(r.err.find(Refusal(source)), std::string::npos) << r.err;
        }
        const auto r = Run({"merge", File(), source, "--other-user", "bob", "--duplicates", "skip"},
                           std::string(kLogin) + "anders\n");
        EXPECT_EQ(r.status, 1) << source;
        EXPECT_NE(r.err.find(Refusal(source)), std::string::npos) << r.err;
    }
    ::close(writer);
    EXPECT_EQ(ReadBytes(File()), before);
    EXPECT_TRUE(Backups().empty());
}

TEST_F(CliImportSafety, CsvImportsWithoutColumnMappingFailBeforeTheFileIsRead) {
    CreateDatabase();
    const auto before = ReadBytes(File());
    // Read, this file would be refused for holding no rows.
    Write("nur-kopf.csv", "Gruppe;Titel;Passwort\n");
    for (const char* format : {"pwsafe-csv", "psr-csv", "csv"}) {
        const auto r = Run({"import", File(), File("nur-kopf.csv"), "--format", format, "--header"}, kLogin);
        EXPECT_EQ(r.status, 2) << format;
        EXPECT_NE(r.err.find("Für CSV-Dateien geben Sie die Spaltenzuordnung mit --columns an."), std::string::npos)
            << r.err;
        EXPECT_EQ(r.err.find("Datenzeilen"), std::string::npos) << r.err;
    }
    // Nor does a wrong duplicate treatment wait until the file is read.
    const auto r = Run({"import", File(), File("nur-kopf.csv"), "--format", "csv", "--header", "--columns",
                        "beschreibung", "--duplicates", "vielleicht"},
                       kLogin);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--duplicates erwartet"), std::string::npos) << r.err;
    EXPECT_EQ(ReadBytes(File()), before);
}

TEST_F(CliImportSafety, AHostileCsvLineIsRefusedAndNamed) {
    CreateDatabase();
    const auto before = ReadBytes(File());
    Write("lang.csv", "Titel;" + std::string(2u << 20, 'x'));
    const auto r = Run({"import", File(), File("lang.csv"), "--format", "csv", "--columns", "beschreibung,kommentar"},
                       kLogin);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Fehler: Es ist ein Fehler beim Importieren der Daten aufgetreten."), std::string::npos);
    EXPECT_NE(r.err.find("Eintrag 1 (ab Zeile 1) ist länger als 176520 Zeichen, mehr als ein Eintrag fassen kann."),
              std::string::npos)
        << r.err;
    EXPECT_EQ(ReadBytes(File()), before);
}

// Fails the n-th change on disk (and every later one) for n = 1, 2, ... until the verb goes
// through (the erase of the backup may fail: it falls back to removing it): whenever a backup
// stays beside the database, standard error names it.
TEST_F(CliImportSafety, ABackupLeftBehindIsNamedOnStandardError) {
    CreateDatabase();
    ASSERT_EQ(Run({"add", File(), "Allgemein/Giro", "--username", "alt"}, std::string(kLogin) + "pw\n").status, 0);
    ASSERT_EQ(Run({"db-create", File("andere.twdb")}, "Bob\nanders\n").status, 0);
    ASSERT_EQ(Run({"add", File("andere.twdb"), "Allgemein/Giro", "--username", "neu"}, "bob\nanders\nzz\n").status, 0);
    Write("fremd.csv", "Bank;Konto;geheim\n");
    const auto before = ReadBytes(File());

    struct Verb {
        std::vector<std::string> args;
        std::string input;
    };
    const std::vector<Verb> verbs = {
        {{"merge", File(), File("andere.twdb"), "--other-user", "bob", "--duplicates", "replace"},
         std::string(kLogin) + "anders\n"},
        {{"import", File(), File("fremd.csv"), "--format", "csv", "--columns", "ordner,beschreibung,passwort"},
         kLogin},
    };
    for (const Verb& verb : verbs) {
        bool keptOnFailure = false;
        long n = 1;
        for (; n < 400; ++n) {
            for (const auto& left : Backups()) {
                std::filesystem::remove(left);
            }
            TestSupport::WriteBytes(File(), before);
            ProcessResult r;
            bool failed = false;
            {
                TestSupport::FaultyFileSystem faults(n);
                r = RunHere(verb.args, verb.input);
                failed = faults.Failed();
            }
            for (const auto& left : Backups()) {
                ASSERT_NE(r.err.find("Sicherung: " + left.string()), std::string::npos)
                    << verb.args[0] << " change " << n << ": " << r.err;
                if (r.status != 0) {
                    keptOnFailure = true;
                    EXPECT_NE(r.err.find("Die Sicherung der Passwortdatenbank wurde aufbewahrt: \"" + left.string()),
                              std::string::npos)
                        << r.err;
                }
            }
            // Through, or through with only the backup's erase failing (it is then removed plainly).
            if (!failed || (r.status == 0 && Backups().empty())) {
                break;
            }
        }
        EXPECT_LT(n, 400) << verb.args[0];
        EXPECT_TRUE(keptOnFailure) << verb.args[0];
    }
}

} // namespace
