#include "database/CDatabase.h"

#include <cerrno>

#include "core/text/Format.h"
#include "core/text/Utf.h"
#include "log/exceptions/DBException.h"
#include "database/FileBackup.h"
#include "database/FileFormat.h"
#include "log/LogProvider.h"
#include "log/exceptions/Exception.h"
#include "platform/FileSystem.h"

namespace Tarnwick {

using EmberkiteDatabase::Credentials;
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

std::u16string PathText(const std::filesystem::path& path) { return Text::FromUtf8(path.string()); }

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

CDatabase::CDatabase(IDatabaseUserInterface& ui, std::filesystem::path path) : m_ui(ui), m_path(std::move(path)) {}

CDatabase::~CDatabase() = default;

void CDatabase::CheckVersion(EmberkiteEngine& engine) {
    if (m_upgraded) {
        return;
    }
    const EmberkiteDatabase::FileHeader header = engine.ReadFileHeader();
    if (header.majorVersion >= 2 || header.minorVersion >= 18) {
        throw DBException(33);
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
            throw DBException(36);
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
            const int error = Platform::FileSystem().Identity(m_path, device, inode);
            if (error == ENOENT || error == ENOTDIR) {
                throw DBException(34);
            }
            try {
                engine.Connect(m_path, false);
            } catch (const DBException& e) {
                // A file that exists but cannot be opened for exclusive writing.
                if (e.GetErrorCode() == 10) {
                    throw DBException(35);
                }
                throw;
            }
            CheckVersion(engine);
        } else {
            engine.Connect(m_path, true);
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
        switch (e.GetErrorCode()) {
        case 31:
            m_ui.ShowError(Text::Format(u"\"%s\" ist keine gültige Tarnwick Datenbank.", PathText(m_path)).View());
            return;
        case 33:
            m_ui.ShowError(u"Diese Datenbankversion wird von dieser Tarnwick Version nicht unterstützt.");
            return;
        case 34:
            m_ui.ShowError(Text::Format(u"Die Datenbank \"%s\" ist nicht vorhanden.", PathText(m_path)).View());
            return;
        case 35:
            m_ui.ShowError(Text::Format(u"Sie verfügen nicht über ausreichende Berechtigungen, um auf den "
                                        u"Datenbankpfad \"%s\" zuzugreifen.",
                                        PathText(m_path))
                               .View());
            return;
        case 36:
            m_ui.ShowError(genericMessage);
            return;
        default:
            LogProvider::GenericExceptionLog::LogEvent(e);
            m_ui.ShowError(genericMessage);
            return;
        }
    } catch (const WindowsException& e) {
        LogProvider::GenericExceptionLog::LogEvent(e);
    } catch (const Exception& e) {
        LogProvider::GenericExceptionLog::LogEvent(e);
    } catch (const std::exception& e) {
        LogProvider::GenericLog::LogEvent(0, Text::FromUtf8(e.what()));
    } catch (...) {
        LogProvider::GenericLog::LogEvent(0, u"unknown exception");
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
    if (result != RequestResult::Succeeded || !m_upgradeNeeded) {
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
            engine.Connect(m_path, false);
            engine.SetCredentials(plain.credentials);
            engine.LoadCategories(folders);
            engine.Close();
        }
        folders.AssignValidIDsToCategories(true);
        backup.Backup(m_path);
        backedUp = true;
        {
            EmberkiteEngine engine;
            engine.Connect(m_path, false);
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
    } catch (const DBException& e) {
        LogProvider::GenericExceptionLog::LogEvent(e);
    } catch (const WindowsException& e) {
        LogProvider::GenericExceptionLog::LogEvent(e);
    } catch (const Exception& e) {
        LogProvider::GenericExceptionLog::LogEvent(e);
    } catch (...) {
        LogProvider::GenericLog::LogEvent(0, u"unknown exception");
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

bool CDatabase::Load(const LoginCredentials& credentials, PasswordData& data) {
    if (m_upgradeNeeded && !m_upgraded) {
        try {
            throw Exception(u"possible upgrade failure", u"CDatabase::Load");
        } catch (...) {
            Report(kLoadFailed);
        }
        return false;
    }
    PasswordData loaded;
    const bool ok = Run(credentials, false, true, kLoadFailed, [&](EmberkiteEngine& engine, const Credentials&) {
                        engine.Load(loaded);
                        return true;
                    }) == RequestResult::Succeeded;
    if (ok) {
        data = std::move(loaded);
    }
    return ok;
}

bool CDatabase::SaveCategories(const LoginCredentials& credentials, const PasswordData& data) {
    return Run(credentials, false, true, kLoadFailed, [&](EmberkiteEngine& engine, const Credentials&) {
               engine.UpdateCategories(data);
               return true;
           }) == RequestResult::Succeeded;
}

bool CDatabase::SaveEntries(const LoginCredentials& credentials, const PasswordData& data) {
    return Run(credentials, false, true, kLoadFailed, [&](EmberkiteEngine& engine, const Credentials&) {
               engine.UpdatePasswordItems(data);
               return true;
           }) == RequestResult::Succeeded;
}

bool CDatabase::SaveAll(const LoginCredentials& credentials, const PasswordData& data) {
    return Run(credentials, false, true, kLoadFailed, [&](EmberkiteEngine& engine, const Credentials&) {
               engine.SaveAll(data);
               return true;
           }) == RequestResult::Succeeded;
}

bool CDatabase::AddEntry(const LoginCredentials& credentials, const PasswordADT::PasswordItem& item,
                         std::uint32_t folderId) {
    return Run(credentials, false, false, kLoadFailed, [&](EmberkiteEngine& engine, const Credentials&) {
               engine.AddPasswordItem(item, folderId);
               return true;
           }) == RequestResult::Succeeded;
}

RequestResult CDatabase::Reorganise(const LoginCredentials& credentials, const PasswordData& data) {
    return AuthenticatedRequest(
        credentials,
        u"Die Datenbank konnte nicht reorganisiert werden, da die Benutzerauthentifizierung fehlgeschlagen ist.",
        kLoadFailed, [&](EmberkiteEngine& engine, const Credentials& c) { return engine.Reorganise(c, data); });
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
