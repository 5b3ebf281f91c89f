#include "editor/PasswordSheet.h"

#include <algorithm>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimeZone>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "autocompletion/AutoCompletionIndex.h"
#include "autocompletion/SequenceParser.h"
#include "autocompletion/WindowMatching.h"
#include "core/text/Format.h"
#include "database/CDatabase.h"
#include "editor/Symbols.h"
#include "generator/ui/PasswordGeneratorDlg.h"
#include "log/exceptions/Exception.h"
#include "model/Clock.h"
#include "platform/x11/WindowList.h"
#include "uilib/MessageBox.h"
#include "uilib/QualityBar.h"
#include "uilib/SecureEdit.h"

namespace Tarnwick {
namespace {

using PasswordADT::PasswordItem;
using StringServiceProvider::SecureString;
using WindowsServiceProvider::CMessageBox;

QString Q(std::u16string_view text) { return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())); }
std::u16string U(const QString& text) { return text.toStdU16String(); }

// Fields longer than their limit are refused with the message.
bool TooLong(const QString& text, std::size_t limit) { return static_cast<std::size_t>(text.size()) > limit; }

constexpr std::u16string_view kDeleteQuestion = u"Sind Sie sicher, dass Sie %s löschen möchten";

QString HistoryDate(std::int64_t time) {
    const QLocale german(QLocale::German, QLocale::Germany);
    return german.toString(QDateTime::fromSecsSinceEpoch(time), QStringLiteral("dd. MMMM yyyy HH:mm:ss"));
}

Platform::IWindowList* g_windowList = nullptr;
CPasswordSheet::FileChooser g_fileChooser;
CPasswordSheet::GeneratorRunner g_generatorRunner;
CPasswordSheet::FolderOpener g_folderOpener;

// The X11 list, only while Qt itself talks to an X server.
Platform::IWindowList* DefaultWindowList() {
    static std::unique_ptr<Platform::IWindowList> x11;
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        return nullptr;
    }
    if (!x11) {
        x11 = Platform::CreateX11WindowList();
    }
    return x11.get();
}

} // namespace

// ---- pages ---------------------------------------------------------------------------------

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
    m_comment = new QPlainTextEdit(this);
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

CPasswordUDFPage::CPasswordUDFPage(PasswordItem& working, QWidget* parent) : CPasswordPageBase(working, parent) {
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_name = new QLineEdit(this);
    form->addRow(QStringLiteral("&Name:"), m_name);
    m_value = new QLineEdit(this);
    form->addRow(QStringLiteral("&Wert:"), m_value);
    layout->addLayout(form);
    auto* buttons = new QHBoxLayout;
    m_add = new QPushButton(QStringLiteral("&Hinzufügen"), this);
    m_edit = new QPushButton(QStringLiteral("&Bearbeiten"), this);
    m_delete = new QPushButton(QStringLiteral("&Löschen"), this);
    buttons->addStretch();
    buttons->addWidget(m_add);
    buttons->addWidget(m_edit);
    buttons->addWidget(m_delete);
    layout->addLayout(buttons);
    m_list = new QTreeWidget(this);
    m_list->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Wert")});
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    layout->addWidget(m_list, 1);
    connect(m_add, &QPushButton::clicked, this, [this] { OnAdd(); });
    connect(m_edit, &QPushButton::clicked, this, [this] { OnEdit(); });
    connect(m_delete, &QPushButton::clicked, this, [this] { OnDelete(); });
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &CPasswordUDFPage::OnSelectionChanged);
}

void CPasswordUDFPage::Fill() {
    m_list->clear();
    for (const auto& [name, value] : m_entry.GetUserDefinedFields()) {
        new QTreeWidgetItem(m_list, {Q(name.View()), Q(value.View())});
    }
}

bool CPasswordUDFPage::OnAdd() {
    const QString name = m_name->text();
    const QString value = m_value->text();
    auto& fields = m_entry.GetUserDefinedFields();
    if (name.isEmpty()) {
        return Refuse(u"Geben Sie einen Namen ein.");
    }
    if (value.isEmpty()) {
        return Refuse(u"Geben Sie einen Wert ein.");
    }
    if (TooLong(name, PasswordADT::UserDefinedFields::kMaximumLength)) {
        return Refuse(u"Der Name des Feldes ist zu lang.");
    }
    if (TooLong(value, PasswordADT::UserDefinedFields::kMaximumLength)) {
        return Refuse(u"Der Wert des ist zu lang.");
    }
    if (fields.Count() >= PasswordADT::UserDefinedFields::kMaximumCount) {
        return Refuse(u"Es wird bereits die maximale Anzahl an benutzerdefinierten Feldern verwendet.");
    }
    if (fields.Contains(U(name))) {
        return Refuse(u"Es existiert bereits ein Eintrag mit diesem Namen.");
    }
    try {
        if (!fields.Add(U(name), U(value))) {
            return Refuse(u"Es ist ein Fehler beim Hinzufügen des neuen Eintrags aufgetreten.");
        }
    } catch (const Utilities::Exceptions::Exception&) {
        return Refuse(u"Es ist ein Fehler beim Hinzufügen des neuen Eintrags aufgetreten.");
    }
    m_name->clear();
    m_value->clear();
    Fill();
    return true;
}

