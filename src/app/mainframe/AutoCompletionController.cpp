#include "app/mainframe/AutoCompletionController.h"

#include <unistd.h>

#include <limits>

#include <QApplication>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QString>

#include "app/mainframe/ClipboardController.h"
#include "autocompletion/AutoCompletionExecutor.h"
#include "autocompletion/SecureClipboard.h"
#include "autocompletion/SequenceParser.h"
#include "autocompletion/WindowMatching.h"
#include "base/exceptions/Exception.h"
#include "base/text/Format.h"
#include "log/LogProvider.h"
#include "options/ui/HotKeyChange.h"
#include "platform/Files.h"
#include "platform/x11/X11Desktop.h"
#include "uiext/QtText.h"
#include "uilib/MessageBox.h"
#include "uilib/SmartTagWnd.h"

namespace Tarnwick::MainFrame {

using UiLibrary::SmartTag::CSmartTagWnd;
using Utilities::Exceptions::Exception;
using WindowsServiceProvider::CMessageBox;

namespace {

constexpr std::u16string_view kLockedTitle = u"Arbeitsbereich ist gesperrt";
constexpr std::u16string_view kLocked =
    u"Um die Auto-Vervollständigung ausführen zu können, geben Sie den Arbeitsbereich wieder frei.";
constexpr std::u16string_view kShowError = u"Fehler beim Anzeigen des Tarnwick SmartTags.";
constexpr std::u16string_view kAccessDeniedTitle = u"Zugriff verweigert";
constexpr std::u16string_view kAccessDenied = u"Tarnwick kann das SmartTag nicht anzeigen.";
constexpr std::u16string_view kAccessDeniedDetail =
    u"Tarnwick hat nicht die benötigten Rechte auf die Anwendung zuzugreifen. Eine Mögliche Lösung wäre, Tarnwick "
    u"als Administrator auszuführen.";
constexpr std::u16string_view kMenuItemError = u"Fehler beim Hinzufügen eines Menüeintrags.";
constexpr std::u16string_view kMenuUnhandled =
    u"Unbehandelte Ausnahme beim Hinzufügen eines Menüeintrags zum SmartTag®-Fenster.";
constexpr std::u16string_view kOnlyX11 = u"Die Auto-Vervollständigung steht nur unter X11 zur Verfügung.";

AutoCompletionController::DesktopFactory& Factory() {
    static AutoCompletionController::DesktopFactory factory;
    return factory;
}

using UiText::Q;

void Log(std::u16string_view text) { LogProvider::GenericLog::LogEvent(0, text); }

} // namespace

AutoCompletionController::DesktopFactory AutoCompletionController::SetDesktopFactory(DesktopFactory factory) {
    DesktopFactory previous = std::move(Factory());
    Factory() = std::move(factory);
    return previous;
}

std::shared_ptr<AutoCompletionController::Desktop> AutoCompletionController::OpenX11Desktop() {
    std::shared_ptr<Platform::X11Desktop> x11 = Platform::X11Desktop::Open();
    if (!x11) {
        return nullptr;
    }
    // A program of ours may own the selection being read: Qt answers it while we wait.
    x11->SetPumpOthers([] {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
    });
    auto desktop = std::make_shared<Desktop>();
    desktop->windows = x11;
    desktop->keyboard = x11;
    desktop->hotKey = x11;
    desktop->selections = x11;
    desktop->fileDescriptor = x11->FileDescriptor();
    std::weak_ptr<Platform::X11Desktop> weak = x11;
    desktop->processEvents = [weak] {
        if (const auto strong = weak.lock()) {
            strong->ProcessEvents();
        }
    };
    desktop->watchQueued = [weak](std::function<void()> notify) {
        if (const auto strong = weak.lock()) {
            strong->SetOnEventsQueued(std::move(notify));
        }
    };
    return desktop;
}

AutoCompletionController::AutoCompletionController(Host host, ApplicationSettings::Settings& settings)
    : m_host(std::move(host)), m_settings(settings) {
    if (Factory()) {
        m_desktop = Factory()();
    } else if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        m_desktop = OpenX11Desktop();
    }
    if (m_desktop) {
        if (m_desktop->hotKey) {
            // Later, not inside the desktop's event handling.
            m_desktop->hotKey->onPressed = [this](std::uint32_t, unsigned, Platform::ServerTime time) {
                QMetaObject::invokeMethod(this, [this, time] { OnHotKey(time); }, Qt::QueuedConnection);
            };
        }
        if (m_desktop->fileDescriptor >= 0) {
            m_notifier = new QSocketNotifier(m_desktop->fileDescriptor, QSocketNotifier::Read, this);
            connect(m_notifier, &QSocketNotifier::activated, this, [this] { ProcessDesktopEvents(); });
        }
        if (m_desktop->watchQueued) {
            m_desktop->watchQueued([this] {
                if (!m_processQueued) {
                    m_processQueued = true;
                    QMetaObject::invokeMethod(this, [this] { ProcessDesktopEvents(); }, Qt::QueuedConnection);
                }
            });
        }
    }
    MakeHotKey();
}

