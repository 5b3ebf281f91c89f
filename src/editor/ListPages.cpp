// The pages with lists: user-defined fields and password history.
#include <vector>

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "base/text/Format.h"
#include "editor/EditorText.h"
#include "editor/PasswordPages.h"
#include "base/exceptions/Exception.h"
#include "uilib/MessageBox.h"
#include "uilib/SecretTextDelegate.h"

namespace Tarnwick {
namespace {

using Editor::HistoryDate;
using Editor::kDeleteQuestion;
using Editor::Q;
using Editor::TooLong;
using Editor::U;
using PasswordADT::PasswordItem;
using WindowsServiceProvider::CMessageBox;

} // namespace

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
    Editor::FitColumnsToContents(m_list);
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
    m_list->setItemDelegateForColumn(
        1, new MFCServiceProvider::SecretTextDelegate(
               [this](const QModelIndex& index, StringServiceProvider::PlainString& out) {
                   return RevealHistoryPassword(index, out);
               },
               m_list));
    Editor::FitColumnsToContents(m_list);
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
        // The password is painted by the column's delegate, never put into the item.
        auto* item = new QTreeWidgetItem(m_list, {HistoryDate(element.time), QString()});
        item->setData(0, Qt::UserRole, QVariant::fromValue<qint64>(element.time));
    }
}

bool CPasswordHistoryPage::RevealHistoryPassword(const QModelIndex& index, StringServiceProvider::PlainString& out) const {
    out.Clear();
    const auto& history = m_entry.GetPasswordHistory();
    if (!index.isValid() || index.column() != 1 || index.row() < 0 ||
        static_cast<std::size_t>(index.row()) >= history.Count()) {
        return false;
    }
    history.At(static_cast<std::size_t>(index.row())).password.Read(out);
    return true;
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

} // namespace Tarnwick
