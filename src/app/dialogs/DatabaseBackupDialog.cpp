#include "app/dialogs/DatabaseBackupDialog.h"

#include <QComboBox>
#include <QCompleter>
#include <QFileSystemModel>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

#include "app/DatabaseMessageUI.h"
#include "app/ModalDialog.h"
#include "app/dialogs/BackupCopy.h"
#include "app/dialogs/DatabaseWorkers.h"
#include "app/dialogs/DialogSupport.h"
#include "app/dialogs/ThreadedDatabaseUi.h"
#include "app/login/DatabaseFileDialog.h"
#include "app/login/DialogHeader.h"
#include "base/text/Format.h"
#include "platform/FileSystem.h"
#include "uiext/CueBannerEdit.h"
#include "uiext/QtText.h"
#include "uilib/DialogLayout.h"
#include "uilib/MessageBox.h"

namespace Tarnwick {

using Dialogs::BackupWorker;
using Dialogs::Q;
using WindowsServiceProvider::CMessageBox;

namespace {

constexpr std::u16string_view kWorking = u"Erstelle Sicherung. Bitte warten...";

bool Exists(const std::filesystem::path& path) {
    Platform::FileStatus status;
    return Platform::FileSystem().Status(path, status) == 0;
}

} // namespace

CDatabaseBackupDialog::CDatabaseBackupDialog(Dialogs::MaintenanceHost& host, std::int64_t now, QWidget* parent)
    : QDialog(parent), m_host(host) {
    setObjectName(QStringLiteral("DatabaseBackupDialog"));
    Dialogs::PrepareDialog(*this, Q(u"Sicherung erstellen"));
    m_messages = std::make_unique<WindowsServiceProvider::CDatabaseMessageUI>(this);
    m_threadUi = std::make_unique<Dialogs::ThreadedDatabaseUi>(*m_messages);
    m_header = new DialogHeader(Q(u"Datenbanksicherung erstellen"), QString(), this);

    m_method = new QComboBox(this);
    m_method->setObjectName(QStringLiteral("method"));
    m_method->addItems({Q(u"Kopie der Datenbank anlegen"), Q(u"Datenbank neu erstellen")});
    m_method->setCurrentIndex(0);
    auto* path = new MFCServiceProvider::CueBannerEdit(this);
    path->SetCueText(Q(u"Sicherungspfad"));
    m_path = path;
    m_path->setObjectName(QStringLiteral("path"));
    m_path->setMinimumWidth(360);
    auto* files = new QFileSystemModel(m_path);
    files->setRootPath(QString());
    auto* completer = new QCompleter(files, m_path);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    m_path->setCompleter(completer);
    m_path->setText(Dialogs::PathText(Dialogs::DefaultBackupPath(host.session.Path(), now)));
    m_browse = Dialogs::MakeButton(Q(u"&Durchsuchen"), "browse", this);

    auto* methodLabel = new QLabel(Q(u"&Sicherungsmethode"), this);
    methodLabel->setBuddy(m_method);
    auto* pathLabel = new QLabel(Q(u"Datenbank&pfad"), this);
    pathLabel->setBuddy(m_path);
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(m_path, 1);
    pathRow->addWidget(m_browse);
    auto* form = new QFormLayout;
    form->addRow(methodLabel, m_method);
    form->addRow(pathLabel, pathRow);

    m_label = new QLabel(Q(kWorking), this);
    m_label->setObjectName(QStringLiteral("working"));
    m_label->hide();
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("progress"));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);

    m_ok = Dialogs::MakeButton(Q(u"&OK"), "ok", this);
    m_ok->setDefault(true);
    m_cancel = Dialogs::MakeButton(Q(u"&Abbrechen"), "cancel", this);

    QVBoxLayout* body = UiLibrary::LayOutBelowHeader(*this, m_header);
    body->addLayout(form);
    body->addSpacing(6);
    body->addWidget(m_progress);
    body->addWidget(m_label);
    UiLibrary::AddButtonRow(*body, {m_ok, m_cancel});

    connect(m_browse, &QPushButton::clicked, this, &CDatabaseBackupDialog::OnBrowse);
    connect(m_ok, &QPushButton::clicked, this, &CDatabaseBackupDialog::OnOk);
    connect(m_cancel, &QPushButton::clicked, this, &CDatabaseBackupDialog::reject);
}

CDatabaseBackupDialog::~CDatabaseBackupDialog() { StopThread(); }

int CDatabaseBackupDialog::DoModal() { return App::RunModal(*this); }

