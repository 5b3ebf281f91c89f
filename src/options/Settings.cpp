#include "options/Settings.h"

#include <algorithm>

namespace ApplicationSettings {

void RecentDatabases::Add(std::u16string_view path, std::int32_t kt) {
    const auto same = [&](const RecentDatabase& item) { return item.kt == kt && item.path == path; };
    if (!items.empty()) {
        const auto found = std::find_if(items.begin(), items.end(), same);
        if (found == items.begin()) {
            return;
        }
        if (found != items.end()) {
            items.erase(found);
        }
    }
    items.insert(items.begin(), RecentDatabase{std::u16string(path), kt});
    const std::size_t limit = maxCount > 0 ? static_cast<std::size_t>(maxCount) : 0;
    if (items.size() > limit) {
        items.resize(limit);
    }
    changed = true;
}

} // namespace ApplicationSettings
