#pragma once

#include <filesystem>

#include <QDialog>

#include "app/login/LoginBase.h"
#include "database/CDatabase.h"

class QPushButton;

namespace MFCServiceProvider {
class CueBannerEdit;
class SecureCueBannerEdit;
} // namespace MFCServiceProvider

namespace Tarnwick {

class DialogHeader;

// The short log-in that unlocks a locked workspace: user name and password for the database
// that is open. It never changes the open database's path or credentials.
class CDatabaseAuthenticationDialog : public QDialog, public LoginBase {
    Q_OBJECT
public:
    // receiving gets the accepted credentials when the dialog ends with QDialog::Accepted.
    CDatabaseAuthenticationDialog(const std::filesystem::path& database, LoginCredentials& receiving,
                                  QWidget* parent = nullptr);
    ~CDatabaseAuthenticationDialog() override;

    int DoModal();
    void OnLogin();

    DialogHeader* GetHeader() const { return m_header; }
    MFCServiceProvider::CueBannerEdit* GetUserNameEdit() const { return m_userName; }
    MFCServiceProvider::SecureCueBannerEdit* GetPasswordEdit() const { return m_password; }
    QPushButton* GetLoginButton() const { return m_login; }
    QPushButton* GetCancelButton() const { return m_cancel; }

private:
    std::filesystem::path m_databasePath;
    LoginCredentials m_credentials;
    LoginCredentials& m_receiving;

    DialogHeader* m_header = nullptr;
    MFCServiceProvider::CueBannerEdit* m_userName = nullptr;
    MFCServiceProvider::SecureCueBannerEdit* m_password = nullptr;
    QPushButton* m_login = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace Tarnwick
