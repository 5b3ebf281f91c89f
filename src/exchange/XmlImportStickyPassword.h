#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "exchange/XmlImportBase.h"

namespace Tarnwick::Import::Xml {

// Sticky Password 4 and Kaspersky Password Manager XML ("root" / "Database" with "Logins",
// "Accounts" and "Groups"). Everything is collected first and built at the end of the
// document, so the order of the three lists does not matter: the groups become folders
// (a parent before its children; groups in a cycle become top-level folders with a
// warning), then every account gives one entry per login it links ("LoginLinks" with
// "SourceLoginID", or a "Login" with "Name" and "Password" inside the account): account
// name, link and comments, login name and password, and the times of the login. Logins no
// account links go to the import folder. An account whose "ParentID" names no group
// raises "nof".
class XmlImportStickyPassword : public XmlImportBase {
public:
    explicit XmlImportStickyPassword(PasswordADT::PasswordData& target);

protected:
    void BeginDocument() override;
    void StartElement(std::u16string_view name) override;
    void EndElement(std::u16string_view name) override;
    void Attribute(std::u16string_view name, const PlainString& value) override;
    void EndDocument() override;
    bool AcceptsRoot(std::u16string_view name) const override;

private:
    struct Group {
        std::u16string id;
        std::u16string parentId;
        PlainString name;
    };
    struct Login {
        std::u16string id;
        std::u16string sourceId; // a link to a login of the list
        PlainString name;
        SecureString password;
        std::optional<std::int64_t> created;
        std::optional<std::int64_t> modified;
        bool linked = false;
    };
    struct Account {
        std::u16string parentId;
        PlainString name;
        PlainString link;
        PlainString comments;
        std::optional<std::int64_t> created;
        std::optional<std::int64_t> modified;
        std::vector<Login> logins;
    };

    void CreateFolders();
    // The folder of a group id of the file; raises "nof" for an unknown id.
    PasswordADT::CategoryRef FindFolderById(const std::u16string& id) const;
    void AddEntry(const Account* account, const Login* login, const PasswordADT::CategoryRef& folder);

    std::vector<Group> m_groups;
    std::vector<Login> m_logins;
    std::vector<Account> m_accounts;
    enum class Item { None, Group, ListedLogin, AccountLogin, Account } m_item = Item::None;
    // File group ids to the folders made for them (null: the import folder).
    std::unordered_map<std::u16string, PasswordADT::CategoryRef> m_folders;
};

} // namespace Tarnwick::Import::Xml
