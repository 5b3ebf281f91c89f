#pragma once

#include <functional>
#include <string>
#include <vector>

#include "cli/Console.h"

namespace Tarnwick::Cli {

// One verb of the tool: its name, a line of usage, a German description and the handler.
struct Command {
    std::string name;
    std::string usage;
    std::string help;
    std::function<int(Console&, const std::vector<std::string>&)> run;
    // More help, shown by "twcli BEFEHL --help" only.
    std::string details = {};
};

const std::vector<Command>& AllCommands();
// Runs the tool; returns the exit status (0 success, 1 failed request, 2 wrong usage).
int RunTool(Console& console, const std::vector<std::string>& args);

} // namespace Tarnwick::Cli
