#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/Console.h"
#include "database/CDatabase.h"
#include "database/DatabaseUserInterface.h"
#include "model/PasswordData.h"

namespace Tarnwick::Cli {

// Messages of the database requests go to standard error; questions are asked on a terminal
// and declined when there is none.
class ConsoleDatabaseUI : public IDatabaseUserInterface {
public:
    explicit ConsoleDatabaseUI(Console& console) : m_console(console) {}
    void ShowError(std::u16string_view text) override;
    void ShowWarning(std::u16string_view text) override;
    int AskCommand(std::u16string_view heading, std::u16string_view text,
                   const std::vector<CommandButton>& buttons) override;
    void ProgressStart(std::int32_t) override {}
    void ProgressStep() override {}
    void ProgressEnd() override {}
    bool ShowedError() const noexcept { return m_showedError; }
    // While held, errors wait; released, they are shown or dropped (a first log-in attempt
    // whose refusal a second attempt may take back).
    void HoldErrors();
    void ReleaseErrors(bool show);

private:
    Console& m_console;
    bool m_showedError = false;
    bool m_holding = false;
    std::vector<std::u16string> m_held;
};

// One database for one command: the credentials asked once, the log-in (as typed, then with
// the user name lower-cased, as the log-in dialog does) and the loaded data.
class Session {
public:
    Session(Console& console, std::filesystem::path file, std::optional<std::string> userName);

    // Asks the credentials and logs in; RequestError when refused.
    void LogIn();
    // Asks the credentials and runs one request that authenticates by itself (every
    // authentication counts as a log-in, so a request must not log in first); the same
    // fallbacks and errors as LogIn.
    void Authenticated(const std::function<RequestResult(const LoginCredentials&)>& request);
    // Logs in and loads every folder and entry.
    void Open();
    // Logs in and loads every folder and of the entries what the filter asks for (a verb that
    // only reads); such a session cannot save.
    void OpenForReading(const EmberkiteDatabase::RecordFilter& filter);
    // The same for a verb on one entry: the entries of the path's description are read whole,
    // every other is skipped, so the folder holds just those its "#n" counts among.
    void OpenForEntry(std::u16string_view path);
    // Logs in and loads the folders only (a verb that appends an entry needs no other).
    void OpenFolders();
    PasswordADT::PasswordData& Data() noexcept { return m_data; }
    LoginCredentials& Credentials() noexcept { return m_credentials; }
    CDatabase& Database() noexcept { return *m_database; }
    ConsoleDatabaseUI& UI() noexcept { return m_ui; }
    const std::filesystem::path& File() const noexcept { return m_file; }
    void SaveAll();

    // Asks a new secret twice (once when not on a terminal); RequestError when they differ.
    static StringServiceProvider::SecureString AskNewSecret(Console& console, std::string_view prompt);
    // Asks the user name unless one was given.
    static StringServiceProvider::PlainString AskUserName(Console& console, const std::optional<std::string>& given);

private:
    Console& m_console;
    std::filesystem::path m_file;
    std::optional<std::string> m_userName;
    ConsoleDatabaseUI m_ui;
    std::unique_ptr<CDatabase> m_database;
    LoginCredentials m_credentials;
    PasswordADT::PasswordData m_data;
    bool m_partial = false;
};

} // namespace Tarnwick::Cli
