#include "app/wizards/DatabaseImportWizard.h"

#include <QComboBox>
#include <QCompleter>
#include <QFileSystemModel>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

#include "app/CommandBoundary.h"
#include "app/dialogs/MaintenanceHost.h"
#include "app/login/DatabaseFileDialog.h"
#include "app/views/PasswordDataTreeCtrl.h"
#include "base/text/Utf.h"
#include "exchange/DatabaseImportReader.h"
#include "uiext/BrowseButton.h"
#include "uiext/QtText.h"
#include "uilib/MessageBox.h"
#include "uilib/SecureEdit.h"

namespace Tarnwick::ExportImport {

using MFCServiceProvider::SecureEdit;
using UiText::Q;
using UiText::View;
using WindowsServiceProvider::CMessageBox;

namespace {

constexpr std::u16string_view kChooseData = u"Wählen Sie die zu importierenden Daten aus.";

// The browse button of the source path: the database file dialog in open mode.
class DBOpenBrowseButton final : public MFCServiceProvider::BrowseButton {
public:
    DBOpenBrowseButton() : BrowseButton(Mode::Open) {}

protected:
    QString ChoosePath(const QString&) override {
        Core::DatabaseFileDialog dialog(window());
        return dialog.ShowOpen() ? dialog.GetFileName() : QString();
    }
};

// The import's status line, messages and questions over the wizard.
class ImportUserInterface final : public WizardUserInterface<IDatabaseImportUserInterface> {
public:
    using WizardUserInterface::WizardUserInterface;

