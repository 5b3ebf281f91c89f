#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include <QObject>
#include <QString>
#include <QTimer>

#include "app/dialogs/SearchEngine.h"
#include "app/views/EntryDrag.h"

class QLineEdit;

namespace Tarnwick {
class CMainFrame;
}

namespace Tarnwick::Dialogs {

// Shows a search result in the main window's list: the caption with the number of hits, or
// the text for a search without hits.
void ShowSearchOutcome(CMainFrame& frame, const std::vector<Views::EntryPosition>& hits);

// The filter field above the entry list: every keystroke searches all folders (description,
// user name, URL, e-mail and comment, with the search dialog's whole-word test) and lists the
// hits; emptying the field, or Escape, brings back the folder that was shown before.
class QuickSearch final : public QObject {
    Q_OBJECT
public:
    QuickSearch(CMainFrame& frame, QLineEdit& edit, QObject* parent = nullptr);

    // Typing waits this long for the next key before the list follows, so a keystroke never
    // waits for a search of every entry.
    static constexpr int kTypingPauseMs = 120;

    bool IsActive() const noexcept { return m_active; }
    // Whether typed text still waits for its search.
    bool IsPending() const noexcept { return m_typing.isActive(); }
    // Searches the typed text now, when it still waits.
    void ApplyPending();
    // Empties the field and leaves the list as it is (another search takes it over).
    void Reset();
    // What a change of the field's text does.
    void Apply(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Start();
    void Restore();
    void FollowViews();

    CMainFrame& m_frame;
    QLineEdit& m_edit;
    // The folder that was shown before the filter took the list.
    std::optional<std::uint32_t> m_folderId;
    bool m_active = false;
    bool m_quiet = false;
    QTimer m_typing;
};

// Search and entry selection of the main window: the search dialog (8134), the choice of an
// entry for a program from the auto-completion window, and the filter field.
class SearchCommands final {
public:
    explicit SearchCommands(CMainFrame& frame);

    // "Suchen": the dialog, then the hits in the list.
    void Search();
    // "Anwendung vorhandenem Passwort zuordnen": the chosen entry is selected and opened in
    // the entry editor.
    void AssignEntryToApplication();

    QuickSearch& Filter() noexcept { return *m_filter; }

private:
    bool ChooseInList(std::size_t folder, std::size_t entry);

    CMainFrame& m_frame;
    std::unique_ptr<QuickSearch> m_filter;
};

} // namespace Tarnwick::Dialogs
