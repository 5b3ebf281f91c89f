#pragma once

#include "autocompletion/HotKeyBase.h"
#include "options/Settings.h"

namespace Tarnwick::OptionsLibrary {

// After the options dialog: moves the registration from the previous combination to the
// record's new one. When the desktop refuses the new one, the record gets the previous
// combination back and that is registered again, so the program keeps a hot key that works
// and that its settings name. True when the new combination holds.
bool ChangeHotKey(SmartTag::HotKeyManager& hotKey, ApplicationSettings::Settings& settings,
                  const ApplicationSettings::Settings& previous);

} // namespace Tarnwick::OptionsLibrary
