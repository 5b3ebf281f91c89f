#include "options/ui/AutostartEntry.h"

#include <cerrno>

#include "base/exceptions/Exception.h"
#include "core/Path.h"
#include "core/ShellLink.h"
#include "platform/AtomicFile.h"

namespace Tarnwick::OptionsLibrary {

namespace fs = std::filesystem;

using Utilities::Exceptions::WindowsException;

namespace {

constexpr const char16_t* kTarget = u"AutostartEntry::Apply";

// The program as the one argument of Exec: quoted, with the characters that the quotes
// reserve escaped and '%' doubled so that it is no field code; then the escapes of a string
// value (a backslash doubles once more).
std::string ExecValue(const std::string& program) {
    std::string quoted = "\"";
    for (const char c : program) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted.push_back('\\');
        }
        if (c == '%') {
            quoted.push_back('%');
        }
        quoted.push_back(c);
    }
    quoted.push_back('"');
    std::string value;
    for (const char c : quoted) {
        switch (c) {
        case '\\':
            value += "\\\\";
            break;
        case '\n':
            value += "\\n";
            break;
        case '\t':
            value += "\\t";
            break;
        case '\r':
            value += "\\r";
            break;
        default:
            value.push_back(c);
        }
    }
    return value;
}

} // namespace

fs::path AutostartEntry::DefaultPath() {
    fs::path folder;
    Core::Path::GetFolderPath(folder, Core::CSIDL_STARTUP);
    return folder / "Tarnwick.desktop";
}

std::string AutostartEntry::Text(const fs::path& program) {
    std::string text = "[Desktop Entry]\nType=Application\nName=Tarnwick\n";
    text += "Exec=" + ExecValue(program.string()) + "\n";
    text += "Terminal=false\nX-GNOME-Autostart-enabled=true\n";
    return text;
}

AutostartEntry::AutostartEntry(fs::path path) : m_path(std::move(path)) {}

bool AutostartEntry::Exists() const {
    return Core::Path::FileExists(m_path);
}

void AutostartEntry::Apply(bool on) const {
    if (on == Exists()) {
        return;
    }
    if (!on) {
        WindowsServiceProvider::Shell::ShellLink().Delete(m_path);
        return;
    }
    const fs::path folder = m_path.parent_path();
    if (!folder.empty() && !Core::Path::PathExists(folder)) {
        Core::Path::CreatePath(folder);
    }
    const std::string text = Text(Core::Path::GetApplicationPath() / "tarnwick");
    Platform::AtomicFile file;
    int error = file.Begin(m_path);
    if (error == 0) {
        error = file.Write(text.data(), text.size());
    }
    if (error == 0) {
        error = file.Commit();
    }
    if (error != 0) {
        const std::string function = file.FailedFunction();
        throw WindowsException(u"", error, std::u16string(function.begin(), function.end()), kTarget);
    }
}

} // namespace Tarnwick::OptionsLibrary
