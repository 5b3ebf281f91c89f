#pragma once

#include <cstdint>
#include <string>

#include <QString>
#include <QWidget>

#include "options/Settings.h"
#include "options/ui/OptionsDialog.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QVBoxLayout;

namespace Tarnwick::OptionsLibrary {

class CSpinField;

// One page of "Einstellungen": fills its controls from the record, checks them (a problem is
// reported in a message box and refuses), and writes them into a record. The page's window
// title is its name in the tree.
class OptionsPage : public QWidget {
    Q_OBJECT
public:
    OptionsPage(int resourceId, const QString& title, QWidget* parent);

    int ResourceId() const noexcept { return m_resourceId; }

    virtual bool Load(const ApplicationSettings::Settings& settings) = 0;
    virtual bool Validate() { return true; }
    virtual bool Store(ApplicationSettings::Settings& settings) = 0;

    // A control by its id.
    template <class T>
    T* Control(int id) const {
        return findChild<T*>(QString::number(id));
    }

protected:
    QCheckBox* AddCheck(QVBoxLayout& group, int id, const char16_t* text);
    QVBoxLayout* AddGroup(QVBoxLayout& page, const char16_t* title);
    static bool IsChecked(const QCheckBox* box);
    // Fills the combo box with (text, data) items and selects the item whose data is value;
    // with any other value no item is selected.
    static void FillCombo(QComboBox& combo, std::initializer_list<std::pair<const char16_t*, int>> items, int value);
    // The selected item's data; the record's value stays when nothing is selected.
    static void StoreCombo(const QComboBox& combo, std::int32_t& value);

    QVBoxLayout* m_layout;

private:
    int m_resourceId;
};

class CGeneralPage final : public OptionsPage {
    Q_OBJECT
public:
    explicit CGeneralPage(QWidget* parent = nullptr);
    bool Load(const ApplicationSettings::Settings& settings) override;
    bool Store(ApplicationSettings::Settings& settings) override;
};

class CAppearancePage final : public OptionsPage {
    Q_OBJECT
public:
    explicit CAppearancePage(QWidget* parent = nullptr);
    bool Load(const ApplicationSettings::Settings& settings) override;
    bool Store(ApplicationSettings::Settings& settings) override;
};

class CMessagesPage final : public OptionsPage {
    Q_OBJECT
public:
    explicit CMessagesPage(QWidget* parent = nullptr);
    bool Load(const ApplicationSettings::Settings& settings) override;
    bool Store(ApplicationSettings::Settings& settings) override;
};

class CPasswordListPage final : public OptionsPage {
    Q_OBJECT
public:
    explicit CPasswordListPage(QWidget* parent = nullptr);
    bool Load(const ApplicationSettings::Settings& settings) override;
    bool Store(ApplicationSettings::Settings& settings) override;
};

// The hot key: a one-character key field and two modifiers, checked while the user edits
// (in the status line) and when OK is pressed (in a message box). A changed combination is
// tried on the desktop before it is accepted; the trial grab is given up at once.
class CAutoCompletionPage final : public OptionsPage {
    Q_OBJECT
public:
    explicit CAutoCompletionPage(Tarnwick::Platform::IHotKeyGrabber* grabber, QWidget* parent = nullptr);
    bool Load(const ApplicationSettings::Settings& settings) override;
    bool Validate() override;
    bool Store(ApplicationSettings::Settings& settings) override;

    QLineEdit* GetKeyEdit() const noexcept { return m_key; }
    QLabel* GetStatusLine() const noexcept { return m_status; }
    QComboBox* GetModifier1() const noexcept { return m_modifier1; }
    QComboBox* GetModifier2() const noexcept { return m_modifier2; }
    QCheckBox* GetEnableBox() const noexcept { return m_enable; }

private:
    // The message of the combination as it stands (empty when fine); fills the three values.
    std::u16string_view Check(std::int32_t& key, std::int32_t& modifier1, std::int32_t& modifier2) const;
    void ShowStatus();
    void FollowEnableBox();

    Tarnwick::Platform::IHotKeyGrabber* m_grabber;
    QCheckBox* m_enable;
    QLineEdit* m_key;
    QLabel* m_keyLabel;
    QLabel* m_status;
    QComboBox* m_modifier1;
    QComboBox* m_modifier2;
    // The combination when the dialog opened, and the text its key was shown with.
    std::int32_t m_openedKey = 0;
    std::int32_t m_openedModifier1 = 0;
    std::int32_t m_openedModifier2 = 0;
    QString m_shownKeyText;
};

class CSecurityPage final : public OptionsPage {
    Q_OBJECT
public:
    explicit CSecurityPage(QWidget* parent = nullptr);
    bool Load(const ApplicationSettings::Settings& settings) override;
    bool Validate() override;
    bool Store(ApplicationSettings::Settings& settings) override;

    CSpinField* GetLockMinutes() const noexcept { return m_lockMinutes; }
    CSpinField* GetLockSeconds() const noexcept { return m_lockSeconds; }
    CSpinField* GetClipboardMinutes() const noexcept { return m_clipboardMinutes; }
    CSpinField* GetClipboardSeconds() const noexcept { return m_clipboardSeconds; }
    QCheckBox* GetLockBox() const noexcept { return m_lockBox; }
    QCheckBox* GetClipboardBox() const noexcept { return m_clipboardBox; }

    static constexpr int kMaxMinutes = 60;
    static constexpr int kMaxSeconds = 59;

private:
    void FollowBoxes();

    QCheckBox* m_lockBox;
    QCheckBox* m_clipboardBox;
    CSpinField* m_lockMinutes;
    CSpinField* m_lockSeconds;
    CSpinField* m_clipboardMinutes;
    CSpinField* m_clipboardSeconds;
};

// The messages of the time fields, with their two numbers still to be filled in.
inline constexpr const char* kMinutesMessage =
    "Maximal zulässige Anzahl an Minuten ist %d. Minimal zulässige Anzahl sind %d Minuten.";
inline constexpr const char* kSecondsMessage =
    "Maximal zulässige Anzahl an Sekunden ist %d. Minimal zulässige Anzahl sind %d Sekunden.";

} // namespace Tarnwick::OptionsLibrary
