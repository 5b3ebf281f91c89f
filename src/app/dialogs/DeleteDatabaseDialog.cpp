#include "app/dialogs/DeleteDatabaseDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>
#include <QVBoxLayout>

#include "app/DatabaseMessageUI.h"
#include "app/ModalDialog.h"
#include "app/dialogs/DatabaseWorkers.h"
#include "app/dialogs/DialogSupport.h"
#include "app/dialogs/ThreadedDatabaseUi.h"
#include "app/login/DatabaseFileDialog.h"
#include "app/login/DialogHeader.h"
#include "uiext/CueBannerEdit.h"
#include "uilib/DialogLayout.h"
#include "uilib/MessageBox.h"

namespace Tarnwick {

using Dialogs::Q;
using WindowsServiceProvider::CMessageBox;

CDeleteDatabaseDialog::CDeleteDatabaseDialog(Dialogs::MaintenanceHost& host, QWidget* parent)
    : QDialog(parent), m_host(host) {
    setObjectName(QStringLiteral("DeleteDatabaseDialog"));
    Dialogs::PrepareDialog(*this, Q(u"Datenbank löschen"));
    m_messages = std::make_unique<WindowsServiceProvider::CDatabaseMessageUI>(this);
    m_threadUi = std::make_unique<Dialogs::ThreadedDatabaseUi>(*m_messages);
    m_header = new DialogHeader(Q(u"Datenbank löschen"), Q(u"Welche Passwortdatenbank soll gelöscht werden?"), this);

    m_currentButton = new QRadioButton(Q(u"&Aktuell geöffnete Datenbank löschen"), this);
    m_currentButton->setObjectName(QStringLiteral("current"));
    m_currentButton->setChecked(true);
    m_quitBox = new QCheckBox(Q(u"Tarnwick nach dem Löschen &beenden"), this);
    m_quitBox->setObjectName(QStringLiteral("quit"));
    m_otherButton = new QRadioButton(Q(u"&Eine andere Datenbank löschen"), this);
    m_otherButton->setObjectName(QStringLiteral("other"));
    auto* path = new MFCServiceProvider::CueBannerEdit(this);
    path->SetCueText(Q(u"Pfad der Datenbank"));
    m_path = path;
    m_path->setObjectName(QStringLiteral("path"));
    m_path->setMinimumWidth(320);
    auto* pathLabel = new QLabel(Q(u"Da&tenbank"), this);
    pathLabel->setBuddy(m_path);
    m_browse = Dialogs::MakeButton(Q(u"&Durchsuchen"), "browse", this);

    auto* choices = new QGridLayout;
    choices->setColumnMinimumWidth(0, 20);
    choices->addWidget(m_currentButton, 0, 0, 1, 4);
    choices->addWidget(m_quitBox, 1, 1, 1, 3);
    choices->addWidget(m_otherButton, 2, 0, 1, 4);
    choices->addWidget(pathLabel, 3, 1);
    choices->addWidget(m_path, 3, 2);
    choices->addWidget(m_browse, 3, 3);
    choices->setColumnStretch(2, 1);

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("progress"));
    m_progress->setRange(0, 0);
    m_progress->setTextVisible(false);
    m_progress->hide();
    m_label = new QLabel(Q(u"Lösche Datenbank. Bitte warten..."), this);
    m_label->setObjectName(QStringLiteral("working"));
    m_label->hide();

    m_ok = Dialogs::MakeButton(Q(u"&OK"), "ok", this);
    m_ok->setDefault(true);
    m_cancel = Dialogs::MakeButton(Q(u"&Abbrechen"), "cancel", this);

    QVBoxLayout* body = UiLibrary::LayOutBelowHeader(*this, m_header);
    body->addLayout(choices);
    body->addSpacing(6);
    body->addWidget(m_progress);
    body->addWidget(m_label);
    UiLibrary::AddButtonRow(*body, {m_ok, m_cancel});

    connect(m_currentButton, &QRadioButton::toggled, this, [this] { FollowChoice(); });
    connect(m_otherButton, &QRadioButton::toggled, this, [this](bool chosen) {
        FollowChoice();
        if (chosen) {
            m_path->setFocus();
        }
    });
    connect(m_browse, &QPushButton::clicked, this, &CDeleteDatabaseDialog::OnBrowse);
    connect(m_ok, &QPushButton::clicked, this, &CDeleteDatabaseDialog::OnOk);
    connect(m_cancel, &QPushButton::clicked, this, &CDeleteDatabaseDialog::reject);
    FollowChoice();
}

