// Verbs on folders and entries: list, show, search, add, edit, remove, move, make and remove folders.
#include <algorithm>
#include <functional>

#include "cli/CliSupport.h"
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

// Lists below one folder (nullptr: the top level) without recursion, so any depth is safe.
// One path buffer grows and shrinks along the walk, so the work grows with the output only.
void ListFolder(Console& console, const PasswordData& data, const Category* folder, bool recursive, bool json,
                bool& first) {
    const auto emit = [&](const char* type, std::u16string_view path) {
        if (json) {
            console.Out(std::string(first ? "" : ",") + "{\"type\":\"" + type + "\",\"path\":" + Json::Quote(path) + "}");
            first = false;
        } else {
            console.Out(path);
            console.OutLine(std::string_view(type)[0] == 'f' ? "/" : "");
        }
    };
    const PasswordADT::FolderTree tree(data);
    std::u16string path = folder != nullptr ? FolderPath(tree, *folder) : std::u16string();
    std::u16string line;
    const auto emitEntries = [&](const Category& owner) {
        for (const auto& name : EntryPaths(owner)) {
            line.assign(path);
            line.push_back(u'/');
            line.append(name);
            emit("entry", line);
        }
    };
    // Depth first, as a recursive walk would: a folder, then its subfolders, then its entries.
    struct Frame {
        const Category* folder;
        std::size_t next;
        std::size_t pathLength;
    };
    std::vector<Frame> frames{{folder, 0, path.size()}};
    while (!frames.empty()) {
        Frame& frame = frames.back();
        const auto& children = tree.Children(frame.folder);
        if (frame.next < children.size()) {
            const Category& child = *children[frame.next++];
            path.resize(frame.pathLength);
            if (!path.empty()) {
                path.push_back(u'/');
            }
            path.append(child.GetName().View());
            emit("folder", path);
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
}

int List(Console& console, const std::vector<std::string>& raw) {
    const Arguments args(raw, {"--user"}, {"-R", "--recursive", "--json"});
    ExpectPositional(args, 1, 2);
    Session session(console, args.Positional()[0], args.Value("--user"));
    session.Open();
    const PasswordData& data = session.Data();
    CategoryRef folder;
    if (args.Positional().size() == 2) {
        folder = RequireFolder(data, Wide(args.Positional()[1]));
    }
    const bool json = args.Has("--json");
    bool first = true;
    if (json) {
        console.Out("[");
    }
    ListFolder(console, data, folder.get(), args.Has("-R") || args.Has("--recursive"), json, first);
    if (json) {
        console.OutLine("]");
    }
    return 0;
}

int Show(Console& console, const std::vector<std::string>& raw) {
    const Arguments args(raw, {"--user", "--field"}, {"--show-protected", "--json"});
    ExpectPositional(args, 2, 2);
    Session session(console, args.Positional()[0], args.Value("--user"));
    session.Open();
    const EntryLocation entry = RequireEntry(session.Data(), Wide(args.Positional()[1]));
    const PasswordItem& item = *entry.item;

    if (const auto wanted = args.Value("--field")) {
        // Asking for one field by name is asking for its value, the password included.
        const std::u16string name = Wide(*wanted);
        if (name == u"Passwort") {
            console.Out(item.GetPassword().Reveal().View());
            console.OutLine("");
            return 0;
        }
        for (const auto& field : kTextFields) {
            if (name == field.name) {
                console.Out((item.*field.get)().View());
                console.OutLine("");
                return 0;
            }
        }
        if (item.GetUserDefinedFields().Contains(name)) {
            console.Out(item.GetUserDefinedFields().Get(name).View());
            console.OutLine("");
            return 0;
        }
        throw RequestError{"Das Feld \"" + *wanted + "\" existiert nicht."};
    }

    const bool reveal = args.Has("--show-protected");
    if (args.Has("--json")) {
        std::string json = "{\"path\":" + Json::Quote(EntryPath(session.Data(), *entry.folder, entry.entryPosition));
        for (const auto& field : kTextFields) {
            json.push_back(',');
            json += Json::Quote(std::u16string_view(field.name));
            json.push_back(':');
            json += Json::Quote((item.*field.get)().View());
        }
        if (reveal) {
            json += ",\"Passwort\":" + Json::Quote(item.GetPassword().Reveal().View());
        }
        json += ",\"created\":" + std::to_string(item.GetCreationTime()) +
                ",\"modified\":" + std::to_string(item.GetModificationTime()) +
                ",\"passwordChanged\":" + std::to_string(item.GetPasswordChangeTime()) +
                ",\"history\":" + std::to_string(item.GetPasswordHistory().Count()) + ",\"fields\":{";
        bool first = true;
        for (const auto& [name, value] : item.GetUserDefinedFields()) {
            if (!first) {
                json.push_back(',');
            }
            json += Json::Quote(name.View());
            json.push_back(':');
            json += Json::Quote(value.View());
            first = false;
        }
        console.OutLine(json + "}}");
        return 0;
    }
    for (const auto& field : kTextFields) {
        std::string label = Text::ToUtf8(field.name) + ":";
        label.resize(std::max<std::size_t>(label.size() + 1, 15), ' ');
        console.Out(label);
        console.Out((item.*field.get)().View());
        console.OutLine("");
        if (field.get == &PasswordItem::GetUserName) {
            console.Out("Passwort:      ");
            if (reveal) {
                console.Out(item.GetPassword().Reveal().View());
                console.OutLine("");
            } else {
                console.OutLine(Masked(item.GetPassword().Length()));
            }
        }
    }
    for (const auto& [name, value] : item.GetUserDefinedFields()) {
        console.Out(u"Feld ");
        console.Out(name.View());
        console.Out(u": ");
        console.Out(value.View());
        console.OutLine("");
    }
    console.OutLine("Historie:      " + std::to_string(item.GetPasswordHistory().Count()) + " frühere Passwörter");
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

// The entry's password: asked, or none with --no-password.
SecureString AskEntryPassword(Console& console, const Arguments& args) {
    if (args.Has("--no-password")) {
        return {};
    }
    SecureString password;
    if (!console.ReadSecret("Passwort des Eintrags: ", password)) {
        throw RequestError{"Es wurde kein Passwort für den Eintrag angegeben."};
    }
    return password;
}

int Add(Console& console, const std::vector<std::string>& raw) {
    std::set<std::string> options = kEditOptions;
    options.erase("--description");
    options.erase("--remove-field");
    const Arguments args(raw, options, {"--no-password"});
    ExpectPositional(args, 2, 2);
    auto parts = SplitPath(Wide(args.Positional()[1]));
    if (parts.size() < 2) {
        throw UsageError{"Geben Sie den Eintrag als \"Ordner/Beschreibung\" an."};
    }
    const std::u16string description = parts.back();
    parts.pop_back();
    std::u16string folderPath;
    for (const auto& part : parts) {
        folderPath += part + u"/";
    }
    // Values the file cannot hold are refused before the database is even opened.
    PasswordItem item;
    item.SetDescription(description);
    ApplyFieldOptions(args, item);
    CheckLimits(item);
    Session session(console, args.Positional()[0], args.Value("--user"));
    session.Open();
    const CategoryRef folder = RequireFolder(session.Data(), folderPath);
    const SecureString password = AskEntryPassword(console, args);
    item.SetPassword(PasswordADT::CurrentTime(), password);
    ReadFieldValues(console, args, item);
    CheckLimits(item);
    if (!session.Database().AddEntry(session.Credentials(), item, folder->GetId())) {
        throw RequestError{};
    }
    return 0;
}

int Edit(Console& console, const std::vector<std::string>& raw) {
    const Arguments args(raw, kEditOptions, {"--password"});
    ExpectPositional(args, 2, 2);
    Session session(console, args.Positional()[0], args.Value("--user"));
    session.Open();
    const EntryLocation entry = RequireEntry(session.Data(), Wide(args.Positional()[1]));
    // The changes go to a copy that replaces the entry only when all of them are valid.
    auto edited = std::make_shared<PasswordItem>(*entry.item);
    ApplyFieldOptions(args, *edited);
    if (args.Has("--password")) {
        SecureString password;
        if (!console.ReadSecret("Neues Passwort des Eintrags: ", password)) {
            throw RequestError{"Es wurde kein Passwort für den Eintrag angegeben."};
        }
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
        parentPath += part + u"/";
    }
    if (FindFolder(data, parentPath + name)) {
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
    return {
        {"ls", "ls DATEI [ORDNER] [-R] [--json] [--user NAME]", "Listet Ordner und Einträge auf.", List},
        {"show", "show DATEI EINTRAG [--show-protected] [--field NAME] [--json] [--user NAME]",
         "Zeigt einen Eintrag; das Passwort nur mit --show-protected oder --field Passwort.", Show},
        {"search", "search DATEI TEXT [--fields Beschreibung,Benutzername,Url,E-Mail,Kommentar] [--json]",
         "Sucht Einträge, deren Felder den Text enthalten (ohne Beachtung der Groß-/Kleinschreibung); ohne Treffer "
         "ist der Rückgabewert 1.",
         Search},
        {"add",
         "add DATEI ORDNER/BESCHREIBUNG [--username ..] [--url ..] [--email ..] [--comment ..] "
         "[--target-window ..] [--sequence ..] [--field NAME=WERT ..] [--field-stdin NAME ..] [--no-password]",
         "Legt einen Eintrag an; das Passwort wird abgefragt. Geheime Datenfelder nennt --field-stdin: ihre Werte "
         "folgen nach den Passwörtern, eine Zeile je Feld.",
         Add},
        {"edit",
         "edit DATEI EINTRAG [--description ..] [--username ..] [--url ..] [--email ..] [--comment ..] "
         "[--field NAME=WERT ..] [--field-stdin NAME ..] [--remove-field NAME] [--password]",
         "Ändert einen Eintrag; --password fragt ein neues Passwort ab (mit den Regeln der Passworthistorie); die "
         "Werte von --field-stdin folgen danach, eine Zeile je Feld.",
         Edit},
        {"rm", "rm DATEI EINTRAG [--user NAME]", "Löscht einen Eintrag.", Remove},
        {"mv", "mv DATEI EINTRAG ORDNER [--user NAME]", "Verschiebt einen Eintrag in einen anderen Ordner.", Move},
        {"mkdir", "mkdir DATEI ORDNER [--user NAME]", "Legt einen Ordner an (der übergeordnete muss existieren).",
         MakeFolder},
        {"rmdir", "rmdir DATEI ORDNER [--recursive] [--user NAME]", "Löscht einen Ordner.", RemoveFolder},
    };
}

} // namespace Tarnwick::Cli
