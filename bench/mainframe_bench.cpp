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

// 100,000 top-level folders, or a chain of nested ones, with entries spread over them.
Tarnwick::PasswordADT::PasswordData Shaped(int folders, int entries, bool deep) {
    Tarnwick::PasswordADT::PasswordData data;
    for (int f = 0; f < folders; ++f) {
        std::u16string name(u"O");
        name.push_back(static_cast<char16_t>(u'a' + f % 26));
        if (deep && f > 0) {
            data.AddSubfolder(data.Folders().back()->GetId(), name);
        } else {
            data.AddFolder(name);
        }
    }
    for (int e = 0; e < entries; ++e) {
        data.Folders()[static_cast<std::size_t>(e % folders)]->Entries().push_back(TestSupport::MakeEntry(e));
    }
    return data;
}

void Measure(const char* label, const Tarnwick::PasswordADT::PasswordData& content, const std::filesystem::path& path,
             std::int32_t listKey) {
    const int folders = static_cast<int>(content.FolderCount());
    const int entries = static_cast<int>(content.EntryCount());
    {
        TestSupport::FakeDatabaseUI ui;
        Tarnwick::CDatabase database(ui, path);
        if (!database.CreateWithContent(Credentials(), Tarnwick::CDatabase::kAes, content)) {
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
    std::printf("%-32s %6d entries in %6d folders: loaded and filled %.3f s, shown %.3f s, processor %.3f s "
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
    Measure("20 folders, by index", TestSupport::MakeVault(20, entries), folder.Path() / "a.twdb", 32868);
    Measure("one folder, by index", TestSupport::MakeVault(1, entries), folder.Path() / "b.twdb", 32868);
    Measure("one folder, by name", TestSupport::MakeVault(1, entries), folder.Path() / "c.twdb", 32867);
    Measure("100,000 top-level folders", Shaped(100000, 10000, false), folder.Path() / "d.twdb", 32868);
    Measure("10,000 nested folders", Shaped(10000, 10000, true), folder.Path() / "e.twdb", 32868);
    return 0;
}
