// twcli: Tarnwick on the command line, for scripts and machines without a desktop.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/Console.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    Tarnwick::Cli::Console console(stdin, stdout, stderr);
    const int status = Tarnwick::Cli::RunTool(console, args);
    std::fflush(stdout);
    return status;
}