bool CPasswordUDFPage::OnEdit() {
    const QString name = m_name->text();
    const QString value = m_value->text();
    if (name.isEmpty() || TooLong(name, PasswordADT::UserDefinedFields::kMaximumLength)) {
        return Refuse(u"Das Feld Name hat einen ungültigen Wert.");
    }
    if (value.isEmpty()) {
        return Refuse(u"Geben Sie einen Wert ein.");
    }
    if (TooLong(value, PasswordADT::UserDefinedFields::kMaximumLength)) {
        return Refuse(u"Der Wert des ist zu lang.");
    }
    auto& fields = m_entry.GetUserDefinedFields();
    if (!fields.Contains(U(name))) {
        return Refuse(Text::Format(u"Es existiert kein Eintrag mit dem Namen \"%s\".", U(name)).View());
    }
    try {
        // Rebuilt in place so that the field keeps its position.
        PasswordADT::UserDefinedFields changed;
        for (const auto& [fieldName, fieldValue] : fields) {
            changed.Add(fieldName.View(), fieldName.View() == U(name) ? std::u16string_view(U(value))
                                                                       : fieldValue.View());
        }
        fields = changed;
    } catch (const Utilities::Exceptions::Exception&) {
        return Refuse(u"Es ist ein Fehler beim Ändern des Wertes aufgetreten.");
    }
    Fill();
    return true;
}

bool CPasswordUDFPage::OnDelete() {
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    if (selected.isEmpty()) {
        return false;
    }
    const std::u16string_view which = selected.size() == 1 ? u"den Eintrag" : u"die Einträge";
    if (!CMessageBox::AskYesNo(this, Text::Format(kDeleteQuestion, which).View())) {
        return false;
    }
    QStringList names;
    for (QTreeWidgetItem* item : selected) {
        names << item->text(0);
    }
    bool all = true;
    for (const QString& name : names) {
        if (!m_entry.GetUserDefinedFields().Remove(U(name))) {
            all = Refuse(Text::Format(u"Der Eintrag mit dem Namen \"%s\" konnte nicht gefunden werden.", U(name)).View());
        }
    }
    Fill();
    return all;
}

void CPasswordUDFPage::OnSelectionChanged() {
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    if (selected.size() != 1) {
        return;
    }
    m_name->setText(selected.front()->text(0));
    m_value->setText(selected.front()->text(1));
}

CPasswordHistoryPage::CPasswordHistoryPage(PasswordItem& working, bool newEntry, QWidget* parent)
    : CPasswordPageBase(working, parent), m_newEntry(newEntry) {
    auto* layout = new QVBoxLayout(this);
    m_keepHistory = new QCheckBox(QStringLiteral("Passwort&historie führen (empfohlen)"), this);
    m_forbidRepetition = new QCheckBox(QStringLiteral("Passwort&wiederholungen verbieten (empfohlen)"), this);
    layout->addWidget(m_keepHistory);
    layout->addWidget(m_forbidRepetition);
    auto* form = new QFormLayout;
    // Wider than allowed, so that the range message can speak.
    m_distinct = new QSpinBox(this);
    m_distinct->setRange(0, 99999);
    m_distinct->setToolTip(QStringLiteral("0 prüft alle Passwörter"));
    form->addRow(QStringLiteral("Anzahl &unterschiedlicher Passwörter:"), m_distinct);
    m_historySize = new QSpinBox(this);
    m_historySize->setRange(0, 99999);
    m_historySize->setToolTip(QStringLiteral("0 ist unbegrenzt"));
    form->addRow(QStringLiteral("Anzahl der &Einträge:"), m_historySize);
    layout->addLayout(form);
    m_list = new QTreeWidget(this);
    m_list->setHeaderLabels({QStringLiteral("Datum"), QStringLiteral("Passwort")});
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    layout->addWidget(m_list, 1);
    m_delete = new QPushButton(QStringLiteral("&Löschen"), this);
    layout->addWidget(m_delete, 0, Qt::AlignRight);
    connect(m_keepHistory, &QCheckBox::toggled, this, &CPasswordHistoryPage::OnKeepHistoryToggled);
    connect(m_forbidRepetition, &QCheckBox::toggled, this, &CPasswordHistoryPage::UpdateEnabling);
    connect(m_delete, &QPushButton::clicked, this, [this] { OnDelete(); });
}

