#pragma once

// Small pieces the database dialogs share.

#include <filesystem>
#include <string>
#include <string_view>

#include <QString>

#include "uiext/QtText.h"

class QDialog;
class QHBoxLayout;
class QPushButton;
class QWidget;

namespace Tarnwick::Dialogs {

using UiText::Q;

inline QString PathText(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }
inline std::filesystem::path PathOf(const QString& text) { return std::filesystem::path(text.toStdString()); }

// The window title, icon and flags every dialog of the program has.
void PrepareDialog(QDialog& dialog, const QString& title);

// A push button with an object name for tests and scripts.
QPushButton* MakeButton(const QString& text, const char* name, QWidget* parent);

// The message of a command that needs the workspace unlocked, titled "Arbeitsbereich ist gesperrt".
void ShowLockedInformation(QWidget* parent, std::u16string_view text);

// Whether both paths name the same file (the same inode, through links of any kind); false
// when either does not exist.
bool IsSameFile(const std::filesystem::path& a, const std::filesystem::path& b) noexcept;

} // namespace Tarnwick::Dialogs
