#pragma once

#include <cstdint>
#include <functional>

#include <QPixmap>
#include <QPoint>
#include <QString>
#include <QWidget>

class QAction;
class QMenu;

namespace Tarnwick::UiLibrary::SmartTag {

// The smart tag: a small translucent icon that floats beside the caret of another program's
// window and opens a menu of the entries for that window and two fixed commands. "Abbrechen",
// Escape and a click elsewhere close it and send nothing.
class CSmartTagWnd final : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kWindowClass = "0xTWSmartTagWnd";
    static constexpr int kNewEntry = 32997;
    static constexpr int kAssignEntry = 32998;
    static constexpr int kCancel = 32999;
    static constexpr int kFirstEntry = 33000;
    // Entry items are refused once the count is above this: at most 51.
    static constexpr unsigned kEntryLimit = 50;
    static constexpr int kSize = 24;
    static constexpr int kOffset = 30;
    static constexpr double kRestingOpacity = 127.0 / 255.0;

    CSmartTagWnd();
    ~CSmartTagWnd() override;

    // Shows the icon for the target window beside the point (the caret, else the pointer).
    // False when the icon cannot be made.
    bool Create(std::uint32_t targetWindow, QPoint point);
    // An entry item above the fixed commands, in the order of addition; data comes back with
    // the choice. False once 51 are there.
    bool AddMenuItem(const QString& text, std::uint64_t data);
    void DestroyWindow();
    // Created and not destroyed yet.
    bool Exists() const noexcept { return m_exists; }

    std::uint32_t GetSafeParent() const noexcept { return m_parent; }
    // No browser automation on Linux: there is never a special target.
    std::uint32_t GetTargetWindow() const noexcept { return 0; }
    bool HasSpecialTargetWindow() const noexcept { return false; }
    bool IsTargetWindowIEServerClass() const noexcept { return false; }

    unsigned EntryCount() const noexcept { return m_entryCount; }
    QMenu* Menu() const noexcept { return m_menu; }
    bool IsMenuOpen() const noexcept { return m_menuOpen; }
    // The top left corner for a point: 30 pixels to the left and above, or to the right and
    // below where that would come closer than 30 pixels to the screen's edge.
    static QPoint Placement(QPoint point);

    void OpenMenu(bool byKey);

    // A command was chosen (not "Abbrechen"); entry items give their data.
    std::function<void(int command, std::uint64_t data)> onCommand;
    // The window is gone (by a choice, Escape, or a click elsewhere).
    std::function<void()> onDestroyed;
    // Before the window is mapped (its native window exists then).
    std::function<void(QWidget& window)> beforeShow;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildFixedMenu();
    void OnMenuClick(QAction* action);

    QPixmap m_icon;
    bool m_menuOpen = false;
    bool m_exists = false;
    int m_pressedKey = 0;
    unsigned m_entryCount = 0;
    std::uint32_t m_parent = 0;
    QMenu* m_menu = nullptr;
};

} // namespace Tarnwick::UiLibrary::SmartTag
