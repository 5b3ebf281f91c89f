#include "model/PasswordData.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "base/exceptions/Exception.h"

namespace Tarnwick::PasswordADT {

using Utilities::Exceptions::Exception;

namespace {
constexpr std::int64_t kIdLimit = 0x7FFFFFFF;
}

const CategoryRef& PasswordData::FolderAt(std::size_t index, const char16_t* context) const {
    if (index >= m_folders.size() || !m_folders[index]) {
        throw Exception(u"category out of range", context);
    }
    return m_folders[index];
}

std::uint32_t PasswordData::NextId() {
    if (m_folders.empty()) {
        m_idCounter = 0;
        return 0;
    }
    const std::int64_t next = static_cast<std::int64_t>(m_idCounter) + 1;
    if (next >= kIdLimit || next < 0) {
        throw Exception(u"id limit reached", u"PasswordData::NextId");
    }
    m_idCounter = static_cast<std::int32_t>(next);
    return static_cast<std::uint32_t>(next);
}

CategoryRef PasswordData::AddFolder(std::u16string_view name) {
    // The name is checked before an id is used up.
    auto folder = std::make_shared<Category>(Category::kUnassignedId, Category::kNoParent, name);
    folder->SetId(NextId());
    m_folders.push_back(folder);
    return folder;
}

CategoryRef PasswordData::AddSubfolder(std::uint32_t parentId, std::u16string_view name) {
    AssureParentIdExists(parentId);
    auto folder = std::make_shared<Category>(Category::kUnassignedId, parentId, name);
    folder->SetId(NextId());
    m_folders.push_back(folder);
    return folder;
}

void PasswordData::AssureParentIdExists(std::uint32_t id) const {
    for (std::size_t i = 0; i < m_folders.size(); ++i) {
        if (FolderAt(i, u"PasswordData::AssureParentIdExists")->GetId() == id) {
            return;
        }
    }
    throw Exception(u"invalid parent id", u"PasswordData::AssureParentIdExists");
}

void PasswordData::AssignAsNextIdIfHigher(const CategoryRef& folder) {
    if (!folder) {
        throw Exception(u"category out of range", u"PasswordData::AssignAsNextIdIfHigher");
    }
    const std::uint32_t id = folder->GetId();
    // Ids from 0x7FFFFFFF up would turn the signed counter negative; only "unassigned" may stand there.
    if (id != Category::kUnassignedId && id >= kIdLimit) {
        throw Exception(u"id limit reached", u"PasswordData::AssignAsNextIdIfHigher");
    }
    m_folders.push_back(folder);
    if (id != Category::kUnassignedId && static_cast<std::int32_t>(id) > m_idCounter) {
        m_idCounter = static_cast<std::int32_t>(id);
    }
}

void PasswordData::AssignValidIDsToCategories(bool reassignAll) {
    if (reassignAll) {
        m_idCounter = -1;
    }
    // Old id -> new id; the first folder of an id is the one its children hang under.
    std::unordered_map<std::uint32_t, std::uint32_t> renumbered;
    for (std::size_t i = 0; i < m_folders.size(); ++i) {
        const CategoryRef& folder = FolderAt(i, u"PasswordData::AssignValidIDsToCategories");
        if (reassignAll || folder->GetId() == Category::kUnassignedId) {
            const std::uint32_t old = folder->GetId();
            folder->SetId(NextId());
            if (reassignAll && old != Category::kUnassignedId) {
                renumbered.emplace(old, folder->GetId());
            }
        }
    }
    if (!reassignAll) {
        return;
    }
    // Parents name their folder by id: each follows its folder to the new id, and one that
    // named no folder stays at the top level, where it was shown.
    for (const CategoryRef& folder : m_folders) {
        if (folder->IsTopLevel()) {
            continue;
        }
        const auto found = renumbered.find(folder->GetParentId());
        folder->SetParentId(found != renumbered.end() ? found->second : Category::kNoParent);
    }
}

CategoryRef PasswordData::FindFolderByParentId(std::uint32_t id) const {
    for (std::size_t i = 0; i < m_folders.size(); ++i) {
        const CategoryRef& folder = FolderAt(i, u"PasswordData::FindFolderByParentId");
        if (folder->GetId() == id) {
            return folder;
        }
    }
    return nullptr;
}

CategoryRef PasswordData::ReverseFindByName(std::u16string_view name) const {
    for (std::size_t i = m_folders.size(); i-- > 0;) {
        const CategoryRef& folder = FolderAt(i, u"PasswordData::ReverseFindByName");
        if (folder->GetName().View() == name) {
            return folder;
        }
    }
    return nullptr;
}

void PasswordData::DeleteFolder(std::size_t index) {
    const CategoryRef root = FolderAt(index, u"PasswordData::DeleteFolder");
    // Collect the subtree first; a parent chain that loops back is visited once only.
    std::unordered_set<const Category*> doomed{root.get()};
    std::vector<std::uint32_t> pending{root->GetId()};
    while (!pending.empty()) {
        const std::uint32_t parent = pending.back();
        pending.pop_back();
        for (std::size_t i = 0; i < m_folders.size(); ++i) {
            const CategoryRef& folder = FolderAt(i, u"PasswordData::DeleteFolder");
            if (folder->GetParentId() == parent && doomed.insert(folder.get()).second) {
                pending.push_back(folder->GetId());
            }
        }
    }
    m_folders.erase(std::remove_if(m_folders.begin(), m_folders.end(),
                                   [&](const CategoryRef& folder) { return doomed.count(folder.get()) != 0; }),
                    m_folders.end());
}

int PasswordData::MoveEntry(std::size_t targetFolder, std::size_t sourceFolder, std::size_t entry) {
    if (m_folders.empty()) {
        return MoveEntryNoFolders;
    }
    if (targetFolder >= m_folders.size() || !m_folders[targetFolder]) {
        return MoveEntryNoTarget;
    }
    if (sourceFolder >= m_folders.size() || !m_folders[sourceFolder]) {
        return MoveEntryNoSource;
    }
    if (targetFolder == sourceFolder || m_folders[targetFolder] == m_folders[sourceFolder]) {
        return MoveEntrySameFolder;
    }
    auto& source = m_folders[sourceFolder]->Entries();
    if (entry >= source.size()) {
        return MoveEntryNoEntry;
    }
    const PasswordItemRef item = source[entry];
    m_folders[targetFolder]->Entries().push_back(item);
    source.erase(source.begin() + static_cast<std::ptrdiff_t>(entry));
    return MoveEntrySucceeded;
}

bool PasswordData::HasEntries() const {
    for (std::size_t i = 0; i < m_folders.size(); ++i) {
        if (!FolderAt(i, u"PasswordData::HasEntries")->Entries().empty()) {
            return true;
        }
    }
    return false;
}

std::size_t PasswordData::EntryCount() const {
    std::size_t count = 0;
    for (std::size_t i = 0; i < m_folders.size(); ++i) {
        for (const auto& item : FolderAt(i, u"PasswordData::EntryCount")->Entries()) {
            if (!item) {
                throw Exception(u"password item out of range", u"PasswordData::EntryCount");
            }
            ++count;
        }
    }
    return count;
}

void PasswordData::Clear() noexcept {
    m_folders.clear();
    m_idCounter = -1;
}

} // namespace Tarnwick::PasswordADT
