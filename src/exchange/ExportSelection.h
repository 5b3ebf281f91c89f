#pragma once

#include <cstddef>
#include <vector>

#include "model/PasswordData.h"

namespace Tarnwick::ExportImport {

// A ticked entry of the checked tree: the position of its folder and its own position there.
struct CheckedEntry {
    std::size_t folder = 0;
    std::size_t entry = 0;
};

// What the user ticked in the checked tree of the export or import wizard. A ticked folder is
// taken even when none of its entries is; a ticked entry brings its folder along, and every
// taken folder brings its ancestors along (without their other entries).
struct Selection {
    std::vector<std::size_t> folders;
    std::vector<CheckedEntry> entries;

    bool IsEmpty() const noexcept { return folders.empty() && entries.empty(); }
    // Every folder and every entry of the data.
    static Selection All(const PasswordADT::PasswordData& data);
};

// Folder positions with no parent to hang below.
inline constexpr std::size_t kNoParentPosition = static_cast<std::size_t>(-1);

// For every folder the position of its parent (the first folder with the parent id), or
// kNoParentPosition for a top-level folder, for one whose parent is missing (the tree sets it
// aside) and for the folders of a parent cycle, which would otherwise hang nowhere.
// A null folder slot raises "category out of range".
std::vector<std::size_t> ParentPositions(const PasswordADT::PasswordData& data);

// The folder and its ancestors, top-most first.
std::vector<std::size_t> FolderChain(const std::vector<std::size_t>& parents, std::size_t position);

// The positions of the folders the selection takes, in storage order: the ticked ones, the
// folders of ticked entries and all their ancestors. A position out of range raises.
std::vector<std::size_t> SelectedFolders(const PasswordADT::PasswordData& data, const Selection& selection,
                                         const std::vector<std::size_t>& parents);

// The ticked entries, folder by folder, each folder's in position order without repeats.
// A position out of range or a null entry slot raises.
std::vector<CheckedEntry> SelectedEntries(const PasswordADT::PasswordData& data, const Selection& selection);

// The selected part of the data as a collection of its own: the folders keep their ids, a
// folder whose parent is not taken becomes a top-level one, and the ticked entries are shared,
// not copied.
PasswordADT::PasswordData SelectedData(const PasswordADT::PasswordData& data, const Selection& selection);

} // namespace Tarnwick::ExportImport
