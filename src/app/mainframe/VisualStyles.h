#pragma once

#include <cstdint>

#include <QColor>
#include <QString>

class QWidget;

namespace Tarnwick::MainFrame {

// The colours of one visual style ("Blau", "Silber", "Schwarz", "Aqua", "Windows 7").
struct VisualStyle {
    int id;
    const char16_t* name;
    QColor barTop;
    QColor barBottom;
    QColor accent;
    QColor text;
    QColor panelText;
    QColor frame;
};

// nullptr for an id outside 42000 to 42004.
const VisualStyle* FindVisualStyle(std::int32_t id);
// The style sheet that paints the command bar, the caption bar, the status bar and the list
// caption of the main window in the style's colours.
QString StyleSheetFor(const VisualStyle& style);
// Applies the style to the main window; false (nothing changed) for an unknown id.
bool ApplyVisualStyle(QWidget& frame, std::int32_t id);

} // namespace Tarnwick::MainFrame
