// twcli: Tarnwick on the command line, for scripts and machines without a desktop.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/Console.h"
#include "platform/CrashHandler.h"

int main(int argc, char** argv) {
    Tarnwick::Cli::Console console(stdin, stdout, stderr);
    // Decrypted entries live in this process: no core file may keep them.
    if (!Tarnwick::Platform::ForbidCoreDumps().Ok()) {
        console.Error("Fehler: Der Schutz vor Speicherabbildern konnte nicht eingerichtet werden.\n");
        return 1;
    }
    std::vector<std::string> args(argv + 1, argv + argc);
    const int status = Tarnwick::Cli::RunTool(console, args);
    console.Flush();
    return status;
}
