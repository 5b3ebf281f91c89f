#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "model/Category.h"

namespace Tarnwick::PasswordADT {

// Result codes of PasswordData::MoveEntry.
enum MoveEntryResult : int {
    MoveEntrySucceeded = 0,
    MoveEntryNoFolders = 1,
    MoveEntryNoTarget = 2,
    MoveEntryNoSource = 3,
    MoveEntryNoEntry = 4,
    MoveEntryRemoveFailed = 5,
    MoveEntrySameFolder = 6,
};

// The folders of one open database, with the counter that hands out folder ids.
class PasswordData {
public:
    // The last id handed out; -1 before the first.
    std::int32_t GetIdCounter() const noexcept { return m_idCounter; }

    std::uint32_t NextId();
    CategoryRef AddFolder(std::u16string_view name);
    CategoryRef AddSubfolder(std::uint32_t parentId, std::u16string_view name);
    void AssureParentIdExists(std::uint32_t id) const;
    // Appends a folder read from a file with its stored id, raising the counter to it.
    void AssignAsNextIdIfHigher(const CategoryRef& folder);
    // Fresh ids for the folders without one, or with reassignAll for every folder in list
    // order (0, 1, 2, ...); then each parent id names its parent's new id.
    void AssignValidIDsToCategories(bool reassignAll);
    CategoryRef FindFolderByParentId(std::uint32_t id) const;
    CategoryRef ReverseFindByName(std::u16string_view name) const;
    // Deletes the folder at this position with its whole subtree and their entries.
    void DeleteFolder(std::size_t index);
    // Moves an entry between folders addressed by position; one of MoveEntryResult.
    int MoveEntry(std::size_t targetFolder, std::size_t sourceFolder, std::size_t entry);
    bool HasEntries() const;
    std::size_t EntryCount() const;

    std::vector<CategoryRef>& Folders() noexcept { return m_folders; }
    const std::vector<CategoryRef>& Folders() const noexcept { return m_folders; }
    std::size_t FolderCount() const noexcept { return m_folders.size(); }
    void Clear() noexcept;

private:
    const CategoryRef& FolderAt(std::size_t index, const char16_t* context) const;

    std::int32_t m_idCounter = -1;
    std::vector<CategoryRef> m_folders;
};

} // namespace Tarnwick::PasswordADT
