#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include <QDialog>
#include <QString>

#include "crypto/SecureString.h"
#include "editor/EntryStore.h"
#include "editor/PasswordPages.h"
#include "model/PasswordData.h"

class QTabWidget;

namespace Tarnwick {

namespace AutoCompletion {
class AutoCompletionIndex;
}
namespace Platform {
class IWindowList;
}

// The entry editor. Use:
//   CPasswordSheet sheet(store, folderPosition, entryPosition /* std::nullopt: new entry */,
//                        index, parent);
//   if (sheet.exec() == QDialog::Accepted) { /* refresh the views: sheet.GetStoredItem(),
//       sheet.GetFolderId() */ }
// The sheet reads the folders and entries from store.Data() and edits a copy. OK validates
// every page, applies the password change under the entry's history rules and hands the
// store a new item (AddEntry, or ReplaceEntry with the original); only after the store
// succeeded is the auto-completion index updated. Cancel, a refused password or a failed
// store leave data and the original item as they are.
class CPasswordSheet : public QDialog {
    Q_OBJECT
public:
    CPasswordSheet(IEntryStore& store, std::size_t folder, std::optional<std::size_t> entry,
                   AutoCompletion::AutoCompletionIndex& index, QWidget* parent = nullptr);
    ~CPasswordSheet() override;

    // Fills the pages (exec does it itself); false when the entry to edit does not exist.
    bool Initialise();
    int exec() override;
    // The OK sequence; ends the dialog unless a check keeps it open. False when kept open
    // or ended with Cancel.
    bool OnOk();

    bool IsEditing() const noexcept { return m_editing; }
    // After Accepted: the item now in the data, and the id of the folder that holds it
    // (before: null and Category::kUnassignedId).
    const PasswordADT::PasswordItemRef& GetStoredItem() const noexcept { return m_stored; }
    std::uint32_t GetFolderId() const noexcept { return m_folderId; }

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
    void ShowPage(QWidget* page);
    // Steps 1 to 4 of OK: a checked candidate with the password change applied, or nothing
    // (the message has been shown).
    std::optional<PasswordADT::PasswordItem> BuildCandidate(std::size_t& targetFolder);
    bool StoreEdited(const PasswordADT::PasswordItemRef& replacement, std::uint32_t targetFolderId);
    bool StoreNew(const PasswordADT::PasswordItemRef& item, std::size_t targetFolder);
    void UpdateIndex();

    IEntryStore& m_store;
    std::size_t m_folder;
    AutoCompletion::AutoCompletionIndex& m_index;
    bool m_editing;
    bool m_initialised = false;
    PasswordADT::PasswordItemRef m_original; // the entry in data while editing; never changed
    PasswordADT::PasswordItem m_working;     // the copy the pages work on
    PasswordADT::PasswordItemRef m_stored;
    std::uint32_t m_folderId = PasswordADT::Category::kUnassignedId;
    QTabWidget* m_tabs;
    std::vector<CPasswordPageBase*> m_pages;
};

} // namespace Tarnwick
