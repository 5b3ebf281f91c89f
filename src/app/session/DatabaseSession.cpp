#include "app/session/DatabaseSession.h"

#include <algorithm>
#include <unordered_set>

#include "log/LogProvider.h"
#include "base/exceptions/Exception.h"
#include "model/ByteBuffer.h"

namespace Tarnwick::Session {

using PasswordADT::Category;
using PasswordADT::CategoryRef;
using PasswordADT::PasswordData;
using PasswordADT::PasswordItem;
using PasswordADT::PasswordItemRef;

namespace {

constexpr std::u16string_view kGone =
    u"Die Passwortinformation ist nicht mehr vorhanden. Ein anderes Programm hat sie inzwischen geändert oder "
    u"gelöscht.";

Category* FolderById(PasswordData& data, std::uint32_t id) {
    for (const CategoryRef& folder : data.Folders()) {
        if (folder && folder->GetId() == id) {
            return folder.get();
        }
    }
    return nullptr;
}

bool SameContent(const PasswordItem& a, const PasswordItem& b) {
    PasswordADT::ByteBuffer left;
    PasswordADT::ByteBuffer right;
    a.Serialize(left);
    b.Serialize(right);
    return left.Size() == right.Size() && std::equal(left.Data(), left.Data() + left.Size(), right.Data());
}

struct Location {
    Category* folder = nullptr;
    std::size_t index = 0;
};

// Where ref's entry is in data: the item itself (in its folder, then anywhere), else after a
// reload an entry of the same content (in its folder, then anywhere).
std::optional<Location> Locate(PasswordData& data, const EntryRef& ref) {
    if (!ref.item) {
        return std::nullopt;
    }
    Category* home = FolderById(data, ref.folderId);
    const auto search = [&](const auto& matches) -> std::optional<Location> {
        if (home != nullptr) {
            auto& entries = home->Entries();
            for (std::size_t i = 0; i < entries.size(); ++i) {
                if (entries[i] && matches(*entries[i], entries[i])) {
                    return Location{home, i};
                }
            }
        }
        for (const CategoryRef& folder : data.Folders()) {
            if (!folder || folder.get() == home) {
                continue;
            }
            auto& entries = folder->Entries();
            for (std::size_t i = 0; i < entries.size(); ++i) {
                if (entries[i] && matches(*entries[i], entries[i])) {
                    return Location{folder.get(), i};
                }
            }
        }
        return std::nullopt;
    };
    if (auto found = search([&](const PasswordItem&, const PasswordItemRef& item) { return item == ref.item; })) {
        return found;
    }
    return search([&](const PasswordItem& item, const PasswordItemRef&) { return SameContent(item, *ref.item); });
}

} // namespace

PasswordData WorkingCopy(const PasswordData& data) {
    PasswordData copy = data;
    for (CategoryRef& folder : copy.Folders()) {
        if (folder) {
            folder = std::make_shared<Category>(*folder);
        }
    }
    return copy;
}

DatabaseSession::DatabaseSession(IDatabaseUserInterface& ui) : m_ui(ui) {}

DatabaseSession::~DatabaseSession() { Close(); }

bool DatabaseSession::Open(std::filesystem::path path, LoginCredentials credentials) {
    Close();
    auto database = std::make_unique<CDatabase>(m_ui, path);
    database->SetLoadNotice([this](std::u16string_view text) {
        if (onLoadNotice) {
            onLoadNotice(text);
        } else {
            m_ui.ShowWarning(text);
        }
    });
    PasswordData loaded;
    if (!database->Load(credentials, loaded)) {
        credentials.userName.Clear();
        credentials.password.Clear();
        return false;
    }
    m_database = std::move(database);
    m_path = std::move(path);
    m_credentials = std::move(credentials);
    m_data = std::move(loaded);
    RememberFile();
    return true;
}

void DatabaseSession::Close() noexcept {
    m_database.reset();
    m_credentials.userName.Clear();
    m_credentials.password.Clear();
    m_path.clear();
    m_data.Clear();
    m_stamp = FileStamp();
    m_report = ChangeReport();
}

CDatabase& DatabaseSession::Database() {
    if (!m_database) {
        throw Utilities::Exceptions::Exception(u"no database", u"DatabaseSession::Database");
    }
    return *m_database;
}

void DatabaseSession::RememberFile() {
    m_stamp = m_database ? FileStamp::Capture(m_database->GetFilePath()) : FileStamp();
}

void DatabaseSession::AcceptCurrentFile() { RememberFile(); }

void DatabaseSession::SetCredentials(LoginCredentials credentials) { m_credentials = std::move(credentials); }

bool DatabaseSession::Reload(bool tell) {
    PasswordData fresh;
    if (!m_database->Load(m_credentials, fresh)) {
        return false;
    }
    m_data = std::move(fresh);
    RememberFile();
    if (tell) {
        LogProvider::GenericLog::LogEvent(0, u"database changed by another program: read again");
        if (onReloaded) {
            onReloaded();
        }
    }
    return true;
}

bool DatabaseSession::ReloadIfChanged() {
    if (!m_database || !m_stamp.DiffersFrom(m_database->GetFilePath())) {
        return false;
    }
    return Reload();
}

std::optional<std::size_t> DatabaseSession::FolderPosition(std::uint32_t folderId) const {
    const auto& folders = m_data.Folders();
    for (std::size_t i = 0; i < folders.size(); ++i) {
        if (folders[i] && folders[i]->GetId() == folderId) {
            return i;
        }
    }
    return std::nullopt;
}

PasswordItemRef DatabaseSession::Resolve(const PasswordData& data, const EntryRef& ref) const {
    const auto location = Locate(const_cast<PasswordData&>(data), ref);
    return location ? location->folder->Entries()[location->index] : nullptr;
}

bool DatabaseSession::Store(StoreKind kind, const PasswordData& working, const PasswordItem* appended,
                            std::uint32_t appendFolder) {
    switch (kind) {
    case StoreKind::Append:
        return m_database->AddEntry(m_credentials, *appended, appendFolder);
    case StoreKind::Entries:
        return m_database->SaveEntries(m_credentials, working);
    case StoreKind::Folders:
        return m_database->SaveCategories(m_credentials, working);
    case StoreKind::All:
        return m_database->SaveAll(m_credentials, working);
    case StoreKind::Reorganise:
        return m_database->Reorganise(m_credentials, working) == RequestResult::Succeeded;
    }
    return false;
}

Outcome DatabaseSession::Apply(StoreKind kind, const Change& change, const PasswordItem* appended,
                               std::uint32_t appendFolder) {
    m_report = ChangeReport();
    if (!m_database) {
        return Outcome::Failed;
    }
    // Another program's change is read first, so it is never written over.
    bool reloaded = false;
    if (m_stamp.DiffersFrom(m_database->GetFilePath())) {
        if (!Reload()) {
            return Outcome::Failed;
        }
        reloaded = true;
    }
    PasswordData working = WorkingCopy(m_data);
    ChangeReport report;
    report.reloaded = reloaded;
    const Outcome prepared = change(working, report);
    if (prepared != Outcome::Stored) {
        m_report.reloaded = reloaded;
        return prepared;
    }
    if (!Store(kind, working, appended, appendFolder)) {
        // The file is as it was, and so is the data; should the file have changed after all,
        // the data follows it.
        // (A failed append may have left bytes behind the last record: the same content.)
        if (m_stamp.DiffersFrom(m_database->GetFilePath())) {
            Reload(false);
        }
        m_report.reloaded = reloaded;
        return Outcome::Failed;
    }
    m_data = std::move(working);
    RememberFile();
    m_report = std::move(report);
    return Outcome::Stored;
}

Outcome DatabaseSession::Add(std::uint32_t folderId, const PasswordItemRef& item) {
    if (!item) {
        return Outcome::Unchanged;
    }
    return Apply(
        StoreKind::Append,
        [&](PasswordData& working, ChangeReport& report) {
            Category* folder = FolderById(working, folderId);
            if (folder == nullptr) {
                return Outcome::Gone;
            }
            folder->Entries().push_back(item);
            report.added.push_back(item);
            return Outcome::Stored;
        },
        item.get(), folderId);
}

Outcome DatabaseSession::Replace(const EntryRef& original, std::uint32_t toFolderId, const PasswordItemRef& replacement) {
    if (!replacement) {
        return Outcome::Unchanged;
    }
    return Apply(StoreKind::Entries, [&](PasswordData& working, ChangeReport& report) {
        const auto location = Locate(working, original);
        Category* target = FolderById(working, toFolderId);
        if (!location || target == nullptr) {
            return Outcome::Gone;
        }
        auto& entries = location->folder->Entries();
        report.removed.push_back(entries[location->index]);
        report.added.push_back(replacement);
        if (target == location->folder) {
            entries[location->index] = replacement;
        } else {
            entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(location->index));
            target->Entries().push_back(replacement);
        }
        return Outcome::Stored;
    });
}