void CPasswordHistoryPage::Fill() {
    const QSignalBlocker block(m_keepHistory);
    m_keepHistory->setChecked(m_newEntry || m_entry.GetKeepHistory());
    m_forbidRepetition->setChecked(m_newEntry || m_entry.GetForbidRepetition());
    m_distinct->setValue(m_entry.GetDistinctPasswordCount());
    m_historySize->setValue(m_entry.GetHistorySize());
    FillList();
    UpdateEnabling();
}

void CPasswordHistoryPage::FillList() {
    m_list->clear();
    const auto& history = m_entry.GetPasswordHistory();
    for (std::size_t i = 0; i < history.Count(); ++i) {
        const auto& element = history.At(i);
        const auto plain = element.password.Reveal();
        auto* item = new QTreeWidgetItem(m_list, {HistoryDate(element.time), Q(plain.View())});
        item->setData(0, Qt::UserRole, QVariant::fromValue<qint64>(element.time));
    }
}

void CPasswordHistoryPage::UpdateEnabling() {
    const bool keep = m_keepHistory->isChecked();
    m_forbidRepetition->setEnabled(keep);
    m_historySize->setEnabled(keep);
    m_list->setEnabled(keep);
    m_delete->setEnabled(keep);
    m_distinct->setEnabled(keep && m_forbidRepetition->isChecked());
}

void CPasswordHistoryPage::OnKeepHistoryToggled(bool checked) {
    if (!checked && m_entry.GetPasswordHistory().Count() > 0) {
        if (CMessageBox::AskYesNo(this, u"Sollen die Einträge in der Passworthistorie gelöscht werden?")) {
            m_entry.GetPasswordHistory().Clear();
            FillList();
        } else {
            const QSignalBlocker block(m_keepHistory);
            m_keepHistory->setChecked(true);
        }
    }
    UpdateEnabling();
}

bool CPasswordHistoryPage::OnDelete() {
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    if (selected.isEmpty()) {
        return false;
    }
    const std::u16string_view which = selected.size() == 1 ? u"den Eintrag" : u"die Einträge";
    if (!CMessageBox::AskYesNo(this, Text::Format(kDeleteQuestion, which).View())) {
        return false;
    }
    std::vector<std::int64_t> times;
    for (QTreeWidgetItem* item : selected) {
        times.push_back(item->data(0, Qt::UserRole).toLongLong());
    }
    bool all = true;
    for (std::int64_t time : times) {
        if (!m_entry.GetPasswordHistory().RemoveByTime(time)) {
            all = Refuse(Text::Format(u"Der Eintrag mit dem Datum \"%s\" konnte nicht gefunden werden.",
                                      U(HistoryDate(time)))
                             .View());
        }
    }
    FillList();
    return all;
}

bool CPasswordHistoryPage::Validate() {
    if (m_distinct->value() < 0 || m_distinct->value() > 32767) {
        return Refuse(u"Geben Sie einen gültigen Wert für Passwortwiederholungen ein (0 - 32767).");
    }
    if (m_historySize->value() < 0 || m_historySize->value() > 32767) {
        return Refuse(
            u"Geben Sie einen gültigen Wert für Anzahl der Einträge in der Passworthistorie an (0 - 32767).");
    }
    return true;
}

void CPasswordHistoryPage::Apply(PasswordItem& target) {
    target.SetKeepHistory(m_keepHistory->isChecked());
    target.SetForbidRepetition(m_forbidRepetition->isChecked());
    target.SetDistinctPasswordCount(static_cast<std::int16_t>(m_distinct->value()));
    target.SetHistorySize(static_cast<std::int16_t>(m_historySize->value()));
}

