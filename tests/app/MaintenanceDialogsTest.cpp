// The database maintenance commands of the main window over a real file: change password,
// change cipher, reorganise, the properties, backups and deleting a database.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <ctime>
#include <functional>
#include <map>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTimer>

#include "AppTestSupport.h"
#include "MainFrameTestSupport.h"
#include "app/dialogs/BackupCopy.h"
#include "app/dialogs/ChangeDatabasePasswordDialog.h"
#include "app/dialogs/DatabaseBackupDialog.h"
#include "app/dialogs/DatabaseFacts.h"
#include "app/dialogs/DatabasePropertySheet.h"
#include "app/dialogs/DatabaseWorkers.h"
#include "app/dialogs/DeleteDatabaseDialog.h"
#include "app/mainframe/CommandIds.h"
#include "database/FileFormat.h"
#include "generator/ui/QualityBar.h"
#include "support/DatabaseFixture.h"
#include "support/FaultyFileSystem.h"
#include "uilib/SecureEdit.h"

namespace MainFrameTest {
namespace {

using namespace Tarnwick::Commands;
using Tarnwick::CChangeDatabasePasswordDialog;
using Tarnwick::CDatabaseBackupDialog;
using Tarnwick::CDatabasePropertySheet;
using Tarnwick::CDeleteDatabaseDialog;
using Tarnwick::PasswordADT::PasswordData;
using Tarnwick::Dialogs::BackupWorker;

constexpr std::u16string_view kNewPassword = u"Neues Passwort für 2024!";

// Runs a dialog whose work ends on a worker's report: start is called inside its modal loop.
// A dialog that never reports is ended after a minute so that the test fails instead of hanging.
int RunToEnd(QDialog& dialog, const std::function<void()>& start) {
    QTimer::singleShot(0, &dialog, start);
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, &dialog, [&dialog] { dialog.done(-5); });
    watchdog.start(60000);
    return dialog.exec();
}

std::int32_t AlgorithmOfFile(const std::filesystem::path& path) {
    const auto bytes = TestSupport::ReadBytes(path);
    return EmberkiteDatabase::FileHeader::Decode(bytes.data()).algorithm;
}

unsigned ModeOf(const std::filesystem::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

class MaintenanceFixture : public MainFrameFixture {
protected:
    // Fills the password dialog and presses "&Passwort ändern".
    static void Type(CChangeDatabasePasswordDialog& dialog, std::u16string_view current, std::u16string_view fresh,
                     std::u16string_view repeated) {
        dialog.GetCurrentEdit()->SetText(current);
        dialog.GetNewEdit()->SetText(fresh);
        dialog.GetRepeatEdit()->SetText(repeated);
        dialog.GetChangeButton()->click();
    }

    bool LoadsWith(const std::filesystem::path& path, std::u16string_view password, PasswordData* out = nullptr) {
        TestSupport::FakeDatabaseUI ui;
        Tarnwick::CDatabase database(ui, path);
        PasswordData data;
        const bool loaded = database.Load(Login(kUser, password), data);
        if (out != nullptr) {
            *out = std::move(data);
        }
        return loaded;
    }

    QStringList Texts() const { return ShownTexts(); }
};

// ---------------------------------------------------------------------------------------
// Change password

TEST_F(MaintenanceFixture, ChangePasswordChecksItsFieldsInOrder) {
    Open(TestSupport::MakeVault(2, 4));
    const auto before = TestSupport::ReadBytes(DatabasePath());
    int score = -1;
    AppTest::DialogDriverScope driver([&](QDialog& shown) {
        auto& dialog = dynamic_cast<CChangeDatabasePasswordDialog&>(shown);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Datenbankpasswort ändern"));
        EXPECT_EQ(dialog.GetCurrentEdit()->GetCueText(), QStringLiteral("Aktuelles Passwort"));
        EXPECT_EQ(dialog.GetNewEdit()->GetCueText(), QStringLiteral("Neues Passwort"));
        EXPECT_EQ(dialog.GetRepeatEdit()->GetCueText(), QStringLiteral("Neues Passwort bestätigen"));
        Type(dialog, u"", u"", u"");
        Type(dialog, u"alt", u"", u"");
        Type(dialog, u"alt", u"neu", u"");
        Type(dialog, u"alt", u"neu", u"anders");
        // Every refusal keeps the dialog open.
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        dialog.GetNewEdit()->SetText(std::u16string_view(u"Tr0ub4dor&3-Pferd-Batterie"));
        score = dialog.GetQualityBar()->GetScore();
        dialog.reject();
    });
    frame->ExecuteCommand(ID_DATABASE_CHANGE_PASSWORD);
    EXPECT_EQ(Texts(), (QStringList{QStringLiteral("Geben Sie das aktuelle Passwort eingeben."),
                                    QStringLiteral("Geben Sie das neue Passwort eingeben."),
                                    QStringLiteral("Wiederholen Sie die Eingabe des neuen Passworts."),
                                    QStringLiteral("Das neue Passwort stimmt nicht mit der Wiederholung überein.")}));
    EXPECT_GT(score, 40);
    EXPECT_EQ(TestSupport::ReadBytes(DatabasePath()), before);
}

TEST_F(MaintenanceFixture, AfterAChangeOfPasswordOnlyTheNewOneOpensTheDatabase) {
    Open(TestSupport::MakeVault(2, 6));
    const auto content = TestSupport::Snapshot(frame->Data());
    AppTest::DialogDriverScope driver([&](QDialog& shown) {
        auto& dialog = dynamic_cast<CChangeDatabasePasswordDialog&>(shown);
        // A wrong current password is refused by the database; the dialog stays.
        Type(dialog, u"falsch", kNewPassword, kNewPassword);
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        Type(dialog, kPassword, kNewPassword, kNewPassword);
    });
    frame->ExecuteCommand(ID_DATABASE_CHANGE_PASSWORD);
    EXPECT_EQ(Texts(), (QStringList{QStringLiteral("Das Passwort der Datenbank konnte nicht geändert werden, da die "
                                                   "Benutzerauthentifizierung fehlgeschlagen ist."),
                                    QStringLiteral("Das Datenbankpasswort wurde erfolgreich geändert.")}));
    // The window's own change is no change by another program.
    EXPECT_FALSE(frame->DatabaseSession().ReloadIfChanged());
    EXPECT_FALSE(AppTest::CanLogIn(DatabasePath(), kUser, kPassword));
    EXPECT_TRUE(AppTest::CanLogIn(DatabasePath(), kUser, kNewPassword));
    PasswordData loaded;
    ASSERT_TRUE(LoadsWith(DatabasePath(), kNewPassword, &loaded));
    EXPECT_EQ(TestSupport::Snapshot(loaded), content);
    // The window holds the new password: it reads the file again (the log-ins above changed
    // it) and rewrites it with the new password.
    EXPECT_TRUE(frame->DatabaseSession().Credentials().password.Equals(kNewPassword));
    frame->ExecuteCommand(ID_DATABASE_REORGANIZE);
    EXPECT_EQ(Texts().back(), QStringLiteral("Die Datenbank wurde erfolgreich reorganisiert."));
    EXPECT_TRUE(AppTest::CanLogIn(DatabasePath(), kUser, kNewPassword));
}

TEST_F(MaintenanceFixture, AFailedChangeOfPasswordLeavesTheOldPasswordValidAndSaysSo) {
    Open(TestSupport::MakeVault(2, 6));
    const auto content = TestSupport::Snapshot(frame->Data());
    int failures = 0;
    bool changed = false;
    for (long failAt = 1; failAt < 400 && !changed; ++failAt) {
        const std::size_t seen = responder->Seen().size();
        bool accepted = false;
        bool failed = false;
        {
            TestSupport::FaultyFileSystem faults(failAt);
            AppTest::DialogDriverScope driver([&](QDialog& shown) {
                auto& dialog = dynamic_cast<CChangeDatabasePasswordDialog&>(shown);
                Type(dialog, kPassword, kNewPassword, kNewPassword);
                accepted = dialog.result() == QDialog::Accepted;
                dialog.reject();
            });
            frame->ExecuteCommand(ID_DATABASE_CHANGE_PASSWORD);
            failed = faults.Failed();
        }
        if (!failed) {
            ASSERT_TRUE(accepted);
            changed = true;
            break;
        }
        ++failures;
        SCOPED_TRACE(failAt);
        // A write that failed before the change was complete changed nothing.
        if (!accepted) {
            ASSERT_GT(responder->Seen().size(), seen);
            EXPECT_EQ(responder->Seen().back().text, QString::fromUtf16(CChangeDatabasePasswordDialog::kUnchanged.data(),
                                                                         CChangeDatabasePasswordDialog::kUnchanged.size()));
            EXPECT_TRUE(frame->DatabaseSession().Credentials().password.Equals(kPassword));
            PasswordData loaded;
            ASSERT_TRUE(LoadsWith(DatabasePath(), kPassword, &loaded));
            EXPECT_EQ(TestSupport::Snapshot(loaded), content);
            EXPECT_FALSE(LoadsWith(DatabasePath(), kNewPassword));
        } else {
            // Only the last writes after the new file took its place may fail: then the new
            // password holds, in the file and in the window.
            EXPECT_TRUE(frame->DatabaseSession().Credentials().password.Equals(kNewPassword));
            EXPECT_TRUE(LoadsWith(DatabasePath(), kNewPassword));
            changed = true;
        }
    }
    EXPECT_TRUE(changed);
    EXPECT_GT(failures, 3);
}

// ---------------------------------------------------------------------------------------
// Properties, cipher, reorganise

TEST_F(MaintenanceFixture, FileSizesAreWrittenInTheirUnitWithTheHundredthsCutOff) {
    using Tarnwick::Dialogs::FormatFileSize;
    EXPECT_EQ(FormatFileSize(0), u"0 B");
    EXPECT_EQ(FormatFileSize(1023), u"1023 B");
    EXPECT_EQ(FormatFileSize(1024), u"1.00 KB");
    EXPECT_EQ(FormatFileSize(1536), u"1.50 KB");
    EXPECT_EQ(FormatFileSize(2047), u"1.99 KB");
    EXPECT_EQ(FormatFileSize(1024 * 1024 - 1), u"1023.99 KB");
    EXPECT_EQ(FormatFileSize(1024 * 1024), u"1.00 MB");
    EXPECT_EQ(FormatFileSize(5 * 1024 * 1024 + 1024 * 1024 / 4), u"5.25 MB");
    EXPECT_EQ(FormatFileSize(5 * 1024 * 1024 + 1024 * 1024 / 10), u"5.09 MB");
    EXPECT_EQ(FormatFileSize(3ULL * 1024 * 1024 * 1024 + 512ULL * 1024 * 1024), u"3.50 GB");
    EXPECT_EQ(FormatFileSize(5000ULL * 1024 * 1024 * 1024), u"5000.00 GB");
    EXPECT_EQ(Tarnwick::Dialogs::FormatDateTime(-1), u"-");
}

TEST_F(MaintenanceFixture, ThePropertiesShowTheFileAndTheDatabase) {
    Open(TestSupport::MakeVault(4, 12));
    std::vector<std::map<QString, QString>> shown;
    AppTest::DialogDriverScope driver([&](QDialog& dialog) {
        auto& sheet = dynamic_cast<CDatabasePropertySheet&>(dialog);
        std::map<QString, QString> values;
        for (const char16_t* name : {u"Name", u"Typ", u"Ordnerpfad", u"Größe", u"Erstelldatum", u"Änderungsdatum",
                                     u"Attribute"}) {
            values[QStringLiteral("Datei/") + Q(name)] = sheet.DetailValue(QStringLiteral("Datei"), Q(name));
        }
        for (const char16_t* name : {u"Version", u"Treiber", u"Anzahl der Ordner", u"Anzahl der Passwörter",
                                     u"Erstelldatum", u"Änderungsdatum", u"Letzte Passwortänderung", u"Letzter Login",
                                     u"Erster Login oder reorganisiert", u"Verschlüsselung"}) {
            values[QStringLiteral("Datenbank/") + Q(name)] = sheet.DetailValue(QStringLiteral("Datenbank"), Q(name));
        }
        EXPECT_EQ(sheet.GetPages()->count(), 2);
        EXPECT_EQ(sheet.windowTitle(), QStringLiteral("Datenbankeigenschaften"));
        EXPECT_EQ(sheet.GetAlgorithmBox()->currentText(), QStringLiteral("AES (Rijndael 256-Bit)"));
        shown.push_back(values);
        dialog.accept();
    });
    frame->ExecuteCommand(ID_DATABASE_PROPERTIES);
    frame->ExecuteCommand(ID_STATUS_DATABASE_PROPERTIES);
    ASSERT_EQ(shown.size(), 2u);
    const auto& first = shown[0];
    EXPECT_EQ(first.at(QStringLiteral("Datei/Name")), QStringLiteral("Konten.twdb"));
    EXPECT_EQ(first.at(QStringLiteral("Datei/Typ")), QStringLiteral("Tarnwick Datenbank"));
    EXPECT_EQ(first.at(QStringLiteral("Datei/Ordnerpfad")), QString::fromStdString(dir.Path().string()));
    EXPECT_EQ(first.at(QStringLiteral("Datei/Größe")),
              Q(Tarnwick::Dialogs::FormatFileSize(std::filesystem::file_size(DatabasePath()))));
    EXPECT_TRUE(first.at(QStringLiteral("Datei/Größe")).endsWith(QStringLiteral(" KB")));
    EXPECT_EQ(first.at(QStringLiteral("Datei/Attribute")), QStringLiteral("rw------- (0600)"));
    EXPECT_EQ(first.at(QStringLiteral("Datenbank/Version")), QStringLiteral("1.17"));
    EXPECT_EQ(first.at(QStringLiteral("Datenbank/Treiber")), QStringLiteral("1.17.0"));
    EXPECT_EQ(first.at(QStringLiteral("Datenbank/Anzahl der Ordner")), QStringLiteral("4"));
    EXPECT_EQ(first.at(QStringLiteral("Datenbank/Anzahl der Passwörter")), QStringLiteral("12"));
    const QRegularExpression date(QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d$"));
    for (const char* key : {"Datei/Änderungsdatum", "Datenbank/Erstelldatum", "Datenbank/Änderungsdatum",
                            "Datenbank/Letzte Passwortänderung"}) {
        EXPECT_TRUE(date.match(first.at(QString::fromUtf8(key))).hasMatch()) << key;
    }
    // The window loaded the file without a log-in: the properties' log-in is the first one.
    EXPECT_EQ(first.at(QStringLiteral("Datenbank/Letzter Login")), QStringLiteral("-"));
    EXPECT_EQ(first.at(QStringLiteral("Datenbank/Erster Login oder reorganisiert")), QStringLiteral("Ja"));
    EXPECT_TRUE(date.match(shown[1].at(QStringLiteral("Datenbank/Letzter Login"))).hasMatch());
    EXPECT_EQ(shown[1].at(QStringLiteral("Datenbank/Erster Login oder reorganisiert")), QStringLiteral("Nein"));
    EXPECT_TRUE(first.at(QStringLiteral("Datenbank/Verschlüsselung")).contains(QStringLiteral("AES")));
    // Reading the properties is no change by another program.
    EXPECT_FALSE(frame->DatabaseSession().ReloadIfChanged());
}

TEST_F(MaintenanceFixture, ThePropertiesWaitForTheWorkspaceAndForTheFile) {
    Open(TestSupport::MakeVault(1, 2));
    bool opened = false;
    AppTest::DialogDriverScope driver([&](QDialog&) { opened = true; });
    frame->ToggleLock();
    EXPECT_FALSE(frame->IsCommandEnabled(ID_DATABASE_PROPERTIES));
    frame->ExecuteCommand(ID_STATUS_DATABASE_PROPERTIES);
    ASSERT_EQ(responder->Seen().size(), 1u);
    EXPECT_EQ(responder->Seen()[0].caption, QStringLiteral("Arbeitsbereich ist gesperrt"));
    EXPECT_EQ(responder->Seen()[0].text, QStringLiteral("Um die Datenbankeigenschaften anzuzeigen, muss der "
                                                        "Arbeitsbereich erst freigegeben werden."));
    frame->ToggleLock();
    ASSERT_FALSE(frame->IsLocked());
    std::filesystem::remove(DatabasePath());
    frame->ExecuteCommand(ID_DATABASE_PROPERTIES);
    EXPECT_FALSE(opened);
    EXPECT_EQ(Texts().back(), Q(Tarnwick::FileAccessFailureText(34, DatabasePath())));
}

TEST_F(MaintenanceFixture, ChangingTheCipherRewritesTheFileForTheOtherAlgorithm) {
    Open(TestSupport::MakeVault(3, 9));
    const auto content = TestSupport::Snapshot(frame->Data());
    ASSERT_EQ(AlgorithmOfFile(DatabasePath()), Tarnwick::CDatabase::kAes);
    QString before;
    QString after;
    AppTest::DialogDriverScope driver([&](QDialog& dialog) {
        auto& sheet = dynamic_cast<CDatabasePropertySheet&>(dialog);
        before = sheet.DetailValue(QStringLiteral("Datenbank"), QStringLiteral("Verschlüsselung"));
        sheet.GetAlgorithmBox()->setCurrentIndex(0);
        sheet.GetChangeAlgorithmButton()->click();
        after = sheet.DetailValue(QStringLiteral("Datenbank"), QStringLiteral("Verschlüsselung"));
        EXPECT_EQ(sheet.GetAlgorithmBox()->currentIndex(), 0);
        dialog.accept();
    });
    frame->ExecuteCommand(ID_DATABASE_PROPERTIES);
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("Der Verschlüsselungsalgorithmus der Datenbank wurde erfolgreich geändert.")});
    EXPECT_EQ(AlgorithmOfFile(DatabasePath()), Tarnwick::CDatabase::kBlowfish);
    EXPECT_NE(before, after);
    EXPECT_TRUE(after.contains(QStringLiteral("Blowfish")));
    PasswordData loaded;
    ASSERT_TRUE(LoadsWith(DatabasePath(), kPassword, &loaded));
    EXPECT_EQ(TestSupport::Snapshot(loaded), content);
    EXPECT_FALSE(frame->DatabaseSession().ReloadIfChanged());
}

TEST_F(MaintenanceFixture, AFailedChangeOfCipherLeavesTheFileAsItWas) {
    Open(TestSupport::MakeVault(2, 4));
    const auto before = TestSupport::ReadBytes(DatabasePath());
    AppTest::DialogDriverScope driver([&](QDialog& dialog) {
        auto& sheet = dynamic_cast<CDatabasePropertySheet&>(dialog);
        sheet.GetAlgorithmBox()->setCurrentIndex(0);
        // The first write of the new file fails.
        TestSupport::FaultyFileSystem faults(2);
        sheet.GetChangeAlgorithmButton()->click();
        EXPECT_TRUE(faults.Failed());
        dialog.accept();
    });
    frame->ExecuteCommand(ID_DATABASE_PROPERTIES);
    EXPECT_EQ(Texts().back(), QStringLiteral("Fehler beim Ändern der Verschlüsselung."));
    EXPECT_EQ(AlgorithmOfFile(DatabasePath()), Tarnwick::CDatabase::kAes);
    EXPECT_TRUE(LoadsWith(DatabasePath(), kPassword));
}

TEST_F(MaintenanceFixture, ReorganisingAsksNothingAndCompactsTheFile) {
    Open(TestSupport::MakeVault(2, 40));
    // Deleting entries rewrites the records: the file already ends with the last one.
    std::vector<Tarnwick::Session::EntryRef> doomed;
    for (const auto& item : frame->Data().Folders()[0]->Entries()) {
        doomed.push_back({frame->Data().Folders()[0]->GetId(), item});
    }
    ASSERT_EQ(frame->DatabaseSession().Delete(doomed), Tarnwick::Session::Outcome::Stored);
    const auto before = std::filesystem::file_size(DatabasePath());
    const auto content = TestSupport::Snapshot(frame->Data());

    frame->ExecuteCommand(ID_DATABASE_REORGANIZE);
    ASSERT_EQ(responder->Seen().size(), 1u);
    EXPECT_EQ(responder->Seen()[0].text, QStringLiteral("Die Datenbank wurde erfolgreich reorganisiert."));
    EXPECT_LE(std::filesystem::file_size(DatabasePath()), before);
    PasswordData loaded;
    ASSERT_TRUE(LoadsWith(DatabasePath(), kPassword, &loaded));
    EXPECT_EQ(TestSupport::Snapshot(loaded), content);

    settings.messageAfterTask = false;
    frame->ExecuteCommand(ID_DATABASE_REORGANIZE);
    EXPECT_EQ(responder->Seen().size(), 1u);
    EXPECT_FALSE(frame->DatabaseSession().ReloadIfChanged());
}

TEST_F(MaintenanceFixture, AChangeByAnotherProgramIsReadBeforeTheFileIsRewritten) {
    Open(TestSupport::MakeVault(2, 4));
    // Another program adds a folder behind the window's back.
    {
        PasswordData other = Reload();
        other.AddFolder(u"Von außen");
        TestSupport::FakeDatabaseUI ui;
        Tarnwick::CDatabase database(ui, DatabasePath());
        ASSERT_TRUE(database.SaveAll(Login(kUser, kPassword), other));
    }
    frame->ExecuteCommand(ID_DATABASE_REORGANIZE);
    const PasswordData after = Reload();
    ASSERT_EQ(after.FolderCount(), 3u);
    EXPECT_EQ(after.Folders()[2]->GetName().View(), u"Von außen");
    EXPECT_EQ(frame->Data().FolderCount(), 3u);
    EXPECT_NE(Tarnwick::Views::FolderToTreeVisualizer::FindFolderItem(*Tree(), 2), nullptr);
}

// ---------------------------------------------------------------------------------------
// Backups

TEST_F(MaintenanceFixture, TheDefaultBackupNameCarriesTheDate) {
    std::tm noon{};
    noon.tm_year = 2011 - 1900;
    noon.tm_mon = 2;
    noon.tm_mday = 5;
    noon.tm_hour = 12;
    noon.tm_isdst = -1;
    const std::int64_t seconds = std::mktime(&noon);
    EXPECT_EQ(Tarnwick::Dialogs::DefaultBackupPath("/daten/tresor.twdb", seconds),
              std::filesystem::path("/daten/tresor-05-03-2011.twdb"));
    EXPECT_EQ(Tarnwick::Dialogs::DefaultBackupPath("/daten/tresor", seconds),
              std::filesystem::path("/daten/tresor-05-03-2011.twdb"));
    EXPECT_EQ(Tarnwick::Dialogs::DefaultBackupPath("/daten/mein.tresor.twdb", seconds),
              std::filesystem::path("/daten/mein.tresor-05-03-2011.twdb"));
}

TEST_F(MaintenanceFixture, ABackupOntoTheOpenDatabaseIsRefusedUnderEveryName) {
    Open(TestSupport::MakeVault(2, 4));
    const auto before = TestSupport::ReadBytes(DatabasePath());
    std::filesystem::create_symlink(DatabasePath(), dir.Path() / "Verweis.twdb");
    std::filesystem::create_hard_link(DatabasePath(), dir.Path() / "Zweitname.twdb");
    const std::vector<std::filesystem::path> names = {DatabasePath(), dir.Path() / "." / "Konten.twdb",
                                                      dir.Path() / "Verweis.twdb", dir.Path() / "Zweitname.twdb"};
    bool started = false;
    QString preset;
    AppTest::DialogDriverScope driver([&](QDialog& shown) {
        auto& dialog = dynamic_cast<CDatabaseBackupDialog&>(shown);
        preset = dialog.GetPathEdit()->text();
        dialog.GetPathEdit()->clear();
        dialog.GetOkButton()->click();
        for (const auto& name : names) {
            dialog.GetPathEdit()->setText(QString::fromStdString(name.string()));
            dialog.GetOkButton()->click();
            started = started || dialog.IsWorking();
        }
        dialog.reject();
    });
    frame->ExecuteCommand(ID_DATABASE_BACKUP);
    EXPECT_FALSE(started);
    QStringList expected{QStringLiteral("Geben Sie einen gültigen Datenbankpfad an.")};
    for (std::size_t i = 0; i < names.size(); ++i) {
        expected << QStringLiteral("Quelle und Ziel der Sicherung sind identisch.");
    }
    EXPECT_EQ(Texts(), expected);
    EXPECT_TRUE(preset.startsWith(QString::fromStdString((dir.Path() / "Konten-").string())));
    EXPECT_TRUE(preset.endsWith(QStringLiteral(".twdb")));
    EXPECT_EQ(TestSupport::ReadBytes(DatabasePath()), before);
}

TEST_F(MaintenanceFixture, ACopyIsCheckedPrivateAndComplete) {
    Open(TestSupport::MakeVault(2, 8));
    const std::filesystem::path target = dir.Path() / "Sicherung.twdb";
    int result = 0;
    bool sawVerify = false;
    AppTest::DialogDriverScope driver([&](QDialog& shown) {
        auto& dialog = dynamic_cast<CDatabaseBackupDialog&>(shown);
        EXPECT_EQ(dialog.GetMethodBox()->currentText(), QStringLiteral("Kopie der Datenbank anlegen"));
        dialog.GetPathEdit()->setText(QString::fromStdString(target.string()));
        result = RunToEnd(dialog, [&] {
            dialog.GetOkButton()->click();
            EXPECT_TRUE(dialog.IsWorking());
            EXPECT_FALSE(dialog.GetOkButton()->isEnabled());
            EXPECT_TRUE(dialog.GetWorkingLabel()->isVisibleTo(&dialog));
            // Closing the dialog while it works is refused.
            dialog.reject();
            sawVerify = dialog.isVisible();
        });
    });
    frame->ExecuteCommand(ID_DATABASE_BACKUP);
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_TRUE(sawVerify);
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("Die Datenbank wurde erfolgreich gesichert.")});
    EXPECT_EQ(TestSupport::ReadBytes(target), TestSupport::ReadBytes(DatabasePath()));
    EXPECT_EQ(ModeOf(target), 0600u);
    EXPECT_TRUE(LoadsWith(target, kPassword));
}

