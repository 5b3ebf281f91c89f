#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "model/FolderTree.h"
#include "model/PasswordData.h"

namespace Tarnwick::Cli {

// Entries are addressed as "Ordner/Unterordner/Beschreibung"; a description that is not
// unique within its folder takes "#n", the n-th entry of that description (from 1).
struct EntryLocation {
    PasswordADT::CategoryRef folder;
    std::size_t folderPosition = 0;
    std::size_t entryPosition = 0;
    PasswordADT::PasswordItemRef item;
};

// The parts of a path; empty parts (doubled or outer slashes) are dropped.
std::vector<std::u16string> SplitPath(std::u16string_view path);

// The folder at a path from the top level; nullptr when there is none.
PasswordADT::CategoryRef FindFolder(const PasswordADT::PasswordData& data, std::u16string_view path);
// Throws RequestError when the folder does not exist.
PasswordADT::CategoryRef RequireFolder(const PasswordADT::PasswordData& data, std::u16string_view path);
// Throws RequestError when the entry does not exist or is not unique.
EntryLocation RequireEntry(const PasswordADT::PasswordData& data, std::u16string_view path);
// The folders directly below parent (nullptr: the top level), in list order.
std::vector<PasswordADT::CategoryRef> ChildFolders(const PasswordADT::PasswordData& data,
                                                   const PasswordADT::Category* parent);
// "A/B" of a folder.
std::u16string FolderPath(const PasswordADT::PasswordData& data, const PasswordADT::Category& folder);
std::u16string FolderPath(const PasswordADT::FolderTree& tree, const PasswordADT::Category& folder);
// "A/B/Beschreibung", with "#n" when the description repeats in its folder.
std::u16string EntryPath(const PasswordADT::PasswordData& data, const PasswordADT::Category& folder,
                         std::size_t entryPosition);
// The names of all entries of a folder, in list order: the description, with "#n" where it
// repeats (one pass over the folder).
std::vector<std::u16string> EntryPaths(const PasswordADT::Category& folder);
std::size_t PositionOf(const PasswordADT::PasswordData& data, const PasswordADT::Category& folder);

} // namespace Tarnwick::Cli
