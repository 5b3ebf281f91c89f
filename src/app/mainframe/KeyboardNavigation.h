#pragma once

#include <QKeyCombination>
#include <QObject>

class QMainWindow;
class QTabWidget;

namespace Tarnwick::Views {
class CPasswordView;
}

namespace Tarnwick::MainFrame {

// The main window without a mouse: F10 or a lone Alt move the focus to the command bar and
// back, Shift+F10 (and the menu key) open the context menu of the view that has the focus, and
// after a log-in the focus waits in the entry list (or the folder tree when the list is empty).
class KeyboardNavigation final : public QObject {
    Q_OBJECT
public:
    KeyboardNavigation(QMainWindow& window, QTabWidget& commandBar, Views::CPasswordView& view);
    ~KeyboardNavigation() override;

    // Puts the focus into the views (the list's current row, or the tree).
    void FocusViews();
    void ToggleCommandBar();
    // Opens the context menu of the focused widget as a right click in its current item would.
    bool OpenContextMenu();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Runs the window's command bound to a keypad key combination; false when none is.
    bool TriggerKeypadShortcut(QKeyCombination keys);

    QMainWindow& m_window;
    QTabWidget& m_commandBar;
    Views::CPasswordView& m_view;
    bool m_altAlone = false;
};

} // namespace Tarnwick::MainFrame
