#include "app/views/FolderComparator.h"

#include <algorithm>

#include "base/text/CaseFolding.h"

namespace Tarnwick::Views {

namespace {

int CompareLowered(std::u16string_view a, std::u16string_view b) noexcept {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const char16_t left = Text::ToLower(a[i]);
        const char16_t right = Text::ToLower(b[i]);
        if (left != right) {
            return left < right ? -1 : 1;
        }
    }
    if (a.size() == b.size()) {
        return 0;
    }
    return a.size() < b.size() ? -1 : 1;
}

int Directed(const FolderSortOrder& order, int result) noexcept {
    return order.direction == FolderSortOrder::kAscending ? result : -result;
}

int ComparePositions(std::size_t a, std::size_t b) noexcept { return a == b ? 0 : (a < b ? -1 : 1); }

} // namespace

int CompareFolders(const FolderSortOrder& order, std::size_t firstPosition, std::u16string_view firstName,
                   std::size_t secondPosition, std::u16string_view secondName) noexcept {
    if (order.key == FolderSortOrder::kByName) {
        return Directed(order, CompareLowered(firstName, secondName));
    }
    return Directed(order, ComparePositions(firstPosition, secondPosition));
}

int CompareEntries(const FolderSortOrder& order, std::size_t firstPosition, std::u16string_view firstDescription,
                   std::size_t secondPosition, std::u16string_view secondDescription) noexcept {
    return CompareFolders(order, firstPosition, firstDescription, secondPosition, secondDescription);
}

} // namespace Tarnwick::Views
