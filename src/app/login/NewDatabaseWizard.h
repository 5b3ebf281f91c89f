#pragma once

#include <functional>
#include <string>

#include <QWizard>
#include <QWizardPage>

#include "platform/Files.h"
#include "uiext/BrowseButton.h"

class QCheckBox;
class QLineEdit;

namespace CryptoServiceProvider::PasswordMeter {
class QualityBar;
}

namespace MFCServiceProvider {
class SecureEdit;
}

namespace Tarnwick {

// The browse button of the path field: the database file dialog in save mode.
class DBSaveBrowseButton : public MFCServiceProvider::BrowseButton {
    Q_OBJECT
public:
    DBSaveBrowseButton();

protected:
    QString ChoosePath(const QString& current) override;
};

// The one page of the new-database wizard: path, user name, password and its repetition.
class CNewDatabasePage : public QWizardPage {
    Q_OBJECT
public:
    // Where the first start takes the suggested user name from (tests replace it).
    using UserNameSource = std::function<Platform::SystemResult(std::string&)>;

    explicit CNewDatabasePage(bool firstStart, QWidget* parent = nullptr);
    ~CNewDatabasePage() override;

    // First start only: the user's log-in name and a path in the program's folder named after
    // it. False after the error was shown (the wizard then ends).
    bool PrepareFirstStart();
    void initializePage() override;
    // Finish: checks the inputs, asks about the extension, creates the database. True when
    // it was created.
    bool validatePage() override;
    bool OnWizardFinish();

    // The path of the database this page created; empty until then.
    const std::u16string& GetCreatedPath() const noexcept { return m_createdPath; }

    QLineEdit* GetPathEdit() const { return m_path; }
    QLineEdit* GetUserNameEdit() const { return m_userName; }
    MFCServiceProvider::SecureEdit* GetPasswordEdit() const { return m_password; }
    MFCServiceProvider::SecureEdit* GetRepetitionEdit() const { return m_repetition; }
    QCheckBox* GetCaseSensitiveCheck() const { return m_caseSensitive; }
    QCheckBox* GetHidePasswordCheck() const { return m_hidePassword; }
    CryptoServiceProvider::PasswordMeter::QualityBar* GetQualityBar() const { return m_qualityBar; }
    DBSaveBrowseButton* GetBrowseButton() const { return m_browse; }

    static UserNameSource SetUserNameSource(UserNameSource source);

private:
    void OnHidePasswordToggled(bool hide);

    bool m_firstStart;
    QLineEdit* m_path = nullptr;
    DBSaveBrowseButton* m_browse = nullptr;
    QLineEdit* m_userName = nullptr;
    MFCServiceProvider::SecureEdit* m_password = nullptr;
    MFCServiceProvider::SecureEdit* m_repetition = nullptr;
    CryptoServiceProvider::PasswordMeter::QualityBar* m_qualityBar = nullptr;
    QCheckBox* m_caseSensitive = nullptr;
    QCheckBox* m_hidePassword = nullptr;
    std::u16string m_createdPath;
};

// The wizard that creates a new database.
class CNewDatabaseWizard : public QWizard {
    Q_OBJECT
public:
    static constexpr int kFinished = 12325; // the wizard's finish code
    static constexpr int kCancelled = 2;

    explicit CNewDatabaseWizard(bool firstStart, QWidget* parent = nullptr);

    // kFinished after the database was created, kCancelled otherwise.
    int DoModal();
    const std::u16string& GetCreatedPath() const noexcept { return m_page->GetCreatedPath(); }
    CNewDatabasePage& GetPage() const noexcept { return *m_page; }

private:
    CNewDatabasePage* m_page;
};

} // namespace Tarnwick
