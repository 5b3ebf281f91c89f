#pragma once

#include <initializer_list>

class QVBoxLayout;
class QWidget;

namespace Tarnwick::UiLibrary {

// The layout of a dialog with a header band: the band across the top, the body below it with
// the usual margins. Returns the body for the caller's widgets; with `stretch` the body takes
// the room the dialog gains when it grows.
QVBoxLayout* LayOutBelowHeader(QWidget& dialog, QWidget* header, int stretch = 0);

// Ends a dialog's body with its row of buttons. A null item is where the row stretches:
// buttons before it stand left, those after it right; without one, all stand right.
void AddButtonRow(QVBoxLayout& body, std::initializer_list<QWidget*> items);

} // namespace Tarnwick::UiLibrary
