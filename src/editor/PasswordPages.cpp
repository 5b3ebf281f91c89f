// The page base and the pages with single fields: general, comment, validity and URL or program.
#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "editor/EditorText.h"
#include "editor/PasswordPages.h"
#include "editor/PasswordSheet.h"
#include "uilib/MessageBox.h"
#include "generator/ui/QualityBar.h"
#include "uilib/SecureEdit.h"

namespace Tarnwick {
namespace {

using Editor::Q;
using Editor::TooLong;
using Editor::U;
using PasswordADT::PasswordItem;
using StringServiceProvider::SecureString;
using WindowsServiceProvider::CMessageBox;

// Tab leaves the comment like any other field; Ctrl+Tab still types a tab character, as
// in other editors.
class CommentEdit : public QPlainTextEdit {
public:
    explicit CommentEdit(QWidget* parent) : QPlainTextEdit(parent) { setTabChangesFocus(true); }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Tab && event->modifiers() == Qt::ControlModifier && !isReadOnly()) {
            insertPlainText(QStringLiteral("\t"));
            event->accept();
            return;
        }
        QPlainTextEdit::keyPressEvent(event);
    }
};

} // namespace

CPasswordPageBase::CPasswordPageBase(PasswordItem& working, QWidget* parent) : QWidget(parent), m_entry(working) {}

bool CPasswordPageBase::Refuse(std::u16string_view text) {
    CMessageBox::ShowWarning(this, text);
    return false;
}

CPasswordGeneralPage::CPasswordGeneralPage(PasswordItem& working, QWidget* parent)
    : CPasswordPageBase(working, parent) {
    auto* form = new QFormLayout(this);
    m_folder = new QComboBox(this);
    form->addRow(QStringLiteral("&Ordner:"), m_folder);
    m_description = new QLineEdit(this);
    form->addRow(QStringLiteral("&Beschreibung:"), m_description);
    m_userName = new QLineEdit(this);
    form->addRow(QStringLiteral("Benutzer&name:"), m_userName);
    m_email = new QLineEdit(this);
    form->addRow(QStringLiteral("&E-Mail:"), m_email);
    m_password = new MFCServiceProvider::SecureEdit(this);
    auto* passwordRow = new QHBoxLayout;
    passwordRow->addWidget(m_password, 1);
    m_generator = new QPushButton(QStringLiteral("Passwort&generator"), this);
    passwordRow->addWidget(m_generator);
    auto* passwordLabel = new QLabel(QStringLiteral("&Passwort:"), this);
    passwordLabel->setBuddy(m_password);
    form->addRow(passwordLabel, passwordRow);
    m_quality = new CryptoServiceProvider::PasswordMeter::QualityBar(this);
    m_password->AttachQualityBar(m_quality);
    form->addRow(QStringLiteral("Passwortstärke:"), m_quality);
    m_hide = new QCheckBox(QStringLiteral("Passwort &verbergen"), this);
    m_hide->setChecked(true);
    form->addRow(QString(), m_hide);
    connect(m_hide, &QCheckBox::toggled, m_password, [this](bool on) { m_password->SetMasked(on); });
    connect(m_generator, &QPushButton::clicked, this, &CPasswordGeneralPage::OnGenerator);
}

void CPasswordGeneralPage::Fill() {
    m_description->setText(Q(m_entry.GetDescription().View()));
    m_userName->setText(Q(m_entry.GetUserName().View()));
    m_email->setText(Q(m_entry.GetEmail().View()));
    m_password->SetText(m_entry.GetPassword());
}

bool CPasswordGeneralPage::Validate() {
    if (TooLong(m_description->text(), PasswordItem::kMaxDescription)) {
        return Refuse(u"Die Beschreibung ist zu lang.");
    }
    if (TooLong(m_userName->text(), PasswordItem::kMaxUserName)) {
        return Refuse(u"Der Benutzername ist zu lang.");
    }
    if (TooLong(m_email->text(), PasswordItem::kMaxEmail)) {
        return Refuse(u"Die E-Mail Adresse ist zu lang.");
    }
    if (m_password->GetLength() > PasswordItem::kMaxPassword) {
        return Refuse(u"Das Passwort ist zu lang.");
    }
    return true;
}

void CPasswordGeneralPage::Apply(PasswordItem& target) {
    target.SetDescription(U(m_description->text()));
    target.SetUserName(U(m_userName->text()));
    target.SetEmail(U(m_email->text()));
}

void CPasswordGeneralPage::OnGenerator() {
    SecureString generated;
    if (!CPasswordSheet::RunGenerator(this, generated) || generated.IsEmpty()) {
        return;
    }
    if (m_password->GetLength() > 0 &&
        !CMessageBox::AskYesNo(this, u"Möchten Sie das akuelle Passwort durch das generierte Passwort ersetzen?")) {
        return;
    }
    m_password->SetText(generated);
}

CPasswordCommentPage::CPasswordCommentPage(PasswordItem& working, QWidget* parent)
    : CPasswordPageBase(working, parent) {
    auto* layout = new QVBoxLayout(this);
    m_comment = new CommentEdit(this);
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    m_comment->setFont(font);
    layout->addWidget(m_comment);
}

void CPasswordCommentPage::Fill() { m_comment->setPlainText(Q(m_entry.GetComment().View())); }

