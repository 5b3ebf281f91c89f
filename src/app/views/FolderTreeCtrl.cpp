#include "app/views/FolderTreeCtrl.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QStyledItemDelegate>

#include "app/views/TreeItems.h"

namespace Tarnwick::Views {

namespace {

// Limits the name to 74 characters and lets the tree decide whether the edit is taken.
class FolderNameDelegate final : public QStyledItemDelegate {
public:
    explicit FolderNameDelegate(CFolderTreeCtrl& tree) : QStyledItemDelegate(&tree), m_tree(tree) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
            edit->setMaxLength(CFolderTreeCtrl::kMaximumNameLength);
        }
        return editor;
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
        auto* edit = qobject_cast<QLineEdit*>(editor);
        if (edit == nullptr) {
            return;
        }
        if (m_tree.EndLabelEdit(index, edit->text())) {
            model->setData(index, edit->text(), Qt::EditRole);
        }
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem shown(option);
        if (m_tree.DropTarget().isValid() && m_tree.DropTarget() == index) {
            shown.state |= QStyle::State_Selected;
        }
        QStyledItemDelegate::paint(painter, shown, index);
    }

private:
    CFolderTreeCtrl& m_tree;
};

} // namespace

CFolderTreeCtrl::CFolderTreeCtrl(QWidget* parent) : QTreeWidget(parent) {
    setObjectName(QStringLiteral("FolderTree"));
    setColumnCount(1);
    header()->hide();
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setItemDelegate(new FolderNameDelegate(*this));
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setDragDropOverwriteMode(true);
    setDropIndicatorShown(false);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setUniformRowHeights(true);
}

bool CFolderTreeCtrl::BeginLabelEdit(QTreeWidgetItem* item) {
    if (item == nullptr || IsRootItem(item) || !(item->flags() & Qt::ItemIsEditable)) {
        return false;
    }
    scrollToItem(item);
    editItem(item, 0);
    return true;
}

bool CFolderTreeCtrl::EndLabelEdit(const QModelIndex& index, const QString& name) {
    QTreeWidgetItem* item = itemFromIndex(index);
    if (item == nullptr || !m_labelEdit) {
        return false;
    }
    return m_labelEdit(item, name);
}

QStringList CFolderTreeCtrl::mimeTypes() const { return {QString::fromLatin1(kEntryMimeType)}; }

Qt::DropActions CFolderTreeCtrl::supportedDropActions() const { return Qt::MoveAction; }

void CFolderTreeCtrl::SetDropTarget(const QModelIndex& index) {
    if (m_dropTarget == index) {
        return;
    }
    m_dropTarget = index;
    viewport()->update();
}

void CFolderTreeCtrl::dragEnterEvent(QDragEnterEvent* event) {
    if (!DecodeDraggedEntries(event->mimeData())) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void CFolderTreeCtrl::dragMoveEvent(QDragMoveEvent* event) {
    if (!DecodeDraggedEntries(event->mimeData())) {
        SetDropTarget({});
        event->ignore();
        return;
    }
    const QModelIndex index = indexAt(event->position().toPoint());
    SetDropTarget(index);
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void CFolderTreeCtrl::dragLeaveEvent(QDragLeaveEvent* event) {
    SetDropTarget({});
    QTreeWidget::dragLeaveEvent(event);
}

void CFolderTreeCtrl::dropEvent(QDropEvent* event) {
    SetDropTarget({});
    const auto entries = DecodeDraggedEntries(event->mimeData());
    if (!entries) {
        event->ignore();
        return;
    }
    // The tree never changes by itself: the handler moves the entries and refills it.
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
    // Handled once the drag has ended: the move may ask questions and rebuilds this tree.
    const QPersistentModelIndex target(indexAt(event->position().toPoint()));
    QMetaObject::invokeMethod(
        this,
        [this, target, positions = *entries] {
            if (m_drop) {
                m_drop(target.isValid() ? itemFromIndex(target) : nullptr, positions);
            }
        },
        Qt::QueuedConnection);
}

} // namespace Tarnwick::Views
