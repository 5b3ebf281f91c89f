#include "cli/Session.h"

#include "cli/Arguments.h"
#include "cli/VaultPaths.h"
#include "base/text/CaseFolding.h"
#include "base/text/Utf.h"

namespace Tarnwick::Cli {

void ConsoleDatabaseUI::HoldErrors() { m_holding = true; }

void ConsoleDatabaseUI::ReleaseErrors(bool show) {
    m_holding = false;
    std::vector<std::u16string> held;
    held.swap(m_held);
    if (show) {
        for (const auto& text : held) {
            ShowError(text);
        }
    }
}

void ConsoleDatabaseUI::ShowError(std::u16string_view text) {
    if (m_holding) {
        m_held.emplace_back(text);
        return;
    }
    m_showedError = true;
    m_console.Error("Fehler: ");
    m_console.ErrorLine(text);
}

void ConsoleDatabaseUI::ShowWarning(std::u16string_view text) {
    m_console.Error("Warnung: ");
    m_console.ErrorLine(text);
}

int ConsoleDatabaseUI::AskCommand(std::u16string_view heading, std::u16string_view text,
                                  const std::vector<CommandButton>& buttons) {
    m_console.ErrorLine(heading);
    if (!text.empty()) {
        m_console.ErrorLine(text);
    }
    if (!m_console.IsInteractive()) {
        // Nothing to ask without a terminal: the cautious answer.
        return -1;
    }
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        m_console.Error("  " + std::to_string(i + 1) + ") ");
        m_console.ErrorLine(buttons[i].caption);
    }
    StringServiceProvider::PlainString answer;
    if (!m_console.ReadLine("Auswahl: ", answer)) {
        return -1;
    }
    const std::string choice = Text::ToUtf8(answer.View());
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (choice == std::to_string(i + 1)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

Session::Session(Console& console, std::filesystem::path file, std::optional<std::string> userName)
    : m_console(console), m_file(std::move(file)), m_userName(std::move(userName)), m_ui(console),
      m_database(std::make_unique<CDatabase>(m_ui, m_file)) {}

StringServiceProvider::PlainString Session::AskUserName(Console& console, const std::optional<std::string>& given) {
    StringServiceProvider::PlainString name;
    if (given) {
        name.Assign(Text::FromUtf8(*given));
    } else if (!console.ReadLine("Benutzername: ", name)) {
        throw RequestError{"Es wurde kein Benutzername angegeben."};
    }
    return name;
}

StringServiceProvider::SecureString Session::AskNewSecret(Console& console, std::string_view prompt) {
    StringServiceProvider::SecureString secret;
    if (!console.ReadSecret(std::string(prompt) + ": ", secret)) {
        throw RequestError{"Es wurde kein Passwort angegeben."};
    }
    if (console.IsInteractive()) {
        StringServiceProvider::SecureString repetition;
        console.ReadSecret("Wiederholung: ", repetition);
        if (!secret.Equals(repetition)) {
            throw RequestError{"Das Passwort stimmt nicht mit der Widerholung überein."};
        }
    }
    return secret;
}

void Session::LogIn() {
    Authenticated([this](const LoginCredentials& credentials) { return m_database->Login(credentials); });
}

void Session::Authenticated(const std::function<RequestResult(const LoginCredentials&)>& request) {
    m_credentials.userName = AskUserName(m_console, m_userName);
    if (!m_console.ReadSecret("Passwort: ", m_credentials.password) || m_credentials.password.IsEmpty()) {
        throw RequestError{"Es wurde kein Passwort angegeben."};
    }
    m_ui.HoldErrors();
    RequestResult result = RequestResult::Failed;
    try {
        result = request(m_credentials);
    } catch (...) {
        m_ui.ReleaseErrors(true);
        throw;
    }
    m_ui.ReleaseErrors(result != RequestResult::AuthenticationFailed);
    if (result == RequestResult::AuthenticationFailed) {
        // Databases made with case-insensitive user names hold the name in lower case.
        LoginCredentials lowered;
        lowered.userName.Assign(Text::ToLower(m_credentials.userName.View()));
        lowered.password = m_credentials.password;
        result = request(lowered);
        if (result == RequestResult::Succeeded) {
            m_credentials.userName = lowered.userName;
        }
    }
    if (result == RequestResult::AuthenticationFailed) {
        throw RequestError{"Die Benutzerauthentifikation ist fehlgeschlagen."};
    }
    if (result != RequestResult::Succeeded) {
        throw RequestError{};
    }
}

void Session::Open() {
    LogIn();
    if (!m_database->Load(m_credentials, m_data)) {
        throw RequestError{};
    }
}

void Session::OpenForReading(const EmberkiteDatabase::RecordFilter& filter) {
    LogIn();
    m_partial = true;
    if (!m_database->Load(m_credentials, m_data, filter)) {
        throw RequestError{};
    }
}

void Session::OpenForEntry(std::u16string_view path) {
    const std::u16string description = ParseEntryPath(path).description;
    OpenForReading({[&description](const PasswordADT::Category&, std::u16string_view candidate) {
                        return candidate == description ? EmberkiteDatabase::RecordDepth::Full
                                                        : EmberkiteDatabase::RecordDepth::Skip;
                    },
                    {}});
}

void Session::OpenFolders() {
    LogIn();
    m_partial = true;
    if (!m_database->LoadFolders(m_credentials, m_data)) {
        throw RequestError{};
    }
}

void Session::SaveAll() {
    // Entries read in part would lose their other fields.
    if (m_partial) {
        throw RequestError{"Interner Fehler: unvollständig geladene Daten werden nicht gespeichert."};
    }
    if (!m_database->SaveAll(m_credentials, m_data)) {
        throw RequestError{};
    }
}

} // namespace Tarnwick::Cli
