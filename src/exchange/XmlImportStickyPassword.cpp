#include "exchange/XmlImportStickyPassword.h"

#include <unordered_set>

#include "base/text/Format.h"
#include "exchange/ImportTime.h"
#include "base/exceptions/Exception.h"

namespace Tarnwick::Import::Xml {

using Utilities::Exceptions::Exception;

namespace {
constexpr std::u16string_view kCycleWarning =
    u"Die Gruppe liegt in einem Kreis übergeordneter Gruppen und wurde als oberster Ordner angelegt.";

std::optional<std::int64_t> ReadTime(const PlainString& value) {
    return ParseIsoTime(value.View(), TimeZoneRule::Utc);
}
} // namespace

XmlImportStickyPassword::XmlImportStickyPassword(PasswordADT::PasswordData& target) : XmlImportBase(target) {}

bool XmlImportStickyPassword::AcceptsRoot(std::u16string_view name) const {
    return name == u"root";
}

void XmlImportStickyPassword::BeginDocument() {
    m_groups.clear();
    m_logins.clear();
    m_accounts.clear();
    m_folders.clear();
    m_item = Item::None;
}

void XmlImportStickyPassword::StartElement(std::u16string_view name) {
    const std::u16string_view parent = EnclosingElement();
    m_item = Item::None;
    if (name == u"Group" && parent == u"Groups") {
        m_groups.emplace_back();
        m_item = Item::Group;
    } else if (name == u"Login" && parent == u"Logins") {
        m_logins.emplace_back();
        m_item = Item::ListedLogin;
    } else if (name == u"Account" && parent == u"Accounts") {
        m_accounts.emplace_back();
        m_item = Item::Account;
    } else if (name == u"Login" && !m_accounts.empty() &&
               (parent == u"LoginLinks" || parent == u"Account") && IsInside(u"Account")) {
        m_accounts.back().logins.emplace_back();
        m_item = Item::AccountLogin;
    }
}

void XmlImportStickyPassword::Attribute(std::u16string_view name, const PlainString& value) {
    switch (m_item) {
    case Item::Group: {
        Group& group = m_groups.back();
        if (name == u"ID") {
            group.id.assign(value.View());
        } else if (name == u"ParentID") {
            group.parentId.assign(value.View());
        } else if (name == u"Name") {
            group.name = value;
        }
        break;
    }
    case Item::ListedLogin:
    case Item::AccountLogin: {
        Login& login = m_item == Item::ListedLogin ? m_logins.back() : m_accounts.back().logins.back();
        if (name == u"ID") {
            login.id.assign(value.View());
        } else if (name == u"SourceLoginID") {
            login.sourceId.assign(value.View());
        } else if (name == u"Name") {
            login.name = value;
        } else if (name == u"Password") {
            login.password.Assign(value.View());
        } else if (name == u"CreatedDate") {
            login.created = ReadTime(value);
        } else if (name == u"ModifiedDate") {
            login.modified = ReadTime(value);
        }
        break;
    }
    case Item::Account: {
        Account& account = m_accounts.back();
        if (name == u"Name") {
            account.name = value;
        } else if (name == u"Link") {
            account.link = value;
        } else if (name == u"Comments") {
            // The program writes line breaks as "/n".
            account.comments = Detail::ReplaceAll(value.View(), u"/n", u"\n");
        } else if (name == u"ParentID") {
            account.parentId.assign(value.View());
        } else if (name == u"CreatedDate") {
            account.created = ReadTime(value);
        } else if (name == u"ModifiedDate") {
            account.modified = ReadTime(value);
        }
        break;
    }
    case Item::None:
        break;
    }
}

void XmlImportStickyPassword::EndElement(std::u16string_view) {
    m_item = Item::None;
}

void XmlImportStickyPassword::CreateFolders() {
    std::unordered_map<std::u16string, const Group*> byId;
    for (const Group& group : m_groups) {
        if (!group.id.empty()) {
            byId.emplace(group.id, &group); // the first of equal ids counts
        }
    }
    std::unordered_set<const Group*> done;
    const auto make = [&](const Group& group, const PasswordADT::CategoryRef& parent) {
        const auto folder = FindOrAddFolder(parent, group.name.View());
        if (!group.id.empty()) {
            m_folders.emplace(group.id, folder);
        }
        done.insert(&group);
    };
    // A parent is made before its children, whatever the order in the file.
    bool progress = true;
    while (done.size() < m_groups.size()) {
        if (!progress) {
            // What is left lies in a cycle (or below one): the first becomes a top-level folder.
            for (const Group& group : m_groups) {
                if (done.count(&group) == 0) {
                    WarnFolder(group.name.IsEmpty() ? std::u16string_view(group.id) : group.name.View(), kCycleWarning);
                    make(group, nullptr);
                    break;
                }
            }
        }
        progress = false;
        for (const Group& group : m_groups) {
            if (done.count(&group) != 0) {
                continue;
            }
            const auto parent = byId.find(group.parentId);
            const bool topLevel = group.parentId.empty() || parent == byId.end() || parent->second == &group;
            if (topLevel) {
                make(group, nullptr);
                progress = true;
            } else if (done.count(parent->second) != 0) {
                const auto parentFolder = m_folders.find(group.parentId);
                make(group, parentFolder != m_folders.end() ? parentFolder->second : nullptr);
                progress = true;
            }
        }
    }
}

PasswordADT::CategoryRef XmlImportStickyPassword::FindFolderById(const std::u16string& id) const {
    const auto found = m_folders.find(id);
    if (found == m_folders.end()) {
        throw Exception(u"nof", u"XmlImportStickyPassword::FindFolderById");
    }
    return found->second;
}

void XmlImportStickyPassword::AddEntry(const Account* account, const Login* login,
                                       const PasswordADT::CategoryRef& folder) {
    NewPasswordItemIn(folder);
    if (account != nullptr) {
        SetField(Field::Description, account->name.View());
        SetField(Field::Url, account->link.View());
        SetField(Field::Comment, account->comments.View());
        SetCreationTime(account->created);
        SetModificationTime(account->modified);
    }
    if (login != nullptr) {
        SetField(Field::UserName, login->name.View());
        SetPassword(login->password);
        if (account == nullptr) {
            SetCreationTime(login->created);
            SetModificationTime(login->modified);
        }
        SetPasswordChangeTime(login->modified ? login->modified : login->created);
    }
    ResetCurrentPasswordItem();
}

void XmlImportStickyPassword::EndDocument() {
    CreateFolders();
    std::unordered_map<std::u16string, Login*> loginsById;
    for (Login& login : m_logins) {
        if (!login.id.empty()) {
            loginsById.emplace(login.id, &login);
        }
    }
    for (const Account& account : m_accounts) {
        const auto folder = account.parentId.empty() ? nullptr : FindFolderById(account.parentId);
        bool added = false;
        for (const Login& link : account.logins) {
            const Login* login = &link;
            if (!link.sourceId.empty()) {
                const auto found = loginsById.find(link.sourceId);
                if (found == loginsById.end()) {
                    continue;
                }
                found->second->linked = true;
                login = found->second;
            }
            AddEntry(&account, login, folder);
            added = true;
        }
        if (!added) {
            AddEntry(&account, nullptr, folder);
        }
    }
    for (const Login& login : m_logins) {
        if (!login.linked) {
            AddEntry(nullptr, &login, nullptr);
        }
    }
    BeginDocument(); // nothing of the file stays in memory longer than needed
}

} // namespace Tarnwick::Import::Xml
