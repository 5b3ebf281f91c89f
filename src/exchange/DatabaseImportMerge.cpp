#include "exchange/DatabaseImportMerge.h"

#include <algorithm>
#include <functional>
#include <memory>

#include "base/text/Format.h"
#include "log/LogProvider.h"
#include "base/exceptions/Exception.h"
#include "platform/Files.h"

namespace Tarnwick::ExportImport {

using PasswordADT::Category;
using PasswordADT::CategoryRef;
using PasswordADT::PasswordData;
using PasswordADT::PasswordItem;
using StringServiceProvider::PlainString;
using Utilities::Exceptions::Exception;

namespace {

constexpr const char16_t* kFolderContext = u"CImportPasswordPage3::AddNewFolderIfNotExists";
constexpr const char16_t* kItemContext = u"CImportPasswordPage3::AddPasswordItem";
constexpr const char16_t* kImportContext = u"CImportPasswordPage3::ImportPasswords";

// Ends the page's progress bar however the merge ends.
class ProgressScope {
public:
    ProgressScope(IDatabaseUserInterface& ui, std::size_t units) : m_ui(ui) {
        m_ui.ProgressStart(static_cast<std::int32_t>(std::min<std::size_t>(units, INT32_MAX)));
    }
    ~ProgressScope() {
        try {
            m_ui.ProgressEnd();
        } catch (...) {
        }
    }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

private:
    IDatabaseUserInterface& m_ui;
};

// Description, creation and modification time of one side of the duplicate dialog.
PlainString EntryLines(std::u16string_view explanation, const PasswordItem& item, std::u16string_view age) {
    PlainString lines(explanation);
    lines.Append(u"\n");
    lines.Append(Text::Format(u"Beschreibung: %s", item.GetDescription()).View());
    lines.Append(u"\n");
    lines.Append(
        Text::Format(u"Erstelldatum: %s", DatabaseImportMerge::FormatTime(item.GetCreationTime())).View());
    lines.Append(u"\n");
    PlainString modified =
        Text::Format(u"Änderungsdatum: %s %s", DatabaseImportMerge::FormatTime(item.GetModificationTime()), age);
    // Of two equally old entries neither is the newer one.
    lines.Append(age.empty() ? modified.View().substr(0, modified.Length() - 1) : modified.View());
    return lines;
}

} // namespace

std::vector<CommandButton> DuplicateQuestion::Buttons() const {
    std::vector<CommandButton> buttons;
    for (std::size_t i = 0; i < captions.size(); ++i) {
        buttons.push_back({captions[i], i < explanations.size() ? explanations[i].View() : std::u16string_view()});
    }
    return buttons;
}

std::u16string DatabaseImportMerge::FormatTime(std::int64_t seconds) {
    Platform::CalendarTime time;
    if (!Platform::ToCalendarTime(seconds, true, time).Ok()) {
        return {};
    }
    return Text::Format(u"%02d.%02d.%04d %02d:%02d", time.day, time.month, time.year, time.hour, time.minute)
        .ToStdString();
}

DuplicateQuestion DatabaseImportMerge::MakeDuplicateQuestion(const Category& destination, const PasswordItem& incoming,
                                                             const PasswordItem& existing) {
    std::u16string_view incomingAge;
    std::u16string_view existingAge;
    if (incoming.GetModificationTime() > existing.GetModificationTime()) {
        incomingAge = u"(neuer)";
        existingAge = u"(älter)";
    } else if (incoming.GetModificationTime() < existing.GetModificationTime()) {
        incomingAge = u"(älter)";
        existingAge = u"(neuer)";
    }
    DuplicateQuestion question;
    question.heading = Text::Format(u"Es befindet sich bereits eine Passwortinformation derselben Beschreibung in dem "
                                    u"Ordner \"%s\".",
                                    destination.GetName());
    question.text = u"Klicken Sie auf die Passwortinformation, die Sie beibehalten möchten.";
    question.captions = {u"Kopieren und ersetzen", u"Nicht ersetzen", u"Kopieren, aber beide beibehalten"};
    question.explanations.push_back(
        EntryLines(u"Alte Passwortinformation durch die Neue ersetzen.", incoming, incomingAge));
    question.explanations.push_back(EntryLines(
        u"Es wird keine neue Passwortinformation hinzugefügt. Die Alte bleibt unverändert.", existing, existingAge));
    question.explanations.emplace_back(u"Fügt die neue Passwortinformation hinzu. Die Alte bleibt unverändert.");
    return question;
}

CategoryRef DatabaseImportMerge::FolderExists(const PasswordData& target, std::uint32_t parentId,
                                              std::u16string_view name) {
    for (const CategoryRef& folder : target.Folders()) {
        if (!folder) {
            throw Exception(u"null imp", u"CImportPasswordPage3::FolderExists");
        }
        if (folder->GetParentId() == parentId && folder->GetName().View() == name) {
            return folder;
        }
    }
    return nullptr;
}

void DatabaseImportMerge::AddNewFolderIfNotExists(const Category& folder, const Category* sourceParent,
                                                  PasswordData& target) {
    if (m_map.Contains(folder.GetId())) {
        return;
    }
    std::uint32_t parentId = Category::kNoParent;
    if (sourceParent != nullptr) {
        if (!m_map.Contains(sourceParent->GetId())) {
            throw Exception(u"parent not found", kFolderContext);
        }
        parentId = m_map[sourceParent->GetId()];
        if (!FindFolder(target, parentId)) {
            throw Exception(u"invalid parent", kFolderContext);
        }
    }
    FolderIndex& folders = FoldersOf(target);
    const auto found = folders.byName.find(FolderKey(parentId, folder.GetName().View()));
    if (const CategoryRef existing = found != folders.byName.end() ? found->second : nullptr) {
        if (!m_map.Insert(folder.GetId(), existing->GetId())) {
            throw Exception(u"add map", kFolderContext);
        }
        return;
    }
    CategoryRef added;
    try {
        added = sourceParent != nullptr ? target.AddSubfolder(parentId, folder.GetName().View())
                                        : target.AddFolder(folder.GetName().View());
    } catch (const Exception& e) {
        LogProvider::GenericExceptionLog::LogEvent(e);
        throw Exception(u"add failed", kFolderContext);
    }
    ++m_counts.newFolders;
    if (!m_map.Insert(folder.GetId(), added->GetId())) {
        throw Exception(u"add map 2", kFolderContext);
    }
}

std::u16string DatabaseImportMerge::FolderKey(std::uint32_t parentId, std::u16string_view name) {
    std::u16string key;
    key.reserve(name.size() + 2);
    key.push_back(static_cast<char16_t>(parentId >> 16));
    key.push_back(static_cast<char16_t>(parentId & 0xFFFF));
    key.append(name);
    return key;
}

void DatabaseImportMerge::AddToFolderIndex(const CategoryRef& folder) {
    // The first of equal folders wins, as a search from the front would find it.
    m_folders.byId.emplace(folder->GetId(), folder);
    m_folders.byName.emplace(FolderKey(folder->GetParentId(), folder->GetName().View()), folder);
    ++m_folders.indexed;
}

DatabaseImportMerge::FolderIndex& DatabaseImportMerge::FoldersOf(const PasswordData& target) {
    const auto& folders = target.Folders();
    if (m_folders.target != &target || m_folders.indexed > folders.size()) {
        m_folders = FolderIndex{};
        m_folders.target = &target;
    }
    // Folders added since the last look (the merge itself appends them).
    while (m_folders.indexed < folders.size()) {
        const CategoryRef& folder = folders[m_folders.indexed];
        if (!folder) {
            m_folders = FolderIndex{};
            throw Exception(u"null imp", u"CImportPasswordPage3::FolderExists");
        }
        AddToFolderIndex(folder);
    }
    return m_folders;
}

CategoryRef DatabaseImportMerge::FindFolder(const PasswordData& target, std::uint32_t id) {
    FolderIndex& folders = FoldersOf(target);
    const auto found = folders.byId.find(id);
    return found != folders.byId.end() ? found->second : nullptr;
}

DatabaseImportMerge::EntryIndex& DatabaseImportMerge::IndexOf(const Category& folder) {
    EntryIndex& index = m_entryIndexes[&folder];
    const auto& entries = folder.Entries();
    if (index.indexed > entries.size()) {
        index = EntryIndex{}; // entries were taken out elsewhere: start afresh
    }
    for (; index.indexed < entries.size(); ++index.indexed) {
        if (entries[index.indexed]) {
            const std::u16string_view description = entries[index.indexed]->GetDescription().View();
            index.positions.emplace(std::hash<std::u16string_view>{}(description), index.indexed);
        }
    }
    return index;
}

bool DatabaseImportMerge::FindDescription(const Category& folder, std::u16string_view description,
                                          std::size_t& position) {
    const EntryIndex& index = IndexOf(folder);
    const auto& entries = folder.Entries();
    bool found = false;
    const auto range = index.positions.equal_range(std::hash<std::u16string_view>{}(description));
    for (auto it = range.first; it != range.second; ++it) {
        const std::size_t at = it->second;
        if (at < entries.size() && entries[at] && entries[at]->GetDescription().View() == description &&
            (!found || at < position)) {
            position = at;
            found = true;
        }
    }
    return found;
}

PlainString DatabaseImportMerge::CopyName(const Category& folder, std::u16string_view description) {
    const std::u16string_view base = description.empty() ? std::u16string_view(u"Unbenannt") : description;
    PlainString name = Text::Format(u"%s - Kopie", base);
    std::size_t position = 0;
    if (!FindDescription(folder, name.View(), position)) {
        return name;
    }
    // Names are only ever added during a merge: a number found taken stays taken.
    const std::size_t hash = std::hash<std::u16string_view>{}(base);
    const auto counter = [&]() -> EntryIndex::CopyNumber& {
        EntryIndex& index = IndexOf(folder);
        const auto range = index.copyNumbers.equal_range(hash);
        for (auto it = range.first; it != range.second; ++it) {
            if (it->second.base.View() == base) {
                return it->second;
            }
        }
        return index.copyNumbers.emplace(hash, EntryIndex::CopyNumber{PlainString(base), 1})->second;
    };
    int number = counter().next;
    for (;; ++number) {
        name = Text::Format(u"%s - Kopie (%d)", base, number);
        if (!FindDescription(folder, name.View(), position)) {
            break;
        }
    }
    counter().next = number;
    return name;
}

void DatabaseImportMerge::KeepBoth(Category& destination, const PasswordItem& item) {
    auto copy = std::make_shared<PasswordItem>(item);
    const std::u16string_view description = item.GetDescription().View();
    PlainString name = CopyName(destination, description);
    if (name.Length() > PasswordItem::kMaxDescription) {
        // A copy name the file could not hold would fail the whole write: the old name is
        // shortened so that even the longest numbered suffix fits.
        constexpr std::size_t kRoom = PasswordItem::kMaxDescription - std::u16string_view(u" - Kopie (2147483647)").size();
        std::size_t keep = std::min(description.size(), kRoom);
        if (keep > 0 && description[keep - 1] >= 0xD800 && description[keep - 1] <= 0xDBFF) {
            --keep; // never half a surrogate pair
        }
        name = CopyName(destination, description.substr(0, keep));
    }
    copy->SetDescription(name.View());
    destination.Entries().push_back(std::move(copy));
    ++m_counts.added;
}

bool DatabaseImportMerge::AddPasswordItem(Category& destination, const PasswordItem& item) {
    std::size_t position = 0;
    if (!FindDescription(destination, item.GetDescription().View(), position)) {
        destination.Entries().push_back(std::make_shared<PasswordItem>(item));
        ++m_counts.added;
        return true;
    }
    int answer = kCancelled;
    switch (m_treatment) {
    case DuplicateTreatment::Replace:
        answer = kCopyAndReplace;
        break;
    case DuplicateTreatment::Skip:
        answer = kDoNotReplace;
        break;
    case DuplicateTreatment::Ask: {
        const DuplicateQuestion question = MakeDuplicateQuestion(destination, item, *destination.Entries()[position]);
        answer = m_ui.AskCommand(question.heading.View(), question.text.View(), question.Buttons());
        break;
    }
    default:
        throw Exception(u"invalid case", kItemContext);
    }
    switch (answer) {
    case kCopyAndReplace:
        // A fresh entry takes the old one's place: whoever still holds the old one keeps it.
        destination.Entries()[position] = std::make_shared<PasswordItem>(item);
        ++m_counts.replaced;
        return true;
    case kDoNotReplace:
        ++m_counts.skipped;
        return true;
    case kKeepBoth:
        KeepBoth(destination, item);
        return true;
    case kCancelled:
        return false;
    default:
        throw Exception(answer < kCancelled ? u"abort or error" : u"invalid case", kItemContext);
    }
}

void DatabaseImportMerge::MergeChain(const PasswordData& source, const std::vector<std::size_t>& parents,
                                     std::size_t position, PasswordData& target) {
    const Category* parent = nullptr;
    for (const std::size_t at : FolderChain(parents, position)) {
        const Category& folder = *source.Folders()[at];
        AddNewFolderIfNotExists(folder, parent, target);
        parent = &folder;
    }
}

bool DatabaseImportMerge::ImportPasswords(const PasswordData& source, const Selection& selection,
                                          PasswordData& target) {
    for (const CategoryRef& folder : source.Folders()) {
        if (!folder) {
            throw Exception(u"null", kImportContext);
        }
    }
    for (const std::size_t position : selection.folders) {
        if (position >= source.FolderCount()) {
            throw Exception(u"null", kImportContext);
        }
    }
    for (const CheckedEntry& entry : selection.entries) {
        if (entry.folder >= source.FolderCount()) {
            throw Exception(u"src folder", kImportContext);
        }
        const auto& entries = source.Folders()[entry.folder]->Entries();
        if (entry.entry >= entries.size() || !entries[entry.entry]) {
            throw Exception(u"passworditem", kImportContext);
        }
    }
    const std::vector<std::size_t> parents = ParentPositions(source);
    const std::vector<CheckedEntry> entries = SelectedEntries(source, selection);
    ProgressScope progress(m_ui, entries.size());

    // Storage order would not always put a parent first: every chain is merged from its top.
    for (const std::size_t position : SelectedFolders(source, selection, parents)) {
        MergeChain(source, parents, position, target);
    }
    for (const CheckedEntry& entry : entries) {
        const Category& folder = *source.Folders()[entry.folder];
        // A ticked entry whose folder was not ticked brings the folder chain along.
        MergeChain(source, parents, entry.folder, target);
        if (!m_map.Contains(folder.GetId())) {
            throw Exception(u"key", kImportContext);
        }
        const CategoryRef destination = FindFolder(target, m_map[folder.GetId()]);
        if (!destination) {
            throw Exception(u"dst folder", kImportContext);
        }
        if (!AddPasswordItem(*destination, *folder.Entries()[entry.entry])) {
            return false;
        }
        m_ui.ProgressStep();
    }
    return true;
}

} // namespace Tarnwick::ExportImport
