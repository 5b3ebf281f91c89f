#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QDialog>
#include <QString>
#include <QWidget>

#include "crypto/SecureString.h"
#include "model/PasswordData.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTreeWidget;

namespace CryptoServiceProvider::PasswordMeter {
class QualityBar;
}
namespace MFCServiceProvider {
class SecureEdit;
}

namespace Tarnwick {

class CDatabase;
struct LoginCredentials;
namespace AutoCompletion {
class AutoCompletionIndex;
}
namespace Platform {
class IWindowList;
}

// Base of the eight pages: each fills itself from the sheet's working entry, validates its
// fields (showing the message) and writes them into the entry that is about to be stored.
class CPasswordPageBase : public QWidget {
    Q_OBJECT
public:
    CPasswordPageBase(PasswordADT::PasswordItem& working, QWidget* parent);
    virtual void Fill() {}
    virtual bool Validate() { return true; }
    virtual void Apply(PasswordADT::PasswordItem& target) { (void)target; }

protected:
    // A validation message; false for convenient returns.
    bool Refuse(std::u16string_view text);
    PasswordADT::PasswordItem& m_entry;
};

class CPasswordGeneralPage : public CPasswordPageBase {
    Q_OBJECT
public:
    CPasswordGeneralPage(PasswordADT::PasswordItem& working, QWidget* parent);
    void Fill() override;
    bool Validate() override;
    void Apply(PasswordADT::PasswordItem& target) override;
    // The generator button: asks before a non-empty field is replaced.
    void OnGenerator();

    QComboBox* m_folder;
    QLineEdit* m_description;
    QLineEdit* m_userName;
    QLineEdit* m_email;
    MFCServiceProvider::SecureEdit* m_password;
    CryptoServiceProvider::PasswordMeter::QualityBar* m_quality;
    QPushButton* m_generator;
    QCheckBox* m_hide;
};

class CPasswordCommentPage : public CPasswordPageBase {
    Q_OBJECT
public:
    CPasswordCommentPage(PasswordADT::PasswordItem& working, QWidget* parent);
    void Fill() override;
    bool Validate() override;
    void Apply(PasswordADT::PasswordItem& target) override;

    QPlainTextEdit* m_comment;
};

class CPasswordValidityPage : public CPasswordPageBase {
    Q_OBJECT
public:
    // Positions of the mode box.
    enum Mode { ModeUnlimited = 0, ModeDays = 1, ModeDate = 2 };
    CPasswordValidityPage(PasswordADT::PasswordItem& working, QWidget* parent);
    void Fill() override;
    bool Validate() override;
    void Apply(PasswordADT::PasswordItem& target) override;
    void OnModeChanged(int mode);

    QComboBox* m_mode;
    QSpinBox* m_days;
    QDateEdit* m_date;
    QLabel* m_explanation;
};

class CPasswordInternetPage : public CPasswordPageBase {
    Q_OBJECT
public:
    CPasswordInternetPage(PasswordADT::PasswordItem& working, QWidget* parent);
    void Fill() override;
    bool Validate() override;
    void Apply(PasswordADT::PasswordItem& target) override;
    void OnBrowse();

    QLineEdit* m_url;
    QPushButton* m_browse;
};

class CPasswordUDFPage : public CPasswordPageBase {
    Q_OBJECT
public:
    CPasswordUDFPage(PasswordADT::PasswordItem& working, QWidget* parent);
    void Fill() override;
    bool OnAdd();
    bool OnEdit();
    bool OnDelete();
    void OnSelectionChanged();

    QLineEdit* m_name;
    QLineEdit* m_value;
    QPushButton* m_add;
    QPushButton* m_edit;
    QPushButton* m_delete;
    QTreeWidget* m_list;
};

class CPasswordHistoryPage : public CPasswordPageBase {
    Q_OBJECT
public:
    CPasswordHistoryPage(PasswordADT::PasswordItem& working, bool newEntry, QWidget* parent);
    void Fill() override;
    bool Validate() override;
    void Apply(PasswordADT::PasswordItem& target) override;
    void OnKeepHistoryToggled(bool checked);
    bool OnDelete();
    void UpdateEnabling();

    QCheckBox* m_keepHistory;
    QCheckBox* m_forbidRepetition;
    QSpinBox* m_distinct;
    QSpinBox* m_historySize;
    QTreeWidget* m_list;
    QPushButton* m_delete;

private:
    void FillList();
    bool m_newEntry;
};

class CPasswordAutoCompletionPage : public CPasswordPageBase {
    Q_OBJECT
public:
    CPasswordAutoCompletionPage(PasswordADT::PasswordItem& working, QWidget* parent);
    void Fill() override;
    bool Validate() override;
    void Apply(PasswordADT::PasswordItem& target) override;
    // "Aktualisieren": the titles of the open windows.
    bool RefreshWindows();
    // "Übernehmen": the chosen window becomes the target.
    bool TakeWindow();
    void Reset();
    void OnSequenceTypeChanged(int type);
    void InsertTab();

