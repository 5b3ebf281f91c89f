#pragma once

#include <vector>

#include <QDialog>

#include "options/Settings.h"
#include "options/ui/OptionsDialog.h"

class QLabel;
class QPushButton;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace Tarnwick::OptionsLibrary {

class OptionsPage;

// "Einstellungen": a tree of the six pages on the left, the page shown on the right. The
// pages work on a copy; OK lets every page check and store its values into a fresh copy of
// the record, then writes the autostart entry and only then the copy into the record. A page
// that refuses, a failed autostart entry or "Abbrechen" leave record and entry untouched.
class CSettingsDialog final : public QDialog {
    Q_OBJECT
public:
    CSettingsDialog(QWidget* parent, ApplicationSettings::Settings& settings,
                    const ::OptionsLibrary::OptionsDialog::Environment& environment);

    const std::vector<OptionsPage*>& Pages() const noexcept { return m_pages; }
    OptionsPage* CurrentPage() const noexcept { return m_current; }
    // Selects the page's item in the tree (shows the page).
    void SelectPage(int index);

    QTreeWidget* GetTree() const noexcept { return m_tree; }
    QLabel* GetCaption() const noexcept { return m_caption; }
    QPushButton* GetOkButton() const noexcept { return m_ok; }
    QPushButton* GetCancelButton() const noexcept { return m_cancel; }

private:
    void OnSelectionChanged(QTreeWidgetItem* item);
    void OnOk();

    ApplicationSettings::Settings& m_settings;
    std::filesystem::path m_autostart;
    std::vector<OptionsPage*> m_pages;
    OptionsPage* m_current = nullptr;
    QTreeWidget* m_tree;
    QLabel* m_caption;
    QStackedWidget* m_stack;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

// The messages when the autostart entry cannot be written or removed.
inline constexpr std::u16string_view kAutostartCreateError =
    u"Der Eintrag für den automatischen Start von Tarnwick konnte nicht angelegt werden.";
inline constexpr std::u16string_view kAutostartDeleteError =
    u"Der Eintrag für den automatischen Start von Tarnwick konnte nicht entfernt werden.";
inline constexpr std::u16string_view kInitError = u"Fehler bei der Initialisierung.";

} // namespace Tarnwick::OptionsLibrary
