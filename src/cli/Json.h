#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace Tarnwick::Cli::Json {

// A JSON string literal of UTF-8 text, with quotes.
std::string Quote(std::string_view utf8);
std::string Quote(std::u16string_view text);

} // namespace Tarnwick::Cli::Json
