#include "app/login/OpeningSequence.h"

#include <memory>

#include <QMetaObject>
#include <QWidget>

#include "app/CommandBoundary.h"
#include "app/Splash.h"
#include "app/login/LoginDialog.h"
#include "uilib/DatabaseUserInterface.h"

namespace Tarnwick {

namespace {

void AskToClose(QWidget& window) {
    QMetaObject::invokeMethod(&window, &QWidget::close, Qt::QueuedConnection);
}

void TakeDownSplash(QWidget& window) {
    std::unique_ptr<SplashFactory>& splash = SplashFactory::Current();
    if (splash != nullptr) {
        splash->HideSplash(window.isVisible() ? &window : nullptr);
        splash.reset();
    }
}

} // namespace

bool OpenDatabase(IOpeningTarget& target, OpeningMode mode, const std::filesystem::path& database,
                  const LoginCredentials& credentials) {
    QWidget& window = target.GetWindow();
    bool opened = false;
    App::RunCommand(&window, {}, [&] {
        if (mode == OpeningMode::LoginAgain) {
            std::unique_ptr<SplashFactory>& splash = SplashFactory::Current();
            if (splash != nullptr) {
                splash->HideSplash(nullptr);
            }
            splash = std::make_unique<SplashFactory>();
            if (!splash->ShowSplash()) {
                splash.reset();
                return;
            }
        } else {
            window.hide();
        }

        WindowsServiceProvider::CDatabaseMessageUI ui(&window);
        CDatabase databaseObject(ui, database);
        const bool loaded = databaseObject.Load(credentials, target.GetPasswordData());
        if (!loaded) {
            AskToClose(window);
        }
        if (mode == OpeningMode::StartUp && !target.CreateInterface()) {
            return;
        }
        if (!target.FillViews()) {
            return;
        }
        if (mode == OpeningMode::StartUp && loaded) {
            window.show();
        }
        opened = true;
    });
    TakeDownSplash(window);
    if (opened && window.isVisible()) {
        window.raise();
        window.activateWindow();
    }
    return opened;
}

bool LoginAgain(IOpeningTarget& target, ApplicationSettings::Settings& settings, const std::u16string& presetPath,
                std::filesystem::path& currentPath, LoginCredentials& currentCredentials) {
    QWidget& window = target.GetWindow();
    window.hide();
    window.setEnabled(false);
    bool open = false;
    App::RunCommand(&window, {}, [&] {
        CLoginDialog dialog(settings, false, nullptr);
        dialog.SetMainWindowPath(presetPath);
        if (dialog.DoModal() != QDialog::Accepted) {
            return;
        }
        currentPath = dialog.GetDatabasePath();
        currentCredentials = dialog.TakeCredentials();
        if (!OpenDatabase(target, OpeningMode::LoginAgain, currentPath, currentCredentials)) {
            return;
        }
        window.setEnabled(true);
        window.show();
        window.raise();
        window.activateWindow();
        open = true;
    });
    if (!open) {
        window.setEnabled(true);
        AskToClose(window);
    }
    return open;
}

} // namespace Tarnwick
