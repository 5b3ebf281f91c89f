#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace Tarnwick::AutoCompletion {

// Browsers whose window titles end in " - " and their name, in order of precedence. A
// browser kind is the 1-based place in this list; 0 is no browser.
inline constexpr std::array<std::u16string_view, 11> kBrowserNames = {
    u"Microsoft Internet Explorer",
    u"Windows Internet Explorer",
    u"Mozilla Firefox",
    u"SeaMonkey",
    u"Flock",
    u"Netscape Navigator",
    u"Opera",
    u"Iron",
    u"Google Chrome",
    u"K-Melon",
    u"Avant Browser",
};
inline constexpr int kNoBrowser = 0;
inline constexpr std::u16string_view kNotSupportedBrowser = u"NotSupported";

// Stands in a target window text where a browser title carries the browser's name.
inline constexpr std::u16string_view kUserAgentPlaceholder = u"{USERAGENT}";

// The browser's name for kinds 1 to 11, "NotSupported" for any other.
std::u16string_view BrowserName(int kind) noexcept;

// Whether the text after the title's last " - " is exactly one of the browser names
// (case-sensitive). kind, when given, receives the browser kind (0 when none).
bool IsBrowserWindow(std::u16string_view title, int* kind = nullptr) noexcept;

// Whether an entry's target window text matches a window title: the same text, or, for a
// browser title and a target holding "{USERAGENT}", the same text before the last " -".
bool MatchesWindow(std::u16string_view target, std::u16string_view title) noexcept;

} // namespace Tarnwick::AutoCompletion
