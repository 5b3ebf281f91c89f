// Sending an entry's sequence into a target window, over the fake desktop: which keys are
// pressed, what is offered on the guarded clipboard, and that every failure stops the run,
// reports the right message and gives the user's clipboard and keyboard back.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "autocompletion/AutoCompletionExecutor.h"
#include "autocompletion/SecureClipboard.h"
#include "autocompletion/SequenceManager.h"
#include "autocompletion/SequenceParser.h"
#include "platform/x11/FakeDesktop.h"
#include "support/TemporaryXdgFolders.h"

namespace {

using namespace Tarnwick;
using namespace Tarnwick::AutoCompletion;
using Platform::FakeDesktopWindows;
using Platform::FakeKeyboard;
using Platform::FakeSelections;
using Platform::Journal;
using StringServiceProvider::SecureString;

constexpr Platform::WindowId kTarget = 4242;
constexpr std::u16string_view kUser = u"jürgen@straße.de";
constexpr std::u16string_view kPassword = u"P@ß wörd!{} äöüÄÖÜ €^´`~|<>";

std::string Utf8(std::u16string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

class SequenceSendingTest : public ::testing::Test {
protected:
    void SetUp() override {
        entry.SetDescription(u"Anmeldung");
        entry.SetUserName(kUser);
        entry.SetEmail(u"post@example.org");
        entry.SetPassword(0, SecureString(kPassword));
        entry.GetUserDefinedFields().Add(u"PIN", u"4711");
        windows.titles[kTarget] = u"Anmeldung - Testziel";
        windows.focus = kTarget;
    }

    CodeList Parse(std::u16string_view sequence) {
        entry.SetSequence(sequence);
        SequenceParser parser(entry);
        EXPECT_TRUE(parser.Parse(false));
        return parser.Codes();
    }

    AutoCompletionExecutor::Outcome Run(const CodeList& codes) {
        AutoCompletionExecutor executor(DesktopServices{windows, keyboard, selections}, kTarget, 1234, entry, codes);
        return executor.Execute([this](MessageKind kind, std::u16string_view text) {
            shown.emplace_back(kind, std::u16string(text));
        });
    }

    // The journal entries that are keys, offers or fetches (the pauses left out).
    std::vector<std::string> Actions() const {
        std::vector<std::string> actions;
        for (const std::string& line : journal) {
            if (line.rfind("pause:", 0) != 0) {
                actions.push_back(line);
            }
        }
        return actions;
    }

    bool Logged(const std::string& line) const { return std::find(journal.begin(), journal.end(), line) != journal.end(); }

    TestSupport::TemporaryXdgFolders xdg; // the log goes here
    Journal journal;
    FakeDesktopWindows windows{journal};
    FakeKeyboard keyboard{journal};
    FakeSelections selections{journal};
    PasswordADT::PasswordItem entry;
    std::vector<std::pair<MessageKind, std::u16string>> shown;
};

TEST_F(SequenceSendingTest, UserNameTabPasswordEnterArePastedAndPressedInOrder) {
    selections.clipboard = FakeSelections::Text("vorher");
    const CodeList codes = Parse(u"{USERNAME}{TAB}{PASSWORD}{ENTER}");
    EXPECT_EQ(Run(codes), AutoCompletionExecutor::Outcome::Completed);
    EXPECT_TRUE(shown.empty());
    const std::string target = "@" + std::to_string(kTarget);
    const std::vector<std::string> expected = {
        "capture:clipboard", "guard:clipboard", "activate:4242@1234", "ping:1500",
        // user name: offered, Ctrl+V, fetched
        "offer:" + Utf8(kUser) + target, "+Control", "+V", "-V", "-Control", "fetch",
        "+Tab", "-Tab",
        "offer:" + Utf8(kPassword) + target, "+Control", "+V", "-V", "-Control", "fetch",
        "+Return", "-Return",
        "unguard", "restore:clipboard:UTF8_STRING=vorher;"};
    EXPECT_EQ(Actions(), expected);
    EXPECT_EQ(keyboard.down.size(), 0u);
}

TEST_F(SequenceSendingTest, DelaysAreFifteenBeforeKeysAndFiftyAroundPastes) {
    const CodeList codes = Parse(u"{PASSWORD}{TAB}");
    ASSERT_EQ(Run(codes), AutoCompletionExecutor::Outcome::Completed);
    std::vector<std::string> pauses;
    for (const std::string& line : journal) {
        if (line.rfind("pause:", 0) == 0 || line == "+V" || line == "+Tab" || line.rfind("offer:", 0) == 0) {
            pauses.push_back(line.rfind("offer:", 0) == 0 ? "offer" : line);
        }
    }
    EXPECT_EQ(pauses, (std::vector<std::string>{"offer", "pause:50", "pause:15", "+V", "pause:50", "pause:15", "+Tab"}));
}

TEST_F(SequenceSendingTest, PasteMethodTwoUsesShiftInsertAndGuardsThePrimarySelection) {
    entry.SetPasteMethod(2);
    selections.primary = FakeSelections::Text("markiert");
    const CodeList codes = Parse(u"{USERNAME}");
    ASSERT_EQ(Run(codes), AutoCompletionExecutor::Outcome::Completed);
    EXPECT_TRUE(Logged("guard:clipboard+primary"));
    EXPECT_TRUE(Logged("capture:primary"));
    EXPECT_TRUE(Logged("restore:primary:UTF8_STRING=markiert;"));
    const auto actions = Actions();
    const auto offer = std::find_if(actions.begin(), actions.end(), [](const std::string& a) { return a.rfind("offer:", 0) == 0; });
    ASSERT_NE(offer, actions.end());
    EXPECT_EQ(std::vector<std::string>(offer + 1, offer + 6),
              (std::vector<std::string>{"+Shift", "+Insert", "-Insert", "-Shift", "fetch"}));
    EXPECT_FALSE(Logged("+Control"));
}

TEST_F(SequenceSendingTest, EveryDataTokenAndFieldIsOfferedAndAMissingFieldSendsNothing) {
    const CodeList codes = Parse(u"{MAIL}{SPACE}{FIELD_1}{FIELD_3}");
    ASSERT_EQ(Run(codes), AutoCompletionExecutor::Outcome::Completed);
    EXPECT_EQ(selections.offered, (std::vector<std::string>{"post@example.org", "4711"}));
    EXPECT_TRUE(Logged("+Space"));
}

TEST_F(SequenceSendingTest, CapsLockIsOffWhileSendingAndOnAgainAfterwards) {
    keyboard.capsLock = true;
    const CodeList codes = Parse(u"{USERNAME}{ENTER}");
    ASSERT_EQ(Run(codes), AutoCompletionExecutor::Outcome::Completed);
    const auto actions = Actions();
    const auto firstCaps = std::find(actions.begin(), actions.end(), "+CapsLock");
    const auto offer = std::find_if(actions.begin(), actions.end(), [](const std::string& a) { return a.rfind("offer:", 0) == 0; });
    const auto lastCaps = std::find(actions.rbegin(), actions.rend(), "+CapsLock");
    ASSERT_NE(firstCaps, actions.end());
    EXPECT_LT(firstCaps, offer);
    EXPECT_GT(lastCaps.base() - 1, std::find(actions.begin(), actions.end(), "+Return"));
    EXPECT_TRUE(keyboard.capsLock);
}

TEST_F(SequenceSendingTest, ModifiersTheUserHoldsAreReleasedFirstAndPressedAgainAfter) {
    keyboard.held = {50, 133}; // Shift and Super, still down from the hot key
    const CodeList codes = Parse(u"{USERNAME}");
    ASSERT_EQ(Run(codes), AutoCompletionExecutor::Outcome::Completed);
    const auto actions = Actions();
    const auto release = std::find(actions.begin(), actions.end(), "-key50");
    const auto offer = std::find_if(actions.begin(), actions.end(), [](const std::string& a) { return a.rfind("offer:", 0) == 0; });
    const auto press = std::find(actions.begin(), actions.end(), "+key50");
    ASSERT_NE(release, actions.end());
    ASSERT_NE(press, actions.end());
    EXPECT_LT(release, offer);
    EXPECT_GT(press, offer);
    EXPECT_NE(std::find(actions.begin(), actions.end(), "+key133"), actions.end());
}

TEST_F(SequenceSendingTest, LosingTheFocusStopsBeforeTheNextKeyWithTheGeneralMessage) {
    selections.clipboard = FakeSelections::Text("vorher");
    keyboard.capsLock = true;
    // Checks: after activation (1), before the user name (2), before its paste (3), before Tab (4).
    windows.loseFocusAtCheck = 4;
    const CodeList codes = Parse(u"{USERNAME}{TAB}{PASSWORD}");
    EXPECT_EQ(Run(codes), AutoCompletionExecutor::Outcome::Failed);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].first, MessageKind::Error);
    EXPECT_EQ(shown[0].second, kExecutionErrorMessage);
    EXPECT_FALSE(Logged("+Tab"));
    EXPECT_EQ(selections.offered.size(), 1u);
    // Clipboard, Caps Lock and the key map come back on this path too.
    EXPECT_TRUE(Logged("restore:clipboard:UTF8_STRING=vorher;"));
    EXPECT_TRUE(keyboard.capsLock);
    EXPECT_GE(keyboard.restores, 1);
}

