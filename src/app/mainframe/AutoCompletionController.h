#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include <QObject>
#include <QPointer>

#include "app/mainframe/FrameServices.h"
#include "autocompletion/AutoCompletionIndex.h"
#include "autocompletion/HotKeyBase.h"
#include "options/Settings.h"
#include "platform/x11/Desktop.h"
#include "uilib/SmartTagWnd.h"

class QSocketNotifier;
class QWidget;

namespace Tarnwick::MainFrame {

class ClipboardController;

// The main window's auto-completion: the global hot key, the smart tag it opens over the
// program in front, and the run of the entry chosen there. An entry is typed only when this
// window's own smart tag chose it, and only into the window the smart tag was shown over,
// while that window still matches the entry; a request from anywhere else types nothing.
class AutoCompletionController final : public QObject, public IAutoCompletionRunner {
    Q_OBJECT
public:
    // The desktop the controller works on.
    struct Desktop {
        std::shared_ptr<Platform::IDesktopWindows> windows;
        std::shared_ptr<Platform::IKeyboardInput> keyboard;
        std::shared_ptr<Platform::IHotKeyGrabber> hotKey;
        std::shared_ptr<Platform::ISelectionService> selections;
        // Readable when desktop events wait (-1: nothing to watch), and what handles them.
        int fileDescriptor = -1;
        std::function<void()> processEvents;
        // Installs what is called when events wait in a queue the descriptor does not show.
        std::function<void(std::function<void()>)> watchQueued;
    };
    using DesktopFactory = std::function<std::shared_ptr<Desktop>()>;
    // What new controllers get; empty: the X11 desktop on the xcb platform, else none.
    // Returns the previous factory (tests).
    static DesktopFactory SetDesktopFactory(DesktopFactory factory);
    // The X11 desktop on $DISPLAY, nullptr when there is none.
    static std::shared_ptr<Desktop> OpenX11Desktop();

    // What the controller needs of the main window.
    struct Host {
        QWidget* window = nullptr;
        std::function<bool()> isLocked;
        std::function<std::vector<AutoCompletion::AutoCompletionIndex::Match>(std::u16string_view title)> findMatches;
        // Posts the request for the chosen entry (positions in full) or fixed command.
        std::function<void(std::size_t folder, std::size_t entry)> requestEntry;
        std::function<void(int choice)> requestChoice;
    };

    AutoCompletionController(Host host, ApplicationSettings::Settings& settings);
    ~AutoCompletionController() override;

    // At the window's creation: the hot key when "Auto-Vervollständigung aktivieren" is on.
    // False when it could not be registered (the program runs on without it).
    bool Start();
    // After the options dialog: follows the switch and the key.
    void ApplySettings(const ApplicationSettings::Settings& previous);
    // The copy commands ask about a clipboard watcher and clear only their own copy.
    void AttachClipboard(ClipboardController& clipboard);

    // The run of the entry the smart tag chose; false when its sequence is invalid.
    bool Run(QWidget* frame, const PasswordADT::PasswordItem& entry) override;

    // The hot key was pressed at the server time.
    void OnHotKey(Platform::ServerTime time);

    bool IsAvailable() const noexcept { return m_desktop != nullptr; }
    bool IsRunning() const noexcept { return m_running; }
    UiLibrary::SmartTag::CSmartTagWnd* SmartTag() const noexcept { return m_smartTag.data(); }
    const SmartTag::HotKeyManager* HotKey() const noexcept { return m_hotKey.get(); }
    // The desktop's key grab (the options dialog tries a new hot key on it); null without one.
    Platform::IHotKeyGrabber* HotKeyGrabber() const noexcept { return m_desktop ? m_desktop->hotKey.get() : nullptr; }

private:
    void ShowSmartTag(Platform::ServerTime time);
    void FillMenu(const std::vector<AutoCompletion::AutoCompletionIndex::Match>& matches);
    void OnSmartTagCommand(int command, std::uint64_t data);
    bool IsOwnWindow(Platform::WindowId window);
    bool RunsAsAnotherUser(Platform::WindowId window);
    void MakeHotKey();
    void ShowError(std::u16string_view text);
    void ProcessDesktopEvents();

    Host m_host;
    ApplicationSettings::Settings& m_settings;
    std::shared_ptr<Desktop> m_desktop;
    std::unique_ptr<SmartTag::HotKeyManager> m_hotKey;
    QSocketNotifier* m_notifier = nullptr;
    QPointer<UiLibrary::SmartTag::CSmartTagWnd> m_smartTag;

    // What the smart tag was shown for, and what was chosen in it.
    struct Shown {
        Platform::WindowId target = 0;
        Platform::ServerTime time = 0;
        std::vector<AutoCompletion::AutoCompletionIndex::Match> matches;
    };
    Shown m_shown;
    struct Chosen {
        Platform::WindowId target = 0;
        Platform::ServerTime time = 0;
        std::weak_ptr<PasswordADT::PasswordItem> entry;
    };
    std::optional<Chosen> m_chosen;
    bool m_running = false;
    bool m_processQueued = false;
};

} // namespace Tarnwick::MainFrame
