// Verbs on folders and entries: list, show, search, add, edit, remove, move, make and remove folders.
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <optional>
#include <functional>

#include "cli/CliSupport.h"
#include "cli/EntryJson.h"
#include "cli/GeneratorOptions.h"
#include "cli/Commands.h"
#include "cli/Json.h"
#include "cli/Session.h"
#include "cli/VaultPaths.h"
#include "base/text/CaseFolding.h"
#include "model/Clock.h"

namespace Tarnwick::Cli {

using PasswordADT::Category;
using PasswordADT::CategoryRef;
using PasswordADT::PasswordData;
using PasswordADT::PasswordItem;
using StringServiceProvider::PlainString;
using StringServiceProvider::SecureString;

namespace {

// The plain text fields an entry shows, by their German names.
struct TextField {
    const char16_t* name;
    const PlainString& (PasswordItem::*get)() const;
    void (PasswordItem::*set)(std::u16string_view);
    const char* option;
};

const TextField kTextFields[] = {
    {u"Beschreibung", &PasswordItem::GetDescription, &PasswordItem::SetDescription, "--description"},
    {u"Benutzername", &PasswordItem::GetUserName, &PasswordItem::SetUserName, "--username"},
    {u"Url", &PasswordItem::GetUrl, &PasswordItem::SetUrl, "--url"},
    {u"E-Mail", &PasswordItem::GetEmail, &PasswordItem::SetEmail, "--email"},
    {u"Kommentar", &PasswordItem::GetComment, &PasswordItem::SetComment, "--comment"},
    {u"Zielfenster", &PasswordItem::GetTargetWindow, &PasswordItem::SetTargetWindow, "--target-window"},
    {u"Sequenz", &PasswordItem::GetSequence, &PasswordItem::SetSequence, "--sequence"},
};

const std::set<std::string> kEditOptions = {"--user",        "--description", "--username", "--url",
                                            "--email",       "--comment",     "--target-window", "--sequence",
                                            "--field",       "--field-stdin", "--remove-field"};

// Applies the field options of add and edit to an entry.
void ApplyFieldOptions(const Arguments& args, PasswordItem& item) {
    for (const auto& field : kTextFields) {
        if (const auto value = args.Value(field.option)) {
            (item.*field.set)(Wide(*value));
        }
    }
    for (const auto& name : args.Values("--remove-field")) {
        if (!item.GetUserDefinedFields().Remove(Wide(name))) {
            throw RequestError{"Das Datenfeld \"" + name + "\" existiert nicht."};
        }
    }
    for (const auto& assignment : args.Values("--field")) {
        const auto equals = assignment.find('=');
        if (equals == std::string::npos || equals == 0) {
            throw UsageError{"--field erwartet NAME=WERT."};
        }
        const std::u16string name = Wide(assignment.substr(0, equals));
        const std::u16string value = Wide(assignment.substr(equals + 1));
        auto& fields = item.GetUserDefinedFields();
        fields.Remove(name);
        if (!value.empty()) {
            fields.Add(name, value);
        }
    }
}

// Reads the values of --field-stdin, one line each in the order given, after the passwords;
// they may be secret, so they never stand on the command line.
void ReadFieldValues(Console& console, const Arguments& args, PasswordItem& item) {
    for (const auto& name : args.Values("--field-stdin")) {
        if (name.empty()) {
            throw UsageError{"--field-stdin erwartet den Namen eines Datenfelds."};
        }
        SecureString value;
        if (!console.ReadSecret("Wert von " + name + ": ", value)) {
            throw RequestError{"Es wurde kein Wert für das Datenfeld \"" + name + "\" angegeben."};
        }
        auto& fields = item.GetUserDefinedFields();
        const std::u16string field = Wide(name);
        fields.Remove(field);
        if (!value.IsEmpty()) {
            const StringServiceProvider::PlainString plain = value.Reveal();
            fields.Add(field, plain.View());
        }
    }
}

// Checks the lengths the file format holds before anything is written.
void CheckLimits(const PasswordItem& item) {
    struct Limit {
        const char* name;
        std::size_t length;
        std::size_t max;
    };
    const Limit limits[] = {
        {"Beschreibung", item.GetDescription().Length(), PasswordItem::kMaxDescription},
        {"Benutzername", item.GetUserName().Length(), PasswordItem::kMaxUserName},
        {"Passwort", item.GetPassword().Length(), PasswordItem::kMaxPassword},
        {"Kommentar", item.GetComment().Length(), PasswordItem::kMaxComment},
        {"Url", item.GetUrl().Length(), PasswordItem::kMaxUrl},
        {"E-Mail", item.GetEmail().Length(), PasswordItem::kMaxEmail},
        {"Zielfenster", item.GetTargetWindow().Length(), PasswordItem::kMaxTargetWindow},
        {"Sequenz", item.GetSequence().Length(), PasswordItem::kMaxSequence},
    };
    for (const auto& limit : limits) {
        if (limit.length > limit.max) {
            throw RequestError{"Das Feld \"" + std::string(limit.name) + "\" ist länger als " +
                               std::to_string(limit.max) + " Zeichen."};
        }
    }
}

// Whether text holds the already lower-cased needle, in any case.
bool ContainsNoCase(std::u16string_view text, std::u16string_view needle) {
    if (needle.empty()) {
        return true;
    }
    for (std::size_t start = 0; start + needle.size() <= text.size(); ++start) {
        std::size_t i = 0;
        while (i < needle.size() && Text::ToLower(text[start + i]) == needle[i]) {
            ++i;
        }
        if (i == needle.size()) {
            return true;
        }
    }
    return false;
}

std::string Masked(std::size_t length) { return length == 0 ? "" : "********"; }

// How ls prints: a path a line, indented names, or JSON objects.
enum class ListStyle { Paths, Tree, Json };

// Lists below one folder (nullptr: the top level) without recursion, so any depth is safe.
// One path buffer grows and shrinks along the walk, so the work grows with the output only.
void ListFolder(Console& console, const PasswordData& data, const Category* folder, bool recursive, ListStyle style,
                bool reveal) {
    const PasswordADT::FolderTree tree(data);
    std::u16string path = folder != nullptr ? FolderPath(tree, *folder) : std::u16string();
    std::u16string line;
    Json::Buffer json;
    bool first = true;
    std::size_t depth = 0;
    const auto indent = [&] {
        for (std::size_t i = 0; i < depth; ++i) {
            console.Out("  ");
        }
    };
    const auto emitFolder = [&](const Category& child, std::size_t nameStart) {
        if (style == ListStyle::Json) {
            json.assign(first ? "{" : ",{");
            json += "\"type\":\"folder\",\"path\":";
            Json::AppendQuoted(json, path);
            json += ",\"name\":";
            Json::AppendQuoted(json, child.GetName().View());
            json += ",\"entries\":" + std::to_string(child.Entries().size()) + "}";
            console.Out(std::string_view(json.data(), json.size()));
            first = false;
        } else if (style == ListStyle::Tree) {
            indent();
            console.Out(std::u16string_view(path).substr(nameStart));
            console.OutLine("/");
        } else {
            console.Out(path);
            console.OutLine("/");
        }
    };
    const auto emitEntries = [&](const Category& owner) {
        const auto names = EntryPaths(owner);
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (!owner.Entries()[i]) {
                continue;
            }
            line.assign(path);
            line.push_back(u'/');
            line.append(names[i]);
            if (style == ListStyle::Json) {
                json.assign(first ? "" : ",");
                AppendEntryJson(json, *owner.Entries()[i], line, path, reveal);
                console.Out(std::string_view(json.data(), json.size()));
                first = false;
            } else if (style == ListStyle::Tree) {
                indent();
                console.Out(names[i]);
                console.OutLine("");
            } else {
                console.Out(line);
                console.OutLine("");
            }
        }
    };
    if (style == ListStyle::Json) {
        console.Out("[");
    }
    // Depth first, as a recursive walk would: a folder, then its subfolders, then its entries.
    struct Frame {
        const Category* folder;
        std::size_t next;
        std::size_t pathLength;
    };
    std::vector<Frame> frames{{folder, 0, path.size()}};
    while (!frames.empty()) {
        Frame& frame = frames.back();
        depth = frames.size() - 1;
        const auto& children = tree.Children(frame.folder);
        if (frame.next < children.size()) {
            const Category& child = *children[frame.next++];
            path.resize(frame.pathLength);
            if (!path.empty()) {
                path.push_back(u'/');
            }
            const std::size_t nameStart = path.size();
            AppendEscaped(path, child.GetName().View(), false);
            emitFolder(child, nameStart);
            if (recursive) {
                frames.push_back({&child, 0, path.size()});
            }
            continue;
        }
        path.resize(frame.pathLength);
        if (frame.folder != nullptr) {
            emitEntries(*frame.folder);
        }
        frames.pop_back();
    }
    if (style == ListStyle::Json) {
        console.OutLine("]");
    }
}

int List(Console& console, const std::vector<std::string>& raw) {
    const Arguments args(raw, {"--user"}, {"-R", "--recursive", "--json", "--tree", "--show-protected"});
    ExpectPositional(args, 1, 2);
    const bool json = args.Has("--json");
    if (json && args.Has("--tree")) {
        throw UsageError{"--tree und --json schließen einander aus."};
    }
    if (args.Has("--show-protected") && !json) {
        throw UsageError{"--show-protected gilt nur mit --json."};
    }
    Session session(console, args.Positional()[0], args.Value("--user"));
    session.Open();
    const PasswordData& data = session.Data();
    CategoryRef folder;
    if (args.Positional().size() == 2) {
        folder = RequireFolder(data, Wide(args.Positional()[1]));
    }
    const ListStyle style = json ? ListStyle::Json : args.Has("--tree") ? ListStyle::Tree : ListStyle::Paths;
    // A tree shows everything below, as "ls -R" does.
    const bool recursive = args.Has("-R") || args.Has("--recursive") || style == ListStyle::Tree;
    ListFolder(console, data, folder.get(), recursive, style, args.Has("--show-protected"));
    return 0;
}

// The value of one field by its German name (as the window names it) or a user-defined field.
const PlainString* FindTextField(const PasswordItem& item, std::u16string_view name) {
    for (const auto& field : kTextFields) {
        if (name == field.name) {
            return &(item.*field.get)();
        }
    }
    if (item.GetUserDefinedFields().Contains(name)) {
        return &item.GetUserDefinedFields().Get(name);
    }
    return nullptr;
}

int Show(Console& console, const std::vector<std::string>& raw) {
    const Arguments args(raw, {"--user", "--field"}, {"--show-protected", "--json"});
    ExpectPositional(args, 2, 2);
    Session session(console, args.Positional()[0], args.Value("--user"));
    session.Open();
    const EntryLocation entry = RequireEntry(session.Data(), Wide(args.Positional()[1]));
    const PasswordItem& item = *entry.item;
    // Everything shown is gathered in one wiping buffer and written at once.
    Json::Buffer out;
    out.reserve(8192);
    const auto text = [&](std::u16string_view value) { Text::EncodeUtf8(value, [&](char c) { out.push_back(c); }); };

    if (const auto wanted = args.Value("--field")) {
        // Asking for one field by name is asking for its value, the password included.
        const std::u16string name = Wide(*wanted);
        if (name == u"Passwort") {
            const auto plain = item.GetPassword().Reveal();
            text(plain.View());
        } else if (const PlainString* value = FindTextField(item, name)) {
            text(value->View());
        } else {
            throw RequestError{"Das Feld \"" + *wanted + "\" existiert nicht."};
        }
        out.push_back('\n');
        console.Out(std::string_view(out.data(), out.size()));
        return 0;
    }

    const bool reveal = args.Has("--show-protected");
    if (args.Has("--json")) {
        const PasswordADT::FolderTree tree(session.Data());
        AppendEntryJson(out, item, EntryPath(session.Data(), *entry.folder, entry.entryPosition),
                        FolderPath(tree, *entry.folder), reveal);
        out.push_back('\n');
        console.Out(std::string_view(out.data(), out.size()));
        return 0;
    }
    for (const auto& field : kTextFields) {
        std::string label = Text::ToUtf8(field.name) + ":";
        label.resize(std::max<std::size_t>(label.size() + 1, 15), ' ');
        out += label;
        text((item.*field.get)().View());
        out.push_back('\n');
        if (field.get == &PasswordItem::GetUserName) {
            out += "Passwort:      ";
            if (reveal) {
                const auto plain = item.GetPassword().Reveal();
                text(plain.View());
            } else {
                out += Masked(item.GetPassword().Length());
            }
            out.push_back('\n');
        }
    }
    for (const auto& [name, value] : item.GetUserDefinedFields()) {
        out += "Feld ";
        text(name.View());
        out += ": ";
        text(value.View());
        out.push_back('\n');
    }
    const auto mode = static_cast<PasswordADT::ValidityMode>(item.GetValidityMode());
    if (mode == PasswordADT::ValidityMode::UntilDate) {
        out += "Gültig bis:    " + Json::IsoTime(item.GetExpiry()) + "\n";
    } else if (mode == PasswordADT::ValidityMode::Days) {
        out += "Gültig:        " + std::to_string(static_cast<std::uint32_t>(item.GetExpiry())) +
               " Tage nach der Passwortänderung\n";
    }
    out += "Historie:      " + std::to_string(item.GetPasswordHistory().Count()) + " frühere Passwörter";
    if (!item.GetKeepHistory()) {
        out += " (ausgeschaltet)";
    }
    out.push_back('\n');
    console.Out(std::string_view(out.data(), out.size()));
    return 0;
}

int Search(Console& console, const std::vector<std::string>& raw) {
    const Arguments args(raw, {"--user", "--fields"}, {"--json"});
    ExpectPositional(args, 2, 2);
    std::vector<const TextField*> fields;
    if (const auto names = args.Value("--fields")) {
        std::u16string list = Wide(*names);
        std::u16string name;
        list.push_back(u',');
        for (const char16_t c : list) {
            if (c != u',') {
                name.push_back(c);
                continue;
            }
            const auto it = std::find_if(std::begin(kTextFields), std::end(kTextFields),
                                         [&](const TextField& f) { return name == f.name; });
            if (it == std::end(kTextFields)) {
                throw UsageError{"Unbekanntes Suchfeld \"" + Text::ToUtf8(name) + "\"."};
            }
            fields.push_back(&*it);
            name.clear();
        }
    } else {
        for (const auto& field : kTextFields) {
            if (field.get != &PasswordItem::GetSequence && field.get != &PasswordItem::GetTargetWindow) {
                fields.push_back(&field);
            }
        }
    }
    Session session(console, args.Positional()[0], args.Value("--user"));
    session.Open();
    const std::u16string needle = Text::ToLower(Wide(args.Positional()[1]));
    const bool json = args.Has("--json");
    bool first = true;
    std::size_t hits = 0;
    if (json) {
        console.Out("[");
    }
    const PasswordData& data = session.Data();
    const PasswordADT::FolderTree tree(data);
    for (const auto& folder : data.Folders()) {
        std::vector<std::u16string> paths;
        for (std::size_t i = 0; i < folder->Entries().size(); ++i) {
            const auto& item = folder->Entries()[i];
            const bool hit = item && std::any_of(fields.begin(), fields.end(), [&](const TextField* field) {
                return ContainsNoCase(((*item).*(field->get))().View(), needle);
            });
            if (!hit) {
                continue;
            }
            if (paths.empty()) {
                paths = EntryPaths(*folder);
            }
            const std::u16string path = FolderPath(tree, *folder) + u"/" + paths[i];
            ++hits;
            if (json) {
                console.Out(std::string(first ? "" : ",") + Json::Quote(path));
                first = false;
            } else {
                console.Out(path);
                console.OutLine("");
            }
        }
    }
    if (json) {
        console.OutLine("]");
    }
    // As grep does: scripts can tell "nothing found" from a hit.
    return hits > 0 ? 0 : 1;
}

// The options add and edit share beyond the text fields: the generator, the history and the expiry.
std::set<std::string> EntryValueOptions() {
    std::set<std::string> options = kEditOptions;
    options.insert(kGeneratorOptions.begin(), kGeneratorOptions.end());
    options.insert({"--history-size", "--expires", "--expires-in"});
    return options;
}

std::set<std::string> EntrySwitches(std::initializer_list<const char*> own) {
    std::set<std::string> switches = kGeneratorSwitches;
    switches.insert({"--generate", "--keep-history", "--no-history"});
    switches.insert(own.begin(), own.end());
    return switches;
}

// Generator options only mean something with --generate.
void CheckGeneratorUse(const Arguments& args, const char* other) {
    if (args.Has("--generate")) {
        if (args.Has(other)) {
            throw UsageError{std::string("--generate und ") + other + " schließen einander aus."};
        }
        return;
    }
    for (const auto& option : kGeneratorOptions) {
        if (args.Has(option)) {
            throw UsageError{option + " gilt nur mit --generate."};
        }
    }
    for (const auto& option : kGeneratorSwitches) {
        if (args.Has(option)) {
            throw UsageError{option + " gilt nur mit --generate."};
        }
    }
}

// Seconds since 1970 of the local start of a day "JJJJ-MM-TT", as the entry editor stores it.
std::int64_t ParseDate(const std::string& text) {
    std::tm parts{};
    int year = 0, month = 0, day = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &year, &month, &day, &tail) != 3 || text.size() != 10 ||
        year < 1971 || month < 1 || month > 12 || day < 1 || day > 31) {
        throw UsageError{"--expires erwartet ein Datum JJJJ-MM-TT oder \"never\"."};
    }
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_isdst = -1;
    const std::time_t seconds = std::mktime(&parts);
    // mktime moves 31 February on to March: such a date does not exist.
    if (seconds == -1 || parts.tm_mday != day || parts.tm_mon != month - 1) {
        throw UsageError{"Das Datum \"" + text + "\" gibt es nicht."};
    }
    return static_cast<std::int64_t>(seconds);
}

