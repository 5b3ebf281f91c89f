// The entry sheet from the keyboard: mnemonics, first focus, Tab in the comment, Enter and Escape.
#include <gtest/gtest.h>

#include <memory>

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "autocompletion/AutoCompletionIndex.h"
#include "editor/FakeEntryStore.h"
#include "editor/KeyboardChecks.h"
#include "editor/PasswordSheet.h"
#include "editor/PropertySheet.h"
#include "support/DialogResponder.h"
#include "support/TemporaryXdgFolders.h"
#include "uilib/SecureEdit.h"

namespace {

using namespace Tarnwick;
using PasswordADT::PasswordItem;
using StringServiceProvider::SecureString;

class SheetKeyboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        data.AddFolder(u"Allgemein");
        data.AddFolder(u"Banken");
        auto item = std::make_shared<PasswordItem>();
        item->SetDescription(u"Sparkasse");
        item->SetUserName(u"kunde");
        item->SetPassword(1600000000, SecureString(std::u16string_view(u"aktuell-1")));
        data.Folders()[1]->Entries().push_back(item);
    }

    std::unique_ptr<CPasswordSheet> NewSheet() {
        auto sheet = std::make_unique<CPasswordSheet>(store, 0, std::nullopt, index);
        EXPECT_TRUE(sheet->Initialise());
        return sheet;
    }
    std::unique_ptr<CPasswordSheet> EditSheet() {
        auto sheet = std::make_unique<CPasswordSheet>(store, 1, std::size_t{0}, index);
        EXPECT_TRUE(sheet->Initialise());
        return sheet;
    }
    // Shown and active, as the user meets it: keys reach the focused control.
    static void ShowActive(QWidget& window) {
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    TestSupport::TemporaryXdgFolders xdg;
    TestSupport::ScriptedResponder responder;
    PasswordADT::PasswordData data;
    TestSupport::FakeEntryStore store{data};
    AutoCompletion::AutoCompletionIndex index;
};

TEST_F(SheetKeyboardTest, EveryPageHasDistinctMnemonicsAndEveryMnemonicLabelABuddy) {
    for (const bool editing : {false, true}) {
        auto sheet = editing ? EditSheet() : NewSheet();
        for (const std::string& fault : TestSupport::KeyboardFaults(*sheet)) {
            ADD_FAILURE() << (editing ? "edit: " : "new: ") << fault;
        }
        // The walk does find the captions: every page but the comment has some.
        for (int i = 0; i < sheet->GetTabs()->count(); ++i) {
            if (sheet->GetTabs()->widget(i) != sheet->m_commentPage) {
                EXPECT_GT(TestSupport::MnemonicCount(*sheet->GetTabs()->widget(i)), 0)
                    << sheet->GetTabs()->tabText(i).toStdString();
            }
        }
    }
    CTWPropertySheet properties(data, 1, 0);
    EXPECT_TRUE(TestSupport::KeyboardFaults(properties).empty());
}

TEST_F(SheetKeyboardTest, SymbolPickerHasNoKeyboardFaults) {
    auto sheet = NewSheet();
    bool seen = false;
    std::vector<std::string> faults;
    QTimer::singleShot(0, [&] {
        auto* picker = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(picker, nullptr);
        seen = true;
        faults = TestSupport::KeyboardFaults(*picker);
        picker->reject();
    });
    EXPECT_FALSE(sheet->m_symbol->ChooseFromLibrary());
    EXPECT_TRUE(seen);
    for (const std::string& fault : faults) {
        ADD_FAILURE() << fault;
    }
}

TEST_F(SheetKeyboardTest, AltLetterOfALabelReachesItsField) {
    auto sheet = NewSheet();
    ShowActive(*sheet);
    QTest::keyClick(sheet.get(), Qt::Key_N, Qt::AltModifier);
    EXPECT_TRUE(sheet->m_general->m_userName->hasFocus());
    QTest::keyClick(sheet.get(), Qt::Key_P, Qt::AltModifier);
    EXPECT_TRUE(sheet->m_general->m_password->hasFocus());
    sheet->GetTabs()->setCurrentWidget(sheet->m_udf);
    QTest::keyClick(sheet.get(), Qt::Key_W, Qt::AltModifier);
    EXPECT_TRUE(sheet->m_udf->m_value->hasFocus());
}

TEST_F(SheetKeyboardTest, NewEntryStartsAtTheDescriptionAndAnEditAtTheFirstField) {
    {
        auto sheet = NewSheet();
        ShowActive(*sheet);
        EXPECT_EQ(sheet->GetTabs()->currentWidget(), sheet->m_general);
        EXPECT_EQ(QApplication::focusWidget(), sheet->m_general->m_description);
        // Typing goes straight into the description.
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Girokonto"));
        EXPECT_EQ(sheet->m_general->m_description->text(), QStringLiteral("Girokonto"));
        sheet->reject();
    }
    {
        auto sheet = EditSheet();
        ShowActive(*sheet);
        EXPECT_EQ(sheet->GetTabs()->currentWidget(), sheet->m_general);
        EXPECT_EQ(QApplication::focusWidget(), sheet->m_general->m_folder);
        sheet->reject();
    }
}

