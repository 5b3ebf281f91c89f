#pragma once

// Pieces every owner of an X selection needs; only the platform's .cpp files include this.
#include <cstddef>
#include <string_view>

#include <X11/Xlib.h>

#include "platform/x11/Desktop.h"
#include "platform/x11/X11Connection.h"

namespace Tarnwick::Platform::X11 {

// The largest property one request can carry, with room for the request's own fields.
std::size_t MaxPropertyBytes(Display* display);
// UTF-8 to Latin-1, when every character fits (for the target STRING).
bool ToLatin1(std::string_view utf8, WipedBytes& out);
// Answers a selection request: property None refuses it.
void SendNotify(Display* display, const XSelectionRequestEvent& request, Atom property);
// Destroys a selection owner's window and drops its event handler (each only when set).
void CloseOwnWindow(Connection& connection, Window& window, int& handler) noexcept;

} // namespace Tarnwick::Platform::X11
