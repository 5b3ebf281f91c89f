#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>

#include "database/CDatabase.h"
#include "editor/EntryStore.h"
#include "model/PasswordData.h"

namespace TestSupport {

// An entry store for the sheet's tests that keeps the store's contract: the file is written
// first (through CDatabase, when one is given), the data changes only after that succeeded,
// and items are never changed in place; only the folders' lists of items change.
class FakeEntryStore final : public Tarnwick::IEntryStore {
public:
    using PasswordData = Tarnwick::PasswordADT::PasswordData;
    using PasswordItemRef = Tarnwick::PasswordADT::PasswordItemRef;
    using Category = Tarnwick::PasswordADT::Category;

    // Memory only.
    explicit FakeEntryStore(PasswordData& data) : m_data(data) {}
    // Memory and the database file.
    FakeEntryStore(PasswordData& data, Tarnwick::CDatabase& database, const Tarnwick::LoginCredentials& credentials)
        : m_data(data), m_database(&database), m_credentials(&credentials) {}

    const PasswordData& Data() const override { return m_data; }

    bool AddEntry(std::uint32_t folderId, const PasswordItemRef& item) override {
        ++adds;
        Category* target = FolderById(m_data, folderId);
        if (target == nullptr || !item || failWrites) {
            return false;
        }
        if (m_database != nullptr && !m_database->AddEntry(*m_credentials, *item, folderId)) {
            return false;
        }
        target->Entries().push_back(item);
        return true;
    }

    bool ReplaceEntry(std::uint32_t fromFolderId, const PasswordItemRef& original, std::uint32_t toFolderId,
                      const PasswordItemRef& replacement) override {
        ++replaces;
        if (FolderById(m_data, fromFolderId) == nullptr || FolderById(m_data, toFolderId) == nullptr || !original ||
            !replacement || !Contains(m_data, fromFolderId, original) || failWrites) {
            return false;
        }
        if (m_database != nullptr) {
            // The file gets the data as it will be, built beside the data the program shows.
            PasswordData next = m_data;
            for (auto& folder : next.Folders()) {
                folder = std::make_shared<Category>(*folder);
            }
            Replace(next, fromFolderId, original, toFolderId, replacement);
            if (!m_database->SaveEntries(*m_credentials, next)) {
                return false;
            }
        }
        Replace(m_data, fromFolderId, original, toFolderId, replacement);
        return true;
    }

    // Every later call fails before anything is written, as a full disk would.
    bool failWrites = false;
    int adds = 0;
    int replaces = 0;

private:
    static Category* FolderById(PasswordData& data, std::uint32_t id) {
        for (const auto& folder : data.Folders()) {
            if (folder && folder->GetId() == id) {
                return folder.get();
            }
        }
        return nullptr;
    }
    static bool Contains(PasswordData& data, std::uint32_t folderId, const PasswordItemRef& item) {
        const auto& entries = FolderById(data, folderId)->Entries();
        return std::find(entries.begin(), entries.end(), item) != entries.end();
    }
    static void Replace(PasswordData& data, std::uint32_t fromFolderId, const PasswordItemRef& original,
                        std::uint32_t toFolderId, const PasswordItemRef& replacement) {
        auto& from = FolderById(data, fromFolderId)->Entries();
        const auto it = std::find(from.begin(), from.end(), original);
        if (fromFolderId == toFolderId) {
            *it = replacement;
            return;
        }
        from.erase(it);
        FolderById(data, toFolderId)->Entries().push_back(replacement);
    }

    PasswordData& m_data;
    Tarnwick::CDatabase* m_database = nullptr;
    const Tarnwick::LoginCredentials* m_credentials = nullptr;
};

} // namespace TestSupport
