#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "platform/AppendFile.h"

namespace Tarnwick::LogProvider {

// The rolling log file "tlp.log" in the local application folder. One line per event:
// "<time> <kind> <code> <Base64 of the UTF-8 text>\n". A file that has reached the size limit
// is emptied when it is opened. Several processes may append at once.
class FileLogger {
public:
    static constexpr const char* kFileName = "tlp.log";
    static constexpr std::int64_t kSizeLimit = 0x8000;

    // Opens the log in the local application folder; a failure leaves it closed.
    FileLogger() noexcept;
    // Opens the log at the given path (tests).
    explicit FileLogger(const std::filesystem::path& fullPath) noexcept;
    FileLogger(const FileLogger&) = delete;
    FileLogger& operator=(const FileLogger&) = delete;

    bool IsOpen() const noexcept { return m_file.IsOpen(); }

    // Writes one event; when the file is not open or the write fails the event goes to the
    // system log instead. Never throws.
    void LogEvent(std::uint32_t kind, std::int64_t code, std::u16string_view text) noexcept;

private:
    void Open() noexcept;

    std::int64_t m_sizeLimit = kSizeLimit;
    std::int32_t m_adjustment = 0;
    Platform::AppendFile m_file;
    std::filesystem::path m_fullPath;
};

} // namespace Tarnwick::LogProvider
