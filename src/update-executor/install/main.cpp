#include <iostream>
#include <sys/stat.h>
#include <unistd.h>

#include "update-executor/install/InstallUpdate.h"
#include "update-executor/install/SystemUpdateChecks.h"

// tarnwick-update-install <download folder> <package>: run as root through pkexec by twexec.
int main(int argc, char** argv) {
    using namespace Tarnwick::UpdateInstall;
    if (::geteuid() != 0) {
        std::cerr
            << "Die Aktualisierung von Tarnwick kann nur mit Administratorrechten installiert werden.\n";
        return kNotRoot;
    }
    if (argc != 3) {
        std::cerr << "Aufruf: tarnwick-update-install <Download-Ordner> <Paketdatei>\n";
        return kUsage;
    }
    ::umask(077);
    SystemUpdateChecks checks;
    return InstallUpdate(argv[1], argv[2], checks, std::cerr);
}
