// The hot-key page: the default key is accepted as it is, each wrong combination gives its
// message, a combination another program holds is refused, and a change the desktop refuses
// afterwards brings the old combination back.
#include "OptionsTestSupport.h"
#include "autocompletion/HotKeyBase.h"
#include "options/ui/HotKeyChange.h"
#include "options/ui/HotKeyInput.h"

namespace OptionsUiTest {
namespace {

using Tarnwick::OptionsLibrary::CAutoCompletionPage;
using Tarnwick::UiText::Q;
namespace Input = Tarnwick::OptionsLibrary;

constexpr unsigned kSuperShift = 8 | 4;
constexpr unsigned kCtrlAlt = 2 | 1;

class HotKeyPageTest : public OptionsFixture {
protected:
    // The program's own hot key, registered as at start-up.
    void RegisterDefault() {
        live = std::make_unique<Tarnwick::SmartTag::HotKeyManager>(
            &grabber, kSuperShift, 'A', [this](std::u16string_view text) { errors.emplace_back(text); });
        ASSERT_TRUE(live->Register());
        grabber.grabs = 0;
    }
    bool HoldsDefault() const { return grabber.grabbed.count({'a', kSuperShift}) == 1; }

    // Edits the page like a user and presses OK; the dialog is cancelled when OK was refused.
    int EditAndOk(const std::function<void(CAutoCompletionPage&)>& edit) {
        return Run([&](CSettingsDialog& dialog) {
            auto& page = PageOf<CAutoCompletionPage>(dialog);
            dialog.SelectPage(4);
            edit(page);
            dialog.GetOkButton()->click();
            if (dialog.result() == 0) {
                dialog.GetCancelButton()->click();
            }
        });
    }

