// The "Export Assistent" over a real database: the checked tree, the credential page and its
// checks, the extension question, a failing disk and cancelling. Also the pictures of every
// page of both database wizards.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>

#include "AppTestSupport.h"
#include "MainFrameTestSupport.h"
#include "app/mainframe/CommandIds.h"
#include "app/views/PasswordDataTreeCtrl.h"
#include "app/wizards/DatabaseImportWizard.h"
#include "app/wizards/ExportWizard.h"
#include "support/DatabaseFixture.h"
#include "support/FaultyFileSystem.h"
#include "support/Screenshots.h"
#include "uilib/SecureEdit.h"

namespace MainFrameTest {
namespace {

using namespace Tarnwick::Commands;
using Tarnwick::ExportImport::CDatabaseImportWizard;
using Tarnwick::ExportImport::CExportPasswordPage2;
using Tarnwick::ExportImport::CExportWizard;
using Tarnwick::PasswordADT::PasswordData;

constexpr std::u16string_view kExportPassword = u"Export ß 1!";

QString PathText(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

// Ticks the first item of the checked tree with exactly this text.
void Tick(Tarnwick::TreeProvider::PasswordDataTreeCtrl& tree, const QString& text) {
    const auto items = tree.findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_FALSE(items.isEmpty()) << text.toStdString();
    tree.SetCheck(items.front(), true);
}

void Fill(CExportPasswordPage2& page, const std::filesystem::path& path, std::u16string_view user,
          std::u16string_view password, std::u16string_view repetition) {
    page.GetPathEdit()->setText(PathText(path));
    page.GetUserNameEdit()->setText(Q(user));
    page.GetPasswordEdit()->SetText(password);
    page.GetRepetitionEdit()->SetText(repetition);
}

std::size_t FilesIn(const std::filesystem::path& folder) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) {
        ++count;
    }
    return count;
}

class ExportWizardTest : public MainFrameFixture {
protected:
    void SetUp() override {
        MainFrameFixture::SetUp();
        // "Ordner A" with "Ordner B" below it, and "Ordner C"; "Eintrag 0".."Eintrag 8".
        Open(TestSupport::MakeVault(3, 9));
        before = TestSupport::ReadBytes(DatabasePath());
        content = TestSupport::Snapshot(frame->Data());
    }

    // Runs the command; the script gets the wizard already shown.
    void RunExport(const std::function<void(CExportWizard&)>& script) {
        bool driven = false;
        AppTest::DialogDriverScope driver([&](QDialog& shown) {
            auto* wizard = qobject_cast<CExportWizard*>(&shown);
            ASSERT_NE(wizard, nullptr);
            driven = true;
            wizard->show();
            script(*wizard);
        });
        frame->ExecuteCommand(ID_DATABASE_EXPORT);
        EXPECT_TRUE(driven);
    }

    void ExpectOpenDatabaseUnchanged() {
        EXPECT_EQ(TestSupport::ReadBytes(DatabasePath()), before);
        EXPECT_EQ(TestSupport::Snapshot(frame->Data()), content);
    }

    PasswordData Load(const std::filesystem::path& path, std::u16string_view user, bool* ok) {
        TestSupport::FakeDatabaseUI ui;
        Tarnwick::CDatabase database(ui, path);
        PasswordData data;
        *ok = database.Load(Login(user, kExportPassword), data);
        return data;
    }

    std::filesystem::path Target() const { return dir.Path() / "Export.twdb"; }

