#pragma once

#include <functional>
#include <string_view>

#include <QString>
#include <QWidget>

#include "model/PasswordItem.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTreeWidget;

namespace CryptoServiceProvider::PasswordMeter {
class QualityBar;
}
namespace MFCServiceProvider {
class SecureEdit;
}

namespace Tarnwick {

// Base of the eight pages of the entry sheet: each fills itself from the sheet's working
// entry, validates its fields (showing the message) and writes them into the entry that is
// about to be stored.
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

    // Tab moves on to the next control; Ctrl+Tab types a tab character.
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
    // The plain password of a row's password cell (a copy for one use), for its painting.
    bool RevealHistoryPassword(const QModelIndex& index, StringServiceProvider::PlainString& out) const;

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

} // namespace Tarnwick
