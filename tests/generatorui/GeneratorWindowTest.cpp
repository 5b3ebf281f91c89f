#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>

#include "generator/PasswordPolicySerializer.h"
#include "generator/PolicyRules.h"
#include "generator/ui/GeneratorUI.h"
#include "generator/ui/PasswordGeneratorDlg.h"
#include "generator/ui/PolicyEditorDlg.h"
#include "generator/ui/QualityBar.h"
#include "support/DialogResponder.h"
#include "support/TemporaryXdgFolders.h"
#include "support/Screenshots.h"

namespace {

using namespace Tarnwick::PasswordGenerator;
using namespace Tarnwick::PasswordGenerator::UI;
using StringServiceProvider::SecureString;
using TestSupport::ScriptedResponder;

// Fills the policy editor that is about to open modally and presses OK.
void WhenEditorOpens(std::function<void(CPolicyEditorDlg&)> fill) {
    QTimer::singleShot(0, [fill] {
        auto* editor = qobject_cast<CPolicyEditorDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(editor, nullptr);
        fill(*editor);
        if (editor->isVisible()) {
            editor->reject();
        }
    });
}

QSpinBox* Spin(CPolicyEditorDlg& editor, const char* group, const char* property) {
    return qobject_cast<QSpinBox*>(editor.GetEditor(QString::fromUtf8(group), QString::fromUtf8(property)));
}
QLineEdit* Line(CPolicyEditorDlg& editor, const char* group, const char* property) {
    return qobject_cast<QLineEdit*>(editor.GetEditor(QString::fromUtf8(group), QString::fromUtf8(property)));
}

std::u16string Plain(const SecureString& secure) { return std::u16string(secure.Reveal().View()); }

class GeneratorWindowTest : public ::testing::Test {
protected:
    TestSupport::TemporaryXdgFolders xdg;
    ScriptedResponder responder;
};

TEST_F(GeneratorWindowTest, QuickPageGeneratesAndChecksTheLength) {
    CPasswordGeneratorDlg window;
    ASSERT_TRUE(std::filesystem::exists(PasswordPolicySerializer::GetDefaultPath()));
    auto* page = window.GetGeneratorPage();
    page->m_length->setValue(20);
    page->m_special->setChecked(true);
    ASSERT_TRUE(page->Generate());
    SecureString password;
    ASSERT_TRUE(page->GetPassword(password));
    EXPECT_EQ(password.Length(), 20u);
    EXPECT_GT(page->m_quality->GetPosition(), 0);
    TestSupport::Screenshot(window, QStringLiteral("generator-quick"));
    page->m_length->setValue(2);
    EXPECT_FALSE(page->Generate());
    EXPECT_EQ(responder.Seen().back().text.toStdU16String(), PolicyRules::kQuickLengthText);
    window.accept();
    SecureString taken;
    ASSERT_TRUE(window.GetPassword(taken));
    EXPECT_EQ(Plain(taken), Plain(password));
}

TEST_F(GeneratorWindowTest, PoliciesCreatedEditedAndDeletedReachTheFile) {
    {
        CPasswordGeneratorDlg window;
        auto* page = window.GetPolicyPage();
        window.GetTabs()->setCurrentWidget(page);
        EXPECT_EQ(page->SelectedName(), u"Standard");
        ASSERT_TRUE(page->Generate());
        SecureString password;
        ASSERT_TRUE(page->GetPassword(password));
        EXPECT_EQ(password.Length(), 16u);
        TestSupport::Screenshot(window, QStringLiteral("generator-policies"));

        // Standard can be neither edited nor deleted.
        EXPECT_FALSE(page->OnEdit());
        EXPECT_EQ(responder.Seen().back().text.toStdU16String(), PolicyRules::kEditStandardText);
        EXPECT_FALSE(page->OnDelete());
        EXPECT_EQ(responder.Seen().back().text.toStdU16String(), PolicyRules::kDeleteStandardText);

        WhenEditorOpens([](CPolicyEditorDlg& editor) {
            EXPECT_EQ(Line(editor, "Allgemein", "Name")->text(), QStringLiteral("Neu"));
            TestSupport::Screenshot(editor, QStringLiteral("policy-editor"));
            Line(editor, "Allgemein", "Name")->setText(QStringLiteral("Web-Konten"));
            Spin(editor, "Allgemein", "Passwortlänge")->setValue(24);
            Spin(editor, "Zeichen", "Sonderzeichen")->setValue(3);
            Line(editor, "Auszuschließende Zeichen", "Zeichen")->setText(QStringLiteral("0O1l"));
            EXPECT_TRUE(editor.OnOk());
        });
        ASSERT_TRUE(page->OnNew());
        EXPECT_EQ(page->SelectedName(), u"Web-Konten");
        WhenEditorOpens([](CPolicyEditorDlg& editor) {
            Spin(editor, "Allgemein", "Passwortlänge")->setValue(30);
            EXPECT_TRUE(editor.OnOk());
        });
        ASSERT_TRUE(page->OnEdit());
        ASSERT_TRUE(page->Generate());
        ASSERT_TRUE(page->GetPassword(password));
        EXPECT_EQ(password.Length(), 30u);
        for (char16_t c : Plain(password)) {
            EXPECT_EQ(std::u16string_view(u"0O1l").find(c), std::u16string_view::npos);
        }

        WhenEditorOpens([](CPolicyEditorDlg& editor) {
            Line(editor, "Allgemein", "Name")->setText(QStringLiteral("Temp"));
            EXPECT_TRUE(editor.OnOk());
        });
        ASSERT_TRUE(page->OnNew());
        responder.Then(QMessageBox::Yes);
        ASSERT_TRUE(page->OnDelete());
        EXPECT_EQ(responder.Seen().back().text, QStringLiteral("Möchten Sie die Passwortrichtlinie \"Temp\" jetzt löschen?"));
        page->m_policyList->setCurrentText(QStringLiteral("Web-Konten"));

        // The preview page knows the new policy and makes a list.
        auto* preview = window.GetPreviewPage();
        window.GetTabs()->setCurrentWidget(preview);
        EXPECT_EQ(preview->m_policyList->itemText(0).toStdU16String(), PolicyRules::kNoneChosenText);
        EXPECT_EQ(preview->Generate(), 0);
        preview->m_policyList->setCurrentText(QStringLiteral("Web-Konten"));
        preview->m_count->setValue(5);
        EXPECT_EQ(preview->Generate(), 5);
        ASSERT_EQ(preview->m_list->count(), 5);
        // The items hold no text: each row is painted from its secure string.
        EXPECT_TRUE(preview->m_list->item(4)->text().isEmpty());
        StringServiceProvider::PlainString fifth;
        ASSERT_TRUE(preview->RevealPassword(preview->m_list->model()->index(4, 0), fifth));
        EXPECT_EQ(fifth.Length(), 30u);
        EXPECT_FALSE(preview->RevealPassword(preview->m_list->model()->index(5, 0), fifth));
        TestSupport::Screenshot(window, QStringLiteral("generator-preview"));
        window.reject();
    }
    PasswordPolicies stored;
    PasswordPolicySerializer::Deserialize(PasswordPolicySerializer::GetDefaultPath(), stored);
    ASSERT_EQ(stored.policies.size(), 2u);
    ASSERT_TRUE(stored.policies.count(u"Web-Konten"));
    const PasswordPolicy& web = stored.policies.at(u"Web-Konten");
    EXPECT_EQ(web.length, 30);
    EXPECT_EQ(web.special, 3);
    EXPECT_EQ(web.excludedCharacters, u"0O1l");
    EXPECT_EQ(stored.mostRecentlyUsed, u"Web-Konten");
    EXPECT_FALSE(stored.policies.count(u"Temp"));
}

TEST_F(GeneratorWindowTest, PolicyEditorRefusesBadInput) {
    PolicyMap policies{{u"Standard", DefaultPolicy()}, {u"Alt", DefaultPolicy()}};
    PasswordPolicy policy = DefaultPolicy();
    policy.name = u"Neu";
    CPolicyEditorDlg editor(policy, policies, {});
    auto refused = [&](const QString& expected) {
        EXPECT_FALSE(editor.OnOk());
        EXPECT_EQ(responder.Seen().back().text, expected);
    };
    Line(editor, "Allgemein", "Name")->setText(QStringLiteral("mit Leerzeichen"));
    refused(QString::fromUtf16(PolicyRules::kNameRefusedText.data(), PolicyRules::kNameRefusedText.size()));
    Line(editor, "Allgemein", "Name")->setText(QStringLiteral("Alt"));
    refused(QString::fromUtf16(PolicyRules::kNameExistsText.data(), PolicyRules::kNameExistsText.size()));
    Line(editor, "Allgemein", "Name")->setText(QStringLiteral("Standard"));
    EXPECT_FALSE(editor.OnOk());
    Line(editor, "Allgemein", "Name")->setText(QStringLiteral("Gut-1"));
    Spin(editor, "Zeichen", "Zahlen")->setValue(11);
    refused(QStringLiteral("Der Wert muss zwischen 0 und 10 liegen."));
    Spin(editor, "Zeichen", "Zahlen")->setValue(10);
    Spin(editor, "Allgemein", "Passwortlänge")->setValue(0);
    refused(QStringLiteral("Der Wert muss zwischen 1 und 1024 liegen."));
    Spin(editor, "Allgemein", "Passwortlänge")->setValue(5);
    refused(QString::fromUtf16(PolicyRules::kLengthTooShortText.data(), PolicyRules::kLengthTooShortText.size()));
    Spin(editor, "Allgemein", "Passwortlänge")->setValue(40);
    EXPECT_TRUE(editor.OnOk());
    EXPECT_EQ(editor.GetPolicy().name, u"Gut-1");
    EXPECT_EQ(editor.GetPolicy().length, 40);
    EXPECT_EQ(editor.GetPolicy().digits, 10);
}

TEST_F(GeneratorWindowTest, EntropyDialogClosesWhenTheSamplesAreIn) {
    MouseEntropy collector(4);
    CEntropyDialog dialog(nullptr, collector);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Entropie sammeln"));
    EXPECT_EQ(dialog.GetProgress()->maximum(), 4);
    dialog.show();
    TestSupport::Screenshot(dialog, QStringLiteral("generator-entropy"));
    for (int i = 0; i < 3; ++i) {
        dialog.OnMouseMoved(QPoint(10 + i, 20 * i));
    }
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(dialog.isVisible());
    dialog.OnMouseMoved(QPoint(99, 1));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(collector.Collected(), 4u);
}

} // namespace
