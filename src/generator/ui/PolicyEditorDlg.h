#pragma once

#include <string>
#include <string_view>

#include <QDialog>

#include "generator/PasswordPolicy.h"

class QComboBox;
class QLineEdit;
class QSpinBox;
class QTreeWidget;
class QTreeWidgetItem;

namespace Tarnwick::PasswordGenerator::UI {

// "Passwortrichtlinie bearbeiten": a property grid over one policy.
// Use: CPolicyEditorDlg dlg(policy, policies.policies, originalName, parent);
//      if (dlg.exec() == QDialog::Accepted) StorePolicy(..., dlg.GetPolicy());
// originalName is empty for a new policy. OK checks the name and the numbers and stays open
// with the message when they are refused.
class CPolicyEditorDlg : public QDialog {
    Q_OBJECT
public:
    CPolicyEditorDlg(const PasswordPolicy& policy, const PolicyMap& policies, std::u16string_view originalName,
                     QWidget* parent = nullptr);

    const PasswordPolicy& GetPolicy() const noexcept { return m_policy; }
    QTreeWidget* GetGrid() const noexcept { return m_grid; }
    // The editor of a property by its caption within its group ("Allgemein", "Name").
    QWidget* GetEditor(const QString& group, const QString& property) const;
    // Reads the grid; true and accept() when the policy may be stored.
    bool OnOk();

private:
    QTreeWidgetItem* AddGroup(const QString& caption);
    void AddRow(QTreeWidgetItem* group, const QString& caption, QWidget* editor);
    QSpinBox* NumberEditor(int value);
    QComboBox* YesNoEditor(bool value);
    void ReadGrid(PasswordPolicy& policy) const;

    PasswordPolicy m_policy;
    const PolicyMap& m_policies;
    std::u16string m_originalName;
    QTreeWidget* m_grid;
    QLineEdit* m_name;
    QSpinBox* m_length;
    QComboBox* m_systemEntropy;
    QComboBox* m_mouseEntropy;
    QComboBox* m_repetition;
    QComboBox* m_encoding;
    QSpinBox* m_counts[8];
    QLineEdit* m_ownCharacters;
    QSpinBox* m_ownCount;
    QLineEdit* m_excluded;
};

} // namespace Tarnwick::PasswordGenerator::UI