// The history and expiry options, checked before the database is opened.
struct EntrySettings {
    std::optional<bool> keepHistory;
    std::optional<std::int16_t> historySize;
    std::optional<PasswordADT::ValidityMode> validity;
    std::int64_t expiry = 0;

    explicit EntrySettings(const Arguments& args) {
        if (args.Has("--keep-history") && args.Has("--no-history")) {
            throw UsageError{"--keep-history und --no-history schließen einander aus."};
        }
        if (args.Has("--keep-history") || args.Has("--no-history")) {
            keepHistory = args.Has("--keep-history");
        }
        if (args.Has("--history-size")) {
            historySize = static_cast<std::int16_t>(
                NumberOption(args, "--history-size", 0, 1, static_cast<int>(PasswordADT::PasswordHistoryMap::kMaximumCount)));
        }
        if (args.Has("--expires") && args.Has("--expires-in")) {
            throw UsageError{"--expires und --expires-in schließen einander aus."};
        }
        if (const auto date = args.Value("--expires")) {
            if (*date == "never") {
                validity = PasswordADT::ValidityMode::Unlimited;
            } else {
                validity = PasswordADT::ValidityMode::UntilDate;
                expiry = ParseDate(*date);
            }
        }
        if (args.Has("--expires-in")) {
            validity = PasswordADT::ValidityMode::Days;
            expiry = NumberOption(args, "--expires-in", 0, 1, 366);
        }
    }

