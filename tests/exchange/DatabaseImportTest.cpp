#include <gtest/gtest.h>

#include <algorithm>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "base/text/Utf.h"
#include "database/FileBackup.h"
#include "database/FileFormat.h"
#include "exchange/DatabaseExport.h"
#include "exchange/DatabaseImport.h"
#include "exchange/DatabaseImportReader.h"
#include "exchange/ExportImportFakeUI.h"
#include "exchange/ExportImportTestData.h"
#include "support/DatabaseFixture.h"
#include "support/FaultyFileSystem.h"

using namespace Tarnwick;
using namespace Tarnwick::ExportImport;
using namespace TestSupport;
using PasswordADT::Category;
using PasswordADT::PasswordData;

namespace {

std::u16string Text16(const std::filesystem::path& path) { return Text::FromUtf8(path.string()); }

// The content of a file, read without writing to it.
PasswordData ReadOnly(const std::filesystem::path& path, const LoginCredentials& credentials, bool* ok = nullptr) {
    PasswordData data;
    bool read = false;
    try {
        read = DatabaseImportReader::Read(path, credentials, data);
    } catch (...) {
        read = false;
    }
    if (ok != nullptr) {
        *ok = read;
    }
    return data;
}

std::vector<std::u16string> Statuses(std::initializer_list<std::u16string_view> texts) {
    return std::vector<std::u16string>(texts.begin(), texts.end());
}

// The import's error message, with whatever follows it on further lines.
bool ShowedFailure(const FakeImportUI& ui) {
    return std::any_of(ui.errors.begin(), ui.errors.end(), [](const std::u16string& error) {
        return error.rfind(DatabaseImport::kFailed, 0) == 0;
    });
}

// Whether some message names the file.
bool NamesFile(const FakeImportUI& ui, const std::filesystem::path& file) {
    return std::any_of(ui.errors.begin(), ui.errors.end(),
                       [&](const std::u16string& error) { return error.find(Text16(file)) != std::u16string::npos; });
}

} // namespace

class DatabaseImportRun : public DatabaseFixture {
protected:
    void SetUp() override {
        // The open database: "Privat" > "Bank" holding "Girokonto", and "Allgemein".
        PasswordData open;
        auto privat = open.AddFolder(u"Privat");
        auto bank = open.AddSubfolder(privat->GetId(), u"Bank");
        open.AddFolder(u"Allgemein");
        auto giro = RichEntry(90);
        giro->SetDescription(u"Girokonto");
        bank->Entries().push_back(giro);
        ASSERT_TRUE(CreateDatabase(Path(), CDatabase::kAes, open, alice));
        bool ok = false;
        data = ReadOnly(Path(), alice, &ok);
        ASSERT_TRUE(ok);
        before = ReadBytes(Path());
        beforeSnapshot = Snapshot(data);

        // The other database: the rich vault, with a "Girokonto" of its own in "Bank".
        source = RichVault();
        auto other = RichEntry(91);
        other->SetDescription(u"Girokonto");
        source.Folders()[1]->Entries().push_back(other);
    }

    ImportResult Import(const Selection& selection, DuplicateTreatment treatment) {
        DatabaseImport import(importUi, Path(), alice, data);
        return import.Run(source, selection, treatment);
    }

    // The file holds what the open collection holds.
    void ExpectFileMatchesData() {
        bool ok = false;
        const PasswordData onDisk = ReadOnly(Path(), alice, &ok);
        ASSERT_TRUE(ok);
        EXPECT_EQ(Snapshot(onDisk), Snapshot(data));
    }

    PasswordData data;
    PasswordData source;
    std::vector<std::uint8_t> before;
    std::vector<std::string> beforeSnapshot;
    FakeImportUI importUi;
};

