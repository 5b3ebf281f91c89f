#pragma once

#include <functional>

#include <QString>
#include <QStringList>
#include <QUrl>

class QWidget;

namespace Tarnwick::MainFrame {

// What the text of an entry's "URL or program" field stands for.
enum class TargetKind {
    None,    // empty or blank
    Address, // opened by the desktop's URL handler
    Program, // started without a shell, after the user agreed
    Refused, // never opened: an unknown or dangerous scheme, or no program name
};

struct LaunchTarget {
    TargetKind kind = TargetKind::None;
    QUrl address;          // Address
    QString program;       // Program
    QStringList arguments; // Program
};

// Addresses are http, https, ftp and mailto URLs, file URLs of absolute local paths and
// texts starting with "www." (taken as https). A file that can run (executable or a .desktop
// file) counts as a program. An absolute path of an existing plain file opens as a file.
// Other schemes are refused unless the first word is an existing executable. Everything else
// is split into program and arguments like QProcess::splitCommand, never through a shell.
TargetKind Classify(const QString& text, LaunchTarget* target = nullptr);

// The program and its arguments as one line that splits back into the same words.
QString CommandLineForDisplay(const QString& program, const QStringList& arguments);

enum class LaunchResult {
    Nothing,     // blank text, nothing to do
    Opened,      // handed to the URL handler
    Started,     // program started
    Declined,    // the user did not want the program started
    Refused,     // not allowed to open
    OpenFailed,  // the URL handler failed
    StartFailed, // the program could not be started
};

// The German message for the result, empty when there is nothing to tell the user.
QString LaunchMessage(LaunchResult result, const QString& text);

// The three effects of a launch; empty members get the real ones.
struct LaunchEffects {
    std::function<bool(const QUrl& address)> openUrl;
    // True when the user agreed to start the program; shown names the exact command.
    std::function<bool(QWidget* parent, const QString& shown)> confirmProgram;
    std::function<bool(const QString& program, const QStringList& arguments)> startProcess;
};

// The real effects: QDesktopServices::openUrl, a task dialog "Programm starten" (default: do
// not start) and QProcess::startDetached in the home folder.
LaunchEffects DefaultLaunchEffects();

// Starts an entry's URL or program (command "Url/Programm starten"). Never throws; the
// caller shows LaunchMessage() of the result.
class TargetLauncher {
public:
    explicit TargetLauncher(LaunchEffects effects = {});

    LaunchResult Launch(QWidget* parent, const QString& text) const;

private:
    LaunchEffects m_effects;
};

} // namespace Tarnwick::MainFrame
