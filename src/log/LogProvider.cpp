#include "log/LogProvider.h"

#include <exception>

#include "base/text/Format.h"
#include "base/text/Utf.h"

namespace Tarnwick::LogProvider {

using EmberkiteDatabase::DBException;
using Utilities::Exceptions::Exception;
using Utilities::Exceptions::WindowsException;

GenericLog::~GenericLog() = default;
KelExceptionLog::~KelExceptionLog() = default;
DatabaseExceptionLog::~DatabaseExceptionLog() = default;
WindowsExceptionLog::~WindowsExceptionLog() = default;
WindowsErrorLog::~WindowsErrorLog() = default;

void GenericLog::LogEvent(const std::uint32_t& id, std::u16string_view text) noexcept {
    GenericLog log;
    log.m_logger.LogEvent(0, id, text);
}

void KelExceptionLog::LogEvent(const Exception& exception) noexcept {
    try {
        const auto text = exception.ToString();
        KelExceptionLog log;
        log.m_logger.LogEvent(1, 0, text.View());
    } catch (...) {
    }
}

void DatabaseExceptionLog::LogEvent(const DBException& exception) noexcept {
    try {
        const auto text = exception.ToString();
        DatabaseExceptionLog log;
        log.m_logger.LogEvent(2, exception.GetErrorCode(), text.View());
    } catch (...) {
    }
}

void WindowsExceptionLog::LogEvent(const WindowsException& exception) noexcept {
    try {
        const auto text = exception.ToString();
        WindowsExceptionLog log;
        log.m_logger.LogEvent(3, exception.GetErrorCode(), text.View());
    } catch (...) {
    }
}

void WindowsErrorLog::LogEvent(std::uint32_t error, const char16_t* function,
                               const char16_t* target) noexcept {
    try {
        const auto text = Text::Format(u"Error: %u\nFunction: %s\nTarget: %s", error, function, target);
        WindowsErrorLog log;
        log.m_logger.LogEvent(4, error, text.View());
    } catch (...) {
    }
}

void GenericExceptionLog::LogEvent(const Exception& exception) noexcept {
    KelExceptionLog::LogEvent(exception);
}

void GenericExceptionLog::LogEvent(const WindowsException& exception) noexcept {
    WindowsExceptionLog::LogEvent(exception);
}

void GenericExceptionLog::LogEvent(const DBException& exception) noexcept {
    DatabaseExceptionLog::LogEvent(exception);
}

void LogCurrentException() noexcept {
    // A rethrow without an exception in flight would end the process.
    if (!std::current_exception()) {
        return;
    }
    try {
        throw;
    } catch (const DBException& e) {
        GenericExceptionLog::LogEvent(e);
    } catch (const WindowsException& e) {
        GenericExceptionLog::LogEvent(e);
    } catch (const Exception& e) {
        GenericExceptionLog::LogEvent(e);
    } catch (const std::exception& e) {
        try {
            GenericLog::LogEvent(0, Text::FromUtf8(e.what()));
        } catch (...) {
            GenericLog::LogEvent(0, u"std::exception");
        }
    } catch (...) {
        GenericLog::LogEvent(0, u"unknown exception");
    }
}

} // namespace Tarnwick::LogProvider
