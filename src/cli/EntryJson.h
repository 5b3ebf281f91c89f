#pragma once

#include <string_view>

#include "cli/Json.h"
#include "model/PasswordItem.h"

namespace Tarnwick::Cli {

// An entry as one JSON object with English keys (see `twcli show --help`); the password and
// the earlier passwords only when reveal is set. Written into a wiping buffer.
void AppendEntryJson(Json::Buffer& out, const PasswordADT::PasswordItem& item, std::u16string_view path,
                     std::u16string_view folderPath, bool reveal);

// The keys, for the help text.
extern const char* const kEntryJsonHelp;

} // namespace Tarnwick::Cli
