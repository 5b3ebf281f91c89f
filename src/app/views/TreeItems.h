#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include <Qt>

#include "model/PasswordData.h"

class QTreeWidgetItem;

namespace Tarnwick::Views {

// Item data of the tree controls: the position in the folder list (or in the folder's entry
// list) and what the item stands for.
inline constexpr int kPositionRole = Qt::UserRole;
inline constexpr int kKindRole = Qt::UserRole + 1;
inline constexpr int kFolderPositionRole = Qt::UserRole + 2;

enum class TreeItemKind { Root = 0, Folder = 1, Entry = 2 };

TreeItemKind KindOf(const QTreeWidgetItem* item);
bool IsRootItem(const QTreeWidgetItem* item);
// The folder position a folder item stands for; nullopt for the root, entries and items without data.
std::optional<std::size_t> FolderPositionOf(const QTreeWidgetItem* item);
void SetFolderData(QTreeWidgetItem& item, std::size_t position);

// Where a folder goes in a tree: below the root (no parent) or below another folder.
struct FolderPlacement {
    std::size_t position = 0;
    std::optional<std::size_t> parent;
};

// The folders in the order they are inserted: storage order, a folder below its parent when
// the parent came before it, otherwise set aside and placed below the root at the end. A
// folder id met a second time is left out. context names the caller for a missing folder.
struct FolderArrangement {
    std::vector<FolderPlacement> placements;
    bool setAside = false;
};
FolderArrangement ArrangeFolders(const PasswordADT::PasswordData& data, const char16_t* context);

inline constexpr std::u16string_view kSetAsideWarning =
    u"Einige Ordner konnten nicht korrekt zugeordnet werden. Sie befinden sich am Ende der Ordnerliste.";

} // namespace Tarnwick::Views