void CDatabaseBackupDialog::OnBrowse() {
    Core::DatabaseFileDialog chooser(this);
    if (chooser.ShowSave()) {
        m_path->setText(chooser.GetFileName());
    }
}

bool CDatabaseBackupDialog::Validate(const std::filesystem::path& target, bool& replace) {
    replace = false;
    if (target.empty()) {
        CMessageBox::ShowWarning(this, u"Geben Sie einen gültigen Datenbankpfad an.");
        return false;
    }
    // The same file under any name (another spelling, a link) is the same file.
    if (Dialogs::IsSameFile(m_host.session.Database().GetFilePath(), target)) {
        CMessageBox::ShowError(this, kSameFile);
        return false;
    }
    if (Exists(target)) {
        WindowsServiceProvider::TaskDialogOptions question;
        question.title = u"Datenbank existiert bereits";
        question.content = Text::Format(u"Es existiert bereits eine Datenbank mit dem Namen \"%s\". Sind Sie sicher, "
                                        u"dass diese Datenbank überschrieben werden soll?",
                                        UiText::View(m_path->text()))
                               .ToStdString();
        question.commands = {u"Ja, Datenbank überschreiben.\nDie Datenbank wird überschrieben. Ein Wiederherstellen ist "
                             u"nicht mehr möglich.",
                             u"Nein, Datenbank nicht überschreiben.\nWählen Sie einen anderen Datenbankpfad, um eine "
                             u"Sicherung zu erstellen."};
        question.defaultCommand = 1;
        question.icon = WindowsServiceProvider::TaskDialogIcon::Warning;
        if (CMessageBox::ShowTaskDialog(this, question) != 0) {
            return false;
        }
        replace = true;
    }
    return true;
}

void CDatabaseBackupDialog::OnOk() {
    if (m_working) {
        return;
    }
    const std::filesystem::path target = Dialogs::PathOf(m_path->text());
    bool replace = false;
    if (!Validate(target, replace)) {
        return;
    }
    Start(target, replace);
}

void CDatabaseBackupDialog::Start(const std::filesystem::path& target, bool replace) {
    m_working = true;
    for (QWidget* input : std::initializer_list<QWidget*>{m_method, m_path, m_browse, m_ok, m_cancel}) {
        input->setEnabled(false);
    }
    m_label->setText(Q(kWorking));
    m_label->show();
    const auto method = m_method->currentIndex() == 1 ? BackupWorker::Method::Recreate : BackupWorker::Method::Copy;
    if (method == BackupWorker::Method::Recreate) {
        m_progress->setRange(0, 0);
    } else {
        m_progress->setRange(0, 100);
        m_progress->setValue(0);
    }
    const LoginCredentials& held = m_host.session.Credentials();
    LoginCredentials credentials;
    credentials.userName = held.userName;
    credentials.password = held.password;
    m_threadUi->SetReplacementAgreed(replace);
    m_worker = std::make_unique<BackupWorker>(method, m_host.session.Database().GetFilePath(), target,
                                              std::move(credentials), *m_threadUi);
    m_thread = new QThread(this);
    m_worker->moveToThread(m_thread);
    connect(m_thread, &QThread::started, m_worker.get(), &BackupWorker::Run);
    connect(m_worker.get(), &BackupWorker::Progress, this, [this](int percent) {
        if (m_progress->maximum() > 0) {
            m_progress->setValue(percent);
        }
    });
    connect(m_worker.get(), &BackupWorker::Verifying, this, [this] {
        m_label->setText(Q(u"Verifiziere Backup..."));
        m_progress->setRange(0, 0);
    });
    connect(m_worker.get(), &BackupWorker::Finished, this, &CDatabaseBackupDialog::OnFinished);
    m_thread->start();
}

void CDatabaseBackupDialog::StopThread() {
    if (m_thread != nullptr) {
        m_thread->quit();
        m_thread->wait();
        delete m_thread;
        m_thread = nullptr;
    }
    m_worker.reset();
}

void CDatabaseBackupDialog::OnFinished(bool succeeded, const QString& failure) {
    StopThread();
    m_working = false;
    m_progress->setRange(0, 100);
    m_progress->setValue(succeeded ? 100 : 0);
    if (succeeded) {
        CMessageBox::ShowInformation(this, u"Die Datenbank wurde erfolgreich gesichert.");
        done(QDialog::Accepted);
        return;
    }
    if (!failure.isEmpty()) {
        CMessageBox::ShowError(this, UiText::View(failure));
    }
    done(QDialog::Rejected);
}

void CDatabaseBackupDialog::reject() {
    // The dialog ends only when the worker reported.
    if (!m_working) {
        QDialog::reject();
    }
}

} // namespace Tarnwick
