#include "exchange/CsvPresets.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <initializer_list>
#include <string>

#include "exchange/ImportText.h"

namespace Tarnwick::Import::CSV {

namespace {

using Detail::EqualsAsciiNoCase;
using Detail::TrimBlanks;

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

using Names = std::vector<std::u16string_view>;

bool Is(std::u16string_view name, const Names& any) noexcept {
    const std::u16string_view trimmed = TrimBlanks(name);
    return std::any_of(any.begin(), any.end(), [&](std::u16string_view candidate) {
        return EqualsAsciiNoCase(trimmed, candidate);
    });
}

bool ContainsNoCase(std::u16string_view text, std::u16string_view part) noexcept {
    if (part.size() > text.size()) {
        return false;
    }
    for (std::size_t i = 0; i + part.size() <= text.size(); ++i) {
        if (EqualsAsciiNoCase(text.substr(i, part.size()), part)) {
            return true;
        }
    }
    return false;
}

std::size_t Find(const std::vector<std::u16string_view>& header, std::u16string_view name) {
    for (std::size_t i = 0; i < header.size(); ++i) {
        if (Is(header[i], {name})) {
            return i;
        }
    }
    return kNone;
}

bool HasAll(const std::vector<std::u16string_view>& header, const Names& names) {
    return std::all_of(names.begin(), names.end(), [&](std::u16string_view name) { return Find(header, name) != kNone; });
}

struct ColumnRule {
    std::u16string_view name;
    int target;
};

struct HeaderRule {
    std::u16string_view preset;
    Names required;
    std::vector<ColumnRule> columns;
    Names ignored;
    char16_t folderSeparator = 0;
    bool dropRootFolder = false;
    bool titleFromUrl = false;
    CsvExtras extras = CsvExtras::None;
    Names extrasColumn = {};
};

// Most specific layouts first: several managers share "name", "url", "username", "password".
const std::vector<HeaderRule>& HeaderRules() {
    static const std::vector<HeaderRule> rules = {
        {u"Bitwarden",
         {u"folder", u"type", u"name", u"login_uri", u"login_username", u"login_password"},
         {{u"folder", TargetFolder},
          {u"name", TargetDescription},
          {u"login_username", TargetUserName},
          {u"login_password", TargetPassword},
          {u"notes", TargetComment},
          {u"login_uri", TargetUrl}},
         {u"favorite", u"type", u"reprompt", u"collections", u"login_fido2Credentials"},
         u'/', false, false, CsvExtras::BitwardenFields, {u"fields"}},
        {u"Firefox",
         {u"url", u"username", u"password", u"httpRealm", u"formActionOrigin"},
         {{u"url", TargetUrl}, {u"username", TargetUserName}, {u"password", TargetPassword}},
         {u"guid", u"timeCreated", u"timeLastUsed", u"timePasswordChanged"},
         0, false, true},
        {u"LastPass",
         {u"url", u"username", u"password", u"extra", u"name", u"grouping"},
         {{u"grouping", TargetFolder},
          {u"name", TargetDescription},
          {u"username", TargetUserName},
          {u"password", TargetPassword},
          {u"extra", TargetComment},
          {u"url", TargetUrl}},
         {u"fav"},
         u'\\'},
        {u"KeePassXC",
         {u"Group", u"Title", u"Username", u"Password", u"URL", u"Notes"},
         {{u"Group", TargetFolder},
          {u"Title", TargetDescription},
          {u"Username", TargetUserName},
          {u"Password", TargetPassword},
          {u"Notes", TargetComment},
          {u"URL", TargetUrl}},
         {u"Icon", u"Last Modified", u"Created"},
         u'/', true},
        {u"RoboForm",
         {u"Name", u"Url", u"Login", u"Pwd", u"Folder"},
         {{u"Folder", TargetFolder},
          {u"Name", TargetDescription},
          {u"Login", TargetUserName},
          {u"Pwd", TargetPassword},
          {u"Note", TargetComment},
          {u"Url", TargetUrl}},
         {u"MatchUrl"},
         u'/', false, false, CsvExtras::RoboFormFields, {u"Rf_fields", u"RfFieldsV2"}},
        {u"Dashlane",
         {u"username", u"title", u"password", u"url", u"category"},
         {{u"category", TargetFolder},
          {u"title", TargetDescription},
          {u"username", TargetUserName},
          {u"password", TargetPassword},
          {u"note", TargetComment},
          {u"url", TargetUrl}},
         {u"username2", u"username3"},
         u'/'},
        {u"1Password",
         {u"Title", u"Url", u"Username", u"Password", u"OTPAuth"},
         {{u"Title", TargetDescription},
          {u"Username", TargetUserName},
          {u"Password", TargetPassword},
          {u"Notes", TargetComment},
          {u"Url", TargetUrl}},
         {u"Favorite", u"Archived"}},
        {u"Keeper",
         {u"Folder", u"Title", u"Login", u"Password", u"Website Address"},
         {{u"Folder", TargetFolder},
          {u"Title", TargetDescription},
          {u"Login", TargetUserName},
          {u"Password", TargetPassword},
          {u"Notes", TargetComment},
          {u"Website Address", TargetUrl}},
         {u"Shared Folder"},
         u'/'},
        {u"Chrome",
         {u"name", u"url", u"username", u"password"},
         {{u"name", TargetDescription},
          {u"username", TargetUserName},
          {u"password", TargetPassword},
          {u"note", TargetComment},
          {u"url", TargetUrl}},
         {}},
        {u"1Password",
         {u"title", u"username", u"password"},
         {{u"title", TargetDescription},
          {u"username", TargetUserName},
          {u"password", TargetPassword},
          {u"notes", TargetComment},
          {u"url", TargetUrl}},
         {u"favorite", u"archived"}},
        {u"KeePass",
         {u"Account", u"Login Name", u"Password"},
         {{u"Account", TargetDescription},
          {u"Login Name", TargetUserName},
          {u"Password", TargetPassword},
          {u"Comments", TargetComment},
          {u"Web Site", TargetUrl}},
         {}},
        {u"Enpass", {u"Title", u"Field", u"Value"}, {{u"Title", TargetDescription}}, {},
         0, false, false, CsvExtras::EnpassPairs},
    };
    return rules;
}

CsvPreset FromHeader(const HeaderRule& rule, const std::vector<std::u16string_view>& header) {
    CsvPreset preset;
    preset.name = std::u16string(rule.preset);
    preset.folderSeparator = rule.folderSeparator;
    preset.dropRootFolder = rule.dropRootFolder;
    preset.titleFromUrl = rule.titleFromUrl;
    preset.extras = rule.extras;
    preset.extrasColumn = header.size();
    for (const auto name : rule.extrasColumn) {
        preset.extrasColumn = std::min(preset.extrasColumn, Find(header, name) == kNone ? header.size() : Find(header, name));
    }
    preset.mapping.assign(header.size(), TargetNone);
    if (rule.extras == CsvExtras::EnpassPairs) {
        preset.mapping[0] = TargetDescription;
        return preset;
    }
    for (const auto& column : rule.columns) {
        const std::size_t at = Find(header, column.name);
        if (at != kNone && std::find(preset.mapping.begin(), preset.mapping.end(), column.target) == preset.mapping.end()) {
            preset.mapping[at] = column.target;
        }
    }
    // Bitwarden's field list is one column; RoboForm's runs to the end of the row.
    const bool oneColumn = rule.extras == CsvExtras::BitwardenFields;
    for (std::size_t i = 0; i < header.size(); ++i) {
        const bool extras = oneColumn ? i == preset.extrasColumn : i >= preset.extrasColumn;
        if (extras || preset.mapping[i] != TargetNone || TrimBlanks(header[i]).empty()) {
            continue;
        }
        if (IsUnsupportedColumn(header[i])) {
            preset.unsupportedColumns.push_back(i);
        } else if (!Is(header[i], rule.ignored)) {
            preset.fieldColumns.push_back(i);
        }
    }
    return preset;
}

// Dashlane and Keeper export without a header line.
std::optional<CsvPreset> Positional(std::u16string_view name, std::size_t columns) {
    CsvPreset preset;
    preset.name = std::u16string(name);
    preset.header = false;
    if (name == u"Dashlane") {
        preset.mapping = {TargetDescription, TargetUrl, TargetUserName, TargetPassword, TargetComment};
    } else if (name == u"Keeper") {
        // Folder, title, login, password, address, notes, shared folder, then name/value pairs.
        preset.mapping = {TargetFolder, TargetDescription, TargetUserName, TargetPassword, TargetUrl, TargetComment};
        preset.folderSeparator = u'/';
        preset.extras = CsvExtras::KeeperPairs;
        preset.extrasColumn = 7;
    } else {
        return std::nullopt;
    }
    preset.mapping.resize(std::max(columns, preset.mapping.size()), TargetNone);
    return preset;
}

std::u16string_view Cut(std::u16string_view value, std::size_t limit) {
    return value.substr(0, Detail::CutLength(value, limit));
}

} // namespace

const std::vector<std::u16string_view>& CsvPresetNames() {
    static const std::vector<std::u16string_view> names = {u"KeePassXC", u"KeePass", u"Bitwarden", u"Firefox",
                                                           u"Chrome",    u"LastPass", u"1Password", u"Dashlane",
                                                           u"Enpass",    u"Keeper",  u"RoboForm"};
    return names;
}

bool IsUnsupportedColumn(std::u16string_view name) noexcept {
    const std::u16string_view trimmed = TrimBlanks(name);
    return ContainsNoCase(trimmed, u"totp") || ContainsNoCase(trimmed, u"otpauth") ||
           ContainsNoCase(trimmed, u"otpsecret") || EqualsAsciiNoCase(trimmed, u"otp") ||
           EqualsAsciiNoCase(trimmed, u"TFC:Keeper") || ContainsNoCase(trimmed, u"one-time") ||
           ContainsNoCase(trimmed, u"attachment") || ContainsNoCase(trimmed, u"anhang") ||
           ContainsNoCase(trimmed, u"anhänge");
}

std::optional<CsvPreset> RecognisePreset(const std::vector<std::u16string_view>& firstRecord) {
    if (firstRecord.size() < 2) {
        return std::nullopt;
    }
    for (const HeaderRule& rule : HeaderRules()) {
        if (rule.extras == CsvExtras::EnpassPairs) {
            if (Is(firstRecord.front(), {u"Title"}) && Is(firstRecord[1], {u"Field"}) && HasAll(firstRecord, rule.required)) {
                return FromHeader(rule, firstRecord);
            }
            continue;
        }
        if (HasAll(firstRecord, rule.required)) {
            return FromHeader(rule, firstRecord);
        }
    }
    return std::nullopt;
}

std::optional<CsvPreset> PresetByName(std::u16string_view name, const std::vector<std::u16string_view>& firstRecord) {
    if (auto recognised = RecognisePreset(firstRecord); recognised && recognised->name == name) {
        return recognised;
    }
    return Positional(name, firstRecord.size());
}

std::vector<int> MappingFromHeader(const std::vector<std::u16string_view>& names) {
    static const std::vector<std::pair<int, Names>> known = {
        {TargetFolder, {u"Ordner", u"Folder", u"Group", u"Gruppe", u"Grouping", u"Kategorie", u"Category"}},
        {TargetDescription,
         {u"Beschreibung", u"Title", u"Titel", u"Name", u"Account", u"Bezeichnung", u"Description"}},
        {TargetUserName,
         {u"Benutzername", u"Username", u"User name", u"Login", u"Login Name", u"User", u"Benutzer", u"Anmeldename"}},
        {TargetPassword, {u"Passwort", u"Password", u"Kennwort", u"Pwd", u"Pass"}},
        {TargetEmail, {u"E-Mail", u"Email", u"Mail", u"E-Mail-Adresse"}},
        {TargetComment,
         {u"Kommentar", u"Notes", u"Note", u"Notizen", u"Notiz", u"Comments", u"Comment", u"Bemerkung", u"Extra"}},
        {TargetUrl, {u"Url/Programm", u"URL", u"Website", u"Web Site", u"Webseite", u"Adresse", u"URI", u"Link"}},
    };
    std::vector<int> mapping(names.size(), TargetNone);
    for (const auto& [target, aliases] : known) {
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (mapping[i] == TargetNone && Is(names[i], aliases)) {
                mapping[i] = target;
                break;
            }
        }
    }
    return mapping;
}

