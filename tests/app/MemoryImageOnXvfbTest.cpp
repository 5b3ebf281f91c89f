// The promise that a memory image of Tarnwick shows no secret: the real program on the Xvfb
// display, driven as a user drives it (xdotool: keys and clicks), logs in, shows the passwords
// in the list, copies one, opens the entry, generates a new password for it, auto-completes the
// entry into another program's log-in window and locks the workspace. Then, with the process
// stopped, every mapping a core image would hold, and the pages kept out of core images too, is
// searched for the master password and every entry password, as UTF-8 and as UTF-16LE. (gcore
// itself is no use on the sanitizer build: it writes the sanitizer's reservations too, some 20
// GB.) Last, a crash is forced with SIGSEGV and its report searched too.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/DesktopFixture.h"
#include "support/MemoryImage.h"
#include "support/Process.h"

namespace {

using namespace DesktopTest;

constexpr const char* kUser = "erika";
constexpr const char* kMaster = "Mast3r-Geheimnis-7Qz";
constexpr const char* kEntry = "Eintrag-Kennwort-9Xq";
constexpr const char* kNewMaster = "Neues-Mast3r-Wort-4Hk"; // set in the window
constexpr const char* kTyped = "Getipptes-Kennwort-5Rt";    // typed into a new entry
constexpr const char* kHidden = "Verborgenes-Wort-3Lm";     // in a folder that is never opened
constexpr const char* kTargetTitle = "Ziel-Anmeldung";
constexpr const char* kMainTitle = "Tarnwick 2010";

// The settings of a program that has been started before (no first-start question).
constexpr const char* kSettings =
    "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
    "<Tarnwick:Settings xmlns:Tarnwick=\"http://schemas.kelmarsh.de/Tarnwick\">\n"
    "  <General Data=\"31\" MainLeft=\"-1\" MainTop=\"-1\" MainRight=\"-1\" MainBottom=\"-1\" Flags=\"0\" "
    "ShowCmd=\"1\" SplitterHeight=\"250\" LastActiveRibbonTab=\"1\"></General>\n"
    "  <Appearance Data=\"15\" VisualStyleType=\"42000\"/>\n"
    "  <Messages Data=\"31\"/>\n"
    "  <FolderView Data=\"1\" Sorting=\"32880\" SortingDir=\"32882\" Width=\"200\"/>\n"
    "  <Passwordlist Data=\"1\" Sorting=\"32868\" SortingDir=\"32872\"/>\n"
    "  <AC Data=\"1\" HotKey=\"65\" Modifier1=\"8\" Modifier2=\"4\"/>\n"
    "  <Security Data=\"0\" Clp=\"30\" Ws=\"0\"/>\n"
    "</Tarnwick:Settings>\n";

void Pause(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

bool Xdotool(const std::vector<std::string>& arguments) {
    std::vector<std::string> command{"xdotool"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return RunProgram(command).status == 0;
}

class MemoryImageOnXvfb : public DesktopFixture {
protected:
    void SetUp() override {
        DesktopFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"}) {
            const char* value = std::getenv(name);
            m_saved.emplace_back(name, value != nullptr ? std::optional<std::string>(value) : std::nullopt);
            const std::filesystem::path path = folder / name;
            std::filesystem::create_directories(path);
            ::setenv(name, path.c_str(), 1);
        }
        m_dataFolder = folder / "XDG_DATA_HOME" / "Kelmarsh" / "Tarnwick" / "2010";
        std::filesystem::create_directories(m_dataFolder);
        std::ofstream(m_dataFolder / "twsettings.xml", std::ios::binary) << kSettings;
    }

    void TearDown() override {
        m_program.Stop();
        for (const auto& [name, value] : m_saved) {
            if (value) {
                ::setenv(name.c_str(), value->c_str(), 1);
            } else {
                ::unsetenv(name.c_str());
            }
        }
        DesktopFixture::TearDown();
    }

    std::string Cli(const std::vector<std::string>& arguments, const std::string& input) {
        const auto result = TestSupport::RunProcess(TW_CLI_PATH, arguments, input, folder.string());
        EXPECT_EQ(result.status, 0) << arguments[0] << ": " << result.err;
        return result.out;
    }

    // Waits for a window of the name, activates it and gives it a moment to take the focus;
    // 0 when there is none.
    unsigned long Activate(const std::string& name) {
        unsigned long window = 0;
        if (!WaitUntil([&] { return (window = Visible(name)) != 0; }, std::chrono::seconds(10))) {
            return 0;
        }
        Xdotool({"windowactivate", "--sync", std::to_string(window)});
        Pause(400);
        return window;
    }

    // The X id of a mapped window of the name (the program keeps unmapped ones of the same
    // name, like the tray's); 0 when there is none.
    static unsigned long Visible(const std::string& name) {
        const Result result = RunProgram({"xdotool", "search", "--onlyvisible", "--name", "^" + name + "$"});
        if (result.status != 0 || result.out.empty()) {
            return 0;
        }
        return std::stoul(result.out.substr(0, result.out.find('\n')));
    }

    static bool Shown(const std::string& name) { return Visible(name) != 0; }

    // Repeats a step until its effect shows: a key may get lost while a window takes the focus,
    // and the sanitizer build is slow on a busy machine.
    static bool Until(const std::function<void()>& step, const std::function<bool()>& done,
                      std::chrono::seconds wait = std::chrono::seconds(15)) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            step();
            if (WaitUntil(done, wait)) {
                return true;
            }
        }
        return false;
    }

