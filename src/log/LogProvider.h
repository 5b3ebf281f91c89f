#pragma once

#include <cstdint>
#include <string_view>

#include "log/FileLogger.h"
#include "base/exceptions/DBException.h"
#include "base/exceptions/Exception.h"

// The log families. Each call opens "tlp.log", appends one event and closes it again; when the
// file cannot be written the event goes to the system log. None of them ever throws.
//
// Kinds and codes of the lines:
//   0 GenericLog           the caller's id
//   1 KelExceptionLog      0, the exception's full text
//   2 DatabaseExceptionLog the engine code (sign-extended)
//   3 WindowsExceptionLog  the system error code
//   4 WindowsErrorLog      the error, "Error: %u\nFunction: %s\nTarget: %s"
namespace Tarnwick::LogProvider {

class GenericLog {
public:
    virtual ~GenericLog();
    static void LogEvent(const std::uint32_t& id, std::u16string_view text) noexcept;

private:
    GenericLog() noexcept = default;
    FileLogger m_logger;
};

class KelExceptionLog {
public:
    virtual ~KelExceptionLog();
    // ToString() is virtual, so a derived exception passed here keeps its full text.
    static void LogEvent(const Utilities::Exceptions::Exception& exception) noexcept;

private:
    KelExceptionLog() noexcept = default;
    FileLogger m_logger;
};

class DatabaseExceptionLog {
public:
    virtual ~DatabaseExceptionLog();
    static void LogEvent(const EmberkiteDatabase::DBException& exception) noexcept;

private:
    DatabaseExceptionLog() noexcept = default;
    FileLogger m_logger;
};

class WindowsExceptionLog {
public:
    virtual ~WindowsExceptionLog();
    static void LogEvent(const Utilities::Exceptions::WindowsException& exception) noexcept;

private:
    WindowsExceptionLog() noexcept = default;
    FileLogger m_logger;
};

class WindowsErrorLog {
public:
    virtual ~WindowsErrorLog();
    // A null function or target is written as empty text.
    static void LogEvent(std::uint32_t error, const char16_t* function, const char16_t* target) noexcept;

private:
    WindowsErrorLog() noexcept = default;
    FileLogger m_logger;
};

// Chooses the family by the static type of the argument.
class GenericExceptionLog {
public:
    static void LogEvent(const Utilities::Exceptions::Exception& exception) noexcept;
    static void LogEvent(const Utilities::Exceptions::WindowsException& exception) noexcept;
    static void LogEvent(const EmberkiteDatabase::DBException& exception) noexcept;
};

// The one catch boundary: logs the exception being handled with the family of its dynamic
// type (DBException, WindowsException, Exception), any other std::exception as kind 0 with its
// what() text, and anything else as kind 0 "unknown exception". Outside a catch block it does
// nothing.
void LogCurrentException() noexcept;

} // namespace Tarnwick::LogProvider
