#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "crypto/SecureString.h"
#include "crypto/String.h"
#include "model/PasswordData.h"

namespace Tarnwick::Import {

using StringServiceProvider::PlainString;
using StringServiceProvider::SecureString;

// Something the file held that could not be taken over as it stood; the wizard lists these
// after reading the file.
struct ImportWarning {
    std::size_t entryNumber = 0; // counted from 1 in the order of the file; 0 for a folder
    std::u16string field;        // caption of the field ("Kommentar", "Ordner", ...)
    PlainString text;            // the whole message, ready to show
};

// An earlier password and the moment it became the current one (0 when the file has none).
struct HistoryVersion {
    std::int64_t time = 0;
    SecureString password;
};

// The earlier passwords of one entry, gathered while the file is read and kept within the
// model's bound as they come, so that no file can make an entry's history grow without end:
// empty passwords are not kept, over-long ones only counted. In file order a repeat of the
// password before is no new version, and of more than the model holds the oldest go; ordered
// by time (the file may list them in any order) the newest by time stay.
class HistoryCollector {
public:
    explicit HistoryCollector(bool orderedByTime = false) : m_orderedByTime(orderedByTime) {}

    void Add(HistoryVersion version);
    void Clear() noexcept;
    // Oldest first (in file order, or by time when every version has one).
    std::vector<HistoryVersion> Take();
    const std::vector<HistoryVersion>& Versions() const noexcept { return m_versions; }
    std::size_t TooLong() const noexcept { return m_tooLong; }
    std::size_t Dropped() const noexcept { return m_dropped; }

private:
    void Order();

    bool m_orderedByTime;
    std::vector<HistoryVersion> m_versions;
    std::size_t m_tooLong = 0;
    std::size_t m_dropped = 0;
};

// Common frame of every importer: reads another manager's export into a fresh, in-memory
// folder collection that the wizard offers for the final choice. Values beyond the limits of
// an entry are cut (or, where a cut value would be wrong, left out) and reported as warnings,
// so that the collection can always be written.
class ImportBase {
public:
    explicit ImportBase(PasswordADT::PasswordData& target);
    ImportBase(const ImportBase&) = delete;
    ImportBase& operator=(const ImportBase&) = delete;
    virtual ~ImportBase();

    // Reads the file into the target collection. Any failure is an exception; what was read
    // before it stays in the collection, which the wizard then discards.
    virtual void Import(const std::filesystem::path& path) = 0;
    // Looks the name up under the current folder (at the top level without one) and adds it
    // when absent; the folder becomes the current folder. An empty name changes nothing; a
    // name beyond 74 code units is cut, with a warning.
    virtual void CreateFolder(std::u16string_view name);

    // The folder for entries that the file places in no folder; "Import dd.mm.yyyy" of the
    // day of the import unless set.
    void SetImportFolderName(std::u16string_view name);
    std::u16string GetImportFolderName() const;

    const std::vector<ImportWarning>& GetWarnings() const noexcept { return m_warnings; }
    // Entries created by this importer so far.
    std::size_t GetImportedEntryCount() const noexcept { return m_entryCount; }
    PasswordADT::PasswordData& GetTarget() noexcept { return *m_target; }

    // The most warnings kept about one entry.
    static constexpr std::size_t kMaximumEntryWarnings = 20;

    // The most text one entry can hold, in code units: every text field at its limit, the
    // user-defined fields and the earlier passwords at theirs. A record of a file that is
    // longer cannot be an entry.
    static constexpr std::size_t kMaximumEntryText =
        PasswordADT::PasswordItem::kMaxDescription + PasswordADT::PasswordItem::kMaxUserName +
        PasswordADT::PasswordItem::kMaxPassword + PasswordADT::PasswordItem::kMaxComment +
        PasswordADT::PasswordItem::kMaxUrl + PasswordADT::PasswordItem::kMaxEmail +
        PasswordADT::PasswordItem::kMaxTargetWindow + PasswordADT::PasswordItem::kMaxSequence +
        PasswordADT::PasswordItem::kMaxSymbol + PasswordADT::PasswordItem::kMaxPasteMethod +
        PasswordADT::UserDefinedFields::kMaximumCount * 2 * PasswordADT::UserDefinedFields::kMaximumLength +
        PasswordADT::PasswordHistoryMap::kMaximumCount * PasswordADT::PasswordHistoryEntry::kMaximumPasswordLength;

    // Captions of the entry fields in warnings.
    enum class Field { Description, UserName, Password, Comment, Url, Email, TargetWindow, Sequence };
    static std::u16string_view FieldCaption(Field field) noexcept;

protected:
    // Raises "null" ("ImportBase::GetCurrentFolder") without a current folder.
    const PasswordADT::CategoryRef& GetCurrentFolder() const;
    // Raises "null" ("ImportBase::GetCurrentPasswordItem") without a current entry.
    PasswordADT::PasswordItem& GetCurrentPasswordItem() const;
    bool HasCurrentFolder() const noexcept { return static_cast<bool>(m_currentFolder); }
    bool HasCurrentPasswordItem() const noexcept { return static_cast<bool>(m_currentItem); }
    void SetCurrentFolder(const PasswordADT::CategoryRef& folder) { m_currentFolder = folder; }
    void ResetCurrentFolder() noexcept { m_currentFolder.reset(); }
    // No current entry any more; its warnings are written with its final description.
    void ResetCurrentPasswordItem();

