#include "app/dialogs/SelectPasswordItemDialog.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/CommandBoundary.h"
#include "app/ModalDialog.h"
#include "app/dialogs/DialogSupport.h"
#include "app/login/DialogHeader.h"
#include "app/views/PasswordDataTreeCtrl.h"
#include "uilib/DialogLayout.h"
#include "uilib/MessageBox.h"

namespace Tarnwick {

using Dialogs::Q;

CSelectPasswordItemDialog::CSelectPasswordItemDialog(const std::filesystem::path& database,
                                                     const PasswordADT::PasswordData& data, QWidget* parent)
    : QDialog(parent), m_database(database), m_data(data) {
    setObjectName(QStringLiteral("SelectPasswordItemDialog"));
    Dialogs::PrepareDialog(*this, Q(u"Passwortinformation auswählen"));
    m_header = new DialogHeader(
        Q(u"Passwortinformation auswählen"),
        Q(u"Wählen Sie die Passwortinformation aus, die der gewählten Anwendung zugeordnet werden soll."), this);
    m_tree = new TreeProvider::PasswordDataTreeCtrl(this);
    m_tree->setMinimumSize(360, 320);
    m_ok = Dialogs::MakeButton(Q(u"&OK"), "ok", this);
    m_ok->setDefault(true);
    m_ok->setEnabled(false);
    m_cancel = Dialogs::MakeButton(Q(u"&Abbrechen"), "cancel", this);

    QVBoxLayout* body = UiLibrary::LayOutBelowHeader(*this, m_header, 1);
    body->addWidget(m_tree, 1);
    UiLibrary::AddButtonRow(*body, {m_ok, m_cancel});

    connect(m_tree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { OnCurrentChanged(current); });
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        if (EntryOf(item)) {
            m_tree->setCurrentItem(item);
            OnOk();
        }
    });
    connect(m_ok, &QPushButton::clicked, this, &CSelectPasswordItemDialog::OnOk);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool CSelectPasswordItemDialog::Fill() {
    const bool filled = App::RunCommand(nullptr, {}, [this] {
        m_tree->AddPasswordData(m_database, m_data);
        if (QTreeWidgetItem* root = m_tree->RootItem()) {
            root->setExpanded(true);
        }
    });
    if (!filled) {
        WindowsServiceProvider::CMessageBox::ShowError(
            this, u"Es ist ein Fehler beim Auflisten der Passwortinformationen aufgetreten.");
    }
    return filled;
}

int CSelectPasswordItemDialog::DoModal() {
    if (!Fill()) {
        return QDialog::Rejected;
    }
    return App::RunModal(*this);
}

std::optional<Views::EntryPosition> CSelectPasswordItemDialog::EntryOf(const QTreeWidgetItem* item) const {
    const TreeProvider::CheckedTreeItemData* data = item != nullptr ? m_tree->DataOf(item) : nullptr;
    if (data == nullptr || data->kind != Views::TreeItemKind::Entry) {
        return std::nullopt;
    }
    return Views::EntryPosition(data->folder, data->entry);
}

void CSelectPasswordItemDialog::OnCurrentChanged(QTreeWidgetItem* item) { m_ok->setEnabled(EntryOf(item).has_value()); }

void CSelectPasswordItemDialog::OnOk() {
    const auto chosen = EntryOf(m_tree->currentItem());
    if (!chosen) {
        return;
    }
    m_chosen = chosen;
    accept();
}

} // namespace Tarnwick
