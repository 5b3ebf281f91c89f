#include "model/FolderTree.h"

namespace Tarnwick::PasswordADT {

namespace {

// The position of the first folder of each id.
std::unordered_map<std::uint32_t, std::size_t> FirstPositions(const PasswordData& data) {
    std::unordered_map<std::uint32_t, std::size_t> positions;
    positions.reserve(data.FolderCount());
    const auto& folders = data.Folders();
    for (std::size_t i = 0; i < folders.size(); ++i) {
        if (folders[i]) {
            positions.emplace(folders[i]->GetId(), i);
        }
    }
    return positions;
}

constexpr std::size_t kNoPosition = static_cast<std::size_t>(-1);

} // namespace

std::vector<bool> FoldersInParentLoops(const PasswordData& data) {
    const auto& folders = data.Folders();
    const auto positions = FirstPositions(data);
    const auto parentOf = [&](std::size_t i) -> std::size_t {
        if (!folders[i] || folders[i]->IsTopLevel()) {
            return kNoPosition;
        }
        const auto found = positions.find(folders[i]->GetParentId());
        return found == positions.end() ? kNoPosition : found->second;
    };
    // Each folder has at most one parent: following the chain from every folder once, marking
    // what was seen, finds each loop in linear time.
    enum : unsigned char { Unseen, OnPath, Done };
    std::vector<unsigned char> state(folders.size(), Unseen);
    std::vector<bool> inLoop(folders.size(), false);
    std::vector<std::size_t> path;
    for (std::size_t start = 0; start < folders.size(); ++start) {
        path.clear();
        std::size_t current = start;
        while (current != kNoPosition && state[current] == Unseen) {
            state[current] = OnPath;
            path.push_back(current);
            current = parentOf(current);
        }
        if (current != kNoPosition && state[current] == OnPath) {
            // The chain came back to itself: everything from that folder on is the loop.
            bool loop = false;
            for (const std::size_t member : path) {
                loop = loop || member == current;
                if (loop) {
                    inLoop[member] = true;
                }
            }
        }
        for (const std::size_t member : path) {
            state[member] = Done;
        }
    }
    return inLoop;
}

std::size_t BreakParentLoops(PasswordData& data) {
    const std::vector<bool> inLoop = FoldersInParentLoops(data);
    std::size_t moved = 0;
    for (std::size_t i = 0; i < inLoop.size(); ++i) {
        if (inLoop[i]) {
            data.Folders()[i]->SetParentId(Category::kNoParent);
            ++moved;
        }
    }
    return moved;
}

FolderTree::FolderTree(const PasswordData& data) {
    const auto& folders = data.Folders();
    m_byId.reserve(folders.size());
    for (const auto& folder : folders) {
        if (folder) {
            m_byId.emplace(folder->GetId(), folder);
        }
    }
    const std::vector<bool> inLoop = FoldersInParentLoops(data);
    for (std::size_t i = 0; i < folders.size(); ++i) {
        const CategoryRef& folder = folders[i];
        if (!folder) {
            continue;
        }
        const Category* parent = nullptr;
        if (!folder->IsTopLevel() && !inLoop[i]) {
            const auto found = m_byId.find(folder->GetParentId());
            if (found != m_byId.end() && found->second != folder) {
                parent = found->second.get();
            }
        }
        if (parent == nullptr) {
            m_top.push_back(folder);
        } else {
            m_children[parent].push_back(folder);
            m_parent.emplace(folder.get(), parent);
        }
    }
}

const std::vector<CategoryRef>& FolderTree::Children(const Category* folder) const {
    if (folder == nullptr) {
        return m_top;
    }
    const auto found = m_children.find(folder);
    return found == m_children.end() ? m_none : found->second;
}

const Category* FolderTree::Parent(const Category& folder) const {
    const auto found = m_parent.find(&folder);
    return found == m_parent.end() ? nullptr : found->second;
}

CategoryRef FolderTree::Find(std::uint32_t id) const {
    const auto found = m_byId.find(id);
    return found == m_byId.end() ? nullptr : found->second;
}

} // namespace Tarnwick::PasswordADT
