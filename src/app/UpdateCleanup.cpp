#include "app/UpdateCleanup.h"

#include <system_error>

#include "app/CommandBoundary.h"
#include "core/Path.h"
#include "base/text/Utf.h"
#include "log/LogProvider.h"
#include "base/exceptions/Exception.h"
#include "platform/UserSession.h"

namespace Tarnwick::App {

namespace fs = std::filesystem;

namespace {

constexpr std::chrono::milliseconds kExecutorGrace{2000};

bool IsAsciiLetterOrDigit(char c) noexcept {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// "<digits>-XXXXXX" with mkdtemp's letters and digits.
bool HasTemporaryFolderName(const std::string& name) {
    const std::size_t dash = name.find('-');
    if (dash == std::string::npos || dash == 0 || name.size() - dash - 1 != 6) {
        return false;
    }
    for (std::size_t i = 0; i < dash; ++i) {
        if (name[i] < '0' || name[i] > '9') {
            return false;
        }
    }
    for (std::size_t i = dash + 1; i < name.size(); ++i) {
        if (!IsAsciiLetterOrDigit(name[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

bool IsOwnUpdateFolder(const fs::path& folder, const fs::path& privateFolder) {
    if (!folder.is_absolute() || privateFolder.empty()) {
        return false;
    }
    // No "." or ".." that could lead out of the private folder, no trailing separator games.
    fs::path plain = folder;
    if (!plain.has_filename()) {
        plain = plain.parent_path();
    }
    if (plain.lexically_normal() != plain) {
        return false;
    }
    if (!HasTemporaryFolderName(plain.filename().string())) {
        return false;
    }
    std::error_code error;
    const fs::path parent = fs::canonical(plain.parent_path(), error);
    if (error) {
        return false;
    }
    const fs::path expected = fs::canonical(privateFolder, error);
    if (error || parent != expected) {
        return false;
    }
    bool ownFolder = false;
    if (!Platform::QueryOwnFolder(plain, ownFolder).Ok()) {
        return false;
    }
    return ownFolder;
}

bool CleanUpAfterUpdate(std::u16string_view folderText, const std::function<void(std::chrono::milliseconds)>& wait) {
    if (wait) {
        wait(kExecutorGrace);
    }
    try {
        const fs::path folder(Text::ToUtf8(folderText));
        if (!IsOwnUpdateFolder(folder, Core::Path::GetTemporaryPath())) {
            LogProvider::GenericExceptionLog::LogEvent(Utilities::Exceptions::Exception(
                u"refused to delete a folder that is no update folder of this program",
                u"CApplication::CleanUpAfterUpdate"));
            return false;
        }
        Core::Path::DeleteFileOrFolder(folder);
        return true;
    } catch (...) {
        LogCurrentException();
    }
    return false;
}

} // namespace Tarnwick::App