Outcome DatabaseSession::Delete(const std::vector<EntryRef>& refs, std::size_t* missing) {
    if (missing != nullptr) {
        *missing = 0;
    }
    return Apply(StoreKind::Entries, [&](PasswordData& working, ChangeReport& report) {
        std::size_t gone = 0;
        for (const EntryRef& ref : refs) {
            const auto location = Locate(working, ref);
            if (!location) {
                ++gone;
                continue;
            }
            auto& entries = location->folder->Entries();
            report.removed.push_back(entries[location->index]);
            entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(location->index));
        }
        if (missing != nullptr) {
            *missing = gone;
        }
        return report.removed.empty() ? Outcome::Gone : Outcome::Stored;
    });
}

Outcome DatabaseSession::Move(const std::vector<EntryRef>& refs, std::uint32_t targetFolderId) {
    return Apply(StoreKind::Entries, [&](PasswordData& working, ChangeReport&) {
        Category* target = FolderById(working, targetFolderId);
        if (target == nullptr) {
            return Outcome::Gone;
        }
        bool moved = false;
        bool found = false;
        for (const EntryRef& ref : refs) {
            const auto location = Locate(working, ref);
            if (!location) {
                continue;
            }
            found = true;
            if (location->folder == target) {
                continue;
            }
            auto& entries = location->folder->Entries();
            const PasswordItemRef item = entries[location->index];
            entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(location->index));
            target->Entries().push_back(item);
            moved = true;
        }
        return moved ? Outcome::Stored : (found ? Outcome::Unchanged : Outcome::Gone);
    });
}

