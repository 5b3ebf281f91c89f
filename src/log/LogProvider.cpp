#include "log/LogProvider.h"

#include "core/text/Format.h"

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

} // namespace Tarnwick::LogProvider
