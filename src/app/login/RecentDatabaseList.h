#pragma once

#include <string>
#include <string_view>

#include "options/Settings.h"

namespace Tarnwick::UI {

// The menu's list of recent databases: its group title, each entry's button text and command.
inline constexpr std::u16string_view kRecentDatabasesTitle = u"Zuletzt verwendete Datenbanken";
inline constexpr int kFirstRecentCommand = 57616;
// Only the first five entries open a database.
inline constexpr int kLastRecentCommand = 57620;

// The file name part of the path (after the last separator; the whole text when it has none),
// numbered "&1 name".."&9 name", "1&0 name" for the tenth and bare from the eleventh on.
std::u16string RecentButtonText(std::size_t index, std::u16string_view path);
// kFirstRecentCommand + index.
int RecentCommand(std::size_t index) noexcept;
// The entry behind a command, or nullptr (outside 57616..57620 or beyond the list).
const ApplicationSettings::RecentDatabase* RecentForCommand(const ApplicationSettings::RecentDatabases& list,
                                                           int command) noexcept;

} // namespace Tarnwick::UI
