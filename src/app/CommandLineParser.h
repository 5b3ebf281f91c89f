#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Tarnwick {

// Walks the program's arguments and hands each to ParseParam with the kind of its prefix.
class CommandLineParser {
public:
    enum Kind : int { Plain = 0, Slash = 1, Dash = 2, DoubleDash = 3 };

    // The arguments as the process received them; argument 0 is the program itself.
    CommandLineParser(int argc, const char* const* argv);
    explicit CommandLineParser(std::vector<std::u16string> arguments);
    virtual ~CommandLineParser();

    // Every argument after the program's own path, in order; empty ones are skipped.
    void Parse();
    // 3 for "--", 2 for "-", 1 for "/", 0 otherwise; the prefix stays part of the argument.
    static int KindOf(std::u16string_view argument) noexcept;

    std::uint32_t GetAcceptedCount() const noexcept { return m_accepted; }
    const std::vector<std::u16string>& GetArguments() const noexcept { return m_arguments; }

protected:
    // Accepts everything.
    virtual bool ParseParam(int kind, std::u16string_view argument);

private:
    std::vector<std::u16string> m_arguments;
    std::uint32_t m_accepted = 0;
};

// The program's switches: a database path, "-fulldump" and "-update:<folder>".
class TWCommandLineParser : public CommandLineParser {
public:
    using CommandLineParser::CommandLineParser;

    bool IsFullDump() const noexcept { return m_fullDump; }
    bool IsUpdate() const noexcept { return m_update; }
    const std::u16string& GetDatabasePath() const noexcept { return m_databasePath; }
    const std::u16string& GetUpdateFolder() const noexcept { return m_updateFolder; }

protected:
    bool ParseParam(int kind, std::u16string_view argument) override;

private:
    bool m_fullDump = false;
    bool m_update = false;
    std::u16string m_databasePath;
    std::u16string m_updateFolder;
};

} // namespace Tarnwick
