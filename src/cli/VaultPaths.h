#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "model/FolderTree.h"
#include "model/PasswordData.h"

namespace Tarnwick::Cli {

// Entries are addressed as "Ordner/Unterordner/Beschreibung"; a description that is not
// unique within its folder takes "#n", the n-th entry of that description (from 1). Inside a
// name "\/" stands for a slash, "\\" for a backslash, "\#" for a hash and "\n", "\r" for line
// breaks, so every name can be written as a path and every printed path read back.
struct EntryLocation {
    PasswordADT::CategoryRef folder;
    std::size_t folderPosition = 0;
    std::size_t entryPosition = 0;
    PasswordADT::PasswordItemRef item;
};

// The parts of a path, unescaped; empty parts (doubled or outer slashes) are dropped.
std::vector<std::u16string> SplitPath(std::u16string_view path);
// A name as a path shows it. An entry's name also escapes a last "#<digits>", which would
// otherwise read as "the n-th entry".
std::u16string EscapeName(std::u16string_view name, bool entry);
// Appends the escaped name to a path.
void AppendEscaped(std::u16string& path, std::u16string_view name, bool entry);

// An entry's path taken apart: the folder's parts, the description and the ordinal ("#n",
// 0 when not given).
struct EntryAddress {
    std::vector<std::u16string> folder;
    std::u16string description;
    std::size_t ordinal = 0;
};
// Throws RequestError when there is no folder part or no description.
EntryAddress ParseEntryPath(std::u16string_view path);

// The folder at a path from the top level; nullptr when there is none.
PasswordADT::CategoryRef FindFolder(const PasswordADT::PasswordData& data, std::u16string_view path);
// Throws RequestError when the folder does not exist.
PasswordADT::CategoryRef RequireFolder(const PasswordADT::PasswordData& data, std::u16string_view path);
// Throws RequestError when the entry does not exist or is not unique.
EntryLocation RequireEntry(const PasswordADT::PasswordData& data, std::u16string_view path);
// The folders directly below parent (nullptr: the top level), in list order.
std::vector<PasswordADT::CategoryRef> ChildFolders(const PasswordADT::PasswordData& data,
                                                   const PasswordADT::Category* parent);
// "A/B" of a folder, escaped.
std::u16string FolderPath(const PasswordADT::PasswordData& data, const PasswordADT::Category& folder);
std::u16string FolderPath(const PasswordADT::FolderTree& tree, const PasswordADT::Category& folder);
// "A/B/Beschreibung", escaped, with "#n" when the description repeats in its folder.
std::u16string EntryPath(const PasswordADT::PasswordData& data, const PasswordADT::Category& folder,
                         std::size_t entryPosition);
// The names of all entries of a folder, in list order: the escaped description, with "#n"
// where it repeats (one pass over the folder).
std::vector<std::u16string> EntryPaths(const PasswordADT::Category& folder);
// The same for the descriptions of a folder's entries, in list order.
std::vector<std::u16string> EntryNames(const std::vector<std::u16string_view>& descriptions);
std::size_t PositionOf(const PasswordADT::PasswordData& data, const PasswordADT::Category& folder);

} // namespace Tarnwick::Cli