    void SetStatus(std::u16string_view text) override { m_worker.SetStatus(text); }
    void ShowInformation(std::u16string_view text) override {
        m_worker.OnGuiThread([&] { CMessageBox::ShowInformation(&m_owner, text); });
    }

protected:
    // Keeping the backup is the recommended answer.
    int DefaultCommand(std::u16string_view heading) const override {
        return heading == DatabaseImport::kDeleteBackupQuestion ? 0 : -1;
    }
};

QProgressBar* MakeProgressBar(QWidget* parent) {
    auto* bar = new QProgressBar(parent);
    bar->setObjectName(QStringLiteral("progress"));
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    return bar;
}

} // namespace

CImportPasswordPage1::CImportPasswordPage1(CDatabaseImportWizard& wizard, QWidget* parent)
    : QWizardPage(parent), m_wizard(wizard) {
    setTitle(Q(u"Passwortdatenbank auswählen"));
    setSubTitle(Q(u"Name und Ort der Passwortdatenbank wählen"));
    auto* choose =
        new QLabel(Q(u"Wählen Sie eine Datenbank aus, aus der Passwortinformationen importiert werden sollen."), this);
    choose->setWordWrap(true);
    auto* credentials = new QLabel(Q(u"Geben Sie die Anmeldedaten für die Datenbank ein."), this);
    credentials->setWordWrap(true);

    m_path = new QLineEdit(this);
    m_path->setObjectName(QStringLiteral("path"));
    auto* files = new QFileSystemModel(this);
    files->setRootPath(QString());
    m_path->setCompleter(new QCompleter(files, m_path));
    auto* browse = new DBOpenBrowseButton;
    browse->Create(*m_path, 152);
    m_userName = new QLineEdit(this);
    m_userName->setObjectName(QStringLiteral("userName"));
    m_password = new SecureEdit(this);
    m_password->setObjectName(QStringLiteral("password"));
    m_progress = MakeProgressBar(this);

    auto* pathForm = new QFormLayout;
    pathForm->addRow(Q(u"&Datenbank:"), m_path);
    auto* credentialForm = new QFormLayout;
    credentialForm->addRow(Q(u"&Benutzername:"), m_userName);
    credentialForm->addRow(Q(u"&Passwort:"), m_password);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(choose);
    layout->addLayout(pathForm);
    layout->addSpacing(12);
    layout->addWidget(credentials);
    layout->addLayout(credentialForm);
    layout->addStretch();
    layout->addWidget(m_progress);
}

CImportPasswordPage1::~CImportPasswordPage1() = default;

void CImportPasswordPage1::initializePage() {
    m_wizard.Worker().AttachProgressBar(m_progress);
    QTimer::singleShot(0, m_path, [path = m_path] { path->setFocus(); });
}

bool CImportPasswordPage1::validatePage() {
    m_wizard.Worker().AttachProgressBar(m_progress);
    const std::u16string path = UiText::U(m_path->text());
    LoginCredentials credentials;
    credentials.userName.Assign(View(m_userName->text()));
    m_password->GetSecureText(credentials.password);
    if (const std::u16string_view message = DatabaseImportSource::CheckInput(path, credentials); !message.empty()) {
        CMessageBox::ShowWarning(this, message);
        if (path.empty()) {
            m_path->setFocus();
        } else if (credentials.userName.Length() == 0) {
            m_userName->setFocus();
        } else {
            m_password->setFocus();
        }
        return false;
    }
    ImportUserInterface ui(m_wizard.Worker(), m_wizard);
    PasswordADT::PasswordData read;
    SourceResult result = SourceResult::Unreadable;
    const bool ran =
        m_wizard.RunWork([&] { result = DatabaseImportSource::Open(ui, path, credentials, read); });
    if (!ran) {
        CMessageBox::ShowError(this, DatabaseImportSource::kUnreadable);
        return false;
    }
    if (result != SourceResult::Opened) {
        (result == SourceResult::AuthenticationFailed ? static_cast<QWidget*>(m_password) : m_path)->setFocus();
        return false;
    }
    m_wizard.Source() = std::move(read);
    m_wizard.SetSourcePath(std::filesystem::path(Text::ToUtf8(path)));
    return true;
}

CImportPasswordPage2::CImportPasswordPage2(CDatabaseImportWizard& wizard, QWidget* parent)
    : QWizardPage(parent), m_wizard(wizard) {
    setTitle(Q(u"Passwortinformationen für den Import auswählen"));
    setSubTitle(Q(u"Auswählen der zu importierenden Passwortinformationen"));
    auto* text = new QLabel(Q(kChooseData), this);
    text->setWordWrap(true);
    m_tree = new TreeProvider::PasswordDataTreeCtrl(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(m_tree, 1);
}

void CImportPasswordPage2::initializePage() {
    // Page 1 may have read another database since the tree was last filled.
    const bool filled = App::RunCommand(nullptr, {}, [this] {
        m_tree->AddPasswordData(m_wizard.GetSourcePath(), m_wizard.Source());
        if (QTreeWidgetItem* root = m_tree->RootItem()) {
            root->setExpanded(true);
        }
    });
    if (!filled) {
        m_tree->clear();
        CMessageBox::ShowError(this, DatabaseImportSource::kInitialisationFailed);
    }
}

Selection CImportPasswordPage2::GetSelection() const { return CheckedSelection(*m_tree); }

bool CImportPasswordPage2::validatePage() {
    bool chosen = false;
    if (!App::RunCommand(this, DatabaseImportSource::kInitialisationFailed,
                         [&] { chosen = !GetSelection().IsEmpty(); })) {
        return false;
    }
    if (!chosen) {
        CMessageBox::ShowWarning(this, kChooseData);
        m_tree->setFocus();
        return false;
    }
    return true;
}

CImportPasswordPage3::CImportPasswordPage3(Dialogs::MaintenanceHost& host, CDatabaseImportWizard& wizard,
                                           QWidget* parent)
    : QWizardPage(parent), m_host(host), m_wizard(wizard) {
    setTitle(Q(u"Wie sollen die Passwortinformationen importiert werden?"));
    setSubTitle(Q(u"Wählen Sie die Importoptionen aus"));
    m_duplicates = new QComboBox(this);
    m_duplicates->setObjectName(QStringLiteral("duplicates"));
    m_duplicates->addItems({Q(u"Benutzer fragen"), Q(u"Duplikate ersetzen"), Q(u"Duplikate überspringen")});
    m_duplicates->setCurrentIndex(static_cast<int>(DuplicateTreatment::Ask));
    m_progress = MakeProgressBar(this);
    m_status = new QLabel(Q(DatabaseImport::kStatusReady), this);
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* form = new QFormLayout;
    form->addRow(Q(u"Passwort&duplikate:"), m_duplicates);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addStretch();
    layout->addWidget(m_progress);
    layout->addWidget(m_status);
    connect(&m_wizard.Worker(), &WizardWorker::StatusChanged, this, &CImportPasswordPage3::ShowStatus);
}

void CImportPasswordPage3::ShowStatus(const QString& text) { m_status->setText(text); }

void CImportPasswordPage3::initializePage() {
    ShowStatus(Q(DatabaseImport::kStatusInitialising));
    m_wizard.Worker().AttachProgressBar(m_progress);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    ShowStatus(Q(DatabaseImport::kStatusReady));
}

bool CImportPasswordPage3::isComplete() const { return !m_failed; }

bool CImportPasswordPage3::validatePage() {
    if (m_failed) {
        return false;
    }
    Selection selection;
    if (!App::RunCommand(this, DatabaseImportSource::kInitialisationFailed,
                         [&] { selection = m_wizard.GetPage2().GetSelection(); })) {
        return false;
    }
    const auto treatment = static_cast<DuplicateTreatment>(m_duplicates->currentIndex());
    Session::DatabaseSession& session = m_host.session;
    // Another program's change of the file first, so that the rewrite keeps it.
    m_host.FollowFile();
    PasswordADT::PasswordData working = Session::WorkingCopy(session.Data());
    ImportUserInterface ui(m_wizard.Worker(), m_wizard);
    DatabaseImport import(ui, session.Path(), session.Credentials(), working);
    ImportResult result;
    const bool ran = m_wizard.RunWork([&] { result = import.Run(m_wizard.Source(), selection, treatment); });
    if (!ran) {
        result.outcome = ImportOutcome::Failed;
        CMessageBox::ShowError(this, DatabaseImport::kFailed);
    }
    // Whatever happened, the session takes the file as it now is (imported or rolled back).
    App::RunCommand(this, {}, [&] { FollowOwnChange(m_host); });
    const ImportOutcome outcome = result.outcome;
    const std::u16string notice = result.backupNotice;
    m_wizard.SetResult(std::move(result));
    switch (outcome) {
    case ImportOutcome::Imported:
        return true;
    case ImportOutcome::Cancelled:
        // "Assistent wird beendet."
        m_wizard.reject();
        return false;
    case ImportOutcome::Failed:
        break;
    }
    // The failure stays on the page, with the backup named, and is not offered again.
    QString status = Q(DatabaseImport::kFailed);
    if (!notice.empty()) {
        status += QLatin1Char('\n') + Q(notice);
    }
    ShowStatus(status);
    m_failed = true;
    emit completeChanged();
    return false;
}

CDatabaseImportWizard::CDatabaseImportWizard(Dialogs::MaintenanceHost& host, QWidget* parent)
    : ExportImportWizard(Q(u"Import Assistent"), parent), m_page1(new CImportPasswordPage1(*this)),
      m_page2(new CImportPasswordPage2(*this)), m_page3(new CImportPasswordPage3(host, *this)) {
    setObjectName(QStringLiteral("DatabaseImportWizard"));
    addPage(m_page1);
    addPage(m_page2);
    addPage(m_page3);
}

void ShowDatabaseImportWizard(Dialogs::MaintenanceHost& host, QWidget* parent) {
    if (!host.session.IsOpen()) {
        return;
    }
    host.FollowFile();
    CDatabaseImportWizard wizard(host, parent);
    wizard.DoModal();
}

} // namespace Tarnwick::ExportImport