std::vector<std::u16string_view> Views(const std::vector<PlainString>& record) {
    std::vector<std::u16string_view> views;
    views.reserve(record.size());
    for (const auto& field : record) {
        views.push_back(field.View());
    }
    return views;
}

std::vector<PlainString> ReadFirstRecord(const std::filesystem::path& path, char16_t& separator) {
    separator = u',';
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return {};
    }
    std::string bytes(64 * 1024, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    PlainString text = DecodeCsvBytes(bytes);
    std::fill(bytes.begin(), bytes.end(), '\0');
    std::vector<PlainString> best;
    for (const char16_t candidate : {u',', u';', u'\t'}) {
        CsvParser parser(candidate, u'"', 4096, 60 * 1024);
        parser.Feed(text.View());
        parser.Finish();
        auto& rows = parser.Records().rows;
        if (!rows.empty() && rows.front().size() > best.size()) {
            best = std::move(rows.front());
            separator = candidate;
        }
    }
    return best;
}

// --- PresetCsvImporter ---

std::vector<std::size_t> PresetCsvImporter::UnsupportedColumns() const {
    if (m_preset) {
        return m_preset->unsupportedColumns;
    }
    std::vector<std::size_t> columns;
    if (GetSettings().firstLineHoldsNames) {
        for (std::size_t i = 0; i < GetColumnCount(); ++i) {
            const auto& mapping = GetColumnMapping();
            if ((i >= mapping.size() || mapping[i] == TargetNone) && IsUnsupportedColumn(GetSourceName(i).View())) {
                columns.push_back(i);
            }
        }
    }
    return columns;
}