CPasswordAutoCompletionPage::CPasswordAutoCompletionPage(PasswordItem& working, QWidget* parent)
    : CPasswordPageBase(working, parent) {
    auto* layout = new QVBoxLayout(this);
    auto* windowsLabel = new QLabel(QStringLiteral("&Zielfenster:"), this);
    layout->addWidget(windowsLabel);
    auto* row = new QHBoxLayout;
    m_windows = new QComboBox(this);
    windowsLabel->setBuddy(m_windows);
    m_windows->setEditable(true);
    m_windows->setInsertPolicy(QComboBox::NoInsert);
    row->addWidget(m_windows, 1);
    m_refresh = new QPushButton(QStringLiteral("&Aktualisieren"), this);
    row->addWidget(m_refresh);
    layout->addLayout(row);
    auto* actions = new QHBoxLayout;
    m_take = new QPushButton(QStringLiteral("&Übernehmen"), this);
    m_reset = new QPushButton(QStringLiteral("Z&urücksetzen"), this);
    actions->addStretch();
    actions->addWidget(m_take);
    actions->addWidget(m_reset);
    layout->addLayout(actions);
    auto* form = new QFormLayout;
    m_type = new QComboBox(this);
    m_type->addItems({QStringLiteral("Automatisch (empfohlen)"), QStringLiteral("Typ 1"), QStringLiteral("Typ 2")});
    form->addRow(QStringLiteral("&Typ:"), m_type);
    m_browsers = new QCheckBox(QStringLiteral("Unterstützte &Browser verwenden"), this);
    form->addRow(QString(), m_browsers);
    m_sequenceType = new QComboBox(this);
    m_sequenceType->addItems({QStringLiteral("Benutzername und Passwort"), QStringLiteral("E-Mail und Passwort"),
                              QStringLiteral("benutzerdefinierte Sequenz")});
    form->addRow(QStringLiteral("Auto-Vervollständigungs&sequenz:"), m_sequenceType);
    auto* sequenceRow = new QHBoxLayout;
    m_sequence = new QLineEdit(this);
    m_sequence->setMinimumWidth(260);
    sequenceRow->addWidget(m_sequence, 1);
    m_tab = new QPushButton(QStringLiteral("TAB"), this);
    sequenceRow->addWidget(m_tab);
    form->addRow(QString(), sequenceRow);
    layout->addLayout(form);
    m_target = new QLabel(this);
    m_target->setWordWrap(true);
    layout->addWidget(m_target);
    layout->addStretch();
    connect(m_refresh, &QPushButton::clicked, this, [this] { RefreshWindows(); });
    connect(m_take, &QPushButton::clicked, this, [this] { TakeWindow(); });
    connect(m_reset, &QPushButton::clicked, this, &CPasswordAutoCompletionPage::Reset);
    connect(m_sequenceType, &QComboBox::currentIndexChanged, this,
            &CPasswordAutoCompletionPage::OnSequenceTypeChanged);
    connect(m_tab, &QPushButton::clicked, this, &CPasswordAutoCompletionPage::InsertTab);
}

bool CPasswordAutoCompletionPage::RefreshWindows() {
    const QString typed = m_windows->currentText();
    m_windows->clear();
    Platform::IWindowList* list = CPasswordSheet::GetWindowList();
    if (list != nullptr) {
        try {
            for (const auto& title : list->TopLevelWindowTitles()) {
                m_windows->addItem(Q(title));
            }
        } catch (const Utilities::Exceptions::Exception&) {
            m_windows->setEditText(typed);
            return Refuse(u"Es ist ein anwendungsspezifischer bei der Initialisierung der Anwendungsliste aufgetreten.");
        } catch (...) {
            m_windows->setEditText(typed);
            return Refuse(u"Fehler beim Initialisieren den Anwendungsliste.");
        }
    }
    m_windows->setCurrentIndex(-1);
    m_windows->setEditText(typed);
    return true;
}

bool CPasswordAutoCompletionPage::TakeWindow() {
    QString title = m_windows->currentText().trimmed();
    if (title.isEmpty()) {
        return Refuse(u"Wählen Sie ein Anwendungsfenster aus der Liste aus.");
    }
    int kind = 0;
    if (m_browsers->isChecked() && AutoCompletion::IsBrowserWindow(U(title), &kind)) {
        // The page title stays, the browser's name becomes the placeholder.
        const qsizetype dash = title.lastIndexOf(QStringLiteral(" - "));
        title = title.left(dash) + QStringLiteral(" - ") + Q(AutoCompletion::kUserAgentPlaceholder);
    }
    m_targetText = title;
    m_target->setText(QStringLiteral("Aktuelles Zielfenster: ") + m_targetText);
    return true;
}

void CPasswordAutoCompletionPage::Reset() {
    m_targetText.clear();
    m_target->setText(QStringLiteral("Aktuelles Zielfenster: -"));
    m_windows->setEditText(QString());
    m_sequenceType->setCurrentIndex(AutoCompletion::SequenceTypeUserName);
    OnSequenceTypeChanged(AutoCompletion::SequenceTypeUserName);
}

void CPasswordAutoCompletionPage::OnSequenceTypeChanged(int type) {
    const bool custom = type == AutoCompletion::SequenceTypeUserDefined;
    m_sequence->setReadOnly(!custom);
    m_tab->setEnabled(custom);
    if (!custom) {
        m_sequence->setText(Q(AutoCompletion::BuildDefaultSequence(type)));
    }
}

void CPasswordAutoCompletionPage::InsertTab() { m_sequence->insert(QStringLiteral("{TAB}")); }