    void ApplyTo(PasswordItem& item) const {
        if (keepHistory) {
            item.SetKeepHistory(*keepHistory);
        }
        if (historySize) {
            item.SetHistorySize(*historySize);
        }
        if (validity) {
            item.SetValidityMode(static_cast<std::uint32_t>(*validity));
            item.SetExpiry(*validity == PasswordADT::ValidityMode::Unlimited ? 0 : expiry);
        }
    }
};

// The entry's new password: generated, asked, or none with --no-password.
SecureString EntryPassword(Console& console, const Arguments& args, const char* prompt) {
    if (args.Has("--generate")) {
        auto passwords = GeneratePasswords(console, args, 1);
        return std::move(passwords.front());
    }
    if (args.Has("--no-password")) {
        return {};
    }
    SecureString password;
    if (!console.ReadSecret(prompt, password)) {
        throw RequestError{"Es wurde kein Passwort für den Eintrag angegeben."};
    }
    return password;
}

int Add(Console& console, const std::vector<std::string>& raw) {
    std::set<std::string> options = EntryValueOptions();
    options.erase("--description");
    options.erase("--remove-field");
    const Arguments args(raw, options, EntrySwitches({"--no-password"}));
    ExpectPositional(args, 2, 2);
    CheckGeneratorUse(args, "--no-password");
    auto parts = SplitPath(Wide(args.Positional()[1]));
    if (parts.size() < 2) {
        throw UsageError{"Geben Sie den Eintrag als \"Ordner/Beschreibung\" an."};
    }
    const std::u16string description = parts.back();
    parts.pop_back();
    std::u16string folderPath;
    for (const auto& part : parts) {
        AppendEscaped(folderPath, part, false);
        folderPath.push_back(u'/');
    }
    // Values the file cannot hold are refused before the database is even opened.
    const EntrySettings settings(args);
    PasswordItem item;
    item.SetDescription(description);
    ApplyFieldOptions(args, item);
    settings.ApplyTo(item);
    CheckLimits(item);
    if (args.Has("--generate")) {
        ChoosePolicy(args);
    }
    Session session(console, args.Positional()[0], args.Value("--user"));
    session.OpenFolders();
    const CategoryRef folder = RequireFolder(session.Data(), folderPath);
    item.SetPassword(PasswordADT::CurrentTime(), EntryPassword(console, args, "Passwort des Eintrags: "));
    ReadFieldValues(console, args, item);
    CheckLimits(item);
    if (!session.Database().AddEntry(session.Credentials(), item, folder->GetId())) {
        throw RequestError{};
    }
    return 0;
}