void PresetCsvImporter::ImportAllRows() {
    // A pass with nothing mapped empties the collection and takes over what reading the file
    // found; it adds the import folder and no entry.
    const std::vector<int> mapping = GetColumnMapping();
    SetColumnMapping({});
    CsvImporter::ImportRows();
    SetColumnMapping(mapping);
    const PasswordADT::CategoryRef genericFolder =
        GetTarget().Folders().empty() ? nullptr : GetTarget().Folders().front();

    PasswordADT::CategoryRef importFolder = genericFolder;
    const auto& rows = GetRows();
    for (std::size_t r = 0; r < rows.size(); ++r) {
        ImportPresetRow(rows[r], mapping, importFolder);
        if (progress && (r % 256 == 0 || r + 1 == rows.size())) {
            progress(r + 1, rows.size());
        }
    }
    ResetCurrentFolder();
    FinishImport();
    // The import folder stays only when an entry or folder went into it.
    auto& folders = GetTarget().Folders();
    if (genericFolder && genericFolder->Entries().empty() &&
        std::none_of(folders.begin(), folders.end(),
                     [&](const auto& folder) { return folder && folder->GetParentId() == genericFolder->GetId(); })) {
        const auto at = std::find(folders.begin(), folders.end(), genericFolder);
        if (at != folders.end()) {
            GetTarget().DeleteFolder(static_cast<std::size_t>(at - folders.begin()));
        }
    }
}

