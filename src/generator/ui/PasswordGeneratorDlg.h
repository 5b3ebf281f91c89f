#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include <QDialog>
#include <QWidget>

#include "crypto/SecureString.h"
#include "generator/PasswordPolicy.h"

class QCheckBox;
class QComboBox;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTabWidget;

namespace CryptoServiceProvider::PasswordMeter {
class QualityBar;
}
namespace MFCServiceProvider {
class SecureEdit;
}

namespace Tarnwick::PasswordGenerator::UI {

// The quick generator: six sets, a length, one password.
class CPwGenGeneratorPage : public QWidget {
    Q_OBJECT
public:
    explicit CPwGenGeneratorPage(QWidget* parent = nullptr);
    // Builds the page's policy and generates; false after a message.
    bool Generate();
    bool GetPassword(StringServiceProvider::SecureString& out) const;

    QCheckBox* m_upper;
    QCheckBox* m_lower;
    QCheckBox* m_digits;
    QCheckBox* m_punctuation;
    QCheckBox* m_special;
    QCheckBox* m_brackets;
    QSpinBox* m_length;
    QPushButton* m_generate;
    QCheckBox* m_hide;
    MFCServiceProvider::SecureEdit* m_password;
    CryptoServiceProvider::PasswordMeter::QualityBar* m_quality;
};

// The named policies: generate with one, create, edit and delete them.
class CPwGenPolicyPage : public QWidget {
    Q_OBJECT
public:
    CPwGenPolicyPage(PasswordPolicies& policies, QWidget* parent = nullptr);
    bool Generate();
    bool GetPassword(StringServiceProvider::SecureString& out) const;
    // The commands of the links; each returns whether the list changed.
    bool OnNew();
    bool OnEdit();
    bool OnDelete();
    void Refill(const std::u16string& select);
    std::u16string SelectedName() const;

    QComboBox* m_policyList;
    QPushButton* m_generate;
    QCheckBox* m_hide;
    QPushButton* m_new;
    QPushButton* m_edit;
    QPushButton* m_delete;
    MFCServiceProvider::SecureEdit* m_password;
    CryptoServiceProvider::PasswordMeter::QualityBar* m_quality;

signals:
    void PoliciesChanged();

private:
    PasswordPolicies& m_policies;
};

// A list of passwords under a chosen policy.
class CPwGenPreviewPage : public QWidget {
    Q_OBJECT
public:
    CPwGenPreviewPage(PasswordPolicies& policies, QWidget* parent = nullptr);
    void Refill();
    // Generates the count of passwords into the list; the number generated.
    int Generate();
    // The plain password of a row (a copy for one use), for its painting; the list's items
    // hold no text.
    bool RevealPassword(const QModelIndex& index, StringServiceProvider::PlainString& out) const;

    QComboBox* m_policyList;
    QSpinBox* m_count;
    QPushButton* m_generate;
    QListWidget* m_list;

private:
    PasswordPolicies& m_policies;
    std::vector<StringServiceProvider::SecureString> m_passwords;
};

// The password generator window. Use:
//   CPasswordGeneratorDlg dlg(parent);            // reads the policy file (creates it first)
//   if (dlg.exec() == QDialog::Accepted) dlg.GetPassword(password);
// OK ("Übernehmen") takes the password of the quick or the policy page, whichever is shown.
// The policies are written back, with the selected one as most recently used, when the
// window closes; a failure shows the save message.
class CPasswordGeneratorDlg : public QDialog {
    Q_OBJECT
public:
    explicit CPasswordGeneratorDlg(QWidget* parent = nullptr,
                                   std::filesystem::path policyFile = {});
    ~CPasswordGeneratorDlg() override;

    bool GetPassword(StringServiceProvider::SecureString& out) const;
    const PasswordPolicies& GetPolicies() const noexcept { return m_policies; }

    QTabWidget* GetTabs() const noexcept { return m_tabs; }
    CPwGenGeneratorPage* GetGeneratorPage() const noexcept { return m_generatorPage; }
    CPwGenPolicyPage* GetPolicyPage() const noexcept { return m_policyPage; }
    CPwGenPreviewPage* GetPreviewPage() const noexcept { return m_previewPage; }

    void done(int result) override;

private:
    void SavePolicies();

    std::filesystem::path m_file;
    PasswordPolicies m_policies;
    QTabWidget* m_tabs;
    CPwGenGeneratorPage* m_generatorPage;
    CPwGenPolicyPage* m_policyPage;
    CPwGenPreviewPage* m_previewPage;
    StringServiceProvider::SecureString m_result;
    bool m_saved = false;
};

} // namespace Tarnwick::PasswordGenerator::UI
