#include "generator/ui/PolicyEditorDlg.h"

#include <limits>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "generator/PolicyRules.h"
#include "generator/ui/GeneratorUI.h"
#include "uilib/MessageBox.h"

namespace Tarnwick::PasswordGenerator::UI {
namespace {

// Property captions of the "Zeichen" group and the set each one counts.
struct CountRow {
    const char16_t* caption;
    int set;
};
constexpr CountRow kCountRows[8] = {
    {u"Großbuchstaben", SetUpper},         {u"Kleinbuchstaben", SetLower}, {u"Zahlen", SetDigits},
    {u"Umlaute", SetUmlauts},              {u"Komma, Punkt, Strich", SetPunctuation},
    {u"Klammern", SetBrackets},            {u"Sonderzeichen", SetSpecial}, {u"erw. ANSI-Zeichen", SetHighAnsi},
};

// Choice order of "Kodierung" and the encoding of each.
constexpr std::int32_t kEncodingChoices[3] = {EncodingBase64, EncodingHexadecimal, EncodingStandard};

// Out-of-range numbers must reach the range check (with its message) rather than be clamped
// silently by the spin box.
constexpr int kSpinLimit = 99999;

} // namespace

CPolicyEditorDlg::CPolicyEditorDlg(const PasswordPolicy& policy, const PolicyMap& policies,
                                   std::u16string_view originalName, QWidget* parent)
    : QDialog(parent), m_policy(policy), m_policies(policies), m_originalName(originalName) {
    setWindowTitle(QStringLiteral("Passwortrichtlinie bearbeiten"));
    resize(460, 520);
    auto* layout = new QVBoxLayout(this);
    m_grid = new QTreeWidget(this);
    m_grid->setColumnCount(2);
    m_grid->setHeaderLabels({QStringLiteral("Eigenschaft"), QStringLiteral("Wert")});
    m_grid->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_grid->setRootIsDecorated(true);
    layout->addWidget(m_grid);

    QTreeWidgetItem* general = AddGroup(QStringLiteral("Allgemein"));
    m_name = new QLineEdit(Q(policy.name));
    m_name->setMaxLength(64);
    AddRow(general, QStringLiteral("Name"), m_name);
    m_length = NumberEditor(policy.length);
    AddRow(general, QStringLiteral("Passwortlänge"), m_length);
    m_systemEntropy = YesNoEditor(policy.systemEntropy);
    AddRow(general, QStringLiteral("Systementropie verwenden"), m_systemEntropy);
    m_mouseEntropy = YesNoEditor(policy.mouseEntropy);
    AddRow(general, QStringLiteral("Mausbewegungen verwenden"), m_mouseEntropy);
    m_repetition = YesNoEditor(policy.repetition);
    AddRow(general, QStringLiteral("Wiederholungen erlauben"), m_repetition);
    m_encoding = new QComboBox;
    m_encoding->addItems({QStringLiteral("Base64"), QStringLiteral("Hexadezimal"), QStringLiteral("Standard")});
    m_encoding->setCurrentIndex(2);
    for (int i = 0; i < 3; ++i) {
        if (kEncodingChoices[i] == policy.encoding) {
            m_encoding->setCurrentIndex(i);
        }
    }
    AddRow(general, QStringLiteral("Kodierung"), m_encoding);

    QTreeWidgetItem* characters = AddGroup(QStringLiteral("Zeichen"));
    for (int i = 0; i < 8; ++i) {
        m_counts[i] = NumberEditor(policy.CountOf(kCountRows[i].set));
        AddRow(characters, Q(kCountRows[i].caption), m_counts[i]);
    }

    QTreeWidgetItem* own = AddGroup(QStringLiteral("Eigene Zeichen"));
    m_ownCharacters = new QLineEdit(Q(policy.ownCharacters));
    AddRow(own, QStringLiteral("Zeichen"), m_ownCharacters);
    m_ownCount = NumberEditor(policy.ownCount);
    AddRow(own, QStringLiteral("Vorkommen"), m_ownCount);

    QTreeWidgetItem* excluded = AddGroup(QStringLiteral("Auszuschließende Zeichen"));
    m_excluded = new QLineEdit(Q(policy.excludedCharacters));
    AddRow(excluded, QStringLiteral("Zeichen"), m_excluded);
    m_grid->expandAll();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { OnOk(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QTreeWidgetItem* CPolicyEditorDlg::AddGroup(const QString& caption) {
    auto* item = new QTreeWidgetItem(m_grid, {caption});
    QFont font = item->font(0);
    font.setBold(true);
    item->setFont(0, font);
    item->setFirstColumnSpanned(true);
    return item;
}

void CPolicyEditorDlg::AddRow(QTreeWidgetItem* group, const QString& caption, QWidget* editor) {
    auto* item = new QTreeWidgetItem(group, {caption});
    m_grid->setItemWidget(item, 1, editor);
}

QSpinBox* CPolicyEditorDlg::NumberEditor(int value) {
    auto* spin = new QSpinBox;
    spin->setRange(-kSpinLimit, kSpinLimit);
    spin->setValue(value);
    return spin;
}

QComboBox* CPolicyEditorDlg::YesNoEditor(bool value) {
    auto* combo = new QComboBox;
    combo->addItems({QStringLiteral("Ja"), QStringLiteral("Nein")});
    combo->setCurrentIndex(value ? 0 : 1);
    return combo;
}

QWidget* CPolicyEditorDlg::GetEditor(const QString& group, const QString& property) const {
    for (int g = 0; g < m_grid->topLevelItemCount(); ++g) {
        QTreeWidgetItem* groupItem = m_grid->topLevelItem(g);
        if (groupItem->text(0) != group) {
            continue;
        }
        for (int r = 0; r < groupItem->childCount(); ++r) {
            if (groupItem->child(r)->text(0) == property) {
                return m_grid->itemWidget(groupItem->child(r), 1);
            }
        }
    }
    return nullptr;
}

void CPolicyEditorDlg::ReadGrid(PasswordPolicy& policy) const {
    // Values beyond 16 bits are pinned at the edge, where the range check refuses them.
    auto narrow = [](int value) {
        if (value > std::numeric_limits<std::int16_t>::max()) {
            return std::numeric_limits<std::int16_t>::max();
        }
        if (value < std::numeric_limits<std::int16_t>::min()) {
            return std::numeric_limits<std::int16_t>::min();
        }
        return static_cast<std::int16_t>(value);
    };
    policy.name = m_name->text().toStdU16String();
    policy.length = narrow(m_length->value());
    policy.systemEntropy = m_systemEntropy->currentIndex() == 0;
    policy.mouseEntropy = m_mouseEntropy->currentIndex() == 0;
    policy.repetition = m_repetition->currentIndex() == 0;
    policy.encoding = kEncodingChoices[qBound(0, m_encoding->currentIndex(), 2)];
    for (int i = 0; i < 8; ++i) {
        policy.SetCount(kCountRows[i].set, narrow(m_counts[i]->value()));
    }
    policy.ownCharacters = m_ownCharacters->text().toStdU16String();
    policy.ownCount = narrow(m_ownCount->value());
    policy.excludedCharacters = m_excluded->text().toStdU16String();
}

bool CPolicyEditorDlg::OnOk() {
    PasswordPolicy edited = m_policy;
    ReadGrid(edited);
    if (auto message = PolicyRules::CheckEditedPolicy(edited, m_policies, m_originalName)) {
        WindowsServiceProvider::CMessageBox::ShowWarning(this, *message);
        return false;
    }
    m_policy = std::move(edited);
    accept();
    return true;
}

} // namespace Tarnwick::PasswordGenerator::UI
