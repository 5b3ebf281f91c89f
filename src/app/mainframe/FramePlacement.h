#pragma once

#include "options/Settings.h"

class QWidget;

namespace Tarnwick::MainFrame {

// The main window's placement in the settings record: restored only when it is stored, big
// enough and on a screen that is still there; stored with the normal (not maximised) frame.
void RestorePlacement(QWidget& window, const ApplicationSettings::Settings& settings);
void StorePlacement(const QWidget& window, ApplicationSettings::Settings& settings);

} // namespace Tarnwick::MainFrame
