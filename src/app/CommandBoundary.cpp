#include "app/CommandBoundary.h"

#include "log/LogProvider.h"
#include "uilib/MessageBox.h"

namespace Tarnwick::App {

void LogCurrentException() noexcept {
    LogProvider::LogCurrentException();
}

bool RunCommand(QWidget* parent, std::u16string_view failureMessage, const std::function<void()>& command) noexcept {
    try {
        command();
        return true;
    } catch (...) {
        LogCurrentException();
    }
    if (!failureMessage.empty()) {
        try {
            WindowsServiceProvider::CMessageBox::ShowError(parent, failureMessage);
        } catch (...) {
            LogCurrentException();
        }
    }
    return false;
}

} // namespace Tarnwick::App