TEST_F(SequenceSendingTest, LosingTheFocusBeforeThePasteKeepsTheValueFromBeingPasted) {
    windows.loseFocusAtCheck = 3; // after the value went on the clipboard, before Ctrl+V
    const CodeList codes = Parse(u"{PASSWORD}");
    EXPECT_EQ(Run(codes), AutoCompletionExecutor::Outcome::Failed);
    EXPECT_FALSE(Logged("+V"));
    EXPECT_TRUE(Logged("unguard"));
}

TEST_F(SequenceSendingTest, AValueTheTargetDoesNotFetchEndsTheRunBeforeTheNextOne) {
    selections.fetchTimesOut = true;
    selections.clipboard = FakeSelections::Text("vorher");
    const CodeList codes = Parse(u"{USERNAME}{TAB}{PASSWORD}");
    EXPECT_EQ(Run(codes), AutoCompletionExecutor::Outcome::Failed);
    EXPECT_EQ(selections.offered.size(), 1u);
    EXPECT_FALSE(Logged("+Tab"));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].second, kExecutionErrorMessage);
    EXPECT_TRUE(Logged("restore:clipboard:UTF8_STRING=vorher;"));
}

TEST_F(SequenceSendingTest, AnotherProgramTakingTheClipboardEndsTheRun) {
    selections.lost = true;
    const CodeList codes = Parse(u"{USERNAME}");
    EXPECT_EQ(Run(codes), AutoCompletionExecutor::Outcome::Failed);
    EXPECT_EQ(shown.size(), 1u);
}

