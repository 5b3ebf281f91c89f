#include "app/login/LoginBase.h"

#include <cerrno>
#include <memory>

#include <QComboBox>
#include <QLineEdit>

#include "app/DatabaseMessageUI.h"
#include "base/text/CaseFolding.h"
#include "base/text/Utf.h"
#include "platform/FileSystem.h"
#include "uiext/QtText.h"
#include "uilib/MessageBox.h"
#include "uilib/SecureEdit.h"

namespace Tarnwick {

using UiText::View;
using WindowsServiceProvider::CMessageBox;

LoginBase::LoginBase(QWidget* owner, std::filesystem::path* targetPath, LoginCredentials* targetCredentials)
    : m_owner(owner), m_targetPath(targetPath), m_targetCredentials(targetCredentials) {}

LoginBase::~LoginBase() = default;

std::u16string LoginBase::Unquote(std::u16string_view text) {
    if (text.starts_with(u'"')) {
        text.remove_prefix(1);
    }
    if (text.ends_with(u'"')) {
        text.remove_suffix(1);
    }
    return std::u16string(text);
}

bool LoginBase::ReadDatabasePath(const QComboBox& box) {
    const QString text = box.currentText();
    if (text.isEmpty()) {
        CMessageBox::ShowWarning(Owner(), u"Geben Sie die zu öffnende Datenbank ein.");
        return false;
    }
    *m_targetPath = std::filesystem::path(Text::ToUtf8(Unquote(View(text))));
    return true;
}

bool LoginBase::ReadUserName(const QLineEdit& edit) {
    const QString text = edit.text();
    if (text.isEmpty()) {
        CMessageBox::ShowWarning(Owner(), u"Geben Sie den Benutzernamen ein.");
        return false;
    }
    m_targetCredentials->userName.Assign(View(text));
    return true;
}

bool LoginBase::ReadPassword(const MFCServiceProvider::SecureEdit& edit) {
    if (edit.GetLength() == 0) {
        CMessageBox::ShowWarning(Owner(), u"Geben Sie das Passwort ein.");
        return false;
    }
    edit.GetSecureText(m_targetCredentials->password);
    return true;
}

bool LoginBase::Validate() {
    if (m_targetPath->empty()) {
        CMessageBox::ShowError(Owner(), u"Es wurde keine Datenbank angegeben. Anmeldung kann nicht forgesetzt werden.");
        return false;
    }
    if (m_targetCredentials->userName.IsEmpty()) {
        CMessageBox::ShowError(Owner(),
                               u"Es wurde keine Benutzername angegeben. Anmeldung kann nicht forgesetzt werden.");
        return false;
    }
    if (m_targetCredentials->password.IsEmpty()) {
        CMessageBox::ShowError(Owner(), u"Es wurde kein Passwort angegeben. Anmeldung kann nicht forgesetzt werden.");
        return false;
    }
    return true;
}

int LoginBase::ClassifyFailure() const {
    // The database object has shown its message; tell a missing or closed file apart.
    Platform::IFileSystem& files = Platform::FileSystem();
    std::uint64_t device = 0, inode = 0;
    const int error = files.Identity(*m_targetPath, device, inode);
    if (error != 0) {
        return kUnreachable;
    }
    std::unique_ptr<Platform::IFile> file;
    if (files.Open(*m_targetPath, Platform::OpenMode::ReadWrite, file) != 0) {
        return kUnreachable;
    }
    return kErrorReported;
}

int LoginBase::Authenticate() {
    if (m_failedAttempts >= m_maxAttempts) {
        return kTooManyAttempts;
    }
    if (!Validate()) {
        return kFailed;
    }
    WindowsServiceProvider::CDatabaseMessageUI ui(Owner());
    CDatabase database(ui, *m_targetPath);
    switch (database.Login(*m_targetCredentials)) {
    case RequestResult::Succeeded:
        return kAuthenticated;
    case RequestResult::Failed:
        return ClassifyFailure();
    case RequestResult::AuthenticationFailed:
        break;
    }

    // Second try with the user name lower-cased, code unit by code unit.
    LoginCredentials lowered;
    lowered.userName = m_targetCredentials->userName;
    Text::ToLowerInPlace(lowered.userName.MutableData(), lowered.userName.Length());
    if (lowered.userName == m_targetCredentials->userName) {
        // The same request again would be refused the same way.
        ++m_failedAttempts;
        return kFailed;
    }
    lowered.password = m_targetCredentials->password;
    switch (database.Login(lowered)) {
    case RequestResult::Succeeded:
        m_targetCredentials->userName = std::move(lowered.userName);
        return kAuthenticated;
    case RequestResult::Failed:
        // Reported by the database object already; a second message would only repeat it.
        return ClassifyFailure();
    case RequestResult::AuthenticationFailed:
        break;
    }
    ++m_failedAttempts;
    return kFailed;
}

} // namespace Tarnwick
