#include "app/views/TreeItems.h"

#include <unordered_map>
#include <unordered_set>

#include <QTreeWidgetItem>
#include <QVariant>

#include "base/exceptions/Exception.h"

namespace Tarnwick::Views {

TreeItemKind KindOf(const QTreeWidgetItem* item) {
    if (item == nullptr) {
        return TreeItemKind::Root;
    }
    return static_cast<TreeItemKind>(item->data(0, kKindRole).toInt());
}

bool IsRootItem(const QTreeWidgetItem* item) { return item != nullptr && KindOf(item) == TreeItemKind::Root; }

std::optional<std::size_t> FolderPositionOf(const QTreeWidgetItem* item) {
    if (item == nullptr || KindOf(item) != TreeItemKind::Folder) {
        return std::nullopt;
    }
    const QVariant value = item->data(0, kPositionRole);
    if (!value.isValid()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(value.toULongLong());
}

void SetFolderData(QTreeWidgetItem& item, std::size_t position) {
    item.setData(0, kKindRole, static_cast<int>(TreeItemKind::Folder));
    item.setData(0, kPositionRole, QVariant::fromValue<qulonglong>(position));
}

FolderArrangement ArrangeFolders(const PasswordADT::PasswordData& data, const char16_t* context) {
    FolderArrangement arrangement;
    std::unordered_map<std::uint32_t, std::size_t> inserted;
    std::unordered_set<std::uint32_t> known;
    std::vector<std::size_t> setAside;
    const auto& folders = data.Folders();
    for (std::size_t position = 0; position < folders.size(); ++position) {
        const auto& folder = folders[position];
        if (!folder) {
            throw Utilities::Exceptions::Exception(u"invalid folder", context);
        }
        const std::uint32_t id = folder->GetId();
        if (!known.insert(id).second) {
            continue; // one item per folder id
        }
        if (folder->IsTopLevel()) {
            arrangement.placements.push_back({position, std::nullopt});
            inserted.emplace(id, position);
            continue;
        }
        const auto parent = inserted.find(folder->GetParentId());
        if (parent == inserted.end()) {
            setAside.push_back(position);
            continue;
        }
        arrangement.placements.push_back({position, parent->second});
        inserted.emplace(id, position);
    }
    for (std::size_t position : setAside) {
        arrangement.placements.push_back({position, std::nullopt});
    }
    arrangement.setAside = !setAside.empty();
    return arrangement;
}

} // namespace Tarnwick::Views