void CPasswordAutoCompletionPage::Fill() {
    RefreshWindows();
    m_targetText = Q(m_entry.GetTargetWindow().View());
    m_target->setText(QStringLiteral("Aktuelles Zielfenster: ") + (m_targetText.isEmpty() ? QStringLiteral("-") : m_targetText));
    m_windows->setEditText(m_targetText);
    m_browsers->setChecked(m_targetText.contains(Q(AutoCompletion::kUserAgentPlaceholder)));
    m_type->setCurrentIndex(std::clamp(m_entry.GetPasteMethod(), 0, 2));
    const std::u16string_view sequence = m_entry.GetSequence().View();
    const int type = sequence.empty() ? AutoCompletion::SequenceTypeUserName : AutoCompletion::GetSequenceType(sequence);
    {
        const QSignalBlocker block(m_sequenceType);
        m_sequenceType->setCurrentIndex(type);
    }
    OnSequenceTypeChanged(type);
    if (type == AutoCompletion::SequenceTypeUserDefined) {
        m_sequence->setText(Q(sequence));
    }
}

bool CPasswordAutoCompletionPage::Validate() {
    if (TooLong(m_targetText, PasswordItem::kMaxTargetWindow)) {
        return Refuse(u"Der Name des Zielfenster ist zu lang.");
    }
    const QString sequence = m_sequence->text();
    if (TooLong(sequence, PasswordItem::kMaxSequence)) {
        return Refuse(u"Die Auto-Vervollständigungssequenz ist zu lang.");
    }
    const std::u16string text = U(sequence);
    if (!text.empty() && !AutoCompletion::SequenceParser(text).Parse(true)) {
        return Refuse(u"Die Auto-Vervollständigungs Sequenz ist ungültig.");
    }
    return true;
}

void CPasswordAutoCompletionPage::Apply(PasswordItem& target) {
    target.SetTargetWindow(U(m_targetText));
    target.SetSequence(U(m_sequence->text()));
    target.SetPasteMethod(m_type->currentIndex());
}

CPasswordSymbolPage::CPasswordSymbolPage(PasswordItem& working, std::function<QString()> urlSource, QWidget* parent)
    : CPasswordPageBase(working, parent), m_urlSource(std::move(urlSource)) {
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    m_preview = new QLabel(this);
    m_preview->setFixedSize(48, 48);
    m_preview->setFrameShape(QFrame::StyledPanel);
    m_preview->setAlignment(Qt::AlignCenter);
    row->addWidget(m_preview);
    m_path = new QLabel(this);
    m_path->setWordWrap(true);
    row->addWidget(m_path, 1);
    layout->addLayout(row);
    m_change = new QPushButton(QStringLiteral("&Symbol ändern"), this);
    m_menu = new QMenu(m_change);
    m_menu->addAction(QStringLiteral("Aus der &Symbolbibliothek..."), this, [this] { ChooseFromLibrary(); });
    m_menu->addAction(QStringLiteral("Aus einer &Datei..."), this, [this] { ChooseFromFile(); });
    m_menu->addAction(QStringLiteral("Von der &Internetadresse"), this, [this] { ChooseFromWeb(); });
    m_change->setMenu(m_menu);
    m_manage = new QPushButton(QStringLiteral("&Heruntergeladene Symbole verwalten"), this);
    m_remove = new QPushButton(QStringLiteral("Symbol &entfernen"), this);
    for (QPushButton* button : {m_change, m_manage, m_remove}) {
        layout->addWidget(button, 0, Qt::AlignLeft);
    }
    layout->addStretch();
    connect(m_manage, &QPushButton::clicked, this, &CPasswordSymbolPage::ManageDownloaded);
    connect(m_remove, &QPushButton::clicked, this, &CPasswordSymbolPage::Remove);
}

void CPasswordSymbolPage::Fill() {
    m_symbol = Q(m_entry.GetSymbol().View());
    ShowSymbol();
}

void CPasswordSymbolPage::ShowSymbol() {
    const QIcon icon = Editor::LoadSymbol(U(m_symbol));
    m_preview->setPixmap(icon.isNull() ? QPixmap() : icon.pixmap(32, 32));
    m_path->setText(m_symbol.isEmpty() ? QStringLiteral("(kein Symbol)") : m_symbol);
}