AutoCompletionController::~AutoCompletionController() {
    delete m_smartTag.data();
    m_hotKey.reset(); // gives the grab up
    if (m_desktop) {
        if (m_desktop->hotKey) {
            m_desktop->hotKey->onPressed = nullptr;
        }
        if (m_desktop->watchQueued) {
            m_desktop->watchQueued(nullptr);
        }
    }
}

void AutoCompletionController::MakeHotKey() {
    const auto modifiers = static_cast<std::uint32_t>(m_settings.hotKeyModifier1 | m_settings.hotKeyModifier2);
    m_hotKey = std::make_unique<SmartTag::HotKeyManager>(m_desktop ? m_desktop->hotKey.get() : nullptr, modifiers,
                                                         static_cast<std::uint32_t>(m_settings.hotKey),
                                                         [this](std::u16string_view text) { ShowError(text); });
}

void AutoCompletionController::ProcessDesktopEvents() {
    m_processQueued = false;
    if (m_desktop && m_desktop->processEvents) {
        try {
            m_desktop->processEvents();
        } catch (...) {
            LogProvider::LogCurrentException();
        }
    }
}

void AutoCompletionController::ShowError(std::u16string_view text) { CMessageBox::ShowError(m_host.window, text); }

bool AutoCompletionController::Start() {
    if (!m_settings.autoCompletionEnabled) {
        return true;
    }
    if (!m_desktop) {
        Log(u"AutoCompletionController::Start: no X11 desktop, no hot key");
        if (QGuiApplication::platformName() == QLatin1String("wayland")) {
            CMessageBox::ShowInformation(m_host.window, kOnlyX11);
        }
        return false;
    }
    return m_hotKey->Register();
}

void AutoCompletionController::ApplySettings(const ApplicationSettings::Settings& previous) {
    const bool wasOn = previous.autoCompletionEnabled;
    const bool on = m_settings.autoCompletionEnabled;
    const bool keyChanged = previous.hotKey != m_settings.hotKey ||
                            previous.hotKeyModifier1 != m_settings.hotKeyModifier1 ||
                            previous.hotKeyModifier2 != m_settings.hotKeyModifier2;
    if (!m_desktop) {
        return;
    }
    if (wasOn && on && keyChanged) {
        // A refused key leaves the previous one registered and in the settings.
        if (!OptionsLibrary::ChangeHotKey(*m_hotKey, m_settings, previous)) {
            CMessageBox::ShowWarning(m_host.window, u"Die Taste für den Schnellzugriff konnte nicht geändert werden.");
        }
    } else if (wasOn && !on) {
        if (!m_hotKey->Unregister()) {
            CMessageBox::ShowWarning(m_host.window, u"Der Schnellzugriff konnte nicht beendet werden.");
        }
        MakeHotKey(); // holds the new key for later
    } else if (!wasOn && on) {
        MakeHotKey();
        if (!m_hotKey->Register()) {
            CMessageBox::ShowWarning(m_host.window, u"Der Schnellzugriff konnte nicht gestartet werden.");
        }
    } else if (!on && keyChanged) {
        MakeHotKey();
    }
}

