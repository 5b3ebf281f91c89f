#include "exchange/DatabaseImportMerge.h"

#include <algorithm>
#include <memory>

#include "core/text/Format.h"
#include "log/LogProvider.h"
#include "log/exceptions/Exception.h"
#include "model/Sorters.h"
#include "platform/Files.h"

namespace Tarnwick::ExportImport {

using PasswordADT::Category;
using PasswordADT::CategoryRef;
using PasswordADT::CPasswordADTUtil;
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
        if (!target.FindFolderByParentId(parentId)) {
            throw Exception(u"invalid parent", kFolderContext);
        }
    }
    if (const CategoryRef existing = FolderExists(target, parentId, folder.GetName().View())) {
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

void DatabaseImportMerge::KeepBoth(Category& destination, const PasswordItem& item) {
    auto copy = std::make_shared<PasswordItem>(item);
    const std::u16string_view description = item.GetDescription().View();
    PlainString name = CPasswordADTUtil::CopyName(description, destination);
    if (name.Length() > PasswordItem::kMaxDescription) {
        // A copy name the file could not hold would fail the whole write: the old name is
        // shortened so that even the longest numbered suffix fits.
        constexpr std::size_t kRoom = PasswordItem::kMaxDescription - std::u16string_view(u" - Kopie (2147483647)").size();
        std::size_t keep = std::min(description.size(), kRoom);
        if (keep > 0 && description[keep - 1] >= 0xD800 && description[keep - 1] <= 0xDBFF) {
            --keep; // never half a surrogate pair
        }
        name = CPasswordADTUtil::CopyName(description.substr(0, keep), destination);
    }
    copy->SetDescription(name.View());
    destination.Entries().push_back(std::move(copy));
    ++m_counts.added;
}

bool DatabaseImportMerge::AddPasswordItem(Category& destination, const PasswordItem& item) {
    std::size_t position = 0;
    if (!CPasswordADTUtil::PasswordExists(item, destination, position)) {
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
        const CategoryRef destination = target.FindFolderByParentId(m_map[folder.GetId()]);
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
