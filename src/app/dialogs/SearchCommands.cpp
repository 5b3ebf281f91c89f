#include "app/dialogs/SearchCommands.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QTimer>
#include <QTreeWidgetItem>

#include "app/CommandBoundary.h"
#include "app/dialogs/DialogSupport.h"
#include "app/dialogs/SearchDialog.h"
#include "app/dialogs/SelectPasswordItemDialog.h"
#include "app/mainframe/CMainFrame.h"
#include "app/mainframe/CommandIds.h"
#include "app/views/FolderToTreeVisualizer.h"
#include "app/views/FolderTreeCtrl.h"
#include "app/views/PasswordListCtrl.h"
#include "app/views/PasswordListModel.h"
#include "app/views/PasswordView.h"
#include "uiext/QtText.h"
#include "uilib/MessageBox.h"

namespace Tarnwick::Dialogs {

using WindowsServiceProvider::CMessageBox;

namespace {

constexpr std::u16string_view kSearchFailed = u"Es ist ein Fehler bei der Suche aufgetreten.\nBeschreibung: NULL Pointer @ 1";
constexpr std::u16string_view kEntryReadError = u"Es ist ein Fehler beim Auslesen der Passwortinformationen aufgetreten.";

// Selecting the root leaves no folder and no entry chosen and empties the comment.
void SelectRoot(CMainFrame& frame) {
    Views::CFolderTreeCtrl* tree = frame.View()->FolderTree();
    if (QTreeWidgetItem* root = Views::FolderToTreeVisualizer::RootItem(*tree)) {
        tree->setCurrentItem(root);
    }
}

} // namespace

void ShowSearchOutcome(CMainFrame& frame, const std::vector<Views::EntryPosition>& hits) {
    frame.ShowSearchResult(hits);
    Views::CPasswordView* view = frame.View();
    if (hits.empty()) {
        view->PasswordList()->SetInformationText(Q(u"Die Suche ergab keine Ergebnisse."));
    }
}

// ---------------------------------------------------------------------------------------
// The filter field

QuickSearch::QuickSearch(CMainFrame& frame, QLineEdit& edit, QObject* parent)
    : QObject(parent), m_frame(frame), m_edit(edit) {
    m_typing.setSingleShot(true);
    m_typing.setInterval(kTypingPauseMs);
    connect(&m_typing, &QTimer::timeout, this,
            [this] { App::RunCommand(&m_frame, kEntryReadError, [&] { Apply(m_edit.text()); }); });
    connect(&edit, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (text.isEmpty() || m_quiet) {
            // Emptying the field gives the folder back at once.
            m_typing.stop();
            App::RunCommand(&m_frame, kEntryReadError, [&] { Apply(text); });
        } else {
            m_typing.start();
        }
    });
    edit.installEventFilter(this);
    // A folder chosen in the tree, locking or closing ends the filter. The check waits until
    // the views settled, because refilling them after a change passes through other states.
    const auto follow = [this] {
        if (m_active) {
            QTimer::singleShot(0, this, [this] { FollowViews(); });
        }
    };
    connect(frame.View()->FolderTree(), &QTreeWidget::currentItemChanged, this, follow);
    connect(frame.View()->ListModel(), &QAbstractItemModel::modelReset, this, follow);
}

void QuickSearch::FollowViews() {
    if (m_active && !m_frame.IsSearchResultMode()) {
        Reset();
    }
}

void QuickSearch::ApplyPending() {
    if (m_typing.isActive()) {
        m_typing.stop();
        Apply(m_edit.text());
    }
}

void QuickSearch::Reset() {
    m_typing.stop();
    m_active = false;
    m_folderId.reset();
    if (!m_edit.text().isEmpty()) {
        const QScopedValueRollback quiet(m_quiet, true);
        m_edit.clear();
    }
}

void QuickSearch::Start() {
    m_folderId.reset();
    if (const auto folder = m_frame.SelectedFolder(); folder && *folder < m_frame.Data().FolderCount()) {
        m_folderId = m_frame.Data().Folders()[*folder]->GetId();
    }
    m_active = true;
    SelectRoot(m_frame);
}

void QuickSearch::Restore() {
    if (m_folderId) {
        if (const auto position = m_frame.DatabaseSession().FolderPosition(*m_folderId)) {
            m_frame.SelectFolder(*position);
            return;
        }
    }
    Views::CFolderTreeCtrl* tree = m_frame.View()->FolderTree();
    QTreeWidgetItem* item = Views::FolderToTreeVisualizer::FirstFolderItem(*tree);
    tree->setCurrentItem(item != nullptr ? item : Views::FolderToTreeVisualizer::RootItem(*tree));
}

