#include "log/FileLogger.h"

#include <ctime>
#include <string>

#include "core/Path.h"
#include "base/text/Utf.h"
#include "base/text/Base64.h"
#include "log/EventLogger.h"

namespace Tarnwick::LogProvider {

FileLogger::FileLogger() noexcept {
    try {
        m_fullPath = Core::Path::GetLocalAppPath() / kFileName;
    } catch (...) {
        return;
    }
    Open();
}

FileLogger::FileLogger(const std::filesystem::path& fullPath) noexcept {
    try {
        m_fullPath = fullPath;
    } catch (...) {
        return;
    }
    Open();
}

void FileLogger::Open() noexcept {
    if (m_file.Open(m_fullPath) != 0) {
        return;
    }
    std::int64_t size = 0;
    if (m_file.Size(size) != 0) {
        m_file.Close();
        return;
    }
    // Old lines are dropped all at once, so the log never grows much past the limit.
    if (size >= m_sizeLimit + m_adjustment && m_file.Truncate() != 0) {
        m_file.Close();
    }
}

void FileLogger::LogEvent(std::uint32_t kind, std::int64_t code, std::u16string_view text) noexcept {
    const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
    if (!m_file.IsOpen()) {
        EventLogger::LogEvent(now, kind, code, text);
        return;
    }
    int error = 0;
    try {
        const std::string utf8 = Text::ToUtf8(text);
        const std::string line = std::to_string(now) + ' ' + std::to_string(kind) + ' ' +
                                 std::to_string(code) + ' ' +
                                 Text::Base64::Encode(utf8.data(), utf8.size(), Text::Base64::NoLineBreaks) + '\n';
        error = m_file.Write(line);
    } catch (...) {
        error = -1;
    }
    if (error != 0) {
        EventLogger::LogEvent(now, kind, code, text);
    }
}

} // namespace Tarnwick::LogProvider
