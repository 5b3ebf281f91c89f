#pragma once

#include <functional>
#include <vector>

#include <QPersistentModelIndex>
#include <QTreeWidget>

#include "app/views/EntryDrag.h"

namespace Tarnwick::Views {

// The folder tree of the main window (control 315): renames in place and takes entries
// dragged from the entry list of this process.
class CFolderTreeCtrl final : public QTreeWidget {
    Q_OBJECT
public:
    static constexpr int kControlId = 315;
    static constexpr int kMaximumNameLength = 74;

    // Whether the edited name may be written into the item.
    using LabelEditHandler = std::function<bool(QTreeWidgetItem* item, const QString& name)>;
    using DropHandler = std::function<void(QTreeWidgetItem* target, const std::vector<EntryPosition>& entries)>;

    explicit CFolderTreeCtrl(QWidget* parent = nullptr);

    void SetLabelEditHandler(LabelEditHandler handler) { m_labelEdit = std::move(handler); }
    void SetDropHandler(DropHandler handler) { m_drop = std::move(handler); }
    // Starts editing the item's name; the root cannot be renamed.
    bool BeginLabelEdit(QTreeWidgetItem* item);
    // The item under the cursor while entries are dragged over the tree.
    QPersistentModelIndex DropTarget() const { return m_dropTarget; }

    QModelIndex IndexOf(const QTreeWidgetItem* item) const { return indexFromItem(item); }
    // The end of an in-place edit (called by the editor delegate).
    bool EndLabelEdit(const QModelIndex& index, const QString& name);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    QStringList mimeTypes() const override;
    Qt::DropActions supportedDropActions() const override;

private:
    void SetDropTarget(const QModelIndex& index);

    LabelEditHandler m_labelEdit;
    DropHandler m_drop;
    QPersistentModelIndex m_dropTarget;
};

} // namespace Tarnwick::Views