Outcome DatabaseSession::AddFolder(std::optional<std::uint32_t> parentId, std::u16string_view name,
                                   std::uint32_t* newId) {
    // A new folder block moves the entry records: folders and entries are written together.
    return Apply(StoreKind::All, [&](PasswordData& working, ChangeReport&) {
        CategoryRef folder;
        if (parentId) {
            if (FolderById(working, *parentId) == nullptr) {
                return Outcome::Gone;
            }
            folder = working.AddSubfolder(*parentId, name);
        } else {
            folder = working.AddFolder(name);
        }
        if (newId != nullptr) {
            *newId = folder->GetId();
        }
        return Outcome::Stored;
    });
}

Outcome DatabaseSession::RenameFolder(std::uint32_t folderId, std::u16string_view name) {
    return Apply(StoreKind::Folders, [&](PasswordData& working, ChangeReport&) {
        Category* folder = FolderById(working, folderId);
        if (folder == nullptr) {
            return Outcome::Gone;
        }
        if (folder->GetName().View() == name) {
            return Outcome::Unchanged;
        }
        folder->Rename(name);
        return Outcome::Stored;
    });
}

Outcome DatabaseSession::DeleteFolder(std::uint32_t folderId) {
    return Apply(StoreKind::Reorganise, [&](PasswordData& working, ChangeReport& report) {
        std::optional<std::size_t> position;
        for (std::size_t i = 0; i < working.FolderCount(); ++i) {
            if (working.Folders()[i] && working.Folders()[i]->GetId() == folderId) {
                position = i;
                break;
            }
        }
        if (!position) {
            return Outcome::Gone;
        }
        std::unordered_set<const PasswordItem*> kept;
        std::vector<PasswordItemRef> before;
        for (const CategoryRef& folder : working.Folders()) {
            before.insert(before.end(), folder->Entries().begin(), folder->Entries().end());
        }
        working.DeleteFolder(*position);
        for (const CategoryRef& folder : working.Folders()) {
            for (const PasswordItemRef& item : folder->Entries()) {
                kept.insert(item.get());
            }
        }
        for (const PasswordItemRef& item : before) {
            if (kept.count(item.get()) == 0) {
                report.removed.push_back(item);
            }
        }
        return Outcome::Stored;
    });
}

bool DatabaseSession::AddEntry(std::uint32_t folderId, const PasswordItemRef& item) {
    const Outcome outcome = Add(folderId, item);
    if (outcome == Outcome::Gone) {
        m_ui.ShowError(kGone);
    }
    return outcome == Outcome::Stored;
}

bool DatabaseSession::ReplaceEntry(std::uint32_t fromFolderId, const PasswordItemRef& original,
                                   std::uint32_t toFolderId, const PasswordItemRef& replacement) {
    const Outcome outcome = Replace(EntryRef{fromFolderId, original}, toFolderId, replacement);
    if (outcome == Outcome::Gone) {
        m_ui.ShowError(kGone);
    }
    return outcome == Outcome::Stored;
}

} // namespace Tarnwick::Session