    std::vector<std::uint8_t> before;
    std::vector<std::string> content;
};

TEST_F(ExportWizardTest, WritesTheTickedPartUnderALowerCaseUserName) {
    EXPECT_TRUE(frame->IsCommandEnabled(ID_DATABASE_EXPORT));
    bool finished = false;
    RunExport([&](CExportWizard& wizard) {
        EXPECT_EQ(wizard.windowTitle(), QStringLiteral("Export Assistent"));
        EXPECT_EQ(wizard.currentPage()->title(), QStringLiteral("Passwortinformationen für den Export wählen"));
        auto& tree = *wizard.GetPage1().GetTree();
        EXPECT_EQ(tree.RootItem()->text(0), QStringLiteral("Passwortdatenbank: Konten.twdb"));
        Tick(tree, QStringLiteral("Ordner C"));
        Tick(tree, QStringLiteral("Eintrag 1"));
        wizard.next();
        ASSERT_EQ(wizard.currentPage(), &wizard.GetPage2());
        EXPECT_EQ(wizard.currentPage()->subTitle(), QStringLiteral("Benutzerdaten für die Exportdatenbank festlegen"));
        EXPECT_TRUE(wizard.GetPage2().GetHidePasswordCheck()->isChecked());
        EXPECT_TRUE(wizard.GetPage2().GetPasswordEdit()->IsMasked());
        Fill(wizard.GetPage2(), Target(), u"Bob Export", kExportPassword, kExportPassword);
        wizard.button(QWizard::FinishButton)->click();
        finished = wizard.result() == QDialog::Accepted;
        EXPECT_EQ(wizard.GetExportedPath(), Target());
    });
    EXPECT_TRUE(finished);
    EXPECT_EQ(ShownTexts(), QStringList{QStringLiteral("Die Passwortinformationen wurden erfolgreich exportiert.")});

    bool ok = false;
    const PasswordData exported = Load(Target(), u"bob export", &ok);
    ASSERT_TRUE(ok);
    // "Ordner A" comes along as the parent of "Ordner B", without its own entries.
    ASSERT_EQ(exported.FolderCount(), 3u);
    EXPECT_EQ(exported.Folders()[0]->GetName().View(), u"Ordner A");
    EXPECT_TRUE(exported.Folders()[0]->Entries().empty());
    ASSERT_EQ(exported.Folders()[1]->Entries().size(), 1u);
    EXPECT_EQ(exported.Folders()[1]->Entries()[0]->GetDescription().View(), u"Eintrag 1");
    EXPECT_EQ(exported.Folders()[2]->Entries().size(), 3u);
    // The name was taken in lower case: the log-in with the spelling as typed fails.
    TestSupport::FakeDatabaseUI ui;
    Tarnwick::CDatabase database(ui, Target());
    EXPECT_EQ(database.Login(Login(u"Bob Export", kExportPassword)), Tarnwick::RequestResult::AuthenticationFailed);
    EXPECT_EQ(database.Login(Login(u"bob export", kExportPassword)), Tarnwick::RequestResult::Succeeded);
    ExpectOpenDatabaseUnchanged();
}

TEST_F(ExportWizardTest, ChecksComeInTheirOrderAndKeepThePage) {
    RunExport([&](CExportWizard& wizard) {
        wizard.next();
        EXPECT_EQ(wizard.currentPage(), &wizard.GetPage1()) << "nothing ticked";
        Tick(*wizard.GetPage1().GetTree(), QStringLiteral("Passwortdatenbank: Konten.twdb"));
        wizard.next();
        ASSERT_EQ(wizard.currentPage(), &wizard.GetPage2());
        CExportPasswordPage2& page = wizard.GetPage2();
        QPushButton* finish = qobject_cast<QPushButton*>(wizard.button(QWizard::FinishButton));
        finish->click();
        page.GetUserNameEdit()->setText(QStringLiteral("Bob"));
        finish->click();
        page.GetPasswordEdit()->SetText(u"eins");
        finish->click();
        page.GetRepetitionEdit()->SetText(u"Eins");
        finish->click();
        page.GetRepetitionEdit()->SetText(u"eins");
        finish->click();
        EXPECT_EQ(wizard.currentPage(), &page);
        EXPECT_TRUE(wizard.isVisible());
        wizard.reject();
    });
    EXPECT_EQ(ShownTexts(), (QStringList{QStringLiteral("Wählen Sie die Passwortinformationen aus, die Sie exportieren möchten."),
                                    QStringLiteral("Geben Sie einen Benutzernamen ein."),
                                    QStringLiteral("Geben Sie ein Passswort ein."),
                                    QStringLiteral("Geben Sie eine Passswortwiederholung ein."),
                                    QStringLiteral("Die Passwörter stimmen nicht überein."),
                                    QStringLiteral("Geben Sie einen Pfad für dei Exportdatenbank an.")}));
    EXPECT_EQ(FilesIn(dir.Path()), 1u);
    ExpectOpenDatabaseUnchanged();
}

TEST_F(ExportWizardTest, AMissingExtensionIsAddedOnYesAndCancelKeepsThePage) {
    responder->Then(QMessageBox::Cancel);
    responder->Then(QMessageBox::Yes);
    bool stayed = false;
    RunExport([&](CExportWizard& wizard) {
        Tick(*wizard.GetPage1().GetTree(), QStringLiteral("Ordner A"));
        wizard.next();
        Fill(wizard.GetPage2(), dir.Path() / "Export", u"Bob", kExportPassword, kExportPassword);
        wizard.GetPage2().GetCaseSensitiveCheck()->setChecked(true);
        wizard.button(QWizard::FinishButton)->click();
        stayed = wizard.currentPage() == &wizard.GetPage2() && wizard.result() != QDialog::Accepted &&
                 FilesIn(dir.Path()) == 1u;
        wizard.button(QWizard::FinishButton)->click();
        EXPECT_EQ(wizard.GetPage2().GetPathEdit()->text(), PathText(Target()));
    });
    EXPECT_TRUE(stayed);
    ASSERT_EQ(responder->Seen().size(), 3u);
    EXPECT_EQ(responder->Seen()[0].text,
              QStringLiteral("Der Name der Datenbank besitzt nicht die Dateiendung für Tarnwick Datenbanken (*.twdb). "
                             "Möchten Sie diese Dateiendung nun hinzufügen?"));
    EXPECT_EQ(responder->Seen()[2].text, QStringLiteral("Die Passwortinformationen wurden erfolgreich exportiert."));
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "Export"));
    bool ok = false;
    const PasswordData exported = Load(Target(), u"Bob", &ok);
    EXPECT_TRUE(ok);
    // "Ordner A" ticked brings "Ordner B" below it along with every entry.
    EXPECT_EQ(exported.FolderCount(), 2u);
    ExpectOpenDatabaseUnchanged();
}