    std::unique_ptr<Tarnwick::SmartTag::HotKeyManager> live;
    std::vector<std::u16string> errors;
};

TEST_F(HotKeyPageTest, DefaultHotKeyIsShownAndAcceptedUnchanged) {
    RegisterDefault();
    const Settings before = settings;
    const int result = Run([&](CSettingsDialog& dialog) {
        auto& page = PageOf<CAutoCompletionPage>(dialog);
        EXPECT_TRUE(page.GetEnableBox()->isChecked());
        EXPECT_EQ(page.GetModifier1()->currentText(), QStringLiteral("Windows-Taste"));
        EXPECT_EQ(page.GetModifier2()->currentText(), QStringLiteral("Umschalt"));
        // The key that types "a" without Shift: the stored A reads back as a valid key.
        EXPECT_EQ(page.GetKeyEdit()->text(), QStringLiteral("a"));
        EXPECT_EQ(page.GetKeyEdit()->maxLength(), 1);
        EXPECT_TRUE(page.GetStatusLine()->text().isEmpty());
        QStringList items;
        for (int i = 0; i < page.GetModifier1()->count(); ++i) {
            items << page.GetModifier1()->itemText(i) + QLatin1Char('=') + page.GetModifier1()->itemData(i).toString();
        }
        EXPECT_EQ(items, (QStringList{QStringLiteral("Keine=0"), QStringLiteral("Alt=1"), QStringLiteral("Strg=2"),
                                      QStringLiteral("Umschalt=4"), QStringLiteral("Windows-Taste=8")}));
        dialog.GetOkButton()->click();
    });
    EXPECT_EQ(result, Options::IDOK);
    EXPECT_TRUE(responder.Seen().empty()) << LastMessage().toStdString();
    EXPECT_EQ(settings, before);
    EXPECT_EQ(grabber.grabs, 0) << "an unchanged combination is not tried";
    EXPECT_TRUE(HoldsDefault());
}

TEST_F(HotKeyPageTest, RetypingTheShownKeyIsAcceptedToo) {
    RegisterDefault();
    const int result = EditAndOk([](CAutoCompletionPage& page) {
        page.GetKeyEdit()->clear();
        QTest::keyClicks(page.GetKeyEdit(), QStringLiteral("a"));
        EXPECT_TRUE(page.GetStatusLine()->text().isEmpty());
    });
    EXPECT_EQ(result, Options::IDOK);
    EXPECT_EQ(settings.hotKey, 'A');
    EXPECT_TRUE(HoldsDefault());
}

TEST_F(HotKeyPageTest, SwappedModifiersAreTheSameCombination) {
    RegisterDefault();
    const int result = EditAndOk([](CAutoCompletionPage& page) {
        page.GetModifier1()->setCurrentIndex(3); // Umschalt
        page.GetModifier2()->setCurrentIndex(4); // Windows-Taste
    });
    EXPECT_EQ(result, Options::IDOK);
    EXPECT_EQ(settings.hotKeyModifier1, 4);
    EXPECT_EQ(settings.hotKeyModifier2, 8);
    // A trial grab of the held combination would have given the program's grab up.
    EXPECT_EQ(grabber.grabs, 0);
    EXPECT_TRUE(HoldsDefault());
}

TEST_F(HotKeyPageTest, FreeNewKeyIsTriedAndTaken) {
    RegisterDefault();
    const int result = EditAndOk([](CAutoCompletionPage& page) { page.GetKeyEdit()->setText(QStringLiteral("k")); });
    EXPECT_EQ(result, Options::IDOK);
    EXPECT_EQ(settings.hotKey, 'K');
    EXPECT_EQ(grabber.grabs, 1);
    EXPECT_EQ(grabber.grabbed.count({'k', kSuperShift}), 0u) << "the trial grab is given up";
    EXPECT_TRUE(HoldsDefault());
}

TEST_F(HotKeyPageTest, KeyHeldByAnotherProgramIsRefused) {
    RegisterDefault();
    grabber.taken.insert({'k', kCtrlAlt});
    const Settings before = settings;
    const int result = EditAndOk([](CAutoCompletionPage& page) {
        page.GetModifier1()->setCurrentIndex(2); // Strg
        page.GetModifier2()->setCurrentIndex(1); // Alt
        page.GetKeyEdit()->setText(QStringLiteral("k"));
    });
    EXPECT_EQ(result, Options::IDCANCEL);
    ASSERT_EQ(responder.Seen().size(), 1u);
    EXPECT_EQ(LastMessage(), QStringLiteral("Diese Taste für den Schnellzugriff ist bereits vergeben."));
    EXPECT_EQ(responder.Seen().back().icon, QMessageBox::Information);
    EXPECT_EQ(settings, before);
    EXPECT_TRUE(HoldsDefault()) << "the old combination stays registered";
    EXPECT_TRUE(live->IsRegistered());
}

TEST_F(HotKeyPageTest, KeyTheDesktopCannotGrabIsRefused) {
    // No key of the layout gives the symbol.
    struct NoKeyGrabber final : Tarnwick::Platform::IHotKeyGrabber {
        int Grab(std::uint32_t, unsigned) override { return Tarnwick::Platform::kGrabFailed; }
        bool Ungrab(std::uint32_t, unsigned) override { return true; }
    } noKey;
    Options::Environment environment;
    environment.hotKeyGrabber = &noKey;
    environment.runModal = [&](QDialog& dialog) {
        auto& page = PageOf<CAutoCompletionPage>(static_cast<CSettingsDialog&>(dialog));
        page.GetKeyEdit()->setText(QStringLiteral("7"));
        static_cast<CSettingsDialog&>(dialog).GetOkButton()->click();
        return dialog.result();
    };
    EXPECT_EQ(Options::Show(nullptr, settings, environment), Options::IDCANCEL);
    EXPECT_EQ(LastMessage(), QStringLiteral("Ungültige Taste für den Schnellzugriff."));
    EXPECT_EQ(settings.hotKey, 'A');
}

TEST_F(HotKeyPageTest, WrongCombinationsGiveTheirMessagesWhileEditingAndOnOk) {
    struct Case {
        int modifier1;
        int modifier2;
        QString key;
        std::u16string_view message;
    };
    const Case cases[] = {
        {0, 0, QStringLiteral("a"), Input::kNoModifier},
        {2, 2, QStringLiteral("a"), Input::kSameModifier},
        {4, 4, QStringLiteral("a"), Input::kSameModifier},
        {4, 3, QStringLiteral("K"), Input::kKeyNeedsModifier},   // a capital letter needs Shift
        {4, 3, QStringLiteral("%"), Input::kKeyNeedsModifier},   // Shift+5 on a German layout
        {4, 3, QStringLiteral("ä"), Input::kInvalidKey},          // no key the grab can hold
        {4, 3, QString(), Input::kInvalidKey},
    };
    for (const Case& test : cases) {
        const Settings before = settings;
        const std::size_t seen = responder.Seen().size();
        const int result = EditAndOk([&](CAutoCompletionPage& page) {
            page.GetModifier1()->setCurrentIndex(test.modifier1);
            page.GetModifier1()->activated(test.modifier1);
            page.GetModifier2()->setCurrentIndex(test.modifier2);
            page.GetModifier2()->activated(test.modifier2);
            // As typed (QTest types ASCII only).
            page.GetKeyEdit()->setText(test.key);
            emit page.GetKeyEdit()->textEdited(test.key);
            EXPECT_EQ(page.GetStatusLine()->text(), Q(test.message)) << test.key.toStdString();
        });
        EXPECT_EQ(result, Options::IDCANCEL) << test.key.toStdString();
        ASSERT_EQ(responder.Seen().size(), seen + 1);
        EXPECT_EQ(LastMessage(), Q(test.message));
        EXPECT_EQ(responder.Seen().back().icon, QMessageBox::Warning);
        EXPECT_EQ(settings, before);
    }
    EXPECT_EQ(grabber.grabs, 0);
}

TEST_F(HotKeyPageTest, SwitchingAutoCompletionOffDisablesTheKeyControls) {
    const int result = EditAndOk([](CAutoCompletionPage& page) {
        page.GetEnableBox()->setChecked(false);
        EXPECT_FALSE(page.GetKeyEdit()->isEnabled());
        EXPECT_FALSE(page.GetModifier1()->isEnabled());
        EXPECT_FALSE(page.GetModifier2()->isEnabled());
        EXPECT_FALSE(page.GetStatusLine()->isEnabled());
    });
    EXPECT_EQ(result, Options::IDOK);
    EXPECT_FALSE(settings.autoCompletionEnabled);
}

TEST_F(HotKeyPageTest, WithoutADesktopANewKeyIsTakenUntested) {
    Options::Environment environment;
    environment.runModal = [&](QDialog& dialog) {
        auto& settingsDialog = static_cast<CSettingsDialog&>(dialog);
        PageOf<CAutoCompletionPage>(settingsDialog).GetKeyEdit()->setText(QStringLiteral("9"));
        settingsDialog.GetOkButton()->click();
        return dialog.result();
    };
    EXPECT_EQ(Options::Show(nullptr, settings, environment), Options::IDOK);
    EXPECT_EQ(settings.hotKey, '9');
}

TEST_F(HotKeyPageTest, KeyScanAndKeyText) {
    EXPECT_EQ(Input::KeyScan(u'a'), 'A');
    EXPECT_EQ(Input::KeyScan(u'z'), 'Z');
    EXPECT_EQ(Input::KeyScan(u'0'), '0');
    EXPECT_EQ(Input::KeyScan(u' '), ' ');
    EXPECT_GE(Input::KeyScan(u'A'), Input::kNeedsModifier);
    EXPECT_GE(Input::KeyScan(u'='), Input::kNeedsModifier);
    EXPECT_EQ(Input::KeyScan(u'ß'), Input::kNoKey);
    EXPECT_EQ(Input::KeyScan(u'\t'), Input::kNoKey);
    EXPECT_EQ(Input::KeyText('A'), u"a");
    EXPECT_EQ(Input::KeyText('5'), u"5");
    EXPECT_EQ(Input::KeyText(0x08), u"");
    EXPECT_EQ(Input::KeyText(-1), u"");
    EXPECT_EQ(Input::KeyText(0xD800), u"");
}

// ChangeHotKey is what the main window runs after OK.
TEST_F(HotKeyPageTest, RefusedChangeRollsBackToTheOldKeyAndRegistersItAgain) {
    RegisterDefault();
    const Settings previous = settings;
    // Free when the dialog tried it, taken by the time the window registers it.
    grabber.taken.insert({'k', kSuperShift});
    settings.hotKey = 'K';
    EXPECT_FALSE(Tarnwick::OptionsLibrary::ChangeHotKey(*live, settings, previous));
    EXPECT_EQ(settings, previous);
    EXPECT_TRUE(live->IsRegistered());
    EXPECT_EQ(live->GetVirtualKey(), static_cast<std::uint32_t>('A'));
    EXPECT_TRUE(HoldsDefault());
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors.front(), Tarnwick::SmartTag::kChangeError);
}

TEST_F(HotKeyPageTest, RefusedChangeOfTheModifiersRollsBackToo) {
    RegisterDefault();
    const Settings previous = settings;
    grabber.taken.insert({'k', kCtrlAlt});
    settings.hotKey = 'K';
    settings.hotKeyModifier1 = 2;
    settings.hotKeyModifier2 = 1;
    EXPECT_FALSE(Tarnwick::OptionsLibrary::ChangeHotKey(*live, settings, previous));
    EXPECT_EQ(settings, previous);
    EXPECT_TRUE(live->IsRegistered());
    EXPECT_EQ(live->GetModifiers(), kSuperShift);
    EXPECT_TRUE(HoldsDefault());
    EXPECT_EQ(grabber.grabbed.size(), 1u);

    // A free one moves the registration.
    settings.hotKey = 'J';
    EXPECT_TRUE(Tarnwick::OptionsLibrary::ChangeHotKey(*live, settings, previous));
    EXPECT_EQ(grabber.grabbed, (std::set<std::pair<std::uint32_t, unsigned>>{{'j', kSuperShift}}));
}

TEST_F(HotKeyPageTest, OldGrabThatCouldNotBeGivenUpStays) {
    RegisterDefault();
    const Settings previous = settings;
    grabber.ungrabFails = true;
    settings.hotKey = 'K';
    EXPECT_FALSE(Tarnwick::OptionsLibrary::ChangeHotKey(*live, settings, previous));
    EXPECT_EQ(settings, previous);
    EXPECT_TRUE(live->IsRegistered());
    EXPECT_TRUE(HoldsDefault());
    grabber.ungrabFails = false;
}

} // namespace
} // namespace OptionsUiTest
