// Times the database requests on 100,000 entries of realistic size, for both ciphers:
// log-in + load, save all, add one entry, change password; and the peak resident memory.
// Usage: tw_database_bench [entries]
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "database/CDatabase.h"
#include "support/FakeDatabaseUI.h"
#include "support/TempDir.h"
#include "support/VaultBuilder.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

long PeakResidentMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

Tarnwick::LoginCredentials Credentials(std::u16string_view user, std::u16string_view password) {
    Tarnwick::LoginCredentials c;
    c.userName.Assign(user);
    c.password.Assign(password);
    return c;
}

void Run(std::int32_t algorithm, int entries, const std::filesystem::path& folder) {
    const auto path = folder / (algorithm == 0 ? "blowfish.twdb" : "aes.twdb");
    TestSupport::FakeDatabaseUI ui;
    const auto alice = Credentials(u"Alice", u"ein langes Passwort für den Test");
    {
        const auto vault = TestSupport::MakeVault(20, entries);
        Tarnwick::CDatabase database(ui, path);
        auto start = Clock::now();
        if (!database.CreateWithContent(alice, algorithm, vault)) {
            std::fprintf(stderr, "create failed\n");
            std::exit(1);
        }
        std::printf("%-8s create with %d entries: %.3f s (%.1f MB)\n", algorithm == 0 ? "Blowfish" : "AES", entries,
                    Seconds(start), static_cast<double>(std::filesystem::file_size(path)) / 1e6);
    }
    Tarnwick::CDatabase database(ui, path);
    Tarnwick::PasswordADT::PasswordData data;
    auto start = Clock::now();
    if (database.Login(alice) != Tarnwick::RequestResult::Succeeded || !database.Load(alice, data)) {
        std::fprintf(stderr, "login failed\n");
        std::exit(1);
    }
    std::printf("%-8s login + load:    %.3f s\n", algorithm == 0 ? "Blowfish" : "AES", Seconds(start));

    start = Clock::now();
    database.SaveAll(alice, data);
    std::printf("%-8s save all:        %.3f s\n", algorithm == 0 ? "Blowfish" : "AES", Seconds(start));

    start = Clock::now();
    database.AddEntry(alice, *TestSupport::MakeEntry(entries + 1), data.Folders()[3]->GetId());
    std::printf("%-8s add one entry:   %.3f s\n", algorithm == 0 ? "Blowfish" : "AES", Seconds(start));

    const auto bob = Credentials(u"Bob", u"ein anderes langes Passwort");
    start = Clock::now();
    database.ChangePassword(alice, bob, data);
    std::printf("%-8s change password: %.3f s\n", algorithm == 0 ? "Blowfish" : "AES", Seconds(start));
}

} // namespace

int main(int argc, char** argv) {
    const int entries = argc > 1 ? std::atoi(argv[1]) : 100000;
    TestSupport::TempDir folder;
    ::setenv("XDG_DATA_HOME", folder.Path().c_str(), 1);
    Run(1, entries, folder.Path());
    Run(0, entries, folder.Path());
    std::printf("peak resident memory: %ld MB\n", PeakResidentMegabytes());
    return 0;
}