int Edit(Console& console, const std::vector<std::string>& raw) {
    const Arguments args(raw, EntryValueOptions(), EntrySwitches({"--password"}));
    ExpectPositional(args, 2, 2);
    CheckGeneratorUse(args, "--password");
    const EntrySettings settings(args);
    if (args.Has("--generate")) {
        ChoosePolicy(args);
    }
    Session session(console, args.Positional()[0], args.Value("--user"));
    session.Open();
    const EntryLocation entry = RequireEntry(session.Data(), Wide(args.Positional()[1]));
    // The changes go to a copy that replaces the entry only when all of them are valid.
    auto edited = std::make_shared<PasswordItem>(*entry.item);
    ApplyFieldOptions(args, *edited);
    // The history rules in force are the new ones, as in the window's editor.
    settings.ApplyTo(*edited);
    if (args.Has("--password") || args.Has("--generate")) {
        const SecureString password = EntryPassword(console, args, "Neues Passwort des Eintrags: ");
        if (!edited->ChangePassword(password, PasswordADT::CurrentTime())) {
            throw RequestError{"Das Passwort wurde bereits verwendet und darf nicht wiederholt werden."};
        }
    }
    ReadFieldValues(console, args, *edited);
    edited->SetModificationTime(PasswordADT::CurrentTime());
    CheckLimits(*edited);
    entry.folder->Entries()[entry.entryPosition] = edited;
    session.SaveAll();
    return 0;
}

