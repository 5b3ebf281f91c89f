#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace Tarnwick::Views {

// Sort key and direction of the folder tree, as the settings store them (command ids).
struct FolderSortOrder {
    static constexpr std::int32_t kByName = 32879;
    static constexpr std::int32_t kByIndex = 32880;
    static constexpr std::int32_t kAscending = 32881;
    static constexpr std::int32_t kDescending = 32882;

    std::int32_t key = kByIndex;
    std::int32_t direction = kDescending;
};

// <0, 0 or >0 as the first folder sorts before, with or after the second: by position, or by
// the names lower-cased character by character and compared by code value.
int CompareFolders(const FolderSortOrder& order, std::size_t firstPosition, std::u16string_view firstName,
                   std::size_t secondPosition, std::u16string_view secondName) noexcept;

// The same rule for entries of one folder in the checked tree: by position or by description.
int CompareEntries(const FolderSortOrder& order, std::size_t firstPosition, std::u16string_view firstDescription,
                   std::size_t secondPosition, std::u16string_view secondDescription) noexcept;

} // namespace Tarnwick::Views
