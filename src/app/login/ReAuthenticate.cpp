#include "app/login/ReAuthenticate.h"

#include <QDialog>

#include "app/CommandBoundary.h"
#include "app/login/DatabaseAuthenticationDialog.h"

namespace Tarnwick::App {

bool ReAuthenticate(QWidget* parent, const std::filesystem::path& database, LoginCredentials& credentials) {
    bool accepted = false;
    RunCommand(parent, {}, [&] {
        CDatabaseAuthenticationDialog dialog(database, credentials, parent);
        accepted = dialog.DoModal() == QDialog::Accepted;
    });
    return accepted;
}

} // namespace Tarnwick::App
