#include "database/CDatabase.h"

#include <cerrno>

#include "base/text/Format.h"
#include "base/text/Utf.h"
#include "base/exceptions/DBException.h"
#include "database/FileBackup.h"
#include "database/FileFormat.h"
#include "log/LogProvider.h"
#include "base/exceptions/Exception.h"
#include "database/HeaderVerifier.h"
#include "database/Leftovers.h"
#include "model/FolderTree.h"
#include "platform/Files.h"
#include "platform/FileSystem.h"

namespace Tarnwick {

using EmberkiteDatabase::Credentials;
using EmberkiteDatabase::DBError;
using EmberkiteDatabase::DBException;
using EmberkiteDatabase::EmberkiteEngine;
using PasswordADT::PasswordData;
using StringServiceProvider::PlainString;
using Utilities::Exceptions::Exception;
using Utilities::Exceptions::WindowsException;

namespace {

constexpr std::u16string_view kLoginFailed = u"Fehler bei der Datenbankanmeldung.";
constexpr std::u16string_view kCreateFailed = u"Fehler beim Erstellen der Datenbank.";
constexpr std::u16string_view kLoadFailed = u"Fehler beim Laden der Passwortinformationen aus der Datenbank.";
// Writing is not loading: a full disk or a read-only folder must not read as a broken file.
constexpr std::u16string_view kSaveFailed = u"Fehler beim Speichern der Passwortinformationen in der Datenbank.";
constexpr std::u16string_view kReorganiseFailed = u"Es ist ein Fehler beim Reorganisieren der Datenbank aufgetreten.";
constexpr std::u16string_view kOtherNames =
    u"Die Datenbank \"%s\" ist unter weiteren Namen (harte Verknüpfungen) gespeichert. Änderungen werden nur unter "
    u"diesem Namen gespeichert; die anderen Namen behalten den bisherigen Inhalt.";
constexpr std::u16string_view kOldContentKept =
    u"Der alte Inhalt der Datenbank wurde nicht überschrieben, da er unter einem weiteren Namen (harte Verknüpfung) "
    u"gespeichert ist.";
constexpr std::u16string_view kFolderLoop =
    u"Die Ordner der Datenbank verweisen im Kreis aufeinander. %d Ordner wurden deshalb auf die oberste Ebene "
    u"verschoben.";

constexpr std::u16string_view kUnfiledOne =
    u"Ein Eintrag gehört zu keinem vorhandenen Ordner und wird im Ordner \"%s\" angezeigt.";
constexpr std::u16string_view kUnfiledMany =
    u"%d Einträge gehören zu keinem vorhandenen Ordner und werden im Ordner \"%s\" angezeigt.";

std::u16string PathText(const std::filesystem::path& path) { return Text::FromUtf8(path.string()); }

// "07.12.2026 11:20" in local time.
std::u16string LocalTime(std::int64_t seconds) {
    Platform::CalendarTime time;
    if (!Platform::ToCalendarTime(seconds, true, time).Ok()) {
        return u"?";
    }
    return Text::Format(u"%02d.%02d.%04d %02d:%02d", time.day, time.month, time.year, time.hour, time.minute).ToStdString();
}

// The plain copy of the password lives for one request and is wiped when it ends.
struct RequestCredentials {
    explicit RequestCredentials(const LoginCredentials& login) : password(login.password.Reveal()) {
        credentials.userName = login.userName.View();
        credentials.password = password.View();
    }
    PlainString password;
    Credentials credentials;
};

} // namespace

std::u16string FileAccessFailureText(std::int32_t code, const std::filesystem::path& path) {
    switch (code) {
    case DBError::NotADatabase:
        return Text::Format(u"\"%s\" ist keine gültige Tarnwick Datenbank.", PathText(path)).ToStdString();
    case DBError::VersionUnsupported:
        return u"Diese Datenbankversion wird von dieser Tarnwick Version nicht unterstützt.";
    case DBError::FileMissing:
        return Text::Format(u"Die Datenbank \"%s\" ist nicht vorhanden.", PathText(path)).ToStdString();
    case DBError::AccessDenied:
        return Text::Format(u"Sie verfügen nicht über ausreichende Berechtigungen, um auf den "
                            u"Datenbankpfad \"%s\" zuzugreifen.",
                            PathText(path))
            .ToStdString();
    default:
        return {};
    }
}

CDatabase::CDatabase(IDatabaseUserInterface& ui, std::filesystem::path path) : m_ui(ui), m_path(std::move(path)) {}

CDatabase::~CDatabase() = default;

const std::filesystem::path& CDatabase::GetFilePath() {
    if (m_file.empty() && Platform::ResolvePath(m_path, m_file) != 0) {
        m_file.clear();
        return m_path;
    }
    return m_file;
}

void CDatabase::CheckVersion(EmberkiteEngine& engine) {
    if (m_upgraded) {
        return;
    }
    const EmberkiteDatabase::FileHeader header = engine.ReadFileHeader();
    if (header.majorVersion >= 2 || header.minorVersion >= 18) {
        throw DBException(DBError::VersionUnsupported);
    }
    if (header.majorVersion < 1 || header.minorVersion < 17) {
        if (m_upgradeNeeded) {
            return; // already accepted during this run
        }
        const int choice = m_ui.AskCommand(
            u"Upgrade der Passwortdatenbank durchführen?", u"",
            {{u"Ja, Upgrade durchführen.", u"Aktualisiert die Passwortdatenbank. Diese kann anschließen nur noch mit "
                                           u"der Aktuellen oder einer neueren Version von Tarnwick geöffnet werden."},
             {u"Nein, Upgrade nicht durchführen.",
              u"Die Passwortdatenbank wird aktualisiert und nicht von Tarnwick geöffnet."}});
        if (choice != 0) {
            throw DBException(DBError::UpgradeDeclined);
        }
        m_oldMinorVersion = header.minorVersion;
        m_upgradeNeeded = true;
    }
}

void CDatabase::Connect(EmberkiteEngine& engine, bool create) {
    m_connectFailed = false;
    try {
        if (!create) {
            std::uint64_t device = 0, inode = 0;
            const int error = Platform::FileSystem().Identity(GetFilePath(), device, inode);
            if (error == ENOENT || error == ENOTDIR) {
                throw DBException(DBError::FileMissing);
            }
            try {
                engine.Connect(GetFilePath(), false);
            } catch (const DBException& e) {
                // A file that exists but cannot be opened for exclusive writing.
                if (e.GetErrorCode() == DBError::OpenFailed) {
                    throw DBException(DBError::AccessDenied);
                }
                throw;
            }
            CheckVersion(engine);
        } else {
            engine.Connect(GetFilePath(), true);
        }
    } catch (...) {
        m_connectFailed = true;
        throw;
    }
}

void CDatabase::Report(std::u16string_view genericMessage) {
    try {
        throw;
    } catch (const DBException& e) {
        if (const std::u16string text = FileAccessFailureText(e.GetErrorCode(), m_path); !text.empty()) {
            m_ui.ShowError(text);
            return;
        }
        // The user's own refusal is no failure worth a log line.
        if (e.GetErrorCode() != DBError::UpgradeDeclined) {
            LogProvider::LogCurrentException();
        }
    } catch (...) {
        LogProvider::LogCurrentException();
    }
    m_ui.ShowError(genericMessage);
}

RequestResult CDatabase::Run(const LoginCredentials& credentials, bool create, bool progress,
                             std::u16string_view genericMessage, const Operation& operation) {
    bool started = false;
    EmberkiteDatabase::ProgressCallback callback;
    if (progress) {
        callback = [this, &started](std::int32_t state, std::int32_t value) {
            if (state == 0) {
                m_ui.ProgressStart(value);
                started = true;
            } else if (state == 1) {
                m_ui.ProgressStep();
            } else {
                m_ui.ProgressEnd();
            }
        };
    }
    RequestResult result = RequestResult::Failed;
    try {
        EmberkiteEngine engine(callback);
        Connect(engine, create);
        const RequestCredentials plain(credentials);
        engine.SetCredentials(plain.credentials);
        const bool answer = operation(engine, plain.credentials);
        if (answer) {
            engine.Close();
            result = RequestResult::Succeeded;
            if (engine.OldContentKept()) {
                m_ui.ShowWarning(kOldContentKept);
            }
        } else {
            engine.Abandon();
            result = RequestResult::AuthenticationFailed;
        }
    } catch (...) {
        Report(genericMessage);
        result = RequestResult::Failed;
    }
    if (started) {
        m_ui.ProgressEnd();
    }
    return result;
}

RequestResult CDatabase::AuthenticatedRequest(const LoginCredentials& credentials, std::u16string_view authMessage,
                                              std::u16string_view genericMessage, const Operation& operation) {
    const RequestResult result = Run(credentials, false, true, genericMessage, operation);
    if (result == RequestResult::AuthenticationFailed) {
        m_ui.ShowError(authMessage);
    }
    return result;
}

RequestResult CDatabase::Login(const LoginCredentials& credentials) {
    const RequestResult result = Run(credentials, false, false, kLoginFailed,
                                     [](EmberkiteEngine& engine, const Credentials& c) { return engine.Authenticate(c); });
    if (result != RequestResult::Succeeded) {
        return result;
    }
    if (!TidyAfterLogin(credentials)) {
        return RequestResult::AuthenticationFailed;
    }
    if (!m_upgradeNeeded) {
        return result;
    }
    if (m_oldMinorVersion != 16 || !UpgradeFromSixteen(credentials)) {
        m_ui.ShowError(m_oldMinorVersion == 16 ? u"Es ist ein Fehler beim Upgrade der Passwortdatenbank aufgetreten."
                                               : u"Unbekannter Upgrade-Pfad für Passwortdatenbank.");
        m_error = true;
        return RequestResult::Failed;
    }
    return result;
}

// A 1.16 file numbers its folders differently: they are renumbered by position and written
// back, under a checked backup, and the file is stamped 1.17.
bool CDatabase::UpgradeFromSixteen(const LoginCredentials& credentials) {
    WindowsServiceProvider::FileBackupEx backup;
    bool backedUp = false;
    try {
        const RequestCredentials plain(credentials);
        if (plain.credentials.password.empty()) {
            throw Exception(u"empty key", u"CDatabase::LoadCategories");
        }
        PasswordData folders;
        {
            EmberkiteEngine engine;
            engine.Connect(GetFilePath(), false);
            engine.SetCredentials(plain.credentials);
            engine.LoadCategories(folders);
            engine.Close();
        }
        // A 1.16 record names its folder by position: numbered by position, the folders match
        // their records again; the parents follow their folders' new numbers.
        folders.AssignValidIDsToCategories(true);
        backup.Backup(GetFilePath());
        backedUp = true;
        {
            EmberkiteEngine engine;
            engine.Connect(GetFilePath(), false);
            engine.SetCredentials(plain.credentials);
            // One rewrite: the folders and the version stamp take effect together or not at all.
            engine.SetModifiedStamp(false);
            engine.UpdateCategories(folders);
            engine.Upgrade(false);
            engine.Close();
        }
        m_upgraded = true;
        m_upgradeNeeded = false;
        // The backup holds the old file: it is erased like a database.
        backup.ReleaseHold();
        try {
            EmberkiteEngine eraser;
            eraser.Connect(backup.GetBackupPath(), false);
            if (!eraser.Delete(plain.credentials, 35)) {
                backup.DeleteBackup();
            }
        } catch (const Exception& e) {
            LogProvider::GenericExceptionLog::LogEvent(e);
            backup.DeleteBackup();
        }
        return true;
    } catch (...) {
        LogProvider::LogCurrentException();
    }
    if (backedUp) {
        try {
            backup.Restore();
        } catch (const Exception& e) {
            LogProvider::GenericExceptionLog::LogEvent(e);
        }
    }
    return false;
}

bool CDatabase::TidyAfterLogin(const LoginCredentials& credentials) {
    const std::filesystem::path& file = GetFilePath();
    Platform::FileStatus status;
    if (!m_otherNamesTold && Platform::FileSystem().Status(file, status) == 0 && status.links > 1) {
        m_otherNamesTold = true;
        m_ui.ShowWarning(Text::Format(kOtherNames, PathText(m_path)).View());
    }
    // A working copy left by an interrupted rewrite opens with the credentials of its time.
    for (const auto& copy : EmberkiteDatabase::FindStaleWorkingCopies(file)) {
        const bool erased = EmberkiteDatabase::EraseLeftover(copy.path);
        LogProvider::GenericLog::LogEvent(
            0, (erased ? u"abandoned working copy erased: " : u"abandoned working copy not erased: ") + PathText(copy.path));
    }
    for (const auto& backup : EmberkiteDatabase::FindStaleBackups(file)) {
        if (OfferBackup(backup.path, backup.seconds)) {
            // The restored file may hold other credentials than the ones just used.
            const RequestResult again = Run(credentials, false, false, kLoginFailed, [](EmberkiteEngine& engine, const Credentials& c) {
                return engine.Authenticate(c);
            });
            if (again != RequestResult::Succeeded) {
                m_ui.ShowError(u"Die Datenbank wurde aus der Sicherungskopie wiederhergestellt. Melden Sie sich mit den "
                               u"Anmeldedaten an, die zum Zeitpunkt der Sicherung galten.");
                return false;
            }
            break;
        }
    }
    return true;
}

bool CDatabase::OfferBackup(const std::filesystem::path& backup, std::int64_t seconds) {
    const int choice = m_ui.AskCommand(
        u"Sicherungskopie der Datenbank gefunden",
        Text::Format(u"Neben der Datenbank liegt die Sicherungskopie \"%s\" vom %s. Ein Import oder Upgrade wurde nicht "
                     u"abgeschlossen; die Kopie lässt sich mit den damaligen Anmeldedaten öffnen. Wie möchten Sie vorgehen?",
                     PathText(backup), LocalTime(seconds))
            .View(),
        {{u"Sicherung wiederherstellen",
          u"Ersetzt die Datenbank durch die Sicherungskopie. Änderungen seit der Sicherung gehen verloren."},
         {u"Sicherung löschen", u"Überschreibt die Sicherungskopie und löscht sie. Die Datenbank bleibt unverändert."},
         {u"Später entscheiden",
          u"Die Sicherungskopie bleibt erhalten. Sie werden beim nächsten Öffnen erneut gefragt."}});
    if (choice == 1) {
        if (!EmberkiteDatabase::EraseLeftover(backup)) {
            m_ui.ShowError(Text::Format(u"Die Sicherungskopie \"%s\" konnte nicht gelöscht werden.", PathText(backup)).View());
        }
        return false;
    }
    if (choice != 0) {
        return false;
    }
    try {
        RestoreBackup(backup);
        return true;
    } catch (...) {
        Report(Text::Format(u"Die Sicherungskopie \"%s\" konnte nicht wiederhergestellt werden.", PathText(backup)).View());
        return false;
    }
}

void CDatabase::RestoreBackup(const std::filesystem::path& backup) {
    std::unique_ptr<Platform::IFile> source;
    if (const int error = Platform::FileSystem().Open(backup, Platform::OpenMode::ReadOnly, source); error != 0) {
        throw WindowsException(u"", error, u"open", u"CDatabase::RestoreBackup");
    }
    std::uint8_t bytes[EmberkiteDatabase::Format::kFileHeaderSize] = {};
    std::size_t got = 0;
    if (source->ReadAt(0, bytes, sizeof bytes, got) != 0 || got != sizeof bytes ||
        !EmberkiteDatabase::HeaderVerifier::HasDatabaseSignatures(EmberkiteDatabase::FileHeader::Decode(bytes))) {
        throw Exception(u"not a database", u"CDatabase::RestoreBackup");
    }
    // The database is taken whole, whatever state it is in, and replaced in one step.
    EmberkiteEngine engine;
    engine.Connect(GetFilePath(), true);
    engine.ReplaceContent(*source);
    engine.Close();
    source.reset();
    Platform::FileSystem().Remove(backup);
    LogProvider::GenericLog::LogEvent(0, u"database restored from " + PathText(backup));
}

bool CDatabase::MayReplaceExisting() {
    std::uint64_t device = 0, inode = 0;
    if (Platform::FileSystem().Identity(m_path, device, inode) != 0) {
        return true;
    }
    const int choice = m_ui.AskCommand(
        u"Es existiert bereits eine Datenbank mit diesem Namen",
        Text::Format(u"Die Datenbank \"%s\" ist bereits vorhanden. Wie möchten Sie vorgehen?", PathText(m_path)).View(),
        {{u"Datenbank ersetzen", u"Erstellt eine neue Datenbank und ersetzt damit die vorhandene Datenbank."},
         {u"Datenbank nicht ersetzen", u"Erstellt keine neue Datenbank. Die alte Datenbank wird nicht ersetzt."}});
    return choice == 0;
}

bool CDatabase::Create(const LoginCredentials& credentials, std::int32_t algorithm, std::u16string_view initialFolder) {
    if (!MayReplaceExisting()) {
        return false;
    }
    return Run(credentials, true, false, kCreateFailed, [&](EmberkiteEngine& engine, const Credentials& c) {
               engine.Create(c, algorithm, initialFolder);
               return true;
           }) == RequestResult::Succeeded;
}

bool CDatabase::CreateWithContent(const LoginCredentials& credentials, std::int32_t algorithm, const PasswordData& data) {
    if (!MayReplaceExisting()) {
        return false;
    }
    return Run(credentials, true, true, kCreateFailed, [&](EmberkiteEngine& engine, const Credentials& c) {
               engine.Create(c, algorithm, {});
               engine.SetModifiedStamp(false);
               engine.UpdateCategories(data);
               if (data.HasEntries()) {
                   engine.UpdatePasswordItems(data);
               }
               return true;
           }) == RequestResult::Succeeded;
}

bool CDatabase::LoadFolders(const LoginCredentials& credentials, PasswordData& data) {
    if (m_upgradeNeeded && !m_upgraded) {
        return Load(credentials, data);
    }
    PasswordData loaded;
    const bool ok = Run(credentials, false, false, kLoadFailed, [&](EmberkiteEngine& engine, const Credentials&) {
                        engine.LoadCategories(loaded);
                        return true;
                    }) == RequestResult::Succeeded;
    if (ok) {
        PasswordADT::BreakParentLoops(loaded);
        data = std::move(loaded);
    }
    return ok;
}

bool CDatabase::Load(const LoginCredentials& credentials, PasswordData& data,
                     const EmberkiteDatabase::RecordFilter& filter) {
    if (m_upgradeNeeded && !m_upgraded) {
        try {
            throw Exception(u"possible upgrade failure", u"CDatabase::Load");
        } catch (...) {
            Report(kLoadFailed);
        }
        return false;
    }
    PasswordData loaded;
    std::size_t unfiled = 0;
    const bool ok = Run(credentials, false, true, kLoadFailed, [&](EmberkiteEngine& engine, const Credentials&) {
                        engine.Load(loaded, filter);
                        unfiled = engine.UnfiledEntryCount();
                        return true;
                    }) == RequestResult::Succeeded;
    if (ok) {
        // The engine shows them in the first folder, and the next save keeps them there.
        if (unfiled > 0 && loaded.FolderCount() > 0) {
            TellUnfiled(unfiled, loaded.Folders().front()->GetName().View());
        }
        // A loop of parents would hide its folders and their entries from every view.
        if (const std::size_t moved = PasswordADT::BreakParentLoops(loaded); moved > 0) {
            m_ui.ShowWarning(Text::Format(kFolderLoop, static_cast<std::int64_t>(moved)).View());
        }
        data = std::move(loaded);
    }
    return ok;
}

void CDatabase::TellUnfiled(std::size_t count, std::u16string_view folder) {
    // The window reads the file again after every change by another program: once is enough.
    if (m_unfiledTold) {
        return;
    }
    m_unfiledTold = true;
    const StringServiceProvider::PlainString text =
        count == 1 ? Text::Format(kUnfiledOne, folder) : Text::Format(kUnfiledMany, static_cast<std::int64_t>(count), folder);
    if (m_loadNotice) {
        m_loadNotice(text.View());
    } else {
        m_ui.ShowWarning(text.View());
    }
}

bool CDatabase::SaveCategories(const LoginCredentials& credentials, const PasswordData& data) {
    return Run(credentials, false, true, kSaveFailed, [&](EmberkiteEngine& engine, const Credentials&) {
               engine.UpdateCategories(data);
               return true;
           }) == RequestResult::Succeeded;
}

bool CDatabase::SaveEntries(const LoginCredentials& credentials, const PasswordData& data) {
    return Run(credentials, false, true, kSaveFailed, [&](EmberkiteEngine& engine, const Credentials&) {
               engine.UpdatePasswordItems(data);
               return true;
           }) == RequestResult::Succeeded;
}

bool CDatabase::SaveAll(const LoginCredentials& credentials, const PasswordData& data) {
    return Run(credentials, false, true, kSaveFailed, [&](EmberkiteEngine& engine, const Credentials&) {
               engine.SaveAll(data);
               return true;
           }) == RequestResult::Succeeded;
}

bool CDatabase::AddEntry(const LoginCredentials& credentials, const PasswordADT::PasswordItem& item,
                         std::uint32_t folderId) {
    return Run(credentials, false, false, kSaveFailed, [&](EmberkiteEngine& engine, const Credentials&) {
               engine.AddPasswordItem(item, folderId);
               return true;
           }) == RequestResult::Succeeded;
}

RequestResult CDatabase::Reorganise(const LoginCredentials& credentials, const PasswordData& data) {
    return AuthenticatedRequest(
        credentials,
        u"Die Datenbank konnte nicht reorganisiert werden, da die Benutzerauthentifizierung fehlgeschlagen ist.",
        kReorganiseFailed, [&](EmberkiteEngine& engine, const Credentials& c) { return engine.Reorganise(c, data); });
}

RequestResult CDatabase::ChangePassword(const LoginCredentials& oldCredentials, const LoginCredentials& newCredentials,
                                        const PasswordData& data) {
    const RequestCredentials fresh(newCredentials);
    return AuthenticatedRequest(oldCredentials,
                                u"Das Passwort der Datenbank konnte nicht geändert werden, da die "
                                u"Benutzerauthentifizierung fehlgeschlagen ist.",
                                u"Fehler beim Ändern des Datenbankpassworts.",
                                [&](EmberkiteEngine& engine, const Credentials& c) {
                                    return engine.ChangePassword(c, fresh.credentials, data);
                                });
}

RequestResult CDatabase::ChangeAlgorithm(const LoginCredentials& credentials, std::int32_t algorithm,
                                         const PasswordData& data) {
    return AuthenticatedRequest(credentials,
                                u"Die Verschlüsselung der Datenbank konnte nicht geändert werden, da die "
                                u"Benutzerauthentifizierung fehlgeschlagen ist.",
                                u"Fehler beim Ändern der Verschlüsselung.",
                                [&](EmberkiteEngine& engine, const Credentials& c) {
                                    return engine.ChangeAlgorithm(c, algorithm, data);
                                });
}

RequestResult CDatabase::Delete(const LoginCredentials& credentials) {
    return AuthenticatedRequest(
        credentials, u"Fehler beim Löschen der Datenbank, da die Benutzerauthentifizierung fehlgeschlagen ist.",
        u"Fehler beim Löschen der Datenbank.",
        [&](EmberkiteEngine& engine, const Credentials& c) { return engine.Delete(c, 35); });
}

RequestResult CDatabase::Properties(const LoginCredentials& credentials,
                                    EmberkiteDatabase::DatabaseProperties& properties) {
    return AuthenticatedRequest(
        credentials, u"Die Datenbankeigenschaften konnte nicht ausgelesen werden, da der Login fehlgeschlagen ist.",
        kLoadFailed,
        [&](EmberkiteEngine& engine, const Credentials& c) { return engine.ReadProperties(c, properties); });
}

} // namespace Tarnwick