int Remove(Console& console, const std::vector<std::string>& raw) {
    const Arguments args(raw, {"--user"}, {});
    ExpectPositional(args, 2, 2);
    Session session(console, args.Positional()[0], args.Value("--user"));
    session.Open();
    const EntryLocation entry = RequireEntry(session.Data(), Wide(args.Positional()[1]));
    auto& entries = entry.folder->Entries();
    entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(entry.entryPosition));
    session.SaveAll();
    return 0;
}

int Move(Console& console, const std::vector<std::string>& raw) {
    const Arguments args(raw, {"--user"}, {});
    ExpectPositional(args, 3, 3);
    Session session(console, args.Positional()[0], args.Value("--user"));
    session.Open();
    PasswordData& data = session.Data();
    const EntryLocation entry = RequireEntry(data, Wide(args.Positional()[1]));
    const CategoryRef target = RequireFolder(data, Wide(args.Positional()[2]));
    if (target == entry.folder) {
        return 0;
    }
    const int result = data.MoveEntry(PositionOf(data, *target), entry.folderPosition, entry.entryPosition);
    if (result != PasswordADT::MoveEntrySucceeded) {
        throw RequestError{"Der Eintrag konnte nicht verschoben werden."};
    }
    session.SaveAll();
    return 0;
}

