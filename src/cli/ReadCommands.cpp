// Verbs that only read: list, show and search. They decrypt of each entry only what they show.
#include <algorithm>
#include <unordered_map>
#include <functional>

#include "cli/CliSupport.h"
#include "cli/EntryFields.h"
#include "cli/EntryJson.h"
#include "cli/Commands.h"
#include "cli/Json.h"
#include "cli/Session.h"
#include "cli/VaultPaths.h"
#include "base/text/CaseFolding.h"

namespace Tarnwick::Cli {

using PasswordADT::Category;
using PasswordADT::CategoryRef;
using PasswordADT::PasswordData;
using PasswordADT::PasswordItem;
using StringServiceProvider::PlainString;
using StringServiceProvider::SecureString;

namespace {

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

// The descriptions of every entry by folder, gathered while the file is read: a listing needs
// nothing else of an entry. They share one buffer, wiped when the listing ends.
class Listing {
public:
    // Notes an entry of the folder; returns its position there.
    std::size_t Add(const Category& folder, std::u16string_view description) {
        auto& entries = m_entries[&folder];
        entries.emplace_back(m_text.size(), description.size());
        m_text.append(description);
        return entries.size() - 1;
    }
    EmberkiteDatabase::RecordFilter Collector() {
        return {[this](const Category& folder, std::u16string_view description) {
                    Add(folder, description);
                    return EmberkiteDatabase::RecordDepth::Skip;
                },
                {}};
    }
    std::vector<std::u16string_view> Descriptions(const Category& folder) const {
        std::vector<std::u16string_view> descriptions;
        if (const auto it = m_entries.find(&folder); it != m_entries.end()) {
            for (const auto& [start, length] : it->second) {
                descriptions.push_back(std::u16string_view(m_text).substr(start, length));
            }
        }
        return descriptions;
    }

private:
    std::basic_string<char16_t, std::char_traits<char16_t>, CryptoServiceProvider::WipingAllocator<char16_t>> m_text;
    std::unordered_map<const Category*, std::vector<std::pair<std::size_t, std::size_t>>> m_entries;
};

// Lists below one folder (nullptr: the top level) without recursion, so any depth is safe.
// One path buffer grows and shrinks along the walk, so the work grows with the output only.
// Names come from the listing when there is one, else from the loaded entries.
void ListFolder(Console& console, const PasswordData& data, const Listing* listing, const Category* folder,
                bool recursive, ListStyle style, bool reveal) {
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
        const auto names = listing != nullptr ? EntryNames(listing->Descriptions(owner)) : EntryPaths(owner);
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (listing == nullptr && !owner.Entries()[i]) {
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
    Listing listing;
    if (json) {
        session.Open();
    } else {
        // Names are all a listing shows: of each entry only the description is decrypted.
        session.OpenForReading(listing.Collector());
    }
    const PasswordData& data = session.Data();
    CategoryRef folder;
    if (args.Positional().size() == 2) {
        folder = RequireFolder(data, Wide(args.Positional()[1]));
    }
    const ListStyle style = json ? ListStyle::Json : args.Has("--tree") ? ListStyle::Tree : ListStyle::Paths;
    // A tree shows everything below, as "ls -R" does.
    const bool recursive = args.Has("-R") || args.Has("--recursive") || style == ListStyle::Tree;
    ListFolder(console, data, json ? nullptr : &listing, folder.get(), recursive, style, args.Has("--show-protected"));
    return 0;
}

int Show(Console& console, const std::vector<std::string>& raw) {
    const Arguments args(raw, {"--user", "--field"}, {"--show-protected", "--json"});
    ExpectPositional(args, 2, 2);
    Session session(console, args.Positional()[0], args.Value("--user"));
    session.OpenForEntry(Wide(args.Positional()[1]));
    const EntryLocation entry = RequireEntry(session.Data(), Wide(args.Positional()[1]));
    const PasswordItem& item = *entry.item;
    // Everything shown is gathered in one wiping buffer and written at once.
    Json::Buffer out;
    out.reserve(8192);
    const auto text = [&](std::u16string_view value) { Text::EncodeUtf8(value, [&](char c) { out.push_back(c); }); };

    if (const auto wanted = args.Value("--field")) {
        // Asking for one field by name is asking for its value, the password included.
        if (!AppendFieldValue(item, Wide(*wanted), out)) {
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
    const std::u16string needle = Text::ToLower(Wide(args.Positional()[1]));
    // Every entry is read whole, but only its name stays once it was searched: the names give
    // each hit its "#n" among all the entries of its folder.
    Listing listing;
    std::size_t position = 0;
    std::vector<std::pair<const Category*, std::size_t>> found;
    Session session(console, args.Positional()[0], args.Value("--user"));
    session.OpenForReading({[&](const Category& folder, std::u16string_view description) {
                                position = listing.Add(folder, description);
                                return EmberkiteDatabase::RecordDepth::Full;
                            },
                            [&](const Category& folder, const PasswordItem& item) {
                                if (std::any_of(fields.begin(), fields.end(), [&](const TextField* field) {
                                        return ContainsNoCase((item.*(field->get))().View(), needle);
                                    })) {
                                    found.emplace_back(&folder, position);
                                }
                                return false;
                            }});
    const PasswordData& data = session.Data();
    // Hits in the order of the folders and of their entries, as ls lists them.
    std::unordered_map<const Category*, std::size_t> order;
    for (std::size_t i = 0; i < data.Folders().size(); ++i) {
        order.emplace(data.Folders()[i].get(), i);
    }
    std::stable_sort(found.begin(), found.end(), [&](const auto& a, const auto& b) {
        return std::pair(order[a.first], a.second) < std::pair(order[b.first], b.second);
    });
    const bool json = args.Has("--json");
    if (json) {
        console.Out("[");
    }
    const PasswordADT::FolderTree tree(data);
    const Category* named = nullptr;
    std::vector<std::u16string> names;
    for (std::size_t i = 0; i < found.size(); ++i) {
        const auto [folder, index] = found[i];
        if (folder != named) {
            names = EntryNames(listing.Descriptions(*folder));
            named = folder;
        }
        const std::u16string path = FolderPath(tree, *folder) + u"/" + names[index];
        if (json) {
            console.Out(std::string(i == 0 ? "" : ",") + Json::Quote(path));
        } else {
            console.Out(path);
            console.OutLine("");
        }
    }
    if (json) {
        console.OutLine("]");
    }
    // As grep does: scripts can tell "nothing found" from a hit.
    return found.empty() ? 1 : 0;
}

} // namespace

std::vector<Command> ReadCommands() {
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
    };
}

} // namespace Tarnwick::Cli