    // The folder under parent (the top level when null) with exactly that name, or null.
    // A null slot in the collection raises "null" ("ImportBase::FolderExists").
    PasswordADT::CategoryRef FolderExists(const PasswordADT::CategoryRef& parent, std::u16string_view name);
    // Looks the name up under parent and adds it when absent. An empty name gives parent;
    // a name beyond 74 code units is cut with a warning.
    PasswordADT::CategoryRef FindOrAddFolder(const PasswordADT::CategoryRef& parent, std::u16string_view name);
    // Walks a path of names split at the separator from start (the top level when null),
    // adding missing folders; empty parts are skipped. With escapes, "\" before the
    // separator keeps it in the name. Gives start when the path names nothing.
    PasswordADT::CategoryRef FindOrAddPath(const PasswordADT::CategoryRef& start, std::u16string_view path,
                                           char16_t separator, bool escapes = false);
    // The top-level import folder, added on first use.
    PasswordADT::CategoryRef ImportFolder();

    // A default entry appended to the current folder; raises "null" without one.
    void NewPasswordItem();
    // A default entry appended to the folder, or to the import folder when it is null.
    void NewPasswordItemIn(const PasswordADT::CategoryRef& folder);
    // A default entry that is placed later, for formats that name the folder inside the entry.
    void NewDetachedPasswordItem();
    // Appends the current (detached) entry to the folder, or to the import folder when it is null.
    void PlaceCurrentPasswordItem(const PasswordADT::CategoryRef& folder);

    // Field setters on the current entry (raise "null" without one). Text fields beyond their
    // limit are cut; a password or sequence beyond its limit is left out. Both are reported.
    void SetField(Field field, std::u16string_view value);
    // Sets the password with the import time as password change time.
    void SetPassword(std::u16string_view password);
    void SetPassword(const SecureString& password);
    // Adds a user-defined field. An empty value adds nothing; a name the entry already has,
    // an empty or over-long name or value, or a 101st field are left out with a warning.
    void AddUserDefinedField(std::u16string_view name, std::u16string_view value);
    // Times the file gives (seconds since 1970, only values above 0 are taken).
    void SetCreationTime(std::optional<std::int64_t> time);
    void SetModificationTime(std::optional<std::int64_t> time);
    void SetPasswordChangeTime(std::optional<std::int64_t> time);
    // Validity until a date, or for a number of days after the last password change.
    void SetExpiryDate(std::int64_t time);
    void SetExpiryDays(std::uint32_t days);
    // Earlier passwords, oldest first. Empty ones and runs of the same password collapse,
    // a last run equal to the current password is not history; times that do not rise are
    // moved up by a second, and the password change time follows the newest one. Passwords
    // beyond 1024 code units and all but the newest 100 are left out with a warning.
    void SetPasswordHistory(std::vector<HistoryVersion> versions);
    // The same with what a collector gathered; what it left out counts in the warnings.
    void SetPasswordHistory(HistoryCollector& collector);

    // Adds a warning about a field of the current entry (written when the entry is complete,
    // with its final description), or about a folder name. Of many warnings about one entry
    // only the first kMaximumEntryWarnings are kept; the others are counted.
    void WarnEntry(std::u16string_view fieldCaption, std::u16string_view message);
    void WarnFolder(std::u16string_view folderName, std::u16string_view message);
    // Adds a warning about the file as a whole.
    void WarnFile(std::u16string_view message);

    // Starts an import: forgets the state of an earlier run and the warnings.
    void BeginImport();
    // Ends an import: the warnings of the last entry are written.
    void FinishImport();

private:
    struct PendingWarning {
        std::u16string field;
        PlainString detail;
    };
    void FlushEntryWarnings();
    void ApplyPasswordHistory(std::vector<HistoryVersion> versions, std::size_t tooLong, std::size_t dropped);
    void AppendEntry(const PasswordADT::CategoryRef& folder);
    PasswordADT::PasswordItemRef CreateEntry();
    void RebuildFolderIndex();
    static std::u16string FolderKey(std::uint32_t parentId, std::u16string_view name);

    PasswordADT::PasswordData* m_target;
    PasswordADT::CategoryRef m_currentFolder;
    PasswordADT::PasswordItemRef m_currentItem;
    std::size_t m_currentItemNumber = 0;
    std::size_t m_entryCount = 0;
    std::u16string m_importFolderName;
    std::vector<ImportWarning> m_warnings;
    std::vector<PendingWarning> m_pending;
    // Of the current entry: warnings not kept, and user-defined fields beyond the model's bound.
    std::size_t m_unlistedWarnings = 0;
    std::size_t m_fieldsOverLimit = 0;
    // Folders by parent id and name, for quick lookups in large files.
    std::unordered_map<std::u16string, PasswordADT::CategoryRef> m_folderIndex;
    std::size_t m_indexedFolders = 0;
};

} // namespace Tarnwick::Import
