#pragma once

#include <cstddef>
#include <filesystem>
#include <unordered_map>
#include <vector>

#include <QTreeWidget>

#include "app/views/EntryDrag.h"
#include "app/views/FolderComparator.h"
#include "app/views/TreeItems.h"
#include "model/PasswordData.h"

namespace Tarnwick::TreeProvider {

// What one item of the checked tree stands for, its check state, and for folders the number
// of items below it and how many of those are checked.
struct CheckedTreeItemData {
    Views::TreeItemKind kind = Views::TreeItemKind::Root;
    Qt::CheckState check = Qt::Unchecked;
    std::size_t folder = 0;
    std::size_t entry = 0;
    std::size_t below = 0;
    std::size_t checkedBelow = 0;
};

// Folders with their entries, each with a check box, for the dialogs that work on a choice
// of entries (export, printing, entry selection). Checking a folder checks everything below
// it; a folder shows checked, unchecked or tri-state after what lies below it.
class PasswordDataTreeCtrl : public QTreeWidget {
    Q_OBJECT
public:
    explicit PasswordDataTreeCtrl(QWidget* parent = nullptr);

    // Fills the tree; shows the set-aside warning when folders could not be placed. Returns
    // whether that happened.
    bool AddPasswordData(const std::filesystem::path& database, const PasswordADT::PasswordData& folders,
                         const Views::FolderSortOrder& order = {});
    // The checked entries as (folder position, entry position), in tree order.
    std::vector<Views::EntryPosition> GetCheckedItems() const;

    void SetCheck(QTreeWidgetItem* item, bool checked);
    void ToggleCheck(QTreeWidgetItem* item);
    Qt::CheckState CheckStateOf(const QTreeWidgetItem* item) const;
    const CheckedTreeItemData* DataOf(const QTreeWidgetItem* item) const;
    QTreeWidgetItem* RootItem() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QTreeWidgetItem* InsertItemEx(QTreeWidgetItem* parent, const QString& text, const CheckedTreeItemData& data);
    void Sort(QTreeWidgetItem* parent, const PasswordADT::PasswordData& folders, const Views::FolderSortOrder& order);
    void ApplyDown(QTreeWidgetItem* item, Qt::CheckState state);
    void UpdateAncestors(QTreeWidgetItem* item);
    void Recount(QTreeWidgetItem* folder);
    void ShowState(QTreeWidgetItem* item);
    void OnItemChanged(QTreeWidgetItem* item, int column);

    std::unordered_map<const QTreeWidgetItem*, CheckedTreeItemData> m_data;
    bool m_updating = false;
};

} // namespace Tarnwick::TreeProvider
