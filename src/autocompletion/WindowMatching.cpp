#include "autocompletion/WindowMatching.h"

namespace Tarnwick::AutoCompletion {

namespace {

constexpr std::u16string_view kBrowserSeparator = u" - ";
constexpr std::u16string_view kPageSeparator = u" -";

// The text before the last " -" that has at least one character after it; empty when
// there is none or it opens the text.
std::u16string_view PageName(std::u16string_view text) noexcept {
    if (text.size() < kPageSeparator.size() + 1) {
        return {};
    }
    const std::size_t found = text.rfind(kPageSeparator, text.size() - kPageSeparator.size() - 1);
    if (found == std::u16string_view::npos || found == 0) {
        return {};
    }
    return text.substr(0, found);
}

} // namespace

std::u16string_view BrowserName(int kind) noexcept {
    if (kind < 1 || static_cast<std::size_t>(kind) > kBrowserNames.size()) {
        return kNotSupportedBrowser;
    }
    return kBrowserNames[static_cast<std::size_t>(kind) - 1];
}

bool IsBrowserWindow(std::u16string_view title, int* kind) noexcept {
    if (kind != nullptr) {
        *kind = kNoBrowser;
    }
    // Only the title's last part names the browser: a page called "Sydney Opera House"
    // shown in Chrome is Chrome, and a title without " - " is no browser at all.
    const std::size_t separator = title.rfind(kBrowserSeparator);
    if (separator == std::u16string_view::npos) {
        return false;
    }
    const std::u16string_view tail = title.substr(separator + kBrowserSeparator.size());
    for (std::size_t i = 0; i < kBrowserNames.size(); ++i) {
        if (tail == kBrowserNames[i]) {
            if (kind != nullptr) {
                *kind = static_cast<int>(i + 1);
            }
            return true;
        }
    }
    return false;
}

bool MatchesWindow(std::u16string_view target, std::u16string_view title) noexcept {
    if (target == title) {
        return true;
    }
    if (!IsBrowserWindow(title) || target.find(kUserAgentPlaceholder) == std::u16string_view::npos) {
        return false;
    }
    return PageName(target) == PageName(title);
}

} // namespace Tarnwick::AutoCompletion
