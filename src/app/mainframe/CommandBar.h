#pragma once

#include <QColor>
#include <QFrame>
#include <QHash>
#include <QTabWidget>

class QAction;
class QGridLayout;
class QMenu;
class QToolButton;

namespace Tarnwick::MainFrame {

// A titled group of command buttons on one page of the command bar.
class CCommandPanel final : public QFrame {
    Q_OBJECT
public:
    CCommandPanel(const QString& title, QWidget* parent);

    // A big button with its caption under the picture.
    QToolButton* AddLarge(QAction* action);
    // Small buttons stacked three to a column.
    QToolButton* AddSmall(QAction* action);
    // A big button that opens a menu.
    QToolButton* AddMenu(QAction* action, QMenu* menu);

private:
    QToolButton* Make(QAction* action, bool large);

    QGridLayout* m_grid = nullptr;
    int m_column = 0;
    int m_row = 0;
};

// The command bar in place of a ribbon: one page per category, panels of buttons on each,
// and the application button with the file menu in the corner.
class CCommandBar final : public QTabWidget {
    Q_OBJECT
public:
    explicit CCommandBar(QWidget* parent = nullptr);

    int AddCategory(const QString& title);
    CCommandPanel* AddPanel(int category, const QString& title);
    void SetApplicationMenu(QMenu* menu);
    QToolButton* ApplicationButton() const noexcept { return m_application; }
    // Every button that shows the command, in the order they were added.
    QList<QToolButton*> ButtonsFor(int id) const;
    // The background of the pages: a vertical gradient and the line under the bar.
    void SetColours(const QColor& top, const QColor& bottom, const QColor& line);
    // Switches to the category unless the user chose another one by hand.
    void ShowContextCategory(int category);
    bool IsPinned() const noexcept { return m_pinned >= 0; }

private:
    friend class CCommandPanel;
    void Register(QToolButton* button, int id);

    QColor m_top = QColor(0xe3, 0xef, 0xfd);
    QColor m_bottom = QColor(0xc4, 0xda, 0xf5);
    QColor m_line = QColor(0x8d, 0xb2, 0xe3);
    QToolButton* m_application = nullptr;
    QMultiHash<int, QToolButton*> m_buttons;
    int m_pinned = -1;
};

} // namespace Tarnwick::MainFrame
