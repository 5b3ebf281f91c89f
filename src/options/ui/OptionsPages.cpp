#include "options/ui/OptionsPages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "autocompletion/HotKeyBase.h"
#include "base/exceptions/Exception.h"
#include "log/LogProvider.h"
#include "options/ui/HotKeyInput.h"
#include "options/ui/SpinField.h"
#include "uiext/QtText.h"
#include "uilib/MessageBox.h"

namespace Tarnwick::OptionsLibrary {

using ApplicationSettings::Settings;
using UiText::Q;
using UiText::U;
using WindowsServiceProvider::CMessageBox;

namespace {

QString Id(int id) {
    return QString::number(id);
}

// The modifier codes of both combo boxes, in item order.
constexpr std::pair<const char16_t*, int> kModifierItems[] = {
    {u"Keine", 0}, {u"Alt", 1}, {u"Strg", 2}, {u"Umschalt", 4}, {u"Windows-Taste", 8}};

} // namespace

// ---------------------------------------------------------------------------------------
// OptionsPage

OptionsPage::OptionsPage(int resourceId, const QString& title, QWidget* parent)
    : QWidget(parent), m_layout(new QVBoxLayout(this)), m_resourceId(resourceId) {
    setWindowTitle(title);
    setObjectName(Id(resourceId));
    m_layout->setContentsMargins(0, 0, 0, 0);
}

QVBoxLayout* OptionsPage::AddGroup(QVBoxLayout& page, const char16_t* title) {
    auto* group = new QGroupBox(Q(title), this);
    auto* layout = new QVBoxLayout(group);
    page.addWidget(group);
    return layout;
}

QCheckBox* OptionsPage::AddCheck(QVBoxLayout& group, int id, const char16_t* text) {
    auto* box = new QCheckBox(Q(text), this);
    box->setObjectName(Id(id));
    group.addWidget(box);
    return box;
}

bool OptionsPage::IsChecked(const QCheckBox* box) {
    return box->checkState() == Qt::Checked;
}

void OptionsPage::FillCombo(QComboBox& combo, std::initializer_list<std::pair<const char16_t*, int>> items, int value) {
    combo.clear();
    for (const auto& [text, data] : items) {
        combo.addItem(Q(text), data);
    }
    combo.setCurrentIndex(combo.findData(value));
}

void OptionsPage::StoreCombo(const QComboBox& combo, std::int32_t& value) {
    if (combo.currentIndex() >= 0) {
        value = combo.currentData().toInt();
    }
}

// ---------------------------------------------------------------------------------------
// Allgemein

namespace {

struct BoolControl {
    int id;
    const char16_t* text;
    bool Settings::*field;
};

constexpr BoolControl kWindowControls[] = {
    {5013, u"Position des Hauptfensters speichern", &Settings::saveMainWindowPosition},
    {5014, u"Position der Passwortliste und des Kommentarfeldes speichern", &Settings::saveListSplitterPosition},
    {5015, u"Position der Ordnerliste speichern", &Settings::saveFolderListPosition},
};
constexpr BoolControl kOtherControls[] = {
    {5016, u"Zuletzt geöffnete Datenbank speichern", &Settings::rememberLastDatabase},
    {5003, u"Url/Programm nach Start in den Vordergrund holen", &Settings::bringTargetToFront},
    {5004, u"Tarnwick mit Windows starten", &Settings::startWithWindows},
    {5025, u"Tarnwick beim Schließen \"X\" in den Infobereich minimieren", &Settings::minimizeToTrayOnClose},
    {5026, u"Tarnwick nach dem Start in den Infobereich minimieren", &Settings::minimizeToTrayAfterStart},
    {5037, u"Beim Start von Tarnwick auf Updates prüfen", &Settings::checkForUpdatesAtStart},
};
constexpr BoolControl kAppearanceControls[] = {
    {5003, u"ClearType im Hauptfenster verwenden (erfordert Neustart)", &Settings::clearTypeMainWindow},
    {5004, u"ClearType in den Dialogen verwenden", &Settings::clearTypeDialogs},
    {5006, u"Design auf Dialoge anwenden", &Settings::themeOnDialogs},
    {5005, u"Design-Schrift auf Dialoge anwenden", &Settings::themeFontOnDialogs},
};
constexpr BoolControl kMessageControls[] = {
    {5018, u"Meldung nach erfolgreich durchgeführter Aufgabe anzeigen", &Settings::messageAfterTask},
    {5019, u"Nachfragen bevor Password verschoben wird (Drag and Drop)", &Settings::confirmDragDropMove},
    {5020, u"Meldung nach erfolgreichem Löschen einer Datenbank anzeigen", &Settings::messageAfterDatabaseDelete},
    {5021, u"Meldung nach erfolgreichem Passwortexport/-import anzeigen", &Settings::messageAfterExportImport},
    {5007, u"Warnen wenn Zwischenablage überwacht wird", &Settings::warnClipboardWatched},
};

template <std::size_t N>
void LoadChecks(const OptionsPage& page, const BoolControl (&controls)[N], const Settings& settings) {
    for (const BoolControl& control : controls) {
        page.Control<QCheckBox>(control.id)->setChecked(settings.*control.field);
    }
}

template <std::size_t N>
void StoreChecks(const OptionsPage& page, const BoolControl (&controls)[N], Settings& settings) {
    for (const BoolControl& control : controls) {
        settings.*control.field = page.Control<QCheckBox>(control.id)->checkState() == Qt::Checked;
    }
}

} // namespace

CGeneralPage::CGeneralPage(QWidget* parent) : OptionsPage(5001, QStringLiteral("Allgemein"), parent) {
    QVBoxLayout* window = AddGroup(*m_layout, u"Fenster");
    for (const BoolControl& control : kWindowControls) {
        AddCheck(*window, control.id, control.text);
    }
    QVBoxLayout* other = AddGroup(*m_layout, u"Sonstiges");
    for (const BoolControl& control : kOtherControls) {
        AddCheck(*other, control.id, control.text);
    }
    m_layout->addStretch(1);
}

bool CGeneralPage::Load(const Settings& settings) {
    LoadChecks(*this, kWindowControls, settings);
    LoadChecks(*this, kOtherControls, settings);
    return true;
}

bool CGeneralPage::Store(Settings& settings) {
    // The autostart entry follows startWithWindows when the dialog commits the record.
    StoreChecks(*this, kWindowControls, settings);
    StoreChecks(*this, kOtherControls, settings);
    return true;
}

// ---------------------------------------------------------------------------------------
// Aussehen

CAppearancePage::CAppearancePage(QWidget* parent) : OptionsPage(6000, QStringLiteral("Aussehen"), parent) {
    QVBoxLayout* style = AddGroup(*m_layout, u"Visual Style");
    auto* row = new QHBoxLayout;
    auto* combo = new QComboBox(this);
    combo->setObjectName(Id(5008));
    auto* label = new QLabel(QStringLiteral("Tarnwick Thema:"), this);
    label->setBuddy(combo);
    row->addWidget(label);
    row->addWidget(combo, 1);
    style->addLayout(row);
    QVBoxLayout* dialogs = AddGroup(*m_layout, u"Schrift/Dialoge");
    for (const BoolControl& control : kAppearanceControls) {
        AddCheck(*dialogs, control.id, control.text);
    }
    m_layout->addStretch(1);
}

bool CAppearancePage::Load(const Settings& settings) {
    FillCombo(*Control<QComboBox>(5008),
              {{u"Blau", 42000}, {u"Silber", 42001}, {u"Schwarz", 42002}, {u"Aqua", 42003}, {u"Windows 7", 42004}},
              settings.visualStyleType);
    LoadChecks(*this, kAppearanceControls, settings);
    return true;
}

bool CAppearancePage::Store(Settings& settings) {
    StoreCombo(*Control<QComboBox>(5008), settings.visualStyleType);
    StoreChecks(*this, kAppearanceControls, settings);
    return true;
}

// ---------------------------------------------------------------------------------------
// Meldungen

CMessagesPage::CMessagesPage(QWidget* parent) : OptionsPage(6001, QStringLiteral("Meldungen"), parent) {
    QVBoxLayout* group = AddGroup(*m_layout, u"Statusmeldungen");
    for (const BoolControl& control : kMessageControls) {
        AddCheck(*group, control.id, control.text);
    }
    m_layout->addStretch(1);
}

bool CMessagesPage::Load(const Settings& settings) {
    LoadChecks(*this, kMessageControls, settings);
    return true;
}

bool CMessagesPage::Store(Settings& settings) {
    StoreChecks(*this, kMessageControls, settings);
    return true;
}

// ---------------------------------------------------------------------------------------
// Passwortliste

namespace {
constexpr std::int32_t kDescending = 32872;
constexpr std::int32_t kAscending = 32873;
} // namespace

CPasswordListPage::CPasswordListPage(QWidget* parent) : OptionsPage(6002, QStringLiteral("Passwortliste"), parent) {
    QVBoxLayout* look = AddGroup(*m_layout, u"Aussehen");
    AddCheck(*look, 5011, u"Horizontale Linien anzeigen");
    QVBoxLayout* sorting = AddGroup(*m_layout, u"Sortierung");
    auto* row = new QHBoxLayout;
    auto* combo = new QComboBox(this);
    combo->setObjectName(Id(5012));
    auto* label = new QLabel(QStringLiteral("Sortieren nach:"), this);
    label->setBuddy(combo);
    row->addWidget(label);
    row->addWidget(combo, 1);
    sorting->addLayout(row);
    auto* descending = new QRadioButton(QStringLiteral("Absteigend sortieren"), this);
    descending->setObjectName(Id(5009));
    auto* ascending = new QRadioButton(QStringLiteral("Aufsteigend sortieren"), this);
    ascending->setObjectName(Id(5010));
    sorting->addWidget(descending);
    sorting->addWidget(ascending);
    m_layout->addStretch(1);
}

bool CPasswordListPage::Load(const Settings& settings) {
    Control<QCheckBox>(5011)->setChecked(settings.showHorizontalLines);
    FillCombo(*Control<QComboBox>(5012),
              {{u"Name", 32867},
               {u"Index", 32868},
               {u"Erstelldatum", 32869},
               {u"Datum der letzten Änderung", 32870},
               {u"Verfallsdatum", 32871}},
              settings.listSortKey);
    const bool descending = settings.listSortDirection == kDescending;
    Control<QRadioButton>(5009)->setChecked(descending);
    Control<QRadioButton>(5010)->setChecked(!descending);
    return true;
}

bool CPasswordListPage::Store(Settings& settings) {
    settings.showHorizontalLines = IsChecked(Control<QCheckBox>(5011));
    StoreCombo(*Control<QComboBox>(5012), settings.listSortKey);
    settings.listSortDirection = Control<QRadioButton>(5009)->isChecked() ? kDescending : kAscending;
    return true;
}

// ---------------------------------------------------------------------------------------
// Auto-Vervollständigung

CAutoCompletionPage::CAutoCompletionPage(Tarnwick::Platform::IHotKeyGrabber* grabber, QWidget* parent)
    : OptionsPage(5004, QStringLiteral("Auto-Vervollständigung"), parent), m_grabber(grabber) {
    QVBoxLayout* options = AddGroup(*m_layout, u"Einstellungen");
    m_enable = AddCheck(*options, 5003, u"Auto-Vervollständigung aktivieren");

    QVBoxLayout* keys = AddGroup(*m_layout, u"Tastenkombination");
    auto* row = new QHBoxLayout;
    m_modifier1 = new QComboBox(this);
    m_modifier1->setObjectName(Id(5008));
    m_modifier2 = new QComboBox(this);
    m_modifier2->setObjectName(Id(5009));
    m_key = new QLineEdit(this);
    m_key->setObjectName(Id(5023));
    m_key->setFixedWidth(m_key->fontMetrics().horizontalAdvance(QStringLiteral("WW")) + 16);
    m_key->setAlignment(Qt::AlignCenter);
    m_keyLabel = new QLabel(QStringLiteral("+"), this);
    row->addWidget(m_modifier1);
    row->addWidget(new QLabel(QStringLiteral("+"), this));
    row->addWidget(m_modifier2);
    row->addWidget(m_keyLabel);
    row->addWidget(m_key);
    row->addStretch(1);
    keys->addLayout(row);
    m_status = new QLabel(this);
    m_status->setObjectName(Id(5024));
    m_status->setWordWrap(true);
    m_status->setStyleSheet(QStringLiteral("color: #b00000;"));
    keys->addWidget(m_status);
    m_layout->addStretch(1);

    connect(m_enable, &QCheckBox::toggled, this, [this] { FollowEnableBox(); });
    connect(m_key, &QLineEdit::textEdited, this, [this] { ShowStatus(); });
    for (QComboBox* combo : {m_modifier1, m_modifier2}) {
        connect(combo, &QComboBox::activated, this, [this] { ShowStatus(); });
    }
}

bool CAutoCompletionPage::Load(const Settings& settings) {
    m_key->setMaxLength(1);
    m_status->clear();
    for (QComboBox* combo : {m_modifier1, m_modifier2}) {
        combo->clear();
        for (const auto& [text, code] : kModifierItems) {
            combo->addItem(Q(text), code);
        }
    }
    m_enable->setChecked(settings.autoCompletionEnabled);
    m_shownKeyText = Q(KeyText(settings.hotKey));
    m_key->setText(m_shownKeyText);
    m_modifier1->setCurrentIndex(m_modifier1->findData(settings.hotKeyModifier1));
    m_modifier2->setCurrentIndex(m_modifier2->findData(settings.hotKeyModifier2));
    m_openedKey = settings.hotKey;
    m_openedModifier1 = settings.hotKeyModifier1;
    m_openedModifier2 = settings.hotKeyModifier2;
    FollowEnableBox();
    return true;
}

void CAutoCompletionPage::FollowEnableBox() {
    const bool on = m_enable->isChecked();
    for (QWidget* control : std::initializer_list<QWidget*>{m_key, m_keyLabel, m_status, m_modifier1, m_modifier2}) {
        control->setEnabled(on);
    }
}

std::u16string_view CAutoCompletionPage::Check(std::int32_t& key, std::int32_t& modifier1, std::int32_t& modifier2) const {
    // A combo box without a selection stands for "Keine".
    const int first = m_modifier1->currentIndex() >= 0 ? m_modifier1->currentData().toInt() : 0;
    const int second = m_modifier2->currentIndex() >= 0 ? m_modifier2->currentData().toInt() : 0;
    if (const std::u16string_view message = CheckModifiers(first, second); !message.empty()) {
        return message;
    }
    modifier1 = first;
    modifier2 = second;
    // The key as it was shown stays the stored key: its text need not read back as the same
    // code (a capital letter would need Shift, a function key has no character).
    if (m_key->text() == m_shownKeyText) {
        key = m_openedKey;
        return {};
    }
    return CheckKey(UiText::View(m_key->text()), key);
}

void CAutoCompletionPage::ShowStatus() {
    m_status->clear();
    std::int32_t key = 0;
    std::int32_t modifier1 = 0;
    std::int32_t modifier2 = 0;
    m_status->setText(Q(Check(key, modifier1, modifier2)));
}

bool CAutoCompletionPage::Validate() {
    m_status->clear();
    std::int32_t key = 0;
    std::int32_t modifier1 = 0;
    std::int32_t modifier2 = 0;
    if (const std::u16string_view message = Check(key, modifier1, modifier2); !message.empty()) {
        CMessageBox::ShowWarning(this, message);
        return false;
    }
    // The same combination (in whichever order of the modifiers) is the one the program holds
    // now; a trial grab of it would give the program's own grab up.
    const auto modifiers = static_cast<std::uint32_t>(modifier1 | modifier2);
    if (key == m_openedKey && modifiers == static_cast<std::uint32_t>(m_openedModifier1 | m_openedModifier2)) {
        return true;
    }
    if (m_grabber == nullptr) {
        return true; // no desktop to grab on: the key is registered when there is one
    }
    try {
        Core::HotKeyBase trial(m_grabber, modifiers, static_cast<std::uint32_t>(key));
        const Core::HotKeyBase::eHotKeyCheck result = trial.CheckHotKeyRegistration(static_cast<std::uint32_t>(key));
        if (result == Core::HotKeyBase::HotKeyAlreadyRegistered) {
            CMessageBox::ShowInformation(this, kHotKeyTaken);
            return false;
        }
        if (result != Core::HotKeyBase::HotKeyFree) {
            CMessageBox::ShowInformation(this, kHotKeyInvalid);
            return false;
        }
        return true;
    } catch (const Utilities::Exceptions::WindowsException& exception) {
        LogProvider::GenericExceptionLog::LogEvent(exception);
    } catch (const Utilities::Exceptions::Exception& exception) {
        LogProvider::GenericExceptionLog::LogEvent(exception);
    }
    CMessageBox::ShowInformation(this, kHotKeyInvalid);
    return false;
}

bool CAutoCompletionPage::Store(Settings& settings) {
    std::int32_t key = 0;
    std::int32_t modifier1 = 0;
    std::int32_t modifier2 = 0;
    if (!Check(key, modifier1, modifier2).empty()) {
        return false;
    }
    settings.autoCompletionEnabled = IsChecked(m_enable);
    settings.hotKey = key;
    settings.hotKeyModifier1 = modifier1;
    settings.hotKeyModifier2 = modifier2;
    return true;
}

// ---------------------------------------------------------------------------------------
// Sicherheit

namespace {

CSpinField* AddTimeFields(QWidget* page, QHBoxLayout& row, int editId, int spinnerId, int maximum) {
    auto* field = new CSpinField(page);
    field->setObjectName(Id(spinnerId));
    field->GetEdit()->setObjectName(Id(editId));
    field->SetRange(0, maximum);
    row.addWidget(field);
    return field;
}

// The stored seconds as minutes and seconds; below 1 the fields show the fallback.
void ShowTime(std::int16_t value, CSpinField& minutes, CSpinField& seconds, const QString& fallbackMinutes,
              const QString& fallbackSeconds) {
    if (value < 1) {
        minutes.SetText(fallbackMinutes);
        seconds.SetText(fallbackSeconds);
        return;
    }
    minutes.SetText(QString::number(value / 60));
    seconds.SetText(QString::number(value % 60));
}

} // namespace

static_assert(CSecurityPage::kMaxMinutes * 60 + CSecurityPage::kMaxSeconds == ApplicationSettings::kMaxTimerSeconds);

CSecurityPage::CSecurityPage(QWidget* parent) : OptionsPage(5006, QStringLiteral("Sicherheit"), parent) {
    QVBoxLayout* workspace = AddGroup(*m_layout, u"Arbeitsbereich");
    AddCheck(*workspace, 5029, u"Arbeitsbereich automatisch speren");
    AddCheck(*workspace, 5030, u"Auto-Vervollständigung trotz gesperrtem Arbeitsbereich zulassen");
    m_lockBox = AddCheck(*workspace, 5031, u"Arbeitsbereich bei Inaktivität automatisch sperren nach");
    auto* lockRow = new QHBoxLayout;
    lockRow->addSpacing(20);
    m_lockMinutes = AddTimeFields(this, *lockRow, 5037, 5038, kMaxMinutes);
    lockRow->addWidget(new QLabel(QStringLiteral("Minuten"), this));
    m_lockSeconds = AddTimeFields(this, *lockRow, 5032, 5033, kMaxSeconds);
    lockRow->addWidget(new QLabel(QStringLiteral("Sekunden"), this));
    lockRow->addStretch(1);
    workspace->addLayout(lockRow);

    QVBoxLayout* clipboard = AddGroup(*m_layout, u"Zwischenablage");
    AddCheck(*clipboard, 5017, u"Zwischenablage beim Beenden löschen");
    m_clipboardBox = AddCheck(*clipboard, 5034, u"Zwischenablage automatisch Löschen nach");
    auto* clipboardRow = new QHBoxLayout;
    clipboardRow->addSpacing(20);
    m_clipboardMinutes = AddTimeFields(this, *clipboardRow, 5039, 5040, kMaxMinutes);
    clipboardRow->addWidget(new QLabel(QStringLiteral("Minuten"), this));
    m_clipboardSeconds = AddTimeFields(this, *clipboardRow, 5035, 5036, kMaxSeconds);
    clipboardRow->addWidget(new QLabel(QStringLiteral("Sekunden"), this));
    clipboardRow->addStretch(1);
    clipboard->addLayout(clipboardRow);
    m_layout->addStretch(1);

    connect(m_lockBox, &QCheckBox::toggled, this, [this] { FollowBoxes(); });
    connect(m_clipboardBox, &QCheckBox::toggled, this, [this] { FollowBoxes(); });
}

void CSecurityPage::FollowBoxes() {
    m_lockMinutes->setEnabled(m_lockBox->isChecked());
    m_lockSeconds->setEnabled(m_lockBox->isChecked());
    m_clipboardMinutes->setEnabled(m_clipboardBox->isChecked());
    m_clipboardSeconds->setEnabled(m_clipboardBox->isChecked());
}

bool CSecurityPage::Load(const Settings& settings) {
    for (CSpinField* minutes : {m_lockMinutes, m_clipboardMinutes}) {
        minutes->SetRange(0, kMaxMinutes);
    }
    for (CSpinField* seconds : {m_lockSeconds, m_clipboardSeconds}) {
        seconds->SetRange(0, kMaxSeconds);
    }
    Control<QCheckBox>(5029)->setChecked(settings.autoLockWorkspace);
    Control<QCheckBox>(5030)->setChecked(settings.allowAutoCompletionWhenLocked);
    Control<QCheckBox>(5017)->setChecked(settings.clearClipboardOnExit);
    m_lockBox->setChecked(settings.workspaceLockSeconds > 0);
    m_clipboardBox->setChecked(settings.clipboardClearSeconds > 0);
    ShowTime(settings.workspaceLockSeconds, *m_lockMinutes, *m_lockSeconds, QStringLiteral("5"), QString());
    ShowTime(settings.clipboardClearSeconds, *m_clipboardMinutes, *m_clipboardSeconds, QStringLiteral("0"),
             QStringLiteral("30"));
    FollowBoxes();
    return true;
}

bool CSecurityPage::Validate() {
    for (const CSpinField* minutes : {m_lockMinutes, m_clipboardMinutes}) {
        if (minutes->Value() < 0 || minutes->Value() > kMaxMinutes) {
            CMessageBox::Show(this, U(QString::asprintf(kMinutesMessage, kMaxMinutes, 0)),
                              WindowsServiceProvider::MessageIcon::None, WindowsServiceProvider::MessageButtons::Ok);
            return false;
        }
    }
    for (const CSpinField* seconds : {m_lockSeconds, m_clipboardSeconds}) {
        if (seconds->Value() < 0 || seconds->Value() > kMaxSeconds) {
            CMessageBox::Show(this, U(QString::asprintf(kSecondsMessage, kMaxSeconds, 0)),
                              WindowsServiceProvider::MessageIcon::None, WindowsServiceProvider::MessageButtons::Ok);
            return false;
        }
    }
    return true;
}

bool CSecurityPage::Store(Settings& settings) {
    for (const CSpinField* field : {m_lockMinutes, m_lockSeconds, m_clipboardMinutes, m_clipboardSeconds}) {
        if (field->Value() < 0 || field->Value() > field->Maximum()) {
            return false; // not validated
        }
    }
    settings.autoLockWorkspace = IsChecked(Control<QCheckBox>(5029));
    settings.allowAutoCompletionWhenLocked = IsChecked(Control<QCheckBox>(5030));
    settings.clearClipboardOnExit = IsChecked(Control<QCheckBox>(5017));
    // Validate kept both parts within 60 minutes and 59 seconds: the sum fits 16 bits.
    settings.workspaceLockSeconds =
        IsChecked(m_lockBox) ? static_cast<std::int16_t>(m_lockMinutes->Value() * 60 + m_lockSeconds->Value()) : 0;
    settings.clipboardClearSeconds =
        IsChecked(m_clipboardBox) ? static_cast<std::int16_t>(m_clipboardMinutes->Value() * 60 + m_clipboardSeconds->Value())
                                  : 0;
    return true;
}

} // namespace Tarnwick::OptionsLibrary
