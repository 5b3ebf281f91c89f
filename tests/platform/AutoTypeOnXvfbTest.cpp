// An entry's sequence typed end to end into other programs on the Xvfb display: a Qt log-in
// window (pasted with Ctrl+V) and xterm (paste method 2, Shift+Insert from the primary
// selection), with the US and the German layout and with Caps Lock on, with and without a
// window manager. What arrives must be exactly the entry's values.
#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <tuple>

#include "autocompletion/AutoCompletionExecutor.h"
#include "autocompletion/SequenceParser.h"
#include "platform/DesktopFixture.h"
#include "support/TemporaryXdgFolders.h"

namespace {

using namespace DesktopTest;
using Tarnwick::AutoCompletion::AutoCompletionExecutor;
using StringServiceProvider::SecureString;

constexpr std::u16string_view kUser = u"jürgen@straße.de";
constexpr std::u16string_view kPassword = u"P@ß wörd!{} äöüÄÖÜ €^´`~|<>";
constexpr const char* kUserUtf8 = "jürgen@straße.de";
constexpr const char* kPasswordUtf8 = "P@ß wörd!{} äöüÄÖÜ €^´`~|<>";

enum class Target { Qt, Xterm };

struct TypingSetup {
    Target target;
    const char* layout;
    bool capsLock;
    bool windowManager;
};

std::string Name(const ::testing::TestParamInfo<TypingSetup>& info) {
    std::string name = info.param.target == Target::Qt ? "Qt" : "Xterm";
    name += std::string("_") + info.param.layout;
    name += info.param.capsLock ? "_CapsLock" : "";
    name += info.param.windowManager ? "_Openbox" : "_NoWindowManager";
    return name;
}

class AutoTypeBase : public DesktopFixture {
protected:
    Tarnwick::PasswordADT::PasswordItem Entry(int pasteMethod) {
        Tarnwick::PasswordADT::PasswordItem entry;
        entry.SetDescription(u"Testziel");
        entry.SetUserName(kUser);
        entry.SetPassword(0, SecureString(kPassword));
        entry.SetSequence(u"{USERNAME}{TAB}{PASSWORD}{ENTER}");
        entry.SetPasteMethod(pasteMethod);
        return entry;
    }

    AutoCompletionExecutor::Outcome Type(const Tarnwick::PasswordADT::PasswordItem& entry,
                                         Tarnwick::Platform::WindowId window, std::u16string* message = nullptr) {
        Tarnwick::AutoCompletion::SequenceParser parser(entry);
        EXPECT_TRUE(parser.Parse(false));
        AutoCompletionExecutor executor(Tarnwick::AutoCompletion::DesktopServices{*desktop, *desktop, *desktop}, window, 0,
                                        entry, parser.Codes());
        const auto outcome = executor.Execute([&](Tarnwick::AutoCompletion::MessageKind, std::u16string_view text) {
            if (message != nullptr) {
                *message = text;
            }
        });
        if (outcome != AutoCompletionExecutor::Outcome::Completed) {
            // What went wrong is in the log of the run.
            for (const auto& file : std::filesystem::recursive_directory_iterator(xdg.Root())) {
                if (file.path().filename() == "tlp.log") {
                    std::cerr << ReadFile(file.path());
                }
            }
        }
        return outcome;
    }

    Result ReadClipboardPumping(const std::string& selection = "clipboard") {
        return RunPumping({"xclip", "-selection", selection, "-o"}, [this] { desktop->Pause(std::chrono::milliseconds(10)); });
    }

