// The X selections, the key map and the key grab on the Xvfb display, with other programs
// (xclip, tw_target_window) as the other clients.
#include <gtest/gtest.h>

#include <string>

#include "autocompletion/HotKeyBase.h"
#include "autocompletion/SecureClipboard.h"
#include "platform/DesktopFixture.h"
#include "support/TemporaryXdgFolders.h"

namespace {

using namespace DesktopTest;
using Tarnwick::Platform::FetchResult;
using Tarnwick::Platform::NamedKey;
using Tarnwick::Platform::Selection;
using StringServiceProvider::SecureString;

class SelectionsOnXvfb : public DesktopFixture {
protected:
    void Pump() { desktop->Pause(std::chrono::milliseconds(10)); }
    Result ReadClipboardPumping(const std::string& selection = "clipboard") {
        return RunPumping({"xclip", "-selection", selection, "-o"}, [this] { Pump(); });
    }
};

TEST_F(SelectionsOnXvfb, AGuardedValueGoesOnceToTheTargetAndToNobodyElse) {
    SetClipboardText("Einkaufsliste: Brot, Käse");
    const auto window = StartTarget("Anmeldung - Testziel");
    ASSERT_NE(window, 0u);
    {
        Tarnwick::Clipboard::ClipboardBackup backup(*desktop, true, false);
        Tarnwick::Clipboard::SecureClipboard clipboard(*desktop, false);
        clipboard.CopySecureText(SecureString(std::u16string_view(u"P@ß wörd!{} äöüÄÖÜ €")), window);

        // Another client asks: it gets nothing, not even the list of targets.
        const Result stranger = ReadClipboardPumping();
        EXPECT_NE(stranger.status, 0);
        EXPECT_EQ(stranger.out, "");
        EXPECT_GE(clipboard.RefusedRequests(), 1u);
        const Result targets = RunPumping({"xclip", "-selection", "clipboard", "-o", "-t", "TARGETS"}, [this] { Pump(); });
        EXPECT_EQ(targets.out, "");

        // The target pastes: it gets the value.
        target.Send("paste");
        EXPECT_EQ(clipboard.WaitForFetch(std::chrono::seconds(20)), FetchResult::Fetched);
        ASSERT_TRUE(WaitUntil([&] { return ReadState().user == "P@ß wörd!{} äöüÄÖÜ €"; }, std::chrono::seconds(20),
                              [&] { Pump(); }));
        // A second paste gets nothing: the field stays as it is.
        target.Send("paste");
        desktop->Pause(std::chrono::milliseconds(300));
        target.Send("dump");
        desktop->Pause(std::chrono::milliseconds(300));
        EXPECT_EQ(ReadState().user, "P@ß wörd!{} äöüÄÖÜ €");
        EXPECT_EQ(ReadClipboardPumping().out, "");
    }
    // The text that was there before is back, for anybody.
    EXPECT_EQ(ReadClipboardPumping().out, "Einkaufsliste: Brot, Käse");
}

TEST_F(SelectionsOnXvfb, ABackupKeepsEveryTargetAndAnEmptyOneLeavesTheSelectionAlone) {
    SetClipboardText("markiert", "primary");
    Tarnwick::Platform::SelectionSnapshot snapshot = desktop->Capture(Selection::Primary, 0x800000);
    ASSERT_FALSE(snapshot.items.empty());
    bool utf8 = false;
    for (const auto& item : snapshot.items) {
        if (item.target == "UTF8_STRING") {
            utf8 = std::string(item.data.begin(), item.data.end()) == "markiert";
        }
    }
    EXPECT_TRUE(utf8);
    desktop->Restore(Selection::Primary, snapshot);
    EXPECT_EQ(ReadClipboardPumping("primary").out, "markiert");
    // Nothing saved: the clipboard is not touched.
    SetClipboardText("bleibt");
    desktop->Restore(Selection::Clipboard, {});
    EXPECT_EQ(ReadClipboardPumping().out, "bleibt");
}

TEST_F(SelectionsOnXvfb, TheWatchingProgramIsNamed) {
    TestSupport::TemporaryXdgFolders xdg;
    EXPECT_TRUE(Tarnwick::Clipboard::ClipboardBase::GetListeningApplication(*desktop).empty());
    const auto ready = folder / "manager";
    ASSERT_TRUE(other.Start({TW_TARGET_WINDOW, "--manager", "--ready", ready.string()}));
    ASSERT_TRUE(WaitUntil([&] { return ReadFile(ready) == "0"; }));
    const std::u16string text = Tarnwick::Clipboard::ClipboardBase::GetListeningApplication(*desktop);
    EXPECT_EQ(text.rfind(u"Anwendung: tw_target_window\n", 0), 0u) << std::string(text.begin(), text.end());
}

TEST_F(SelectionsOnXvfb, ThePasteKeyIsTheKeyThatGivesVInTheActiveLayout) {
    struct Layout {
        const char* name;
        const char* variant;
        unsigned keyCode;
    };
    for (const Layout& layout : {Layout{"us", "", 55}, Layout{"de", "", 55}, Layout{"fr", "", 55},
                                 Layout{"us", "dvorak", 60}}) {
        ASSERT_TRUE(SetLayout(layout.name, layout.variant));
        EXPECT_EQ(desktop->KeyCodeFor(NamedKey::LetterV), layout.keyCode) << layout.name << " " << layout.variant;
    }
    // A second group that has it: the first group's key, as programs fall back to it.
    ASSERT_TRUE(RunProgram({"setxkbmap", "-layout", "ru,us"}).status == 0);
    EXPECT_EQ(desktop->KeyCodeFor(NamedKey::LetterV), 55u);
}

TEST_F(SelectionsOnXvfb, ALayoutWithoutVGetsASpareKeyThatIsGivenBackAfterwards) {
    ASSERT_TRUE(SetLayout("ru"));
    const unsigned code = desktop->KeyCodeFor(NamedKey::LetterV);
    EXPECT_NE(code, 0u);
    EXPECT_NE(code, 55u);
    // While mapped it is the one key for "v"; afterwards there is none again.
    EXPECT_EQ(desktop->KeyCodeFor(NamedKey::LetterV), code);
    desktop->RestoreKeyMap();
    const unsigned again = desktop->KeyCodeFor(NamedKey::LetterV);
    EXPECT_NE(again, 0u);
    desktop->RestoreKeyMap();
}

TEST_F(SelectionsOnXvfb, ASecondProgramHoldingTheHotKeyGives1409) {
    TestSupport::TemporaryXdgFolders xdg;
    const auto ready = folder / "grab";
    ASSERT_TRUE(other.Start({TW_TARGET_WINDOW, "--grab", "--ready", ready.string()}));
    ASSERT_TRUE(WaitUntil([&] { return ReadFile(ready) == "0"; }));
    EXPECT_EQ(desktop->Grab('a', Tarnwick::Platform::kHotKeySuper | Tarnwick::Platform::kHotKeyShift),
              Tarnwick::Platform::kGrabTaken);
    std::vector<std::u16string> shown;
    Tarnwick::SmartTag::HotKeyManager manager(desktop.get(), 8 | 4, 'A',
                                              [&](std::u16string_view text) { shown.emplace_back(text); });
    EXPECT_EQ(manager.CheckHotKeyRegistration('A'), Tarnwick::Core::HotKeyBase::HotKeyAlreadyRegistered);
    EXPECT_FALSE(manager.Register());
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], u"Fehler beim Registrieren der Schnellzugriffstaste.");
    // Another combination is free, and the trial leaves no grab behind.
    EXPECT_EQ(manager.CheckHotKeyRegistration('B'), Tarnwick::Core::HotKeyBase::HotKeyFree);
    other.Stop();
    EXPECT_TRUE(manager.Register());
}

} // namespace
