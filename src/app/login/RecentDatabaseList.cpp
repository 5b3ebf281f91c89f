#include "app/login/RecentDatabaseList.h"

#include "core/text/Format.h"

namespace Tarnwick::UI {

std::u16string RecentButtonText(std::size_t index, std::u16string_view path) {
    const std::size_t separator = path.find_last_of(u"/\\");
    const std::u16string_view name = separator == std::u16string_view::npos ? path : path.substr(separator + 1);
    if (index < 9) {
        return Text::Format(u"&%d %s", static_cast<int>(index + 1), name).ToStdString();
    }
    if (index == 9) {
        return Text::Format(u"1&0 %s", name).ToStdString();
    }
    return std::u16string(name);
}

int RecentCommand(std::size_t index) noexcept {
    return kFirstRecentCommand + static_cast<int>(index);
}

const ApplicationSettings::RecentDatabase* RecentForCommand(const ApplicationSettings::RecentDatabases& list,
                                                           int command) noexcept {
    if (command < kFirstRecentCommand || command > kLastRecentCommand) {
        return nullptr;
    }
    const auto index = static_cast<std::size_t>(command - kFirstRecentCommand);
    return index < list.items.size() ? &list.items[index] : nullptr;
}

} // namespace Tarnwick::UI
