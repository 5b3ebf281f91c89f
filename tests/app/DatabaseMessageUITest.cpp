#include <gtest/gtest.h>

#include <QProgressBar>
#include <QWidget>

#include "AppTestSupport.h"
#include "app/DatabaseMessageUI.h"

using AppTest::Q;
using WindowsServiceProvider::CDatabaseMessageUI;

namespace {

class DatabaseMessages : public AppTest::AppFixture {};

} // namespace

TEST_F(DatabaseMessages, ErrorsAndQuestions) {
    QWidget owner;
    CDatabaseMessageUI ui(&owner);
    ui.ShowError(u"Fehler beim Laden der Passwortinformationen aus der Datenbank.");
    ASSERT_EQ(responder.Seen().size(), 1u);
    EXPECT_EQ(responder.Seen()[0].text, Q(u"Fehler beim Laden der Passwortinformationen aus der Datenbank."));
    EXPECT_EQ(responder.Seen()[0].icon, QMessageBox::Critical);

    responder.Then(1);
    const int choice = ui.AskCommand(u"Upgrade der Passwortdatenbank durchführen?", u"",
                                     {{u"Ja, Upgrade durchführen.", u"Aktualisiert."}, {u"Nein.", u""}});
    EXPECT_EQ(choice, 1);
    ASSERT_EQ(responder.Seen().size(), 2u);
    const auto& shown = responder.Seen()[1];
    EXPECT_EQ(shown.instruction, Q(u"Upgrade der Passwortdatenbank durchführen?"));
    EXPECT_EQ(shown.captions, QStringList({Q(u"Ja, Upgrade durchführen."), Q(u"Nein.")}));
    EXPECT_EQ(shown.explanations, QStringList({Q(u"Aktualisiert."), QString()}));

    responder.Then(TestSupport::ScriptedResponder::Cancel{});
    EXPECT_EQ(ui.AskCommand(u"Frage", u"Text", {{u"A", u""}}), -1);
}

TEST_F(DatabaseMessages, ProgressOnlyWhileTheMainWindowIsVisible) {
    QWidget window;
    auto* bar = new QProgressBar(&window);
    bar->hide();
    CDatabaseMessageUI::SetProgressBar(bar);
    CDatabaseMessageUI ui;

    ui.ProgressStart(5);
    EXPECT_TRUE(bar->isHidden());

    window.show();
    ui.ProgressStart(3);
    EXPECT_FALSE(bar->isHidden());
    EXPECT_EQ(bar->maximum(), 3);
    EXPECT_EQ(bar->value(), 0);
    ui.ProgressStep();
    ui.ProgressStep();
    EXPECT_EQ(bar->value(), 2);
    ui.ProgressStep();
    ui.ProgressStep(); // never past the end
    EXPECT_EQ(bar->value(), 3);
    ui.ProgressEnd();
    EXPECT_TRUE(bar->isHidden());

    delete bar;
    EXPECT_EQ(CDatabaseMessageUI::GetProgressBar(), nullptr);
    ui.ProgressStart(1); // a bar that is gone is left alone
    ui.ProgressEnd();
    CDatabaseMessageUI::SetProgressBar(nullptr);
}
