#include "app/CommandBoundary.h"

#include <exception>
#include <new>

#include "core/text/Utf.h"
#include "log/LogProvider.h"
#include "uilib/MessageBox.h"

namespace Tarnwick::App {

void LogCurrentException() noexcept {
    try {
        throw;
    } catch (const EmberkiteDatabase::DBException& e) {
        LogProvider::GenericExceptionLog::LogEvent(e);
    } catch (const Utilities::Exceptions::WindowsException& e) {
        LogProvider::GenericExceptionLog::LogEvent(e);
    } catch (const Utilities::Exceptions::Exception& e) {
        LogProvider::GenericExceptionLog::LogEvent(e);
    } catch (const std::exception& e) {
        try {
            LogProvider::GenericLog::LogEvent(0, Text::FromUtf8(e.what()));
        } catch (...) {
            LogProvider::GenericLog::LogEvent(0, u"std::exception");
        }
    } catch (...) {
        LogProvider::GenericLog::LogEvent(0, u"unknown exception");
    }
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
