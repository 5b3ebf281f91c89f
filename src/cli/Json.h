#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "crypto/WipingAllocator.h"

namespace Tarnwick::Cli::Json {

// Text that may hold a secret on its way out: every block it leaves behind is wiped.
using Buffer = std::basic_string<char, std::char_traits<char>, CryptoServiceProvider::WipingAllocator<char>>;

// A JSON string literal of the text, with quotes, appended to out.
void AppendQuoted(Buffer& out, std::u16string_view text);
void AppendQuoted(Buffer& out, std::string_view utf8);

// A JSON string literal of UTF-8 text, with quotes (for text that holds no secret).
std::string Quote(std::string_view utf8);
std::string Quote(std::u16string_view text);

// "2026-12-07T18:15:09Z" for seconds since 1970 (UTC).
std::string IsoTime(std::int64_t seconds);

} // namespace Tarnwick::Cli::Json
