// Shows the log-in dialogs and the new-database wizard with sample content and saves each
// as a PNG into the folder given as the first argument. Runs in a private home, so nothing of
// the user's own data is read or changed.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>
#include <QWizard>

#include "app/Splash.h"
#include "app/login/DatabaseAuthenticationDialog.h"
#include "app/login/LoginDialog.h"
#include "app/login/NewDatabaseWizard.h"
#include "core/Path.h"
#include "uiext/TaskDialog.h"
#include "uilib/MessageBox.h"
#include "uilib/SecureEdit.h"

namespace {

QString g_folder;

bool Save(QWidget& widget, const char* name) {
    widget.show();
    widget.raise();
    widget.activateWindow();
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    const QString file = QDir(g_folder).filePath(QString::fromLatin1(name));
    const bool saved = widget.grab().save(file, "PNG");
    std::printf("%s %s\n", saved ? "wrote" : "FAILED", file.toLocal8Bit().constData());
    return saved;
}

// Grabs the welcome question when it opens, then declines it.
class WelcomeGrabber : public WindowsServiceProvider::IDialogResponder {
public:
    void Respond(QDialog& dialog) override {
        ok = Save(dialog, "welcome.png");
        dialog.reject();
    }
    bool ok = false;
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    QTemporaryDir home;
    if (!home.isValid()) {
        return 1;
    }
    for (const char* name : {"XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME"}) {
        const QString path = home.filePath(QString::fromLatin1(name));
        QDir().mkpath(path);
        ::setenv(name, QFile::encodeName(path).constData(), 1);
    }
    QApplication application(argc, argv);
    WindowsServiceProvider::InstallGermanTranslations(application);
    g_folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(g_folder);
    bool ok = true;

    ApplicationSettings::Settings settings;
    settings.recentDatabases.items = {{u"/home/anna/Dokumente/Privat.twdb", 0}, {u"/home/anna/Büro/Konten.twdb", 0}};
    {
        Tarnwick::CLoginDialog login(settings, false);
        login.OnInitDialog();
        login.GetUserNameEdit()->setText(QStringLiteral("anna"));
        login.GetPasswordEdit()->SetText(u"Sesam öffne dich");
        ok &= Save(login, "login.png");
    }
    {
        // The first start asks about a new database over the log-in dialog.
        WelcomeGrabber grabber;
        WindowsServiceProvider::CMessageBox::SetResponder(&grabber);
        Tarnwick::CLoginDialog login(settings, true);
        login.OnInitDialog();
        login.show();
        QElapsedTimer clock;
        clock.start();
        while (!grabber.ok && clock.elapsed() < 3000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        WindowsServiceProvider::CMessageBox::SetResponder(nullptr);
        ok &= grabber.ok;
    }
    {
        Tarnwick::CNewDatabaseWizard wizard(true);
        if (!wizard.GetPage().PrepareFirstStart()) {
            return 1;
        }
        wizard.show();
        wizard.GetPage().GetPasswordEdit()->SetText(u"Tr0ub4dor&3");
        wizard.GetPage().GetRepetitionEdit()->SetText(u"Tr0ub4dor&3");
        ok &= Save(wizard, "wizard.png");
    }
    {
        Tarnwick::LoginCredentials receiving;
        Tarnwick::CDatabaseAuthenticationDialog unlock("/home/anna/Büro/Konten.twdb", receiving);
        ok &= Save(unlock, "unlock.png");
    }
    {
        Tarnwick::SplashFactory splash;
        if (splash.ShowSplash()) {
            ok &= Save(*splash.GetWindow(), "splash.png");
        }
    }
    return ok ? 0 : 1;
}
