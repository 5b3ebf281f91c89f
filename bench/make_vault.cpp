// tw_make_vault FILE ENTRIES: writes a database of Alice (password "geheim") with 20 folders
// and the given number of entries, for the command-line benchmark.
#include <cstdio>
#include <cstdlib>

#include "database/CDatabase.h"
#include "support/FakeDatabaseUI.h"
#include "support/VaultBuilder.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("Aufruf: tw_make_vault DATEI EINTRÄGE\n", stderr);
        return 2;
    }
    TestSupport::FakeDatabaseUI ui;
    Tarnwick::LoginCredentials alice;
    alice.userName.Assign(u"alice");
    alice.password.Assign(u"geheim");
    Tarnwick::CDatabase database(ui, argv[1]);
    return database.CreateWithContent(alice, Tarnwick::CDatabase::kAes, TestSupport::MakeVault(20, std::atoi(argv[2])))
               ? 0
               : 1;
}
