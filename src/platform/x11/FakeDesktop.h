#pragma once

// Fakes of the desktop interfaces for the logic tests: they keep one journal of what was done,
// in order, and fail where a test asks them to.
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "base/exceptions/Exception.h"
#include "platform/x11/Desktop.h"

namespace Tarnwick::Platform {

using Journal = std::vector<std::string>;

inline const char* NamedKeyName(NamedKey key) {
    switch (key) {
    case NamedKey::Tab:
        return "Tab";
    case NamedKey::Return:
        return "Return";
    case NamedKey::Space:
        return "Space";
    case NamedKey::Insert:
        return "Insert";
    case NamedKey::Shift:
        return "Shift";
    case NamedKey::Control:
        return "Control";
    case NamedKey::Alt:
        return "Alt";
    case NamedKey::CapsLock:
        return "CapsLock";
    case NamedKey::LetterV:
        return "V";
    }
    return "?";
}

class FakeDesktopWindows final : public IDesktopWindows {
public:
    explicit FakeDesktopWindows(Journal& journal) : m_journal(journal) {}

    WindowId ActiveWindow() override { return active; }
    bool IsWindow(WindowId window) override { return titles.count(window) != 0; }
    std::u16string Title(WindowId window) override {
        const auto found = titles.find(window);
        return found != titles.end() ? found->second : std::u16string();
    }
    std::optional<std::int64_t> ProcessId(WindowId window) override {
        const auto found = processes.find(window);
        if (found == processes.end()) {
            return std::nullopt;
        }
        return found->second;
    }
    void Activate(WindowId window, ServerTime time) override {
        m_journal.push_back("activate:" + std::to_string(window) + "@" + std::to_string(time));
        if (activateFails) {
            throw Utilities::Exceptions::Exception(u"the window cannot take the focus", u"X11Desktop::Activate");
        }
        if (activateGivesFocus) {
            focus = window;
        }
    }
    PingResult Ping(WindowId, std::chrono::milliseconds timeout) override {
        m_journal.push_back("ping:" + std::to_string(timeout.count()));
        return ping;
    }
    bool HasInputFocus(WindowId window) override {
        ++focusChecks;
        if (loseFocusAtCheck > 0 && focusChecks >= loseFocusAtCheck) {
            focus = 0;
        }
        return focus != 0 && focus == window;
    }
    ScreenPoint PointerPosition() override { return pointer; }
    std::optional<ScreenRect> CaretRectangle(WindowId) override { return caret; }
    void SetWindowClass(WindowId window, std::string_view instance, std::string_view) override {
        classes[window] = std::string(instance);
    }
    void Pause(std::chrono::milliseconds duration) override {
        m_journal.push_back("pause:" + std::to_string(duration.count()));
    }

    WindowId active = 0;
    WindowId focus = 0;
    std::map<WindowId, std::u16string> titles;
    std::map<WindowId, std::int64_t> processes;
    std::map<WindowId, std::string> classes;
    PingResult ping = PingResult::Answered;
    bool activateFails = false;
    bool activateGivesFocus = true;
    // The focus goes away at this focus check (counted from 1); 0: never.
    int loseFocusAtCheck = 0;
    int focusChecks = 0;
    ScreenPoint pointer{400, 300};
    std::optional<ScreenRect> caret;

private:
    Journal& m_journal;
};

class FakeKeyboard final : public IKeyboardInput {
public:
    explicit FakeKeyboard(Journal& journal) : m_journal(journal) {}

    unsigned KeyCodeFor(NamedKey key) override {
        if (missing.count(key) != 0) {
            throw Utilities::Exceptions::Exception(u"no key", u"KeystrokeSender::KeyCodeFor");
        }
        return 100 + static_cast<unsigned>(key);
    }
    void SendKey(unsigned keyCode, bool press) override {
        if (failAtKey > 0 && ++m_keys == failAtKey) {
            throw Utilities::Exceptions::WindowsException(u"", 2, u"XTestFakeKeyEvent", u"KeystrokeSender::SendKeyEvent");
        }
        std::string name;
        if (keyCode >= 100 && keyCode <= 100 + static_cast<unsigned>(NamedKey::LetterV)) {
            name = NamedKeyName(static_cast<NamedKey>(keyCode - 100));
        } else {
            name = "key" + std::to_string(keyCode);
        }
        m_journal.push_back((press ? "+" : "-") + name);
        if (keyCode == 100 + static_cast<unsigned>(NamedKey::CapsLock) && press) {
            capsLock = !capsLock;
        }
        if (press) {
            down.insert(keyCode);
        } else {
            down.erase(keyCode);
        }
    }
    std::vector<unsigned> HeldModifierKeys() override { return held; }
    bool IsCapsLockOn() override { return capsLock; }
    void RestoreKeyMap() noexcept override { ++restores; }