void PresetCsvImporter::ImportPresetRow(const CsvRow& row, const std::vector<int>& mapping,
                                        PasswordADT::CategoryRef& importFolder) {
    const std::size_t columns = std::min(mapping.size(), row.size());
    const bool enpass = m_preset && m_preset->extras == CsvExtras::EnpassPairs;
    bool anyValue = enpass && !row.empty() && !row.front().IsEmpty();
    for (std::size_t c = 0; c < row.size() && !anyValue; ++c) {
        const bool mapped = c < columns && mapping[c] != TargetNone;
        const bool extra = m_preset && m_preset->extras != CsvExtras::None && c >= m_preset->extrasColumn;
        anyValue = (mapped || extra) && !row[c].IsEmpty();
    }
    if (!anyValue) {
        return;
    }
    const auto folderAt = std::find(mapping.begin(), mapping.begin() + static_cast<std::ptrdiff_t>(columns),
                                    static_cast<int>(TargetFolder));
    PasswordADT::CategoryRef folder;
    if (folderAt != mapping.begin() + static_cast<std::ptrdiff_t>(columns)) {
        ResetCurrentFolder();
        std::u16string_view path = Cut(row[static_cast<std::size_t>(folderAt - mapping.begin())].View(),
                                       PasswordADT::PasswordItem::kMaxComment);
        if (m_preset && m_preset->dropRootFolder) {
            const std::size_t slash = path.find(m_preset->folderSeparator);
            path = slash == std::u16string_view::npos ? std::u16string_view() : path.substr(slash + 1);
        }
        if (!path.empty()) {
            CreateFolder(path);
        }
        folder = HasCurrentFolder() ? GetCurrentFolder() : nullptr;
    }
    if (!folder) {
        if (!importFolder) {
            importFolder = ImportFolder();
        }
        folder = importFolder;
    }
    NewPasswordItemIn(folder);

    std::u16string_view description;
    std::u16string_view url;
    for (std::size_t c = 0; c < columns; ++c) {
        const std::u16string_view value = row[c].View();
        if (mapping[c] == TargetDescription) {
            description = value;
        } else if (mapping[c] == TargetUrl) {
            url = value;
        }
        SetMappedValue(mapping[c], value);
    }
    if (m_preset && m_preset->titleFromUrl && description.empty() && !url.empty()) {
        SetField(Field::Description, url);
    }
    for (const std::size_t c : UnsupportedColumns()) {
        if (c < row.size() && !row[c].IsEmpty()) {
            WarnUnsupported(GetSourceName(c).View());
        }
    }
    if (m_preset) {
        for (const std::size_t c : m_preset->fieldColumns) {
            if (c < row.size() && (c >= mapping.size() || mapping[c] == TargetNone) && GetSettings().firstLineHoldsNames) {
                AddUserDefinedField(GetSourceName(c).View(), row[c].View());
            }
        }
        AddExtras(row);
    }
    ResetCurrentPasswordItem();
}

