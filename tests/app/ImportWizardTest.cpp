// The external import wizard driven page by page through the main window's command: files
// the tests write, the other managers' real exports, failures, cancel and a large file.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <fstream>
#include <functional>

#include "AppTestSupport.h"
#include "MainFrameTestSupport.h"
#include "app/mainframe/CommandIds.h"
#include "app/wizards/ImportWizard.h"
#include "database/FileBackup.h"
#include "support/DatabaseFixture.h"
#include "support/FaultyFileSystem.h"
#include "support/Screenshots.h"
#include "support/VaultBuilder.h"

namespace MainFrameTest {
namespace {

using namespace Tarnwick::Commands;
using Tarnwick::Wizards::CExternalImportWizard;

// The widget tests get no fixtures define; the shared folder lies beside the project as for the others.
const std::filesystem::path kPassImport = std::filesystem::path(TW_FIXTURES_DIR) / "pass-import";
constexpr std::u16string_view kCompleted = u"Import erfolgreich abgeschlossen.";

std::size_t CountEntries(const Tarnwick::PasswordADT::PasswordData& data) { return data.EntryCount(); }

Tarnwick::PasswordADT::PasswordItemRef Find(const Tarnwick::PasswordADT::PasswordData& data, std::u16string_view name) {
    for (const auto& folder : data.Folders()) {
        for (const auto& item : folder->Entries()) {
            if (item->GetDescription().View() == name) {
                return item;
            }
        }
    }
    return nullptr;
}

std::u16string FolderOf(const Tarnwick::PasswordADT::PasswordData& data, std::u16string_view name) {
    for (const auto& folder : data.Folders()) {
        for (const auto& item : folder->Entries()) {
            if (item->GetDescription().View() == name) {
                return std::u16string(folder->GetName().View());
            }
        }
    }
    return {};
}

int TreeEntries(QTreeWidget* tree) {
    int count = 0;
    std::vector<QTreeWidgetItem*> pending;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        pending.push_back(tree->topLevelItem(i));
    }
    while (!pending.empty()) {
        auto* item = pending.back();
        pending.pop_back();
        if (item->data(0, Qt::UserRole).toInt() == 1) {
            ++count;
        }
        for (int c = 0; c < item->childCount(); ++c) {
            pending.push_back(item->child(c));
        }
    }
    return count;
}

class ImportWizardTest : public MainFrameFixture {
protected:
    std::filesystem::path Write(const std::string& name, const std::string& content) {
        const auto path = dir.Path() / name;
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    // Runs the command; the driver gets the wizard shown at its first page.
    void Run(const std::function<void(CExternalImportWizard&)>& drive) {
        AppTest::DialogDriverScope driver([&](QDialog& shown) {
            auto* wizard = dynamic_cast<CExternalImportWizard*>(&shown);
            ASSERT_NE(wizard, nullptr);
            wizard->show();
            drive(*wizard);
        });
        frame->ExecuteCommand(ID_DATABASE_IMPORT_EXTERNAL);
    }

    static void Choose(CExternalImportWizard& wizard, Tarnwick::Import::ImportFormat format,
                       const std::filesystem::path& file) {
        wizard.Page1().GetFormatCombo()->setCurrentIndex(static_cast<int>(format));
        wizard.Page1().GetSourceEdit()->setText(QString::fromStdString(file.string()));
    }
};

TEST_F(ImportWizardTest, CsvWithAGermanHeaderGoesThroughEveryPageIntoTheDatabase) {
    Open(TestSupport::MakeVault(1, 2));
    const std::size_t before = CountEntries(frame->Data());
    const auto file = Write("konten.csv", "Beschreibung;Benutzername;Passwort;URL;Kommentar\n"
                                          "Post;max;geheim1;https://post.example;erste\n"
                                          "Bank;moritz;geheim2;https://bank.example;\"zwei\nZeilen\"\n");
    Run([&](CExternalImportWizard& wizard) {
        EXPECT_EQ(wizard.windowTitle(), QStringLiteral("Import Assistent"));
        EXPECT_EQ(wizard.currentPage()->title(), QStringLiteral("Importformat und Quelle wählen"));
        Choose(wizard, Tarnwick::Import::ImportFormat::Csv, file);
        // The header names the targets: it is taken as header and mapped.
        EXPECT_TRUE(wizard.Page1().GetHeaderCheck()->isChecked());
        EXPECT_EQ(wizard.Page1().GetSeparatorEdit()->text(), QStringLiteral(";"));
        EXPECT_TRUE(wizard.Page1().GetCsvGroup()->isEnabled());
        wizard.next();
        ASSERT_EQ(wizard.currentId(), CExternalImportWizard::kPageMapping);
        EXPECT_EQ(wizard.currentPage()->title(), QStringLiteral("Feldzuordnungen setzen"));
        auto& page2 = wizard.Page2();
        ASSERT_EQ(page2.GetTable()->rowCount(), 5);
        EXPECT_EQ(page2.GetTable()->item(0, 0)->text(), QStringLiteral("Beschreibung"));
        EXPECT_EQ(page2.GetTargetCombo(0)->currentText(), QStringLiteral("Beschreibung"));
        EXPECT_EQ(page2.GetTargetCombo(2)->currentText(), QStringLiteral("Passwort"));
        EXPECT_EQ(page2.GetTargetCombo(3)->currentText(), QStringLiteral("Url/Programm"));
        EXPECT_EQ(page2.GetTargetCombo(4)->currentText(), QStringLiteral("Kommentar"));
        // The user may still change it, but not to a target another column has.
        page2.GetTargetCombo(4)->setCurrentIndex(2);
        EXPECT_EQ(page2.GetTargetCombo(4)->currentText(), QStringLiteral("Kommentar"));
        page2.GetTargetCombo(4)->setCurrentIndex(5);
        EXPECT_EQ(page2.Mapping()[4], 5);
        page2.GetTargetCombo(4)->setCurrentIndex(6);
        wizard.next();
        ASSERT_EQ(wizard.currentId(), CExternalImportWizard::kPageSelection);
        EXPECT_EQ(TreeEntries(wizard.Page3().GetTree()), 2);
        EXPECT_FALSE(wizard.Page3().GetWarningList()->isVisibleTo(&wizard));
        wizard.accept();
        EXPECT_EQ(wizard.result(), QDialog::Accepted);
        EXPECT_EQ(wizard.Page3().GetStatusLabel()->text(), Q(kCompleted));
    });
    EXPECT_TRUE(ShownTexts().contains(QStringLiteral("Der Eintrag Beschreibung wurde bereits gewählt.")));
    // The window shows the new data, and the file holds it.
    EXPECT_EQ(CountEntries(frame->Data()), before + 2);
    const auto bank = Find(frame->Data(), u"Bank");
    ASSERT_NE(bank, nullptr);
    EXPECT_EQ(bank->GetComment().View(), u"zwei\r\nZeilen");
    EXPECT_TRUE(bank->GetPassword().Equals(u"geheim2"));
    EXPECT_EQ(CountEntries(Reload()), before + 2);
}

TEST_F(ImportWizardTest, EveryExportOfAnotherManagerReachesTheTreeWithItsEntries) {
    if (!std::filesystem::is_directory(kPassImport)) {
        GTEST_SKIP() << "fixtures not present";
    }
    Open(TestSupport::MakeVault(1, 1));
    struct Case {
        const char* file;
        const char* preset; // chosen by hand for files without a header line
        const char* recognised;
    };
    for (const Case& c : {Case{"keepassx2.csv", nullptr, "KeePassXC"}, Case{"keepass.csv", nullptr, "KeePass"},
                          Case{"bitwarden.csv", nullptr, "Bitwarden"}, Case{"firefox.csv", nullptr, "Firefox"},
                          Case{"chrome.csv", nullptr, "Chrome"}, Case{"lastpass.csv", nullptr, "LastPass"},
                          Case{"1password4.csv", nullptr, "1Password"}, Case{"enpass.csv", nullptr, "Enpass"},
                          Case{"roboform.csv", nullptr, "RoboForm"}, Case{"dashlane.csv", "Dashlane", "Dashlane"},
                          Case{"keeper.csv", "Keeper", "Keeper"}}) {
        int entries = -1;
        Run([&](CExternalImportWizard& wizard) {
            Choose(wizard, Tarnwick::Import::ImportFormat::Csv, kPassImport / c.file);
            if (c.preset != nullptr) {
                wizard.Page1().GetPresetCombo()->setCurrentText(QString::fromLatin1(c.preset));
            }
            EXPECT_EQ(wizard.Page1().GetRecognisedLabel()->text(),
                      QStringLiteral("Erkanntes Format: ") + QString::fromLatin1(c.recognised))
                << c.file;
            wizard.next();
            EXPECT_EQ(wizard.currentId(), CExternalImportWizard::kPageMapping) << c.file;
            wizard.next();
            EXPECT_EQ(wizard.currentId(), CExternalImportWizard::kPageSelection) << c.file;
            entries = TreeEntries(wizard.Page3().GetTree());
            wizard.reject();
        });
        EXPECT_EQ(entries, 14) << c.file;
    }
    EXPECT_TRUE(ShownTexts().isEmpty());
}

TEST_F(ImportWizardTest, FoldersOfAnExportArriveAndTotpSecretsAreListedAsWarnings) {
    Open(TestSupport::MakeVault(1, 1));
    const auto file = Write("bitwarden.csv",
                            "folder,favorite,type,name,notes,fields,login_uri,login_username,login_password,login_totp\n"
                            "Bank/Giro,,login,Sparkasse,,\"pin: 1234\",https://bank.example,max,geheim,JBSWY3DPEHPK3PXP\n"
                            ",,login,Forum,,,https://forum.example,max,pw2,\n");
    Run([&](CExternalImportWizard& wizard) {
        Choose(wizard, Tarnwick::Import::ImportFormat::Csv, file);
        wizard.next();
        wizard.next();
        ASSERT_EQ(wizard.currentId(), CExternalImportWizard::kPageSelection);
        auto* warnings = wizard.Page3().GetWarningList();
        EXPECT_TRUE(warnings->isVisibleTo(&wizard));
        ASSERT_EQ(warnings->count(), 1);
        EXPECT_TRUE(warnings->item(0)->text().contains(QStringLiteral("login_totp")));
        EXPECT_FALSE(warnings->item(0)->text().contains(QStringLiteral("JBSWY3")));
        wizard.accept();
    });
    const auto bank = Find(frame->Data(), u"Sparkasse");
    ASSERT_NE(bank, nullptr);
    EXPECT_EQ(FolderOf(frame->Data(), u"Sparkasse"), u"Giro");
    ASSERT_EQ(bank->GetUserDefinedFields().Count(), 1u);
}

TEST_F(ImportWizardTest, XmlFormatsGoStraightToTheTreeAndUntickedEntriesStayOut) {
    if (!std::filesystem::is_directory(kPassImport)) {
        GTEST_SKIP() << "fixtures not present";
    }
    Open(TestSupport::MakeVault(1, 1));
    const std::size_t before = CountEntries(frame->Data());
    Run([&](CExternalImportWizard& wizard) {
        Choose(wizard, Tarnwick::Import::ImportFormat::KeePass2, kPassImport / "keepass.xml");
        EXPECT_FALSE(wizard.Page1().GetCsvGroup()->isEnabled());
        wizard.next();
        ASSERT_EQ(wizard.currentId(), CExternalImportWizard::kPageSelection);
        auto* tree = wizard.Page3().GetTree();
        EXPECT_EQ(TreeEntries(tree), 14);
        // Untick everything but one entry.
        for (int i = 0; i < tree->topLevelItemCount(); ++i) {
            tree->topLevelItem(i)->setCheckState(0, Qt::Unchecked);
        }
        wizard.accept();
        EXPECT_NE(wizard.result(), QDialog::Accepted) << "nothing ticked";
        QTreeWidgetItemIterator it(tree);
        for (; *it; ++it) {
            if ((*it)->text(0) == QStringLiteral("aib")) {
                (*it)->setCheckState(0, Qt::Checked);
            }
        }
        wizard.accept();
        EXPECT_EQ(wizard.result(), QDialog::Accepted);
    });
    EXPECT_TRUE(ShownTexts().contains(QStringLiteral("Wählen Sie die zu importierenden Daten aus.")));
    EXPECT_EQ(CountEntries(frame->Data()), before + 1);
    EXPECT_NE(Find(frame->Data(), u"aib"), nullptr);
}

TEST_F(ImportWizardTest, BadInputIsRefusedAndCancelChangesNothing) {
    Open(TestSupport::MakeVault(1, 3));
    const auto bytes = TestSupport::ReadBytes(DatabasePath());
    const auto file = Write("leer.csv", "a;b\n");
    Run([&](CExternalImportWizard& wizard) {
        Choose(wizard, Tarnwick::Import::ImportFormat::Csv, dir.Path() / "fehlt.csv");
        wizard.next();
        EXPECT_EQ(wizard.currentId(), CExternalImportWizard::kPageSource);
        Choose(wizard, Tarnwick::Import::ImportFormat::Csv, file);
        wizard.Page1().GetSeparatorEdit()->clear();
        wizard.next();
        EXPECT_EQ(wizard.currentId(), CExternalImportWizard::kPageSource);
        wizard.Page1().GetSeparatorEdit()->setText(QStringLiteral(";"));
        wizard.Page1().GetFolderNamesCheck()->setChecked(true);
        wizard.Page1().GetFolderSeparatorEdit()->clear();
        wizard.next();
        EXPECT_EQ(wizard.currentId(), CExternalImportWizard::kPageSource);
        wizard.Page1().GetFolderNamesCheck()->setChecked(false);
        wizard.Page1().GetSetFolderNameCheck()->setChecked(true);
        wizard.next();
        EXPECT_EQ(wizard.currentId(), CExternalImportWizard::kPageSource);
        wizard.Page1().GetSetFolderNameCheck()->setChecked(false);
        // A file of another format.
        wizard.Page1().GetFormatCombo()->setCurrentIndex(static_cast<int>(Tarnwick::Import::ImportFormat::KeePass2));
        wizard.next();
        EXPECT_EQ(wizard.currentId(), CExternalImportWizard::kPageSource);
        wizard.reject();
    });
    const QStringList texts = ShownTexts();
    ASSERT_EQ(texts.size(), 5);
    EXPECT_EQ(texts[0], QStringLiteral("Geben Sie eine gültige Quelldatei ein."));
    EXPECT_EQ(texts[1], QStringLiteral("Geben Sie das Trennzeichen für den Import an."));
    EXPECT_EQ(texts[2], QStringLiteral("Geben Sie das Trennzeichen für die Ordner an."));
    EXPECT_EQ(texts[3], QStringLiteral("Geben Sie den Namen für den Importordner an."));
    EXPECT_TRUE(texts[4].startsWith(QStringLiteral("Es ist ein Fehler beim Importieren der Daten aufgetreten.")));
    EXPECT_EQ(TestSupport::ReadBytes(DatabasePath()), bytes);
}

TEST_F(ImportWizardTest, AFailedWriteRollsBackSaysWhatFailedAndNeverClaimsSuccess) {
    Open(TestSupport::MakeVault(1, 3));
    const auto bytes = TestSupport::ReadBytes(DatabasePath());
    const std::size_t before = CountEntries(frame->Data());
    const auto file = Write("konten.csv", "Title,Username,Password\nPost,max,geheim\n");
    // How many changes on disk the backup makes; the one after them is the write's first.
    long backupChanges = 0;
    {
        TestSupport::FaultyFileSystem counting(1000000);
        WindowsServiceProvider::FileBackupEx probe;
        probe.Backup(DatabasePath());
        backupChanges = counting.Changes();
        probe.DeleteBackup();
    }
    std::filesystem::path kept;
    Run([&](CExternalImportWizard& wizard) {
        Choose(wizard, Tarnwick::Import::ImportFormat::Csv, file);
        wizard.next();
        wizard.next();
        ASSERT_EQ(wizard.currentId(), CExternalImportWizard::kPageSelection);
        {
            TestSupport::FaultyFileSystem disk(backupChanges + 1);
            wizard.accept();
        }
        EXPECT_NE(wizard.result(), QDialog::Accepted);
        EXPECT_EQ(wizard.currentId(), CExternalImportWizard::kPageSelection);
        const QString status = wizard.Page3().GetStatusLabel()->text();
        EXPECT_TRUE(status.startsWith(QStringLiteral("Es ist ein Fehler beim Importieren der Daten aufgetreten.")));
        EXPECT_NE(status, Q(kCompleted));
        ASSERT_TRUE(wizard.LastResult());
        EXPECT_TRUE(wizard.LastResult()->rolledBack);
        kept = wizard.LastResult()->keptBackup;
        if (!kept.empty()) {
            EXPECT_TRUE(status.contains(QStringLiteral("aufbewahrt")));
        }
        wizard.reject();
    });
    for (const QString& text : ShownTexts()) {
        EXPECT_FALSE(text.contains(Q(kCompleted)));
        EXPECT_FALSE(text.contains(QStringLiteral("erfolgreich importiert")));
    }
    // The backup that could not be put back stays where the message says.
    if (!kept.empty()) {
        EXPECT_TRUE(std::filesystem::exists(kept));
        EXPECT_EQ(TestSupport::ReadBytes(kept), bytes);
    }
    EXPECT_EQ(TestSupport::ReadBytes(DatabasePath()), bytes);
    EXPECT_EQ(CountEntries(frame->Data()), before);
}

TEST_F(ImportWizardTest, ALargeFileShowsProgressWhileTheRowsAreRead) {
    Open(TestSupport::MakeVault(1, 1));
    std::string content = "Beschreibung,Benutzername,Passwort,URL\n";
    constexpr int kRows = 20000;
    for (int i = 0; i < kRows; ++i) {
        content += "Eintrag " + std::to_string(i) + ",benutzer" + std::to_string(i) + ",pw" + std::to_string(i) +
                   ",https://example.org/" + std::to_string(i) + "\n";
    }
    const auto file = Write("gross.csv", content);
    int ticks = 0;
    bool sawBar = false;
    bool sawDeterminate = false;
    Run([&](CExternalImportWizard& wizard) {
        Choose(wizard, Tarnwick::Import::ImportFormat::Csv, file);
        QTimer watch;
        watch.setInterval(5);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            ++ticks;
            for (QProgressBar* bar : {wizard.Page1().GetProgressBar(), wizard.Page2().GetProgressBar()}) {
                sawBar = sawBar || bar->isVisibleTo(&wizard);
                sawDeterminate = sawDeterminate || (bar->isVisibleTo(&wizard) && bar->maximum() == 1000);
            }
        });
        watch.start();
        wizard.next();
        wizard.next();
        watch.stop();
        ASSERT_EQ(wizard.currentId(), CExternalImportWizard::kPageSelection);
        EXPECT_EQ(TreeEntries(wizard.Page3().GetTree()), kRows);
        wizard.reject();
    });
    // The window kept running its timers while the worker read the file.
    EXPECT_GT(ticks, 0);
    EXPECT_TRUE(sawBar);
    EXPECT_TRUE(sawDeterminate);
}

