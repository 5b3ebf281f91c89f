// Another program for the desktop tests. By default a log-in window with a user name field, a
// password field and a button "Anmelden": each click (or Enter) writes the fields, hex-coded
// UTF-8, and the number of clicks to --out. Commands on standard input: "paste" pastes into the
// focused field, "dump" writes the state now. --ready receives the window's X id once it is
// active. With --grab the program only holds the hot key Super+Shift+A, with --manager the
// CLIPBOARD_MANAGER selection; --ready then receives the result.
#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QSocketNotifier>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <unistd.h>

#include "platform/x11/X11Desktop.h"

namespace {

void WriteFile(const QString& path, const QByteArray& content) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(content);
        file.commit();
    }
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QCommandLineParser parser;
    QCommandLineOption titleOption("title", "window title", "title", "Anmeldung - Testziel");
    QCommandLineOption outOption("out", "state file", "file");
    QCommandLineOption readyOption("ready", "ready file", "file");
    QCommandLineOption grabOption("grab", "hold Super+Shift+A");
    QCommandLineOption managerOption("manager", "own CLIPBOARD_MANAGER");
    parser.addOptions({titleOption, outOption, readyOption, grabOption, managerOption});
    parser.process(application);
    const QString ready = parser.value(readyOption);

    std::shared_ptr<Tarnwick::Platform::X11Desktop> desktop;
    if (parser.isSet(grabOption) || parser.isSet(managerOption)) {
        desktop = Tarnwick::Platform::X11Desktop::Open();
        if (!desktop) {
            return 2;
        }
        const int result = parser.isSet(grabOption)
                               ? desktop->Grab('a', Tarnwick::Platform::kHotKeySuper | Tarnwick::Platform::kHotKeyShift)
                               : (desktop->ClaimSelection("CLIPBOARD_MANAGER") ? 0 : -1);
        auto* notifier = new QSocketNotifier(desktop->FileDescriptor(), QSocketNotifier::Read, &application);
        QObject::connect(notifier, &QSocketNotifier::activated, [desktop] { desktop->ProcessEvents(); });
        WriteFile(ready, QByteArray::number(result));
        return application.exec();
    }

    QWidget window;
    window.setWindowTitle(parser.value(titleOption));
    auto* layout = new QVBoxLayout(&window);
    auto* user = new QLineEdit(&window);
    user->setObjectName("user");
    auto* password = new QLineEdit(&window);
    password->setObjectName("password");
    password->setEchoMode(QLineEdit::Password);
    auto* button = new QPushButton(QStringLiteral("Anmelden"), &window);
    layout->addWidget(user);
    layout->addWidget(password);
    layout->addWidget(button);
    window.resize(420, 160);
    window.move(200, 200);

    int clicks = 0;
    const QString out = parser.value(outOption);
    const auto dump = [&] {
        QByteArray state = "user=" + user->text().toUtf8().toHex() + "\npassword=" + password->text().toUtf8().toHex() +
                           "\nclicks=" + QByteArray::number(clicks) + "\n";
        WriteFile(out, state);
    };
    QObject::connect(button, &QPushButton::clicked, [&] {
        ++clicks;
        dump();
    });
    QObject::connect(user, &QLineEdit::returnPressed, button, &QPushButton::click);
    QObject::connect(password, &QLineEdit::returnPressed, button, &QPushButton::click);

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[256];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof(buffer) - 1);
        if (n <= 0) {
            input.setEnabled(false);
            return;
        }
        const QByteArray commands(buffer, n);
        for (const QByteArray& command : commands.split('\n')) {
            if (command == "paste") {
                if (auto* edit = qobject_cast<QLineEdit*>(QApplication::focusWidget())) {
                    edit->paste();
                }
                dump();
            } else if (command == "dump") {
                dump();
            }
        }
    });

    window.show();
    window.activateWindow();
    user->setFocus();
    QTimer readyCheck;
    bool announced = false;
    QObject::connect(&readyCheck, &QTimer::timeout, [&] {
        if (!announced && window.isActiveWindow()) {
            announced = true;
            dump();
            WriteFile(ready, QByteArray::number(static_cast<qulonglong>(window.winId())));
        }
    });
    readyCheck.start(50);
    return application.exec();
}
