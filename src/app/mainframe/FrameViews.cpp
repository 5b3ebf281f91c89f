#include "app/mainframe/FrameViews.h"

#include <algorithm>
#include <unordered_map>

#include <QItemSelectionModel>
#include <QTreeWidgetItemIterator>
#include <QWidget>

#include "app/views/FolderToTreeVisualizer.h"
#include "app/views/FolderTreeCtrl.h"
#include "app/views/InformationPanel.h"
#include "app/views/PasswordListCtrl.h"
#include "app/views/PasswordToListVisualizer.h"
#include "app/views/PasswordView.h"
#include "app/views/TreeItems.h"
#include "base/text/Format.h"
#include "log/LogProvider.h"
#include "uiext/QtText.h"
#include "uilib/MessageBox.h"

namespace Tarnwick::MainFrame {

using PasswordADT::PasswordItemRef;
using Views::FolderToTreeVisualizer;
using Views::PasswordToListVisualizer;
using WindowsServiceProvider::CMessageBox;

namespace {

constexpr std::u16string_view kUnnamed = u"Unbenannt";

using UiText::Q;

Views::FolderSortOrder FolderOrderOf(const ApplicationSettings::Settings& settings) {
    return {settings.folderSortKey, settings.folderSortDirection};
}

Views::ListSortOrder ListOrderOf(const ApplicationSettings::Settings& settings) {
    return {settings.listSortKey, settings.listSortDirection};
}

// Sets a flag for a scope.
class Filling {
public:
    explicit Filling(bool& flag) : m_flag(flag), m_saved(flag) { m_flag = true; }
    ~Filling() { m_flag = m_saved; }
    Filling(const Filling&) = delete;
    Filling& operator=(const Filling&) = delete;

private:
    bool& m_flag;
    bool m_saved;
};

} // namespace

FrameViews::FrameViews(Views::CPasswordView& view, ApplicationSettings::Settings& settings, QWidget& messageParent)
    : m_view(view), m_settings(settings), m_messageParent(messageParent) {}

void FrameViews::Changed() {
    if (onChanged) {
        onChanged();
    }
}

std::optional<std::uint32_t> FrameViews::CurrentFolderId() const {
    if (!m_data || !m_selectedFolder || *m_selectedFolder >= m_data->FolderCount()) {
        return std::nullopt;
    }
    return m_data->Folders()[*m_selectedFolder]->GetId();
}

QTreeWidgetItem* FrameViews::ItemOfFolderId(std::uint32_t id) const {
    if (!m_data) {
        return nullptr;
    }
    for (std::size_t i = 0; i < m_data->FolderCount(); ++i) {
        if (m_data->Folders()[i] && m_data->Folders()[i]->GetId() == id) {
            return FolderToTreeVisualizer::FindFolderItem(*m_view.FolderTree(), i);
        }
    }
    return nullptr;
}

std::unordered_set<std::uint32_t> FrameViews::ExpandedFolderIds() const {
    std::unordered_set<std::uint32_t> ids;
    if (!m_data) {
        return ids;
    }
    for (QTreeWidgetItemIterator it(m_view.FolderTree()); *it != nullptr; ++it) {
        const auto position = Views::FolderPositionOf(*it);
        if ((*it)->isExpanded() && position && *position < m_data->FolderCount()) {
            ids.insert(m_data->Folders()[*position]->GetId());
        }
    }
    return ids;
}

void FrameViews::FillTreeItems() {
    Views::CFolderTreeCtrl* tree = m_view.FolderTree();
    bool setAside = false;
    {
        Filling filling(m_filling);
        setAside = FolderToTreeVisualizer::Visualize(*tree, *m_data, FolderOrderOf(m_settings));
    }
    if (setAside) {
        CMessageBox::ShowWarning(&m_messageParent, Views::kSetAsideWarning);
    }
}

void FrameViews::Fill(std::optional<std::uint32_t> folderId) {
    Views::CFolderTreeCtrl* tree = m_view.FolderTree();
    if (!m_data) {
        Clear(false);
        return;
    }
    FillTreeItems();
    QTreeWidgetItem* item = folderId ? ItemOfFolderId(*folderId) : nullptr;
    if (item == nullptr) {
        item = FolderToTreeVisualizer::FirstFolderItem(*tree);
    }
    if (item == nullptr) {
        item = FolderToTreeVisualizer::RootItem(*tree);
    }
    for (QTreeWidgetItem* up = item != nullptr ? item->parent() : nullptr; up != nullptr; up = up->parent()) {
        up->setExpanded(true);
    }
    {
        Filling filling(m_filling);
        tree->setCurrentItem(item);
    }
    OnTreeCurrentChanged(item);
}

Views::CFolderTreeCtrl* FrameViews::Tree() const { return m_view.FolderTree(); }

void FrameViews::Refresh(const std::vector<PasswordItemRef>& choose, std::optional<std::uint32_t> folderId) {
    if (!m_data) {
        Clear(false);
        return;
    }
    std::vector<PasswordItemRef> chosen = choose;
    if (chosen.empty()) {
        for (const Views::ListRow& row : SelectedRows()) {
            chosen.push_back(row.item);
        }
    }
    const std::unordered_set<std::uint32_t> expanded = ExpandedFolderIds();
    const std::optional<std::uint32_t> current = folderId ? folderId : CurrentFolderId();
    const bool searching = m_searchResultMode;
    std::vector<PasswordItemRef> result = m_searchResult;
    FillTreeItems();
    for (QTreeWidgetItemIterator it(m_view.FolderTree()); *it != nullptr; ++it) {
        const auto position = Views::FolderPositionOf(*it);
        if (position && *position < m_data->FolderCount() && expanded.count(m_data->Folders()[*position]->GetId()) != 0) {
            (*it)->setExpanded(true);
        }
    }
    QTreeWidgetItem* item = current ? ItemOfFolderId(*current) : nullptr;
    if (item == nullptr) {
        item = FolderToTreeVisualizer::FirstFolderItem(*m_view.FolderTree());
    }
    if (item == nullptr) {
        item = FolderToTreeVisualizer::RootItem(*m_view.FolderTree());
    }
    for (QTreeWidgetItem* up = item != nullptr ? item->parent() : nullptr; up != nullptr; up = up->parent()) {
        up->setExpanded(true);
    }
    {
        Filling filling(m_filling);
        m_view.FolderTree()->setCurrentItem(item);
    }
    OnTreeCurrentChanged(item);
    if (searching) {
        // Entries that are gone leave the result.
        std::unordered_set<const PasswordADT::PasswordItem*> present;
        for (const auto& folder : m_data->Folders()) {
            for (const auto& entry : folder->Entries()) {
                present.insert(entry.get());
            }
        }
        result.erase(std::remove_if(result.begin(), result.end(),
                                    [&](const PasswordItemRef& entry) { return present.count(entry.get()) == 0; }),
                     result.end());
        ShowSearchResult(std::move(result));
    }
    ChooseEntries(chosen);
}

void FrameViews::ClearEntryInformation() {
    m_selectedEntry.reset();
    m_view.CommentWindow()->SetContent(Q(Views::CCommentWnd::kNothingSelected), QString());
    m_view.InformationPanel()->ClearLists();
}

void FrameViews::ShowEntryInformation(const Views::ListRow& row) {
    const PasswordADT::PasswordItem& item = *row.item;
    const auto description = item.GetDescription().View();
    m_view.CommentWindow()->SetContent(Q(description.empty() ? kUnnamed : description), Q(item.GetComment().View()));
    m_view.InformationPanel()->ShowEntry(row.item);
}

void FrameViews::FillList() {
    Views::CPasswordListCtrl* list = m_view.PasswordList();
    Views::PasswordListModel* model = m_view.ListModel();
    Filling filling(m_filling);
    list->setUpdatesEnabled(false);
    struct Resume {
        Views::CPasswordListCtrl* list;
        ~Resume() { list->setUpdatesEnabled(true); }
    } resume{list};
    model->SetShowPasswords(m_showPasswords);
    ClearEntryInformation();
    if (!m_data) {
        model->Clear();
        return;
    }
    if (m_searchResultMode && m_searchPositions) {
        const std::vector<Views::EntryPosition> positions = std::move(*m_searchPositions);
        m_searchPositions.reset();
        PasswordToListVisualizer::VisualizeSearchResult(*model, *m_data, positions);
        list->SetInformationText(QString());
        return;
    }
    if (m_searchResultMode) {
        std::unordered_map<const PasswordADT::PasswordItem*, Views::EntryPosition> where;
        for (std::size_t f = 0; f < m_data->FolderCount(); ++f) {
            const auto& entries = m_data->Folders()[f]->Entries();
            for (std::size_t e = 0; e < entries.size(); ++e) {
                where.emplace(entries[e].get(), Views::EntryPosition(f, e));
            }
        }
        std::vector<Views::EntryPosition> positions;
        for (const PasswordItemRef& wanted : m_searchResult) {
            if (const auto found = where.find(wanted.get()); found != where.end()) {
                positions.push_back(found->second);
            }
        }
        PasswordToListVisualizer::VisualizeSearchResult(*model, *m_data, positions);
        list->SetInformationText(QString());
        return;
    }
    PasswordToListVisualizer::Outcome outcome = PasswordToListVisualizer::Outcome::NoFolder;
    try {
        outcome = PasswordToListVisualizer::Visualize(*model, *m_data, m_selectedFolder, ListOrderOf(m_settings));
    } catch (const Views::ListSortError& e) {
        LogProvider::GenericExceptionLog::LogEvent(e);
        list->SetInformationText(QString());
        CMessageBox::ShowError(&m_messageParent, e.GetMessage().View());
        return;
    }
    switch (outcome) {
    case PasswordToListVisualizer::Outcome::Rows:
        list->SetInformationText(QString());
        break;
    case PasswordToListVisualizer::Outcome::EmptyFolder:
        list->SetInformationText(Q(PasswordToListVisualizer::kEmptyFolderText));
        break;
    case PasswordToListVisualizer::Outcome::NoFolder:
        list->SetInformationText(Q(PasswordToListVisualizer::kNoFolderText));
        break;
    }
}

void FrameViews::Clear(bool forLock) {
    m_selectedFolder.reset();
    m_selectedEntry.reset();
    m_searchResultMode = false;
    m_searchResult.clear();
    {
        Filling filling(m_filling);
        m_view.ListModel()->Clear();
        m_view.FolderTree()->clear();
    }
    m_view.InformationPanel()->ClearLists();
    m_view.PasswordList()->SetInformationText(QString());
    m_view.SetListCaption(QString());
    if (forLock) {
        m_view.CommentWindow()->SetContent(QString(), QString());
        m_view.SetViewsEnabled(false);
    } else {
        m_view.CommentWindow()->SetContent(QStringLiteral("kein Element gewählt"), QString());
    }
}

void FrameViews::SetEnabled(bool enabled) { m_view.SetViewsEnabled(enabled); }

void FrameViews::SetShowPasswords(bool show) {
    m_showPasswords = show;
    m_view.ListModel()->SetShowPasswords(show);
}

void FrameViews::ShowSearchResult(std::vector<PasswordItemRef> items,
                                  std::optional<std::vector<Views::EntryPosition>> positions) {
    m_searchResult = std::move(items);
    m_searchPositions = std::move(positions);
    m_searchResultMode = true;
    // Counted here, so the caption stays true when a command changes the result.
    m_view.SetListCaption(Q(Text::Format(u"Suchergebniss: %d Passwortinformationen gefunden",
                                         static_cast<std::uint64_t>(m_searchResult.size()))
                                .View()));
    FillList();
    Changed();
}

bool FrameViews::SelectFolder(std::size_t position) {
    QTreeWidgetItem* item = FolderToTreeVisualizer::FindFolderItem(*m_view.FolderTree(), position);
    if (item == nullptr) {
        return false;
    }
    for (QTreeWidgetItem* up = item->parent(); up != nullptr; up = up->parent()) {
        up->setExpanded(true);
    }
    m_view.FolderTree()->setCurrentItem(item);
    return m_selectedFolder == position;
}

void FrameViews::ChooseEntries(const std::vector<PasswordItemRef>& items) {
    if (items.empty()) {
        return;
    }
    std::unordered_set<const PasswordADT::PasswordItem*> wanted;
    for (const PasswordItemRef& item : items) {
        wanted.insert(item.get());
    }
    Views::PasswordListModel* model = m_view.ListModel();
    QItemSelectionModel* selection = m_view.PasswordList()->selectionModel();
    bool first = true;
    for (int r = 0; r < model->rowCount(); ++r) {
        const Views::ListRow* row = model->RowAt(r);
        if (row == nullptr || wanted.count(row->item.get()) == 0) {
            continue;
        }
        const QModelIndex index = model->index(r, Views::PasswordListModel::kDescription);
        if (first) {
            selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            first = false;
        } else {
            selection->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
}

std::vector<Views::ListRow> FrameViews::SelectedRows() const {
    std::vector<Views::ListRow> rows;
    for (int row : m_view.PasswordList()->SelectedRows()) {
        if (const Views::ListRow* entry = m_view.ListModel()->RowAt(row); entry != nullptr && entry->item) {
            rows.push_back(*entry);
        }
    }
    return rows;
}

const Views::ListRow* FrameViews::SingleSelectedRow() const {
    const QList<int> rows = m_view.PasswordList()->SelectedRows();
    if (rows.size() != 1) {
        return nullptr;
    }
    const Views::ListRow* row = m_view.ListModel()->RowAt(rows.front());
    return row != nullptr && row->item ? row : nullptr;
}

void FrameViews::OnTreeCurrentChanged(QTreeWidgetItem* current) {
    if (m_filling) {
        return;
    }
    m_selectedEntry.reset();
    ClearEntryInformation();
    Views::PasswordListModel* model = m_view.ListModel();
    Views::CPasswordListCtrl* list = m_view.PasswordList();
    m_searchResultMode = false;
    if (current == nullptr || Views::IsRootItem(current) || !m_data) {
        m_selectedFolder.reset();
        m_view.SetListCaption(current != nullptr ? Q(Views::CPasswordView::kRootCaption) : QString());
        model->Clear();
        list->SetInformationText(current != nullptr ? Q(PasswordToListVisualizer::kNoFolderText) : QString());
        Changed();
        return;
    }
    const auto position = Views::FolderPositionOf(current);
    if (!position || *position >= m_data->FolderCount() || !m_data->Folders()[*position]) {
        m_selectedFolder.reset();
        m_view.SetListCaption(QStringLiteral("Ordner unbekannt"));
        model->Clear();
        list->SetInformationText(QString());
        Changed();
        return;
    }
    m_selectedFolder = *position;
    m_view.SetListCaption(Q(m_data->Folders()[*position]->GetName().View()));
    FillList();
    Changed();
}

void FrameViews::OnListSelectionChanged() {
    if (m_filling) {
        return;
    }
    const std::vector<Views::ListRow> rows = SelectedRows();
    if (rows.empty()) {
        ClearEntryInformation();
    } else {
        const Views::ListRow* shown = &rows.front();
        const QModelIndex current = m_view.PasswordList()->currentIndex();
        for (const Views::ListRow& row : rows) {
            if (const Views::ListRow* at = m_view.ListModel()->RowAt(current.row()); at != nullptr && at->item == row.item) {
                shown = &row;
            }
        }
        m_selectedEntry = shown->entry;
        ShowEntryInformation(*shown);
        if (onEntryChosen) {
            onEntryChosen();
        }
    }
    Changed();
}

void FrameViews::SortFolders() {
    QTreeWidgetItem* root = FolderToTreeVisualizer::RootItem(*m_view.FolderTree());
    if (root == nullptr || !m_data) {
        return;
    }
    {
        Filling filling(m_filling);
        FolderToTreeVisualizer::SortChildren(*root, *m_data, FolderOrderOf(m_settings), true);
    }
    QTreeWidgetItem* first = FolderToTreeVisualizer::FirstFolderItem(*m_view.FolderTree());
    QTreeWidgetItem* target = first != nullptr ? first : root;
    {
        Filling filling(m_filling);
        m_view.FolderTree()->setCurrentItem(target);
    }
    OnTreeCurrentChanged(target);
}

} // namespace Tarnwick::MainFrame