    QComboBox* m_windows;
    QPushButton* m_refresh;
    QPushButton* m_take;
    QPushButton* m_reset;
    QComboBox* m_type;
    QCheckBox* m_browsers;
    QComboBox* m_sequenceType;
    QLineEdit* m_sequence;
    QPushButton* m_tab;
    QLabel* m_target;

private:
    QString m_targetText;
};

class CPasswordSymbolPage : public CPasswordPageBase {
    Q_OBJECT
public:
    // urlSource gives the text of the "Url/Programm" page.
    CPasswordSymbolPage(PasswordADT::PasswordItem& working, std::function<QString()> urlSource, QWidget* parent);
    void Fill() override;
    bool Validate() override;
    void Apply(PasswordADT::PasswordItem& target) override;
    // The three sources of "Symbol ändern"; each returns whether the symbol changed.
    bool ChooseFromLibrary(int index = -1); // -1: pick in a small dialog
    bool ChooseFromFile(const QString& path = {}); // empty: file dialog
    bool ChooseFromWeb();
    void ManageDownloaded();
    void Remove();
    const QString& GetSymbol() const noexcept { return m_symbol; }

    QLabel* m_preview;
    QLabel* m_path;
    QPushButton* m_change;
    QMenu* m_menu;
    QPushButton* m_manage;
    QPushButton* m_remove;

private:
    void ShowSymbol();
    std::function<QString()> m_urlSource;
    QString m_symbol;
};

// The entry editor. Use:
//   CPasswordSheet sheet(data, folderPosition, entryPosition /* std::nullopt: new entry */,
//                        database, credentials, index, parent);
//   if (sheet.exec() == QDialog::Accepted) { /* refresh the views: sheet.GetItem(),
//       sheet.GetFolderPosition() */ }
// The sheet edits a copy. OK validates every page, applies the password change under the
// entry's history rules, stores through the database and only then puts the result into data
// and the auto-completion index. Cancel, a refused password or a failed store leave data as
// it is in the file.
class CPasswordSheet : public QDialog {
    Q_OBJECT
public:
    CPasswordSheet(PasswordADT::PasswordData& data, std::size_t folder, std::optional<std::size_t> entry,
                   CDatabase& database, LoginCredentials& credentials, AutoCompletion::AutoCompletionIndex& index,
                   QWidget* parent = nullptr);
    ~CPasswordSheet() override;

    // Fills the pages (exec does it itself); false when the entry to edit does not exist.
    bool Initialise();
    int exec() override;
    // The OK sequence; ends the dialog unless a check keeps it open. False when kept open
    // or ended with Cancel.
    bool OnOk();

    bool IsEditing() const noexcept { return m_editing; }
    // After Accepted: the stored entry and the folder that holds it.
    const PasswordADT::PasswordItemRef& GetItem() const noexcept { return m_item; }
    std::size_t GetFolderPosition() const noexcept { return m_folder; }

    QTabWidget* GetTabs() const noexcept { return m_tabs; }
    CPasswordGeneralPage* m_general;
    CPasswordCommentPage* m_commentPage;
    CPasswordValidityPage* m_validity;
    CPasswordInternetPage* m_internet;
    CPasswordUDFPage* m_udf;
    CPasswordHistoryPage* m_history;
    CPasswordAutoCompletionPage* m_autoCompletion;
    CPasswordSymbolPage* m_symbol;

    // Hooks for scripted runs and tests: the window list of the auto-completion page
    // (default: X11 when the platform is xcb, none otherwise), the file dialogs, the
    // generator window and the opening of the symbols folder. Empty/null restores the default.
    using FileChooser = std::function<QString(QWidget* parent, const QString& title, const QString& filter)>;
    using GeneratorRunner = std::function<bool(QWidget* parent, StringServiceProvider::SecureString& password)>;
    using FolderOpener = std::function<void(const QString& folder)>;
    static void SetWindowList(Platform::IWindowList* list);
    static Platform::IWindowList* GetWindowList();
    static void SetFileChooser(FileChooser chooser);
    static QString ChooseFile(QWidget* parent, const QString& title, const QString& filter);
    static void SetGeneratorRunner(GeneratorRunner runner);
    static bool RunGenerator(QWidget* parent, StringServiceProvider::SecureString& password);
    static void SetFolderOpener(FolderOpener opener);
    static void OpenFolder(const QString& folder);

private:
    bool Store(PasswordADT::PasswordItem& candidate, std::size_t targetFolder);
    void ShowPage(QWidget* page);

    PasswordADT::PasswordData& m_data;
    std::size_t m_folder;
    std::optional<std::size_t> m_entryPosition;
    CDatabase& m_database;
    LoginCredentials& m_credentials;
    AutoCompletion::AutoCompletionIndex& m_index;
    bool m_editing;
    bool m_initialised = false;
    PasswordADT::PasswordItemRef m_original; // the entry in data while editing
    PasswordADT::PasswordItem m_working;     // the copy the pages work on
    PasswordADT::PasswordItemRef m_item;
    QTabWidget* m_tabs;
    std::vector<CPasswordPageBase*> m_pages;
};

// "Passworteigenschaften": facts about one entry, read only. Use:
//   CTWPropertySheet sheet(data, folderPosition, entryPosition, parent); sheet.exec();
class CTWPropertySheet : public QDialog {
    Q_OBJECT
public:
    CTWPropertySheet(const PasswordADT::PasswordData& data, std::size_t folder, std::size_t entry,
                     QWidget* parent = nullptr);
    QTreeWidget* GetList() const noexcept { return m_list; }
    // The rows as (property, value); now for the remaining days.
    static std::vector<std::pair<QString, QString>> BuildRows(const PasswordADT::Category& folder,
                                                              const PasswordADT::PasswordItem& item,
                                                              std::int64_t now);

private:
    QTreeWidget* m_list;
};

} // namespace Tarnwick
