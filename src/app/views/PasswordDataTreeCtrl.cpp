#include "app/views/PasswordDataTreeCtrl.h"

#include <algorithm>

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>

#include "app/views/ViewImages.h"
#include "base/exceptions/Exception.h"
#include "base/text/Format.h"
#include "base/text/Utf.h"
#include "log/LogProvider.h"
#include "uiext/QtText.h"
#include "uilib/MessageBox.h"

namespace Tarnwick::TreeProvider {

using Utilities::Exceptions::Exception;
using Views::TreeItemKind;

namespace {

QString ToQString(std::u16string_view text) { return UiText::Q(text); }

} // namespace

PasswordDataTreeCtrl::PasswordDataTreeCtrl(QWidget* parent) : QTreeWidget(parent) {
    setObjectName(QStringLiteral("PasswordDataTree"));
    setColumnCount(1);
    header()->hide();
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformRowHeights(true);
    connect(this, &QTreeWidget::itemChanged, this, &PasswordDataTreeCtrl::OnItemChanged);
}

QTreeWidgetItem* PasswordDataTreeCtrl::RootItem() const { return topLevelItemCount() > 0 ? topLevelItem(0) : nullptr; }

const CheckedTreeItemData* PasswordDataTreeCtrl::DataOf(const QTreeWidgetItem* item) const {
    const auto found = m_data.find(item);
    return found == m_data.end() ? nullptr : &found->second;
}

Qt::CheckState PasswordDataTreeCtrl::CheckStateOf(const QTreeWidgetItem* item) const {
    const CheckedTreeItemData* data = DataOf(item);
    return data != nullptr ? data->check : Qt::Unchecked;
}

QTreeWidgetItem* PasswordDataTreeCtrl::InsertItemEx(QTreeWidgetItem* parent, const QString& text,
                                                    const CheckedTreeItemData& data) {
    auto* item = parent != nullptr ? new QTreeWidgetItem(parent, QStringList(text)) : new QTreeWidgetItem(QStringList(text));
    if (item == nullptr) {
        throw Exception(u"insert failed", u"PasswordDataTreeCtrl::InsertItemEx");
    }
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setData(0, Views::kKindRole, static_cast<int>(data.kind));
    item->setCheckState(0, Qt::Unchecked);
    switch (data.kind) {
    case TreeItemKind::Root:
        item->setIcon(0, Views::RootIcon());
        break;
    case TreeItemKind::Folder:
        item->setIcon(0, Views::FolderIcon());
        break;
    case TreeItemKind::Entry:
        item->setIcon(0, Views::EntryIcon());
        break;
    }
    m_data[item] = data;
    return item;
}

bool PasswordDataTreeCtrl::AddPasswordData(const std::filesystem::path& database, const PasswordADT::PasswordData& folders,
                                           const Views::FolderSortOrder& order) {
    const QSignalBlocker blocker(this);
    m_updating = true;
    clear();
    m_data.clear();
    const std::u16string file = Text::FromUtf8(database.filename().string());
    CheckedTreeItemData rootData;
    QTreeWidgetItem* root =
        InsertItemEx(nullptr, ToQString(Text::Format(u"Passwortdatenbank: %s", file).View()), rootData);
    const Views::FolderArrangement arrangement = Views::ArrangeFolders(folders, u"PasswordDataTreeCtrl::AddFolderItem");
    std::unordered_map<std::size_t, QTreeWidgetItem*> items;
    for (const Views::FolderPlacement& placement : arrangement.placements) {
        QTreeWidgetItem* parent = root;
        if (placement.parent) {
            const auto found = items.find(*placement.parent);
            if (found == items.end()) {
                throw Exception(u"invalid parent", u"PasswordDataTreeCtrl::AddFolderItem");
            }
            parent = found->second;
        }
        const auto& folder = *folders.Folders()[placement.position];
        CheckedTreeItemData data;
        data.kind = TreeItemKind::Folder;
        data.folder = placement.position;
        QTreeWidgetItem* item = InsertItemEx(parent, ToQString(folder.GetName().View()), data);
        items.emplace(placement.position, item);
        for (std::size_t e = 0; e < folder.Entries().size(); ++e) {
            const auto& entry = folder.Entries()[e];
            if (!entry) {
                throw Exception(u"invalid entry", u"PasswordDataTreeCtrl::AddPasswordItem");
            }
            CheckedTreeItemData entryData;
            entryData.kind = TreeItemKind::Entry;
            entryData.folder = placement.position;
            entryData.entry = e;
            InsertItemEx(item, ToQString(entry->GetDescription().View()), entryData);
        }
    }
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        try {
            Sort(root, folders, order);
        } catch (...) {
            QApplication::restoreOverrideCursor();
            throw;
        }
        QApplication::restoreOverrideCursor();
    }
    addTopLevelItem(root);
    Recount(root);
    root->setExpanded(true);
    m_updating = false;
    if (arrangement.setAside) {
        WindowsServiceProvider::CMessageBox::ShowWarning(this, Views::kSetAsideWarning);
    }
    return arrangement.setAside;
}

