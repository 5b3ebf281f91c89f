#include "exchange/ImportBase.h"

#include <algorithm>
#include <utility>

#include "base/text/Format.h"
#include "exchange/ImportText.h"
#include "exchange/ImportTime.h"
#include "base/exceptions/Exception.h"
#include "model/Clock.h"

namespace Tarnwick::Import {

using PasswordADT::Category;
using PasswordADT::CategoryRef;
using PasswordADT::PasswordItem;
using Utilities::Exceptions::Exception;

namespace {

constexpr std::u16string_view kEntryWarning = u"Eintrag %u „%s“, Feld „%s“: %s";
constexpr std::u16string_view kEntryNote = u"Eintrag %u „%s“: %s";
constexpr std::u16string_view kWarningsUnlisted = u"%u weitere Hinweise zu diesem Eintrag werden nicht aufgeführt.";
constexpr std::u16string_view kFieldsOverLimit =
    u"Auch %u weitere Felder wurden nicht übernommen: der Eintrag hat bereits %u benutzerdefinierte Felder.";
constexpr std::u16string_view kFieldsCaption = u"Benutzerdefinierte Felder";
constexpr std::u16string_view kFolderWarning = u"Ordner „%s“: %s";
constexpr std::u16string_view kNoDescription = u"(ohne Beschreibung)";
constexpr std::u16string_view kValueCut = u"Der Wert ist länger als %u Zeichen und wurde gekürzt.";
constexpr std::u16string_view kValueLeftOut = u"Der Wert ist länger als %u Zeichen und wurde nicht übernommen.";
constexpr std::u16string_view kFolderNameCut = u"Der Name ist länger als %u Zeichen und wurde gekürzt.";
constexpr std::u16string_view kFieldTooLong =
    u"Name oder Wert ist länger als %u Zeichen; das Feld wurde nicht übernommen.";
constexpr std::u16string_view kFieldDuplicate =
    u"Ein Feld dieses Namens ist bereits vorhanden; das Feld wurde nicht übernommen.";
constexpr std::u16string_view kFieldTooMany =
    u"Der Eintrag hat bereits %u benutzerdefinierte Felder; das Feld wurde nicht übernommen.";
constexpr std::u16string_view kHistoryTooLong =
    u"%u frühere Passwörter sind länger als %u Zeichen und wurden nicht übernommen.";
constexpr std::u16string_view kHistoryTooMany =
    u"Nur die neuesten %u früheren Passwörter wurden übernommen, %u ältere nicht.";
constexpr std::u16string_view kHistoryCaption = u"Passworthistorie";

std::size_t FieldLimit(ImportBase::Field field) noexcept {
    switch (field) {
    case ImportBase::Field::Description:
        return PasswordItem::kMaxDescription;
    case ImportBase::Field::UserName:
        return PasswordItem::kMaxUserName;
    case ImportBase::Field::Password:
        return PasswordItem::kMaxPassword;
    case ImportBase::Field::Comment:
        return PasswordItem::kMaxComment;
    case ImportBase::Field::Url:
        return PasswordItem::kMaxUrl;
    case ImportBase::Field::Email:
        return PasswordItem::kMaxEmail;
    case ImportBase::Field::TargetWindow:
        return PasswordItem::kMaxTargetWindow;
    case ImportBase::Field::Sequence:
        return PasswordItem::kMaxSequence;
    }
    return 0;
}

} // namespace

ImportBase::ImportBase(PasswordADT::PasswordData& target) : m_target(&target) {}

ImportBase::~ImportBase() = default;

std::u16string_view ImportBase::FieldCaption(Field field) noexcept {
    switch (field) {
    case Field::Description:
        return u"Beschreibung";
    case Field::UserName:
        return u"Benutzername";
    case Field::Password:
        return u"Passwort";
    case Field::Comment:
        return u"Kommentar";
    case Field::Url:
        return u"Url/Programm";
    case Field::Email:
        return u"E-Mail";
    case Field::TargetWindow:
        return u"Zielfenster";
    case Field::Sequence:
        return u"Auto-Vervollständigung";
    }
    return {};
}

void ImportBase::SetImportFolderName(std::u16string_view name) {
    m_importFolderName.assign(name);
}

std::u16string ImportBase::GetImportFolderName() const {
    return m_importFolderName.empty() ? ImportFolderNameFor(PasswordADT::CurrentTime()) : m_importFolderName;
}

const CategoryRef& ImportBase::GetCurrentFolder() const {
    if (!m_currentFolder) {
        throw Exception(u"null", u"ImportBase::GetCurrentFolder");
    }
    return m_currentFolder;
}

PasswordItem& ImportBase::GetCurrentPasswordItem() const {
    if (!m_currentItem) {
        throw Exception(u"null", u"ImportBase::GetCurrentPasswordItem");
    }
    return *m_currentItem;
}

void ImportBase::ResetCurrentPasswordItem() {
    FlushEntryWarnings();
    m_currentItem.reset();
}

std::u16string ImportBase::FolderKey(std::uint32_t parentId, std::u16string_view name) {
    std::u16string key;
    key.reserve(name.size() + 2);
    key.push_back(static_cast<char16_t>(parentId >> 16));
    key.push_back(static_cast<char16_t>(parentId & 0xFFFF));
    key.append(name);
    return key;
}

void ImportBase::RebuildFolderIndex() {
    m_folderIndex.clear();
    const auto& folders = m_target->Folders();
    for (const auto& folder : folders) {
        if (!folder) {
            m_indexedFolders = 0;
            m_folderIndex.clear();
            throw Exception(u"null", u"ImportBase::FolderExists");
        }
        // The first of equal folders wins, as a search from the front would find it.
        m_folderIndex.emplace(FolderKey(folder->GetParentId(), folder->GetName().View()), folder);
    }
    m_indexedFolders = folders.size();
}

CategoryRef ImportBase::FolderExists(const CategoryRef& parent, std::u16string_view name) {
    if (m_indexedFolders != m_target->FolderCount()) {
        RebuildFolderIndex();
    }
    const std::uint32_t parentId = parent ? parent->GetId() : Category::kNoParent;
    const auto found = m_folderIndex.find(FolderKey(parentId, name));
    if (found == m_folderIndex.end()) {
        return nullptr;
    }
    if (!found->second) {
        throw Exception(u"null", u"ImportBase::FolderExists");
    }
    return found->second;
}

CategoryRef ImportBase::FindOrAddFolder(const CategoryRef& parent, std::u16string_view name) {
    if (name.empty()) {
        return parent;
    }
    const std::size_t length = Detail::CutLength(name, Category::kMaximumNameLength);
    const std::u16string_view kept = name.substr(0, length);
    if (length != name.size()) {
        WarnFolder(kept, Text::Format(kFolderNameCut, Category::kMaximumNameLength).View());
    }
    if (kept.empty()) {
        return parent;
    }
    if (CategoryRef existing = FolderExists(parent, kept)) {
        return existing;
    }
    CategoryRef added = parent ? m_target->AddSubfolder(parent->GetId(), kept) : m_target->AddFolder(kept);
    m_folderIndex.emplace(FolderKey(added->GetParentId(), kept), added);
    m_indexedFolders = m_target->FolderCount();
    return added;
}

CategoryRef ImportBase::FindOrAddPath(const CategoryRef& start, std::u16string_view path, char16_t separator,
                                      bool escapes) {
    CategoryRef folder = start;
    Detail::WipingBuffer part;
    const auto takePart = [&] {
        folder = FindOrAddFolder(folder, part.View());
        part.Clear();
    };
    for (std::size_t i = 0; i < path.size(); ++i) {
        const char16_t ch = path[i];
        if (escapes && ch == u'\\' && i + 1 < path.size() && path[i + 1] == separator) {
            part.Append(separator);
            ++i;
        } else if (ch == separator) {
            takePart();
        } else {
            part.Append(ch);
        }
    }
    takePart();
    return folder;
}

void ImportBase::CreateFolder(std::u16string_view name) {
    if (CategoryRef folder = FindOrAddFolder(m_currentFolder, name)) {
        m_currentFolder = folder;
    }
}

CategoryRef ImportBase::ImportFolder() {
    return FindOrAddFolder(nullptr, GetImportFolderName());
}

PasswordADT::PasswordItemRef ImportBase::CreateEntry() {
    FlushEntryWarnings();
    m_currentItem.reset();
    auto item = std::make_shared<PasswordItem>();
    m_currentItemNumber = ++m_entryCount;
    return item;
}

void ImportBase::AppendEntry(const CategoryRef& folder) {
    auto item = CreateEntry();
    folder->Entries().push_back(item);
    m_currentItem = std::move(item);
}

void ImportBase::NewDetachedPasswordItem() {
    m_currentItem = CreateEntry();
}

void ImportBase::PlaceCurrentPasswordItem(const CategoryRef& folder) {
    GetCurrentPasswordItem(); // raises "null" without an entry
    const CategoryRef target = folder ? folder : ImportFolder();
    target->Entries().push_back(m_currentItem);
}

void ImportBase::NewPasswordItem() {
    AppendEntry(GetCurrentFolder());
}

void ImportBase::NewPasswordItemIn(const CategoryRef& folder) {
    AppendEntry(folder ? folder : ImportFolder());
}

void ImportBase::SetField(Field field, std::u16string_view value) {
    PasswordItem& item = GetCurrentPasswordItem();
    const std::size_t limit = FieldLimit(field);
    if (field == Field::Password) {
        SetPassword(value);
        return;
    }
    if (value.size() > limit) {
        if (field == Field::Sequence) {
            // A cut sequence would type something else than intended.
            WarnEntry(FieldCaption(field), Text::Format(kValueLeftOut, limit).View());
            return;
        }
        WarnEntry(FieldCaption(field), Text::Format(kValueCut, limit).View());
        value = value.substr(0, Detail::CutLength(value, limit));
    }
    switch (field) {
    case Field::Description:
        item.SetDescription(value);
        break;
    case Field::UserName:
        item.SetUserName(value);
        break;
    case Field::Comment:
        item.SetComment(value);
        break;
    case Field::Url:
        item.SetUrl(value);
        break;
    case Field::Email:
        item.SetEmail(value);
        break;
    case Field::TargetWindow:
        item.SetTargetWindow(value);
        break;
    case Field::Sequence:
        item.SetSequence(value);
        break;
    case Field::Password:
        break;
    }
}

void ImportBase::SetPassword(std::u16string_view password) {
    GetCurrentPasswordItem();
    if (password.size() > PasswordItem::kMaxPassword) {
        // A cut password would be a wrong one.
        WarnEntry(FieldCaption(Field::Password), Text::Format(kValueLeftOut, PasswordItem::kMaxPassword).View());
        return;
    }
    SetPassword(SecureString(password));
}

void ImportBase::SetPassword(const SecureString& password) {
    PasswordItem& item = GetCurrentPasswordItem();
    if (password.Length() > PasswordItem::kMaxPassword) {
        WarnEntry(FieldCaption(Field::Password), Text::Format(kValueLeftOut, PasswordItem::kMaxPassword).View());
        return;
    }
    item.SetPassword(PasswordADT::CurrentTime(), password);
}

void ImportBase::AddUserDefinedField(std::u16string_view name, std::u16string_view value) {
    PasswordItem& item = GetCurrentPasswordItem();
    if (value.empty()) {
        return;
    }
    auto& fields = item.GetUserDefinedFields();
    const std::size_t limit = PasswordADT::UserDefinedFields::kMaximumLength;
    const auto caption = [&] {
        return name.empty() ? std::u16string(u"?") : std::u16string(name.substr(0, Detail::CutLength(name, limit)));
    };
    if (name.empty() || name.size() > limit || value.size() > limit) {
        WarnEntry(caption(), Text::Format(kFieldTooLong, limit).View());
        return;
    }
    if (fields.Contains(name)) {
        WarnEntry(caption(), kFieldDuplicate);
        return;
    }
    if (fields.Count() >= PasswordADT::UserDefinedFields::kMaximumCount) {
        // The first is named; the others get one warning together, however many the file has.
        if (m_fieldsOverLimit++ == 0) {
            WarnEntry(caption(), Text::Format(kFieldTooMany, PasswordADT::UserDefinedFields::kMaximumCount).View());
        }
        return;
    }
    fields.Add(name, value);
}

void ImportBase::SetCreationTime(std::optional<std::int64_t> time) {
    PasswordItem& item = GetCurrentPasswordItem();
    if (time && *time > 0) {
        item.SetCreationTime(*time);
    }
}

void ImportBase::SetModificationTime(std::optional<std::int64_t> time) {
    PasswordItem& item = GetCurrentPasswordItem();
    if (time && *time > 0) {
        item.SetModificationTime(*time);
    }
}

void ImportBase::SetPasswordChangeTime(std::optional<std::int64_t> time) {
    PasswordItem& item = GetCurrentPasswordItem();
    if (time && *time > 0) {
        item.SetPasswordChangeTime(*time);
    }
}

void ImportBase::SetExpiryDate(std::int64_t time) {
    PasswordItem& item = GetCurrentPasswordItem();
    item.SetValidityMode(static_cast<std::uint32_t>(PasswordADT::ValidityMode::UntilDate));
    item.SetExpiry(time);
}

void ImportBase::SetExpiryDays(std::uint32_t days) {
    PasswordItem& item = GetCurrentPasswordItem();
    item.SetValidityMode(static_cast<std::uint32_t>(PasswordADT::ValidityMode::Days));
    item.SetExpiry(static_cast<std::int64_t>(days));
}

void ImportBase::SetPasswordHistory(std::vector<HistoryVersion> versions) {
    ApplyPasswordHistory(std::move(versions), 0, 0);
}

void ImportBase::SetPasswordHistory(HistoryCollector& collector) {
    const std::size_t tooLong = collector.TooLong();
    const std::size_t dropped = collector.Dropped();
    ApplyPasswordHistory(collector.Take(), tooLong, dropped);
}

void ImportBase::ApplyPasswordHistory(std::vector<HistoryVersion> versions, std::size_t tooLong,
                                      std::size_t droppedBefore) {
    PasswordItem& item = GetCurrentPasswordItem();
    std::vector<HistoryVersion> kept;
    for (auto& version : versions) {
        if (version.password.IsEmpty()) {
            continue;
        }
        if (version.password.Length() > PasswordADT::PasswordHistoryEntry::kMaximumPasswordLength) {
            ++tooLong;
            continue;
        }
        // Only a change of the password makes a history element.
        if (!kept.empty() && kept.back().password.Equals(version.password)) {
            continue;
        }
        kept.push_back(std::move(version));
    }
    if (!kept.empty() && kept.back().password.Equals(item.GetPassword())) {
        kept.pop_back();
    }
    if (tooLong != 0) {
        WarnEntry(kHistoryCaption,
                  Text::Format(kHistoryTooLong, tooLong, PasswordADT::PasswordHistoryEntry::kMaximumPasswordLength)
                      .View());
    }
    const std::size_t maximum = PasswordADT::PasswordHistoryMap::kMaximumCount;
    const std::size_t dropped = kept.size() > maximum ? kept.size() - maximum : 0;
    if (dropped + droppedBefore != 0) {
        WarnEntry(kHistoryCaption, Text::Format(kHistoryTooMany, maximum, dropped + droppedBefore).View());
        kept.erase(kept.begin(), kept.begin() + static_cast<std::ptrdiff_t>(dropped));
    }
    auto& history = item.GetPasswordHistory();
    history.Clear();
    std::int64_t previous = 0;
    for (std::size_t i = 0; i < kept.size(); ++i) {
        std::int64_t time = kept[i].time;
        if (time <= 0) {
            time = i == 0 ? item.GetCreationTime() : previous + 1;
        }
        if (i != 0 && time <= previous) {
            time = previous + 1;
        }
        history.Add(time, kept[i].password);
        previous = time;
    }
    if (!kept.empty() && item.GetPasswordChangeTime() <= previous) {
        item.SetPasswordChangeTime(previous + 1);
    }
}

void ImportBase::WarnEntry(std::u16string_view fieldCaption, std::u16string_view message) {
    if (m_pending.size() >= kMaximumEntryWarnings) {
        ++m_unlistedWarnings;
        return;
    }
    m_pending.push_back({std::u16string(fieldCaption), PlainString(message)});
}

void ImportBase::WarnFolder(std::u16string_view folderName, std::u16string_view message) {
    ImportWarning warning;
    warning.field = u"Ordner";
    warning.text = Text::Format(kFolderWarning, folderName, message);
    m_warnings.push_back(std::move(warning));
}

void ImportBase::WarnFile(std::u16string_view message) {
    ImportWarning warning;
    warning.text.Assign(message);
    m_warnings.push_back(std::move(warning));
}

void ImportBase::FlushEntryWarnings() {
    if (m_fieldsOverLimit > 1) {
        m_pending.push_back({std::u16string(kFieldsCaption),
                             Text::Format(kFieldsOverLimit, m_fieldsOverLimit - 1,
                                          PasswordADT::UserDefinedFields::kMaximumCount)});
    }
    m_fieldsOverLimit = 0;
    if (m_pending.empty()) {
        return;
    }
    std::u16string_view description = kNoDescription;
    if (m_currentItem && !m_currentItem->GetDescription().IsEmpty()) {
        description = m_currentItem->GetDescription().View();
    }
    for (auto& pending : m_pending) {
        ImportWarning warning;
        warning.entryNumber = m_currentItemNumber;
        warning.text = Text::Format(kEntryWarning, m_currentItemNumber, description, pending.field, pending.detail);
        warning.field = std::move(pending.field);
        m_warnings.push_back(std::move(warning));
    }
    m_pending.clear();
    if (m_unlistedWarnings != 0) {
        ImportWarning warning;
        warning.entryNumber = m_currentItemNumber;
        warning.text = Text::Format(kEntryNote, m_currentItemNumber, description,
                                    Text::Format(kWarningsUnlisted, m_unlistedWarnings));
        m_warnings.push_back(std::move(warning));
        m_unlistedWarnings = 0;
    }
}

void ImportBase::BeginImport() {
    m_currentFolder.reset();
    m_currentItem.reset();
    m_currentItemNumber = 0;
    m_entryCount = 0;
    m_warnings.clear();
    m_pending.clear();
    m_unlistedWarnings = 0;
    m_fieldsOverLimit = 0;
    RebuildFolderIndex();
}

void ImportBase::FinishImport() {
    FlushEntryWarnings();
    m_currentItem.reset();
    m_currentFolder.reset();
}

void HistoryCollector::Add(HistoryVersion version) {
    if (version.password.IsEmpty()) {
        return;
    }
    if (version.password.Length() > PasswordADT::PasswordHistoryEntry::kMaximumPasswordLength) {
        ++m_tooLong;
        return;
    }
    // One more than the model holds: the newest may still turn out to be the current password.
    const std::size_t bound = PasswordADT::PasswordHistoryMap::kMaximumCount + 1;
    if (!m_orderedByTime) {
        // Only a change of the password makes a version; the first of a run keeps its time.
        if (!m_versions.empty() && m_versions.back().password.Equals(version.password)) {
            return;
        }
        m_versions.push_back(std::move(version));
        if (m_versions.size() > bound) {
            m_versions.erase(m_versions.begin());
            ++m_dropped;
        }
        return;
    }
    m_versions.push_back(std::move(version));
    // Sorted only now and then, so that a long list costs little per version.
    if (m_versions.size() >= 2 * bound) {
        Order();
        const std::size_t excess = m_versions.size() - bound;
        m_versions.erase(m_versions.begin(), m_versions.begin() + static_cast<std::ptrdiff_t>(excess));
        m_dropped += excess;
    }
}

void HistoryCollector::Order() {
    if (m_orderedByTime && std::all_of(m_versions.begin(), m_versions.end(),
                                       [](const HistoryVersion& v) { return v.time > 0; })) {
        std::stable_sort(m_versions.begin(), m_versions.end(),
                         [](const HistoryVersion& a, const HistoryVersion& b) { return a.time < b.time; });
    }
}

void HistoryCollector::Clear() noexcept {
    m_versions.clear();
    m_tooLong = 0;
    m_dropped = 0;
}

std::vector<HistoryVersion> HistoryCollector::Take() {
    Order();
    std::vector<HistoryVersion> versions = std::move(m_versions);
    Clear();
    return versions;
}

} // namespace Tarnwick::Import
