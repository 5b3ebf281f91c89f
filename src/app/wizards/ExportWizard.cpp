#include "app/wizards/ExportWizard.h"

#include <QCheckBox>
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
#include "app/login/NewDatabaseWizard.h"
#include "app/views/PasswordDataTreeCtrl.h"
#include "base/text/Utf.h"
#include "generator/ui/QualityBar.h"
#include "uiext/QtText.h"
#include "uilib/MessageBox.h"
#include "uilib/SecureEdit.h"

namespace Tarnwick::ExportImport {

using MFCServiceProvider::SecureEdit;
using UiText::Q;
using UiText::View;
using WindowsServiceProvider::CMessageBox;
using WindowsServiceProvider::MessageButtons;
using WindowsServiceProvider::MessageIcon;
using WindowsServiceProvider::MessageResult;

namespace {

constexpr std::u16string_view kListFailed = u"Es ist ein Fehler beim Auflisten der Passwortinformationen aufgetreten.";

// The export's messages and questions over the wizard.
class ExportUserInterface final : public WizardUserInterface<IExportUserInterface> {
public:
    using WizardUserInterface::WizardUserInterface;

    ExtensionAnswer AskAddExtension(std::u16string_view question) override {
        MessageResult answer = MessageResult::Cancel;
        m_worker.OnGuiThread(
            [&] { answer = CMessageBox::Show(&m_owner, question, MessageIcon::Question, MessageButtons::YesNoCancel); });
        switch (answer) {
        case MessageResult::Yes:
            return ExtensionAnswer::Yes;
        case MessageResult::No:
            return ExtensionAnswer::No;
        default:
            return ExtensionAnswer::Cancel;
        }
    }
    void ShowInformation(std::u16string_view text) override {
        m_worker.OnGuiThread([&] { CMessageBox::ShowInformation(&m_owner, text); });
    }
};

QString PathText(const std::filesystem::path& path) { return Q(Text::FromUtf8(path.string())); }

} // namespace

CExportPasswordPage1::CExportPasswordPage1(Dialogs::MaintenanceHost& host, QWidget* parent)
    : QWizardPage(parent), m_host(host) {
    setTitle(Q(u"Passwortinformationen für den Export wählen"));
    setSubTitle(Q(u"Auswählen der zu exportierenden Passwortinformationen"));
    auto* text = new QLabel(Q(u"Wählen Sie die Passwortinformationen aus, die Sie exportieren möchten."), this);
    text->setWordWrap(true);
    m_tree = new TreeProvider::PasswordDataTreeCtrl(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(m_tree, 1);
}

void CExportPasswordPage1::initializePage() {
    if (m_filled) {
        return;
    }
    m_filled = App::RunCommand(nullptr, {}, [this] {
        m_tree->AddPasswordData(m_host.session.Path(), m_host.session.Data());
        if (QTreeWidgetItem* root = m_tree->RootItem()) {
            root->setExpanded(true);
        }
    });
    if (!m_filled) {
        CMessageBox::ShowError(this, kListFailed);
    }
}

Selection CExportPasswordPage1::GetSelection() const { return CheckedSelection(*m_tree); }

bool CExportPasswordPage1::validatePage() {
    bool chosen = false;
    if (!App::RunCommand(this, kListFailed, [&] { chosen = !GetSelection().IsEmpty(); })) {
        return false;
    }
    if (!chosen) {
        CMessageBox::ShowWarning(this, DatabaseExport::kNothingSelected);
        m_tree->setFocus();
        return false;
    }
    return true;
}

CExportPasswordPage2::CExportPasswordPage2(Dialogs::MaintenanceHost& host, CExportWizard& wizard, QWidget* parent)
    : QWizardPage(parent), m_host(host), m_wizard(wizard) {
    setTitle(Q(u"Passwortdatenbank für den Export erstellen"));
    setSubTitle(Q(u"Benutzerdaten für die Exportdatenbank festlegen"));

    m_path = new QLineEdit(this);
    m_path->setObjectName(QStringLiteral("path"));
    auto* files = new QFileSystemModel(this);
    files->setRootPath(QString());
    m_path->setCompleter(new QCompleter(files, m_path));
    m_browse = new DBSaveBrowseButton;
    m_browse->Create(*m_path, 151);
    m_userName = new QLineEdit(this);
    m_userName->setObjectName(QStringLiteral("userName"));
    m_caseSensitive = new QCheckBox(Q(u"&Groß-/Kleinschreibung beim Benutzernamen berücksichtigen"), this);
    m_caseSensitive->setObjectName(QStringLiteral("caseSensitive"));
    m_password = new SecureEdit(this);
    m_password->setObjectName(QStringLiteral("password"));
    m_repetition = new SecureEdit(this);
    m_repetition->setObjectName(QStringLiteral("repetition"));
    m_qualityBar = new CryptoServiceProvider::PasswordMeter::QualityBar(this);
    m_qualityBar->setObjectName(QStringLiteral("qualityBar"));
    m_qualityBar->setFixedHeight(fontMetrics().height());
    m_password->AttachQualityBar(m_qualityBar);
    m_hidePassword = new QCheckBox(Q(u"Passwort &verbergen"), this);
    m_hidePassword->setObjectName(QStringLiteral("hidePassword"));
    m_hidePassword->setChecked(true);
    connect(m_hidePassword, &QCheckBox::toggled, this, &CExportPasswordPage2::OnHidePasswordToggled);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("progress"));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);

