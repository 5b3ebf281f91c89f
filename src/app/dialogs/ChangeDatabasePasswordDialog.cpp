#include "app/dialogs/ChangeDatabasePasswordDialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ModalDialog.h"
#include "app/dialogs/DialogSupport.h"
#include "app/login/DialogHeader.h"
#include "generator/ui/QualityBar.h"
#include "uilib/DialogLayout.h"
#include "uilib/MessageBox.h"
#include "uilib/SecureEdit.h"

namespace Tarnwick {

using Dialogs::Q;
using MFCServiceProvider::SecureCueBannerEdit;
using WindowsServiceProvider::CMessageBox;

namespace {

SecureCueBannerEdit* PasswordEdit(const char16_t* cue, const char* name, QWidget* parent) {
    auto* edit = new SecureCueBannerEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->SetCueText(Q(cue));
    edit->setMinimumWidth(300);
    return edit;
}

} // namespace

CChangeDatabasePasswordDialog::CChangeDatabasePasswordDialog(Dialogs::MaintenanceHost& host, QWidget* parent)
    : QDialog(parent), m_host(host) {
    setObjectName(QStringLiteral("ChangeDatabasePasswordDialog"));
    Dialogs::PrepareDialog(*this, Q(u"Datenbankpasswort ändern"));
    m_header = new DialogHeader(Q(u"Datenbankpasswort ändern"), QString(), this);
    m_current = PasswordEdit(u"Aktuelles Passwort", "currentPassword", this);
    m_new = PasswordEdit(u"Neues Passwort", "newPassword", this);
    m_repeat = PasswordEdit(u"Neues Passwort bestätigen", "repeatPassword", this);
    m_quality = new CryptoServiceProvider::PasswordMeter::QualityBar(this);
    m_quality->setObjectName(QStringLiteral("quality"));
    m_new->AttachQualityBar(m_quality);
    m_hide = new QCheckBox(Q(u"Passwort verbergen"), this);
    m_hide->setObjectName(QStringLiteral("hidePasswords"));
    m_hide->setChecked(true);
    m_change = Dialogs::MakeButton(Q(u"&Passwort ändern"), "change", this);
    m_change->setDefault(true);
    m_cancel = Dialogs::MakeButton(Q(u"&Abbrechen"), "cancel", this);

    QVBoxLayout* body = UiLibrary::LayOutBelowHeader(*this, m_header);
    body->addWidget(m_current);
    body->addSpacing(6);
    body->addWidget(m_new);
    body->addWidget(m_quality);
    body->addWidget(m_repeat);
    UiLibrary::AddButtonRow(*body, {m_hide, nullptr, m_change, m_cancel});

    connect(m_hide, &QCheckBox::toggled, this, [this](bool hidden) {
        for (SecureCueBannerEdit* edit : {m_current, m_new, m_repeat}) {
            edit->SetMasked(hidden);
        }
    });
    connect(m_change, &QPushButton::clicked, this, &CChangeDatabasePasswordDialog::OnChangePassword);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    m_current->setFocus();
}

int CChangeDatabasePasswordDialog::DoModal() { return App::RunModal(*this); }

bool CChangeDatabasePasswordDialog::Validate() {
    const auto refuse = [this](std::u16string_view text, SecureCueBannerEdit* field) {
        CMessageBox::ShowWarning(this, text);
        field->setFocus();
        return false;
    };
    if (m_current->GetLength() == 0) {
        return refuse(u"Geben Sie das aktuelle Passwort eingeben.", m_current);
    }
    if (m_new->GetLength() == 0) {
        return refuse(u"Geben Sie das neue Passwort eingeben.", m_new);
    }
    if (m_repeat->GetLength() == 0) {
        return refuse(u"Wiederholen Sie die Eingabe des neuen Passworts.", m_repeat);
    }
    StringServiceProvider::SecureString fresh;
    StringServiceProvider::SecureString repeated;
    m_new->GetSecureText(fresh);
    m_repeat->GetSecureText(repeated);
    if (!fresh.Equals(repeated)) {
        return refuse(u"Das neue Passwort stimmt nicht mit der Wiederholung überein.", m_repeat);
    }
    return true;
}

void CChangeDatabasePasswordDialog::OnChangePassword() {
    if (!Validate()) {
        return;
    }
    Session::DatabaseSession& session = m_host.session;
    m_host.FollowFile();
    LoginCredentials current;
    current.userName = session.Credentials().userName;
    m_current->GetSecureText(current.password);
    LoginCredentials fresh;
    fresh.userName = session.Credentials().userName;
    m_new->GetSecureText(fresh.password);
    switch (session.Database().ChangePassword(current, fresh, session.Data())) {
    case RequestResult::Succeeded:
        session.SetCredentials(std::move(fresh));
        session.AcceptCurrentFile();
        accept();
        return;
    case RequestResult::AuthenticationFailed:
        // The database object said why; the current password is asked again.
        m_current->SetText(std::u16string_view());
        m_current->setFocus();
        return;
    case RequestResult::Failed:
        // The file was replaced only once it was complete: it is as it was.
        CMessageBox::ShowWarning(this, kUnchanged);
        return;
    }
}

} // namespace Tarnwick
