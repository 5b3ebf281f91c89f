#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string_view>

#include <QPoint>
#include <QString>
#include <QStringList>

#include "database/CDatabase.h"
#include "database/DatabaseUserInterface.h"
#include "model/PasswordItem.h"

class QWidget;

namespace Tarnwick::Platform {
class IIdleTimeSource;
class ISessionWatcher;
} // namespace Tarnwick::Platform

namespace Tarnwick::MainFrame {

// What the status bar says after a copy, by kind.
enum class ClipboardKind {
    Data = 0,
    Description = 1,
    UserName = 2,
    Password = 3,
    Email = 4,
    Comment = 5,
    Url = 6,
    FieldName = 7,
    FieldValue = 8,
    HistoryDate = 9,
    HistoryPassword = 10,
    Empty = 11,
};
std::u16string_view ClipboardStatusText(ClipboardKind kind);

// The clipboard as the main window's copy commands use it. Failures are exceptions.
class IFieldClipboard {
public:
    virtual ~IFieldClipboard() = default;
    // Puts the text on the clipboard, marked for clipboard managers as a secret.
    virtual void CopyText(std::u16string_view text) = 0;
    virtual void Clear() = 0;
    // Called when another program takes the clipboard over while it holds our text.
    std::function<void()> onLost;
};

// The icon in the notification area.
class INotificationIcon {
public:
    enum class Activation { DoubleClick, Click, Context };

    virtual ~INotificationIcon() = default;
    // False when there is no notification area to show it in.
    virtual bool Show(const QString& tip, const QString& balloonTitle, const QString& balloonText) = 0;
    virtual void Hide() = 0;
    virtual bool IsShown() const = 0;
    std::function<void(Activation, QPoint)> onActivated;
};

// Types an entry's auto-completion sequence into the target window.
class IAutoCompletionRunner {
public:
    virtual ~IAutoCompletionRunner() = default;
    // False when the entry's sequence is invalid.
    virtual bool Run(QWidget* frame, const PasswordADT::PasswordItem& entry) = 0;
};

// Asks for the credentials of the open database again to unlock the workspace; true with
// credentials filled when the user authenticated.
using ReAuthenticator =
    std::function<bool(QWidget* parent, const std::filesystem::path& database, LoginCredentials& credentials)>;
// The log-in dialog shown from the running window: path holds the preset (may be empty) and
// receives the chosen database; true after a successful log-in.
using LogInAgain = std::function<bool(QWidget* parent, std::filesystem::path& path, LoginCredentials& credentials)>;
// The new-database wizard; the created path, empty when nothing was created.
using NewDatabaseWizard = std::function<std::filesystem::path(QWidget* parent)>;

// Everything the main window takes from its surroundings. Empty members get the real ones.
struct MainFrameEnvironment {
    std::shared_ptr<Platform::IIdleTimeSource> idleTime;
    std::shared_ptr<Platform::ISessionWatcher> sessionWatcher;
    // Milliseconds of a monotonic clock.
    std::function<std::uint64_t()> tickCount;
    // Whether the main window is the active window.
    std::function<bool()> isActiveWindow;
    std::shared_ptr<IFieldClipboard> clipboard;
    std::shared_ptr<INotificationIcon> notificationIcon;
    // Opens an address (a URL, or a document as a file: URL) on the desktop; false when that failed.
    std::function<bool(const QString& target)> openTarget;
    // Asks before an entry's program is started, and starts it without a shell (empty: the real ones).
    std::function<bool(QWidget* parent, const QString& command)> confirmProgram;
    std::function<bool(const QString& program, const QStringList& arguments)> startProcess;
    // The database file dialog; empty when nothing was chosen.
    std::function<std::filesystem::path(QWidget* parent)> chooseDatabaseFile;
    // The interactive update (empty: the real one); its result code.
    std::function<int()> runUpdate;
    // Shows database errors and questions; nullptr for the window's own message boxes.
    IDatabaseUserInterface* databaseUi = nullptr;
};

} // namespace Tarnwick::MainFrame
