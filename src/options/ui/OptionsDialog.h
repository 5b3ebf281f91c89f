#pragma once

#include <filesystem>
#include <functional>

#include "options/Settings.h"

class QDialog;
class QWidget;

namespace Tarnwick::Platform {
class IHotKeyGrabber;
}

namespace OptionsLibrary::OptionsDialog {

// The dialog's results.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// What the dialog needs of the program around it.
struct Environment {
    // The desktop's key grab, for the test whether a new hot key is free; null: there is no
    // desktop to grab on (Wayland, no display), the new key is taken untested.
    Tarnwick::Platform::IHotKeyGrabber* hotKeyGrabber = nullptr;
    // Runs the dialog modally and returns its result code; empty: exec().
    std::function<int(QDialog&)> runModal;
    // The autostart entry; empty: $XDG_CONFIG_HOME/autostart/Tarnwick.desktop.
    std::filesystem::path autostartEntry;
};

// "Einstellungen": the six pages edit a copy of the record; only an OK that every page
// accepted writes the autostart entry and then the copy into the record. Returns IDOK or
// IDCANCEL; on IDCANCEL the record and the autostart entry are as they were.
int Show(QWidget* parent, ApplicationSettings::Settings& settings, const Environment& environment = {});

} // namespace OptionsLibrary::OptionsDialog