TEST_F(MaintenanceFixture, AnExistingTargetIsReplacedOnlyAfterYes) {
    Open(TestSupport::MakeVault(2, 8));
    const std::filesystem::path target = dir.Path() / "Alt.twdb";
    TestSupport::WriteBytes(target, {1, 2, 3});
    std::filesystem::permissions(target, std::filesystem::perms::all);
    responder->Then(1); // "Nein"
    responder->Then(0); // "Ja"
    bool stayed = false;
    AppTest::DialogDriverScope driver([&](QDialog& shown) {
        auto& dialog = dynamic_cast<CDatabaseBackupDialog&>(shown);
        dialog.GetPathEdit()->setText(QString::fromStdString(target.string()));
        dialog.GetOkButton()->click();
        stayed = !dialog.IsWorking() && dialog.result() != QDialog::Accepted;
        RunToEnd(dialog, [&] { dialog.GetOkButton()->click(); });
    });
    frame->ExecuteCommand(ID_DATABASE_BACKUP);
    EXPECT_TRUE(stayed);
    ASSERT_GE(responder->Seen().size(), 3u);
    EXPECT_EQ(responder->Seen()[0].caption, QStringLiteral("Datenbank existiert bereits"));
    EXPECT_EQ(responder->Seen()[0].text,
              QStringLiteral("Es existiert bereits eine Datenbank mit dem Namen \"%1\". Sind Sie sicher, dass diese "
                             "Datenbank überschrieben werden soll?")
                  .arg(QString::fromStdString(target.string())));
    EXPECT_EQ(responder->Seen()[0].captions,
              (QStringList{QStringLiteral("Ja, Datenbank überschreiben."), QStringLiteral("Nein, Datenbank nicht überschreiben.")}));
    EXPECT_EQ(TestSupport::ReadBytes(target), TestSupport::ReadBytes(DatabasePath()));
    EXPECT_EQ(ModeOf(target), 0600u);
}