bool CPasswordCommentPage::Validate() {
    if (TooLong(m_comment->toPlainText(), PasswordItem::kMaxComment)) {
        return Refuse(u"Das Kommentar ist zu lang.");
    }
    return true;
}

void CPasswordCommentPage::Apply(PasswordItem& target) { target.SetComment(U(m_comment->toPlainText())); }

CPasswordValidityPage::CPasswordValidityPage(PasswordItem& working, QWidget* parent)
    : CPasswordPageBase(working, parent) {
    auto* form = new QFormLayout(this);
    m_mode = new QComboBox(this);
    m_mode->addItems({QStringLiteral("Unbegrenzt"), QStringLiteral("Anzahl der Tage"), QStringLiteral("Datum")});
    form->addRow(QStringLiteral("&Gültigkeit:"), m_mode);
    m_days = new QSpinBox(this);
    m_days->setRange(0, 366);
    m_days->setValue(14);
    form->addRow(QStringLiteral("&Tage:"), m_days);
    m_date = new QDateEdit(QDate::currentDate().addDays(14), this);
    m_date->setCalendarPopup(true);
    m_date->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    form->addRow(QStringLiteral("&Datum:"), m_date);
    m_explanation = new QLabel(this);
    m_explanation->setWordWrap(true);
    form->addRow(QString(), m_explanation);
    connect(m_mode, &QComboBox::currentIndexChanged, this, &CPasswordValidityPage::OnModeChanged);
    OnModeChanged(0);
}

void CPasswordValidityPage::OnModeChanged(int mode) {
    auto* form = static_cast<QFormLayout*>(layout());
    form->setRowVisible(m_days, mode == ModeDays);
    form->setRowVisible(m_date, mode == ModeDate);
    static constexpr std::u16string_view kTexts[] = {u"Das Passwort ist unbegrenzt gültig.",
                                                    u"Das Passwort ist die Anzahl der Tage gültig.",
                                                    u"Das Passwort läuft zum ang. Datum ab."};
    m_explanation->setText(Q(kTexts[std::clamp(mode, 0, 2)]));
}

void CPasswordValidityPage::Fill() {
    switch (static_cast<PasswordADT::ValidityMode>(m_entry.GetValidityMode())) {
    case PasswordADT::ValidityMode::Days:
        m_days->setValue(static_cast<int>(static_cast<std::uint32_t>(m_entry.GetExpiry()) & 0xFFFF));
        m_mode->setCurrentIndex(ModeDays);
        break;
    case PasswordADT::ValidityMode::UntilDate:
        m_date->setDate(QDateTime::fromSecsSinceEpoch(m_entry.GetExpiry()).date());
        m_mode->setCurrentIndex(ModeDate);
        break;
    default:
        m_mode->setCurrentIndex(ModeUnlimited);
        break;
    }
    OnModeChanged(m_mode->currentIndex());
}

bool CPasswordValidityPage::Validate() {
    if (m_mode->currentIndex() == ModeDate && !m_date->date().isValid()) {
        return Refuse(u"Das Ablaufdatum konnte nicht korrekt ausgelesen werden.");
    }
    return true;
}

void CPasswordValidityPage::Apply(PasswordItem& target) {
    switch (m_mode->currentIndex()) {
    case ModeDays:
        target.SetValidityMode(static_cast<std::uint32_t>(PasswordADT::ValidityMode::Days));
        target.SetExpiry(m_days->value());
        break;
    case ModeDate:
        // The password runs out when the chosen day begins (local time).
        target.SetValidityMode(static_cast<std::uint32_t>(PasswordADT::ValidityMode::UntilDate));
        target.SetExpiry(m_date->date().startOfDay().toSecsSinceEpoch());
        break;
    default:
        target.SetValidityMode(static_cast<std::uint32_t>(PasswordADT::ValidityMode::Unlimited));
        target.SetExpiry(0);
        break;
    }
}

CPasswordInternetPage::CPasswordInternetPage(PasswordItem& working, QWidget* parent)
    : CPasswordPageBase(working, parent) {
    auto* layout = new QVBoxLayout(this);
    auto* urlLabel = new QLabel(QStringLiteral("&Url oder Programm:"), this);
    layout->addWidget(urlLabel);
    auto* row = new QHBoxLayout;
    m_url = new QLineEdit(this);
    urlLabel->setBuddy(m_url);
    row->addWidget(m_url, 1);
    m_browse = new QPushButton(QStringLiteral("&Durchsuchen"), this);
    row->addWidget(m_browse);
    layout->addLayout(row);
    layout->addStretch();
    connect(m_browse, &QPushButton::clicked, this, &CPasswordInternetPage::OnBrowse);
}

void CPasswordInternetPage::Fill() { m_url->setText(Q(m_entry.GetUrl().View())); }

bool CPasswordInternetPage::Validate() {
    if (TooLong(m_url->text(), PasswordItem::kMaxUrl)) {
        return Refuse(u"Der Programmpfad oder die Url sind zu lang.");
    }
    return true;
}

void CPasswordInternetPage::Apply(PasswordItem& target) { target.SetUrl(U(m_url->text())); }

void CPasswordInternetPage::OnBrowse() {
    const QString path = CPasswordSheet::ChooseFile(
        this, QStringLiteral("Programm öffnen"),
        QStringLiteral("Ausführbare Programme (*.exe *.com *.bat);;Alle Dateien (*)"));
    if (!path.isEmpty()) {
        m_url->setText(path);
    }
}

} // namespace Tarnwick
