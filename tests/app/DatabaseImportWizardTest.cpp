// The database "Import Assistent" over real files: a database exported by the export wizard
// is imported back, with the duplicate question answered each way, wrong credentials, a
// failing disk and cancelling.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "AppTestSupport.h"
#include "MainFrameTestSupport.h"
#include "app/mainframe/CommandIds.h"
#include "app/views/PasswordDataTreeCtrl.h"
#include "app/wizards/DatabaseImportWizard.h"
#include "app/wizards/ExportWizard.h"
#include "database/FileBackup.h"
#include "support/DatabaseFixture.h"
#include "support/FaultyFileSystem.h"
#include "uilib/SecureEdit.h"

namespace MainFrameTest {
namespace {

using namespace Tarnwick::Commands;
using Tarnwick::ExportImport::CDatabaseImportWizard;
using Tarnwick::ExportImport::CExportWizard;
using Tarnwick::ExportImport::ImportOutcome;
using Tarnwick::PasswordADT::PasswordData;
using TestSupport::ScriptedResponder;

constexpr std::u16string_view kSourceUser = u"bob";
constexpr std::u16string_view kSourcePassword = u"Quelle ß 2";

QString PathText(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

void Tick(Tarnwick::TreeProvider::PasswordDataTreeCtrl& tree, const QString& text) {
    const auto items = tree.findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_FALSE(items.isEmpty()) << text.toStdString();
    tree.SetCheck(items.front(), true);
}

std::vector<std::filesystem::path> Backups(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().filename().string().rfind("~$", 0) == 0) {
            found.push_back(entry.path());
        }
    }
    return found;
}

std::vector<std::u16string> Descriptions(const Tarnwick::PasswordADT::Category& folder) {
    std::vector<std::u16string> descriptions;
    for (const auto& item : folder.Entries()) {
        descriptions.emplace_back(item->GetDescription().View());
    }
    return descriptions;
}

class DatabaseImportWizardTest : public MainFrameFixture {
protected:
    void SetUp() override {
        MainFrameFixture::SetUp();
        // "Ordner A" with "Ordner B" below it, and "Ordner C"; "Eintrag 0".."Eintrag 8".
        Open(TestSupport::MakeVault(3, 9));
        ExportEverything();
        // The export's own messages are not part of what the import shows.
        responder.reset();
        responder = std::make_unique<ScriptedResponder>();
        before = TestSupport::ReadBytes(DatabasePath());
        content = TestSupport::Snapshot(frame->Data());
    }

    // The whole open database through the export wizard into "Export.twdb".
    void ExportEverything() {
        AppTest::DialogDriverScope driver([&](QDialog& shown) {
            auto& wizard = dynamic_cast<CExportWizard&>(shown);
            wizard.show();
            Tick(*wizard.GetPage1().GetTree(), QStringLiteral("Passwortdatenbank: Konten.twdb"));
            wizard.next();
            auto& page = wizard.GetPage2();
            page.GetPathEdit()->setText(PathText(Source()));
            page.GetUserNameEdit()->setText(Q(kSourceUser));
            page.GetPasswordEdit()->SetText(kSourcePassword);
            page.GetRepetitionEdit()->SetText(kSourcePassword);
            wizard.button(QWizard::FinishButton)->click();
        });
        frame->ExecuteCommand(ID_DATABASE_EXPORT);
        ASSERT_TRUE(std::filesystem::exists(Source()));
    }

    std::filesystem::path Source() const { return dir.Path() / "Export.twdb"; }

    // Runs the command; the script gets the wizard already shown.
    void RunImport(const std::function<void(CDatabaseImportWizard&)>& script) {
        bool driven = false;
        AppTest::DialogDriverScope driver([&](QDialog& shown) {
            auto* wizard = qobject_cast<CDatabaseImportWizard*>(&shown);
            ASSERT_NE(wizard, nullptr);
            driven = true;
            wizard->show();
            script(*wizard);
        });
        frame->ExecuteCommand(ID_DATABASE_IMPORT);
        EXPECT_TRUE(driven);
    }

    // Page 1 filled with the source's credentials, then Next.
    static void OpenSource(CDatabaseImportWizard& wizard, const std::filesystem::path& path,
                           std::u16string_view password = kSourcePassword) {
        auto& page = wizard.GetPage1();
        page.GetPathEdit()->setText(PathText(path));
        page.GetUserNameEdit()->setText(Q(kSourceUser));
        page.GetPasswordEdit()->SetText(password);
        wizard.next();
    }