TEST_F(MaintenanceFixture, ARecreatedBackupOpensWithTheSameCredentialsAndContent) {
    Open(TestSupport::MakeVault(3, 9));
    const auto content = TestSupport::Snapshot(frame->Data());
    const std::filesystem::path target = dir.Path() / "Neu erstellt.twdb";
    int result = 0;
    AppTest::DialogDriverScope driver([&](QDialog& shown) {
        auto& dialog = dynamic_cast<CDatabaseBackupDialog&>(shown);
        dialog.GetMethodBox()->setCurrentIndex(1);
        dialog.GetPathEdit()->setText(QString::fromStdString(target.string()));
        result = RunToEnd(dialog, [&] { dialog.GetOkButton()->click(); });
    });
    frame->ExecuteCommand(ID_DATABASE_BACKUP);
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("Die Datenbank wurde erfolgreich gesichert.")});
    PasswordData loaded;
    ASSERT_TRUE(LoadsWith(target, kPassword, &loaded));
    EXPECT_EQ(TestSupport::Snapshot(loaded), content);
    EXPECT_EQ(AlgorithmOfFile(target), AlgorithmOfFile(DatabasePath()));
    EXPECT_NE(TestSupport::ReadBytes(target), TestSupport::ReadBytes(DatabasePath()));
    EXPECT_EQ(ModeOf(target), 0600u);
}

