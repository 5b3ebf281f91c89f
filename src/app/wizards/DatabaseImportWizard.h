#pragma once

#include <optional>

#include <QWizardPage>

#include "app/wizards/WizardSupport.h"
#include "exchange/DatabaseImport.h"
#include "model/PasswordData.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;

namespace MFCServiceProvider {
class SecureEdit;
}

namespace Tarnwick::TreeProvider {
class PasswordDataTreeCtrl;
}

namespace Tarnwick::ExportImport {

class CDatabaseImportWizard;

// "Passwortdatenbank auswählen": the other database and its credentials. Next reads it
// into memory without writing a byte to it.
class CImportPasswordPage1 : public QWizardPage {
    Q_OBJECT
public:
    explicit CImportPasswordPage1(CDatabaseImportWizard& wizard, QWidget* parent = nullptr);
    ~CImportPasswordPage1() override;

    void initializePage() override;
    bool validatePage() override;

    QLineEdit* GetPathEdit() const { return m_path; }
    QLineEdit* GetUserNameEdit() const { return m_userName; }
    MFCServiceProvider::SecureEdit* GetPasswordEdit() const { return m_password; }
    QProgressBar* GetProgressBar() const { return m_progress; }

private:
    CDatabaseImportWizard& m_wizard;
    QLineEdit* m_path = nullptr;
    QLineEdit* m_userName = nullptr;
    MFCServiceProvider::SecureEdit* m_password = nullptr;
    QProgressBar* m_progress = nullptr;
};

// "Passwortinformationen für den Import auswählen": the other database in the checked tree.
class CImportPasswordPage2 : public QWizardPage {
    Q_OBJECT
public:
    explicit CImportPasswordPage2(CDatabaseImportWizard& wizard, QWidget* parent = nullptr);

    void initializePage() override;
    bool validatePage() override;
    Selection GetSelection() const;

    TreeProvider::PasswordDataTreeCtrl* GetTree() const { return m_tree; }

private:
    CDatabaseImportWizard& m_wizard;
    TreeProvider::PasswordDataTreeCtrl* m_tree = nullptr;
};

// "Wie sollen die Passwortinformationen importiert werden?": the duplicate treatment, then
// Finish runs the import with its backup, its status line and its progress bar.
class CImportPasswordPage3 : public QWizardPage {
    Q_OBJECT
public:
    CImportPasswordPage3(Dialogs::MaintenanceHost& host, CDatabaseImportWizard& wizard, QWidget* parent = nullptr);

    void initializePage() override;
    bool validatePage() override;
    // False once an import failed: the file was rolled back, and a second run is not offered.
    bool isComplete() const override;

    QComboBox* GetDuplicateBox() const { return m_duplicates; }
    QProgressBar* GetProgressBar() const { return m_progress; }
    QLabel* GetStatusLabel() const { return m_status; }

private:
    void ShowStatus(const QString& text);

    Dialogs::MaintenanceHost& m_host;
    CDatabaseImportWizard& m_wizard;
    QComboBox* m_duplicates = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_status = nullptr;
    bool m_failed = false;
};

// "Import Assistent": merges chosen folders and entries of another database into the open
// one, with a backup first and a rollback when writing fails.
class CDatabaseImportWizard : public ExportImportWizard {
    Q_OBJECT
public:
    explicit CDatabaseImportWizard(Dialogs::MaintenanceHost& host, QWidget* parent = nullptr);

    CImportPasswordPage1& GetPage1() const noexcept { return *m_page1; }
    CImportPasswordPage2& GetPage2() const noexcept { return *m_page2; }
    CImportPasswordPage3& GetPage3() const noexcept { return *m_page3; }

    // The other database as page 1 read it.
    const std::filesystem::path& GetSourcePath() const noexcept { return m_sourcePath; }
    PasswordADT::PasswordData& Source() noexcept { return m_source; }
    void SetSourcePath(std::filesystem::path path) { m_sourcePath = std::move(path); }
    // The outcome of the last run; none until Finish ran.
    const std::optional<ImportResult>& GetResult() const noexcept { return m_result; }
    void SetResult(ImportResult result) { m_result = std::move(result); }

private:
    CImportPasswordPage1* m_page1;
    CImportPasswordPage2* m_page2;
    CImportPasswordPage3* m_page3;
    std::filesystem::path m_sourcePath;
    PasswordADT::PasswordData m_source;
    std::optional<ImportResult> m_result;
};

// The command "Importieren" of the main window.
void ShowDatabaseImportWizard(Dialogs::MaintenanceHost& host, QWidget* parent);

} // namespace Tarnwick::ExportImport
