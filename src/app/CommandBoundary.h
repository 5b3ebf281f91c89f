#pragma once

#include <functional>
#include <string_view>

class QWidget;

namespace Tarnwick::App {

// Logs the exception being handled (LogProvider::LogCurrentException). Call it only inside a
// catch block.
void LogCurrentException() noexcept;

// Runs one user command. An exception ends the command: it is logged and, when a failure
// message is given, shown as an error owned by parent. Nothing passes on into Qt's event
// loop. False when the command ended with an exception.
bool RunCommand(QWidget* parent, std::u16string_view failureMessage, const std::function<void()>& command) noexcept;

} // namespace Tarnwick::App