TEST_F(MaintenanceFixture, AFailedCopyLeavesNoBackupAndSaysSo) {
    Open(TestSupport::MakeVault(2, 8));
    const std::filesystem::path target = dir.Path() / "Sicherung.twdb";
    TestSupport::WriteBytes(target, {9, 9, 9});
    responder->Then(0); // replace it
    int result = 0;
    {
        TestSupport::FaultyFileSystem faults(2);
        AppTest::DialogDriverScope driver([&](QDialog& shown) {
            auto& dialog = dynamic_cast<CDatabaseBackupDialog&>(shown);
            dialog.GetPathEdit()->setText(QString::fromStdString(target.string()));
            result = RunToEnd(dialog, [&] { dialog.GetOkButton()->click(); });
        });
        frame->ExecuteCommand(ID_DATABASE_BACKUP);
    }
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(Texts().back(), Q(BackupWorker::kBackupFailed));
    // The old file at the target is untouched, and no temporary file is left.
    EXPECT_EQ(TestSupport::ReadBytes(target), (std::vector<std::uint8_t>{9, 9, 9}));
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        ++files;
    }
    EXPECT_EQ(files, 2u);
}

// ---------------------------------------------------------------------------------------
// Deleting a database

class DeleteFixture : public MaintenanceFixture {
protected:
    // Runs "Löschen" with the dialog prepared by choose; returns the dialog's result.
    int Delete(const std::function<void(CDeleteDatabaseDialog&)>& choose) {
        int result = 0;
        AppTest::DialogDriverScope driver([&](QDialog& shown) {
            auto& dialog = dynamic_cast<CDeleteDatabaseDialog&>(shown);
            choose(dialog);
            result = RunToEnd(dialog, [&] { dialog.GetOkButton()->click(); });
        });
        frame->ExecuteCommand(ID_DATABASE_DELETE);
        QCoreApplication::processEvents();
        return result;
    }

