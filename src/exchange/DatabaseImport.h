#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "database/CDatabase.h"
#include "database/DatabaseUserInterface.h"
#include "exchange/DatabaseImportMerge.h"
#include "exchange/ExportSelection.h"
#include "model/PasswordData.h"

namespace WindowsServiceProvider {
class FileBackup;
}

namespace Tarnwick::ExportImport {

// What the import's last page shows: its status line, its progress bar (the progress calls),
// the duplicate and backup questions (command boxes), errors and the closing information.
// The run may be on a worker thread: the page posts these to its window.
class IDatabaseImportUserInterface : public IDatabaseUserInterface {
public:
    virtual void SetStatus(std::u16string_view text) = 0;
    virtual void ShowInformation(std::u16string_view text) = 0;
};

enum class ImportOutcome {
    Imported,  // written, verified, summary shown
    Cancelled, // the user cancelled a duplicate question; rolled back
    Failed,    // an error; rolled back when anything had begun
};

struct ImportResult {
    ImportOutcome outcome = ImportOutcome::Failed;
    ImportCounts counts;
    bool rolledBack = false;
    // The backup was copied back over the database (which removes it).
    bool restored = false;
    // A backup left on disk: kept at the user's choice, or because it could not be put back
    // or removed (then it may be the last sure copy of the database as it was).
    std::filesystem::path keptBackup;
    // When a backup stays although the user did not ask to keep it: the sentence naming it,
    // which the error message also carried.
    std::u16string backupNotice;
};

// Merges chosen folders and entries of another database into the open one, protected by a
// checked backup: back up, prepare in memory, write, read back and compare; any failure or
// a cancel restores the backup and reloads. The open collection changes only to what the
// file holds afterwards.
class DatabaseImport {
public:
    static constexpr std::u16string_view kStatusReady = u"Bereit";
    static constexpr std::u16string_view kStatusInitialising = u"Initialisierung...";
    static constexpr std::u16string_view kStatusBackup = u"Erstelle Sicherung...";
    static constexpr std::u16string_view kStatusPreparing = u"Bereite Daten vor...";
    static constexpr std::u16string_view kStatusWriting = u"Aktualisiere Datenbank...";
    static constexpr std::u16string_view kStatusVerifying = u"Verifiziere Datenbank...";
    static constexpr std::u16string_view kStatusRollback = u"Führe Rollback durch...";
    static constexpr std::u16string_view kStatusDeletingBackup = u"Lösche Sicherung...";
    static constexpr std::u16string_view kStatusCompleted = u"Import erfolgreich abgeschlossen.";
    static constexpr std::u16string_view kImportedEntries = u"Es wurden %u Passwortinformation(en) erfolgreich importiert.";
    static constexpr std::u16string_view kImportedFolders = u"Neue(r) Ordner wurde(n) erfolgreich importiert.";
    static constexpr std::u16string_view kImportedNothing = u"Es wurden keine Passwortinformationen importiert.";
    static constexpr std::u16string_view kFailed = u"Es ist ein Fehler beim Importieren der Daten aufgetreten.";
    static constexpr std::u16string_view kRollbackLoadFailed = u"Fehler beim Laden des Datenbank-Rollbacks";
    static constexpr std::u16string_view kDeleteBackupQuestion =
        u"Möchten Sie die Sicherung Ihrer Passwortdatenbank löschen?";
    // %s: the path of the backup.
    static constexpr std::u16string_view kBackupNotDeleted =
        u"Die Sicherung der Passwortdatenbank \"%s\" konnte nicht gelöscht werden.";
    // %s: the path of the backup, which a failed import leaves behind.
    static constexpr std::u16string_view kBackupKept =
        u"Die Sicherung der Passwortdatenbank wurde aufbewahrt: \"%s\"";

    // The open database: its file, its credentials and its folder collection.
    DatabaseImport(IDatabaseImportUserInterface& ui, std::filesystem::path database, const LoginCredentials& credentials,
                   PasswordADT::PasswordData& data);

    // The finish of the last page.
    ImportResult Run(const PasswordADT::PasswordData& source, const Selection& selection, DuplicateTreatment treatment);

    // Same folders (ids, parents, names, order) and the same entries byte for byte.
    static bool SameContent(const PasswordADT::PasswordData& a, const PasswordADT::PasswordData& b);
    // A collection with folders of its own that share the entries of the given one.
    static PasswordADT::PasswordData CopyFolders(const PasswordADT::PasswordData& data);

private:
    void Write(const PasswordADT::PasswordData& working);
    void Verify(const PasswordADT::PasswordData& working);
    void Rollback(WindowsServiceProvider::FileBackup& backup, ImportResult& result);
    void DeleteBackup(WindowsServiceProvider::FileBackup& backup, ImportResult& result);
    void ReportFailure(ImportResult& result);
    // Fills the notice when a backup stays behind.
    static void NoteKeptBackup(ImportResult& result);

    IDatabaseImportUserInterface& m_ui;
    std::filesystem::path m_path;
    const LoginCredentials& m_credentials;
    PasswordADT::PasswordData& m_data;
};

} // namespace Tarnwick::ExportImport
