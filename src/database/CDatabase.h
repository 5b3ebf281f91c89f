#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "crypto/SecureString.h"
#include "database/DatabaseUserInterface.h"
#include "database/EmberkiteEngine.h"
#include "model/PasswordData.h"

namespace Tarnwick {

// The user name and the password of a database, as the log-in dialog hands them over.
struct LoginCredentials {
    StringServiceProvider::PlainString userName;
    StringServiceProvider::SecureString password;
};

// The message for an engine code the user can act on (not a database, another version, no
// such file, no access) about the file at path; empty for every other code.
std::u16string FileAccessFailureText(std::int32_t code, const std::filesystem::path& path);

// Outcome of a request that authenticates first.
enum class RequestResult { Succeeded, AuthenticationFailed, Failed };

// The application's entry point to a database file. Every request is one complete engine run
// (connect, derive, operate, wipe, close); failures are logged and shown as German messages
// and never escape. Nothing of the file, the key or the password outlives a request.
class CDatabase {
public:
    static constexpr std::int32_t kBlowfish = 0;
    static constexpr std::int32_t kAes = 1;

    CDatabase(IDatabaseUserInterface& ui, std::filesystem::path path);
    CDatabase(const CDatabase&) = delete;
    CDatabase& operator=(const CDatabase&) = delete;
    ~CDatabase();

    const std::filesystem::path& GetPath() const noexcept { return m_path; }
    // The file every request works on: the path with its symbolic links resolved at the first
    // request, so a rewrite replaces the real file and never the link.
    const std::filesystem::path& GetFilePath();
    bool IsUpgraded() const noexcept { return m_upgraded; }
    bool HasUpgradeError() const noexcept { return m_error; }
    // Where a load tells what it found in the file that the user should know (entries without
    // their folder); without it, the interface's ShowWarning. Told once per object.
    void SetLoadNotice(std::function<void(std::u16string_view)> notice) { m_loadNotice = std::move(notice); }

    RequestResult Login(const LoginCredentials& credentials);
    bool Create(const LoginCredentials& credentials, std::int32_t algorithm, std::u16string_view initialFolder);
    bool CreateWithContent(const LoginCredentials& credentials, std::int32_t algorithm,
                           const PasswordADT::PasswordData& data);
    // Every folder and entry; with a filter, of each entry only what it asks for (a listing or
    // one entry); such data is for reading only and must never be saved.
    bool Load(const LoginCredentials& credentials, PasswordADT::PasswordData& data,
              const EmberkiteDatabase::RecordFilter& filter = {});
    // The folders without any entry (for a request that only appends one).
    bool LoadFolders(const LoginCredentials& credentials, PasswordADT::PasswordData& data);
    bool SaveCategories(const LoginCredentials& credentials, const PasswordADT::PasswordData& data);
    bool SaveEntries(const LoginCredentials& credentials, const PasswordADT::PasswordData& data);
    bool SaveAll(const LoginCredentials& credentials, const PasswordADT::PasswordData& data);
    bool AddEntry(const LoginCredentials& credentials, const PasswordADT::PasswordItem& item, std::uint32_t folderId);
    RequestResult Reorganise(const LoginCredentials& credentials, const PasswordADT::PasswordData& data);
    RequestResult ChangePassword(const LoginCredentials& oldCredentials, const LoginCredentials& newCredentials,
                                 const PasswordADT::PasswordData& data);
    RequestResult ChangeAlgorithm(const LoginCredentials& credentials, std::int32_t algorithm,
                                  const PasswordADT::PasswordData& data);
    RequestResult Delete(const LoginCredentials& credentials);
    RequestResult Properties(const LoginCredentials& credentials, EmberkiteDatabase::DatabaseProperties& properties);

private:
    using Operation = std::function<bool(EmberkiteDatabase::EmberkiteEngine&, const EmberkiteDatabase::Credentials&)>;

    // One request: connect, plain copy of the password, the operation, wipe, close. Returns
    // the operation's answer; a failure is reported with the generic message.
    RequestResult Run(const LoginCredentials& credentials, bool create, bool progress,
                      std::u16string_view genericMessage, const Operation& operation);
    void Connect(EmberkiteDatabase::EmberkiteEngine& engine, bool create);
    void CheckVersion(EmberkiteDatabase::EmberkiteEngine& engine);
    bool UpgradeFromSixteen(const LoginCredentials& credentials);
    // After a log-in: tells once about other names of the file, erases abandoned working
    // copies and asks about abandoned backups. Returns false when a restored backup does not
    // open with these credentials.
    bool TidyAfterLogin(const LoginCredentials& credentials);
    // Asks what to do with an abandoned backup; true when it was put back as the database.
    bool OfferBackup(const std::filesystem::path& backup, std::int64_t seconds);
    void RestoreBackup(const std::filesystem::path& backup);
    void Report(std::u16string_view genericMessage);
    // Asks before an existing file is replaced; true when creation may go on.
    bool MayReplaceExisting();
    // Tells once that count entries named no folder and are shown in folder.
    void TellUnfiled(std::size_t count, std::u16string_view folder);
    RequestResult AuthenticatedRequest(const LoginCredentials& credentials, std::u16string_view authMessage,
                                       std::u16string_view genericMessage, const Operation& operation);

    IDatabaseUserInterface& m_ui;
    std::filesystem::path m_path;
    std::filesystem::path m_file;
    bool m_otherNamesTold = false;
    bool m_connectFailed = false;
    bool m_upgraded = false;
    bool m_upgradeNeeded = false;
    std::int16_t m_oldMinorVersion = 0;
    bool m_error = false;
    bool m_unfiledTold = false;
    std::function<void(std::u16string_view)> m_loadNotice;
};

} // namespace Tarnwick
