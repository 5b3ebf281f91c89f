#include "app/mainframe/VisualStyles.h"

#include <array>

#include <QLinearGradient>
#include <QPalette>
#include <QWidget>

#include "app/mainframe/CommandBar.h"
#include "app/mainframe/CommandIds.h"
#include "app/mainframe/MainStatusBar.h"

namespace Tarnwick::MainFrame {

namespace {

const std::array<VisualStyle, 5>& Styles() {
    static const std::array<VisualStyle, 5> styles = {{
        {Commands::ID_STYLE_BLUE, u"Blau", QColor(0xe3, 0xef, 0xfd), QColor(0xc4, 0xda, 0xf5), QColor(0x8d, 0xb2, 0xe3),
         QColor(0x15, 0x42, 0x8b), QColor(0x3e, 0x6a, 0xaa), QColor(0xdf, 0xe9, 0xf5)},
        {Commands::ID_STYLE_SILVER, u"Silber", QColor(0xf4, 0xf5, 0xf7), QColor(0xdc, 0xe0, 0xe6),
         QColor(0xa9, 0xb0, 0xbb), QColor(0x3b, 0x3b, 0x3b), QColor(0x5c, 0x63, 0x6e), QColor(0xe8, 0xea, 0xee)},
        {Commands::ID_STYLE_BLACK, u"Schwarz", QColor(0x5e, 0x5e, 0x60), QColor(0x3a, 0x3a, 0x3c),
         QColor(0x1e, 0x1e, 0x20), QColor(0xf2, 0xf2, 0xf2), QColor(0xc8, 0xc8, 0xc8), QColor(0x53, 0x53, 0x55)},
        {Commands::ID_STYLE_AQUA, u"Aqua", QColor(0xe6, 0xf4, 0xf7), QColor(0xbd, 0xe1, 0xea), QColor(0x7f, 0xbc, 0xcc),
         QColor(0x1b, 0x4f, 0x5f), QColor(0x2f, 0x6f, 0x80), QColor(0xdc, 0xee, 0xf2)},
        {Commands::ID_STYLE_WINDOWS7, u"Windows 7", QColor(0xfb, 0xfc, 0xfd), QColor(0xe4, 0xeb, 0xf4),
         QColor(0xb6, 0xc4, 0xd6), QColor(0x1e, 0x39, 0x5b), QColor(0x4c, 0x60, 0x7a), QColor(0xee, 0xf2, 0xf8)},
    }};
    return styles;
}

} // namespace

const VisualStyle* FindVisualStyle(std::int32_t id) {
    for (const VisualStyle& style : Styles()) {
        if (style.id == id) {
            return &style;
        }
    }
    return nullptr;
}

QString StyleSheetFor(const VisualStyle& s) {
    const QString top = s.barTop.name();
    const QString bottom = s.barBottom.name();
    const QString accent = s.accent.name();
    const QString text = s.text.name();
    const QString panelText = s.panelText.name();
    const QString frame = s.frame.name();
    return QStringLiteral(
               "QTabWidget#CommandBar::pane { border: none; border-bottom: 1px solid %3; }"
               "QTabWidget#CommandBar QTabBar::tab { color: %4; padding: 4px 14px; border: 1px solid transparent; "
               "border-top-left-radius: 3px; border-top-right-radius: 3px; }"
               "QTabWidget#CommandBar QTabBar::tab:selected { background: %1; border-color: %3; border-bottom-color: %1; }"
               "QTabWidget#CommandBar QTabBar::tab:hover:!selected { background: %2; }"
               "QTabWidget#CommandBar QToolButton { color: %4; }"
               "QTabWidget#CommandBar QToolButton:hover { background: rgba(255, 214, 110, 170); }"
               "QTabWidget#CommandBar QToolButton:pressed { background: rgba(250, 180, 80, 200); }"
               "QTabWidget#CommandBar QToolButton:disabled { color: %5; }"
               "QToolButton#ApplicationButton { color: white; font-weight: bold; padding: 3px 10px; border-radius: 3px; "
               "background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #3f7cd0, stop:1 #1b4f9c); }"
               "QLabel#CommandPanelTitle { color: %5; }"
               "QFrame#CommandSeparator { color: %3; }"
               "QFrame#CaptionBar { background: #fff6d5; border: 1px solid #e0c872; }"
               "QStatusBar#StatusBar QLabel, QStatusBar#StatusBar QToolButton { color: %4; background: transparent; }"
               "QLabel#ListCaption { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %1, stop:1 %2); "
               "color: %4; border-bottom: 1px solid %3; }"
               "QMainWindow { background: %6; }")
        .arg(top, bottom, accent, text, panelText, frame);
}

bool ApplyVisualStyle(QWidget& frame, std::int32_t id) {
    const VisualStyle* style = FindVisualStyle(id);
    if (style == nullptr) {
        return false;
    }
    frame.setStyleSheet(StyleSheetFor(*style));
    for (CCommandBar* bar : frame.findChildren<CCommandBar*>()) {
        bar->SetColours(style->barTop, style->barBottom, style->accent);
    }
    for (CMainStatusBar* status : frame.findChildren<CMainStatusBar*>()) {
        status->SetColours(style->barTop, style->barBottom, style->accent);
    }
    frame.setProperty("visualStyle", id);
    return true;
}

} // namespace Tarnwick::MainFrame
