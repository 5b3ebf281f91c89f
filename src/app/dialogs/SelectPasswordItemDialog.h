#pragma once

#include <filesystem>
#include <optional>

#include <QDialog>

#include "app/views/EntryDrag.h"
#include "model/PasswordData.h"

class QPushButton;
class QTreeWidgetItem;

namespace Tarnwick::TreeProvider {
class PasswordDataTreeCtrl;
}

namespace Tarnwick {

class DialogHeader;

// Picks one existing entry from the folders of the database, for assigning a program to it
// from the auto-completion window. Ends with Accepted once an entry was chosen.
class CSelectPasswordItemDialog : public QDialog {
    Q_OBJECT
public:
    CSelectPasswordItemDialog(const std::filesystem::path& database, const PasswordADT::PasswordData& data,
                              QWidget* parent = nullptr);

    // Fills the tree first; a tree that cannot be filled is reported and ends with Rejected.
    int DoModal();

    // (folder position, entry position) of the chosen entry; set after Accepted.
    std::optional<Views::EntryPosition> GetChosenEntry() const noexcept { return m_chosen; }

    TreeProvider::PasswordDataTreeCtrl* GetTree() const { return m_tree; }
    QPushButton* GetOkButton() const { return m_ok; }
    QPushButton* GetCancelButton() const { return m_cancel; }

    // Fills the tree; false after the failure was logged and shown.
    bool Fill();
    void OnOk();

private:
    std::optional<Views::EntryPosition> EntryOf(const QTreeWidgetItem* item) const;
    void OnCurrentChanged(QTreeWidgetItem* item);

    std::filesystem::path m_database;
    const PasswordADT::PasswordData& m_data;
    std::optional<Views::EntryPosition> m_chosen;

    DialogHeader* m_header = nullptr;
    TreeProvider::PasswordDataTreeCtrl* m_tree = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace Tarnwick
