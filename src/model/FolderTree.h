#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "model/PasswordData.h"

namespace Tarnwick::PasswordADT {

// Who is whose child, built in one pass over the folders so that walking the tree costs no
// more than the tree itself. A folder whose parent is missing, or that sits in a loop of
// parents, is placed at the top level, so every folder is reachable exactly once. The tree
// holds references: it is valid until the folders change.
class FolderTree {
public:
    explicit FolderTree(const PasswordData& data);

    // The top-level folders, in list order.
    const std::vector<CategoryRef>& TopLevel() const noexcept { return m_top; }
    // The folders directly below folder (nullptr: the top level), in list order.
    const std::vector<CategoryRef>& Children(const Category* folder) const;
    // The folder a folder hangs under in this tree; nullptr at the top level.
    const Category* Parent(const Category& folder) const;
    // The first folder with this id, or nullptr.
    CategoryRef Find(std::uint32_t id) const;

private:
    std::unordered_map<std::uint32_t, CategoryRef> m_byId;
    std::unordered_map<const Category*, std::vector<CategoryRef>> m_children;
    std::unordered_map<const Category*, const Category*> m_parent;
    std::vector<CategoryRef> m_top;
    std::vector<CategoryRef> m_none;
};

// For each folder position: whether the folder is part of a loop of parent ids (a folder
// that is its own parent included).
std::vector<bool> FoldersInParentLoops(const PasswordData& data);

// Files every folder of a parent loop at the top level; returns how many folders moved.
std::size_t BreakParentLoops(PasswordData& data);

} // namespace Tarnwick::PasswordADT
