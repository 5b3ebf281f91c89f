#pragma once

#include <string_view>

#include <QIcon>

namespace Tarnwick::App {

// The product title of the windows and of the notification-area icon.
inline constexpr std::u16string_view kProductTitle = u"Tarnwick 2010";

// The program's icon, drawn once (a key on a blue tile).
QIcon ApplicationIcon();

} // namespace Tarnwick::App