TEST_F(SequenceSendingTest, ABusyTargetGivesTheBusyWarningAndNeverTheGeneralMessage) {
    windows.ping = Platform::PingResult::TimedOut;
    selections.clipboard = FakeSelections::Text("vorher");
    const CodeList codes = Parse(u"{USERNAME}{ENTER}");
    EXPECT_EQ(Run(codes), AutoCompletionExecutor::Outcome::Busy);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].first, MessageKind::Warning);
    EXPECT_EQ(shown[0].second, kTargetBusyMessage);
    EXPECT_TRUE(selections.offered.empty());
    EXPECT_TRUE(Logged("restore:clipboard:UTF8_STRING=vorher;"));
}

TEST_F(SequenceSendingTest, ATargetThatNeverGetsTheFocusIsTheGeneralError) {
    windows.activateGivesFocus = false;
    windows.focus = 0;
    const CodeList codes = Parse(u"{ENTER}");
    EXPECT_EQ(Run(codes), AutoCompletionExecutor::Outcome::Failed);
    EXPECT_FALSE(Logged("+Return"));
}

TEST_F(SequenceSendingTest, AGoneTargetIsTheGeneralError) {
    windows.titles.clear();
    const CodeList codes = Parse(u"{ENTER}");
    EXPECT_EQ(Run(codes), AutoCompletionExecutor::Outcome::Failed);
    EXPECT_FALSE(Logged("activate:4242@1234"));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].second, kExecutionErrorMessage);
}

