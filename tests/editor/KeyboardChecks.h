#pragma once

#include <map>
#include <string>
#include <vector>

#include <QAbstractButton>
#include <QKeySequence>
#include <QLabel>
#include <QList>
#include <QTabWidget>
#include <QWidget>

namespace TestSupport {

// The keyboard faults of a window that the user would meet: two controls of one page that
// answer the same Alt+letter (only the first one is reached), and a label with a mnemonic but
// no buddy (it shows the "&" and its Alt+letter does nothing). A page is one page of the
// window's tab widget together with everything outside the tab widget; a window without tabs
// is a single page. Labels and buttons are found by walking all children.
inline std::vector<std::string> KeyboardFaults(QWidget& window) {
    std::vector<std::string> faults;
    const QList<QTabWidget*> tabWidgets = window.findChildren<QTabWidget*>();
    QTabWidget* tabs = tabWidgets.isEmpty() ? nullptr : tabWidgets.front();

    const auto controlsOf = [](QWidget& root) {
        QList<QWidget*> controls;
        for (QLabel* label : root.findChildren<QLabel*>()) {
            controls << label;
        }
        for (QAbstractButton* button : root.findChildren<QAbstractButton*>()) {
            controls << button;
        }
        return controls;
    };
    const auto textOf = [](QWidget* control) {
        if (auto* label = qobject_cast<QLabel*>(control)) {
            return label->text();
        }
        return static_cast<QAbstractButton*>(control)->text();
    };

    QList<QWidget*> common;
    for (QWidget* control : controlsOf(window)) {
        if (tabs == nullptr || !tabs->isAncestorOf(control)) {
            common << control;
        }
    }
    std::vector<std::pair<QString, QList<QWidget*>>> pages;
    if (tabs == nullptr) {
        pages.emplace_back(window.windowTitle(), common);
    } else {
        for (int i = 0; i < tabs->count(); ++i) {
            pages.emplace_back(tabs->tabText(i), common + controlsOf(*tabs->widget(i)));
        }
    }
    for (const auto& [page, controls] : pages) {
        std::map<QString, QStringList> byKey;
        for (QWidget* control : controls) {
            const QString text = textOf(control);
            const QKeySequence key = QKeySequence::mnemonic(text);
            if (key.isEmpty()) {
                continue;
            }
            byKey[key.toString()] << text;
            auto* label = qobject_cast<QLabel*>(control);
            if (label != nullptr && label->buddy() == nullptr) {
                faults.push_back((page + QStringLiteral(": label without buddy: ") + text).toStdString());
            }
        }
        for (const auto& [key, texts] : byKey) {
            if (texts.size() > 1) {
                faults.push_back((page + QStringLiteral(": ") + key + QStringLiteral(" shared by ") +
                                  texts.join(QStringLiteral(" / ")))
                                     .toStdString());
            }
        }
    }
    return faults;
}

// The mnemonics of one page (see KeyboardFaults), for checks that a page has any at all.
inline int MnemonicCount(QWidget& page) {
    int count = 0;
    for (QLabel* label : page.findChildren<QLabel*>()) {
        count += QKeySequence::mnemonic(label->text()).isEmpty() ? 0 : 1;
    }
    for (QAbstractButton* button : page.findChildren<QAbstractButton*>()) {
        count += QKeySequence::mnemonic(button->text()).isEmpty() ? 0 : 1;
    }
    return count;
}

} // namespace TestSupport
