// twcli clip through the built twcli and its helper twcli-clip. The tests on the clipboard
// need an X server and xclip; ctest runs them on Xvfb with TW_CLIP_X11_TESTS set.
#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "options/SettingsStorage.h"
#include "support/Process.h"
#include "support/TempDir.h"

using TestSupport::ProcessResult;
using TestSupport::RunProcess;
using TestSupport::TempDir;

namespace {

using namespace std::chrono_literals;

constexpr const char* kLogin = "alice\ngeheim\n";
constexpr const char* kSecret = "Zw1sch3n-Ablage!";

// Sets or removes an environment variable for the scope.
class EnvironmentScope {
public:
    EnvironmentScope(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) {
            m_old = old;
        }
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~EnvironmentScope() {
        if (m_old) {
            ::setenv(m_name, m_old->c_str(), 1);
        } else {
            ::unsetenv(m_name);
        }
    }
    EnvironmentScope(const EnvironmentScope&) = delete;
    EnvironmentScope& operator=(const EnvironmentScope&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

std::string ReadProcFile(pid_t pid, const char* name, bool& readable) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/" + name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    readable = in.good() || in.eof();
    return text.str();
}

class CliClip : public ::testing::Test {
protected:
    CliClip() {
        ::setenv("XDG_DATA_HOME", (m_dir.Path() / "daten").c_str(), 1);
        // The helpers twcli leaves behind come to us when twcli ends, so that we see them end.
        ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    }
    ~CliClip() override {
        for (const pid_t pid : Helpers()) {
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
        }
        ::prctl(PR_SET_CHILD_SUBREAPER, 0);
    }

    ProcessResult Run(const std::vector<std::string>& args, const std::string& input = {}) {
        return RunProcess(TW_CLI_PATH, args, input, m_dir.Path().string());
    }
    std::string File() const { return (m_dir.Path() / "k.twdb").string(); }

    // "k.twdb" of Alice with the entry "Allgemein/Post".
    void CreateDatabase() {
        auto r = Run({"db-create", File(), "--cipher", "aes"}, "Alice\ngeheim\n");
        ASSERT_EQ(r.status, 0) << r.err;
        r = Run({"add", File(), "Allgemein/Post", "--username", "jörg", "--field", "PIN=4711"},
                std::string(kLogin) + kSecret + "\n");
        ASSERT_EQ(r.status, 0) << r.err;
    }

    ProcessResult Clip(const std::vector<std::string>& options) {
        std::vector<std::string> args{"clip", File(), "Allgemein/Post"};
        args.insert(args.end(), options.begin(), options.end());
        return Run(args, kLogin);
    }

    // The helpers that twcli left to us, running or ended but not yet reaped.
    static std::vector<pid_t> Helpers() {
        std::vector<pid_t> found;
        DIR* proc = ::opendir("/proc");
        if (proc == nullptr) {
            return found;
        }
        while (const dirent* entry = ::readdir(proc)) {
            const pid_t pid = static_cast<pid_t>(std::atoi(entry->d_name));
            if (pid <= 0) {
                continue;
            }
            bool readable = false;
            const std::string stat = ReadProcFile(pid, "stat", readable);
            const auto close = stat.rfind(')');
            if (stat.find("(twcli-clip)") == std::string::npos || close == std::string::npos) {
                continue;
            }
            std::istringstream rest(stat.substr(close + 1));
            char state = 0;
            pid_t parent = 0;
            rest >> state >> parent;
            if (parent == ::getpid()) {
                found.push_back(pid);
            }
        }
        ::closedir(proc);
        return found;
    }

    static pid_t OnlyHelper() {
        const auto helpers = Helpers();
        return helpers.size() == 1 ? helpers[0] : 0;
    }

    // The helper's exit status once it ended within the time; -1 while it still runs.
    static int WaitForExit(pid_t pid, std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                return -1;
            }
            std::this_thread::sleep_for(20ms);
        }
    }

    TempDir m_dir;
};

class CliClipX11 : public CliClip {
protected:
    void SetUp() override {
        if (std::getenv("TW_CLIP_X11_TESTS") == nullptr) {
            GTEST_SKIP() << "needs Xvfb and xclip (ctest entry tw_cli_tests.clip_x11)";
        }
        CreateDatabase();
    }

    // The clipboard as another program reads it; nullopt when nobody offers the target.
    static std::optional<std::string> Clipboard(const std::string& target = "UTF8_STRING") {
        const auto r = RunProcess("/usr/bin/env", {"xclip", "-o", "-selection", "clipboard", "-t", target}, {});
        if (r.status != 0) {
            return std::nullopt;
        }
        return r.out;
    }

