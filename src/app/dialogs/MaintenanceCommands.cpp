#include "app/dialogs/MaintenanceCommands.h"

#include <QDialog>

#include "app/dialogs/ChangeDatabasePasswordDialog.h"
#include "app/dialogs/DatabaseBackupDialog.h"
#include "app/dialogs/DatabasePropertySheet.h"
#include "app/dialogs/DeleteDatabaseDialog.h"
#include "app/dialogs/DialogSupport.h"
#include "model/Clock.h"
#include "uilib/MessageBox.h"

namespace Tarnwick::Dialogs {

using WindowsServiceProvider::CMessageBox;

MaintenanceCommands::MaintenanceCommands(QWidget& parent, MaintenanceHost host)
    : now([] { return PasswordADT::CurrentTime(); }), m_parent(parent), m_host(std::move(host)) {}

void MaintenanceCommands::Reorganise() {
    if (m_host.session.IsOpen()) {
        ReorganiseDatabase(m_host, &m_parent);
    }
}

void MaintenanceCommands::ChangePassword() {
    if (!m_host.session.IsOpen()) {
        return;
    }
    CChangeDatabasePasswordDialog dialog(m_host, &m_parent);
    if (dialog.DoModal() == QDialog::Accepted) {
        CMessageBox::ShowInformation(&m_parent, u"Das Datenbankpasswort wurde erfolgreich geändert.");
    }
}

void MaintenanceCommands::ShowProperties() {
    if (m_host.isLocked && m_host.isLocked()) {
        ShowLockedInformation(&m_parent, u"Um die Datenbankeigenschaften anzuzeigen, muss der Arbeitsbereich erst "
                                         u"freigegeben werden.");
        return;
    }
    if (!m_host.session.IsOpen()) {
        return;
    }
    CDatabasePropertySheet sheet(m_host, &m_parent);
    sheet.DoModal();
}

void MaintenanceCommands::Backup() {
    if (!m_host.session.IsOpen()) {
        return;
    }
    CDatabaseBackupDialog dialog(m_host, now(), &m_parent);
    dialog.DoModal();
}

void MaintenanceCommands::DeleteDatabase() {
    if (!m_host.session.IsOpen()) {
        return;
    }
    bool deletedCurrent = false;
    bool quit = false;
    {
        CDeleteDatabaseDialog dialog(m_host, &m_parent);
        deletedCurrent = dialog.DoModal() == QDialog::Accepted && dialog.DeletedCurrent();
        quit = dialog.QuitAfterwards();
    }
    if (!deletedCurrent) {
        return;
    }
    if (quit) {
        if (m_host.quit) {
            m_host.quit();
        }
    } else if (m_host.logInAgain) {
        m_host.logInAgain();
    }
}

} // namespace Tarnwick::Dialogs
