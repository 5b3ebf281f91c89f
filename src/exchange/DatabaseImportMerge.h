#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "crypto/String.h"
#include "database/DatabaseUserInterface.h"
#include "exchange/ExportSelection.h"
#include "exchange/FolderMap.h"
#include "model/PasswordData.h"

namespace Tarnwick::ExportImport {

// The list "Passwortduplikate:" of the import's last page.
enum class DuplicateTreatment : int {
    Ask = 0,     // "Benutzer fragen"
    Replace = 1, // "Duplikate ersetzen"
    Skip = 2,    // "Duplikate überspringen"
};

struct ImportCounts {
    std::size_t added = 0;    // new entries, copies kept under a new name included
    std::size_t replaced = 0; // existing entries overwritten by the imported one
    std::size_t skipped = 0;  // duplicates left out
    std::size_t newFolders = 0;

    std::size_t Imported() const noexcept { return added + replaced; }
};

// The duplicate dialog as the interface's question box shows it.
struct DuplicateQuestion {
    StringServiceProvider::PlainString heading;
    StringServiceProvider::PlainString text;
    std::vector<std::u16string> captions;
    std::vector<StringServiceProvider::PlainString> explanations;

    std::vector<CommandButton> Buttons() const;
};

// Merges the chosen folders and entries of another database into a folder collection.
class DatabaseImportMerge {
public:
    // The duplicate dialog's answers: the command buttons in their order, or -1 for Cancel.
    enum DuplicateAnswer : int { kCopyAndReplace = 0, kDoNotReplace = 1, kKeepBoth = 2, kCancelled = -1 };

    static constexpr std::u16string_view kCancelledMessage =
        u"Der Import wurde vom Benutzer abgebrochen. Assistent wird beendet.";

    DatabaseImportMerge(IDatabaseUserInterface& ui, DuplicateTreatment treatment) : m_ui(ui), m_treatment(treatment) {}

    // The chosen folders (with their ancestors, parents before children, in storage order)
    // are merged, then the chosen entries added, each bringing its folder chain along; the
    // progress bar advances once per entry. False when the user cancelled in the duplicate
    // dialog; the target is then partly merged.
    bool ImportPasswords(const PasswordADT::PasswordData& source, const Selection& selection,
                         PasswordADT::PasswordData& target);

    // Merges one source folder whose parent (null for a folder taken as top level) has been
    // merged already: a folder of the same name under the mapped parent is reused, otherwise
    // a new one is added. Either way the pair goes into the folder map.
    void AddNewFolderIfNotExists(const PasswordADT::Category& folder, const PasswordADT::Category* sourceParent,
                                 PasswordADT::PasswordData& target);
    // The first folder of exactly that name below the parent (kNoParent: at the top level).
    static PasswordADT::CategoryRef FolderExists(const PasswordADT::PasswordData& target, std::uint32_t parentId,
                                                 std::u16string_view name);
    // Adds a copy of the entry, or treats it as a duplicate. False when the user cancelled.
    bool AddPasswordItem(PasswordADT::Category& destination, const PasswordADT::PasswordItem& item);

    // The dialog for an entry whose description the folder already holds.
    static DuplicateQuestion MakeDuplicateQuestion(const PasswordADT::Category& destination,
                                                   const PasswordADT::PasswordItem& incoming,
                                                   const PasswordADT::PasswordItem& existing);
    // "%d.%m.%Y %H:%M" in local time.
    static std::u16string FormatTime(std::int64_t seconds);

    const ImportCounts& Counts() const noexcept { return m_counts; }
    const FolderMap& Map() const noexcept { return m_map; }

private:
    // The descriptions of one destination folder's entries, so that a duplicate is found
    // without a search through the folder: importing many entries into one folder stays
    // linear. Entries appended since the last look are taken in when the folder is next used;
    // only hashes and positions are kept, never a description.
    struct EntryIndex {
        std::unordered_multimap<std::size_t, std::size_t> positions; // hash of a description
        std::size_t indexed = 0;
        // Per copy name base: the first number "(n)" not yet known to be taken.
        struct CopyNumber {
            StringServiceProvider::PlainString base;
            int next = 1;
        };
        std::unordered_multimap<std::size_t, CopyNumber> copyNumbers;
    };
    // The folders of the target by id and by parent and name, for the same reason.
    struct FolderIndex {
        const PasswordADT::PasswordData* target = nullptr;
        std::size_t indexed = 0;
        std::unordered_map<std::uint32_t, PasswordADT::CategoryRef> byId;
        std::unordered_map<std::u16string, PasswordADT::CategoryRef> byName;
    };

    void MergeChain(const PasswordADT::PasswordData& source, const std::vector<std::size_t>& parents,
                    std::size_t position, PasswordADT::PasswordData& target);
    void KeepBoth(PasswordADT::Category& destination, const PasswordADT::PasswordItem& item);
    // The position of the first entry of exactly that description, as
    // CPasswordADTUtil::PasswordExists finds it.
    bool FindDescription(const PasswordADT::Category& folder, std::u16string_view description, std::size_t& position);
    // CPasswordADTUtil::CopyName, without trying again the numbers found taken before.
    StringServiceProvider::PlainString CopyName(const PasswordADT::Category& folder, std::u16string_view description);
    EntryIndex& IndexOf(const PasswordADT::Category& folder);
    FolderIndex& FoldersOf(const PasswordADT::PasswordData& target);
    void AddToFolderIndex(const PasswordADT::CategoryRef& folder);
    PasswordADT::CategoryRef FindFolder(const PasswordADT::PasswordData& target, std::uint32_t id);
    static std::u16string FolderKey(std::uint32_t parentId, std::u16string_view name);

    IDatabaseUserInterface& m_ui;
    DuplicateTreatment m_treatment;
    FolderMap m_map;
    ImportCounts m_counts;
    std::unordered_map<const PasswordADT::Category*, EntryIndex> m_entryIndexes;
    FolderIndex m_folders;
};

} // namespace Tarnwick::ExportImport
