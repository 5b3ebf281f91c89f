#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "app/session/FileStamp.h"
#include "database/CDatabase.h"
#include "editor/EntryStore.h"
#include "model/PasswordData.h"

namespace Tarnwick::Session {

// An entry as a command names it: the folder it was in and the item the user saw.
struct EntryRef {
    std::uint32_t folderId = 0;
    PasswordADT::PasswordItemRef item;
};

// What a change did to the data, for the views and the auto-completion index.
struct ChangeReport {
    // The file had been changed by another program and was read again before the change.
    bool reloaded = false;
    std::vector<PasswordADT::PasswordItemRef> added;
    std::vector<PasswordADT::PasswordItemRef> removed;
};

enum class Outcome {
    Stored,
    // The store failed (the database showed why); data and file are as they were.
    Failed,
    // What the command was about is no longer there (removed or changed by another program).
    Gone,
    // Nothing to do.
    Unchanged,
};

// The open database of the main window: its path, the held credentials and the loaded data,
// and every change of folders and entries. A change is made on a working copy and becomes
// the data only when the file took it; before every write the file is checked against the
// one that was loaded or last written, and when another program changed it, it is read
// again with the held credentials and the command applies to the fresh content. No widgets.
class DatabaseSession final : public IEntryStore {
public:
    explicit DatabaseSession(IDatabaseUserInterface& ui);
    ~DatabaseSession() override;
    DatabaseSession(const DatabaseSession&) = delete;
    DatabaseSession& operator=(const DatabaseSession&) = delete;

    // Loads the database; false (shown by the database) when that failed.
    bool Open(std::filesystem::path path, LoginCredentials credentials);
    // Wipes the credentials and drops the data.
    void Close() noexcept;
    bool IsOpen() const noexcept { return m_database != nullptr; }

    const std::filesystem::path& Path() const noexcept { return m_path; }
    const LoginCredentials& Credentials() const noexcept { return m_credentials; }
    const PasswordADT::PasswordData& Data() const override { return m_data; }
    CDatabase& Database();
    // The last change's report (also after a store that failed: then nothing was added).
    const ChangeReport& LastChange() const noexcept { return m_report; }

    // Told whenever the data was read again because another program changed the file.
    std::function<void()> onReloaded;
    // Told once per opened database what a load found that the user should know (entries
    // without their folder); unset, it goes to the interface's ShowWarning.
    std::function<void(std::u16string_view)> onLoadNotice;

    // Reads the file again when another program changed it; true when it did.
    bool ReloadIfChanged();
    // After a request made outside the session (a maintenance dialog): the file as it is now is ours.
    void AcceptCurrentFile();
    // Replaces the credentials after a password change.
    void SetCredentials(LoginCredentials credentials);

    // Entries.
    bool AddEntry(std::uint32_t folderId, const PasswordADT::PasswordItemRef& item) override;
    bool ReplaceEntry(std::uint32_t fromFolderId, const PasswordADT::PasswordItemRef& original,
                      std::uint32_t toFolderId, const PasswordADT::PasswordItemRef& replacement) override;
    Outcome Add(std::uint32_t folderId, const PasswordADT::PasswordItemRef& item);
    Outcome Replace(const EntryRef& original, std::uint32_t toFolderId, const PasswordADT::PasswordItemRef& replacement);
    // Removes the entries; those no longer there are counted in missing.
    Outcome Delete(const std::vector<EntryRef>& entries, std::size_t* missing = nullptr);
    // Moves the entries to the end of the target folder (entries already there stay).
    Outcome Move(const std::vector<EntryRef>& entries, std::uint32_t targetFolderId);

    // Folders. The id of a new folder comes back in newId.
    Outcome AddFolder(std::optional<std::uint32_t> parentId, std::u16string_view name, std::uint32_t* newId = nullptr);
    Outcome RenameFolder(std::uint32_t folderId, std::u16string_view name);
    // Deletes the folder with its subtree and their entries; the file is rewritten from scratch.
    Outcome DeleteFolder(std::uint32_t folderId);

    // Helpers for callers that work with positions.
    std::optional<std::size_t> FolderPosition(std::uint32_t folderId) const;
    // The current item that stands for ref (the same item, or one of equal content after a reload).
    PasswordADT::PasswordItemRef Resolve(const PasswordADT::PasswordData& data, const EntryRef& ref) const;

    // How the change is written.
    enum class StoreKind { Append, Entries, Folders, All, Reorganise };

private:
    using Change = std::function<Outcome(PasswordADT::PasswordData& working, ChangeReport& report)>;
    Outcome Apply(StoreKind kind, const Change& change, const PasswordADT::PasswordItem* appended = nullptr,
                  std::uint32_t appendFolder = 0);
    bool Store(StoreKind kind, const PasswordADT::PasswordData& working, const PasswordADT::PasswordItem* appended,
               std::uint32_t appendFolder);
    // Reads the file again; tell says whether it was another program's doing.
    bool Reload(bool tell = true);
    void RememberFile();

    IDatabaseUserInterface& m_ui;
    std::filesystem::path m_path;
    LoginCredentials m_credentials;
    std::unique_ptr<CDatabase> m_database;
    PasswordADT::PasswordData m_data;
    FileStamp m_stamp;
    ChangeReport m_report;
};

// A copy of the folders whose entries are the same items: changing the copy's folders and
// entry lists leaves the original alone.
PasswordADT::PasswordData WorkingCopy(const PasswordADT::PasswordData& data);

} // namespace Tarnwick::Session
