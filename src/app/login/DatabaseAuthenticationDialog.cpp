#include "app/login/DatabaseAuthenticationDialog.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ApplicationIcon.h"
#include "app/CommandBoundary.h"
#include "app/ModalDialog.h"
#include "app/login/DialogHeader.h"
#include "base/text/Format.h"
#include "base/text/Utf.h"
#include "uiext/CueBannerEdit.h"
#include "uiext/QtText.h"
#include "uilib/DialogLayout.h"
#include "uilib/MessageBox.h"
#include "uilib/SecureEdit.h"

namespace Tarnwick {

using UiText::Q;

namespace {

constexpr std::u16string_view kAuthenticationFailed = u"Die Benutzerauthentifikation ist fehlgeschlagen.";

} // namespace

CDatabaseAuthenticationDialog::CDatabaseAuthenticationDialog(const std::filesystem::path& database,
                                                             LoginCredentials& receiving, QWidget* parent)
    : QDialog(parent), LoginBase(this, &m_databasePath, &m_credentials), m_databasePath(database), m_receiving(receiving) {
    setWindowTitle(Q(u"Datenbankanmeldung"));
    setWindowIcon(App::ApplicationIcon());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    const std::u16string fileName = Text::FromUtf8(database.filename().string());
    m_header = new DialogHeader(
        Q(u"Datenbankanmeldung"),
        Q(Text::Format(u"Geben Sie Benutzernamen und Passwort für die Datenbank \"%s\" ein", fileName).View()), this);

    m_userName = new MFCServiceProvider::CueBannerEdit(this);
    m_userName->setObjectName(QStringLiteral("userName"));
    m_userName->SetCueText(Q(u"Benutzername"));
    m_password = new MFCServiceProvider::SecureCueBannerEdit(this);
    m_password->setObjectName(QStringLiteral("password"));
    m_password->SetCueText(Q(u"Passwort"));

    m_login = new QPushButton(Q(u"&Anmelden"), this);
    m_login->setObjectName(QStringLiteral("login"));
    m_login->setDefault(true);
    m_cancel = new QPushButton(Q(u"Abbrechen"), this);
    m_cancel->setObjectName(QStringLiteral("cancel"));
    m_cancel->setAutoDefault(false);

    QVBoxLayout* body = UiLibrary::LayOutBelowHeader(*this, m_header);
    body->addWidget(m_userName);
    body->addWidget(m_password);
    UiLibrary::AddButtonRow(*body, {m_login, m_cancel});

    setMinimumWidth(380);

    m_userName->setFocus();
    connect(m_login, &QPushButton::clicked, this, &CDatabaseAuthenticationDialog::OnLogin);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

CDatabaseAuthenticationDialog::~CDatabaseAuthenticationDialog() = default;

int CDatabaseAuthenticationDialog::DoModal() {
    return App::RunModal(*this);
}

void CDatabaseAuthenticationDialog::OnLogin() {
    App::RunCommand(this, kAuthenticationFailed, [this] {
        if (!ReadUserName(*m_userName) || !ReadPassword(*m_password)) {
            return;
        }
        const int result = Authenticate();
        if (result != kAuthenticated) {
            m_credentials.password.Clear();
        }
        switch (result) {
        case kAuthenticated:
            // The name that was accepted, lower-cased when only that form matched.
            m_receiving.userName = m_credentials.userName;
            m_receiving.password = std::move(m_credentials.password);
            accept();
            return;
        case kTooManyAttempts:
        case kErrorReported:
            reject();
            return;
        case kUnreachable:
            return;
        default:
            WindowsServiceProvider::CMessageBox::ShowWarning(this, kAuthenticationFailed);
            return;
        }
    });
}

} // namespace Tarnwick
