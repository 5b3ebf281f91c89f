// The generator window from the keyboard: one control per Alt+letter on each page, and labels
// that lead to their fields.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include "editor/KeyboardChecks.h"
#include "generator/ui/GeneratorUI.h"
#include "generator/ui/PasswordGeneratorDlg.h"
#include "generator/ui/PolicyEditorDlg.h"
#include "support/DialogResponder.h"
#include "support/TemporaryXdgFolders.h"

namespace {

using namespace Tarnwick::PasswordGenerator;
using namespace Tarnwick::PasswordGenerator::UI;

class GeneratorKeyboardTest : public ::testing::Test {
protected:
    // Shown and active, as the user meets it: Alt+letters reach the window.
    static void ShowActive(QWidget& window) {
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    TestSupport::TemporaryXdgFolders xdg;
    TestSupport::ScriptedResponder responder;
};

TEST_F(GeneratorKeyboardTest, EveryDialogHasDistinctMnemonicsAndEveryMnemonicLabelABuddy) {
    CPasswordGeneratorDlg window;
    for (const std::string& fault : TestSupport::KeyboardFaults(window)) {
        ADD_FAILURE() << fault;
    }
    for (int i = 0; i < window.GetTabs()->count(); ++i) {
        EXPECT_GT(TestSupport::MnemonicCount(*window.GetTabs()->widget(i)), 0);
    }

    PolicyMap policies{{u"Standard", DefaultPolicy()}};
    PasswordPolicy policy = DefaultPolicy();
    policy.name = u"Neu";
    CPolicyEditorDlg editor(policy, policies, {});
    EXPECT_TRUE(TestSupport::KeyboardFaults(editor).empty());

    MouseEntropy collector(4);
    CEntropyDialog entropy(nullptr, collector);
    EXPECT_TRUE(TestSupport::KeyboardFaults(entropy).empty());
}

TEST_F(GeneratorKeyboardTest, LengthLabelLeadsToTheLengthField) {
    CPasswordGeneratorDlg window;
    CPwGenGeneratorPage* page = window.GetGeneratorPage();
    QLabel* lengthLabel = nullptr;
    for (QLabel* label : page->findChildren<QLabel*>()) {
        if (label->text() == QStringLiteral("Passwort&länge:")) {
            lengthLabel = label;
        }
    }
    ASSERT_NE(lengthLabel, nullptr);
    // With a buddy the "&" marks the letter instead of being shown.
    EXPECT_EQ(lengthLabel->buddy(), page->m_length);
    ShowActive(window);
    QTest::keyClick(&window, Qt::Key_L, Qt::AltModifier);
    EXPECT_TRUE(page->m_length->hasFocus());
}

TEST_F(GeneratorKeyboardTest, AltGIsTheUpperCaseBoxAndAltEGenerates) {
    CPasswordGeneratorDlg window;
    CPwGenGeneratorPage* page = window.GetGeneratorPage();
    EXPECT_EQ(page->m_upper->text(), QStringLiteral("&Großbuchstaben A-Z"));
    ShowActive(window);
    // A mnemonic with a single owner presses it at once; a shared one would only move the focus.
    QTest::keyClick(&window, Qt::Key_G, Qt::AltModifier);
    EXPECT_TRUE(page->m_upper->isDown());
    EXPECT_TRUE(page->m_upper->hasFocus());
    EXPECT_FALSE(page->m_generate->isDown());
    page->m_upper->setDown(false);
    QTest::keyClick(&window, Qt::Key_E, Qt::AltModifier);
    EXPECT_TRUE(page->m_generate->isDown());
    page->m_generate->setDown(false);

    // The other pages generate with the same letter.
    window.GetTabs()->setCurrentWidget(window.GetPolicyPage());
    QTest::keyClick(&window, Qt::Key_E, Qt::AltModifier);
    EXPECT_TRUE(window.GetPolicyPage()->m_generate->isDown());
    window.GetPolicyPage()->m_generate->setDown(false);
    window.GetTabs()->setCurrentWidget(window.GetPreviewPage());
    QTest::keyClick(&window, Qt::Key_E, Qt::AltModifier);
    EXPECT_TRUE(window.GetPreviewPage()->m_generate->isDown());
    window.GetPreviewPage()->m_generate->setDown(false);
    window.reject();
}

} // namespace