TEST_F(SheetKeyboardTest, TabLeavesTheCommentAndCtrlTabTypesATab) {
    auto sheet = EditSheet();
    ShowActive(*sheet);
    sheet->GetTabs()->setCurrentWidget(sheet->m_commentPage);
    QPlainTextEdit* comment = sheet->m_commentPage->m_comment;
    comment->setFocus();
    ASSERT_TRUE(comment->hasFocus());
    QTest::keyClicks(comment, QStringLiteral("PIN"));
    QTest::keyClick(comment, Qt::Key_Tab, Qt::ControlModifier);
    QTest::keyClicks(comment, QStringLiteral("1234"));
    EXPECT_EQ(comment->toPlainText(), QStringLiteral("PIN\t1234"));
    // Ctrl+Tab stayed in the field and did not turn the page.
    EXPECT_TRUE(comment->hasFocus());
    EXPECT_EQ(sheet->GetTabs()->currentWidget(), sheet->m_commentPage);

    QTest::keyClick(comment, Qt::Key_Tab);
    EXPECT_FALSE(comment->hasFocus());
    EXPECT_NE(QApplication::focusWidget(), nullptr);
    EXPECT_EQ(comment->toPlainText(), QStringLiteral("PIN\t1234"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(comment->hasFocus());

    ASSERT_TRUE(sheet->OnOk());
    EXPECT_EQ(sheet->GetStoredItem()->GetComment().View(), u"PIN\t1234");
}

TEST_F(SheetKeyboardTest, EnterInAFieldPressesOk) {
    const auto fieldOf = [](CPasswordSheet& sheet, int which) -> std::pair<QWidget*, QLineEdit*> {
        switch (which) {
        case 0: return {sheet.m_general, sheet.m_general->m_description};
        case 1: return {sheet.m_general, sheet.m_general->m_userName};
        case 2: return {sheet.m_general, sheet.m_general->m_email};
        case 3: return {sheet.m_general, sheet.m_general->m_password};
        case 4: return {sheet.m_internet, sheet.m_internet->m_url};
        default: return {sheet.m_udf, sheet.m_udf->m_name};
        }
    };
    // One fresh sheet per field: each Enter stores and ends the sheet.
    for (int i = 0; i < 6; ++i) {
        auto sheet = EditSheet();
        ShowActive(*sheet);
        const auto [page, field] = fieldOf(*sheet, i);
        sheet->GetTabs()->setCurrentWidget(page);
        field->setFocus();
        ASSERT_TRUE(field->hasFocus()) << i;
        QTest::keyClicks(field, QStringLiteral("x"));
        QTest::keyClick(field, Qt::Key_Return);
        EXPECT_EQ(sheet->result(), QDialog::Accepted) << i;
        EXPECT_FALSE(sheet->isVisible()) << i;
        EXPECT_EQ(store.replaces, i + 1);
        EXPECT_EQ(data.Folders()[1]->Entries()[0], sheet->GetStoredItem());
    }
    EXPECT_EQ(data.Folders()[1]->Entries()[0]->GetDescription().View(), u"Sparkassex");

    // A new entry too; the numeric keypad's Enter does the same.
    auto sheet = NewSheet();
    ShowActive(*sheet);
    QTest::keyClicks(sheet->m_general->m_description, QStringLiteral("Girokonto"));
    QTest::keyClick(sheet->m_general->m_description, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    ASSERT_EQ(data.Folders()[0]->Entries().size(), 1u);
    EXPECT_EQ(data.Folders()[0]->Entries()[0]->GetDescription().View(), u"Girokonto");
}

TEST_F(SheetKeyboardTest, EnterOnAPageButtonPressesThatButton) {
    auto sheet = EditSheet();
    ShowActive(*sheet);
    sheet->GetTabs()->setCurrentWidget(sheet->m_udf);
    sheet->m_udf->m_name->setText(QStringLiteral("PIN"));
    sheet->m_udf->m_value->setText(QStringLiteral("1234"));
    sheet->m_udf->m_add->setFocus();
    QTest::keyClick(sheet->m_udf->m_add, Qt::Key_Return);
    EXPECT_EQ(sheet->m_udf->m_list->topLevelItemCount(), 1);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(store.replaces, 0);
    sheet->reject();
}

TEST_F(SheetKeyboardTest, EscapeCancelsWithoutStoring) {
    const auto before = data.Folders()[1]->Entries()[0];
    for (const bool editing : {false, true}) {
        auto sheet = editing ? EditSheet() : NewSheet();
        ShowActive(*sheet);
        QTest::keyClicks(sheet->m_general->m_description, QStringLiteral("verworfen"));
        QTest::keyClick(sheet->m_general->m_description, Qt::Key_Escape);
        EXPECT_EQ(sheet->result(), QDialog::Rejected);
        EXPECT_FALSE(sheet->isVisible());
        EXPECT_EQ(sheet->GetStoredItem(), nullptr);
    }
    EXPECT_EQ(store.adds + store.replaces, 0);
    EXPECT_EQ(data.Folders()[0]->Entries().size(), 0u);
    EXPECT_EQ(data.Folders()[1]->Entries()[0], before);
    EXPECT_EQ(before->GetDescription().View(), u"Sparkasse");
}

} // namespace
