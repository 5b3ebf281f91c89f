// Times the external import wizard on a CSV file of many entries (100,000 by default), page by
// page into a database, beside the same import done directly with the exchange classes; prints
// its figures and the ratio of the two.
// Usage: tw_import_wizard_bench [entries]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>

#include "app/ModalDialog.h"
#include "app/dialogs/MaintenanceHost.h"
#include "app/session/DatabaseSession.h"
#include "app/wizards/ImportWizard.h"
#include "database/CDatabase.h"
#include "exchange/CsvImporter.h"
#include "exchange/DatabaseImport.h"
#include "options/Settings.h"
#include "support/DialogResponder.h"
#include "support/FakeDatabaseUI.h"
#include "support/TempFolder.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

void WriteCsv(const std::filesystem::path& path, int entries) {
    std::ofstream out(path, std::ios::binary);
    out << "Beschreibung;Benutzername;Passwort;URL;Kommentar\n";
    for (int i = 0; i < entries; ++i) {
        out << "Konto " << i << ";benutzer" << i << "@example.org;Pw-" << i * 7919 << "-x;https://site" << i
            << ".example/login;Bemerkung " << i << "\n";
    }
}

Tarnwick::LoginCredentials Alice() {
    Tarnwick::LoginCredentials alice;
    alice.userName.Assign(u"alice");
    alice.password.Assign(u"geheim");
    return alice;
}

bool MakeDatabase(const std::filesystem::path& path) {
    TestSupport::FakeDatabaseUI ui;
    Tarnwick::PasswordADT::PasswordData start;
    start.AddFolder(u"Allgemein");
    Tarnwick::CDatabase created(ui, path);
    return created.CreateWithContent(Alice(), Tarnwick::CDatabase::kAes, start);
}

class QuietUI final : public Tarnwick::ExportImport::IDatabaseImportUserInterface {
public:
    void ShowError(std::u16string_view) override {}
    int AskCommand(std::u16string_view, std::u16string_view, const std::vector<Tarnwick::CommandButton>&) override {
        return -1;
    }
    void ProgressStart(std::int32_t) override {}
    void ProgressStep() override {}
    void ProgressEnd() override {}
    void SetStatus(std::u16string_view) override {}
    void ShowInformation(std::u16string_view) override {}
};

// The exchange classes alone: read, map, merge, write.
double Direct(const std::filesystem::path& csv, const std::filesystem::path& database) {
    const auto start = Clock::now();
    Tarnwick::PasswordADT::PasswordData imported;
    Tarnwick::Import::CSV::CsvSettings settings;
    settings.firstLineHoldsNames = true;
    Tarnwick::Import::CSV::CsvImporter importer(imported, settings);
    importer.Import(csv);
    importer.SetColumnMapping({2, 3, 4, 7, 6});
    importer.ImportRows();
    Tarnwick::PasswordADT::PasswordData open;
    TestSupport::FakeDatabaseUI ui;
    Tarnwick::CDatabase loaded(ui, database);
    if (!loaded.Load(Alice(), open)) {
        return -1;
    }
    QuietUI quiet;
    // The import keeps a reference to the credentials.
    const Tarnwick::LoginCredentials alice = Alice();
    Tarnwick::ExportImport::DatabaseImport run(quiet, database, alice, open);
    const auto result = run.Run(imported, Tarnwick::ExportImport::Selection::All(imported),
                                Tarnwick::ExportImport::DuplicateTreatment::Ask);
    return result.outcome == Tarnwick::ExportImport::ImportOutcome::Imported ? Seconds(start) : -1;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    const int entries = argc > 1 ? std::atoi(argv[1]) : 100000;
    TestSupport::TempFolder folder;
    const auto csv = folder.Path() / "export.csv";
    WriteCsv(csv, entries);

    const auto directDb = folder.Path() / "direkt.twdb";
    const auto wizardDb = folder.Path() / "assistent.twdb";
    if (!MakeDatabase(directDb) || !MakeDatabase(wizardDb)) {
        std::printf("database not created\n");
        return 1;
    }
    const double direct = Direct(csv, directDb);

    TestSupport::FakeDatabaseUI sessionUi;
    Tarnwick::Session::DatabaseSession session(sessionUi);
    if (!session.Open(wizardDb, Alice())) {
        std::printf("database not opened\n");
        return 1;
    }
    ApplicationSettings::Settings settings;
    Tarnwick::Dialogs::MaintenanceHost host{session, settings};
    TestSupport::ScriptedResponder responder; // message boxes are left unanswered
    double read = 0;
    double rows = 0;
    double finish = 0;
    bool accepted = false;
    Tarnwick::App::SetDialogDriver([&](QDialog& shown) {
        auto& wizard = dynamic_cast<Tarnwick::Wizards::CExternalImportWizard&>(shown);
        wizard.show();
        wizard.Page1().GetSourceEdit()->setText(QString::fromStdString(csv.string()));
        auto start = Clock::now();
        wizard.next();
        read = Seconds(start);
        start = Clock::now();
        wizard.next();
        rows = Seconds(start);
        start = Clock::now();
        wizard.accept();
        finish = Seconds(start);
        accepted = wizard.result() == QDialog::Accepted;
    });
    const auto start = Clock::now();
    Tarnwick::Wizards::RunExternalImport(host, nullptr);
    const double whole = Seconds(start);
    Tarnwick::App::SetDialogDriver({});
    std::printf("%d entries: direct import %.3f s; wizard %.3f s (reading %.3f s, rows %.3f s, tree and finish "
                "%.3f s)%s; ratio %.2f; database holds %zu entries\n",
                entries, direct, whole, read, rows, finish, accepted ? "" : " NOT ACCEPTED",
                direct > 0 ? whole / direct : 0.0, session.Data().EntryCount());
    return accepted ? 0 : 1;
}