void AutoCompletionController::AttachClipboard(ClipboardController& clipboard) {
    if (!m_desktop || !m_desktop->selections) {
        return;
    }
    std::shared_ptr<Platform::ISelectionService> selections = m_desktop->selections;
    clipboard.SetWatcherCheck([selections] {
        try {
            return Clipboard::ClipboardBase::GetListeningApplication(*selections);
        } catch (const Exception& exception) {
            LogProvider::GenericExceptionLog::LogEvent(exception);
        } catch (...) {
            LogProvider::LogCurrentException();
        }
        return std::u16string(u"Anwendung: unbekannt");
    });
    clipboard.SetOwnerCheck([selections] {
        // Unknown (no X-Resource answer) is left to the clipboard's own view.
        const std::optional<std::int64_t> owner = selections->OwnerProcess(Platform::Selection::Clipboard);
        return !owner || *owner == static_cast<std::int64_t>(::getpid());
    });
}

bool AutoCompletionController::IsOwnWindow(Platform::WindowId window) {
    if (QApplication::activeWindow() != nullptr) {
        return true;
    }
    const std::optional<std::int64_t> pid = m_desktop->windows->ProcessId(window);
    return pid && *pid == static_cast<std::int64_t>(::getpid());
}

void AutoCompletionController::OnHotKey(Platform::ServerTime time) {
    try {
        if (!m_desktop || m_running) {
            return;
        }
        if (m_host.isLocked && m_host.isLocked() && !m_settings.allowAutoCompletionWhenLocked) {
            WindowsServiceProvider::TaskDialogOptions options;
            options.title = std::u16string(kLockedTitle);
            options.content = std::u16string(kLocked);
            options.icon = WindowsServiceProvider::TaskDialogIcon::Information;
            options.cancelButton = true;
            CMessageBox::ShowTaskDialog(m_host.window, options);
            return;
        }
        if (m_smartTag && m_smartTag->Exists()) {
            return; // one smart tag at a time
        }
        ShowSmartTag(time);
    } catch (const Exception& exception) {
        LogProvider::GenericExceptionLog::LogEvent(exception);
    } catch (...) {
        LogProvider::LogCurrentException();
    }
}

void AutoCompletionController::ShowSmartTag(Platform::ServerTime time) {
    Platform::IDesktopWindows& windows = *m_desktop->windows;
    const Platform::WindowId target = windows.ActiveWindow();
    if (target == 0 || !windows.IsWindow(target) || IsOwnWindow(target)) {
        return;
    }
    if (RunsAsAnotherUser(target)) {
        WindowsServiceProvider::TaskDialogOptions denied;
        denied.title = kAccessDeniedTitle;
        denied.mainInstruction = kAccessDenied;
        denied.expandedInformation = kAccessDeniedDetail;
        denied.icon = WindowsServiceProvider::TaskDialogIcon::Information;
        denied.okButton = true;
        CMessageBox::ShowTaskDialog(m_host.window, denied);
        return;
    }
    QPoint point;
    if (const std::optional<Platform::ScreenRect> caret = windows.CaretRectangle(target)) {
        point = QPoint(caret->x + 5, caret->y + caret->height + 10);
    } else {
        const Platform::ScreenPoint pointer = windows.PointerPosition();
        point = QPoint(pointer.x, pointer.y);
    }
    delete m_smartTag.data();
    auto* tag = new CSmartTagWnd();
    std::shared_ptr<Desktop> desktop = m_desktop;
    tag->beforeShow = [desktop](QWidget& window) {
        desktop->windows->SetWindowClass(static_cast<Platform::WindowId>(window.winId()), CSmartTagWnd::kWindowClass,
                                         CSmartTagWnd::kWindowClass);
    };
    tag->onCommand = [this](int command, std::uint64_t data) { OnSmartTagCommand(command, data); };
    tag->onDestroyed = [tag] { tag->deleteLater(); };
    if (!tag->Create(target, point)) {
        delete tag;
        CMessageBox::ShowWarning(m_host.window, kShowError);
        return;
    }
    m_smartTag = tag;
    m_shown = Shown{target, time, {}};
    std::u16string failure;
    try {
        FillMenu(m_host.findMatches ? m_host.findMatches(windows.Title(target))
                                    : std::vector<AutoCompletion::AutoCompletionIndex::Match>());
    } catch (const Exception& exception) {
        LogProvider::GenericExceptionLog::LogEvent(exception);
        failure = exception.GetMessage().View();
    } catch (...) {
        LogProvider::LogCurrentException();
        failure = kMenuUnhandled;
    }
    if (!failure.empty()) {
        m_shown = Shown{};
        tag->DestroyWindow();
        ShowError(failure);
    }
}

