#include "app/login/LoginDialog.h"

#include <QComboBox>
#include <QCompleter>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "app/ApplicationIcon.h"
#include "app/CommandBoundary.h"
#include "app/ModalDialog.h"
#include "app/login/DatabaseFileDialog.h"
#include "app/login/DialogHeader.h"
#include "app/login/NewDatabaseWizard.h"
#include "app/login/WelcomeDialog.h"
#include "base/text/Utf.h"
#include "uiext/QtText.h"
#include "uilib/MessageBox.h"
#include "uilib/SecureEdit.h"

namespace Tarnwick {

using UiText::Q;
using WindowsServiceProvider::CMessageBox;

namespace {

constexpr std::u16string_view kAuthenticationFailed = u"Die Benutzerauthentifikation ist fehlgeschlagen.";

} // namespace

CLoginDialog::CLoginDialog(ApplicationSettings::Settings& settings, bool firstStart, QWidget* parent)
    : QDialog(parent), LoginBase(this, &m_databasePath, &m_credentials), m_settings(settings), m_firstStart(firstStart) {
    setWindowTitle(Q(u"Tarnwick - Anmeldung"));
    setWindowIcon(App::ApplicationIcon());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* header = new DialogHeader(Q(App::kProductTitle), QString(), this);

    m_database = new QComboBox(this);
    m_database->setObjectName(QStringLiteral("database"));
    m_database->setEditable(true);
    m_database->setInsertPolicy(QComboBox::NoInsert);
    m_database->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_database->setMinimumContentsLength(36);
    m_userName = new QLineEdit(this);
    m_userName->setObjectName(QStringLiteral("userName"));
    m_password = new MFCServiceProvider::SecureEdit(this);
    m_password->setObjectName(QStringLiteral("password"));

    m_login = new QPushButton(Q(u"&Anmelden"), this);
    m_login->setObjectName(QStringLiteral("login"));
    m_login->setDefault(true);
    m_browse = new QPushButton(Q(u"&Durchsuchen"), this);
    m_browse->setObjectName(QStringLiteral("browse"));
    m_browse->setAutoDefault(false);
    m_newDatabase = new QPushButton(Q(u"&Neue Datenbank anlegen"), this);
    m_newDatabase->setObjectName(QStringLiteral("newDatabase"));
    m_newDatabase->setAutoDefault(false);
    m_cancel = new QPushButton(Q(u"Abb&rechen"), this);
    m_cancel->setObjectName(QStringLiteral("cancel"));
    m_cancel->setAutoDefault(false);

    auto* databaseLabel = new QLabel(Q(u"Daten&bank:"), this);
    databaseLabel->setBuddy(m_database);
    auto* userLabel = new QLabel(Q(u"Ben&utzername:"), this);
    userLabel->setBuddy(m_userName);
    auto* passwordLabel = new QLabel(Q(u"&Passwort:"), this);
    passwordLabel->setBuddy(m_password);

    auto* fields = new QGridLayout;
    fields->addWidget(databaseLabel, 0, 0);
    fields->addWidget(m_database, 0, 1);
    fields->addWidget(m_browse, 0, 2);
    fields->addWidget(userLabel, 1, 0);
    fields->addWidget(m_userName, 1, 1);
    fields->addWidget(passwordLabel, 2, 0);
    fields->addWidget(m_password, 2, 1);
    fields->setColumnStretch(1, 1);
    fields->setHorizontalSpacing(10);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_newDatabase);
    buttons->addStretch();
    buttons->addWidget(m_login);
    buttons->addWidget(m_cancel);

    auto* body = new QVBoxLayout;
    body->setContentsMargins(12, 12, 12, 12);
    body->addLayout(fields);
    body->addSpacing(10);
    body->addLayout(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(header);
    layout->addLayout(body);

    setTabOrder(m_database, m_userName);
    setTabOrder(m_userName, m_password);
    setTabOrder(m_password, m_login);
    setTabOrder(m_login, m_cancel);
    setTabOrder(m_cancel, m_newDatabase);
    setTabOrder(m_newDatabase, m_browse);

    m_firstStartTimer = new QTimer(this);
    m_firstStartTimer->setObjectName(QStringLiteral("firstStartTimer"));
    m_firstStartTimer->setSingleShot(true);
    m_firstStartTimer->setInterval(kFirstStartDelayMs);

    connect(m_login, &QPushButton::clicked, this, &CLoginDialog::OnLogin);
    connect(m_browse, &QPushButton::clicked, this, &CLoginDialog::OnBrowse);
    connect(m_newDatabase, &QPushButton::clicked, this, &CLoginDialog::OnNewDatabase);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_firstStartTimer, &QTimer::timeout, this, &CLoginDialog::OnFirstStartTimer);
}