    // Through pages 1 and 2 with the given items ticked, to page 3 with the treatment chosen.
    void ToLastPage(CDatabaseImportWizard& wizard, const QStringList& ticked, int treatment) {
        OpenSource(wizard, Source());
        ASSERT_EQ(wizard.currentPage(), &wizard.GetPage2());
        for (const QString& text : ticked) {
            Tick(*wizard.GetPage2().GetTree(), text);
        }
        wizard.next();
        ASSERT_EQ(wizard.currentPage(), &wizard.GetPage3());
        EXPECT_EQ(wizard.GetPage3().GetStatusLabel()->text(), QStringLiteral("Bereit"));
        wizard.GetPage3().GetDuplicateBox()->setCurrentIndex(treatment);
    }

    void ExpectOpenDatabaseUnchanged() {
        EXPECT_EQ(TestSupport::ReadBytes(DatabasePath()), before);
        EXPECT_EQ(TestSupport::Snapshot(frame->Data()), content);
        EXPECT_EQ(TestSupport::Snapshot(Reload()), content);
    }

    std::vector<std::uint8_t> before;
    std::vector<std::string> content;
};

TEST_F(DatabaseImportWizardTest, TheDuplicateQuestionAnsweredEachWay) {
    EXPECT_TRUE(frame->IsCommandEnabled(ID_DATABASE_IMPORT));
    responder->Then(2); // "Eintrag 0": keep both
    responder->Then(1); // "Eintrag 1": do not replace
    responder->Then(0); // "Eintrag 2": copy and replace
    responder->Then(1); // delete the backup
    QString status;
    std::optional<ImportOutcome> outcome;
    RunImport([&](CDatabaseImportWizard& wizard) {
        EXPECT_EQ(wizard.windowTitle(), QStringLiteral("Import Assistent"));
        EXPECT_EQ(wizard.currentPage()->title(), QStringLiteral("Passwortdatenbank auswählen"));
        ToLastPage(wizard, {QStringLiteral("Eintrag 0"), QStringLiteral("Eintrag 1"), QStringLiteral("Eintrag 2")}, 0);
        EXPECT_EQ(wizard.GetPage3().GetDuplicateBox()->currentText(), QStringLiteral("Benutzer fragen"));
        wizard.button(QWizard::FinishButton)->click();
        status = wizard.GetPage3().GetStatusLabel()->text();
        if (wizard.GetResult()) {
            outcome = wizard.GetResult()->outcome;
        }
    });
    ASSERT_EQ(outcome, ImportOutcome::Imported);
    EXPECT_EQ(status, QStringLiteral("Import erfolgreich abgeschlossen."));
    const auto& seen = responder->Seen();
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen[0].instruction,
              QStringLiteral("Es befindet sich bereits eine Passwortinformation derselben Beschreibung in dem Ordner "
                             "\"Ordner A\"."));
    EXPECT_EQ(seen[0].text, QStringLiteral("Klicken Sie auf die Passwortinformation, die Sie beibehalten möchten."));
    EXPECT_EQ(seen[0].captions, (QStringList{QStringLiteral("Kopieren und ersetzen"), QStringLiteral("Nicht ersetzen"),
                                             QStringLiteral("Kopieren, aber beide beibehalten")}));
    EXPECT_TRUE(seen[0].explanations[0].contains(QStringLiteral("Beschreibung: Eintrag 0")));
    EXPECT_FALSE(seen[0].buttons.isEmpty()) << "the duplicate question can be cancelled";
    EXPECT_EQ(seen[3].instruction, QStringLiteral("Möchten Sie die Sicherung Ihrer Passwortdatenbank löschen?"));
    EXPECT_EQ(seen[3].captions,
              (QStringList{QStringLiteral("Nein, Sicherung erhalten (empfohlen)"), QStringLiteral("Ja, Sicherung löschen")}));
    EXPECT_EQ(seen[3].defaultButton, QStringLiteral("Nein, Sicherung erhalten (empfohlen)"));
    EXPECT_EQ(seen[4].text, QStringLiteral("Es wurden 2 Passwortinformation(en) erfolgreich importiert."));
    EXPECT_TRUE(Backups(dir.Path()).empty());