TEST_F(DatabaseImportRun, ExportThenImportKeepsEveryFieldHistoryAndUserField) {
    // Export the whole rich vault with a case-insensitive user name ...
    const PasswordData vault = RichVault();
    ASSERT_TRUE(CreateDatabase(Path("Quelle.twdb"), CDatabase::kBlowfish, vault, alice));
    FakeExportUI exportUi;
    DatabaseExport exporter(exportUi, Path("Quelle.twdb"), vault);
    ExportInput input;
    input.path = Text16(Path("Export.twdb"));
    input.userName.Assign(u"Bob");
    input.password.Assign(u"geheim ß");
    input.repetition.Assign(u"geheim ß");
    ASSERT_EQ(exporter.Finish(input, Selection::All(vault)), ExportResult::Exported);

    // ... open it on the import's first page with the name as typed ...
    PasswordData exported;
    FakeImportUI pageUi;
    ASSERT_EQ(DatabaseImportSource::Open(pageUi, Text16(Path("Export.twdb")), Login(u"Bob", u"geheim ß"), exported),
              SourceResult::Opened);
    EXPECT_TRUE(pageUi.errors.empty());

    // ... and import everything into a database that has only "Allgemein".
    PasswordData target;
    target.AddFolder(u"Allgemein");
    ASSERT_TRUE(CreateDatabase(Path("Ziel.twdb"), CDatabase::kAes, target, alice));
    DatabaseImport import(importUi, Path("Ziel.twdb"), alice, target);
    importUi.answers = {1};
    const ImportResult result = import.Run(exported, Selection::All(exported), DuplicateTreatment::Ask);
    ASSERT_EQ(result.outcome, ImportOutcome::Imported);
    EXPECT_EQ(result.counts.added, 15u);
    EXPECT_EQ(result.counts.newFolders, 5u);
    EXPECT_EQ(importUi.information,
              std::vector<std::u16string>{u"Es wurden 15 Passwortinformation(en) erfolgreich importiert."});
    EXPECT_TRUE(importUi.errors.empty());

    bool ok = false;
    const PasswordData written = ReadOnly(Path("Ziel.twdb"), alice, &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(Snapshot(written), Snapshot(target));
    ASSERT_EQ(written.FolderCount(), 6u);
    EXPECT_EQ(written.Folders()[0]->GetName().View(), u"Allgemein");
    for (std::size_t i = 0; i < vault.FolderCount(); ++i) {
        const Category& original = *vault.Folders()[i];
        const Category& copy = *written.Folders()[i + 1];
        EXPECT_EQ(copy.GetName().View(), original.GetName().View());
        EXPECT_EQ(FolderEntryBytes(copy), FolderEntryBytes(original)) << i;
        if (original.IsTopLevel()) {
            EXPECT_TRUE(copy.IsTopLevel());
        } else {
            const auto parent = written.FindFolderByParentId(copy.GetParentId());
            ASSERT_TRUE(parent);
            EXPECT_EQ(parent->GetName().View(), vault.FindFolderByParentId(original.GetParentId())->GetName().View());
        }
    }
    EXPECT_TRUE(BackupFiles(m_dir.Path()).empty());
}

TEST_F(DatabaseImportRun, SuccessShowsEveryStepAndKeepsTheBackupWhenAsked) {
    importUi.answers = {0};
    const ImportResult result = Import(Selection{{4}, {{1, 0}, {2, 1}}}, DuplicateTreatment::Ask);
    ASSERT_EQ(result.outcome, ImportOutcome::Imported);
    EXPECT_EQ(importUi.statuses,
              Statuses({DatabaseImport::kStatusBackup, DatabaseImport::kStatusPreparing, DatabaseImport::kStatusWriting,
                        DatabaseImport::kStatusVerifying, DatabaseImport::kStatusCompleted}));
    ASSERT_EQ(importUi.headings, std::vector<std::u16string>{u"Möchten Sie die Sicherung Ihrer Passwortdatenbank löschen?"});
    EXPECT_EQ(importUi.captions,
              (std::vector<std::u16string>{u"Nein, Sicherung erhalten (empfohlen)", u"Ja, Sicherung löschen"}));
    EXPECT_EQ(importUi.explanations,
              (std::vector<std::u16string>{u"Die Sicherung der Passwortdatenbank wird nicht gelöscht.",
                                           u"Die Sicherung der Passwortdatenbank wird unwiderruflich gelöscht."}));
    EXPECT_EQ(importUi.information,
              std::vector<std::u16string>{u"Es wurden 2 Passwortinformation(en) erfolgreich importiert."});
    EXPECT_TRUE(importUi.errors.empty());

    // The hidden backup holds the database as it was.
    const auto backups = BackupFiles(m_dir.Path());
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(backups[0], result.keptBackup);
    EXPECT_TRUE(backups[0].filename().string().ends_with("Konten.twdb"));
    EXPECT_EQ(ReadBytes(backups[0]), before);

    // "Arbeit" and "Konten" are new; the entry of "Bank" joined the existing "Bank".
    ExpectFileMatchesData();
    ASSERT_EQ(data.FolderCount(), 5u);
    EXPECT_EQ(data.Folders()[3]->GetName().View(), u"Konten");
    EXPECT_EQ(data.Folders()[4]->GetName().View(), u"Arbeit");
    EXPECT_TRUE(data.Folders()[4]->Entries().empty());
    EXPECT_EQ(data.Folders()[1]->Entries().size(), 2u);
    EXPECT_EQ(EntryBytes(*data.Folders()[1]->Entries()[1]), EntryBytes(*source.Folders()[1]->Entries()[0]));
}

TEST_F(DatabaseImportRun, DeletingTheBackupErasesIt) {
    importUi.answers = {1};
    const ImportResult result = Import(Selection{{}, {{0, 0}}}, DuplicateTreatment::Ask);
    ASSERT_EQ(result.outcome, ImportOutcome::Imported);
    EXPECT_EQ(importUi.statuses,
              Statuses({DatabaseImport::kStatusBackup, DatabaseImport::kStatusPreparing, DatabaseImport::kStatusWriting,
                        DatabaseImport::kStatusVerifying, DatabaseImport::kStatusDeletingBackup,
                        DatabaseImport::kStatusCompleted}));
    EXPECT_TRUE(BackupFiles(m_dir.Path()).empty());
    EXPECT_TRUE(result.keptBackup.empty());
    EXPECT_TRUE(importUi.errors.empty());
    ExpectFileMatchesData();
}

TEST_F(DatabaseImportRun, SummaryTellsWhatCameIn) {
    importUi.answers = {1};
    EXPECT_EQ(Import(Selection{{4}, {}}, DuplicateTreatment::Ask).outcome, ImportOutcome::Imported);
    EXPECT_EQ(importUi.information, std::vector<std::u16string>{u"Neue(r) Ordner wurde(n) erfolgreich importiert."});

    // Only the duplicate, skipped.
    importUi.information.clear();
    importUi.answers = {0};
    const ImportResult skipped = Import(Selection{{}, {{1, 3}}}, DuplicateTreatment::Skip);
    EXPECT_EQ(skipped.outcome, ImportOutcome::Imported);
    EXPECT_EQ(skipped.counts.skipped, 1u);
    EXPECT_EQ(importUi.information, std::vector<std::u16string>{u"Es wurden keine Passwortinformationen importiert."});

    // Replacing counts as importing.
    importUi.information.clear();
    importUi.answers = {0};
    const ImportResult replaced = Import(Selection{{}, {{1, 3}}}, DuplicateTreatment::Replace);
    EXPECT_EQ(replaced.counts.replaced, 1u);
    EXPECT_EQ(importUi.information,
              std::vector<std::u16string>{u"Es wurden 1 Passwortinformation(en) erfolgreich importiert."});
    EXPECT_EQ(EntryBytes(*data.Folders()[1]->Entries()[0]), EntryBytes(*source.Folders()[1]->Entries()[3]));
    ExpectFileMatchesData();
}

TEST_F(DatabaseImportRun, CancelledDuplicateLeavesTheDatabaseAsBefore) {
    // No answer to the duplicate question: the dialog was closed with Cancel.
    const ImportResult result = Import(Selection{{}, {{1, 0}, {1, 3}, {4, 0}}}, DuplicateTreatment::Ask);
    EXPECT_EQ(result.outcome, ImportOutcome::Cancelled);
    EXPECT_TRUE(result.rolledBack);
    EXPECT_TRUE(result.restored);
    EXPECT_EQ(importUi.information,
              std::vector<std::u16string>{u"Der Import wurde vom Benutzer abgebrochen. Assistent wird beendet."});
    EXPECT_EQ(importUi.statuses,
              Statuses({DatabaseImport::kStatusBackup, DatabaseImport::kStatusPreparing, DatabaseImport::kStatusRollback,
                        DatabaseImportMerge::kCancelledMessage}));
    EXPECT_TRUE(importUi.errors.empty());
    EXPECT_EQ(importUi.headings.size(), 1u); // no backup question after a rollback
    EXPECT_EQ(ReadBytes(Path()), before);
    EXPECT_EQ(Snapshot(data), beforeSnapshot);
    EXPECT_TRUE(BackupFiles(m_dir.Path()).empty());
}

TEST_F(DatabaseImportRun, WriteUnderCredentialsThatDoNotOpenTheDatabaseIsRolledBack) {
    const LoginCredentials wrong = Login(u"Alice", u"falsch");
    DatabaseImport import(importUi, Path(), wrong, data);
    const ImportResult result = import.Run(source, Selection{{4}, {}}, DuplicateTreatment::Ask);
    EXPECT_EQ(result.outcome, ImportOutcome::Failed);
    EXPECT_TRUE(result.rolledBack);
    EXPECT_TRUE(result.restored);
    EXPECT_EQ(importUi.statuses,
              Statuses({DatabaseImport::kStatusBackup, DatabaseImport::kStatusPreparing, DatabaseImport::kStatusWriting,
                        DatabaseImport::kStatusRollback, DatabaseImport::kFailed}));
    // The reload cannot open the file with these credentials either.
    EXPECT_EQ(importUi.errors, (std::vector<std::u16string>{std::u16string(DatabaseImport::kRollbackLoadFailed),
                                                            std::u16string(DatabaseImport::kFailed)}));
    EXPECT_TRUE(importUi.information.empty());
    EXPECT_EQ(ReadBytes(Path()), before);
    EXPECT_EQ(Snapshot(data), beforeSnapshot);
    EXPECT_TRUE(BackupFiles(m_dir.Path()).empty());
}

TEST_F(DatabaseImportRun, ReadBackComparison) {
    const PasswordData copy = DatabaseImport::CopyFolders(source);
    EXPECT_TRUE(DatabaseImport::SameContent(copy, source));
    // Own folders, shared entries.
    EXPECT_NE(copy.Folders()[0], source.Folders()[0]);
    EXPECT_EQ(copy.Folders()[0]->Entries()[0], source.Folders()[0]->Entries()[0]);

    PasswordData renamed = DatabaseImport::CopyFolders(source);
    renamed.Folders()[2]->Rename(u"Konto");
    EXPECT_FALSE(DatabaseImport::SameContent(renamed, source));
    PasswordData moved = DatabaseImport::CopyFolders(source);
    moved.Folders()[3]->SetParentId(moved.Folders()[1]->GetId());
    EXPECT_FALSE(DatabaseImport::SameContent(moved, source));
    PasswordData changed = DatabaseImport::CopyFolders(source);
    auto edited = std::make_shared<PasswordADT::PasswordItem>(*changed.Folders()[4]->Entries()[1]);
    edited->GetUserDefinedFields().Add(u"Noch eins", u"x");
    changed.Folders()[4]->Entries()[1] = edited;
    EXPECT_FALSE(DatabaseImport::SameContent(changed, source));
    PasswordData shorter = DatabaseImport::CopyFolders(source);
    shorter.Folders()[4]->Entries().pop_back();
    EXPECT_FALSE(DatabaseImport::SameContent(shorter, source));
    PasswordData fewer = DatabaseImport::CopyFolders(source);
    fewer.Folders().pop_back();
    EXPECT_FALSE(DatabaseImport::SameContent(fewer, source));
}

TEST_F(DatabaseImportRun, MissingDatabaseFailsBeforeAnythingBegins) {
    std::filesystem::remove(Path());
    const ImportResult result = Import(Selection{{4}, {}}, DuplicateTreatment::Ask);
    EXPECT_EQ(result.outcome, ImportOutcome::Failed);
    EXPECT_FALSE(result.rolledBack);
    EXPECT_EQ(importUi.statuses, Statuses({DatabaseImport::kStatusBackup, DatabaseImport::kFailed}));
    EXPECT_EQ(importUi.errors, std::vector<std::u16string>{std::u16string(DatabaseImport::kFailed)});
    EXPECT_EQ(Snapshot(data), beforeSnapshot);
    EXPECT_FALSE(std::filesystem::exists(Path()));
}

TEST_F(DatabaseImportRun, FailedWriteRollsBackKeepsTheBackupAndNeverClaimsSuccess) {
    // How many changes on disk the backup makes; the next one is the write's first.
    long backupChanges = 0;
    {
        FaultyFileSystem counting(1000000);
        WindowsServiceProvider::FileBackupEx probe;
        probe.Backup(Path());
        backupChanges = counting.Changes();
        probe.DeleteBackup();
    }
    ASSERT_GT(backupChanges, 0);
    importUi.answers = {0, 1};
    ImportResult result;
    {
        FaultyFileSystem disk(backupChanges + 1);
        result = Import(Selection{{4}, {{1, 0}}}, DuplicateTreatment::Ask);
    }
    EXPECT_EQ(result.outcome, ImportOutcome::Failed);
    EXPECT_TRUE(result.rolledBack);
    EXPECT_EQ(importUi.statuses,
              Statuses({DatabaseImport::kStatusBackup, DatabaseImport::kStatusPreparing, DatabaseImport::kStatusWriting,
                        DatabaseImport::kStatusRollback, DatabaseImport::kFailed}));
    EXPECT_TRUE(importUi.information.empty());
    EXPECT_TRUE(importUi.headings.empty()) << "no offer to delete the backup after a failed write";
    // The disk refused the restore as well: the backup stays, with the database as it was,
    // and the message says where it is.
    ASSERT_FALSE(result.keptBackup.empty());
    const std::u16string notice = u"Die Sicherung der Passwortdatenbank wurde aufbewahrt: \"" + Text16(result.keptBackup) + u"\"";
    EXPECT_EQ(importUi.errors,
              std::vector<std::u16string>{u"Es ist ein Fehler beim Importieren der Daten aufgetreten.\n" + notice});
    EXPECT_EQ(result.backupNotice, notice);
    EXPECT_EQ(BackupFiles(m_dir.Path()), std::vector<std::filesystem::path>{result.keptBackup});
    EXPECT_EQ(ReadBytes(result.keptBackup), before);
    EXPECT_EQ(ReadBytes(Path()), before);
    EXPECT_EQ(Snapshot(data), beforeSnapshot);
}

TEST_F(DatabaseImportRun, AFailedImportThatLeavesItsBackupSaysWhereItIs) {
    long backupChanges = 0;
    {
        FaultyFileSystem counting(1000000);
        WindowsServiceProvider::FileBackupEx probe;
        probe.Backup(Path());
        backupChanges = counting.Changes();
        probe.DeleteBackup();
    }
    ImportResult result;
    {
        FaultyFileSystem disk(backupChanges + 1);
        result = Import(Selection{{4}, {{1, 0}}}, DuplicateTreatment::Replace);
    }
    ASSERT_EQ(result.outcome, ImportOutcome::Failed);
    const auto left = BackupFiles(m_dir.Path());
    ASSERT_EQ(left.size(), 1u);
    EXPECT_TRUE(NamesFile(importUi, left[0]));
    EXPECT_TRUE(ShowedFailure(importUi));
}

// Fails the n-th change on disk (and every later one) for n = 1, 2, ... until the import goes
// through. A failed import never claims success, the collection always follows the file,
// and whenever the file is not the old one any more the backup is kept with the old bytes.
TEST_F(DatabaseImportRun, FailingDiskAtEveryStepRollsBackAndKeepsTheBackup) {
    const Selection selection{{4}, {{1, 0}, {1, 3}, {2, 1}}};
    PasswordData expected = DatabaseImport::CopyFolders(data);
    {
        FakeImportUI quiet;
        ASSERT_TRUE(DatabaseImportMerge(quiet, DuplicateTreatment::Replace).ImportPasswords(source, selection, expected));
    }
    const auto merged = Snapshot(expected);
    const PasswordData original = DatabaseImport::CopyFolders(data);
    bool failedWriteKeptBackup = false;
    long n = 1;
    for (; n < 500; ++n) {
        for (const auto& entry : std::filesystem::directory_iterator(m_dir.Path())) {
            if (entry.path() != Path()) {
                std::filesystem::remove(entry.path());
            }
        }
        WriteBytes(Path(), before);
        PasswordData current = DatabaseImport::CopyFolders(original);
        FakeImportUI ui;
        ui.answers = {0};
        ImportResult result;
        bool failed = false;
        {
            FaultyFileSystem faults(n);
            DatabaseImport import(ui, Path(), alice, current);
            result = import.Run(source, selection, DuplicateTreatment::Replace);
            failed = faults.Failed();
        }
        bool ok = false;
        const PasswordData onDisk = ReadOnly(Path(), alice, &ok);
        ASSERT_TRUE(ok) << "change " << n << " left a database that does not open";
        const auto disk = Snapshot(onDisk);
        ASSERT_TRUE(disk == beforeSnapshot || disk == merged) << "change " << n;
        ASSERT_EQ(Snapshot(current), disk) << "change " << n;
        if (result.outcome == ImportOutcome::Imported) {
            ASSERT_EQ(disk, merged);
            ASSERT_TRUE(ui.HasStatus(DatabaseImport::kStatusCompleted));
            ASSERT_TRUE(ui.errors.empty());
        } else {
            ASSERT_EQ(result.outcome, ImportOutcome::Failed) << "change " << n;
            ASSERT_FALSE(ui.HasStatus(DatabaseImport::kStatusCompleted)) << "change " << n;
            ASSERT_TRUE(ui.information.empty()) << "change " << n;
            ASSERT_TRUE(ShowedFailure(ui)) << "change " << n;
            // A backup left behind is named to the user.
            for (const auto& left : BackupFiles(m_dir.Path())) {
                ASSERT_TRUE(NamesFile(ui, left)) << "change " << n;
                ASSERT_EQ(left, result.keptBackup) << "change " << n;
            }
            ASSERT_FALSE(ui.HasError(DatabaseImport::kRollbackLoadFailed)) << "change " << n;
            if (disk != beforeSnapshot) {
                ASSERT_FALSE(result.keptBackup.empty()) << "change " << n;
            }
            if (!result.keptBackup.empty()) {
                ASSERT_EQ(ReadBytes(result.keptBackup), before) << "change " << n;
            }
            if (result.rolledBack) {
                ASSERT_TRUE(ui.HasStatus(DatabaseImport::kStatusRollback));
                failedWriteKeptBackup = failedWriteKeptBackup || (ui.HasStatus(DatabaseImport::kStatusWriting) &&
                                                                  !result.keptBackup.empty());
            } else {
                ASSERT_TRUE(BackupFiles(m_dir.Path()).empty()) << "change " << n;
            }
        }
        if (!failed) {
            break;
        }
    }
    EXPECT_GT(n, 3);
    EXPECT_LT(n, 500);
    EXPECT_TRUE(failedWriteKeptBackup);
}

class ImportSourcePage : public DatabaseFixture {
protected:
    void SetUp() override {
        vault = RichVault();
        ASSERT_TRUE(CreateDatabase(Path(), CDatabase::kBlowfish, vault, bob));
        bytes = ReadBytes(Path());
    }
    SourceResult Open(std::u16string_view path, const LoginCredentials& credentials) {
        pageUi.errors.clear();
        return DatabaseImportSource::Open(pageUi, path, credentials, opened);
    }

    PasswordData vault;
    PasswordData opened;
    std::vector<std::uint8_t> bytes;
    FakeImportUI pageUi;
    LoginCredentials bob = Login(u"bob", u"Quelle");
};

TEST_F(ImportSourcePage, ChecksAndCredentials) {
    const std::u16string path = Text16(Path());
    EXPECT_EQ(Open(u"", bob), SourceResult::InputMissing);
    EXPECT_EQ(pageUi.errors, std::vector<std::u16string>{u"Wählen Sie eine Datenbank aus."});
    EXPECT_EQ(Open(path, Login(u"", u"")), SourceResult::InputMissing);
    EXPECT_EQ(pageUi.errors, std::vector<std::u16string>{u"Geben Sie den Benutzernamen ein."});
    EXPECT_EQ(Open(path, Login(u"bob", u"")), SourceResult::InputMissing);
    EXPECT_EQ(pageUi.errors, std::vector<std::u16string>{u"Geben Sie das Passwort ein."});

    for (const auto& wrong : {Login(u"bob", u"quelle"), Login(u"bobby", u"Quelle"), Login(u"bob ", u"Quelle")}) {
        EXPECT_EQ(Open(path, wrong), SourceResult::AuthenticationFailed);
        EXPECT_EQ(pageUi.errors, std::vector<std::u16string>{u"Die Benutzerauthentifikation ist fehlgeschlagen."});
    }
    EXPECT_TRUE(opened.Folders().empty());

    // The name as typed, or its lower-case form, as the log-in accepts it.
    EXPECT_EQ(Open(path, Login(u"BOB", u"Quelle")), SourceResult::Opened);
    EXPECT_EQ(Snapshot(opened), Snapshot(vault));
    EXPECT_TRUE(pageUi.errors.empty());
    EXPECT_EQ(pageUi.progressUnits, 20);
    EXPECT_EQ(pageUi.progressSteps, 20);
    EXPECT_EQ(pageUi.progressEnds, pageUi.progressStarts);
    // Opening it wrote nothing, not even the log-in times.
    EXPECT_EQ(ReadBytes(Path()), bytes);

    // A database made with a case-sensitive name accepts only that spelling.
    ASSERT_TRUE(CreateDatabase(Path("Exakt.twdb"), CDatabase::kAes, vault, Login(u"Bob", u"Quelle")));
    EXPECT_EQ(Open(Text16(Path("Exakt.twdb")), Login(u"bob", u"Quelle")), SourceResult::AuthenticationFailed);
    EXPECT_EQ(Open(Text16(Path("Exakt.twdb")), Login(u"Bob", u"Quelle")), SourceResult::Opened);
}

TEST_F(ImportSourcePage, FilesThatCannotBeRead) {
    const std::u16string missing = Text16(Path("fehlt.twdb"));
    EXPECT_EQ(Open(missing, bob), SourceResult::Unreadable);
    EXPECT_EQ(pageUi.errors, std::vector<std::u16string>{u"Die Datenbank \"" + missing + u"\" ist nicht vorhanden."});

    const std::u16string garbage = Text16(Path("Text.twdb"));
    WriteBytes(Path("Text.twdb"), std::vector<std::uint8_t>(500, 'x'));
    EXPECT_EQ(Open(garbage, bob), SourceResult::Unreadable);
    EXPECT_EQ(pageUi.errors,
              std::vector<std::u16string>{u"\"" + garbage + u"\" ist keine gültige Tarnwick Datenbank."});

    for (const auto& [major, minor] : {std::pair<int, int>{1, 18}, {1, 16}, {2, 17}}) {
        auto patched = bytes;
        EmberkiteDatabase::Format::Put<std::int16_t>(patched.data() + 12, static_cast<std::int16_t>(major));
        EmberkiteDatabase::Format::Put<std::int16_t>(patched.data() + 14, static_cast<std::int16_t>(minor));
        WriteBytes(Path("Version.twdb"), patched);
        EXPECT_EQ(Open(Text16(Path("Version.twdb")), bob), SourceResult::Unreadable);
        EXPECT_EQ(pageUi.errors,
                  std::vector<std::u16string>{u"Diese Datenbankversion wird von dieser Tarnwick Version nicht unterstützt."});
        EXPECT_EQ(ReadBytes(Path("Version.twdb")), patched);
    }

    // Records cut off in the middle.
    auto cut = bytes;
    cut.resize(cut.size() - 100);
    WriteBytes(Path("Kurz.twdb"), cut);
    EXPECT_EQ(Open(Text16(Path("Kurz.twdb")), bob), SourceResult::Unreadable);
    EXPECT_EQ(pageUi.errors, std::vector<std::u16string>{u"Die Daten konnten nicht auslesen werden."});
    EXPECT_EQ(pageUi.progressEnds, pageUi.progressStarts);

    const int fd = ::open(Path().c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(Open(Text16(Path()), bob), SourceResult::Unreadable);
    EXPECT_EQ(pageUi.errors, std::vector<std::u16string>{u"Sie verfügen nicht über ausreichende Berechtigungen, um auf "
                                                         u"den Datenbankpfad \"" +
                                                         Text16(Path()) + u"\" zuzugreifen."});
    ::close(fd);
    EXPECT_TRUE(opened.Folders().empty());
    EXPECT_EQ(Open(Text16(Path()), bob), SourceResult::Opened);
}
