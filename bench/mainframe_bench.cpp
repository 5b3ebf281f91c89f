// Opening a database of 100,000 entries in the main window: load, auto-completion index,
// folder tree and the first folder's list, until the window has been painted once.
// Usage: tw_mainframe_bench [entries]
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <QApplication>

#include "app/mainframe/CMainFrame.h"
#include "app/views/PasswordListModel.h"
#include "app/views/PasswordView.h"
#include "database/CDatabase.h"
#include "platform/session/SessionWatcher.h"
#include "platform/x11/IdleTime.h"
#include "support/FakeDatabaseUI.h"
#include "support/TempDir.h"
#include "support/VaultBuilder.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// Processor time of this process (all threads), which other load on the machine does not inflate.
double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

Tarnwick::LoginCredentials Credentials() {
    Tarnwick::LoginCredentials c;
    c.userName.Assign(u"Alice");
    c.password.Assign(u"ein langes Passwort für den Test");
    return c;
}

void Measure(const char* label, int folders, int entries, const std::filesystem::path& path, std::int32_t listKey) {
    {
        TestSupport::FakeDatabaseUI ui;
        Tarnwick::CDatabase database(ui, path);
        if (!database.CreateWithContent(Credentials(), Tarnwick::CDatabase::kAes, TestSupport::MakeVault(folders, entries))) {
            std::fprintf(stderr, "create failed\n");
            std::exit(1);
        }
    }
    {
        TestSupport::FakeDatabaseUI ui;
        Tarnwick::CDatabase database(ui, path);
        Tarnwick::PasswordADT::PasswordData data;
        const auto start = Clock::now();
        const double cpu = CpuSeconds();
        database.Load(Credentials(), data);
        std::printf("%-32s database load alone: %.3f s (processor %.3f s)\n", label, Seconds(start), CpuSeconds() - cpu);
    }
    ApplicationSettings::Settings settings;
    settings.listSortKey = listKey;
    Tarnwick::MainFrame::MainFrameEnvironment environment;
    environment.idleTime = std::make_shared<Tarnwick::Platform::FakeIdleTimeSource>();
    environment.sessionWatcher = std::make_shared<Tarnwick::Platform::FakeSessionWatcher>();
    const auto start = Clock::now();
    const double cpu = CpuSeconds();
    Tarnwick::CMainFrame frame(settings, path, Credentials(), environment);
    const double constructed = Seconds(start);
    frame.show();
    QApplication::processEvents();
    frame.repaint();
    const double shown = Seconds(start);
    std::printf("%-32s %6d entries in %2d folders: loaded and filled %.3f s, shown %.3f s, processor %.3f s "
                "(%d rows listed)\n",
                label, entries, folders, constructed, shown, CpuSeconds() - cpu, frame.View()->ListModel()->rowCount());
    if (!frame.IsLoaded()) {
        std::fprintf(stderr, "load failed\n");
        std::exit(1);
    }
}

} // namespace

int main(int argc, char** argv) {
    const int entries = argc > 1 ? std::atoi(argv[1]) : 100000;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    TestSupport::TempDir folder;
    ::setenv("XDG_DATA_HOME", folder.Path().c_str(), 1);
    QApplication application(argc, argv);
    Measure("20 folders, by index", 20, entries, folder.Path() / "a.twdb", 32868);
    Measure("one folder, by index", 1, entries, folder.Path() / "b.twdb", 32868);
    Measure("one folder, by name", 1, entries, folder.Path() / "c.twdb", 32867);
    return 0;
}
