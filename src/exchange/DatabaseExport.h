#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "crypto/SecureString.h"
#include "crypto/String.h"
#include "database/DatabaseUserInterface.h"
#include "exchange/ExportSelection.h"
#include "model/PasswordData.h"

namespace Tarnwick::ExportImport {

enum class ExtensionAnswer { Yes, No, Cancel };

// What the export needs from its wizard beyond the database requests' boxes and progress.
class IExportUserInterface : public IDatabaseUserInterface {
public:
    // The Yes/No/Cancel question about the missing ".twdb".
    virtual ExtensionAnswer AskAddExtension(std::u16string_view question) = 0;
    virtual void ShowInformation(std::u16string_view text) = 0;
};

// The second export page as the user filled it in.
struct ExportInput {
    std::u16string path;
    StringServiceProvider::PlainString userName;
    bool caseSensitiveUserName = false;
    StringServiceProvider::SecureString password;
    StringServiceProvider::SecureString repetition;
};

enum class ExportResult {
    Exported,   // the file is written and the success message shown
    StayOnPage, // a check failed, the question was cancelled, the target was refused or the
                // creation failed or was declined; the message has been shown
};

// Writes a chosen part of the open database into a new database file. The open database and
// its file are never changed.
class DatabaseExport {
public:
    static constexpr std::u16string_view kExtension = u".twdb";
    static constexpr std::u16string_view kExtensionQuestion =
        u"Der Name der Datenbank besitzt nicht die Dateiendung für Tarnwick Datenbanken (*.twdb). Möchten Sie "
        u"diese Dateiendung nun hinzufügen?";
    static constexpr std::u16string_view kExported = u"Die Passwortinformationen wurden erfolgreich exportiert.";
    static constexpr std::u16string_view kNothingSelected =
        u"Wählen Sie die Passwortinformationen aus, die Sie exportieren möchten.";
    static constexpr std::u16string_view kTargetIsOpenDatabase =
        u"Die geöffnete Datenbank kann nicht als Exportdatenbank verwendet werden. Wählen Sie einen anderen Pfad.";

    // openDatabase is the file of the open database (it may not be replaced by the export).
    DatabaseExport(IExportUserInterface& ui, std::filesystem::path openDatabase, const PasswordADT::PasswordData& data);

    // The page's checks in their order; the first message that applies, or empty.
    static std::u16string_view CheckInput(const ExportInput& input);

    // The finish of the wizard: checks, the extension question, the new database with the
    // ticked folders and entries, the success message.
    ExportResult Finish(const ExportInput& input, const Selection& selection);

    // The file the last Finish wrote (or meant to write).
    const std::filesystem::path& GetTargetPath() const noexcept { return m_target; }

private:
    bool IsOpenDatabase(const std::filesystem::path& target) const;

    IExportUserInterface& m_ui;
    std::filesystem::path m_openDatabase;
    const PasswordADT::PasswordData& m_data;
    std::filesystem::path m_target;
};

} // namespace Tarnwick::ExportImport