    // The window's data and the file both hold the copy and the replaced entry.
    const PasswordData& data = frame->Data();
    ASSERT_EQ(data.FolderCount(), 3u);
    EXPECT_EQ(Descriptions(*data.Folders()[0]),
              (std::vector<std::u16string>{u"Eintrag 0", u"Eintrag 3", u"Eintrag 6", u"Eintrag 0 - Kopie"}));
    EXPECT_EQ(Descriptions(*data.Folders()[1]), (std::vector<std::u16string>{u"Eintrag 1", u"Eintrag 4", u"Eintrag 7"}));
    EXPECT_EQ(TestSupport::Snapshot(Reload()), TestSupport::Snapshot(data));
    // The views follow the session: the folder tree shows the data as it is now.
    EXPECT_NE(TestSupport::Snapshot(frame->Data()), content);
}

TEST_F(DatabaseImportWizardTest, SkippedDuplicatesImportNothingAndTheBackupIsKept) {
    responder->Then(0); // keep the backup
    RunImport([&](CDatabaseImportWizard& wizard) {
        ToLastPage(wizard, {QStringLiteral("Passwortdatenbank: Export.twdb")}, 2);
        wizard.button(QWizard::FinishButton)->click();
        ASSERT_TRUE(wizard.GetResult());
        EXPECT_EQ(wizard.GetResult()->outcome, ImportOutcome::Imported);
        EXPECT_EQ(wizard.GetResult()->counts.skipped, 9u);
    });
    EXPECT_EQ(ShownTexts().back(), QStringLiteral("Es wurden keine Passwortinformationen importiert."));
    EXPECT_EQ(TestSupport::Snapshot(frame->Data()), content);
    const auto backups = Backups(dir.Path());
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(TestSupport::ReadBytes(backups[0]), before);
}

TEST_F(DatabaseImportWizardTest, ReplacingDuplicatesTakesTheImportedEntries) {
    // An entry of the source made different, so that replacing shows.
    {
        Tarnwick::CDatabase source(databaseUi, Source());
        PasswordData data;
        ASSERT_TRUE(source.Load(Login(kSourceUser, kSourcePassword), data));
        data.Folders()[2]->Entries()[0]->SetComment(u"aus der anderen Datenbank");
        ASSERT_TRUE(source.SaveAll(Login(kSourceUser, kSourcePassword), data));
    }
    responder->Then(1);
    RunImport([&](CDatabaseImportWizard& wizard) {
        ToLastPage(wizard, {QStringLiteral("Ordner C")}, 1);
        wizard.button(QWizard::FinishButton)->click();
    });
    EXPECT_EQ(ShownTexts().back(), QStringLiteral("Es wurden 3 Passwortinformation(en) erfolgreich importiert."));
    const auto& folder = *frame->Data().Folders()[2];
    ASSERT_EQ(folder.Entries().size(), 3u);
    EXPECT_EQ(folder.Entries()[0]->GetComment().View(), u"aus der anderen Datenbank");
    EXPECT_EQ(TestSupport::Snapshot(Reload()), TestSupport::Snapshot(frame->Data()));
}

TEST_F(DatabaseImportWizardTest, CancellingTheDuplicateQuestionEndsTheWizardAndChangesNothing) {
    responder->Then(ScriptedResponder::Cancel{});
    bool closed = false;
    RunImport([&](CDatabaseImportWizard& wizard) {
        ToLastPage(wizard, {QStringLiteral("Ordner A")}, 0);
        wizard.button(QWizard::FinishButton)->click();
        closed = !wizard.isVisible() && wizard.result() == QDialog::Rejected;
        ASSERT_TRUE(wizard.GetResult());
        EXPECT_EQ(wizard.GetResult()->outcome, ImportOutcome::Cancelled);
    });
    EXPECT_TRUE(closed);
    EXPECT_EQ(ShownTexts().back(), QStringLiteral("Der Import wurde vom Benutzer abgebrochen. Assistent wird beendet."));
    EXPECT_FALSE(ShownTexts().contains(QStringLiteral("Möchten Sie die Sicherung Ihrer Passwortdatenbank löschen?")));
    EXPECT_TRUE(Backups(dir.Path()).empty());
    ExpectOpenDatabaseUnchanged();
}