    auto* form = new QFormLayout;
    form->addRow(Q(u"&Datenbank:"), m_path);
    form->addRow(Q(u"&Benutzername:"), m_userName);
    form->addRow(QString(), m_caseSensitive);
    form->addRow(Q(u"&Passwort:"), m_password);
    form->addRow(Q(u"&Wiederholung:"), m_repetition);
    form->addRow(QString(), m_qualityBar);
    form->addRow(QString(), m_hidePassword);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addStretch();
    layout->addWidget(m_progress);
}

CExportPasswordPage2::~CExportPasswordPage2() = default;

void CExportPasswordPage2::initializePage() {
    OnHidePasswordToggled(m_hidePassword->isChecked());
    m_wizard.Worker().AttachProgressBar(m_progress);
    QTimer::singleShot(0, m_path, [path = m_path] { path->setFocus(); });
}

void CExportPasswordPage2::OnHidePasswordToggled(bool hide) {
    m_password->SetMasked(hide);
    m_repetition->SetMasked(hide);
}

void CExportPasswordPage2::FocusFieldOf(std::u16string_view message) {
    if (message == u"Geben Sie einen Benutzernamen ein.") {
        m_userName->setFocus();
    } else if (message == u"Geben Sie ein Passswort ein.") {
        m_password->setFocus();
    } else if (message == u"Geben Sie eine Passswortwiederholung ein." ||
               message == u"Die Passwörter stimmen nicht überein.") {
        m_repetition->setFocus();
    } else {
        m_path->setFocus();
    }
}

bool CExportPasswordPage2::validatePage() {
    ExportInput input;
    input.path = UiText::U(m_path->text());
    input.userName.Assign(View(m_userName->text()));
    input.caseSensitiveUserName = m_caseSensitive->isChecked();
    m_password->GetSecureText(input.password);
    m_repetition->GetSecureText(input.repetition);
    if (const std::u16string_view message = DatabaseExport::CheckInput(input); !message.empty()) {
        CMessageBox::ShowWarning(this, message);
        FocusFieldOf(message);
        return false;
    }
    Selection selection;
    if (!App::RunCommand(this, kListFailed, [&] { selection = m_wizard.GetPage1().GetSelection(); })) {
        return false;
    }

    ExportUserInterface ui(m_wizard.Worker(), m_wizard);
    DatabaseExport exporter(ui, m_host.session.Path(), m_host.session.Data());
    ExportResult result = ExportResult::StayOnPage;
    const bool ran = m_wizard.RunWork([&] { result = exporter.Finish(input, selection); });
    if (!ran) {
        CMessageBox::ShowError(this, u"Fehler beim Erstellen der Datenbank.");
        return false;
    }
    // The path as the export took it (with the extension the user agreed to).
    if (!exporter.GetTargetPath().empty()) {
        m_path->setText(PathText(exporter.GetTargetPath()));
    }
    if (result != ExportResult::Exported) {
        return false;
    }
    m_wizard.SetExportedPath(exporter.GetTargetPath());
    return true;
}

CExportWizard::CExportWizard(Dialogs::MaintenanceHost& host, QWidget* parent)
    : ExportImportWizard(Q(u"Export Assistent"), parent), m_page1(new CExportPasswordPage1(host)),
      m_page2(new CExportPasswordPage2(host, *this)) {
    setObjectName(QStringLiteral("ExportWizard"));
    addPage(m_page1);
    addPage(m_page2);
}

void ShowExportWizard(Dialogs::MaintenanceHost& host, QWidget* parent) {
    if (!host.session.IsOpen()) {
        return;
    }
    // Another program's change of the file belongs in the export too.
    host.FollowFile();
    CExportWizard wizard(host, parent);
    wizard.DoModal();
}

} // namespace Tarnwick::ExportImport
