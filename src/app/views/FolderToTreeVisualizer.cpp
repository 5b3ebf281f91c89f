#include "app/views/FolderToTreeVisualizer.h"

#include <algorithm>
#include <memory>
#include <unordered_map>
#include <vector>

#include <QTreeWidget>
#include <QTreeWidgetItem>

#include "app/views/TreeItems.h"
#include "app/views/ViewImages.h"
#include "base/exceptions/Exception.h"
#include "uiext/QtText.h"

namespace Tarnwick::Views {

using Utilities::Exceptions::Exception;

namespace {

QString ToQString(std::u16string_view text) { return UiText::Q(text); }

std::u16string_view FolderName(const PasswordADT::PasswordData& data, std::size_t position) {
    if (position >= data.FolderCount() || !data.Folders()[position]) {
        throw Exception(u"invalid folder", u"FolderToTreeVisualizer::SortChildren");
    }
    return data.Folders()[position]->GetName().View();
}

} // namespace

QTreeWidgetItem* FolderToTreeVisualizer::RootItem(const QTreeWidget& tree) {
    return tree.topLevelItemCount() > 0 ? tree.topLevelItem(0) : nullptr;
}

QTreeWidgetItem* FolderToTreeVisualizer::FirstFolderItem(const QTreeWidget& tree) {
    QTreeWidgetItem* root = RootItem(tree);
    return root != nullptr && root->childCount() > 0 ? root->child(0) : nullptr;
}

QTreeWidgetItem* FolderToTreeVisualizer::FindFolderItem(const QTreeWidget& tree, std::size_t position) {
    for (QTreeWidgetItemIterator it(const_cast<QTreeWidget*>(&tree)); *it != nullptr; ++it) {
        if (FolderPositionOf(*it) == position) {
            return *it;
        }
    }
    return nullptr;
}

void FolderToTreeVisualizer::SortChildren(QTreeWidgetItem& top, const PasswordADT::PasswordData& data,
                                          const FolderSortOrder& order, bool recursive) {
    // A work list instead of recursion: a chain of thousands of folders must not exhaust the stack.
    std::vector<QTreeWidgetItem*> pending{&top};
    while (!pending.empty()) {
        QTreeWidgetItem& parent = *pending.back();
        pending.pop_back();
        QList<QTreeWidgetItem*> children = parent.takeChildren();
        std::vector<std::pair<std::size_t, QTreeWidgetItem*>> keyed;
        keyed.reserve(static_cast<std::size_t>(children.size()));
        for (QTreeWidgetItem* child : children) {
            const auto position = FolderPositionOf(child);
            if (!position) {
                parent.addChildren(children);
                throw Exception(u"invalid item data", u"FolderToTreeVisualizer::SortChildren");
            }
            keyed.emplace_back(*position, child);
        }
        std::stable_sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) {
            return CompareFolders(order, a.first, FolderName(data, a.first), b.first, FolderName(data, b.first)) < 0;
        });
        children.clear();
        for (const auto& entry : keyed) {
            children.append(entry.second);
        }
        parent.addChildren(children);
        if (recursive) {
            for (QTreeWidgetItem* child : children) {
                if (child->childCount() > 0) {
                    pending.push_back(child);
                }
            }
        }
    }
}

bool FolderToTreeVisualizer::Visualize(QTreeWidget& tree, const PasswordADT::PasswordData& data,
                                       const FolderSortOrder& order) {
    tree.clear();
    auto* root = new QTreeWidgetItem(QStringList(ToQString(kRootText)));
    root->setData(0, kKindRole, static_cast<int>(TreeItemKind::Root));
    // Icons are set while the items are detached: on a shown tree every change of an item
    // looks up its row among its siblings, which makes a wide tree slow to fill.
    root->setIcon(0, RootIcon());
    const QIcon folderIcon = FolderIcon();
    root->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDropEnabled);
    // Built and sorted while detached, then handed to the tree in one step.
    std::unique_ptr<QTreeWidgetItem> owner(root);

    const FolderArrangement arrangement = ArrangeFolders(data, u"FolderToTreeVisualizer::AddFolderItem");
    std::unordered_map<std::size_t, QTreeWidgetItem*> items;
    items.reserve(arrangement.placements.size());
    for (const FolderPlacement& placement : arrangement.placements) {
        QTreeWidgetItem* parent = root;
        if (placement.parent) {
            const auto found = items.find(*placement.parent);
            if (found == items.end()) {
                throw Exception(u"invalid parent", u"FolderToTreeVisualizer::AddFolderItem");
            }
            parent = found->second;
        }
        auto* item = new QTreeWidgetItem(parent, QStringList(ToQString(data.Folders()[placement.position]->GetName().View())));
        SetFolderData(*item, placement.position);
        item->setIcon(0, folderIcon);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsDropEnabled);
        items.emplace(placement.position, item);
    }
    SortChildren(*root, data, order, true);
    tree.addTopLevelItem(owner.release());
    root->setExpanded(true);
    return arrangement.setAside;
}

} // namespace Tarnwick::Views
