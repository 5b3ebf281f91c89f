#pragma once

#include <string_view>

#include "app/views/FolderComparator.h"
#include "model/PasswordData.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace Tarnwick::Views {

// Turns the folder list into the items of the main window's folder tree: a root item and
// one item per folder, whose data is the folder's position.
class FolderToTreeVisualizer {
public:
    static constexpr std::u16string_view kRootText = u"Passwortordner";

    // Deletes all items, inserts the root and the folders and sorts the tree. True when some
    // folders had to be set aside below the root (the caller warns once).
    static bool Visualize(QTreeWidget& tree, const PasswordADT::PasswordData& data, const FolderSortOrder& order);
    // Sorts the children of parent with the folder comparator, and below them when recursive.
    static void SortChildren(QTreeWidgetItem& parent, const PasswordADT::PasswordData& data,
                             const FolderSortOrder& order, bool recursive);
    static QTreeWidgetItem* RootItem(const QTreeWidget& tree);
    // The first folder item below the root in display order, or nullptr.
    static QTreeWidgetItem* FirstFolderItem(const QTreeWidget& tree);
    // The item that stands for the folder at this position, or nullptr.
    static QTreeWidgetItem* FindFolderItem(const QTreeWidget& tree, std::size_t position);
};

} // namespace Tarnwick::Views
