#pragma once

#include <filesystem>
#include <string>

#include <QDialog>

#include "app/login/LoginBase.h"
#include "database/CDatabase.h"
#include "options/Settings.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QTimer;

namespace MFCServiceProvider {
class SecureEdit;
}

namespace Tarnwick {

// The log-in dialog that starts every run: choose a database (typed, recent, browsed or newly
// created) and prove the user name and password. Its path and credentials are handed on only
// after a successful log-in.
class CLoginDialog : public QDialog, public LoginBase {
    Q_OBJECT
public:
    static constexpr int kFirstStartTimer = 1025;
    static constexpr int kFirstStartDelayMs = 100;

    CLoginDialog(ApplicationSettings::Settings& settings, bool firstStart, QWidget* parent = nullptr);
    ~CLoginDialog() override;

    // A database named on the command line (taken only when the file exists; the caller checks).
    void SetCommandLinePath(std::u16string path) { m_commandLinePath = std::move(path); }
    // The database the main window had open, when the dialog is shown again from there.
    void SetMainWindowPath(std::u16string path) { m_mainWindowPath = std::move(path); }

    // Fills the box and runs the dialog: QDialog::Accepted after a successful log-in,
    // QDialog::Rejected after "Abbrechen" or too many attempts.
    int DoModal();
    // The fills of the dialog's initialisation (DoModal runs it).
    void OnInitDialog();

    // Valid after a successful log-in.
    const std::filesystem::path& GetDatabasePath() const noexcept { return m_databasePath; }
    LoginCredentials TakeCredentials() noexcept { return std::move(m_credentials); }

    bool IsSelectionMade() const noexcept { return m_selectionMade; }
    QComboBox* GetDatabaseBox() const { return m_database; }
    QLineEdit* GetUserNameEdit() const { return m_userName; }
    MFCServiceProvider::SecureEdit* GetPasswordEdit() const { return m_password; }
    QPushButton* GetLoginButton() const { return m_login; }
    QPushButton* GetBrowseButton() const { return m_browse; }
    QPushButton* GetNewDatabaseButton() const { return m_newDatabase; }
    QPushButton* GetCancelButton() const { return m_cancel; }
    QTimer* GetFirstStartTimer() const { return m_firstStartTimer; }

    void OnLogin();
    void OnBrowse();
    void OnNewDatabase();
    void OnFirstStartTimer();

private:
    // Adds the text unless the box holds exactly that text already; returns its index.
    int AddPath(const QString& text);
    // Selects the index; only while no selection was made, unless forced.
    void SelectPath(int index, bool force);

    ApplicationSettings::Settings& m_settings;
    bool m_firstStart;
    bool m_selectionMade = false;
    std::u16string m_commandLinePath;
    std::u16string m_mainWindowPath;
    std::filesystem::path m_databasePath;
    LoginCredentials m_credentials;

    QComboBox* m_database = nullptr;
    QLineEdit* m_userName = nullptr;
    MFCServiceProvider::SecureEdit* m_password = nullptr;
    QPushButton* m_login = nullptr;
    QPushButton* m_browse = nullptr;
    QPushButton* m_newDatabase = nullptr;
    QPushButton* m_cancel = nullptr;
    QTimer* m_firstStartTimer = nullptr;
};

} // namespace Tarnwick
