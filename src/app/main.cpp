// Start-up of Tarnwick.
#include <memory>

#include "app/Application.h"
#include "app/DatabaseMessageUI.h"
#include "app/GuardedApplication.h"
#include "app/login/LoginDialog.h"
#include "app/login/NewDatabaseWizard.h"
#include "app/login/ReAuthenticate.h"
#include "app/mainframe/CMainFrame.h"

namespace {

// The main window with the dialogs of the start-up side plugged in.
std::unique_ptr<QWidget> MakeMainWindow(ApplicationSettings::Settings& settings, const std::filesystem::path& database,
                                        Tarnwick::LoginCredentials credentials) {
    auto frame = std::make_unique<Tarnwick::CMainFrame>(settings, database, std::move(credentials));
    frame->SetReAuthenticator(&Tarnwick::App::ReAuthenticate);
    frame->SetLogInAgain([&settings](QWidget* parent, std::filesystem::path& path,
                                     Tarnwick::LoginCredentials& credentials) {
        Tarnwick::CLoginDialog dialog(settings, false, parent);
        if (!path.empty()) {
            dialog.SetMainWindowPath(path.u16string());
        }
        if (dialog.DoModal() != QDialog::Accepted) {
            return false;
        }
        path = dialog.GetDatabasePath();
        credentials = dialog.TakeCredentials();
        return true;
    });
    frame->SetNewDatabaseWizard([](QWidget* parent) {
        Tarnwick::CNewDatabaseWizard wizard(false, parent);
        if (wizard.DoModal() != Tarnwick::CNewDatabaseWizard::kFinished) {
            return std::filesystem::path();
        }
        return std::filesystem::path(wizard.GetCreatedPath());
    });
    if (!frame->IsLoaded()) {
        return nullptr;
    }
    return frame;
}

} // namespace

int main(int argc, char** argv) {
    Tarnwick::App::GuardedApplication qt(argc, argv);
    Tarnwick::CApplication application(qt, argc, argv);
    Tarnwick::CApplication::SetMainWindowFactory(&MakeMainWindow);
    return application.Run();
}
