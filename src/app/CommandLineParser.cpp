#include "app/CommandLineParser.h"

#include "base/text/Utf.h"

namespace Tarnwick {

namespace {

constexpr std::u16string_view kFullDump = u"-fulldump";
constexpr std::u16string_view kUpdate = u"-update:";
constexpr std::u16string_view kProgramSuffix = u".exe";

} // namespace

CommandLineParser::CommandLineParser(int argc, const char* const* argv) {
    if (argc < 1 || argv == nullptr) {
        return;
    }
    m_arguments.reserve(static_cast<std::size_t>(argc));
    for (int i = 0; i < argc; ++i) {
        m_arguments.push_back(argv[i] != nullptr ? Text::FromUtf8(argv[i]) : std::u16string());
    }
}

CommandLineParser::CommandLineParser(std::vector<std::u16string> arguments) : m_arguments(std::move(arguments)) {}

CommandLineParser::~CommandLineParser() = default;

int CommandLineParser::KindOf(std::u16string_view argument) noexcept {
    if (argument.starts_with(u"--")) {
        return DoubleDash;
    }
    if (argument.starts_with(u'-')) {
        return Dash;
    }
    if (argument.starts_with(u'/')) {
        return Slash;
    }
    return Plain;
}

void CommandLineParser::Parse() {
    // Argument 0 is the program's own path, whatever its name ends with.
    for (std::size_t i = 1; i < m_arguments.size(); ++i) {
        const std::u16string& argument = m_arguments[i];
        if (argument.empty()) {
            continue;
        }
        if (ParseParam(KindOf(argument), argument)) {
            ++m_accepted;
        }
    }
}

bool CommandLineParser::ParseParam(int, std::u16string_view) {
    return true;
}

bool TWCommandLineParser::ParseParam(int kind, std::u16string_view argument) {
    // An absolute path begins with a slash here, so a slash is no switch prefix: such an
    // argument names a database like any plain one.
    if (kind == Plain || kind == Slash) {
        if (!argument.ends_with(kProgramSuffix)) {
            m_databasePath.assign(argument);
        }
        return true;
    }
    if (argument.starts_with(kFullDump)) {
        m_fullDump = true;
    }
    if (argument.starts_with(kUpdate)) {
        m_update = true;
        m_updateFolder.assign(argument.substr(kUpdate.size()));
    }
    return true;
}

} // namespace Tarnwick