void QuickSearch::Apply(const QString& text) {
    if (m_quiet) {
        return;
    }
    if (text.isEmpty()) {
        if (m_active) {
            m_active = false;
            if (m_frame.IsSearchResultMode()) {
                Restore();
            }
            m_folderId.reset();
        }
        return;
    }
    if (!m_frame.IsLoaded() || m_frame.IsLocked()) {
        return;
    }
    if (!m_active) {
        Start();
    }
    const Search::SearchResult result =
        Search::Search(m_frame.Data(), UiText::View(text), Search::SearchScope::AllFields);
    if (!result.complete) {
        CMessageBox::ShowError(&m_frame, kSearchFailed);
        return;
    }
    ShowSearchOutcome(m_frame, result.hits);
}

bool QuickSearch::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &m_edit && event->type() == QEvent::EnabledChange && !m_edit.isEnabled()) {
        Reset();
    }
    if (watched != &m_edit || (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)) {
        return QObject::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape && !m_edit.text().isEmpty()) {
        // Escape belongs to the field while it has text.
        event->accept();
        if (event->type() == QEvent::KeyPress) {
            m_edit.clear();
        }
        return event->type() == QEvent::KeyPress;
    }
    if (event->type() == QEvent::KeyPress && key->key() == Qt::Key_Down && key->modifiers() == Qt::NoModifier) {
        // Down goes on to the hits.
        App::RunCommand(&m_frame, kEntryReadError, [&] { ApplyPending(); });
        Views::CPasswordListCtrl* list = m_frame.View()->PasswordList();
        Views::PasswordListModel* model = m_frame.View()->ListModel();
        list->setFocus(Qt::TabFocusReason);
        if (model->rowCount() > 0 && list->SelectedRows().isEmpty()) {
            list->selectionModel()->setCurrentIndex(model->index(0, Views::PasswordListModel::kDescription),
                                                    QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        }
        return true;
    }
    return QObject::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------
// The commands

SearchCommands::SearchCommands(CMainFrame& frame) : m_frame(frame) {
    m_filter = std::make_unique<QuickSearch>(frame, *frame.View()->FilterEdit());
}

void SearchCommands::Search() {
    if (!m_frame.Data().HasEntries()) {
        CMessageBox::ShowInformation(&m_frame, u"Es sind keine Passwortinformationen vorhanden.");
        return;
    }
    CSearchDialog dialog(Search::CachedSearchTerms(), &m_frame);
    if (dialog.DoModal() != QDialog::Accepted || dialog.GetSearchText().isEmpty()) {
        return;
    }
    m_filter->Reset();
    SelectRoot(m_frame);
    m_frame.View()->SetListCaption(Q(u"Suche gestartet. Bitte warten..."));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Search::SearchResult result;
    try {
        result = Search::Search(m_frame.Data(), UiText::View(dialog.GetSearchText()), dialog.GetScope());
    } catch (...) {
        QApplication::restoreOverrideCursor();
        throw;
    }
    QApplication::restoreOverrideCursor();
    if (!result.complete) {
        m_frame.View()->SetListCaption(Q(Views::CPasswordView::kRootCaption));
        CMessageBox::ShowError(&m_frame, kSearchFailed);
        return;
    }
    ShowSearchOutcome(m_frame, result.hits);
}

bool SearchCommands::ChooseInList(std::size_t folder, std::size_t entry) {
    const auto& folders = m_frame.Data().Folders();
    if (folder >= folders.size() || !folders[folder] || entry >= folders[folder]->Entries().size()) {
        return false;
    }
    m_filter->Reset();
    if (!m_frame.SelectFolder(folder)) {
        return false;
    }
    Views::PasswordListModel* model = m_frame.View()->ListModel();
    for (int row = 0; row < model->rowCount(); ++row) {
        const Views::ListRow* shown = model->RowAt(row);
        if (shown != nullptr && shown->entry == entry) {
            m_frame.View()->PasswordList()->selectionModel()->setCurrentIndex(
                model->index(row, Views::PasswordListModel::kDescription),
                QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            return m_frame.SelectedEntry() == entry;
        }
    }
    return false;
}

void SearchCommands::AssignEntryToApplication() {
    CSelectPasswordItemDialog dialog(m_frame.DatabasePath(), m_frame.Data(), &m_frame);
    if (dialog.DoModal() != QDialog::Accepted) {
        return;
    }
    const auto chosen = dialog.GetChosenEntry();
    if (!chosen || !ChooseInList(chosen->first, chosen->second)) {
        CMessageBox::ShowError(&m_frame, u"Die Passwortinformation ist nicht vorhanden.");
        return;
    }
    m_frame.ExecuteCommand(Commands::ID_PASSWORD_EDIT);
}

} // namespace Tarnwick::Dialogs