// One picture per page, written only when TW_SCREENSHOT_DIR names a folder.
class ImportWizardScreenshots : public ImportWizardTest {
protected:
    void SetUp() override {
        ImportWizardTest::SetUp();
        folder = TestSupport::ScreenshotFolder();
        if (folder.isEmpty()) {
            GTEST_SKIP() << "TW_SCREENSHOT_DIR is not set";
        }
    }
    void Save(QWidget& widget, const QString& name) {
        ASSERT_TRUE(TestSupport::SavePicture(widget, folder, name)) << name.toStdString();
    }
    QString folder;
};

TEST_F(ImportWizardScreenshots, EveryPage) {
    Open(TestSupport::MakeVault(1, 1));
    const auto file = Write("bitwarden.csv",
                            "folder,favorite,type,name,notes,fields,login_uri,login_username,login_password,login_totp\n"
                            "Bank,,login,Sparkasse,,,https://bank.example,max,geheim,JBSWY3DPEHPK3PXP\n"
                            "Mail,,login,Posteo,Privat,,https://posteo.example,max,pw2,\n");
    Run([&](CExternalImportWizard& wizard) {
        Choose(wizard, Tarnwick::Import::ImportFormat::Csv, file);
        Save(wizard, QStringLiteral("import-wizard-1-source.png"));
        wizard.next();
        Save(wizard, QStringLiteral("import-wizard-2-mapping.png"));
        wizard.next();
        Save(wizard, QStringLiteral("import-wizard-3-selection.png"));
        wizard.reject();
    });
}

} // namespace
} // namespace MainFrameTest
