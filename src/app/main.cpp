// Start-up of Tarnwick. The window comes with the application shell; until then the program
// runs its start-up checks and ends.
#include <cstdio>

#include "crypto/CryptoSelfTest.h"
#include "crypto/SecureString.h"
#include "log/exceptions/Exception.h"

namespace {

// Protected memory must work before any secret is touched.
bool MemoryProtectionWorks() {
    try {
        const StringServiceProvider::SecureString probe(std::u16string_view(u"Tarnwick"));
        return probe.Equals(std::u16string_view(u"Tarnwick"));
    } catch (const Utilities::Exceptions::Exception&) {
        return false;
    }
}

} // namespace

int main() {
    if (!MemoryProtectionWorks()) {
        std::fputs("Der geschützte Speicher ist nicht verfügbar.\nTarnwick wird beendet.\n", stderr);
        return 1;
    }
    if (!CryptoServiceProvider::RunStartupSelfTest()) {
        std::fputs("Der Selbsttest der kryptografischen Algorithmen ist fehlgeschlagen.\nTarnwick wird beendet.\n",
                   stderr);
        return 1;
    }
    return 0;
}