void PresetCsvImporter::AddExtras(const CsvRow& row) {
    const CsvPreset& preset = *m_preset;
    PasswordADT::PasswordItem& item = GetCurrentPasswordItem();
    const auto pair = [&](std::u16string_view name, std::u16string_view value) {
        if (value.empty()) {
            return;
        }
        if (IsUnsupportedColumn(name)) {
            WarnUnsupported(name);
        } else if (Is(name, {u"Username", u"Login", u"Benutzername", u"User ID"})) {
            if (item.GetUserName().IsEmpty()) {
                SetField(Field::UserName, value);
            } else if (item.GetUserName().View() != value) {
                AddUserDefinedField(name, value);
            }
        } else if (Is(name, {u"Password", u"Passwort", u"Pwd"})) {
            if (item.GetPassword().IsEmpty()) {
                SetPassword(value);
            } else if (!item.GetPassword().Equals(value)) {
                AddUserDefinedField(name, value);
            }
        } else if (Is(name, {u"URL", u"Website", u"Web Site"}) && item.GetUrl().IsEmpty()) {
            SetField(Field::Url, value);
        } else if (Is(name, {u"E-mail", u"Email", u"E-Mail"}) && item.GetEmail().IsEmpty()) {
            SetField(Field::Email, value);
        } else if (!TrimBlanks(name).empty()) {
            AddUserDefinedField(TrimBlanks(name), value);
        }
    };
    switch (preset.extras) {
    case CsvExtras::None:
        break;
    case CsvExtras::BitwardenFields:
        if (preset.extrasColumn < row.size()) {
            // One "name: value" line per custom field.
            std::u16string_view text = row[preset.extrasColumn].View();
            while (!text.empty()) {
                const std::size_t end = std::min(text.find(u'\n'), text.size());
                const std::u16string_view line = TrimBlanks(text.substr(0, end));
                text.remove_prefix(std::min(end + 1, text.size()));
                const std::size_t colon = line.find(u": ");
                if (colon != std::u16string_view::npos) {
                    pair(line.substr(0, colon), line.substr(colon + 2));
                } else if (!line.empty()) {
                    AddUserDefinedField(GetSourceName(preset.extrasColumn).View(), line);
                }
            }
        }
        break;
    case CsvExtras::RoboFormFields:
        for (std::size_t c = preset.extrasColumn; c < row.size(); ++c) {
            // "Name$:type:value"
            const std::u16string_view field = row[c].View();
            const std::size_t marker = field.find(u"$:");
            if (marker == std::u16string_view::npos) {
                pair(u"Rf_fields", field);
                continue;
            }
            const std::u16string_view rest = field.substr(marker + 2);
            const std::size_t colon = rest.find(u':');
            pair(field.substr(0, marker), colon == std::u16string_view::npos ? rest : rest.substr(colon + 1));
        }
        break;
    case CsvExtras::KeeperPairs:
    case CsvExtras::EnpassPairs: {
        const bool enpass = preset.extras == CsvExtras::EnpassPairs;
        const std::size_t first = enpass ? 1 : preset.extrasColumn;
        // Enpass ends every row with the note.
        const std::size_t end = enpass && row.size() >= 2 ? row.size() - 1 : row.size();
        for (std::size_t c = first; c + 1 < end; c += 2) {
            pair(row[c].View(), row[c + 1].View());
        }
        if (enpass && row.size() >= 2) {
            SetField(Field::Comment, row.back().View());
        }
        break;
    }
    }
}

void PresetCsvImporter::WarnUnsupported(std::u16string_view column) {
    const bool attachment = ContainsNoCase(column, u"attach") || ContainsNoCase(column, u"anh");
    std::u16string text = attachment ? u"Anhänge (Spalte „" : u"Das Einmalpasswort-Geheimnis (Spalte „";
    text += TrimBlanks(column);
    text += attachment ? u"“) können nicht übernommen werden und wurden nicht importiert."
                       : u"“) kann nicht übernommen werden und wurde nicht importiert.";
    WarnEntry(TrimBlanks(column), text);
}

} // namespace Tarnwick::Import::CSV
