#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_set>
#include <vector>

#include <QString>

#include "app/views/PasswordListModel.h"
#include "model/PasswordData.h"
#include "options/Settings.h"

class QTreeWidgetItem;
class QWidget;

namespace Tarnwick::Views {
class CFolderTreeCtrl;
class CPasswordView;
}

namespace Tarnwick::MainFrame {

// What the main window's views show of the data: the folder tree with its expansion and the
// current folder, the entry list of that folder or of a search result, the information panel
// of the chosen entry. Refilling after a change keeps what the user had open and chosen.
class FrameViews final {
public:
    FrameViews(Views::CPasswordView& view, ApplicationSettings::Settings& settings, QWidget& messageParent);

    // The data the views show (owned by the session); nullptr while nothing is open.
    void SetData(const PasswordADT::PasswordData* data) noexcept { m_data = data; }

    std::optional<std::size_t> SelectedFolder() const noexcept { return m_selectedFolder; }
    std::optional<std::size_t> SelectedEntry() const noexcept { return m_selectedEntry; }
    bool IsSearchResultMode() const noexcept { return m_searchResultMode; }
    bool ShowsPasswords() const noexcept { return m_showPasswords; }
    // True while the views are being filled (their change signals mean nothing then).
    bool IsFilling() const noexcept { return m_filling; }

    // Fills the tree and selects the folder with this id (else the first folder).
    void Fill(std::optional<std::uint32_t> folderId);
    // Fills everything again after the data changed: the open folders stay open, the current
    // folder stays current, and the chosen entries stay chosen where they still exist.
    // With folderId that folder becomes the current one.
    void Refresh(const std::vector<PasswordADT::PasswordItemRef>& choose = {},
                 std::optional<std::uint32_t> folderId = std::nullopt);
    void FillList();
    // Empties and disables the views (locking) or empties them for good (closing).
    void Clear(bool forLock);
    void SetEnabled(bool enabled);

    void SetShowPasswords(bool show);
    // The hits; their positions when the caller knows them, so the list need not look them up.
    void ShowSearchResult(std::vector<PasswordADT::PasswordItemRef> items,
                          std::optional<std::vector<Views::EntryPosition>> positions = std::nullopt);
    bool SelectFolder(std::size_t position);
    void ChooseEntries(const std::vector<PasswordADT::PasswordItemRef>& items);

    std::vector<Views::ListRow> SelectedRows() const;
    const Views::ListRow* SingleSelectedRow() const;
    std::optional<std::uint32_t> CurrentFolderId() const;
    Views::CFolderTreeCtrl* Tree() const;

    // Notifications of the views, routed here by the window.
    void OnTreeCurrentChanged(QTreeWidgetItem* current);
    void OnListSelectionChanged();
    void ClearEntryInformation();

    // The folder tree in the order of the settings (after the sort commands).
    void SortFolders();

    // Told when a fill ends or the chosen entries change (the window updates its commands).
    std::function<void()> onChanged;
    // Told when an entry is chosen in the list (the window shows the entry's command tab).
    std::function<void()> onEntryChosen;

private:
    void ShowEntryInformation(const Views::ListRow& row);
    void FillTreeItems();
    QTreeWidgetItem* ItemOfFolderId(std::uint32_t id) const;
    std::unordered_set<std::uint32_t> ExpandedFolderIds() const;
    void Changed();

    Views::CPasswordView& m_view;
    ApplicationSettings::Settings& m_settings;
    QWidget& m_messageParent;
    const PasswordADT::PasswordData* m_data = nullptr;
    std::optional<std::size_t> m_selectedFolder;
    std::optional<std::size_t> m_selectedEntry;
    bool m_searchResultMode = false;
    std::vector<PasswordADT::PasswordItemRef> m_searchResult;
    // Valid for the next filling only: any change of the data comes back through Refresh.
    std::optional<std::vector<Views::EntryPosition>> m_searchPositions;
    bool m_showPasswords = false;
    bool m_filling = false;
};

} // namespace Tarnwick::MainFrame