int MakeFolder(Console& console, const std::vector<std::string>& raw) {
    const Arguments args(raw, {"--user"}, {});
    ExpectPositional(args, 2, 2);
    auto parts = SplitPath(Wide(args.Positional()[1]));
    if (parts.empty()) {
        throw UsageError{"Geben Sie den Namen des Ordners an."};
    }
    const std::u16string name = parts.back();
    parts.pop_back();
    if (name.size() > Category::kMaximumNameLength) {
        throw RequestError{"Der Ordnername darf höchstens 74 Zeichen lang sein."};
    }
    Session session(console, args.Positional()[0], args.Value("--user"));
    session.Open();
    PasswordData& data = session.Data();
    std::u16string parentPath;
    for (const auto& part : parts) {
        AppendEscaped(parentPath, part, false);
        parentPath.push_back(u'/');
    }
    if (FindFolder(data, parentPath + EscapeName(name, false))) {
        throw RequestError{"Der Ordner \"" + args.Positional()[1] + "\" existiert bereits."};
    }
    if (parts.empty()) {
        data.AddFolder(name);
    } else {
        data.AddSubfolder(RequireFolder(data, parentPath)->GetId(), name);
    }
    if (!session.Database().SaveCategories(session.Credentials(), data)) {
        throw RequestError{};
    }
    return 0;
}