    bool capsLock = false;
    std::vector<unsigned> held;
    std::set<NamedKey> missing;
    std::set<unsigned> down;
    // SendKey throws at this call (counted from 1); 0: never.
    int failAtKey = 0;
    int restores = 0;

private:
    Journal& m_journal;
    int m_keys = 0;
};

class FakeSelections final : public ISelectionService {
public:
    explicit FakeSelections(Journal& journal) : m_journal(journal) {}

    class Guarded final : public IGuardedSelection {
    public:
        Guarded(FakeSelections& owner, bool primaryToo) : m_owner(owner) {
            m_owner.m_journal.push_back(primaryToo ? "guard:clipboard+primary" : "guard:clipboard");
            m_owner.guarding = true;
        }
        ~Guarded() override {
            m_owner.m_journal.push_back("unguard");
            m_owner.guarding = false;
        }
        WindowId Window() const override { return 77; }
        bool OwnsSelections() override { return !m_owner.lost; }
        void Offer(std::string_view utf8, WindowId target) override {
            m_owner.m_journal.push_back("offer:" + std::string(utf8) + "@" + std::to_string(target));
            m_owner.offered.emplace_back(utf8);
            m_pending = true;
        }
        FetchResult WaitForFetch(std::chrono::milliseconds) override {
            m_owner.m_journal.push_back("fetch");
            if (m_owner.lost) {
                return FetchResult::Lost;
            }
            if (!m_pending || m_owner.fetchTimesOut) {
                return FetchResult::TimedOut;
            }
            m_pending = false;
            return FetchResult::Fetched;
        }
        void Withdraw() noexcept override {
            if (m_pending) {
                m_owner.m_journal.push_back("withdraw");
            }
            m_pending = false;
        }
        std::size_t RefusedRequests() const override { return 0; }

    private:
        FakeSelections& m_owner;
        bool m_pending = false;
    };

    std::unique_ptr<IGuardedSelection> Guard(bool primaryToo) override {
        if (guardFails) {
            throw Utilities::Exceptions::Exception(u"Ungültiger Eigner.", u"SecureClipboard::AssureClipboardOwner");
        }
        return std::make_unique<Guarded>(*this, primaryToo);
    }
    SelectionSnapshot Capture(Selection selection, std::size_t maxBytes) override {
        m_journal.push_back(selection == Selection::Primary ? "capture:primary" : "capture:clipboard");
        lastLimit = maxBytes;
        if (captureFails) {
            throw Utilities::Exceptions::WindowsException(u"the clipboard owner does not answer", 0, u"OpenClilboard",
                                                          u"ClipboardBackup::OpenClipboard");
        }
        return selection == Selection::Primary ? primary : clipboard;
    }
    void Restore(Selection selection, SelectionSnapshot snapshot) override {
        std::string text;
        for (const SelectionItem& item : snapshot.items) {
            text += item.target + "=" + std::string(item.data.begin(), item.data.end()) + ";";
        }
        m_journal.push_back((selection == Selection::Primary ? "restore:primary:" : "restore:clipboard:") + text);
        if (restoreFails) {
            throw Utilities::Exceptions::WindowsException(u"", 0, u"SetClipboardData", u"ClipboardBackup::Restore");
        }
    }
    std::optional<ClipboardWatcher> Watcher() override { return watcher; }
    std::optional<std::int64_t> OwnerProcess(Selection) override { return owner; }

    static SelectionSnapshot Text(const std::string& text) {
        SelectionSnapshot snapshot;
        SelectionItem item;
        item.target = "UTF8_STRING";
        item.type = "UTF8_STRING";
        item.data.assign(text.begin(), text.end());
        snapshot.items.push_back(std::move(item));
        return snapshot;
    }

    SelectionSnapshot clipboard;
    SelectionSnapshot primary;
    std::vector<std::string> offered;
    std::optional<ClipboardWatcher> watcher;
    std::optional<std::int64_t> owner;
    std::size_t lastLimit = 0;
    bool guarding = false;
    bool guardFails = false;
    bool captureFails = false;
    bool restoreFails = false;
    bool fetchTimesOut = false;
    bool lost = false;

private:
    Journal& m_journal;
};

class FakeHotKeyGrabber final : public IHotKeyGrabber {
public:
    int Grab(std::uint32_t keySym, unsigned modifiers) override {
        ++grabs;
        if (taken.count({keySym, modifiers}) != 0) {
            return kGrabTaken;
        }
        grabbed.insert({keySym, modifiers});
        return kGrabOk;
    }
    bool Ungrab(std::uint32_t keySym, unsigned modifiers) override {
        if (ungrabFails) {
            return false;
        }
        return grabbed.erase({keySym, modifiers}) != 0;
    }
    void Press(std::uint32_t keySym, unsigned modifiers, ServerTime time) {
        if (grabbed.count({keySym, modifiers}) != 0 && onPressed) {
            onPressed(keySym, modifiers, time);
        }
    }

    std::set<std::pair<std::uint32_t, unsigned>> grabbed;
    std::set<std::pair<std::uint32_t, unsigned>> taken;
    int grabs = 0;
    bool ungrabFails = false;
};

} // namespace Tarnwick::Platform