void PasswordDataTreeCtrl::Sort(QTreeWidgetItem* top, const PasswordADT::PasswordData& folders,
                                const Views::FolderSortOrder& order) {
    auto name = [&](const CheckedTreeItemData& data) -> std::u16string_view {
        const auto& folder = folders.Folders()[data.folder];
        if (data.kind == TreeItemKind::Folder) {
            return folder->GetName().View();
        }
        return folder->Entries()[data.entry]->GetDescription().View();
    };
    // A work list instead of recursion, so deep chains of folders are safe.
    std::vector<QTreeWidgetItem*> pending{top};
    while (!pending.empty()) {
        QTreeWidgetItem* parent = pending.back();
        pending.pop_back();
        QList<QTreeWidgetItem*> children = parent->takeChildren();
        std::stable_sort(children.begin(), children.end(), [&](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
            const CheckedTreeItemData& left = m_data.at(a);
            const CheckedTreeItemData& right = m_data.at(b);
            if (left.kind != right.kind) {
                return left.kind == TreeItemKind::Folder;
            }
            if (left.kind == TreeItemKind::Folder) {
                return Views::CompareFolders(order, left.folder, name(left), right.folder, name(right)) < 0;
            }
            return Views::CompareEntries(order, left.entry, name(left), right.entry, name(right)) < 0;
        });
        parent->addChildren(children);
        for (QTreeWidgetItem* child : children) {
            if (child->childCount() > 0) {
                pending.push_back(child);
            }
        }
    }
}

std::vector<Views::EntryPosition> PasswordDataTreeCtrl::GetCheckedItems() const {
    std::vector<Views::EntryPosition> checked;
    for (QTreeWidgetItemIterator it(const_cast<PasswordDataTreeCtrl*>(this)); *it != nullptr; ++it) {
        const CheckedTreeItemData* data = DataOf(*it);
        if (data == nullptr) {
            throw Exception(u"invalid data", u"PasswordDataTreeCtrl::GetCheckedItems");
        }
        if (data->kind == TreeItemKind::Entry && data->check == Qt::Checked) {
            checked.emplace_back(data->folder, data->entry);
        }
    }
    return checked;
}

void PasswordDataTreeCtrl::ShowState(QTreeWidgetItem* item) {
    const bool was = m_updating;
    m_updating = true;
    item->setCheckState(0, m_data.at(item).check);
    m_updating = was;
}

void PasswordDataTreeCtrl::ApplyDown(QTreeWidgetItem* top, Qt::CheckState state) {
    std::vector<QTreeWidgetItem*> pending{top};
    while (!pending.empty()) {
        QTreeWidgetItem* item = pending.back();
        pending.pop_back();
        m_data.at(item).check = state;
        ShowState(item);
        for (int i = 0; i < item->childCount(); ++i) {
            pending.push_back(item->child(i));
        }
    }
}

void PasswordDataTreeCtrl::Recount(QTreeWidgetItem* top) {
    // Children before their parent, without recursion: the order of a depth-first walk, reversed.
    std::vector<QTreeWidgetItem*> order;
    std::vector<QTreeWidgetItem*> pending{top};
    while (!pending.empty()) {
        QTreeWidgetItem* item = pending.back();
        pending.pop_back();
        order.push_back(item);
        for (int i = 0; i < item->childCount(); ++i) {
            pending.push_back(item->child(i));
        }
    }
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        CheckedTreeItemData& data = m_data.at(*it);
        data.below = 0;
        data.checkedBelow = 0;
        for (int i = 0; i < (*it)->childCount(); ++i) {
            const CheckedTreeItemData& childData = m_data.at((*it)->child(i));
            data.below += 1 + childData.below;
            data.checkedBelow += (childData.check == Qt::Checked ? 1 : 0) + childData.checkedBelow;
        }
    }
}

void PasswordDataTreeCtrl::UpdateAncestors(QTreeWidgetItem* item) {
    for (QTreeWidgetItem* parent = item->parent(); parent != nullptr; parent = parent->parent()) {
        CheckedTreeItemData& data = m_data.at(parent);
        data.below = 0;
        data.checkedBelow = 0;
        for (int i = 0; i < parent->childCount(); ++i) {
            const CheckedTreeItemData& childData = m_data.at(parent->child(i));
            data.below += 1 + childData.below;
            data.checkedBelow += (childData.check == Qt::Checked ? 1 : 0) + childData.checkedBelow;
        }
        if (data.below == 0) {
            continue;
        }
        data.check = data.checkedBelow == 0          ? Qt::Unchecked
                     : data.checkedBelow == data.below ? Qt::Checked
                                                       : Qt::PartiallyChecked;
        ShowState(parent);
    }
}

void PasswordDataTreeCtrl::SetCheck(QTreeWidgetItem* item, bool checked) {
    if (item == nullptr || DataOf(item) == nullptr) {
        return;
    }
    ApplyDown(item, checked ? Qt::Checked : Qt::Unchecked);
    Recount(item);
    UpdateAncestors(item);
}

void PasswordDataTreeCtrl::ToggleCheck(QTreeWidgetItem* item) {
    if (item == nullptr) {
        return;
    }
    SetCheck(item, CheckStateOf(item) != Qt::Checked);
}

void PasswordDataTreeCtrl::OnItemChanged(QTreeWidgetItem* item, int column) {
    if (m_updating || column != 0 || DataOf(item) == nullptr) {
        return;
    }
    const Qt::CheckState shown = item->checkState(0);
    if (shown == CheckStateOf(item)) {
        return;
    }
    try {
        // A click on a tri-state box checks.
        SetCheck(item, shown != Qt::Unchecked);
    } catch (...) {
        LogProvider::GenericLog::LogEvent(0, u"PasswordDataTreeCtrl::OnItemChanged: check failed");
    }
}

void PasswordDataTreeCtrl::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        try {
            ToggleCheck(currentItem());
        } catch (...) {
            LogProvider::GenericLog::LogEvent(0, u"PasswordDataTreeCtrl::keyPressEvent: check failed");
        }
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

} // namespace Tarnwick::TreeProvider