TEST_F(DatabaseImportWizardTest, WrongInputAndCredentialsStayOnTheFirstPage) {
    const auto sourceBytes = TestSupport::ReadBytes(Source());
    RunImport([&](CDatabaseImportWizard& wizard) {
        auto& page = wizard.GetPage1();
        wizard.next();
        page.GetPathEdit()->setText(PathText(Source()));
        wizard.next();
        page.GetUserNameEdit()->setText(Q(kSourceUser));
        wizard.next();
        page.GetPasswordEdit()->SetText(u"falsch");
        wizard.next();
        EXPECT_EQ(wizard.currentPage(), &page);
        page.GetPathEdit()->setText(PathText(dir.Path() / "fehlt.twdb"));
        wizard.next();
        EXPECT_EQ(wizard.currentPage(), &page);
        EXPECT_TRUE(page.isEnabled());
        // The right password reaches the next page; nothing ticked stays there.
        OpenSource(wizard, Source());
        ASSERT_EQ(wizard.currentPage(), &wizard.GetPage2());
        wizard.next();
        EXPECT_EQ(wizard.currentPage(), &wizard.GetPage2());
        wizard.reject();
    });
    const QStringList texts = ShownTexts();
    ASSERT_EQ(texts.size(), 6);
    EXPECT_EQ(texts[0], QStringLiteral("Wählen Sie eine Datenbank aus."));
    EXPECT_EQ(texts[1], QStringLiteral("Geben Sie den Benutzernamen ein."));
    EXPECT_EQ(texts[2], QStringLiteral("Geben Sie das Passwort ein."));
    EXPECT_EQ(texts[3], QStringLiteral("Die Benutzerauthentifikation ist fehlgeschlagen."));
    EXPECT_TRUE(texts[4].contains(QStringLiteral("fehlt.twdb")));
    EXPECT_EQ(texts[5], QStringLiteral("Wählen Sie die zu importierenden Daten aus."));
    // Reading the other database wrote nothing to it.
    EXPECT_EQ(TestSupport::ReadBytes(Source()), sourceBytes);
    ExpectOpenDatabaseUnchanged();
}

TEST_F(DatabaseImportWizardTest, AFailingDiskRollsBackKeepsTheBackupAndNeverReportsSuccess) {
    long backupChanges = 0;
    {
        TestSupport::FaultyFileSystem counting(1000000);
        WindowsServiceProvider::FileBackupEx probe;
        probe.Backup(DatabasePath());
        backupChanges = counting.Changes();
        probe.DeleteBackup();
    }
    ASSERT_GT(backupChanges, 0);
    QString status;
    bool finishOffered = true;
    bool stayed = false;
    RunImport([&](CDatabaseImportWizard& wizard) {
        ToLastPage(wizard, {QStringLiteral("Ordner C")}, 1);
        {
            TestSupport::FaultyFileSystem disk(backupChanges + 1);
            wizard.button(QWizard::FinishButton)->click();
        }
        stayed = wizard.isVisible() && wizard.currentPage() == &wizard.GetPage3();
        status = wizard.GetPage3().GetStatusLabel()->text();
        finishOffered = wizard.button(QWizard::FinishButton)->isEnabled();
        ASSERT_TRUE(wizard.GetResult());
        EXPECT_EQ(wizard.GetResult()->outcome, ImportOutcome::Failed);
        EXPECT_TRUE(wizard.GetResult()->rolledBack);
        // A second click does not run the import again.
        wizard.button(QWizard::FinishButton)->click();
        EXPECT_TRUE(wizard.button(QWizard::CancelButton)->isEnabled());
        wizard.reject();
    });
    EXPECT_TRUE(stayed);
    EXPECT_FALSE(finishOffered);
    EXPECT_TRUE(status.startsWith(QStringLiteral("Es ist ein Fehler beim Importieren der Daten aufgetreten.")));
    EXPECT_NE(status, QStringLiteral("Import erfolgreich abgeschlossen."));
    const auto backups = Backups(dir.Path());
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(TestSupport::ReadBytes(backups[0]), before);
    EXPECT_TRUE(status.contains(PathText(backups[0])));
    const QStringList texts = ShownTexts();
    ASSERT_EQ(texts.size(), 1);
    EXPECT_TRUE(texts[0].startsWith(QStringLiteral("Es ist ein Fehler beim Importieren der Daten aufgetreten.")));
    EXPECT_TRUE(texts[0].contains(PathText(backups[0])));
    ExpectOpenDatabaseUnchanged();
}

TEST_F(DatabaseImportWizardTest, CancelOnTheLastPageChangesNothing) {
    RunImport([&](CDatabaseImportWizard& wizard) {
        ToLastPage(wizard, {QStringLiteral("Passwortdatenbank: Export.twdb")}, 1);
        wizard.button(QWizard::CancelButton)->click();
        EXPECT_FALSE(wizard.isVisible());
        EXPECT_FALSE(wizard.GetResult());
    });
    EXPECT_TRUE(ShownTexts().isEmpty());
    EXPECT_TRUE(Backups(dir.Path()).empty());
    ExpectOpenDatabaseUnchanged();
}

} // namespace
} // namespace MainFrameTest