    TestSupport::TemporaryXdgFolders xdg; // the log of the run goes here
};

class AutoTypeOnXvfb : public AutoTypeBase, public ::testing::WithParamInterface<TypingSetup> {};

TEST_P(AutoTypeOnXvfb, TheEntryArrivesExactly) {
    const TypingSetup setup = GetParam();
    if (setup.windowManager) {
        StartWindowManager();
    }
    ASSERT_TRUE(SetLayout(setup.layout));
    SetClipboardText("vorher kopiert");
    SetClipboardText("vorher markiert", "primary");
    if (setup.capsLock) {
        ASSERT_EQ(RunProgram({"xdotool", "key", "Caps_Lock"}).status, 0);
        ASSERT_TRUE(desktop->IsCapsLockOn());
    }

    if (setup.target == Target::Qt) {
        const auto window = StartTarget("Anmeldung - Testziel");
        ASSERT_NE(window, 0u);
        EXPECT_EQ(Type(Entry(0), window), AutoCompletionExecutor::Outcome::Completed);
        ASSERT_TRUE(WaitUntil([&] { return ReadState().clicks == 1; }));
        const State state = ReadState();
        EXPECT_EQ(state.user, kUserUtf8);
        EXPECT_EQ(state.password, kPasswordUtf8);
    } else {
        const std::filesystem::path typed = folder / "typed";
        ASSERT_TRUE(target.Start({"xterm", "-u8", "-T", "XtermZiel", "-geometry", "80x10+100+100", "-e", "/bin/sh", "-c",
                                  "stty -echo; cat > '" + typed.string() + "'"},
                                 {"LANG=C.UTF-8", "LC_ALL=C.UTF-8"}));
        unsigned long window = 0;
        ASSERT_TRUE(WaitUntil([&] { return (window = FindWindow("XtermZiel")) != 0; }));
        // The shell is up once cat made its file.
        ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(typed); }));
        EXPECT_EQ(Type(Entry(2), static_cast<Tarnwick::Platform::WindowId>(window)),
                  AutoCompletionExecutor::Outcome::Completed);
        const std::string expected = std::string(kUserUtf8) + "\t" + kPasswordUtf8 + "\n";
        ASSERT_TRUE(WaitUntil([&] { return ReadFile(typed).size() >= expected.size(); }));
        EXPECT_EQ(ReadFile(typed), expected);
    }
    // Caps Lock as it was; the user's texts back on both selections.
    EXPECT_EQ(desktop->IsCapsLockOn(), setup.capsLock);
    EXPECT_EQ(ReadClipboardPumping().out, "vorher kopiert");
    if (setup.target == Target::Xterm) {
        EXPECT_EQ(ReadClipboardPumping("primary").out, "vorher markiert");
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, AutoTypeOnXvfb,
                         ::testing::Values(TypingSetup{Target::Qt, "us", false, false}, TypingSetup{Target::Qt, "de", false, true},
                                           TypingSetup{Target::Qt, "de", true, false}, TypingSetup{Target::Qt, "us", true, true},
                                           TypingSetup{Target::Xterm, "us", false, false},
                                           TypingSetup{Target::Xterm, "de", false, true},
                                           TypingSetup{Target::Xterm, "de", true, false},
                                           TypingSetup{Target::Xterm, "us", true, true}),
                         Name);

class AutoTypeFailuresOnXvfb : public AutoTypeBase {};

TEST_F(AutoTypeFailuresOnXvfb, ATargetThatDoesNotAnswerIsBusyAndGetsNothing) {
    SetClipboardText("vorher kopiert");
    const auto window = StartTarget("Anmeldung - Testziel");
    ASSERT_NE(window, 0u);
    target.Signal(SIGSTOP);
    std::u16string message;
    EXPECT_EQ(Type(Entry(0), window, &message), AutoCompletionExecutor::Outcome::Busy);
    EXPECT_EQ(message, u"Die Zielanwendung ist ausgelastet. Versuchen Sie es später noch einmal.");
    target.Signal(SIGCONT);
    target.Send("dump");
    ASSERT_TRUE(WaitUntil([&] { return ReadState().clicks == 0; }));
    EXPECT_EQ(ReadState().user, "");
    EXPECT_EQ(ReadClipboardPumping().out, "vorher kopiert");
}

TEST_F(AutoTypeFailuresOnXvfb, AWindowThatIsGoneIsTheGeneralError) {
    const auto window = StartTarget("Anmeldung - Testziel");
    ASSERT_NE(window, 0u);
    target.Stop();
    std::u16string message;
    EXPECT_EQ(Type(Entry(0), window, &message), AutoCompletionExecutor::Outcome::Failed);
    EXPECT_EQ(message, u"Es ist ein Fehler beim Ausführen der Auto-Vervollständigung aufgetreten.");
}

} // namespace