    // Another program copies text: xclip in the foreground, until it loses the clipboard.
    static pid_t OtherProgramCopies(const std::string& text) {
        int in[2];
        if (::pipe2(in, O_CLOEXEC) != 0) {
            return 0;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        const char* argv[] = {"/usr/bin/env", "xclip", "-quiet", "-i", "-selection", "clipboard", nullptr};
        pid_t pid = 0;
        const int spawned =
            ::posix_spawn(&pid, argv[0], &actions, nullptr, const_cast<char**>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        if (spawned == 0) {
            (void)!::write(in[1], text.data(), text.size());
        }
        ::close(in[1]);
        return spawned == 0 ? pid : 0;
    }

    static bool ClipboardBecomes(const std::optional<std::string>& wanted, std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (Clipboard() != wanted) {
            if (std::chrono::steady_clock::now() >= deadline) {
                return false;
            }
            std::this_thread::sleep_for(50ms);
        }
        return true;
    }
};

} // namespace

TEST_F(CliClip, NamedInTheOverview) {
    const auto r = Run({"--help"});
    EXPECT_NE(r.out.find("  clip"), std::string::npos);
    const auto help = Run({"clip", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Aufruf: twcli clip DATEI EINTRAG", 0), 0u) << help.out;
}

TEST_F(CliClip, WithoutDisplayFailsBeforeAskingAnything) {
    CreateDatabase();
    const EnvironmentScope noDisplay("DISPLAY", nullptr);
    const auto r = Clip({});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Fehler: Es ist keine X-Anzeige verfügbar (DISPLAY ist nicht gesetzt)"), std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find("Benutzername"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
    EXPECT_TRUE(Helpers().empty());
}

TEST_F(CliClip, TimeoutOutsideItsRangeIsWrongUsage) {
    const EnvironmentScope display("DISPLAY", ":97531");
    for (const char* bad : {"0", "3601", "99999", "-5", "1.5", "abc", "10s", ""}) {
        const auto r = Run({"clip", File(), "Allgemein/Post", "--timeout", bad}, kLogin);
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_NE(r.err.find("--timeout erwartet eine Anzahl Sekunden von 1 bis 3600."), std::string::npos)
            << bad << ": " << r.err;
    }
    EXPECT_EQ(Run({"clip", File()}, kLogin).status, 2);
    EXPECT_TRUE(Helpers().empty());
}

TEST_F(CliClip, UnknownFieldOrEntryStartsNoHelper) {
    CreateDatabase();
    // Any display will do: the lookups fail before the helper would open it.
    const EnvironmentScope display("DISPLAY", ":97531");
    auto r = Clip({"--field", "Gibts"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Das Feld \"Gibts\" existiert nicht."), std::string::npos) << r.err;
    // Field names are exact, as with show --field.
    EXPECT_EQ(Clip({"--field", "passwort"}).status, 1);
    r = Run({"clip", File(), "Allgemein/Fehlt"}, kLogin);
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(r.err.empty());
    r = Run({"clip", File(), "Allgemein/Post"}, "alice\nfalsch\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Helpers().empty());
}

TEST_F(CliClip, HelperThatCannotReachTheServerIsReported) {
    CreateDatabase();
    const EnvironmentScope display("DISPLAY", ":97531");
    const auto r = Clip({"--timeout", "5"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Fehler: Die Verbindung zum X-Server konnte nicht hergestellt werden."), std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find(kSecret), std::string::npos);
    EXPECT_EQ(r.err.find("kopiert"), std::string::npos);
    // twcli waited for the failed helper itself.
    EXPECT_TRUE(Helpers().empty());
}

TEST_F(CliClip, UnreadableSettingsFallBackToTheDefaultWithAWarning) {
    CreateDatabase();
    const auto folder = m_dir.Path() / "daten" / "Kelmarsh" / "Tarnwick" / "2010";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "twsettings.xml") << "<kaputt";
    const EnvironmentScope display("DISPLAY", ":97531");
    const auto r = Clip({});
    EXPECT_NE(r.err.find("Warnung: Die Einstellungen konnten nicht gelesen werden; die Zwischenablage wird nach 30 "
                         "Sekunden geleert."),
              std::string::npos)
        << r.err;
    // With --timeout the settings are not read at all.
    EXPECT_EQ(Clip({"--timeout", "5"}).err.find("Warnung"), std::string::npos);
}

TEST_F(CliClip, HelperRefusesAWrongCall) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, {"0"}, {"3601"}, {"5", "6"}, {"x"}}) {
        const auto r = RunProcess(TW_CLIP_HELPER_PATH, args, {});
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out.rfind("Aufruf: twcli-clip SEKUNDEN", 0), 0u) << r.out;
    }
}

TEST_F(CliClipX11, PasswordServedWithTheSecretHintUntilTheTimeout) {
    const auto r = Clip({"--timeout", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out.empty()) << "nothing for a pipe: " << r.out;
    EXPECT_NE(r.err.find("Der Wert wurde in die Zwischenablage kopiert und wird nach 1 Sekunde gelöscht."),
              std::string::npos)
        << r.err;
    const pid_t helper = OnlyHelper();
    ASSERT_NE(helper, 0);
    EXPECT_EQ(Clipboard(), kSecret);
    EXPECT_EQ(Clipboard("text/plain;charset=utf-8"), kSecret);
    const auto targets = Clipboard("TARGETS");
    ASSERT_TRUE(targets);
    for (const char* target : {"UTF8_STRING", "STRING", "TEXT", "text/plain", "text/plain;charset=utf-8",
                               "x-kde-passwordManagerHint"}) {
        EXPECT_NE(targets->find(target), std::string::npos) << target << " in " << *targets;
    }
    EXPECT_EQ(Clipboard("x-kde-passwordManagerHint"), "secret");
    // Gone after the time, and the helper ended cleanly (no sanitizer finding, no leak).
    EXPECT_EQ(WaitForExit(helper, 4s), 0);
    EXPECT_EQ(Clipboard(), std::nullopt);
}

TEST_F(CliClipX11, OtherFieldsAndLatin1) {
    auto r = Clip({"--field", "Benutzername", "--timeout", "30"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Clipboard(), "jörg");
    EXPECT_EQ(Clipboard("STRING"), "j\xF6rg");
    // A second copy replaces the first, whose helper then ends at once.
    const pid_t first = OnlyHelper();
    ASSERT_NE(first, 0);
    r = Clip({"--field", "PIN", "--timeout", "30"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Clipboard(), "4711");
    EXPECT_EQ(WaitForExit(first, 3s), 0);
    EXPECT_EQ(Clipboard(), "4711");
}

TEST_F(CliClipX11, AnotherProgramsCopyStays) {
    ASSERT_EQ(Clip({"--timeout", "30"}).status, 0);
    const pid_t helper = OnlyHelper();
    ASSERT_NE(helper, 0);
    ASSERT_EQ(Clipboard(), kSecret);
    const pid_t other = OtherProgramCopies("fremd");
    ASSERT_NE(other, 0);
    EXPECT_TRUE(ClipboardBecomes("fremd", 3s));
    // Losing the clipboard ends the helper long before its time, and it leaves the new copy.
    EXPECT_EQ(WaitForExit(helper, 3s), 0);
    EXPECT_EQ(Clipboard(), "fremd");
    ::kill(other, SIGTERM);
    ::waitpid(other, nullptr, 0);
}

TEST_F(CliClipX11, SecretNeverInTheHelpersCommandLineOrEnvironment) {
    ASSERT_EQ(Clip({"--timeout", "30"}).status, 0);
    const pid_t helper = OnlyHelper();
    ASSERT_NE(helper, 0);
    bool readable = false;
    const std::string commandLine = ReadProcFile(helper, "cmdline", readable);
    EXPECT_NE(commandLine.find("twcli-clip"), std::string::npos);
    EXPECT_EQ(commandLine.find(kSecret), std::string::npos);
    // Unreadable is fine as well: the helper is not dumpable.
    const std::string environment = ReadProcFile(helper, "environ", readable);
    EXPECT_EQ(environment.find(kSecret), std::string::npos);
    // In a session of its own, so the terminal's signals do not reach it.
    EXPECT_EQ(::getsid(helper), helper);
    // Asked to end, it empties the clipboard first.
    ::kill(helper, SIGTERM);
    EXPECT_EQ(WaitForExit(helper, 3s), 0);
    EXPECT_EQ(Clipboard(), std::nullopt);
}

TEST_F(CliClipX11, TimeFromTheSettings) {
    const auto folder = m_dir.Path() / "daten" / "Kelmarsh" / "Tarnwick" / "2010";
    std::filesystem::create_directories(folder);
    ApplicationSettings::Settings settings;
    settings.clipboardClearSeconds = 1;
    OptionsLibrary::SettingsStorage::Save(folder / "twsettings.xml", settings);
    auto r = Clip({});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("nach 1 Sekunde gelöscht"), std::string::npos) << r.err;
    const pid_t helper = OnlyHelper();
    EXPECT_EQ(WaitForExit(helper, 4s), 0);
    // "Never" does not hold for a helper in the background: the window's default applies.
    settings.clipboardClearSeconds = 0;
    OptionsLibrary::SettingsStorage::Save(folder / "twsettings.xml", settings);
    r = Clip({});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("nach 30 Sekunden gelöscht"), std::string::npos) << r.err;
}