    int logInsAgain = 0;
};

TEST_F(DeleteFixture, DeletingTheOpenDatabaseErasesItAndEndsTheProgram) {
    Open(TestSupport::MakeVault(2, 4));
    frame->SetLogInAgain([this](QWidget*, std::filesystem::path&, Tarnwick::LoginCredentials&) {
        ++logInsAgain;
        return false;
    });
    responder->Then(0); // "Ja, Datenbank löschen"
    const int result = Delete([](CDeleteDatabaseDialog& dialog) {
        EXPECT_TRUE(dialog.GetCurrentButton()->isChecked());
        EXPECT_TRUE(dialog.GetQuitBox()->isEnabled());
        EXPECT_FALSE(dialog.GetPathEdit()->isEnabled());
        dialog.GetQuitBox()->setChecked(true);
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_FALSE(std::filesystem::exists(DatabasePath()));
    EXPECT_EQ(reAuthentications, 1);
    EXPECT_EQ(reAuthenticatedPath, DatabasePath());
    ASSERT_GE(responder->Seen().size(), 2u);
    EXPECT_EQ(responder->Seen()[0].instruction, QStringLiteral("Datenbank unwiederbringlich löschen?"));
    EXPECT_EQ(responder->Seen()[0].text, QStringLiteral("Je nach Größe der Datenbank, kann dieser Vorgang einen Moment dauern."));
    EXPECT_EQ(responder->Seen()[1].text, QStringLiteral("Die Passwortdatenbank wurde erfolgreich gelöscht."));
    // The program ends; it does not ask for another log-in.
    EXPECT_FALSE(frame->IsLoaded());
    EXPECT_EQ(logInsAgain, 0);
}

TEST_F(DeleteFixture, DeletingTheOpenDatabaseWithoutEndingLogsInAgain) {
    Open(TestSupport::MakeVault(2, 4));
    std::filesystem::path preset = "unset";
    frame->SetLogInAgain([&](QWidget*, std::filesystem::path& path, Tarnwick::LoginCredentials&) {
        ++logInsAgain;
        preset = path;
        return false;
    });
    settings.messageAfterDatabaseDelete = false;
    responder->Then(0);
    EXPECT_EQ(Delete([](CDeleteDatabaseDialog&) {}), QDialog::Accepted);
    EXPECT_FALSE(std::filesystem::exists(DatabasePath()));
    EXPECT_EQ(logInsAgain, 1);
    EXPECT_TRUE(preset.empty());
    // Without the option nothing is said after the question.
    EXPECT_EQ(responder->Seen().size(), 1u);
}

TEST_F(DeleteFixture, AnotherDatabaseIsDeletedAndTheWindowStays) {
    Open(TestSupport::MakeVault(2, 4));
    const std::filesystem::path other = dir.Path() / "Andere.twdb";
    ASSERT_TRUE(AppTest::MakeDatabase(other, kUser, u"anderes Passwort"));
    typedPassword = u"anderes Passwort";
    responder->Then(0);
    const int result = Delete([&](CDeleteDatabaseDialog& dialog) {
        dialog.GetOtherButton()->setChecked(true);
        EXPECT_FALSE(dialog.GetQuitBox()->isEnabled());
        EXPECT_TRUE(dialog.GetPathEdit()->isEnabled());
        dialog.GetPathEdit()->setText(QString::fromStdString(other.string()));
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_FALSE(std::filesystem::exists(other));
    EXPECT_TRUE(std::filesystem::exists(DatabasePath()));
    EXPECT_EQ(reAuthenticatedPath, other);
    EXPECT_TRUE(frame->IsLoaded());
    EXPECT_TRUE(LoadsWith(DatabasePath(), kPassword));
}

TEST_F(DeleteFixture, TheOpenDatabaseUnderAnotherNameIsNoOtherDatabase) {
    Open(TestSupport::MakeVault(2, 4));
    std::filesystem::create_symlink(DatabasePath(), dir.Path() / "Verweis.twdb");
    bool working = false;
    AppTest::DialogDriverScope driver([&](QDialog& shown) {
        auto& dialog = dynamic_cast<CDeleteDatabaseDialog&>(shown);
        dialog.GetOtherButton()->setChecked(true);
        dialog.GetOkButton()->click();
        for (const auto& name : {dir.Path() / "Verweis.twdb", dir.Path() / "." / "Konten.twdb"}) {
            dialog.GetPathEdit()->setText(QString::fromStdString(name.string()));
            dialog.GetOkButton()->click();
            working = working || dialog.IsWorking();
        }
        dialog.reject();
    });
    frame->ExecuteCommand(ID_DATABASE_DELETE);
    EXPECT_FALSE(working);
    EXPECT_EQ(reAuthentications, 0);
    EXPECT_EQ(Texts(), (QStringList{QStringLiteral("Geben Sie eine Passwortdatenbank an, die gelöscht werden soll."),
                                    Q(CDeleteDatabaseDialog::kOpenDatabaseChosen),
                                    Q(CDeleteDatabaseDialog::kOpenDatabaseChosen)}));
    EXPECT_TRUE(std::filesystem::exists(DatabasePath()));
}

TEST_F(DeleteFixture, CancellingOrDecliningDeletesNothing) {
    Open(TestSupport::MakeVault(2, 4));
    reAuthenticationAnswer = false;
    EXPECT_EQ(Delete([](CDeleteDatabaseDialog&) {}), QDialog::Rejected);
    EXPECT_TRUE(responder->Seen().empty());
    reAuthenticationAnswer = true;
    responder->Then(1); // "Nein, Datenbank nicht löschen"
    EXPECT_EQ(Delete([](CDeleteDatabaseDialog&) {}), QDialog::Rejected);
    EXPECT_EQ(responder->Seen().size(), 1u);
    // Wrong credentials: the database refuses.
    typedPassword = u"falsch";
    responder->Then(0);
    EXPECT_EQ(Delete([](CDeleteDatabaseDialog&) {}), QDialog::Rejected);
    EXPECT_EQ(Texts().back(),
              QStringLiteral("Fehler beim Löschen der Datenbank, da die Benutzerauthentifizierung fehlgeschlagen ist."));
    EXPECT_TRUE(LoadsWith(DatabasePath(), kPassword));
    EXPECT_TRUE(frame->IsLoaded());
    // The checks' log-ins are no change by another program.
    EXPECT_FALSE(frame->DatabaseSession().ReloadIfChanged());
}

} // namespace
} // namespace MainFrameTest
