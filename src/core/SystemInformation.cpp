#include "core/SystemInformation.h"

#include <cerrno>

#include "core/Path.h"
#include "base/exceptions/Exception.h"
#include "platform/Files.h"

#ifndef TW_FILE_VERSION
#error "TW_FILE_VERSION must be defined by the build"
#endif

namespace Tarnwick::Core {

using Utilities::Exceptions::WindowsException;

std::uint32_t QueryProcessInformation::GetProcessIntegrityLevel(const int& process) {
    unsigned owner = 0;
    const Platform::SystemResult result = Platform::QueryProcessOwner(process, owner);
    if (!result.Ok()) {
        throw WindowsException(u"", result.error, result.function,
                               u"ProcessIntegrityLevelInfo::OpenProcessToken");
    }
    return owner == Platform::EffectiveUser() ? kMediumIntegrityLevel : kHighIntegrityLevel;
}

bool CanUserElevateAdministratorRights() {
    if (Platform::EffectiveUser() == 0) {
        return true;
    }
    const Platform::SystemResult result = Platform::CheckWritable(Path::GetApplicationPath());
    if (result.Ok()) {
        return true;
    }
    if (result.error == EACCES || result.error == EROFS || result.error == EPERM) {
        return false;
    }
    throw WindowsException(u"", result.error, result.function, u"CanUserElevateAdministratorRights");
}

std::u16string GetVersionNumberOfExecuteable() {
    const char* text = TW_FILE_VERSION;
    return std::u16string(text, text + std::char_traits<char>::length(text));
}

} // namespace Tarnwick::Core
