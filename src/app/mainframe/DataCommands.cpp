#include "app/mainframe/DataCommands.h"

#include <algorithm>

#include <QTreeWidgetItem>
#include <QWidget>

#include "app/mainframe/FrameViews.h"
#include "app/views/FolderToTreeVisualizer.h"
#include "app/views/FolderTreeCtrl.h"
#include "app/views/TreeItems.h"
#include "base/exceptions/Exception.h"
#include "base/text/CaseFolding.h"
#include "base/text/Format.h"
#include "editor/PasswordSheet.h"
#include "editor/PropertySheet.h"
#include "log/LogProvider.h"
#include "model/Clock.h"
#include "model/Sorters.h"
#include "uiext/QtText.h"
#include "uilib/MessageBox.h"

namespace Tarnwick::MainFrame {

using PasswordADT::PasswordItem;
using PasswordADT::PasswordItemRef;
using Session::EntryRef;
using Session::Outcome;
using StringServiceProvider::PlainString;
using Utilities::Exceptions::Exception;
using WindowsServiceProvider::CMessageBox;

namespace {

constexpr std::u16string_view kMoveError = u"Es ist ein Fehler beim Verschieben aufgetreten.";
constexpr std::u16string_view kUnnamed = u"Unbenannt";
constexpr std::u16string_view kNewFolderName = u"Neuer Ordner";
constexpr std::u16string_view kGone =
    u"Die Passwortinformation ist nicht mehr vorhanden. Ein anderes Programm hat sie inzwischen geändert oder "
    u"gelöscht.";
constexpr std::u16string_view kReservedNames[] = {u"papierkorb", u"recycle bin", u"corbeille",
                                                  u"Papelera de reciclaje", u"cestino", u"backup"};

using UiText::Q;

} // namespace

DataCommands::DataCommands(QWidget& parent, Session::DatabaseSession& session, FrameViews& views,
                           AutoCompletion::AutoCompletionIndex& index, ApplicationSettings::Settings& settings)
    : m_parent(parent), m_session(session), m_views(views), m_index(index), m_settings(settings) {}

void DataCommands::FollowIndex() {
    const Session::ChangeReport& report = m_session.LastChange();
    if (report.reloaded) {
        m_index.Rebuild(m_session.Data());
        return;
    }
    for (const PasswordItemRef& item : report.removed) {
        m_index.Remove(item);
    }
    for (const PasswordItemRef& item : report.added) {
        m_index.Add(item);
    }
}

void DataCommands::TellGone() { CMessageBox::ShowError(&m_parent, kGone); }

void DataCommands::AfterChange(Outcome outcome, std::optional<std::uint32_t> folderId,
                               const std::vector<PasswordItemRef>& choose) {
    FollowIndex();
    if (outcome == Outcome::Gone) {
        TellGone();
    }
    m_views.Refresh(choose, folderId);
}

void DataCommands::EditEntry(bool newEntry) {
    const std::optional<std::size_t> folder = m_views.SelectedFolder();
    const std::optional<std::size_t> entry = newEntry ? std::nullopt : m_views.SelectedEntry();
    if (!folder || (!newEntry && !entry)) {
        return;
    }
    CPasswordSheet sheet(m_session, *folder, entry, m_index, &m_parent);
    const bool stored = sheet.exec() == QDialog::Accepted;
    if (m_session.LastChange().reloaded) {
        m_index.Rebuild(m_session.Data());
    }
    if (!stored) {
        if (m_session.LastChange().reloaded) {
            m_views.Refresh();
        }
        return;
    }
    // The entry may have moved to another folder: show the folder that holds it now.
    std::vector<PasswordItemRef> chosen;
    if (const PasswordItemRef item = sheet.GetStoredItem()) {
        chosen.push_back(item);
    }
    m_views.Refresh(chosen, sheet.GetFolderId());
}

void DataCommands::ShowProperties() {
    const std::optional<std::size_t> folder = m_views.SelectedFolder();
    const std::optional<std::size_t> entry = m_views.SelectedEntry();
    if (folder && entry) {
        CTWPropertySheet(m_session.Data(), *folder, *entry, &m_parent).exec();
    }
}

void DataCommands::DeleteEntries() {
    const std::vector<Views::ListRow> rows = m_views.SelectedRows();
    if (rows.empty()) {
        return;
    }
    if (!CMessageBox::AskYesNo(&m_parent, u"Sind Sie sicher, dass Sie die gewählte(n) Passwortinformation(en) "
                                          u"unwiderruflich löschen möchten?")) {
        return;
    }
    std::vector<EntryRef> refs;
    for (const Views::ListRow& row : rows) {
        if (row.folder < m_session.Data().FolderCount()) {
            refs.push_back({m_session.Data().Folders()[row.folder]->GetId(), row.item});
        }
    }
    std::size_t missing = rows.size() - refs.size();
    std::size_t gone = 0;
    const Outcome outcome = m_session.Delete(refs, &gone);
    missing += gone;
    FollowIndex();
    m_views.Refresh();
    if (outcome != Outcome::Stored || missing > 0) {
        CMessageBox::ShowError(&m_parent, u"Einige Passwortinformationen konnten nicht gelöscht werden.");
    }
}

void DataCommands::DuplicateEntry() {
    const Views::ListRow* row = m_views.SingleSelectedRow();
    if (row == nullptr) {
        return;
    }
    if (row->folder >= m_session.Data().FolderCount()) {
        throw Exception(u"invalid folder", u"CMainFrame::OnPasswordDuplicate");
    }
    const auto& folder = *m_session.Data().Folders()[row->folder];
    auto copy = std::make_shared<PasswordItem>(*row->item);
    copy->SetDescription(PasswordADT::CPasswordADTUtil::CopyName(row->item->GetDescription().View(), folder).View());
    const std::int64_t now = PasswordADT::CurrentTime();
    copy->SetCreationTime(now);
    copy->SetModificationTime(now);
    const Outcome outcome = m_session.Add(folder.GetId(), copy);
    if (outcome != Outcome::Stored) {
        FollowIndex();
        m_views.Refresh();
        CMessageBox::ShowError(&m_parent, u"Es ist ein Fehler beim Duplizieren des Passworts aufgetreten.");
        return;
    }
    AfterChange(outcome, std::nullopt, {copy});
}

void DataCommands::ReplaceChosen(const std::function<void(PasswordItem&)>& change) {
    const Views::ListRow* row = m_views.SingleSelectedRow();
    if (row == nullptr || row->folder >= m_session.Data().FolderCount()) {
        return;
    }
    const std::uint32_t folderId = m_session.Data().Folders()[row->folder]->GetId();
    auto changed = std::make_shared<PasswordItem>(*row->item);
    change(*changed);
    const Outcome outcome = m_session.Replace(EntryRef{folderId, row->item}, folderId, changed);
    AfterChange(outcome, std::nullopt, {outcome == Outcome::Stored ? changed : row->item});
}

void DataCommands::ClearFields() {
    const Views::ListRow* row = m_views.SingleSelectedRow();
    if (row == nullptr) {
        return;
    }
    const auto text = Text::Format(u"Sind Sie sicher, dass Sie alle benutzerdefinierten Felder von \"%s\" löschen möchten?",
                                   row->item->GetDescription());
    if (!CMessageBox::AskYesNo(&m_parent, text.View())) {
        return;
    }
    ReplaceChosen([](PasswordItem& item) { item.GetUserDefinedFields().Clear(); });
}

void DataCommands::ResetHistory() {
    const Views::ListRow* row = m_views.SingleSelectedRow();
    if (row == nullptr) {
        return;
    }
    const auto text = Text::Format(u"Sind Sie sicher, dass Sie die Passworthistorie von \"%s\" zurücksetzen möchten?",
                                   row->item->GetDescription());
    if (!CMessageBox::AskYesNo(&m_parent, text.View())) {
        return;
    }
    ReplaceChosen([](PasswordItem& item) { item.GetPasswordHistory().Clear(); });
}

void DataCommands::MoveEntries(QTreeWidgetItem* target, const std::vector<Views::EntryPosition>& entries) {
    if (entries.empty()) {
        return;
    }
    const PasswordADT::PasswordData& data = m_session.Data();
    std::vector<EntryRef> moving;
    for (const auto& [folder, entry] : entries) {
        if (folder >= data.FolderCount() || !data.Folders()[folder] || entry >= data.Folders()[folder]->Entries().size()) {
            CMessageBox::ShowError(&m_parent, u"Passwortinformationen können nicht verschoben, da die Quelle unbekannt ist.");
            return;
        }
        moving.push_back({data.Folders()[folder]->GetId(), data.Folders()[folder]->Entries()[entry]});
    }
    if (target == nullptr || Views::IsRootItem(target)) {
        CMessageBox::ShowError(&m_parent, target == nullptr ? u"Ungültiger, selektierter Ordner."
                                                            : u"Das Passwort kann nicht hierher verschoben werden.");
        return;
    }
    const auto targetPosition = Views::FolderPositionOf(target);
    if (!targetPosition || *targetPosition >= data.FolderCount() || !data.Folders()[*targetPosition]) {
        CMessageBox::ShowError(&m_parent, u"Ungültiger, selektierter Ordner.");
        return;
    }
    const auto& targetFolder = *data.Folders()[*targetPosition];
    if (m_settings.confirmDragDropMove) {
        bool yes = false;
        if (moving.size() > 1) {
            yes = CMessageBox::AskYesNo(&m_parent, u"Möchten Sie die gewählten Passwörter jetzt verschieben?");
        } else {
            const auto description = moving.front().item->GetDescription().View();
            yes = CMessageBox::AskYesNo(&m_parent, Text::Format(u"Möchten Sie das Passwort \"%s\" in den Ordner \"%s\" "
                                                                u"verschieben?",
                                                                description.empty() ? kUnnamed : description,
                                                                targetFolder.GetName())
                                                       .View());
        }
        if (!yes) {
            return;
        }
    }
    std::vector<EntryRef> others;
    for (const EntryRef& ref : moving) {
        if (ref.folderId == targetFolder.GetId()) {
            CMessageBox::ShowInformation(&m_parent, u"Das Passwort gehört bereits zu diesem Ordner.");
        } else {
            others.push_back(ref);
        }
    }
    if (others.empty()) {
        return;
    }
    const Outcome outcome = m_session.Move(others, targetFolder.GetId());
    FollowIndex();
    if (outcome == Outcome::Failed) {
        CMessageBox::ShowError(&m_parent, kMoveError);
    } else if (outcome == Outcome::Gone) {
        TellGone();
    }
    m_views.Refresh();
}

void DataCommands::NewFolder() {
    Views::CFolderTreeCtrl* tree = m_views.Tree();
    QTreeWidgetItem* parentItem = tree->currentItem();
    if (parentItem == nullptr) {
        return;
    }
    const PasswordADT::PasswordData& data = m_session.Data();
    std::optional<std::uint32_t> parentId;
    if (!Views::IsRootItem(parentItem)) {
        const auto position = Views::FolderPositionOf(parentItem);
        if (!position || *position >= data.FolderCount() || !data.Folders()[*position]) {
            CMessageBox::ShowError(&m_parent, u"Ungültiger Ordner. Es kann kein neuer Ornder erstellt werden.");
            return;
        }
        parentId = data.Folders()[*position]->GetId();
    }
    auto taken = [&](const QString& name) {
        for (int i = 0; i < parentItem->childCount(); ++i) {
            if (parentItem->child(i)->text(0) == name) {
                return true;
            }
        }
        return false;
    };
    QString name = Q(kNewFolderName);
    for (std::int64_t n = 1; taken(name); ++n) {
        name = Q(Text::Format(u"Neuer Ordner (%d)", n).View());
    }
    std::uint32_t newId = 0;
    const Outcome outcome = m_session.AddFolder(parentId, name.toStdU16String(), &newId);
    FollowIndex();
    if (outcome != Outcome::Stored) {
        m_views.Refresh();
        return;
    }
    m_views.Refresh();
    const auto position = m_session.FolderPosition(newId);
    if (position && m_views.SelectFolder(*position)) {
        tree->BeginLabelEdit(tree->currentItem());
    }
}

void DataCommands::StartRenamingFolder() { m_views.Tree()->BeginLabelEdit(m_views.Tree()->currentItem()); }

bool DataCommands::AcceptFolderName(QTreeWidgetItem* item, const QString& name) {
    if (item == nullptr || Views::IsRootItem(item)) {
        return false;
    }
    if (name.isEmpty() || name == item->text(0)) {
        return false;
    }
    const QTreeWidgetItem* parent = item->parent();
    if (parent != nullptr) {
        for (int i = 0; i < parent->childCount(); ++i) {
            if (parent->child(i) != item && parent->child(i)->text(0) == name) {
                return false; // a sibling's name: refused without a word
            }
        }
    }
    const std::u16string wanted = name.toStdU16String();
    for (std::u16string_view reserved : kReservedNames) {
        if (wanted.size() == reserved.size() && Text::CompareNoCase(wanted, reserved, wanted.size()) == 0) {
            CMessageBox::ShowInformation(&m_parent, u"Dieser Ordnername ist reserviert. Verwenden Sie einen anderen Namen.");
            return false;
        }
    }
    const auto position = Views::FolderPositionOf(item);
    if (!position || *position >= m_session.Data().FolderCount()) {
        return false;
    }
    if (postRename) {
        postRename(*position, name);
    }
    return true;
}

void DataCommands::RenameFolder(std::size_t position, const QString& name) {
    if (position >= m_session.Data().FolderCount() || !m_session.Data().Folders()[position]) {
        throw Exception(u"invalid folder", u"CMainFrame::OnRenameFolder");
    }
    const std::uint32_t id = m_session.Data().Folders()[position]->GetId();
    m_session.RenameFolder(id, name.toStdU16String());
    FollowIndex();
    // The tree shows what the file holds: the new name, or the old one after a failure.
    m_views.Refresh();
}

void DataCommands::DeleteFolder() {
    QTreeWidgetItem* item = m_views.Tree()->currentItem();
    const auto position = Views::FolderPositionOf(item);
    const PasswordADT::PasswordData& data = m_session.Data();
    if (!position || *position >= data.FolderCount()) {
        return;
    }
    const PlainString name = data.Folders()[*position]->GetName();
    const std::uint32_t id = data.Folders()[*position]->GetId();
    if (!CMessageBox::AskYesNo(&m_parent, Text::Format(u"Sind Sie sicher, dass Sie den Ordner \"%s\" mit sämtlichen "
                                                       u"Passwortinformationen und ggf. allen Unterordnern "
                                                       u"unwiderruflich löschen möchten?",
                                                       name)
                                              .View())) {
        return;
    }
    // The folder shown next: the following sibling, else the one before, else the parent.
    std::optional<std::uint32_t> next;
    if (QTreeWidgetItem* parent = item->parent()) {
        const int index = parent->indexOfChild(item);
        QTreeWidgetItem* neighbour = index + 1 < parent->childCount() ? parent->child(index + 1)
                                     : index > 0                      ? parent->child(index - 1)
                                                                      : parent;
        if (const auto nextPosition = Views::FolderPositionOf(neighbour); nextPosition && *nextPosition < data.FolderCount()) {
            next = data.Folders()[*nextPosition]->GetId();
        }
    }
    Outcome outcome = Outcome::Failed;
    try {
        outcome = m_session.DeleteFolder(id);
    } catch (const Exception& e) {
        LogProvider::GenericExceptionLog::LogEvent(e);
        CMessageBox::ShowError(&m_parent,
                               Text::Format(u"Es ist ein Fehler beim Löschen des Ordnders \"%s\" aufgetreten.", name).View());
        return;
    }
    FollowIndex();
    m_views.Refresh({}, outcome == Outcome::Stored ? next : std::nullopt);
}

} // namespace Tarnwick::MainFrame
