#include "exchange/ExportSelection.h"

#include <algorithm>
#include <memory>
#include <unordered_map>

#include "base/exceptions/Exception.h"

namespace Tarnwick::ExportImport {

using PasswordADT::Category;
using PasswordADT::PasswordData;
using Utilities::Exceptions::Exception;

namespace {

constexpr const char16_t* kContext = u"ExportSelection::SelectedData";

const Category& FolderAt(const PasswordData& data, std::size_t position) {
    if (position >= data.FolderCount() || !data.Folders()[position]) {
        throw Exception(u"category out of range", kContext);
    }
    return *data.Folders()[position];
}

} // namespace

Selection Selection::All(const PasswordData& data) {
    Selection all;
    for (std::size_t f = 0; f < data.FolderCount(); ++f) {
        all.folders.push_back(f);
        if (!data.Folders()[f]) {
            continue;
        }
        for (std::size_t e = 0; e < data.Folders()[f]->Entries().size(); ++e) {
            all.entries.push_back({f, e});
        }
    }
    return all;
}

std::vector<std::size_t> ParentPositions(const PasswordData& data) {
    const std::size_t count = data.FolderCount();
    std::unordered_map<std::uint32_t, std::size_t> firstWithId;
    for (std::size_t i = 0; i < count; ++i) {
        firstWithId.emplace(FolderAt(data, i).GetId(), i);
    }
    std::vector<std::size_t> direct(count, kNoParentPosition);
    for (std::size_t i = 0; i < count; ++i) {
        const Category& folder = *data.Folders()[i];
        if (folder.IsTopLevel()) {
            continue;
        }
        const auto found = firstWithId.find(folder.GetParentId());
        if (found != firstWithId.end() && found->second != i) {
            direct[i] = found->second;
        }
    }
    // A folder whose way up comes back to itself is on a cycle: it hangs at the top instead.
    // A way up that runs longer than there are folders has entered some other cycle.
    std::vector<std::size_t> parents(direct);
    for (std::size_t i = 0; i < count; ++i) {
        std::size_t at = direct[i];
        for (std::size_t steps = 0; at != kNoParentPosition && steps <= count; ++steps) {
            if (at == i) {
                parents[i] = kNoParentPosition;
                break;
            }
            at = direct[at];
        }
    }
    return parents;
}

std::vector<std::size_t> FolderChain(const std::vector<std::size_t>& parents, std::size_t position) {
    std::vector<std::size_t> chain;
    // ParentPositions leaves no cycle; the bound only guards against a hand-made table.
    for (std::size_t at = position; at != kNoParentPosition && chain.size() <= parents.size(); at = parents[at]) {
        chain.push_back(at);
    }
    std::reverse(chain.begin(), chain.end());
    return chain;
}

std::vector<std::size_t> SelectedFolders(const PasswordData& data, const Selection& selection,
                                         const std::vector<std::size_t>& parents) {
    std::vector<bool> taken(data.FolderCount(), false);
    const auto take = [&](std::size_t position) {
        FolderAt(data, position);
        for (const std::size_t at : FolderChain(parents, position)) {
            taken[at] = true;
        }
    };
    for (const std::size_t position : selection.folders) {
        take(position);
    }
    for (const CheckedEntry& entry : selection.entries) {
        take(entry.folder);
    }
    std::vector<std::size_t> positions;
    for (std::size_t i = 0; i < taken.size(); ++i) {
        if (taken[i]) {
            positions.push_back(i);
        }
    }
    return positions;
}

std::vector<CheckedEntry> SelectedEntries(const PasswordData& data, const Selection& selection) {
    std::vector<CheckedEntry> entries;
    for (const CheckedEntry& entry : selection.entries) {
        const Category& folder = FolderAt(data, entry.folder);
        if (entry.entry >= folder.Entries().size() || !folder.Entries()[entry.entry]) {
            throw Exception(u"password item out of range", kContext);
        }
        entries.push_back(entry);
    }
    std::sort(entries.begin(), entries.end(), [](const CheckedEntry& a, const CheckedEntry& b) {
        return a.folder != b.folder ? a.folder < b.folder : a.entry < b.entry;
    });
    entries.erase(std::unique(entries.begin(), entries.end(),
                              [](const CheckedEntry& a, const CheckedEntry& b) {
                                  return a.folder == b.folder && a.entry == b.entry;
                              }),
                  entries.end());
    return entries;
}

PasswordData SelectedData(const PasswordData& data, const Selection& selection) {
    const std::vector<std::size_t> parents = ParentPositions(data);
    const std::vector<CheckedEntry> entries = SelectedEntries(data, selection);
    PasswordData subset;
    std::unordered_map<std::size_t, std::shared_ptr<Category>> copies;
    for (const std::size_t position : SelectedFolders(data, selection, parents)) {
        const Category& folder = *data.Folders()[position];
        const std::uint32_t parentId = parents[position] == kNoParentPosition
                                           ? Category::kNoParent
                                           : data.Folders()[parents[position]]->GetId();
        auto copy = std::make_shared<Category>(folder.GetId(), parentId, folder.GetName().View());
        subset.AssignAsNextIdIfHigher(copy);
        copies.emplace(position, std::move(copy));
    }
    for (const CheckedEntry& entry : entries) {
        copies.at(entry.folder)->Entries().push_back(data.Folders()[entry.folder]->Entries()[entry.entry]);
    }
    return subset;
}

} // namespace Tarnwick::ExportImport
