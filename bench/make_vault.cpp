// tw_make_vault FILE ENTRIES [flat FOLDERS | deep DEPTH]: writes a database of Alice (password
// "geheim") with the given number of entries, in 20 folders, in FOLDERS top-level folders, or
// in a chain of DEPTH nested folders, for the command-line benchmarks.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "database/CDatabase.h"
#include "support/FakeDatabaseUI.h"
#include "support/VaultBuilder.h"

int main(int argc, char** argv) {
    if (argc != 3 && argc != 5) {
        std::fputs("Aufruf: tw_make_vault DATEI EINTRÄGE [flat ORDNER | deep TIEFE]\n", stderr);
        return 2;
    }
    TestSupport::FakeDatabaseUI ui;
    Tarnwick::LoginCredentials alice;
    alice.userName.Assign(u"alice");
    alice.password.Assign(u"geheim");
    const int entries = std::atoi(argv[2]);
    Tarnwick::PasswordADT::PasswordData data;
    if (argc == 3) {
        data = TestSupport::MakeVault(20, entries);
    } else {
        const int folders = std::atoi(argv[4]);
        const bool deep = std::strcmp(argv[3], "deep") == 0;
        for (int f = 0; f < folders; ++f) {
            std::u16string name(u"O");
        name.push_back(static_cast<char16_t>(u'a' + f % 26));
            if (deep && f > 0) {
                data.AddSubfolder(data.Folders().back()->GetId(), name);
            } else {
                data.AddFolder(name);
            }
        }
        for (int e = 0; e < entries && folders > 0; ++e) {
            data.Folders()[static_cast<std::size_t>(e % folders)]->Entries().push_back(TestSupport::MakeEntry(e));
        }
    }
    Tarnwick::CDatabase database(ui, argv[1]);
    return database.CreateWithContent(alice, Tarnwick::CDatabase::kAes, data) ? 0 : 1;
}
