#include <gtest/gtest.h>

#include <QCommandLinkButton>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "uiext/TaskDialog.h"

using WindowsServiceProvider::CTaskDialog;
using WindowsServiceProvider::TaskDialogIcon;

namespace {

TEST(CTaskDialog, CommandTextsSplitAtTheFirstLineBreak) {
    CTaskDialog dialog;
    EXPECT_EQ(dialog.AddCommand(QStringLiteral("Kopieren und ersetzen\nAlte durch Neue ersetzen.\nZweite Zeile")), 0);
    EXPECT_EQ(dialog.AddCommand(QStringLiteral("Nur Titel")), 1);
    EXPECT_EQ(dialog.AddCommand(QStringLiteral("\nNur Erklärung")), 2);
    const auto buttons = dialog.GetCommandButtons();
    ASSERT_EQ(buttons.size(), 3);
    EXPECT_EQ(buttons[0]->text(), QStringLiteral("Kopieren und ersetzen"));
    EXPECT_EQ(buttons[0]->description(), QStringLiteral("Alte durch Neue ersetzen.\nZweite Zeile"));
    EXPECT_EQ(buttons[1]->text(), QStringLiteral("Nur Titel"));
    EXPECT_TRUE(buttons[1]->description().isEmpty());
    EXPECT_TRUE(buttons[2]->text().isEmpty());
    EXPECT_EQ(buttons[2]->description(), QStringLiteral("Nur Erklärung"));
}

TEST(CTaskDialog, ChoosingAndCancelling) {
    CTaskDialog dialog;
    dialog.SetMainInstruction(QStringLiteral("Es ist eine neue Version verfügbar"));
    dialog.SetContent(QStringLiteral("<b>kein Markup</b>"));
    dialog.SetIcon(TaskDialogIcon::Question);
    dialog.AddCommand(QStringLiteral("Ja\nweiter"));
    dialog.AddCommand(QStringLiteral("Nein\nzurück"));
    dialog.SetDefaultCommand(0);
    EXPECT_TRUE(dialog.GetCommandButtons()[0]->isDefault());
    EXPECT_FALSE(dialog.GetCommandButtons()[1]->isDefault());
    EXPECT_EQ(dialog.GetContent(), QStringLiteral("<b>kein Markup</b>"));
    EXPECT_EQ(dialog.GetSelectedCommand(), -1);

    dialog.open();
    dialog.GetCommandButtons()[1]->click();
    EXPECT_EQ(dialog.GetSelectedCommand(), 1);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());

    dialog.open();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_EQ(dialog.GetSelectedCommand(), -1);
    EXPECT_FALSE(dialog.isVisible());

    // Without cancellation only a command ends it.
    dialog.SetAllowCancel(false);
    dialog.open();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    dialog.close();
    EXPECT_TRUE(dialog.isVisible());
    dialog.GetCommandButtons()[0]->click();
    EXPECT_EQ(dialog.GetSelectedCommand(), 0);
    EXPECT_FALSE(dialog.isVisible());
}

TEST(CTaskDialog, CancelButtonAndFooter) {
    CTaskDialog dialog;
    EXPECT_EQ(dialog.GetCancelButton(), nullptr);
    dialog.AddCommand(QStringLiteral("Eins"));
    dialog.SetCancelButton(true);
    ASSERT_NE(dialog.GetCancelButton(), nullptr);
    dialog.SetFooterLink(QStringLiteral("Versionshinweise anzeigen"), QStringLiteral("https://example.org/?LinkId=9&a=<b>"));
    EXPECT_TRUE(dialog.GetFooterLabel()->text().contains(QStringLiteral("Versionshinweise anzeigen")));
    EXPECT_TRUE(dialog.GetFooterLabel()->text().contains(QStringLiteral("&amp;a=&lt;b&gt;")));
    dialog.open();
    dialog.GetCancelButton()->click();
    EXPECT_EQ(dialog.GetSelectedCommand(), -1);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

} // namespace