TEST_F(ExportWizardTest, AFailingDiskIsReportedAndLeavesNoFile) {
    bool stayed = false;
    RunExport([&](CExportWizard& wizard) {
        Tick(*wizard.GetPage1().GetTree(), QStringLiteral("Ordner C"));
        wizard.next();
        Fill(wizard.GetPage2(), Target(), u"Bob", kExportPassword, kExportPassword);
        {
            TestSupport::FaultyFileSystem disk(1);
            wizard.button(QWizard::FinishButton)->click();
        }
        stayed = wizard.currentPage() == &wizard.GetPage2() && wizard.isVisible();
        // The page can be used again after the failure.
        EXPECT_TRUE(wizard.GetPage2().isEnabled());
        EXPECT_TRUE(wizard.button(QWizard::FinishButton)->isEnabled());
        EXPECT_TRUE(wizard.button(QWizard::CancelButton)->isEnabled());
        wizard.reject();
    });
    EXPECT_TRUE(stayed);
    EXPECT_FALSE(ShownTexts().isEmpty());
    EXPECT_FALSE(ShownTexts().contains(QStringLiteral("Die Passwortinformationen wurden erfolgreich exportiert.")));
    EXPECT_FALSE(std::filesystem::exists(Target()));
    EXPECT_EQ(FilesIn(dir.Path()), 1u) << "no temporary file stays behind";
    ExpectOpenDatabaseUnchanged();
}

