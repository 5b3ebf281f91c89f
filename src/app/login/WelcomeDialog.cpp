#include "app/login/WelcomeDialog.h"

#include "uilib/MessageBox.h"

namespace Tarnwick {

bool AskCreateDatabaseOnFirstStart(QWidget* parent) {
    WindowsServiceProvider::TaskDialogOptions options;
    options.title = u"Willkommen zu Tarnwick 2010";
    options.content =
        u"Um Ihre Passwörter einfach und komfortabel verwalten zu können, benötigen Sie eine Passwortdatenbank. "
        u"Tarnwick unterstützt Sie im Folgenden beim Anlegen dieser Passwortdatenbank. Möchten Sie nun mit dem "
        u"Anlegen einer neuen Passwortdatenbank fortfahren?";
    options.commands = {
        u"Ja, neue Datenbank jetzt anlegen\nDer Assistent zum Anlegen der neuen Passwortdatenbank wird gestartet.",
        u"Nein, keine neue Datenbank anlegen\nIch besitze bereits eine Passwortdatenbank oder möchte jetzt keine "
        u"Neue anlegen.",
    };
    options.defaultCommand = 0;
    options.icon = WindowsServiceProvider::TaskDialogIcon::Information;
    return WindowsServiceProvider::CMessageBox::ShowTaskDialog(parent, options) == 0;
}

} // namespace Tarnwick
