// The OK sequence of the entry sheet: check, build a new item, store it, update the index.
#include <algorithm>
#include <memory>

#include <QComboBox>
#include <QLineEdit>

#include "autocompletion/AutoCompletionIndex.h"
#include "base/text/Format.h"
#include "editor/PasswordSheet.h"
#include "model/Clock.h"
#include "uilib/MessageBox.h"
#include "uilib/SecureEdit.h"

namespace Tarnwick {
namespace {

using PasswordADT::PasswordItem;
using PasswordADT::PasswordItemRef;
using StringServiceProvider::SecureString;
using WindowsServiceProvider::CMessageBox;

constexpr std::u16string_view kNullPointerText = u"Das Passwort kann nicht bearbeitet werden. Null Pointer";

} // namespace

bool CPasswordSheet::OnOk() {
    if (!Initialise()) {
        reject();
        return false;
    }
    std::size_t targetFolder = 0;
    const std::optional<PasswordItem> candidate = BuildCandidate(targetFolder);
    if (!candidate) {
        return false;
    }
    const std::uint32_t targetFolderId = m_store.Data().Folders()[targetFolder]->GetId();
    // 5./6. The store gets a new item; the original stays as it is for whoever holds it.
    const auto item = std::make_shared<PasswordItem>(*candidate);
    if (!(m_editing ? StoreEdited(item, targetFolderId) : StoreNew(item, targetFolder))) {
        return false;
    }
    m_stored = item;
    m_folderId = targetFolderId;
    // 7. The auto-completion index.
    UpdateIndex();
    accept();
    return true;
}

std::optional<PasswordItem> CPasswordSheet::BuildCandidate(std::size_t& targetFolder) {
    const PasswordADT::PasswordData& data = m_store.Data();
    // 1. The folder.
    const int folderIndex = m_general->m_folder->currentIndex();
    if (folderIndex < 0) {
        ShowPage(m_general);
        CMessageBox::ShowWarning(this, u"Der gewählte Ordner ist ungültig.");
        return std::nullopt;
    }
    targetFolder = static_cast<std::size_t>(folderIndex);
    if (targetFolder >= data.FolderCount() || !data.Folders()[targetFolder]) {
        ShowPage(m_general);
        CMessageBox::ShowWarning(this, u"Der gewählte Ordner für die Passwortinformation ist ungültig.");
        return std::nullopt;
    }
    // 2. Every page.
    for (CPasswordPageBase* page : m_pages) {
        if (!page->Validate()) {
            ShowPage(page);
            return std::nullopt;
        }
    }
    // 3. Something to recognise the entry by.
    SecureString password;
    m_general->m_password->GetSecureText(password);
    if (m_general->m_description->text().isEmpty() && m_general->m_userName->text().isEmpty() && password.IsEmpty()) {
        ShowPage(m_general);
        CMessageBox::ShowWarning(
            this, u"Es muss mindestens eine Beschreibung, ein Benutzername oder ein Passwort eingegeben werden.");
        return std::nullopt;
    }
    // 4. A fresh candidate for every attempt: a refused attempt leaves no trace.
    std::optional<PasswordItem> candidate(std::in_place, m_working);
    for (CPasswordPageBase* page : m_pages) {
        page->Apply(*candidate);
    }
    const std::int64_t now = PasswordADT::CurrentTime();
    if (!candidate->GetPassword().Equals(password) && !candidate->ChangePassword(password, now)) {
        ShowPage(m_general);
        CMessageBox::ShowWarning(this, u"Das Passwort ist bereits in der Passworthistorie. Wählen Sie ein neues Passwort.");
        return std::nullopt;
    }
    if (m_editing) {
        candidate->SetModificationTime(now);
    }
    return candidate;
}

bool CPasswordSheet::StoreEdited(const PasswordItemRef& replacement, std::uint32_t targetFolderId) {
    // The entry must still be in data, in the folder where the sheet found it or elsewhere.
    const PasswordADT::Category* source = nullptr;
    if (m_original) {
        for (const auto& folder : m_store.Data().Folders()) {
            if (folder && std::find(folder->Entries().begin(), folder->Entries().end(), m_original) !=
                              folder->Entries().end()) {
                source = folder.get();
                break;
            }
        }
    }
    if (source == nullptr) {
        CMessageBox::ShowError(this, kNullPointerText);
        reject();
        return false;
    }
    // The store has shown its own message on failure.
    if (!m_store.ReplaceEntry(source->GetId(), m_original, targetFolderId, replacement)) {
        reject();
        return false;
    }
    return true;
}

bool CPasswordSheet::StoreNew(const PasswordItemRef& item, std::size_t targetFolder) {
    // Ask once about a description the folder has already.
    const auto& target = m_store.Data().Folders()[targetFolder];
    const std::u16string_view description = item->GetDescription().View();
    const bool duplicate = std::any_of(target->Entries().begin(), target->Entries().end(), [&](const auto& entry) {
        return entry && entry->GetDescription().View() == description;
    });
    if (duplicate) {
        WindowsServiceProvider::TaskDialogOptions options;
        options.title = u"Passwortinformationen bereits vorhanden";
        options.content = Text::Format(u"Es existiert bereits eine Passwortinformation \"%s\". Möchten Sie die neuem "
                                       u"Passwortinformation dennoch unter diesem Namen speichern?",
                                       description)
                              .ToStdString();
        options.commands = {u"Ja, diesem Namen verwenden.\nSpeichert die neue Passwortinformation unter dem gleichen Namen.",
                            u"Nein, anderen Namen wählen.\nSpeichert die Passwortinformationen unter einem anderen Namen."};
        options.icon = WindowsServiceProvider::TaskDialogIcon::Question;
        if (CMessageBox::ShowTaskDialog(this, options) != 0) {
            ShowPage(m_general);
            return false;
        }
    }
    if (!m_store.AddEntry(target->GetId(), item)) {
        reject();
        return false;
    }
    return true;
}

void CPasswordSheet::UpdateIndex() {
    try {
        // The index holds items, not places: the replaced item leaves it, the stored one
        // enters it when it qualifies.
        if (m_editing) {
            m_index.Remove(m_original);
        }
        m_index.Add(m_stored);
    } catch (...) {
        CMessageBox::ShowError(this,
                               u"Es ist ein Fehler beim Aktualisieren der Auto-Vervollständigungsinformationen aufgetreten.");
    }
}

} // namespace Tarnwick
