// After every verb that handles a secret, twcli's memory holds none of them: the process is
// stopped at its exit (ptrace exit event) and every writable mapping, the pages kept out of core
// images included, is searched for the master passwords, the entry passwords and a password
// given to estimate, as UTF-8 and as UTF-16LE.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/MemoryImage.h"
#include "support/Process.h"
#include "support/TempDir.h"

using TestSupport::TempDir;

namespace {

constexpr const char* kMaster = "Mast3r-Geheimnis-7Qz";
constexpr const char* kNewMaster = "Neues-Mast3r-Wort-4Kp";
constexpr const char* kEntry = "Eintrag-Kennwort-9Xq";
constexpr const char* kEdited = "Geaendert-Kennwort-2Vw";
constexpr const char* kImported = "Importiert-Kennwort-5Rt";
constexpr const char* kExport = "Export-Mast3r-Wort-8Hn";
constexpr const char* kEstimated = "Schaetz-Mich-Wort-6Fd";

struct Scan {
    bool stopped = false;      // the exit event was seen and the memory read
    std::string unreadable;    // why the memory could not be read
    std::vector<std::string> found;
    int status = -1;
    std::string out;
};

// Runs twcli traced, with input from a file, and scans it when it exits.
Scan RunScanned(const TempDir& dir, const std::vector<std::string>& args, const std::string& input,
                const std::vector<std::string>& needles) {
    const std::string inPath = (dir.Path() / "eingabe").string();
    const std::string outPath = (dir.Path() / "ausgabe").string();
    {
        std::ofstream in(inPath, std::ios::binary);
        in << input;
    }
    Scan scan;
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int in = ::open(inPath.c_str(), O_RDONLY);
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open("/dev/null", O_WRONLY);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        if (::chdir(dir.Path().c_str()) != 0) {
            ::_exit(126);
        }
        std::vector<char*> argv{const_cast<char*>(TW_CLI_PATH)};
        for (const auto& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        ::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
        ::execv(TW_CLI_PATH, argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0); // stopped at exec
    ::ptrace(PTRACE_SETOPTIONS, pid, nullptr, reinterpret_cast<void*>(PTRACE_O_TRACEEXIT | PTRACE_O_EXITKILL));
    ::ptrace(PTRACE_CONT, pid, nullptr, nullptr);
    while (::waitpid(pid, &status, 0) == pid) {
        if (WIFEXITED(status) || WIFSIGNALED(status)) {
            scan.status = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
            break;
        }
        if (!WIFSTOPPED(status)) {
            continue;
        }
        int signal = WSTOPSIG(status);
        if ((status >> 8) == (SIGTRAP | (PTRACE_EVENT_EXIT << 8))) {
            // Every page it could have written to, those kept out of core images included.
            const TestSupport::MemoryImageScan image = TestSupport::SearchMemoryImage(pid, needles, {true, true});
            scan.unreadable = image.unreadable;
            scan.found = image.found;
            scan.stopped = scan.unreadable.empty();
            signal = 0;
        } else if (signal == SIGTRAP) {
            signal = 0;
        }
        ::ptrace(PTRACE_CONT, pid, nullptr, reinterpret_cast<void*>(static_cast<long>(signal)));
    }
    std::ifstream out(outPath, std::ios::binary);
    scan.out.assign(std::istreambuf_iterator<char>(out), {});
    return scan;
}

class CliMemoryScan : public ::testing::Test {
protected:
    CliMemoryScan() {
        ::setenv("XDG_DATA_HOME", (m_dir.Path() / "daten").c_str(), 1);
        // The leak checker stops the world with ptrace, which a traced process cannot.
        ::setenv("ASAN_OPTIONS", "detect_leaks=0:abort_on_error=1", 1);
    }

    std::string File(const std::string& name = "k.twdb") const { return (m_dir.Path() / name).string(); }
    std::string Login() const { return std::string("alice\n") + kMaster + "\n"; }

    // Runs a verb traced and expects it to succeed and leave none of the secrets behind.
    std::string Expect(const std::vector<std::string>& args, const std::string& input) {
        const std::vector<std::string> needles = {kMaster, kNewMaster, kEntry, kEdited, kImported, kExport, kEstimated};
        const Scan scan = RunScanned(m_dir, args, input, needles);
        if (!scan.unreadable.empty()) {
            m_skip = scan.unreadable;
            return {};
        }
        EXPECT_EQ(scan.status, 0) << args[0];
        EXPECT_TRUE(scan.stopped) << args[0];
        for (const auto& hit : scan.found) {
            ADD_FAILURE() << args[0] << ": " << hit;
        }
        return scan.out;
    }

    TempDir m_dir;
    std::string m_skip;
};

} // namespace

TEST_F(CliMemoryScan, NoSecretOutlivesItsVerb) {
    Expect({"db-create", File()}, std::string("Alice\n") + kMaster + "\n");
    Expect({"add", File(), "Allgemein/Bank", "--username", "jürgen", "--field-stdin", "PIN"},
           Login() + kEntry + "\n" + kEntry + "-PIN\n");
    if (!m_skip.empty()) {
        GTEST_SKIP() << "the memory of a non-dumpable process is not readable here: " << m_skip;
    }
    std::string out = Expect({"show", File(), "Allgemein/Bank", "--json", "--show-protected"}, Login());
    EXPECT_NE(out.find(kEntry), std::string::npos); // it was shown, and then forgotten
    out = Expect({"show", File(), "Allgemein/Bank", "--field", "Passwort"}, Login());
    EXPECT_EQ(out, std::string(kEntry) + "\n");
    Expect({"show", File(), "Allgemein/Bank", "--show-protected"}, Login());
    Expect({"edit", File(), "Allgemein/Bank", "--password", "--keep-history"}, Login() + kEdited + "\n");
    Expect({"ls", File(), "-R", "--json", "--show-protected"}, Login());
    Expect({"generate", "--length", "30", "--json", "--count", "3"}, "");
    {
        std::ofstream xml(m_dir.Path() / "fremd.xml", std::ios::binary);
        xml << "<?xml version=\"1.0\" encoding=\"utf-8\"?><KeePassFile><Root><Group><Name>Fremd</Name><Entry>"
               "<String><Key>Title</Key><Value>Import</Value></String><String><Key>Password</Key>"
               "<Value Protected=\"False\">"
            << kImported << "</Value></String></Entry></Group></Root></KeePassFile>";
    }
    Expect({"import", File(), (m_dir.Path() / "fremd.xml").string(), "--format", "keepass2-xml"}, Login());
    Expect({"export", File(), File("export.twdb"), "--new-user", "bob"}, Login() + kExport + "\n");
    Expect({"passwd", File()}, Login() + kNewMaster + "\n");
    const std::string login = std::string("alice\n") + kNewMaster + "\n";
    out = Expect({"show", File(), "Fremd/Import", "--field", "Passwort"}, login);
    EXPECT_EQ(out, std::string(kImported) + "\n");
    Expect({"db-info", File()}, login);
    Expect({"search", File(), "bank"}, login);
    Expect({"cipher", File(), "blowfish"}, login);
    Expect({"reorganize", File()}, login);
    Expect({"backup", File()}, login);
    Expect({"merge", File(), File("export.twdb"), "--other-user", "bob", "--duplicates", "keep"},
           login + kExport + "\n");
    Expect({"estimate"}, std::string(kEstimated) + "\n");
}