// A window of another user's program (root's above all) is out of our reach, as a program of
// higher rights is elsewhere: nothing is offered there.
bool AutoCompletionController::RunsAsAnotherUser(Platform::WindowId window) {
    const std::optional<std::int64_t> process = m_desktop->windows->ProcessId(window);
    unsigned owner = 0;
    if (!process || *process <= 0 || *process > std::numeric_limits<int>::max() ||
        !Platform::QueryProcessOwner(static_cast<int>(*process), owner).Ok()) {
        return false;
    }
    return owner != Platform::EffectiveUser();
}

void AutoCompletionController::FillMenu(const std::vector<AutoCompletion::AutoCompletionIndex::Match>& matches) {
    std::int64_t unnamed = 1;
    for (std::size_t i = 0; i < matches.size(); ++i) {
        QString text = Q(matches[i].item->GetDescription().View());
        if (text.isEmpty()) {
            text = Q(Text::Format(u"Passwortinformation %d", unnamed++).View());
        }
        text.replace(QLatin1Char('&'), QStringLiteral("&&"));
        // The item carries the place of the match, not the entry's packed positions.
        if (!m_smartTag->AddMenuItem(text, i)) {
            throw Exception(kMenuItemError, u"CMainFrame::ShowSmartTag");
        }
    }
    m_shown.matches = matches;
}

void AutoCompletionController::OnSmartTagCommand(int command, std::uint64_t data) {
    if (!m_desktop->windows->IsWindow(m_shown.target)) {
        return; // the program went away meanwhile
    }
    if (command == CSmartTagWnd::kNewEntry || command == CSmartTagWnd::kAssignEntry) {
        if (m_host.requestChoice) {
            m_host.requestChoice(command);
        }
        return;
    }
    if (command < CSmartTagWnd::kFirstEntry || data >= m_shown.matches.size()) {
        return;
    }
    const AutoCompletion::AutoCompletionIndex::Match& match = m_shown.matches[static_cast<std::size_t>(data)];
    m_chosen = Chosen{m_shown.target, m_shown.time, match.item};
    if (m_host.requestEntry) {
        m_host.requestEntry(match.folder, match.entry);
    }
}

bool AutoCompletionController::Run(QWidget*, const PasswordADT::PasswordItem& entry) {
    if (!m_chosen) {
        Log(u"AutoCompletionController::Run: refused, the entry was not chosen in the smart tag");
        return true;
    }
    const Chosen chosen = *m_chosen;
    m_chosen.reset();
    const std::shared_ptr<PasswordADT::PasswordItem> item = chosen.entry.lock();
    if (!item || item.get() != &entry) {
        Log(u"AutoCompletionController::Run: refused, not the entry chosen in the smart tag");
        return true;
    }
    if (m_running || !m_desktop) {
        return true;
    }
    Platform::IDesktopWindows& windows = *m_desktop->windows;
    if (!windows.IsWindow(chosen.target) ||
        !AutoCompletion::MatchesWindow(entry.GetTargetWindow().View(), windows.Title(chosen.target))) {
        Log(u"AutoCompletionController::Run: the target window no longer matches the entry");
        ShowError(AutoCompletion::kExecutionErrorMessage);
        return true;
    }
    AutoCompletion::SequenceParser parser(entry);
    if (!parser.Parse(false)) {
        return false;
    }
    struct Running {
        bool& flag;
        explicit Running(bool& running) : flag(running) { flag = true; }
        ~Running() { flag = false; }
    } running(m_running);
    AutoCompletion::AutoCompletionExecutor executor(
        AutoCompletion::DesktopServices{windows, *m_desktop->keyboard, *m_desktop->selections}, chosen.target,
        chosen.time, entry, parser.Codes());
    executor.Execute([this](AutoCompletion::MessageKind kind, std::u16string_view text) {
        if (kind == AutoCompletion::MessageKind::Warning) {
            CMessageBox::ShowWarning(m_host.window, text);
        } else {
            ShowError(text);
        }
    });
    return true;
}

} // namespace Tarnwick::MainFrame