TEST_F(ExportWizardTest, CancelChangesNothing) {
    RunExport([&](CExportWizard& wizard) {
        Tick(*wizard.GetPage1().GetTree(), QStringLiteral("Passwortdatenbank: Konten.twdb"));
        wizard.next();
        Fill(wizard.GetPage2(), Target(), u"Bob", kExportPassword, kExportPassword);
        wizard.button(QWizard::CancelButton)->click();
        EXPECT_FALSE(wizard.isVisible());
    });
    EXPECT_TRUE(ShownTexts().isEmpty());
    EXPECT_EQ(FilesIn(dir.Path()), 1u);
    ExpectOpenDatabaseUnchanged();
}

// ---------------------------------------------------------------------------------------
// Pictures of every page of both wizards, written only when TW_SCREENSHOT_DIR names a folder.

class ExportWizardScreenshots : public MainFrameFixture {
protected:
    void SetUp() override {
        MainFrameFixture::SetUp();
        folder = TestSupport::ScreenshotFolder();
        if (folder.isEmpty()) {
            GTEST_SKIP() << "TW_SCREENSHOT_DIR is not set";
        }
        Open(TestSupport::MakeVault(4, 12));
        frame->resize(1100, 700);
        frame->show();
    }
    void Save(QWidget& widget, const QString& name) {
        ASSERT_TRUE(TestSupport::SavePicture(widget, folder, name)) << name.toStdString();
    }

    QString folder;
};

TEST_F(ExportWizardScreenshots, EveryPage) {
    const std::filesystem::path source = dir.Path() / "Andere Datenbank.twdb";
    {
        Tarnwick::CDatabase database(databaseUi, source);
        ASSERT_TRUE(database.CreateWithContent(Login(u"max", u"Quelle!"), Tarnwick::CDatabase::kAes,
                                               TestSupport::MakeVault(3, 7)));
    }
    AppTest::DialogDriverScope driver([&](QDialog& shown) {
        if (auto* exporter = qobject_cast<CExportWizard*>(&shown)) {
            exporter->show();
            auto& tree = *exporter->GetPage1().GetTree();
            tree.expandAll();
            Tick(tree, QStringLiteral("Ordner B"));
            Tick(tree, QStringLiteral("Eintrag 2"));
            Save(*exporter, QStringLiteral("wizard-export-1.png"));
            exporter->next();
            Fill(exporter->GetPage2(), dir.Path() / "Export.twdb", u"max", u"Ein-gutes_Passwort!2024",
                 u"Ein-gutes_Passwort!2024");
            Save(*exporter, QStringLiteral("wizard-export-2.png"));
            exporter->reject();
        } else if (auto* importer = qobject_cast<CDatabaseImportWizard*>(&shown)) {
            importer->show();
            auto& first = importer->GetPage1();
            first.GetPathEdit()->setText(PathText(source));
            first.GetUserNameEdit()->setText(QStringLiteral("max"));
            first.GetPasswordEdit()->SetText(u"Quelle!");
            Save(*importer, QStringLiteral("wizard-import-1.png"));
            importer->next();
            auto& tree = *importer->GetPage2().GetTree();
            tree.expandAll();
            Tick(tree, QStringLiteral("Ordner C"));
            Tick(tree, QStringLiteral("Eintrag 1"));
            Save(*importer, QStringLiteral("wizard-import-2.png"));
            importer->next();
            Save(*importer, QStringLiteral("wizard-import-3.png"));
            importer->reject();
        }
    });
    frame->ExecuteCommand(ID_DATABASE_EXPORT);
    frame->ExecuteCommand(ID_DATABASE_IMPORT);
    for (const char* name : {"wizard-export-1.png", "wizard-export-2.png", "wizard-import-1.png", "wizard-import-2.png",
                             "wizard-import-3.png"}) {
        EXPECT_TRUE(QFileInfo::exists(QDir(folder).filePath(QString::fromLatin1(name)))) << name;
    }
}

} // namespace
} // namespace MainFrameTest
