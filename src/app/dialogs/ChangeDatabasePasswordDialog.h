#pragma once

#include <QDialog>

#include "app/dialogs/MaintenanceHost.h"

class QCheckBox;
class QPushButton;

namespace CryptoServiceProvider::PasswordMeter {
class QualityBar;
}
namespace MFCServiceProvider {
class SecureCueBannerEdit;
}

namespace Tarnwick {

class DialogHeader;

// "Datenbankpasswort ändern": the current password, the new one twice with its strength
// shown, and the re-encryption of the file. On success the window holds the new password.
class CChangeDatabasePasswordDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr std::u16string_view kUnchanged =
        u"Das Passwort wurde nicht geändert. Die Datenbank lässt sich weiterhin mit dem bisherigen Passwort öffnen.";

    CChangeDatabasePasswordDialog(Dialogs::MaintenanceHost& host, QWidget* parent = nullptr);

    int DoModal();
    void OnChangePassword();

    DialogHeader* GetHeader() const { return m_header; }
    MFCServiceProvider::SecureCueBannerEdit* GetCurrentEdit() const { return m_current; }
    MFCServiceProvider::SecureCueBannerEdit* GetNewEdit() const { return m_new; }
    MFCServiceProvider::SecureCueBannerEdit* GetRepeatEdit() const { return m_repeat; }
    CryptoServiceProvider::PasswordMeter::QualityBar* GetQualityBar() const { return m_quality; }
    QCheckBox* GetHideBox() const { return m_hide; }
    QPushButton* GetChangeButton() const { return m_change; }
    QPushButton* GetCancelButton() const { return m_cancel; }

private:
    // Each failed check names what is missing and keeps the dialog open.
    bool Validate();

    Dialogs::MaintenanceHost& m_host;
    DialogHeader* m_header = nullptr;
    MFCServiceProvider::SecureCueBannerEdit* m_current = nullptr;
    MFCServiceProvider::SecureCueBannerEdit* m_new = nullptr;
    MFCServiceProvider::SecureCueBannerEdit* m_repeat = nullptr;
    CryptoServiceProvider::PasswordMeter::QualityBar* m_quality = nullptr;
    QCheckBox* m_hide = nullptr;
    QPushButton* m_change = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace Tarnwick
