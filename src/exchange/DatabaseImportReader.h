#pragma once

#include <filesystem>
#include <string_view>

#include "database/CDatabase.h"
#include "database/DatabaseUserInterface.h"
#include "database/EmberkiteEngine.h"
#include "model/PasswordData.h"

namespace Tarnwick::ExportImport {

// Reads a whole database into memory without writing a byte to it (not even the log-in
// times that a log-in request stamps).
class DatabaseImportReader {
public:
    // False when neither the user name as typed nor its lower-case form (databases made with
    // case-insensitive user names store it so) matches; then nothing is read. Failures raise
    // DBException: NotADatabase, VersionUnsupported (a version other than this one),
    // FileMissing, AccessDenied (held by another program or not accessible), and the engine's
    // codes for damaged content. A FIFO,
    // a device or a folder raises an Exception with kNotRegularFileMessage (context
    // kImportSourceContext), before anything is opened that could wait.
    static bool Read(const std::filesystem::path& path, const LoginCredentials& credentials,
                     PasswordADT::PasswordData& data, const EmberkiteDatabase::ProgressCallback& progress = {});
};

enum class SourceResult { Opened, InputMissing, AuthenticationFailed, Unreadable };

// The first page of the database import: the other database, opened read-only in memory.
class DatabaseImportSource {
public:
    static constexpr std::u16string_view kNoDatabase = u"Wählen Sie eine Datenbank aus.";
    static constexpr std::u16string_view kNoUserName = u"Geben Sie den Benutzernamen ein.";
    static constexpr std::u16string_view kNoPassword = u"Geben Sie das Passwort ein.";
    static constexpr std::u16string_view kAuthenticationFailed = u"Die Benutzerauthentifikation ist fehlgeschlagen.";
    static constexpr std::u16string_view kUnreadable = u"Die Daten konnten nicht auslesen werden.";
    // When the second page cannot show the data.
    static constexpr std::u16string_view kInitialisationFailed =
        u"Es ist ein Fehler beim Initialisieren des Importassistenten aufgetreten.";

    // The page's checks in their order; the first message that applies, or empty.
    static std::u16string_view CheckInput(std::u16string_view path, const LoginCredentials& credentials);

    // Checks, opens and reads the database; every failure is shown through the interface,
    // whose progress calls follow the reading. The data is replaced only on success.
    static SourceResult Open(IDatabaseUserInterface& ui, std::u16string_view path, const LoginCredentials& credentials,
                             PasswordADT::PasswordData& data);
};

// Engine progress to the interface's progress bar; Finish ends a bar that was started.
class ProgressRelay {
public:
    explicit ProgressRelay(IDatabaseUserInterface& ui) : m_ui(ui) {}
    ProgressRelay(const ProgressRelay&) = delete;
    ProgressRelay& operator=(const ProgressRelay&) = delete;
    ~ProgressRelay() { Finish(); }

    EmberkiteDatabase::ProgressCallback Callback();
    void Finish() noexcept;

private:
    IDatabaseUserInterface& m_ui;
    bool m_started = false;
};

} // namespace Tarnwick::ExportImport
