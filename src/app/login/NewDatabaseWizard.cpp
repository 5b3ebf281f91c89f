#include "app/login/NewDatabaseWizard.h"

#include <utility>

#include <QCheckBox>
#include <QCompleter>
#include <QFileSystemModel>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QVBoxLayout>

#include "app/ApplicationIcon.h"
#include "app/CommandBoundary.h"
#include "app/DatabaseMessageUI.h"
#include "app/ModalDialog.h"
#include "app/login/DatabaseFileDialog.h"
#include "core/Path.h"
#include "base/text/CaseFolding.h"
#include "base/text/Utf.h"
#include "database/CDatabase.h"
#include "generator/ui/QualityBar.h"
#include "log/LogProvider.h"
#include "base/exceptions/Exception.h"
#include "platform/UserSession.h"
#include "uiext/QtText.h"
#include "uilib/MessageBox.h"
#include "uilib/SecureEdit.h"

namespace Tarnwick {

using MFCServiceProvider::SecureEdit;
using UiText::Q;
using UiText::View;
using WindowsServiceProvider::CMessageBox;
using WindowsServiceProvider::MessageButtons;
using WindowsServiceProvider::MessageIcon;
using WindowsServiceProvider::MessageResult;

namespace {

constexpr std::u16string_view kExtension = u".twdb";
constexpr std::u16string_view kInitialFolder = u"Allgemein";

CNewDatabasePage::UserNameSource& UserNameSourceSlot() {
    static CNewDatabasePage::UserNameSource source;
    return source;
}

} // namespace

DBSaveBrowseButton::DBSaveBrowseButton() : BrowseButton(Mode::Save) {}

QString DBSaveBrowseButton::ChoosePath(const QString&) {
    Core::DatabaseFileDialog dialog(window());
    return dialog.ShowSave() ? dialog.GetFileName() : QString();
}

CNewDatabasePage::CNewDatabasePage(bool firstStart, QWidget* parent) : QWizardPage(parent), m_firstStart(firstStart) {
    setTitle(Q(u"Neue Passwortdatenbank erstellen"));
    setSubTitle(Q(u"Eingeben der Daten zum Erstellen einer neuen Passwortdatenbank."));

    m_path = new QLineEdit(this);
    m_path->setObjectName(QStringLiteral("path"));
    auto* files = new QFileSystemModel(this);
    files->setRootPath(QString());
    m_path->setCompleter(new QCompleter(files, m_path));
    m_browse = new DBSaveBrowseButton;
    m_browse->Create(*m_path, 151);
    m_userName = new QLineEdit(this);
    m_userName->setObjectName(QStringLiteral("userName"));
    m_password = new SecureEdit(this);
    m_password->setObjectName(QStringLiteral("password"));
    m_repetition = new SecureEdit(this);
    m_repetition->setObjectName(QStringLiteral("repetition"));
    m_qualityBar = new CryptoServiceProvider::PasswordMeter::QualityBar(this);
    m_qualityBar->setObjectName(QStringLiteral("qualityBar"));
    m_qualityBar->setFixedHeight(fontMetrics().height());
    m_password->AttachQualityBar(m_qualityBar);
    m_caseSensitive = new QCheckBox(Q(u"&Groß-/Kleinschreibung beim Benutzernamen berücksichtigen"), this);
    m_caseSensitive->setObjectName(QStringLiteral("caseSensitive"));
    m_hidePassword = new QCheckBox(Q(u"Passwort &verbergen"), this);
    m_hidePassword->setObjectName(QStringLiteral("hidePassword"));
    m_hidePassword->setChecked(true);
    connect(m_hidePassword, &QCheckBox::toggled, this, &CNewDatabasePage::OnHidePasswordToggled);

    auto* form = new QFormLayout;
    form->addRow(Q(u"&Datenbank:"), m_path);
    form->addRow(Q(u"&Benutzername:"), m_userName);
    form->addRow(Q(u"&Passwort:"), m_password);
    form->addRow(Q(u"&Wiederholung:"), m_repetition);
    form->addRow(QString(), m_qualityBar);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addSpacing(6);
    layout->addWidget(m_caseSensitive);
    layout->addWidget(m_hidePassword);
    layout->addStretch();
}

CNewDatabasePage::~CNewDatabasePage() = default;

CNewDatabasePage::UserNameSource CNewDatabasePage::SetUserNameSource(UserNameSource source) {
    return std::exchange(UserNameSourceSlot(), std::move(source));
}

bool CNewDatabasePage::PrepareFirstStart() {
    if (!m_firstStart) {
        return true;
    }
    try {
        std::string name;
        const UserNameSource source = UserNameSourceSlot();
        const Platform::SystemResult result = source ? source(name) : Platform::ReadLoginName(name);
        if (!result.Ok()) {
            throw Utilities::Exceptions::WindowsException(u"", result.error, u"GetUserName",
                                                          u"CNewDatabasePage::GetWindowsUsername");
        }
        const std::u16string userName = Text::FromUtf8(name);
        const std::filesystem::path path = Core::Path::GetLocalAppPath() / (name + ".twdb");
        m_userName->setText(Q(userName));
        m_path->setText(Q(Text::FromUtf8(path.string())));
        return true;
    } catch (...) {
        App::LogCurrentException();
    }
    CMessageBox::ShowError(
        this, u"Es ist ein Fehler beim Vorbereiten des Datenbank Assistenten für den ersten Programmstart aufgetreten.");
    return false;
}

void CNewDatabasePage::initializePage() {
    if (QWizard* sheet = wizard()) {
        sheet->setWindowTitle(Q(u"Passwortdatenbank Assistent"));
    }
    m_hidePassword->setChecked(true);
    OnHidePasswordToggled(true);
    // After the wizard has placed its own focus on showing the page.
    QWidget* target = m_firstStart ? static_cast<QWidget*>(m_password) : m_path;
    target->setFocus();
    QTimer::singleShot(0, target, [target] { target->setFocus(); });
}

void CNewDatabasePage::OnHidePasswordToggled(bool hide) {
    m_password->SetMasked(hide);
    m_repetition->SetMasked(hide);
}

bool CNewDatabasePage::validatePage() {
    bool created = false;
    App::RunCommand(this, u"Fehler beim Erstellen der Datenbank.", [&] { created = OnWizardFinish(); });
    return created;
}

bool CNewDatabasePage::OnWizardFinish() {
    std::u16string path(View(m_path->text()));
    if (path.empty()) {
        CMessageBox::ShowWarning(this, u"Geben Sie einen Datenbanknamen an.");
        m_path->setFocus();
        return false;
    }
    const QString userText = m_userName->text();
    if (userText.isEmpty()) {
        CMessageBox::ShowWarning(this, u"Geben Sie einen Benutzernamen ein.");
        m_userName->setFocus();
        return false;
    }
    if (m_password->GetLength() == 0) {
        CMessageBox::ShowWarning(this, u"Geben Sie ein Datenbankpasswort ein.");
        m_password->setFocus();
        return false;
    }
    if (m_repetition->GetLength() == 0) {
        CMessageBox::ShowWarning(this, u"Wiederholen Sie die Eingabe Ihres Passworts im Feld \"Wiederholung\".");
        m_repetition->setFocus();
        return false;
    }
    LoginCredentials credentials;
    m_password->GetSecureText(credentials.password);
    {
        StringServiceProvider::SecureString repetition;
        m_repetition->GetSecureText(repetition);
        if (!credentials.password.Equals(repetition)) {
            CMessageBox::ShowWarning(this, u"Das Passwort stimmt nicht mit der Widerholung überein.");
            m_repetition->setFocus();
            return false;
        }
    }
    if (!path.ends_with(kExtension)) {
        switch (CMessageBox::Show(this,
                                  u"Der Name der Datenbank besitzt nicht die Dateiendung für Tarnwick Datenbanken "
                                  u"(*.twdb). Möchten Sie diese Dateiendung nun hinzufügen?",
                                  MessageIcon::Question, MessageButtons::YesNoCancel)) {
        case MessageResult::Yes:
            path += kExtension;
            m_path->setText(Q(path));
            break;
        case MessageResult::No:
            break;
        default:
            return false;
        }
    }
    credentials.userName.Assign(View(userText));
    if (!m_caseSensitive->isChecked()) {
        Text::ToLowerInPlace(credentials.userName.MutableData(), credentials.userName.Length());
    }

    WindowsServiceProvider::CDatabaseMessageUI ui(this);
    CDatabase database(ui, std::filesystem::path(Text::ToUtf8(path)));
    if (!database.Create(credentials, CDatabase::kAes, kInitialFolder)) {
        return false;
    }
    CMessageBox::ShowInformation(this, u"Die Datenbank wurde erfolgreich erstellt.");
    m_createdPath = std::move(path);
    return true;
}

CNewDatabaseWizard::CNewDatabaseWizard(bool firstStart, QWidget* parent)
    : QWizard(parent), m_page(new CNewDatabasePage(firstStart)) {
    setWindowTitle(Q(u"Neue Passwortdatenbank erstellen"));
    setWizardStyle(QWizard::ModernStyle);
    setOption(QWizard::NoBackButtonOnStartPage, true);
    setPixmap(QWizard::LogoPixmap, App::ApplicationIcon().pixmap(48, 48));
    setWindowIcon(App::ApplicationIcon());
    addPage(m_page);
}

int CNewDatabaseWizard::DoModal() {
    if (!m_page->PrepareFirstStart()) {
        return kCancelled;
    }
    return App::RunModal(*this) == QDialog::Accepted ? kFinished : kCancelled;
}

} // namespace Tarnwick
