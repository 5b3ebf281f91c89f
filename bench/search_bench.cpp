// Searching a database of 100,000 entries: the search over all fields and over each scope
// after the database is loaded, and the main window's filter field typed key by key (each
// keystroke searches and refills the list). Prints its figures.
// Usage: tw_search_bench [entries]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include "app/dialogs/SearchCommands.h"
#include "app/dialogs/SearchEngine.h"
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
using Tarnwick::Search::SearchScope;

double Milliseconds(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

Tarnwick::LoginCredentials Credentials() {
    Tarnwick::LoginCredentials c;
    c.userName.Assign(u"Alice");
    c.password.Assign(u"ein langes Passwort für den Test");
    return c;
}

struct Figures {
    double best = 0;
    double median = 0;
    double worst = 0;
};

Figures Summarise(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return {times.front(), times[times.size() / 2], times.back()};
}

void MeasureSearch(const Tarnwick::PasswordADT::PasswordData& data, const char* label, std::u16string_view text,
                   SearchScope scope) {
    std::vector<double> times;
    std::size_t hits = 0;
    for (int run = 0; run < 7; ++run) {
        const auto start = Clock::now();
        const auto result = Tarnwick::Search::Search(data, text, scope);
        times.push_back(Milliseconds(start));
        hits = result.hits.size();
    }
    const Figures f = Summarise(times);
    std::printf("  %-44s %7zu hits: best %7.2f ms, median %7.2f ms, worst %7.2f ms\n", label, hits, f.best, f.median,
                f.worst);
}

// Types text into the filter field key by key, timing what each keystroke makes the user wait,
// then how long the list takes to show the hits once the typing pause has passed.
void MeasureTyping(Tarnwick::CMainFrame& frame, const QString& text, const char* label) {
    QLineEdit* edit = frame.View()->FilterEdit();
    std::vector<double> times;
    for (const QChar c : text) {
        const auto start = Clock::now();
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(edit, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(edit, &release);
        QApplication::processEvents();
        frame.repaint();
        times.push_back(Milliseconds(start));
    }
    // The pause, then the search and the list; the caption changes when the list is filled.
    const auto typed = Clock::now();
    while (!frame.View()->ListCaption().startsWith(QStringLiteral("Suchergebniss")) && Milliseconds(typed) < 5000) {
        QApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    const double followed = Milliseconds(typed);
    frame.repaint();
    const double shown = Milliseconds(typed);
    const int rows = frame.View()->ListModel()->rowCount();
    const auto start = Clock::now();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(edit, &escape);
    QApplication::processEvents();
    frame.repaint();
    const double cleared = Milliseconds(start);
    const Figures f = Summarise(times);
    std::printf("  %-40s %2zu keys: per key median %5.2f ms, worst %5.2f ms; %6d rows %6.1f ms after the "
                "last key (pause %d ms), painted %6.1f ms; Escape %5.2f ms\n",
                label, times.size(), f.median, f.worst, rows, followed, Tarnwick::Dialogs::QuickSearch::kTypingPauseMs, shown,
                cleared);
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
    const std::filesystem::path path = folder.Path() / "suche.twdb";
    {
        TestSupport::FakeDatabaseUI ui;
        Tarnwick::CDatabase database(ui, path);
        if (!database.CreateWithContent(Credentials(), Tarnwick::CDatabase::kAes, TestSupport::MakeVault(20, entries))) {
            std::fprintf(stderr, "create failed\n");
            return 1;
        }
    }
    Tarnwick::PasswordADT::PasswordData data;
    {
        TestSupport::FakeDatabaseUI ui;
        Tarnwick::CDatabase database(ui, path);
        if (!database.Load(Credentials(), data)) {
            std::fprintf(stderr, "load failed\n");
            return 1;
        }
    }
    std::printf("Search over %zu loaded entries in %zu folders:\n", data.EntryCount(), data.FolderCount());
    MeasureSearch(data, "all fields, no hit (every field read)", u"nirgendwo", SearchScope::AllFields);
    MeasureSearch(data, "all fields, one hit", u"Eintrag 99999", SearchScope::AllFields);
    MeasureSearch(data, "all fields, umlauts in every comment", u"ÄÖÜ", SearchScope::AllFields);
    MeasureSearch(data, "all fields, every entry (user name)", u"example", SearchScope::AllFields);
    MeasureSearch(data, "description", u"nirgendwo", SearchScope::Description);
    MeasureSearch(data, "user name", u"nirgendwo", SearchScope::UserName);
    MeasureSearch(data, "comment", u"nirgendwo", SearchScope::Comment);
    MeasureSearch(data, "url", u"nirgendwo", SearchScope::Url);

    ApplicationSettings::Settings settings;
    Tarnwick::MainFrame::MainFrameEnvironment environment;
    environment.idleTime = std::make_shared<Tarnwick::Platform::FakeIdleTimeSource>();
    environment.sessionWatcher = std::make_shared<Tarnwick::Platform::FakeSessionWatcher>();
    Tarnwick::CMainFrame frame(settings, path, Credentials(), environment);
    if (!frame.IsLoaded()) {
        std::fprintf(stderr, "window load failed\n");
        return 1;
    }
    frame.resize(1100, 700);
    frame.show();
    QApplication::processEvents();
    frame.View()->FilterEdit()->setFocus();
    std::printf("Filter field of the main window over the same database:\n");
    MeasureTyping(frame, QStringLiteral("Eintrag 4711"), "\"Eintrag 4711\" (one hit at the end)");
    MeasureTyping(frame, QStringLiteral("nirgendwo"), "\"nirgendwo\" (no hit)");
    MeasureTyping(frame, QStringLiteral("example"), "\"example\" (every entry at the end)");
    return 0;
}
