#pragma once

#include <functional>

class QAction;
class QMainWindow;
class QMenu;

namespace Tarnwick::MainFrame {

class CCommandBar;

// The menus of the main window, each made once and kept for the window's life.
struct FrameMenus {
    QMenu* application = nullptr;
    QMenu* recent = nullptr;
    QMenu* listSort = nullptr;
    QMenu* folderSort = nullptr;
    QMenu* list = nullptr;
    QMenu* tree = nullptr;
    QMenu* comment = nullptr;
    QMenu* fields = nullptr;
    QMenu* history = nullptr;
    QMenu* tray = nullptr;
};

// Lays out the command bar's tabs and panels with the window's actions and makes its menus.
CCommandBar* BuildCommandBar(QMainWindow& window, const std::function<QAction*(int id)>& action, FrameMenus& menus);

} // namespace Tarnwick::MainFrame
