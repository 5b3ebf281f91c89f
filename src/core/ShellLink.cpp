#include "core/ShellLink.h"

#include <string_view>

#include "core/Path.h"
#include "base/text/Utf.h"
#include "base/exceptions/Exception.h"
#include "platform/Files.h"

namespace WindowsServiceProvider::Shell {

namespace fs = std::filesystem;

using Tarnwick::Text::FromUtf8;
using Tarnwick::Text::ToUtf8;
using Utilities::Exceptions::Exception;
using Utilities::Exceptions::WindowsException;

namespace {

constexpr std::string_view kGroup = "[Desktop Entry]";

// The escapes of a desktop entry's string values.
std::string EscapeValue(std::string_view value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        case ' ':
            out += i == 0 ? "\\s" : " ";
            break;
        default:
            out.push_back(c);
        }
    }
    return out;
}

std::string UnescapeValue(std::string_view value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out.push_back(value[i]);
            continue;
        }
        const char next = value[++i];
        switch (next) {
        case 's':
            out.push_back(' ');
            break;
        case 'n':
            out.push_back('\n');
            break;
        case 't':
            out.push_back('\t');
            break;
        case 'r':
            out.push_back('\r');
            break;
        case '\\':
            out.push_back('\\');
            break;
        default:
            out.push_back('\\');
            out.push_back(next);
        }
    }
    return out;
}

// One argument of the Exec key: always quoted, with the four reserved characters escaped and
// '%' doubled so it is not read as a field code.
std::string QuoteArgument(std::string_view argument) {
    std::string out = "\"";
    for (const char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            out.push_back('\\');
        }
        if (c == '%') {
            out.push_back('%');
        }
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

bool SplitCommand(std::string_view command, std::vector<std::string>& out) {
    std::size_t i = 0;
    while (i < command.size()) {
        if (command[i] == ' ' || command[i] == '\t') {
            ++i;
            continue;
        }
        std::string token;
        if (command[i] == '"') {
            ++i;
            bool closed = false;
            while (i < command.size()) {
                const char c = command[i++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c == '\\' && i < command.size()) {
                    token.push_back(command[i++]);
                } else {
                    token.push_back(c);
                }
            }
            if (!closed) {
                return false;
            }
        } else {
            while (i < command.size() && command[i] != ' ' && command[i] != '\t') {
                token.push_back(command[i++]);
            }
        }
        std::string plain;
        for (std::size_t k = 0; k < token.size(); ++k) {
            plain.push_back(token[k]);
            if (token[k] == '%' && k + 1 < token.size() && token[k + 1] == '%') {
                ++k;
            }
        }
        out.push_back(std::move(plain));
    }
    return true;
}

} // namespace

void ShellLink::Create(const fs::path& linkPath, const ShellLinkInfo& info) {
    const fs::path parent = linkPath.parent_path();
    if (!parent.empty() && !Tarnwick::Core::Path::PathExists(parent)) {
        Tarnwick::Core::Path::CreatePath(parent);
    }
    std::string command = QuoteArgument(info.targetPath.string());
    for (const auto& argument : info.arguments) {
        command += ' ';
        command += QuoteArgument(ToUtf8(argument));
    }
    const std::string comment =
        info.description.empty() ? info.targetPath.string() : ToUtf8(info.description);

    std::string text(kGroup);
    text += "\nType=Application\nName=" + EscapeValue(ToUtf8(info.displayText)) + "\n";
    text += "Comment=" + EscapeValue(comment) + "\n";
    text += "Exec=" + EscapeValue(command) + "\n";
    if (!info.workingDirectory.empty()) {
        text += "Path=" + EscapeValue(info.workingDirectory.string()) + "\n";
    }
    text += "Terminal=false\nX-GNOME-Autostart-enabled=true\n";

    const Tarnwick::Platform::SystemResult result = Tarnwick::Platform::WriteWholeFile(linkPath, text, 0600);
    if (!result.Ok()) {
        throw WindowsException(u"", result.error, result.function, u"ShellLink::CreateShortcut");
    }
}

void ShellLink::Load(const fs::path& linkPath, ShellLinkInfo& info) {
    std::string text;
    const Tarnwick::Platform::SystemResult result = Tarnwick::Platform::ReadWholeFile(linkPath, text);
    if (!result.Ok()) {
        throw WindowsException(u"", result.error, result.function, u"ShellLink::LoadShortcut");
    }
    bool inGroup = false;
    bool sawGroup = false;
    bool sawCommand = false;
    ShellLinkInfo loaded;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string_view line(text.data() + start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (line.front() == '[') {
            inGroup = line == kGroup;
            sawGroup = sawGroup || inGroup;
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!inGroup || equals == std::string_view::npos) {
            continue;
        }
        std::string_view key = line.substr(0, equals);
        while (!key.empty() && key.back() == ' ') {
            key.remove_suffix(1);
        }
        std::string_view raw = line.substr(equals + 1);
        while (!raw.empty() && raw.front() == ' ') {
            raw.remove_prefix(1);
        }
        const std::string value = UnescapeValue(raw);
        if (key == "Name") {
            loaded.displayText = FromUtf8(value);
        } else if (key == "Comment") {
            loaded.description = FromUtf8(value);
        } else if (key == "Path") {
            loaded.workingDirectory = fs::path(value);
        } else if (key == "Exec") {
            std::vector<std::string> tokens;
            if (!SplitCommand(value, tokens) || tokens.empty()) {
                throw Exception(u"invalid shortcut file", u"ShellLink::LoadShortcut");
            }
            loaded.targetPath = fs::path(tokens.front());
            loaded.arguments.clear();
            for (std::size_t i = 1; i < tokens.size(); ++i) {
                loaded.arguments.push_back(FromUtf8(tokens[i]));
            }
            sawCommand = true;
        }
    }
    if (!sawGroup || !sawCommand) {
        throw Exception(u"invalid shortcut file", u"ShellLink::LoadShortcut");
    }
    info = std::move(loaded);
}

void ShellLink::Delete(const fs::path& linkPath) {
    const Tarnwick::Platform::SystemResult result = Tarnwick::Platform::RemoveFile(linkPath);
    if (!result.Ok()) {
        throw WindowsException(u"", result.error, result.function, u"ShellLink::Delete");
    }
}

} // namespace WindowsServiceProvider::Shell