CLoginDialog::~CLoginDialog() = default;

int CLoginDialog::AddPath(const QString& text) {
    const int found = m_database->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (found >= 0) {
        return found;
    }
    m_database->addItem(text);
    return m_database->count() - 1;
}

void CLoginDialog::SelectPath(int index, bool force) {
    if (m_selectionMade && !force) {
        return;
    }
    m_database->setCurrentIndex(index);
}

void CLoginDialog::OnInitDialog() {
    if (!m_commandLinePath.empty()) {
        m_database->setCurrentIndex(AddPath(Q(m_commandLinePath)));
        m_selectionMade = true;
    }
    if (m_settings.rememberLastDatabase) {
        for (const ApplicationSettings::RecentDatabase& recent : m_settings.recentDatabases.items) {
            AddPath(Q(recent.path));
        }
        if (m_database->currentIndex() < 0 && m_database->count() > 0) {
            m_database->setCurrentIndex(0);
        }
    }
    if (!m_mainWindowPath.empty()) {
        SelectPath(AddPath(Q(m_mainWindowPath)), false);
    }
    if (m_database->currentIndex() >= 0) {
        m_userName->setFocus();
    } else {
        m_database->setFocus();
    }
    if (m_database->completer() == nullptr || qobject_cast<QFileSystemModel*>(m_database->completer()->model()) == nullptr) {
        auto* model = new QFileSystemModel(this);
        model->setRootPath(QString());
        auto* completer = new QCompleter(model, this);
        completer->setCompletionMode(QCompleter::PopupCompletion);
        m_database->setCompleter(completer);
    }
    if (m_firstStart) {
        m_firstStartTimer->start();
    }
}

int CLoginDialog::DoModal() {
    OnInitDialog();
    return App::RunModal(*this);
}

void CLoginDialog::OnFirstStartTimer() {
    m_firstStartTimer->stop();
    App::RunCommand(this, {}, [this] {
        if (AskCreateDatabaseOnFirstStart(this)) {
            OnNewDatabase();
        }
    });
}

void CLoginDialog::OnBrowse() {
    App::RunCommand(this, {}, [this] {
        Core::DatabaseFileDialog dialog(this);
        if (!dialog.ShowOpen()) {
            return;
        }
        // The user picked this file: it is the one to log in to.
        SelectPath(AddPath(dialog.GetFileName()), true);
        m_userName->setFocus();
    });
}

void CLoginDialog::OnNewDatabase() {
    App::RunCommand(this, u"Fehler beim Erstellen der Datenbank.", [this] {
        CNewDatabaseWizard wizard(m_firstStart, this);
        if (wizard.DoModal() != CNewDatabaseWizard::kFinished || wizard.GetCreatedPath().empty()) {
            return;
        }
        // The database just created is the one to log in to.
        SelectPath(AddPath(Q(wizard.GetCreatedPath())), true);
        m_userName->setFocus();
    });
}

void CLoginDialog::OnLogin() {
    App::RunCommand(this, kAuthenticationFailed, [this] {
        if (!ReadDatabasePath(*m_database) || !ReadUserName(*m_userName) || !ReadPassword(*m_password)) {
            return;
        }
        const int result = Authenticate();
        if (result != kAuthenticated) {
            // Nothing of a refused attempt stays behind.
            m_credentials.password.Clear();
        }
        switch (result) {
        case kAuthenticated:
            if (m_settings.rememberLastDatabase) {
                m_settings.recentDatabases.Add(Text::FromUtf8(m_databasePath.string()), 0);
            }
            accept();
            return;
        case kTooManyAttempts:
            CMessageBox::ShowError(this, kAuthenticationFailed);
            reject();
            return;
        case kUnreachable:
        case kErrorReported:
            return;
        default:
            CMessageBox::ShowError(this, kAuthenticationFailed);
            return;
        }
    });
}

} // namespace Tarnwick
