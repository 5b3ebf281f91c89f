#include "exchange/DatabaseExport.h"

#include "base/text/CaseFolding.h"
#include "base/text/Utf.h"
#include "database/CDatabase.h"
#include "log/LogProvider.h"
#include "base/exceptions/Exception.h"
#include "platform/FileSystem.h"

namespace Tarnwick::ExportImport {

using PasswordADT::PasswordData;

DatabaseExport::DatabaseExport(IExportUserInterface& ui, std::filesystem::path openDatabase, const PasswordData& data)
    : m_ui(ui), m_openDatabase(std::move(openDatabase)), m_data(data) {}

std::u16string_view DatabaseExport::CheckInput(const ExportInput& input) {
    // The texts stand as the product has always shown them.
    if (input.userName.IsEmpty()) {
        return u"Geben Sie einen Benutzernamen ein.";
    }
    if (input.password.IsEmpty()) {
        return u"Geben Sie ein Passswort ein.";
    }
    if (input.repetition.IsEmpty()) {
        return u"Geben Sie eine Passswortwiederholung ein.";
    }
    if (!input.password.Equals(input.repetition)) {
        return u"Die Passwörter stimmen nicht überein.";
    }
    if (input.path.empty()) {
        return u"Geben Sie einen Pfad für dei Exportdatenbank an.";
    }
    return {};
}

// The same file under any spelling of its path (links, "..", a second hard link) is found by
// its device and inode, not by comparing text.
bool DatabaseExport::IsOpenDatabase(const std::filesystem::path& target) const {
    std::uint64_t targetDevice = 0, targetInode = 0, openDevice = 0, openInode = 0;
    if (Platform::FileSystem().Identity(target, targetDevice, targetInode) != 0) {
        return false;
    }
    return Platform::FileSystem().Identity(m_openDatabase, openDevice, openInode) == 0 &&
           targetDevice == openDevice && targetInode == openInode;
}

ExportResult DatabaseExport::Finish(const ExportInput& input, const Selection& selection) {
    if (const std::u16string_view message = CheckInput(input); !message.empty()) {
        m_ui.ShowError(message);
        return ExportResult::StayOnPage;
    }
    if (selection.IsEmpty()) {
        m_ui.ShowError(kNothingSelected);
        return ExportResult::StayOnPage;
    }
    std::u16string path = input.path;
    if (!std::u16string_view(path).ends_with(kExtension)) {
        switch (m_ui.AskAddExtension(kExtensionQuestion)) {
        case ExtensionAnswer::Yes:
            path.append(kExtension);
            break;
        case ExtensionAnswer::No:
            break;
        default:
            return ExportResult::StayOnPage;
        }
    }
    m_target = std::filesystem::path(Text::ToUtf8(path));
    // Replacing the open database with a part of itself would lose the rest of it.
    if (IsOpenDatabase(m_target)) {
        m_ui.ShowError(kTargetIsOpenDatabase);
        return ExportResult::StayOnPage;
    }

    PasswordData subset;
    try {
        subset = SelectedData(m_data, selection);
    } catch (const Utilities::Exceptions::Exception& e) {
        LogProvider::GenericExceptionLog::LogEvent(e);
        m_ui.ShowError(u"Fehler beim Erstellen der Datenbank.");
        return ExportResult::StayOnPage;
    }

    LoginCredentials credentials;
    credentials.userName = input.userName;
    if (!input.caseSensitiveUserName) {
        Text::ToLowerInPlace(credentials.userName.MutableData(), credentials.userName.Length());
    }
    credentials.password = input.password;

    CDatabase database(m_ui, m_target);
    if (!database.CreateWithContent(credentials, CDatabase::kAes, subset)) {
        return ExportResult::StayOnPage;
    }
    m_ui.ShowInformation(kExported);
    return ExportResult::Exported;
}

} // namespace Tarnwick::ExportImport