    void Key(const std::string& keys) {
        Xdotool({"key", "--clearmodifiers", keys});
        Pause(300);
    }

    void Type(const std::string& text) {
        Xdotool({"type", "--delay", "40", text});
        Pause(300);
    }

    void Click(unsigned long window, int x, int y) {
        Xdotool({"mousemove", "--window", std::to_string(window), std::to_string(x), std::to_string(y)});
        Pause(300);
        Xdotool({"click", "1"});
        Pause(400);
    }

    std::filesystem::path m_dataFolder;
    Child m_program;

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

TEST_F(MemoryImageOnXvfb, NoSecretInTheImageOfTheLockedProgramNorInItsCrashReport) {
    StartWindowManager();
    const std::string database = (folder / "geheim.twdb").string();
    const std::string login = std::string(kUser) + "\n" + kMaster + "\n";
    // The folders are shown newest first: "Allgemein" is the one the window opens with.
    Cli({"db-create", database, "--user", kUser, "--folder", "Privat"},
        std::string(kMaster) + "\n" + kMaster + "\n");
    Cli({"mkdir", database, "Allgemein"}, login);
    Cli({"add", database, "Allgemein/Webmail", "--username", "erika.m", "--target-window", kTargetTitle},
        login + kEntry + "\n" + kEntry + "\n");
    Cli({"add", database, "Privat/Bank", "--username", "e.muster"}, login + kHidden + "\n" + kHidden + "\n");
    ASSERT_FALSE(HasFailure());

    // "-fulldump" lifts the program's own protection (it is not dumpable otherwise, and its
    // memory not readable to other processes of the user).
    ASSERT_TRUE(m_program.Start({TW_TARNWICK_PROGRAM, "-fulldump", database}));

    // Log-in, typed on the keyboard.
    const std::string loginTitle = "Tarnwick - Anmeldung";
    ASSERT_NE(Activate(loginTitle), 0u);
    Type(kUser);
    Key("Tab");
    Type(kMaster);
    ASSERT_TRUE(Until(
        [&] {
            Activate(loginTitle);
            Key("Return");
        },
        [&] { return Shown(kMainTitle) && !Shown(loginTitle); }, std::chrono::seconds(30)));
    const unsigned long main = Activate(kMainTitle);
    ASSERT_NE(main, 0u);

    // The passwords shown in the list ("Passwörter anzeigen" on the command bar), the entry's
    // password copied and pasted by another program.
    Click(main, 771, 46);
    ASSERT_TRUE(Until(
        [&] {
            Click(main, 299, 161);
            Key("ctrl+p");
        },
        [&] { return ReadClipboard().out == kEntry; }, std::chrono::seconds(5)));

    // The entry in the editor, its password unmasked, a new one generated and taken over.
    const std::string editor = "Webmail - Passwort bearbeiten";
    ASSERT_TRUE(Until(
        [&] {
            Activate(kMainTitle);
            Key("Return");
        },
        [&] { return Shown(editor); }));
    Activate(editor);
    Key("alt+v");
    ASSERT_TRUE(Until(
        [&] {
            Activate(editor);
            Key("alt+g");
        },
        [&] { return Shown("Passwortgenerator"); }));
    Activate("Passwortgenerator");
    Key("alt+e");
    Key("alt+v");
    // "Übernehmen" asks "Möchten Sie das akuelle Passwort durch das generierte Passwort ersetzen?"
    ASSERT_TRUE(Until(
        [&] {
            Activate("Passwortgenerator");
            Key("Return");
        },
        [&] { return Shown("Tarnwick"); }));
    ASSERT_TRUE(Until(
        [&] {
            Activate("Tarnwick");
            Key("Return");
        },
        [&] { return !Shown("Tarnwick") && !Shown("Passwortgenerator"); }));
    ASSERT_TRUE(Until(
        [&] {
            Activate(editor);
            Key("Return");
        },
        [&] { return !Shown(editor); }));

    // Auto-completion into another program's log-in window through the hot key and the smart tag.
    ASSERT_NE(StartTarget(kTargetTitle), 0u);
    Pause(500);
    ASSERT_TRUE(Until([&] { Key("super+shift+a"); }, [&] { return Shown("Tarnwick SmartTag"); }));
    State typed;
    ASSERT_TRUE(Until(
        [&] {
            Click(Activate("Tarnwick SmartTag"), 5, 5);
            Key("Down");
            Key("Return");
        },
        [&] {
            target.Send("dump");
            Pause(200);
            typed = ReadState();
            return !typed.password.empty();
        }));
    EXPECT_EQ(typed.user, "erika.m");
    const std::string generated = typed.password;
    EXPECT_EQ(generated.size(), 16u);
    EXPECT_NE(generated, kEntry);

    // The database's password changed ("Datenbank" tab, "Passwort ändern"), typed three times.
    const std::string change = "Datenbankpasswort ändern";
    ASSERT_TRUE(Until(
        [&] {
            const unsigned long window = Activate(kMainTitle);
            Click(window, 268, 22);
            Click(window, 285, 76);
        },
        [&] { return Shown(change); }));
    Activate(change);
    Type(kMaster);
    Key("Tab");
    Type(kNewMaster);
    Key("Tab");
    Type(kNewMaster);
    Key("alt+p");
    // "Das Datenbankpasswort wurde erfolgreich geändert."
    ASSERT_TRUE(WaitUntil([&] { return Shown("Tarnwick") && !Shown(change); }, std::chrono::seconds(30)));
    ASSERT_TRUE(Until(
        [&] {
            Activate("Tarnwick");
            Key("Return");
        },
        [&] { return !Shown("Tarnwick"); }));

    // A new entry, its password typed into the field while it shows it.
    const std::string fresh = "Neues Passwort erstellen";
    ASSERT_TRUE(Until(
        [&] {
            Activate(kMainTitle);
            Key("ctrl+n");
        },
        [&] { return Shown(fresh); }));
    Activate(fresh);
    Key("alt+b");
    Type("Neu-Konto");
    Key("alt+v");
    Key("alt+p");
    Type(kTyped);
    ASSERT_TRUE(Until(
        [&] {
            Activate(fresh);
            Key("Return");
        },
        [&] { return !Shown(fresh); }));

    // The workspace locked.
    Activate(kMainTitle);
    Key("ctrl+l");
    Pause(2000);

    // What was typed into the shown field is looked for as it stood one key before the end too:
    // the copies an edit leaves behind are the earlier states of the text.
    const std::string typedBefore = std::string(kTyped).substr(0, std::string(kTyped).size() - 1);
    const std::vector<std::string> secrets{kMaster, kNewMaster, kEntry, kHidden, kTyped, typedBefore, generated};
    const pid_t pid = m_program.Pid();
    ASSERT_GT(pid, 0);
    ASSERT_EQ(::kill(pid, SIGSTOP), 0);
    Pause(200);
    const TestSupport::MemoryImageScan image = TestSupport::SearchMemoryImage(pid, secrets, {false, true});
    ::kill(pid, SIGCONT);
    ASSERT_TRUE(image.unreadable.empty()) << image.unreadable;
    EXPECT_GT(image.bytesRead, 1u << 20);
    for (const auto& hit : image.found) {
        ADD_FAILURE() << "in the memory image: " << hit;
    }

    // A forced crash leaves its report, readable by the user alone and without a secret.
    ASSERT_EQ(::kill(pid, SIGSEGV), 0);
    ASSERT_TRUE(WaitUntil([&] { return !m_program.Running(); }));
    std::filesystem::path report;
    for (const auto& file : std::filesystem::directory_iterator(m_dataFolder)) {
        const std::string name = file.path().filename().string();
        if (name.starts_with("tw") && name.ends_with(".mdmp")) {
            report = file.path();
        }
    }
    ASSERT_FALSE(report.empty()) << "no crash report in " << m_dataFolder;
    struct stat info {};
    ASSERT_EQ(::stat(report.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    const std::string text = ReadFile(report);
    EXPECT_NE(text.find("Signal: 11 (SIGSEGV)"), std::string::npos) << text.substr(0, 400);
    EXPECT_NE(text.find("Backtrace:"), std::string::npos);
    EXPECT_NE(text.find("Modules:"), std::string::npos);
    for (const auto& secret : secrets) {
        EXPECT_EQ(text.find(secret), std::string::npos) << "crash report holds a secret";
        EXPECT_EQ(text.find(TestSupport::Utf16Le(secret)), std::string::npos)
            << "crash report holds a secret";
    }

    // What was done in the window is in the file: the new password opens it, the new entry holds
    // what was typed.
    const std::string shown = Cli({"show", database, "Allgemein/Neu-Konto", "--field", "Passwort"},
                                  std::string(kUser) + "\n" + kNewMaster + "\n");
    EXPECT_EQ(shown, std::string(kTyped) + "\n");
}

} // namespace