bool CPasswordSymbolPage::ChooseFromLibrary(int index) {
    if (index < 0) {
        QDialog picker(this);
        picker.setWindowTitle(QStringLiteral("Symbol auswählen"));
        auto* layout = new QVBoxLayout(&picker);
        auto* list = new QListWidget(&picker);
        list->setViewMode(QListView::IconMode);
        list->setIconSize(QSize(32, 32));
        for (int i = 0; i < Editor::LibraryIconCount(); ++i) {
            list->addItem(new QListWidgetItem(Editor::LibraryIcon(i), QString::number(i)));
        }
        layout->addWidget(list);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &picker);
        layout->addWidget(buttons);
        connect(buttons, &QDialogButtonBox::accepted, &picker, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, &picker, &QDialog::reject);
        connect(list, &QListWidget::itemDoubleClicked, &picker, &QDialog::accept);
        if (picker.exec() != QDialog::Accepted || list->currentRow() < 0) {
            return false;
        }
        index = list->currentRow();
    }
    if (index >= Editor::LibraryIconCount()) {
        return Refuse(u"Das Symbol konnte nich geladen werden.");
    }
    m_symbol = Q(Editor::LibraryReference(index));
    ShowSymbol();
    return true;
}

bool CPasswordSymbolPage::ChooseFromFile(const QString& chosen) {
    QString path = chosen;
    if (path.isEmpty()) {
        path = CPasswordSheet::ChooseFile(this, QStringLiteral("Symbol aus Datei laden..."),
                                          QStringLiteral("Symboldateien (*.ico);;Alle Dateien (*)"));
        if (path.isEmpty()) {
            return false;
        }
    }
    if (TooLong(path, PasswordItem::kMaxSymbol)) {
        return Refuse(u"Der Dateiname für das Symbol ist zu lang.");
    }
    if (Editor::LoadSymbol(U(path)).isNull()) {
        return Refuse(u"Das Symbol konnte nich geladen werden.");
    }
    m_symbol = path;
    ShowSymbol();
    return true;
}

bool CPasswordSymbolPage::ChooseFromWeb() {
    const QString url = m_urlSource ? m_urlSource().trimmed() : QString();
    const QUrl parsed(url);
    const QString scheme = parsed.scheme().toLower();
    if (url.isEmpty() || parsed.host().isEmpty() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        WindowsServiceProvider::TaskDialogOptions options;
        options.title = u"Symbol kann nicht von URL geladen werden";
        options.content = u"Um ein Symbol von einer URL laden zu können, muss im Register \"Url/Programm\" eine "
                          u"gültige Internetadresse eingetragen sein.";
        options.icon = WindowsServiceProvider::TaskDialogIcon::Warning;
        options.cancelButton = true;
        options.defaultCommand = -1;
        CMessageBox::ShowTaskDialog(this, options);
        return false;
    }
    std::filesystem::path file;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        file = Editor::DownloadSiteIcon(U(url));
    } catch (const Utilities::Exceptions::Exception&) {
        QApplication::restoreOverrideCursor();
        return Refuse(u"Das Symbol konnte nicht von der Internetseite heruntergeladen werden.");
    }
    QApplication::restoreOverrideCursor();
    return ChooseFromFile(QString::fromStdString(file.string()));
}

void CPasswordSymbolPage::ManageDownloaded() {
    CPasswordSheet::OpenFolder(QString::fromStdString(Editor::DownloadedSymbolFolder().string()));
}

void CPasswordSymbolPage::Remove() {
    m_symbol.clear();
    ShowSymbol();
}

bool CPasswordSymbolPage::Validate() {
    if (TooLong(m_symbol, PasswordItem::kMaxSymbol)) {
        return Refuse(u"Der Dateiname für das Symbol ist zu lang.");
    }
    return true;
}

void CPasswordSymbolPage::Apply(PasswordItem& target) { target.SetSymbol(U(m_symbol)); }

// ---- sheet -----------------------------------------------------------------------------------

