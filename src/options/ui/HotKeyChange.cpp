#include "options/ui/HotKeyChange.h"

namespace Tarnwick::OptionsLibrary {

namespace {

std::uint32_t Modifiers(const ApplicationSettings::Settings& settings) {
    return static_cast<std::uint32_t>(settings.hotKeyModifier1 | settings.hotKeyModifier2);
}

} // namespace

bool ChangeHotKey(SmartTag::HotKeyManager& hotKey, ApplicationSettings::Settings& settings,
                  const ApplicationSettings::Settings& previous) {
    if (hotKey.Change(static_cast<std::uint32_t>(settings.hotKey), Modifiers(settings))) {
        return true;
    }
    settings.hotKey = previous.hotKey;
    settings.hotKeyModifier1 = previous.hotKeyModifier1;
    settings.hotKeyModifier2 = previous.hotKeyModifier2;
    const auto key = static_cast<std::uint32_t>(previous.hotKey);
    // The old grab could not be given up: it still holds.
    if (hotKey.IsRegistered() && hotKey.GetVirtualKey() == key && hotKey.GetModifiers() == Modifiers(previous)) {
        return false;
    }
    hotKey.Change(key, Modifiers(previous));
    return false;
}

} // namespace Tarnwick::OptionsLibrary
