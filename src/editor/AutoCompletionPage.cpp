// The auto-completion page: target window, paste method and sequence.
#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "autocompletion/SequenceParser.h"
#include "autocompletion/WindowMatching.h"
#include "editor/EditorText.h"
#include "editor/PasswordPages.h"
#include "editor/PasswordSheet.h"
#include "base/exceptions/Exception.h"
#include "platform/x11/WindowList.h"

namespace Tarnwick {
namespace {

using Editor::Q;
using Editor::TooLong;
using Editor::U;
using PasswordADT::PasswordItem;

} // namespace

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

} // namespace Tarnwick
