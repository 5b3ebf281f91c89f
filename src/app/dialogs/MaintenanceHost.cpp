#include "app/dialogs/MaintenanceHost.h"

#include "uilib/MessageBox.h"

namespace Tarnwick::Dialogs {

using WindowsServiceProvider::CMessageBox;

void MaintenanceHost::FollowFile() {
    if (session.ReloadIfChanged() && dataReloaded) {
        dataReloaded();
    }
}

bool ReorganiseDatabase(MaintenanceHost& host, QWidget* parent) {
    host.FollowFile();
    Session::DatabaseSession& session = host.session;
    if (session.Database().Reorganise(session.Credentials(), session.Data()) != RequestResult::Succeeded) {
        return false;
    }
    session.AcceptCurrentFile();
    if (host.settings.messageAfterTask) {
        CMessageBox::ShowInformation(parent, u"Die Datenbank wurde erfolgreich reorganisiert.");
    }
    return true;
}

bool ChangeDatabaseAlgorithm(MaintenanceHost& host, QWidget* parent, std::int32_t algorithm) {
    host.FollowFile();
    Session::DatabaseSession& session = host.session;
    if (session.Database().ChangeAlgorithm(session.Credentials(), algorithm, session.Data()) !=
        RequestResult::Succeeded) {
        return false;
    }
    session.AcceptCurrentFile();
    if (host.settings.messageAfterTask) {
        CMessageBox::ShowInformation(parent,
                                     u"Der Verschlüsselungsalgorithmus der Datenbank wurde erfolgreich geändert.");
    }
    return true;
}

} // namespace Tarnwick::Dialogs
