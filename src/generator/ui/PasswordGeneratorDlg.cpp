#include "generator/ui/PasswordGeneratorDlg.h"

#include <vector>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "base/text/Format.h"
#include "generator/PasswordGenerator.h"
#include "generator/PasswordPolicySerializer.h"
#include "generator/PolicyRules.h"
#include "generator/ui/GeneratorUI.h"
#include "generator/ui/PolicyEditorDlg.h"
#include "generator/ui/QualityBar.h"
#include "base/exceptions/Exception.h"
#include "uilib/MessageBox.h"
#include "uilib/SecretTextDelegate.h"
#include "uilib/SecureEdit.h"

namespace Tarnwick::PasswordGenerator::UI {
namespace {

using StringServiceProvider::SecureString;
using Generator = Tarnwick::PasswordGenerator::PasswordGenerator;
using WindowsServiceProvider::CMessageBox;

// A read-only password field with its strength bar and a "hide" box.
void AddOutput(QWidget* page, QVBoxLayout* layout, MFCServiceProvider::SecureEdit*& edit,
               CryptoServiceProvider::PasswordMeter::QualityBar*& bar, QCheckBox*& hide) {
    edit = new MFCServiceProvider::SecureEdit(page);
    edit->setReadOnly(true);
    bar = new CryptoServiceProvider::PasswordMeter::QualityBar(page);
    edit->AttachQualityBar(bar);
    hide = new QCheckBox(QStringLiteral("Passwort &verbergen"), page);
    hide->setChecked(true);
    QObject::connect(hide, &QCheckBox::toggled, edit, [edit](bool on) { edit->SetMasked(on); });
    auto* label = new QLabel(QStringLiteral("Pass&wort:"), page);
    label->setBuddy(edit);
    layout->addWidget(label);
    layout->addWidget(edit);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Passwortstärke:"), page));
    row->addWidget(bar, 1);
    layout->addLayout(row);
    layout->addWidget(hide);
}

// One password under the policy; exceptions of the character table become the error box.
bool GenerateOne(QWidget* parent, const PasswordPolicy& policy, SecureString& out) {
    QtGeneratorUI ui(parent);
    Generator generator(policy, &ui, WindowIdOf(parent));
    try {
        return generator.GeneratePassword(out) && !out.IsEmpty();
    } catch (const Utilities::Exceptions::Exception&) {
        out.Clear();
        CMessageBox::ShowError(parent, kGenerationErrorText);
        return false;
    }
}

void FillPolicyCombo(QComboBox* combo, const PasswordPolicies& policies, const std::u16string& select) {
    combo->clear();
    if (policies.policies.empty()) {
        combo->addItem(Q(PolicyRules::kNoneExistingText));
        combo->setEnabled(false);
        return;
    }
    combo->setEnabled(true);
    for (const auto& [name, policy] : policies.policies) {
        combo->addItem(Q(name));
    }
    const int index = combo->findText(Q(select));
    combo->setCurrentIndex(index >= 0 ? index : 0);
}

} // namespace

CPwGenGeneratorPage::CPwGenGeneratorPage(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    m_upper = new QCheckBox(QStringLiteral("&Großbuchstaben A-Z"), this);
    m_lower = new QCheckBox(QStringLiteral("&Kleinbuchstaben a-z"), this);
    m_digits = new QCheckBox(QStringLiteral("&Zahlen 0-9"), this);
    m_punctuation = new QCheckBox(QStringLiteral("Komma, &Punkt, Strich ,;.:-_+="), this);
    m_special = new QCheckBox(QStringLiteral("&Sonderzeichen"), this);
    m_brackets = new QCheckBox(QStringLiteral("Kla&mmern ()[]{}<>"), this);
    for (QCheckBox* box : {m_upper, m_lower, m_digits}) {
        box->setChecked(true);
    }
    auto* grid = new QGridLayout;
    grid->addWidget(m_upper, 0, 0);
    grid->addWidget(m_lower, 1, 0);
    grid->addWidget(m_digits, 2, 0);
    grid->addWidget(m_punctuation, 0, 1);
    grid->addWidget(m_special, 1, 1);
    grid->addWidget(m_brackets, 2, 1);
    layout->addLayout(grid);
    auto* lengthRow = new QHBoxLayout;
    auto* lengthLabel = new QLabel(QStringLiteral("Passwort&länge:"), this);
    lengthRow->addWidget(lengthLabel);
    m_length = new QSpinBox(this);
    lengthLabel->setBuddy(m_length);
    m_length->setRange(0, 99999); // the range check speaks for itself
    m_length->setValue(PolicyRules::kQuickDefaultLength);
    lengthRow->addWidget(m_length);
    lengthRow->addStretch();
    // Alt+G belongs to "&Großbuchstaben A-Z"; every page generates with Alt+E.
    m_generate = new QPushButton(QStringLiteral("G&enerieren"), this);
    lengthRow->addWidget(m_generate);
    layout->addLayout(lengthRow);
    AddOutput(this, layout, m_password, m_quality, m_hide);
    layout->addStretch();
    connect(m_generate, &QPushButton::clicked, this, [this] { Generate(); });
}

bool CPwGenGeneratorPage::Generate() {
    PolicyRules::QuickOptions options;
    options.upper = m_upper->isChecked();
    options.lower = m_lower->isChecked();
    options.digits = m_digits->isChecked();
    options.punctuation = m_punctuation->isChecked();
    options.special = m_special->isChecked();
    options.brackets = m_brackets->isChecked();
    options.length = m_length->value();
    PasswordPolicy policy;
    if (auto message = PolicyRules::BuildQuickPolicy(options, policy)) {
        CMessageBox::ShowWarning(this, *message);
        return false;
    }
    SecureString password;
    if (!GenerateOne(this, policy, password)) {
        return false;
    }
    m_password->SetText(password);
    return true;
}

bool CPwGenGeneratorPage::GetPassword(SecureString& out) const {
    m_password->GetSecureText(out);
    return !out.IsEmpty();
}

CPwGenPolicyPage::CPwGenPolicyPage(PasswordPolicies& policies, QWidget* parent)
    : QWidget(parent), m_policies(policies) {
    auto* layout = new QVBoxLayout(this);
    auto* policyLabel = new QLabel(QStringLiteral("Passwort&richtlinie:"), this);
    layout->addWidget(policyLabel);
    auto* row = new QHBoxLayout;
    m_policyList = new QComboBox(this);
    policyLabel->setBuddy(m_policyList);
    row->addWidget(m_policyList, 1);
    m_generate = new QPushButton(QStringLiteral("G&enerieren"), this);
    row->addWidget(m_generate);
    layout->addLayout(row);
    auto* links = new QHBoxLayout;
    m_new = new QPushButton(QStringLiteral("Neu"), this);
    m_edit = new QPushButton(QStringLiteral("Bearbeiten"), this);
    m_delete = new QPushButton(QStringLiteral("Löschen"), this);
    for (QPushButton* link : {m_new, m_edit, m_delete}) {
        link->setFlat(true);
        link->setCursor(Qt::PointingHandCursor);
        links->addWidget(link);
    }
    links->addStretch();
    layout->addLayout(links);
    AddOutput(this, layout, m_password, m_quality, m_hide);
    layout->addStretch();
    Refill(policies.mostRecentlyUsed);
    connect(m_generate, &QPushButton::clicked, this, [this] { Generate(); });
    connect(m_new, &QPushButton::clicked, this, [this] { OnNew(); });
    connect(m_edit, &QPushButton::clicked, this, [this] { OnEdit(); });
    connect(m_delete, &QPushButton::clicked, this, [this] { OnDelete(); });
    connect(m_policyList, &QComboBox::currentTextChanged, this, [this] {
        if (m_policyList->isEnabled()) {
            m_policies.mostRecentlyUsed = SelectedName();
        }
    });
}

std::u16string CPwGenPolicyPage::SelectedName() const {
    if (!m_policyList->isEnabled() || m_policyList->currentIndex() < 0) {
        return {};
    }
    return m_policyList->currentText().toStdU16String();
}

void CPwGenPolicyPage::Refill(const std::u16string& select) {
    FillPolicyCombo(m_policyList, m_policies, select);
    m_policies.mostRecentlyUsed = SelectedName();
}

bool CPwGenPolicyPage::Generate() {
    const auto it = m_policies.policies.find(SelectedName());
    if (it == m_policies.policies.end()) {
        return false;
    }
    SecureString password;
    if (!GenerateOne(this, it->second, password)) {
        return false;
    }
    m_password->SetText(password);
    return true;
}

bool CPwGenPolicyPage::GetPassword(SecureString& out) const {
    m_password->GetSecureText(out);
    return !out.IsEmpty();
}

bool CPwGenPolicyPage::OnNew() {
    PasswordPolicy policy = DefaultPolicy();
    policy.name = ProposePolicyName(m_policies.policies);
    CPolicyEditorDlg editor(policy, m_policies.policies, {}, this);
    if (editor.exec() != QDialog::Accepted) {
        return false;
    }
    try {
        PolicyRules::StorePolicy(m_policies, {}, editor.GetPolicy());
    } catch (...) {
        CMessageBox::ShowError(this, PolicyRules::kAddErrorText);
        return false;
    }
    Refill(editor.GetPolicy().name);
    emit PoliciesChanged();
    return true;
}

bool CPwGenPolicyPage::OnEdit() {
    const std::u16string name = SelectedName();
    if (name.empty()) {
        return false;
    }
    if (auto refusal = PolicyRules::RefuseEdit(name)) {
        CMessageBox::ShowWarning(this, *refusal);
        return false;
    }
    const auto it = m_policies.policies.find(name);
    if (it == m_policies.policies.end()) {
        return false;
    }
    PasswordPolicy policy = it->second;
    policy.name = name;
    CPolicyEditorDlg editor(policy, m_policies.policies, name, this);
    if (editor.exec() != QDialog::Accepted) {
        return false;
    }
    PolicyRules::StorePolicy(m_policies, name, editor.GetPolicy());
    Refill(editor.GetPolicy().name);
    emit PoliciesChanged();
    return true;
}

bool CPwGenPolicyPage::OnDelete() {
    const std::u16string name = SelectedName();
    if (name.empty()) {
        return false;
    }
    if (auto refusal = PolicyRules::RefuseDelete(name)) {
        CMessageBox::ShowWarning(this, *refusal);
        return false;
    }
    if (!CMessageBox::AskYesNo(this, PolicyRules::DeleteQuestion(name))) {
        return false;
    }
    if (!PolicyRules::DeletePolicy(m_policies, name)) {
        return false;
    }
    Refill(std::u16string(kStandardPolicyName));
    emit PoliciesChanged();
    return true;
}

CPwGenPreviewPage::CPwGenPreviewPage(PasswordPolicies& policies, QWidget* parent)
    : QWidget(parent), m_policies(policies) {
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_policyList = new QComboBox(this);
    form->addRow(QStringLiteral("Passwort&richtlinie:"), m_policyList);
    m_count = new QSpinBox(this);
    m_count->setRange(1, 1000);
    m_count->setValue(10);
    form->addRow(QStringLiteral("&Anzahl:"), m_count);
    layout->addLayout(form);
    m_generate = new QPushButton(QStringLiteral("G&enerieren"), this);
    layout->addWidget(m_generate, 0, Qt::AlignRight);
    m_list = new QListWidget(this);
    m_list->setFont(QFont(QStringLiteral("Monospace")));
    m_list->setItemDelegate(new MFCServiceProvider::SecretTextDelegate(
        [this](const QModelIndex& index, StringServiceProvider::PlainString& out) { return RevealPassword(index, out); },
        m_list));
    layout->addWidget(m_list, 1);
    Refill();
    connect(m_generate, &QPushButton::clicked, this, [this] { Generate(); });
}

void CPwGenPreviewPage::Refill() {
    const QString current = m_policyList->currentText();
    if (m_policies.policies.empty()) {
        FillPolicyCombo(m_policyList, m_policies, {});
        return;
    }
    m_policyList->clear();
    m_policyList->setEnabled(true);
    m_policyList->addItem(Q(PolicyRules::kNoneChosenText));
    for (const auto& [name, policy] : m_policies.policies) {
        m_policyList->addItem(Q(name));
    }
    const int index = m_policyList->findText(current);
    m_policyList->setCurrentIndex(index > 0 ? index : 0);
}

int CPwGenPreviewPage::Generate() {
    m_list->clear();
    m_passwords.clear();
    if (!m_policyList->isEnabled() || m_policyList->currentIndex() <= 0) {
        return 0;
    }
    const auto it = m_policies.policies.find(m_policyList->currentText().toStdU16String());
    if (it == m_policies.policies.end()) {
        return 0;
    }
    const auto count = static_cast<std::size_t>(m_count->value());
    std::vector<SecureString> passwords(count);
    std::vector<SecureString*> outputs;
    for (auto& password : passwords) {
        outputs.push_back(&password);
    }
    QtGeneratorUI ui(this);
    Generator generator(it->second, &ui, WindowIdOf(this));
    std::size_t made = 0;
    try {
        made = generator.GeneratePasswords(nullptr, outputs);
    } catch (const Utilities::Exceptions::Exception&) {
        CMessageBox::ShowError(this, kGenerationErrorText);
        return 0;
    }
    passwords.resize(made);
    m_passwords = std::move(passwords);
    for (std::size_t i = 0; i < made; ++i) {
        m_list->addItem(QString()); // painted from m_passwords by the list's delegate
    }
    return static_cast<int>(made);
}

bool CPwGenPreviewPage::RevealPassword(const QModelIndex& index, StringServiceProvider::PlainString& out) const {
    out.Clear();
    if (!index.isValid() || index.row() < 0 || static_cast<std::size_t>(index.row()) >= m_passwords.size()) {
        return false;
    }
    m_passwords[static_cast<std::size_t>(index.row())].Read(out);
    return true;
}

CPasswordGeneratorDlg::CPasswordGeneratorDlg(QWidget* parent, std::filesystem::path policyFile)
    : QDialog(parent), m_file(std::move(policyFile)) {
    setWindowTitle(QStringLiteral("Passwortgenerator"));
    resize(480, 400);
    if (m_file.empty()) {
        m_file = PasswordPolicySerializer::GetDefaultPath();
    }
    try {
        PasswordPolicySerializer::LoadOrCreate(m_file, m_policies);
    } catch (...) {
        // A broken file leaves what could be read; the built-in policy is always there.
    }
    if (m_policies.policies.find(kStandardPolicyName) == m_policies.policies.end()) {
        PasswordPolicy standard = DefaultPolicy();
        m_policies.policies.emplace(std::u16string(kStandardPolicyName), standard);
    }
    auto* layout = new QVBoxLayout(this);
    m_tabs = new QTabWidget(this);
    m_generatorPage = new CPwGenGeneratorPage(m_tabs);
    m_policyPage = new CPwGenPolicyPage(m_policies, m_tabs);
    m_previewPage = new CPwGenPreviewPage(m_policies, m_tabs);
    m_tabs->addTab(m_generatorPage, QStringLiteral("Generator"));
    m_tabs->addTab(m_policyPage, QStringLiteral("Richtlinien"));
    m_tabs->addTab(m_previewPage, QStringLiteral("Vorschau"));
    layout->addWidget(m_tabs);
    connect(m_policyPage, &CPwGenPolicyPage::PoliciesChanged, m_previewPage, &CPwGenPreviewPage::Refill);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("&Übernehmen"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Schließen"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

CPasswordGeneratorDlg::~CPasswordGeneratorDlg() { SavePolicies(); }

void CPasswordGeneratorDlg::done(int result) {
    m_result.Clear();
    if (result == QDialog::Accepted) {
        const bool onPolicyPage = m_tabs->currentWidget() == m_policyPage;
        if (onPolicyPage) {
            m_policyPage->GetPassword(m_result);
        } else {
            m_generatorPage->GetPassword(m_result);
        }
    }
    SavePolicies();
    QDialog::done(result);
}

void CPasswordGeneratorDlg::SavePolicies() {
    if (m_saved) {
        return;
    }
    m_saved = true;
    m_policies.mostRecentlyUsed = m_policyPage->SelectedName();
    try {
        PasswordPolicySerializer::Save(m_file, m_policies);
    } catch (...) {
        CMessageBox::ShowError(this, PolicyRules::kSaveErrorText);
    }
}

bool CPasswordGeneratorDlg::GetPassword(SecureString& out) const {
    out = m_result;
    return !out.IsEmpty();
}

} // namespace Tarnwick::PasswordGenerator::UI
