#pragma once

#include <QWizardPage>

#include "app/wizards/WizardSupport.h"
#include "exchange/DatabaseExport.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;

namespace CryptoServiceProvider::PasswordMeter {
class QualityBar;
}

namespace MFCServiceProvider {
class SecureEdit;
}

namespace Tarnwick {
class DBSaveBrowseButton;
}

namespace Tarnwick::TreeProvider {
class PasswordDataTreeCtrl;
}

namespace Tarnwick::ExportImport {

class CExportWizard;

// "Passwortinformationen für den Export wählen": the open database in the checked tree.
class CExportPasswordPage1 : public QWizardPage {
    Q_OBJECT
public:
    explicit CExportPasswordPage1(Dialogs::MaintenanceHost& host, QWidget* parent = nullptr);

    void initializePage() override;
    bool validatePage() override;
    Selection GetSelection() const;

    TreeProvider::PasswordDataTreeCtrl* GetTree() const { return m_tree; }

private:
    Dialogs::MaintenanceHost& m_host;
    TreeProvider::PasswordDataTreeCtrl* m_tree = nullptr;
    bool m_filled = false;
};

// "Passwortdatenbank für den Export erstellen": path, user name and password of the new
// database. Finish writes it.
class CExportPasswordPage2 : public QWizardPage {
    Q_OBJECT
public:
    CExportPasswordPage2(Dialogs::MaintenanceHost& host, CExportWizard& wizard, QWidget* parent = nullptr);
    ~CExportPasswordPage2() override;

    void initializePage() override;
    bool validatePage() override;

    QLineEdit* GetPathEdit() const { return m_path; }
    QLineEdit* GetUserNameEdit() const { return m_userName; }
    QCheckBox* GetCaseSensitiveCheck() const { return m_caseSensitive; }
    MFCServiceProvider::SecureEdit* GetPasswordEdit() const { return m_password; }
    MFCServiceProvider::SecureEdit* GetRepetitionEdit() const { return m_repetition; }
    QCheckBox* GetHidePasswordCheck() const { return m_hidePassword; }
    CryptoServiceProvider::PasswordMeter::QualityBar* GetQualityBar() const { return m_qualityBar; }
    QProgressBar* GetProgressBar() const { return m_progress; }

private:
    void OnHidePasswordToggled(bool hide);
    // Moves the focus to the field the message is about.
    void FocusFieldOf(std::u16string_view message);

    Dialogs::MaintenanceHost& m_host;
    CExportWizard& m_wizard;
    QLineEdit* m_path = nullptr;
    DBSaveBrowseButton* m_browse = nullptr;
    QLineEdit* m_userName = nullptr;
    QCheckBox* m_caseSensitive = nullptr;
    MFCServiceProvider::SecureEdit* m_password = nullptr;
    MFCServiceProvider::SecureEdit* m_repetition = nullptr;
    QCheckBox* m_hidePassword = nullptr;
    CryptoServiceProvider::PasswordMeter::QualityBar* m_qualityBar = nullptr;
    QProgressBar* m_progress = nullptr;
};

// "Export Assistent": writes the ticked folders and entries of the open database into a new
// database with credentials of its own. The open database is not changed.
class CExportWizard : public ExportImportWizard {
    Q_OBJECT
public:
    explicit CExportWizard(Dialogs::MaintenanceHost& host, QWidget* parent = nullptr);

    CExportPasswordPage1& GetPage1() const noexcept { return *m_page1; }
    CExportPasswordPage2& GetPage2() const noexcept { return *m_page2; }
    // The file the export wrote; empty until then.
    const std::filesystem::path& GetExportedPath() const noexcept { return m_exported; }
    void SetExportedPath(std::filesystem::path path) { m_exported = std::move(path); }

private:
    CExportPasswordPage1* m_page1;
    CExportPasswordPage2* m_page2;
    std::filesystem::path m_exported;
};

// The command "Exportieren" of the main window.
void ShowExportWizard(Dialogs::MaintenanceHost& host, QWidget* parent);

} // namespace Tarnwick::ExportImport
