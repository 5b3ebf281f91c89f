#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include <QString>

#include "app/session/DatabaseSession.h"
#include "app/views/EntryDrag.h"
#include "autocompletion/AutoCompletionIndex.h"
#include "options/Settings.h"

class QTreeWidgetItem;
class QWidget;

namespace Tarnwick::MainFrame {

class FrameViews;

// The commands that change folders and entries: each asks what its Part asks, hands the
// change to the session, and afterwards brings the auto-completion index and the views up
// to date. Nothing changes in memory unless the file took it.
class DataCommands final {
public:
    DataCommands(QWidget& parent, Session::DatabaseSession& session, FrameViews& views,
                 AutoCompletion::AutoCompletionIndex& index, ApplicationSettings::Settings& settings);

    // The entry sheet for a new entry (in the current folder) or for the chosen entry.
    void EditEntry(bool newEntry);
    void ShowProperties();
    void DeleteEntries();
    void DuplicateEntry();
    void ClearFields();
    void ResetHistory();
    void MoveEntries(QTreeWidgetItem* target, const std::vector<Views::EntryPosition>& entries);

    void NewFolder();
    void StartRenamingFolder();
    // The tree's label edit: true when the name may be taken (the rename follows).
    bool AcceptFolderName(QTreeWidgetItem* item, const QString& name);
    void RenameFolder(std::size_t position, const QString& name);
    void DeleteFolder();

    // The index after the session's last change (rebuilt when the file was read again).
    void FollowIndex();

    // Asks the window to rename later (the tree's editor must close first).
    std::function<void(std::size_t position, const QString& name)> postRename;

private:
    // Index and views after a change; choose names the entries to select afterwards.
    void AfterChange(Session::Outcome outcome, std::optional<std::uint32_t> folderId,
                     const std::vector<PasswordADT::PasswordItemRef>& choose);
    void ReplaceChosen(const std::function<void(PasswordADT::PasswordItem&)>& change);
    void TellGone();

    QWidget& m_parent;
    Session::DatabaseSession& m_session;
    FrameViews& m_views;
    AutoCompletion::AutoCompletionIndex& m_index;
    ApplicationSettings::Settings& m_settings;
};

} // namespace Tarnwick::MainFrame
