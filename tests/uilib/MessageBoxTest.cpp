#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTranslator>

#include "support/DialogResponder.h"
#include "uilib/MessageBox.h"

using TestSupport::ScriptedResponder;
using namespace WindowsServiceProvider;

namespace {

const QString kCaption = QStringLiteral("Tarnwick");

TEST(CMessageBox, EveryKindCarriesTheProductTitle) {
    ScriptedResponder responder;
    responder.Then(QMessageBox::Ok);
    responder.Then(QMessageBox::Ok);
    responder.Then(QMessageBox::Ok);
    CMessageBox::ShowError(nullptr, u"Es ist ein Fehler beim Importieren der Daten aufgetreten.");
    CMessageBox::ShowWarning(nullptr, u"Die Benutzerauthentifikation ist fehlgeschlagen.");
    CMessageBox::ShowInformation(nullptr, u"Geben Sie einen gültigen Datenbankpfad an.");
    responder.Then(QMessageBox::Yes);
    EXPECT_TRUE(CMessageBox::AskYesNo(nullptr, u"Weiter?"));

    const auto& seen = responder.Seen();
    ASSERT_EQ(seen.size(), 4u);
    for (const auto& shown : seen) {
        EXPECT_EQ(shown.caption, kCaption);
        EXPECT_TRUE(shown.plainText);
    }
    EXPECT_EQ(seen[0].icon, QMessageBox::Critical);
    EXPECT_EQ(seen[0].text, QString::fromUtf16(u"Es ist ein Fehler beim Importieren der Daten aufgetreten."));
    EXPECT_EQ(seen[0].buttons.size(), 1);
    EXPECT_EQ(seen[1].icon, QMessageBox::Warning);
    EXPECT_EQ(seen[2].icon, QMessageBox::Information);
    EXPECT_EQ(seen[2].text, QString::fromUtf16(u"Geben Sie einen gültigen Datenbankpfad an."));
    EXPECT_EQ(seen[3].icon, QMessageBox::Question);
    EXPECT_EQ(seen[3].buttons.size(), 2);
}

TEST(CMessageBox, ReturnsTheAnswerGiven) {
    ScriptedResponder responder;
    responder.Then(QMessageBox::No);
    EXPECT_FALSE(CMessageBox::AskYesNo(nullptr, u"?"));
    responder.Then(ScriptedResponder::Cancel{});
    EXPECT_FALSE(CMessageBox::AskYesNo(nullptr, u"?")); // closing means No
    responder.Then(QMessageBox::Cancel);
    EXPECT_EQ(CMessageBox::Show(nullptr, u"?", MessageIcon::Question, MessageButtons::YesNoCancel),
              MessageResult::Cancel);
    responder.Then(QMessageBox::No);
    EXPECT_EQ(CMessageBox::Show(nullptr, u"?", MessageIcon::Question, MessageButtons::YesNoCancel),
              MessageResult::No);
    responder.Then(ScriptedResponder::Cancel{});
    EXPECT_EQ(CMessageBox::Show(nullptr, u"?", MessageIcon::Warning, MessageButtons::OkCancel), MessageResult::Cancel);
    responder.Then(QMessageBox::Retry);
    EXPECT_EQ(CMessageBox::Show(nullptr, u"?", MessageIcon::Error, MessageButtons::RetryCancel), MessageResult::Retry);
    // Left unanswered: the cancelling answer.
    EXPECT_EQ(CMessageBox::Show(nullptr, u"?", MessageIcon::None, MessageButtons::YesNoCancel), MessageResult::Cancel);
}

TEST(CMessageBox, TextIsNeverMarkup) {
    ScriptedResponder responder;
    const std::u16string text = u"Die Datei \"<b>C:\\a&b.twdb</b>\" fehlt.\nZweite Zeile";
    CMessageBox::ShowError(nullptr, text);
    ASSERT_EQ(responder.Seen().size(), 1u);
    EXPECT_TRUE(responder.Seen()[0].plainText);
    EXPECT_EQ(responder.Seen()[0].text, QString::fromStdU16String(text));
}

TEST(CMessageBox, TaskDialogCommandLinks) {
    ScriptedResponder responder;
    TaskDialogOptions options;
    options.title = u"Willkommen zu Tarnwick 2010";
    options.content = u"Möchten Sie nun mit dem Anlegen einer neuen Passwortdatenbank fortfahren?";
    options.commands = {
        u"Ja, neue Datenbank jetzt anlegen\nDer Assistent zum Anlegen der neuen Passwortdatenbank wird gestartet.",
        u"Nein, keine neue Datenbank anlegen\nIch besitze bereits eine Passwortdatenbank oder möchte jetzt keine Neue anlegen.",
        u"Nur eine Zeile"};
    responder.Then(1);
    EXPECT_EQ(CMessageBox::ShowTaskDialog(nullptr, options), 1);
    responder.Then(0);
    EXPECT_EQ(CMessageBox::ShowTaskDialog(nullptr, options), 0);
    responder.Then(ScriptedResponder::Cancel{});
    EXPECT_EQ(CMessageBox::ShowTaskDialog(nullptr, options), -1);
    EXPECT_EQ(CMessageBox::ShowTaskDialog(nullptr, options), -1); // left open

    const auto& shown = responder.Seen().at(0);
    EXPECT_EQ(shown.caption, QString::fromUtf16(u"Willkommen zu Tarnwick 2010"));
    EXPECT_EQ(shown.text, QString::fromStdU16String(options.content));
    EXPECT_EQ(shown.captions, QStringList({QString::fromUtf16(u"Ja, neue Datenbank jetzt anlegen"),
                                           QString::fromUtf16(u"Nein, keine neue Datenbank anlegen"),
                                           QString::fromUtf16(u"Nur eine Zeile")}));
    EXPECT_EQ(shown.explanations,
              QStringList({QString::fromUtf16(u"Der Assistent zum Anlegen der neuen Passwortdatenbank wird gestartet."),
                           QString::fromUtf16(u"Ich besitze bereits eine Passwortdatenbank oder möchte jetzt keine Neue anlegen."),
                           QString()}));
    EXPECT_EQ(shown.defaultButton, QString::fromUtf16(u"Ja, neue Datenbank jetzt anlegen"));
}

TEST(CMessageBox, TaskDialogDefaultsToTheProductTitle) {
    ScriptedResponder responder;
    TaskDialogOptions options;
    options.mainInstruction = u"Datenbank unwiederbringlich löschen?";
    options.content = u"Je nach Größe der Datenbank, kann dieser Vorgang einen Moment dauern.";
    options.commands = {u"Ja, Datenbank löschen\nDatenbank mit allen Passwortinformationen unwiederbringlich löschen.",
                        u"Nein, Datenbank nicht löschen\nDie Datenbank wird nicht gelöscht und der Vorgang abgebrochen."};
    options.defaultCommand = 1;
    options.icon = TaskDialogIcon::Warning;
    options.allowCancel = false;
    responder.Then(ScriptedResponder::Cancel{}); // refused: nothing chosen
    EXPECT_EQ(CMessageBox::ShowTaskDialog(nullptr, options), -1);
    responder.Then(0);
    EXPECT_EQ(CMessageBox::ShowTaskDialog(nullptr, options), 0);
    const auto& shown = responder.Seen().at(0);
    EXPECT_EQ(shown.caption, kCaption);
    EXPECT_EQ(shown.instruction, QString::fromUtf16(u"Datenbank unwiederbringlich löschen?"));
    EXPECT_EQ(shown.defaultButton, QString::fromUtf16(u"Nein, Datenbank nicht löschen"));
}

TEST(CMessageBox, GermanButtonTexts) {
    auto& application = *qobject_cast<QApplication*>(QCoreApplication::instance());
    QTranslator* translator = InstallGermanTranslations(application);
    ASSERT_NE(translator, nullptr) << "qtbase_de.qm is missing (qt6-translations-l10n)";
    EXPECT_EQ(InstallGermanTranslations(application), translator);

    ScriptedResponder responder;
    CMessageBox::Show(nullptr, u"?", MessageIcon::Question, MessageButtons::YesNoCancel);
    CMessageBox::Show(nullptr, u"?", MessageIcon::Warning, MessageButtons::OkCancel);
    TaskDialogOptions options;
    options.commands = {u"Eins\nErklärung"};
    options.cancelButton = true;
    CMessageBox::ShowTaskDialog(nullptr, options);
    ASSERT_EQ(responder.Seen().size(), 3u);
    EXPECT_TRUE(responder.Seen()[0].buttons.contains(QStringLiteral("Ja")));
    EXPECT_TRUE(responder.Seen()[0].buttons.contains(QStringLiteral("Nein")));
    EXPECT_TRUE(responder.Seen()[0].buttons.contains(QStringLiteral("Abbrechen")));
    EXPECT_EQ(responder.Seen()[0].defaultButton, QStringLiteral("Ja"));
    EXPECT_TRUE(responder.Seen()[1].buttons.contains(QStringLiteral("OK")));
    EXPECT_TRUE(responder.Seen()[1].buttons.contains(QStringLiteral("Abbrechen")));
    EXPECT_EQ(responder.Seen()[2].buttons, QStringList(QStringLiteral("Abbrechen")));

    // The other tests of this process expect Qt's own texts again.
    QCoreApplication::removeTranslator(translator);
    delete translator;
    QDialogButtonBox box(QDialogButtonBox::Yes);
    EXPECT_EQ(ScriptedResponder::Clean(box.button(QDialogButtonBox::Yes)->text()), QStringLiteral("Yes"));
}

} // namespace