int RemoveFolder(Console& console, const std::vector<std::string>& raw) {
    const Arguments args(raw, {"--user"}, {"-R", "--recursive"});
    ExpectPositional(args, 2, 2);
    Session session(console, args.Positional()[0], args.Value("--user"));
    session.Open();
    PasswordData& data = session.Data();
    const CategoryRef folder = RequireFolder(data, Wide(args.Positional()[1]));
    const bool recursive = args.Has("-R") || args.Has("--recursive");
    if (!recursive && (!folder->Entries().empty() || !ChildFolders(data, folder.get()).empty())) {
        throw RequestError{"Der Ordner ist nicht leer; löschen Sie ihn mit --recursive samt Inhalt."};
    }
    if (data.FolderCount() == 1) {
        throw RequestError{"Der letzte Ordner einer Datenbank kann nicht gelöscht werden."};
    }
    data.DeleteFolder(PositionOf(data, *folder));
    if (data.FolderCount() == 0) {
        throw RequestError{"Der letzte Ordner einer Datenbank kann nicht gelöscht werden."};
    }
    session.SaveAll();
    return 0;
}

} // namespace

std::vector<Command> EntryCommands() {
    static const std::string kGeneratorHelp =
        "Mit --generate wird das Passwort erzeugt statt abgefragt: nach --policy NAME, nach Zeichengruppen "
        "(--length N mit --upper, --lower, --digits, --punctuation, --special, --brackets) oder als --hex N / "
        "--base64 N, wie bei generate.\n"
        "Historie: --keep-history / --no-history schaltet die Passworthistorie ein oder aus, --history-size N "
        "(1 bis 100) setzt ihre Größe.\n"
        "Ablauf: --expires JJJJ-MM-TT (gültig bis zu diesem Tag), --expires-in TAGE (1 bis 366 Tage nach der "
        "Passwortänderung) oder --expires never.";
    return {
        {"ls", "ls DATEI [ORDNER] [-R] [--tree] [--json [--show-protected]] [--user NAME]",
         "Listet Ordner und Einträge auf; --tree eingerückt mit allen Unterordnern, --json mit allen Feldern.", List,
         "Mit --json ist jeder Ordner ein Objekt mit type (\"folder\"), path, name und entries (Anzahl), jeder "
         "Eintrag ein Objekt wie bei \"twcli show --json\" (siehe \"twcli show --help\")."},
        {"show", "show DATEI EINTRAG [--show-protected] [--field NAME] [--json] [--user NAME]",
         "Zeigt einen Eintrag; das Passwort nur mit --show-protected oder --field Passwort.", Show, kEntryJsonHelp},
        {"search", "search DATEI TEXT [--fields Beschreibung,Benutzername,Url,E-Mail,Kommentar] [--json]",
         "Sucht Einträge, deren Felder den Text enthalten (ohne Beachtung der Groß-/Kleinschreibung); ohne Treffer "
         "ist der Rückgabewert 1.",
         Search},
        {"add",
         "add DATEI ORDNER/BESCHREIBUNG [--username ..] [--url ..] [--email ..] [--comment ..] "
         "[--target-window ..] [--sequence ..] [--field NAME=WERT ..] [--field-stdin NAME ..] "
         "[--no-password | --generate [GENERATOROPTIONEN]] [--keep-history | --no-history] [--history-size N] "
         "[--expires JJJJ-MM-TT | --expires-in TAGE]",
         "Legt einen Eintrag an; das Passwort wird abgefragt oder mit --generate erzeugt. Geheime Datenfelder nennt "
         "--field-stdin: ihre Werte folgen nach den Passwörtern, eine Zeile je Feld.",
         Add, kGeneratorHelp},
        {"edit",
         "edit DATEI EINTRAG [--description ..] [--username ..] [--url ..] [--email ..] [--comment ..] "
         "[--target-window ..] [--sequence ..] [--field NAME=WERT ..] [--field-stdin NAME ..] [--remove-field NAME] "
         "[--password | --generate [GENERATOROPTIONEN]] [--keep-history | --no-history] [--history-size N] "
         "[--expires JJJJ-MM-TT | --expires-in TAGE | --expires never]",
         "Ändert einen Eintrag; --password fragt ein neues Passwort ab, --generate erzeugt eines (beides mit den "
         "Regeln der Passworthistorie); die Werte von --field-stdin folgen danach, eine Zeile je Feld.",
         Edit, kGeneratorHelp},
        {"rm", "rm DATEI EINTRAG [--user NAME]", "Löscht einen Eintrag.", Remove},
        {"mv", "mv DATEI EINTRAG ORDNER [--user NAME]", "Verschiebt einen Eintrag in einen anderen Ordner.", Move},
        {"mkdir", "mkdir DATEI ORDNER [--user NAME]", "Legt einen Ordner an (der übergeordnete muss existieren).",
         MakeFolder},
        {"rmdir", "rmdir DATEI ORDNER [--recursive] [--user NAME]", "Löscht einen Ordner.", RemoveFolder},
    };
}

} // namespace Tarnwick::Cli
