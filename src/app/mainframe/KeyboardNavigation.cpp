#include "app/mainframe/KeyboardNavigation.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMainWindow>
#include <QTabBar>
#include <QTabWidget>

#include "app/views/FolderTreeCtrl.h"
#include "app/views/PasswordListCtrl.h"
#include "app/views/PasswordListModel.h"
#include "app/views/PasswordView.h"

namespace Tarnwick::MainFrame {

KeyboardNavigation::KeyboardNavigation(QMainWindow& window, QTabWidget& commandBar, Views::CPasswordView& view)
    : QObject(&window), m_window(window), m_commandBar(commandBar), m_view(view) {
    QApplication::instance()->installEventFilter(this);
}

KeyboardNavigation::~KeyboardNavigation() {
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeEventFilter(this);
    }
}

void KeyboardNavigation::FocusViews() {
    Views::CPasswordListCtrl* list = m_view.PasswordList();
    if (m_view.ListModel()->rowCount() > 0 && list->isEnabled()) {
        if (!list->currentIndex().isValid()) {
            list->setCurrentIndex(m_view.ListModel()->index(0, Views::PasswordListModel::kDescription));
        }
        list->setFocus(Qt::OtherFocusReason);
    } else {
        m_view.FolderTree()->setFocus(Qt::OtherFocusReason);
    }
}

void KeyboardNavigation::ToggleCommandBar() {
    if (m_commandBar.tabBar()->hasFocus() || m_commandBar.isAncestorOf(QApplication::focusWidget())) {
        FocusViews();
        return;
    }
    m_commandBar.tabBar()->setFocus(Qt::ShortcutFocusReason);
}

bool KeyboardNavigation::OpenContextMenu() {
    QWidget* focus = QApplication::focusWidget();
    if (focus == nullptr || focus->window() != &m_window || focus->contextMenuPolicy() != Qt::CustomContextMenu) {
        return false;
    }
    // The menu opens at the current item, as a right click there would.
    QPoint at(4, 4);
    QWidget* target = focus;
    if (auto* items = qobject_cast<QAbstractItemView*>(focus)) {
        target = items->viewport();
        if (items->currentIndex().isValid()) {
            at = items->visualRect(items->currentIndex()).center();
        }
        // The views report positions in their viewports.
        emit items->customContextMenuRequested(at);
        return true;
    }
    emit target->customContextMenuRequested(at);
    return true;
}

bool KeyboardNavigation::TriggerKeypadShortcut(QKeyCombination keys) {
    // Qt's xcb keyboard drops the keypad modifier from the keys it offers to the shortcut map, so
    // Ctrl+Num+ never matches there and arrives as a plain key press: match it here instead.
    const QKeySequence pressed(keys);
    for (QAction* action : m_window.actions()) {
        if (action->shortcut() == pressed) {
            if (action->isEnabled()) {
                action->trigger();
            }
            return true;
        }
    }
    return false;
}

bool KeyboardNavigation::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) {
        return false;
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || widget->window() != &m_window || QApplication::activeModalWidget() != nullptr ||
        QApplication::activePopupWidget() != nullptr) {
        return false;
    }
    // Every key is seen once, where it is delivered first (the focused widget).
    if (widget != QApplication::focusWidget()) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    if (event->type() == QEvent::KeyPress) {
        m_altAlone = key->key() == Qt::Key_Alt && key->modifiers() == Qt::AltModifier;
        if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::NoModifier) {
            ToggleCommandBar();
            return true;
        }
        if ((key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier) ||
            (key->key() == Qt::Key_Menu && key->modifiers() == Qt::NoModifier)) {
            return OpenContextMenu();
        }
        if (key->modifiers().testFlag(Qt::KeypadModifier)) {
            return TriggerKeypadShortcut(key->keyCombination());
        }
        return false;
    }
    if (key->key() == Qt::Key_Alt && m_altAlone && !key->isAutoRepeat()) {
        m_altAlone = false;
        ToggleCommandBar();
        return true;
    }
    return false;
}

} // namespace Tarnwick::MainFrame