CDeleteDatabaseDialog::~CDeleteDatabaseDialog() { StopThread(); }

int CDeleteDatabaseDialog::DoModal() { return App::RunModal(*this); }

void CDeleteDatabaseDialog::FollowChoice() {
    const bool current = m_currentButton->isChecked();
    m_quitBox->setEnabled(current);
    m_path->setEnabled(!current);
    m_browse->setEnabled(!current);
}

void CDeleteDatabaseDialog::OnBrowse() {
    Core::DatabaseFileDialog chooser(this);
    if (chooser.ShowOpen()) {
        m_path->setText(chooser.GetFileName());
    }
}

void CDeleteDatabaseDialog::SetWorking(bool working) {
    m_working = working;
    for (QWidget* input :
         std::initializer_list<QWidget*>{m_currentButton, m_otherButton, m_quitBox, m_path, m_ok, m_cancel}) {
        input->setEnabled(!working);
    }
    m_browse->setVisible(!working);
    m_progress->setVisible(working);
    m_label->setVisible(working);
    if (!working) {
        FollowChoice();
    }
}

void CDeleteDatabaseDialog::OnOk() {
    if (m_working) {
        return;
    }
    m_current = m_currentButton->isChecked();
    std::filesystem::path database = m_host.session.Path();
    if (!m_current) {
        if (m_path->text().isEmpty()) {
            CMessageBox::ShowWarning(this, u"Geben Sie eine Passwortdatenbank an, die gelöscht werden soll.");
            m_path->setFocus();
            return;
        }
        database = Dialogs::PathOf(m_path->text());
        // "Another" database that is the open one under another name would vanish under the
        // window without it knowing.
        if (Dialogs::IsSameFile(m_host.session.Database().GetFilePath(), database)) {
            CMessageBox::ShowError(this, kOpenDatabaseChosen);
            m_path->setFocus();
            return;
        }
    }
    m_quit = m_current && m_quitBox->isChecked();
    SetWorking(true);

    LoginCredentials typed;
    if (!m_host.reAuthenticate || !m_host.reAuthenticate(this, database, typed)) {
        done(QDialog::Rejected);
        return;
    }
    if (m_current) {
        // The log-in of the check wrote its time into the file.
        m_host.session.AcceptCurrentFile();
    }
    WindowsServiceProvider::TaskDialogOptions question;
    question.mainInstruction = u"Datenbank unwiederbringlich löschen?";
    question.content = u"Je nach Größe der Datenbank, kann dieser Vorgang einen Moment dauern.";
    question.commands = {u"Ja, Datenbank löschen\nDatenbank mit allen Passwortinformationen unwiederbringlich löschen.",
                         u"Nein, Datenbank nicht löschen\nDie Datenbank wird nicht gelöscht und der Vorgang abgebrochen."};
    question.defaultCommand = 1;
    question.icon = WindowsServiceProvider::TaskDialogIcon::Warning;
    if (CMessageBox::ShowTaskDialog(this, question) != 0) {
        done(QDialog::Rejected);
        return;
    }

    m_worker = std::make_unique<Dialogs::DeleteWorker>(database, std::move(typed), *m_threadUi);
    m_thread = new QThread(this);
    m_worker->moveToThread(m_thread);
    connect(m_thread, &QThread::started, m_worker.get(), &Dialogs::DeleteWorker::Run);
    connect(m_worker.get(), &Dialogs::DeleteWorker::Finished, this, &CDeleteDatabaseDialog::OnFinished);
    m_thread->start();
}

void CDeleteDatabaseDialog::StopThread() {
    if (m_thread != nullptr) {
        m_thread->quit();
        m_thread->wait();
        delete m_thread;
        m_thread = nullptr;
    }
    m_worker.reset();
}

void CDeleteDatabaseDialog::OnFinished(bool deleted) {
    StopThread();
    m_working = false;
    if (!deleted) {
        done(QDialog::Rejected);
        return;
    }
    m_progress->setRange(0, 1);
    m_progress->setValue(1);
    m_label->setText(Q(u"Operation beendet"));
    if (m_host.settings.messageAfterDatabaseDelete) {
        CMessageBox::ShowInformation(this, u"Die Passwortdatenbank wurde erfolgreich gelöscht.");
    }
    done(QDialog::Accepted);
}

void CDeleteDatabaseDialog::reject() {
    if (!m_working) {
        QDialog::reject();
    }
}

} // namespace Tarnwick