TEST_F(SequenceSendingTest, AnEmptyCodeListIsTheGeneralErrorAndTheClipboardComesBack) {
    selections.clipboard = FakeSelections::Text("vorher");
    entry.SetSequence(u"");
    const CodeList codes;
    EXPECT_EQ(Run(codes), AutoCompletionExecutor::Outcome::Failed);
    EXPECT_TRUE(Logged("restore:clipboard:UTF8_STRING=vorher;"));
}

TEST_F(SequenceSendingTest, AKeyThatFailsHalfwayReleasesControlAndRestoresTheClipboard) {
    selections.clipboard = FakeSelections::Text("vorher");
    keyboard.failAtKey = 2; // Ctrl goes down, V fails
    const CodeList codes = Parse(u"{USERNAME}");
    EXPECT_EQ(Run(codes), AutoCompletionExecutor::Outcome::Failed);
    EXPECT_TRUE(Logged("+Control"));
    EXPECT_TRUE(Logged("-Control"));
    EXPECT_TRUE(keyboard.down.empty());
    EXPECT_TRUE(Logged("restore:clipboard:UTF8_STRING=vorher;"));
}

TEST_F(SequenceSendingTest, AnOwnerThatDoesNotAnswerStopsBeforeAnythingIsSent) {
    selections.captureFails = true;
    const CodeList codes = Parse(u"{USERNAME}");
    EXPECT_EQ(Run(codes), AutoCompletionExecutor::Outcome::Failed);
    EXPECT_FALSE(Logged("guard:clipboard"));
    EXPECT_TRUE(selections.offered.empty());
}

TEST_F(SequenceSendingTest, TheBackupKeepsEightMebibytesPerTarget) {
    const CodeList codes = Parse(u"{ENTER}");
    ASSERT_EQ(Run(codes), AutoCompletionExecutor::Outcome::Completed);
    EXPECT_EQ(selections.lastLimit, 0x800000u);
}

TEST_F(SequenceSendingTest, AFailedRestoreIsReported) {
    selections.restoreFails = true;
    selections.clipboard = FakeSelections::Text("vorher");
    const CodeList codes = Parse(u"{ENTER}");
    EXPECT_EQ(Run(codes), AutoCompletionExecutor::Outcome::Failed);
    EXPECT_EQ(shown.size(), 1u);
}

TEST(SecureClipboardBackup, AnEmptyBackupIsRestoredWithoutTouchingAnything) {
    Journal journal;
    FakeSelections selections(journal);
    {
        Clipboard::ClipboardBackup backup(selections, true, false);
    }
    EXPECT_EQ(journal, (Journal{"capture:clipboard", "restore:clipboard:"}));
}

TEST(SecureClipboardBackup, ADisabledBackupNeitherTakesNorRestores) {
    Journal journal;
    FakeSelections selections(journal);
    {
        Clipboard::ClipboardBackup backup(selections, false, true);
        backup.Restore();
    }
    EXPECT_TRUE(journal.empty());
}

TEST(SecureClipboardWatcher, NoWatcherNoText) {
    Journal journal;
    FakeSelections selections(journal);
    EXPECT_TRUE(Clipboard::ClipboardBase::GetListeningApplication(selections).empty());
}

TEST(SecureClipboardWatcher, TheWatchersProgramIsNamed) {
    Journal journal;
    FakeSelections selections(journal);
    Platform::ClipboardWatcher watcher;
    watcher.processId = 4711;
    watcher.program = "/usr/bin/klipper";
    watcher.windowClass = "Klipper";
    selections.watcher = watcher;
    EXPECT_EQ(Clipboard::ClipboardBase::GetListeningApplication(selections),
              u"Anwendung: klipper\nBeschreibung: Klipper\nDigitale Signatur: unbekannt");
}

TEST(SecureClipboardWatcher, AProgramThatCannotBeReadIsNamedByItsTitle) {
    Journal journal;
    FakeSelections selections(journal);
    Platform::ClipboardWatcher watcher;
    watcher.title = "Zwischenablage-Verlauf";
    selections.watcher = watcher;
    EXPECT_EQ(Clipboard::ClipboardBase::GetListeningApplication(selections),
              u"Titel: Zwischenablage-Verlauf\nAnwendung: unbekannt (kein Zugriff)");
}

} // namespace