CPasswordSheet::CPasswordSheet(PasswordADT::PasswordData& data, std::size_t folder, std::optional<std::size_t> entry,
                               CDatabase& database, LoginCredentials& credentials,
                               AutoCompletion::AutoCompletionIndex& index, QWidget* parent)
    : QDialog(parent), m_data(data), m_folder(folder), m_entryPosition(entry), m_database(database),
      m_credentials(credentials), m_index(index), m_editing(entry.has_value()) {
    if (m_editing && folder < data.FolderCount() && data.Folders()[folder] &&
        *entry < data.Folders()[folder]->Entries().size()) {
        m_original = data.Folders()[folder]->Entries()[*entry];
        if (m_original) {
            m_working = *m_original;
        }
    }
    if (m_editing) {
        const std::u16string_view description = m_working.GetDescription().View();
        setWindowTitle(Q(Text::Format(u"%s - Passwort bearbeiten",
                                      description.empty() ? std::u16string_view(u"Unbenannt") : description)
                             .View()));
    } else {
        setWindowTitle(QStringLiteral("Neues Passwort erstellen"));
    }
    resize(680, 500);
    auto* layout = new QVBoxLayout(this);
    m_tabs = new QTabWidget(this);
    layout->addWidget(m_tabs);
    m_general = new CPasswordGeneralPage(m_working, m_tabs);
    m_commentPage = new CPasswordCommentPage(m_working, m_tabs);
    m_validity = new CPasswordValidityPage(m_working, m_tabs);
    m_internet = new CPasswordInternetPage(m_working, m_tabs);
    m_udf = new CPasswordUDFPage(m_working, m_tabs);
    m_history = new CPasswordHistoryPage(m_working, !m_editing, m_tabs);
    m_autoCompletion = new CPasswordAutoCompletionPage(m_working, m_tabs);
    m_symbol = new CPasswordSymbolPage(m_working, [this] { return m_internet->m_url->text(); }, m_tabs);
    const std::pair<CPasswordPageBase*, const char*> pages[] = {
        {m_general, "Allgemein"},
        {m_commentPage, "Kommentar"},
        {m_validity, "Gültigkeit"},
        {m_internet, "Url/Programm"},
        {m_udf, "Benutzerdefinierte Felder"},
        {m_history, "Passworthistorie"},
        {m_autoCompletion, "Auto-Vervollständigung"},
        {m_symbol, "Symbol"},
    };
    for (const auto& [page, title] : pages) {
        m_tabs->addTab(page, QString::fromUtf8(title));
        m_pages.push_back(page);
    }
    // OK and Cancel only: the pages write on OK, there is nothing to apply in between.
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { OnOk(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

CPasswordSheet::~CPasswordSheet() = default;

bool CPasswordSheet::Initialise() {
    if (m_initialised) {
        return true;
    }
    if (m_editing && !m_original) {
        CMessageBox::ShowError(this, u"Das Passwort kann nicht bearbeitet werden. Null Pointer");
        return false;
    }
    m_initialised = true;
    m_general->m_folder->clear();
    for (const auto& folder : m_data.Folders()) {
        m_general->m_folder->addItem(folder ? Q(folder->GetName().View()) : QString());
    }
    m_general->m_folder->setCurrentIndex(m_folder < m_data.FolderCount() ? static_cast<int>(m_folder) : -1);
    for (CPasswordPageBase* page : m_pages) {
        page->Fill();
    }
    m_tabs->setCurrentIndex(0);
    return true;
}

int CPasswordSheet::exec() {
    if (!Initialise()) {
        return QDialog::Rejected;
    }
    return QDialog::exec();
}

void CPasswordSheet::ShowPage(QWidget* page) { m_tabs->setCurrentWidget(page); }

bool CPasswordSheet::OnOk() {
    Initialise();
    // 1. The folder.
    const int folderIndex = m_general->m_folder->currentIndex();
    if (folderIndex < 0) {
        ShowPage(m_general);
        CMessageBox::ShowWarning(this, u"Der gewählte Ordner ist ungültig.");
        return false;
    }
    const auto targetFolder = static_cast<std::size_t>(folderIndex);
    if (targetFolder >= m_data.FolderCount() || !m_data.Folders()[targetFolder]) {
        ShowPage(m_general);
        CMessageBox::ShowWarning(this, u"Der gewählte Ordner für die Passwortinformation ist ungültig.");
        return false;
    }
    // 2. Every page.
    for (CPasswordPageBase* page : m_pages) {
        if (!page->Validate()) {
            ShowPage(page);
            return false;
        }
    }
    // 3. Something to recognise the entry by.
    SecureString password;
    m_general->m_password->GetSecureText(password);
    if (m_general->m_description->text().isEmpty() && m_general->m_userName->text().isEmpty() && password.IsEmpty()) {
        ShowPage(m_general);
        CMessageBox::ShowWarning(
            this, u"Es muss mindestens eine Beschreibung, ein Benutzername oder ein Passwort eingegeben werden.");
        return false;
    }
    // 4. A fresh candidate for every attempt: a refused attempt leaves no trace.
    PasswordItem candidate(m_working);
    for (CPasswordPageBase* page : m_pages) {
        page->Apply(candidate);
    }
    const std::int64_t now = PasswordADT::CurrentTime();
    if (!candidate.GetPassword().Equals(password)) {
        if (!candidate.ChangePassword(password, now)) {
            ShowPage(m_general);
            CMessageBox::ShowWarning(this, u"Das Passwort ist bereits in der Passworthistorie. Wählen Sie ein neues Passwort.");
            return false;
        }
    }
    if (m_editing) {
        candidate.SetModificationTime(now);
    }
    // 5./6. Store; data changes only with the file.
    if (!Store(candidate, targetFolder)) {
        return false;
    }
    // 7. The auto-completion index.
    try {
        if (m_editing) {
            m_index.Update(m_item);
        } else {
            m_index.Add(m_item);
        }
    } catch (...) {
        CMessageBox::ShowError(this,
                               u"Es ist ein Fehler beim Aktualisieren der Auto-Vervollständigungsinformationen aufgetreten.");
    }
    accept();
    return true;
}

bool CPasswordSheet::Store(PasswordItem& candidate, std::size_t targetFolder) {
    auto& folders = m_data.Folders();
    if (m_editing) {
        // The entry must still be where the sheet found it (or anywhere in data).
        std::size_t sourceFolder = folders.size();
        std::size_t position = 0;
        for (std::size_t f = 0; f < folders.size() && sourceFolder == folders.size(); ++f) {
            if (!folders[f]) {
                continue;
            }
            auto& entries = folders[f]->Entries();
            const auto it = std::find(entries.begin(), entries.end(), m_original);
            if (it != entries.end()) {
                sourceFolder = f;
                position = static_cast<std::size_t>(it - entries.begin());
            }
        }
        if (!m_original || sourceFolder == folders.size()) {
            CMessageBox::ShowError(this, u"Das Passwort kann nicht bearbeitet werden. Null Pointer");
            reject();
            return false;
        }
        const PasswordItem before(*m_original);
        *m_original = candidate;
        const bool moved = sourceFolder != targetFolder;
        if (moved) {
            folders[sourceFolder]->Entries().erase(folders[sourceFolder]->Entries().begin() +
                                                   static_cast<std::ptrdiff_t>(position));
            folders[targetFolder]->Entries().push_back(m_original);
        }
        if (!m_database.SaveEntries(m_credentials, m_data)) {
            // Back to what the file holds.
            *m_original = before;
            if (moved) {
                folders[targetFolder]->Entries().pop_back();
                folders[sourceFolder]->Entries().insert(
                    folders[sourceFolder]->Entries().begin() + static_cast<std::ptrdiff_t>(position), m_original);
            }
            reject();
            return false;
        }
        m_item = m_original;
        m_folder = targetFolder;
        return true;
    }
    // A new entry: ask once about a description the folder has already.
    const auto& target = folders[targetFolder];
    const std::u16string_view description = candidate.GetDescription().View();
    const bool duplicate = std::any_of(target->Entries().begin(), target->Entries().end(), [&](const auto& item) {
        return item && item->GetDescription().View() == description;
    });
    if (duplicate) {
        WindowsServiceProvider::TaskDialogOptions options;
        options.title = u"Passwortinformationen bereits vorhanden";
        options.content = Text::Format(u"Es existiert bereits eine Passwortinformation \"%s\". Möchten Sie die neuem "
                                       u"Passwortinformation dennoch unter diesem Namen speichern?",
                                       description)
                              .ToStdString();
        options.commands = {u"Ja, diesem Namen verwenden.\nSpeichert die neue Passwortinformation unter dem gleichen Namen.",
                            u"Nein, anderen Namen wählen.\nSpeichert die Passwortinformationen unter einem anderen Namen."};
        options.icon = WindowsServiceProvider::TaskDialogIcon::Question;
        if (CMessageBox::ShowTaskDialog(this, options) != 0) {
            ShowPage(m_general);
            return false;
        }
    }
    auto item = std::make_shared<PasswordItem>(candidate);
    if (!m_database.AddEntry(m_credentials, *item, target->GetId())) {
        reject();
        return false;
    }
    target->Entries().push_back(item);
    m_item = item;
    m_folder = targetFolder;
    return true;
}

void CPasswordSheet::SetWindowList(Platform::IWindowList* list) { g_windowList = list; }
Platform::IWindowList* CPasswordSheet::GetWindowList() { return g_windowList ? g_windowList : DefaultWindowList(); }
void CPasswordSheet::SetFileChooser(FileChooser chooser) { g_fileChooser = std::move(chooser); }

QString CPasswordSheet::ChooseFile(QWidget* parent, const QString& title, const QString& filter) {
    if (g_fileChooser) {
        return g_fileChooser(parent, title, filter);
    }
    return QFileDialog::getOpenFileName(parent, title, QString(), filter);
}

void CPasswordSheet::SetGeneratorRunner(GeneratorRunner runner) { g_generatorRunner = std::move(runner); }

bool CPasswordSheet::RunGenerator(QWidget* parent, SecureString& password) {
    if (g_generatorRunner) {
        return g_generatorRunner(parent, password);
    }
    PasswordGenerator::UI::CPasswordGeneratorDlg dialog(parent);
    return dialog.exec() == QDialog::Accepted && dialog.GetPassword(password);
}

void CPasswordSheet::SetFolderOpener(FolderOpener opener) { g_folderOpener = std::move(opener); }

void CPasswordSheet::OpenFolder(const QString& folder) {
    if (g_folderOpener) {
        g_folderOpener(folder);
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

} // namespace Tarnwick
