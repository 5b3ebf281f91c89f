#pragma once

#include <QDialog>

#include "app/dialogs/MaintenanceHost.h"

class QComboBox;
class QPushButton;
class QTabWidget;
class QTreeWidget;

namespace Tarnwick {

// "Datenbankeigenschaften": the page "Details" lists what the file system and the database
// tell of the file; the page "Extras" reorganises the file and changes its cipher.
class CDatabasePropertySheet : public QDialog {
    Q_OBJECT
public:
    CDatabasePropertySheet(Dialogs::MaintenanceHost& host, QWidget* parent = nullptr);

    // Reads the facts first; when the database refused (it said why), nothing is shown.
    int DoModal();
    // Reads the facts and fills "Details"; false when the database refused.
    bool Rebuild();

    void OnReorganise();
    void OnChangeAlgorithm();

    QTabWidget* GetPages() const { return m_pages; }
    QTreeWidget* GetDetails() const { return m_details; }
    QComboBox* GetAlgorithmBox() const { return m_algorithm; }
    QPushButton* GetReorganiseButton() const { return m_reorganise; }
    QPushButton* GetChangeAlgorithmButton() const { return m_changeAlgorithm; }
    QPushButton* GetOkButton() const { return m_ok; }
    // The value of a row of "Details" ("Größe", say) in a group; empty when there is none.
    QString DetailValue(const QString& group, const QString& name) const;

private:
    Dialogs::MaintenanceHost& m_host;
    QTabWidget* m_pages = nullptr;
    QTreeWidget* m_details = nullptr;
    QComboBox* m_algorithm = nullptr;
    QPushButton* m_reorganise = nullptr;
    QPushButton* m_changeAlgorithm = nullptr;
    QPushButton* m_ok = nullptr;
};

} // namespace Tarnwick
