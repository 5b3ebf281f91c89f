#pragma once

// One text on CLIPBOARD for every program that asks, marked as a secret so that clipboard
// managers do not keep it; for the command line's helper, which has no toolkit of its own.
#include <chrono>
#include <functional>

#include "platform/x11/Desktop.h"
#include "platform/x11/X11Connection.h"

namespace Tarnwick::Platform {

class ClipboardServer {
public:
    explicit ClipboardServer(X11::Connection& connection);
    ~ClipboardServer();
    ClipboardServer(const ClipboardServer&) = delete;
    ClipboardServer& operator=(const ClipboardServer&) = delete;

    // Takes CLIPBOARD with the text (UTF-8), which is wiped when it goes. False when the
    // server did not make us the owner.
    bool Take(WipedBytes text);
    // Serves until the time is up, stop() is true or another program takes the clipboard;
    // true in the last case.
    bool Serve(std::chrono::milliseconds timeout, const std::function<bool()>& stop);
    bool Lost() const noexcept { return m_lost; }
    // Empties the clipboard while it still holds our text (never another program's) and
    // wipes the text.
    void Release() noexcept;

private:
    bool OnEvent(_XEvent& event);
    void Answer(_XEvent& event);
    void Wipe() noexcept;

    X11::Connection& m_c;
    X11::XId m_window = 0;
    X11::XId m_clipboard = 0;
    int m_handler = 0;
    unsigned long m_time = 0;
    WipedBytes m_text;
    // The text in Latin-1 for STRING, when every character fits.
    WipedBytes m_latin1;
    bool m_fitsLatin1 = false;
    bool m_lost = false;
};

} // namespace Tarnwick::Platform
