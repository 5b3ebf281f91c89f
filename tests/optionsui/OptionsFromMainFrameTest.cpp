// "Optionen" in the main window: the dialog opens on the window's record, an OK reaches the
// window, and a hot key that the desktop refuses after OK gives way to the old one again.
#include <QCheckBox>
#include <QLineEdit>

#include "app/AppTestSupport.h"
#include "app/MainFrameTestSupport.h"
#include "app/mainframe/AutoCompletionController.h"
#include "app/mainframe/CommandIds.h"
#include "autocompletion/HotKeyBase.h"
#include "options/ui/CSettingsDialog.h"
#include "options/ui/OptionsPages.h"
#include "platform/x11/FakeDesktop.h"

namespace MainFrameTest {
namespace {

using Tarnwick::Commands::ID_OPTIONS;
using Tarnwick::MainFrame::AutoCompletionController;
using Tarnwick::OptionsLibrary::CAutoCompletionPage;
using Tarnwick::OptionsLibrary::CPasswordListPage;
using Tarnwick::OptionsLibrary::CSettingsDialog;

constexpr unsigned kSuperShift = 8 | 4;

Tarnwick::PasswordADT::PasswordData OneEntry() {
    Tarnwick::PasswordADT::PasswordData data;
    auto folder = data.AddFolder(u"Web");
    auto item = std::make_shared<Tarnwick::PasswordADT::PasswordItem>();
    item->SetDescription(u"Bank");
    folder->Entries().push_back(item);
    return data;
}

class OptionsFromMainFrame : public MainFrameFixture {
protected:
    void SetUp() override {
        MainFrameFixture::SetUp();
        desktop = std::make_shared<AutoCompletionController::Desktop>();
        desktop->windows = std::make_shared<Tarnwick::Platform::FakeDesktopWindows>(journal);
        desktop->keyboard = std::make_shared<Tarnwick::Platform::FakeKeyboard>(journal);
        desktop->hotKey = grabber;
        previous = AutoCompletionController::SetDesktopFactory([this] { return desktop; });
        Open(OneEntry());
        grabber->grabs = 0;
    }
    void TearDown() override {
        MainFrameFixture::TearDown();
        AutoCompletionController::SetDesktopFactory(previous);
    }

    Tarnwick::Platform::Journal journal;
    std::shared_ptr<Tarnwick::Platform::FakeHotKeyGrabber> grabber = std::make_shared<Tarnwick::Platform::FakeHotKeyGrabber>();
    std::shared_ptr<AutoCompletionController::Desktop> desktop;
    AutoCompletionController::DesktopFactory previous;
};

TEST_F(OptionsFromMainFrame, OkReachesTheWindowAndCancelDoesNot) {
    ASSERT_TRUE(frame->IsCommandEnabled(ID_OPTIONS));
    ASSERT_TRUE(List()->HasGridLines());
    int shown = 0;
    bool confirm = false;
    AppTest::DialogDriverScope driver([&](QDialog& dialog) {
        auto* options = qobject_cast<CSettingsDialog*>(&dialog);
        ASSERT_NE(options, nullptr);
        ++shown;
        options->Pages()[3]->Control<QCheckBox>(5011)->setChecked(false);
        (confirm ? options->GetOkButton() : options->GetCancelButton())->click();
    });
    frame->ExecuteCommand(ID_OPTIONS);
    EXPECT_TRUE(settings.showHorizontalLines);
    EXPECT_TRUE(List()->HasGridLines());
    confirm = true;
    frame->ExecuteCommand(ID_OPTIONS);
    EXPECT_EQ(shown, 2);
    EXPECT_FALSE(settings.showHorizontalLines);
    EXPECT_FALSE(List()->HasGridLines());
}

TEST_F(OptionsFromMainFrame, NewHotKeyIsRegisteredInPlaceOfTheOld) {
    ASSERT_EQ(grabber->grabbed, (std::set<std::pair<std::uint32_t, unsigned>>{{'a', kSuperShift}}));
    AppTest::DialogDriverScope driver([&](QDialog& dialog) {
        auto& options = static_cast<CSettingsDialog&>(dialog);
        static_cast<CAutoCompletionPage*>(options.Pages()[4])->GetKeyEdit()->setText(QStringLiteral("j"));
        options.GetOkButton()->click();
    });
    frame->ExecuteCommand(ID_OPTIONS);
    EXPECT_EQ(settings.hotKey, 'J');
    EXPECT_EQ(grabber->grabbed, (std::set<std::pair<std::uint32_t, unsigned>>{{'j', kSuperShift}}));
}

TEST_F(OptionsFromMainFrame, HotKeyTakenAfterOkRollsBackToTheOldOne) {
    AppTest::DialogDriverScope driver([&](QDialog& dialog) {
        auto& options = static_cast<CSettingsDialog&>(dialog);
        static_cast<CAutoCompletionPage*>(options.Pages()[4])->GetKeyEdit()->setText(QStringLiteral("k"));
        options.GetOkButton()->click();
        // Free when the dialog tried it; another program takes it before the window does.
        grabber->taken.insert({'k', kSuperShift});
    });
    frame->ExecuteCommand(ID_OPTIONS);
    EXPECT_EQ(settings.hotKey, 'A');
    EXPECT_EQ(settings.hotKeyModifier1, 8);
    EXPECT_EQ(settings.hotKeyModifier2, 4);
    EXPECT_EQ(grabber->grabbed, (std::set<std::pair<std::uint32_t, unsigned>>{{'a', kSuperShift}}));
    EXPECT_TRUE(ShownTexts().contains(QStringLiteral("Fehler beim Ändern der Schnellzugriffstaste.")))
        << ShownTexts().join(QLatin1Char('|')).toStdString();
}

TEST_F(OptionsFromMainFrame, HotKeyHeldByAnotherProgramIsRefusedInTheDialog) {
    grabber->taken.insert({'k', kSuperShift});
    AppTest::DialogDriverScope driver([&](QDialog& dialog) {
        auto& options = static_cast<CSettingsDialog&>(dialog);
        static_cast<CAutoCompletionPage*>(options.Pages()[4])->GetKeyEdit()->setText(QStringLiteral("k"));
        options.GetOkButton()->click();
        EXPECT_EQ(dialog.result(), 0);
        options.GetCancelButton()->click();
    });
    frame->ExecuteCommand(ID_OPTIONS);
    EXPECT_EQ(settings.hotKey, 'A');
    EXPECT_EQ(ShownTexts(), QStringList{QStringLiteral("Diese Taste für den Schnellzugriff ist bereits vergeben.")});
    EXPECT_EQ(grabber->grabbed, (std::set<std::pair<std::uint32_t, unsigned>>{{'a', kSuperShift}}));
}

} // namespace
} // namespace MainFrameTest
