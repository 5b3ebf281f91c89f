#pragma once

#include <QIcon>

namespace Tarnwick::MainFrame {

// The picture of a command in the command bar and the menus.
QIcon CommandIcon(int id);
// Image 2 (open padlock: "sperren") and image 3 (closed padlock: "freigeben") of the lock command.
QIcon LockIcon(bool locked);
// The program's own icon (window, notification area).
QIcon ApplicationIcon();

} // namespace Tarnwick::MainFrame
