#include "cli/VaultPaths.h"

#include <unordered_map>

#include "cli/Arguments.h"
#include "base/text/Utf.h"

namespace Tarnwick::Cli {

using PasswordADT::Category;
using PasswordADT::CategoryRef;
using PasswordADT::PasswordData;

namespace {

// The character an escape stands for; 0 when the backslash is taken as it stands.
char16_t Escaped(char16_t c) {
    switch (c) {
    case u'/':
    case u'\\':
    case u'#':
        return c;
    case u'n':
        return u'\n';
    case u'r':
        return u'\r';
    default:
        return 0;
    }
}

// Splits at unescaped slashes and keeps the escapes, so the last part can still tell an
// escaped hash from an ordinal.
std::vector<std::u16string_view> RawParts(std::u16string_view path) {
    std::vector<std::u16string_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i < path.size() && path[i] == u'\\' && i + 1 < path.size() && Escaped(path[i + 1]) != 0) {
            ++i;
            continue;
        }
        if (i == path.size() || path[i] == u'/') {
            if (i > start) {
                parts.push_back(path.substr(start, i - start));
            }
            start = i + 1;
        }
    }
    return parts;
}

std::u16string Unescape(std::u16string_view raw) {
    std::u16string text;
    text.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == u'\\' && i + 1 < raw.size()) {
            if (const char16_t c = Escaped(raw[i + 1]); c != 0) {
                text.push_back(c);
                ++i;
                continue;
            }
        }
        text.push_back(raw[i]);
    }
    return text;
}

// Where a name's trailing "#<digits>" starts, npos when it has none.
std::size_t OrdinalHash(std::u16string_view text) {
    const std::size_t hash = text.rfind(u'#');
    if (hash == std::u16string_view::npos || hash + 1 == text.size()) {
        return std::u16string_view::npos;
    }
    for (std::size_t i = hash + 1; i < text.size(); ++i) {
        if (text[i] < u'0' || text[i] > u'9') {
            return std::u16string_view::npos;
        }
    }
    return hash;
}

} // namespace

std::vector<std::u16string> SplitPath(std::u16string_view path) {
    std::vector<std::u16string> parts;
    for (const auto raw : RawParts(path)) {
        parts.push_back(Unescape(raw));
    }
    return parts;
}

void AppendEscaped(std::u16string& path, std::u16string_view name, bool entry) {
    const std::size_t hash = entry ? OrdinalHash(name) : std::u16string_view::npos;
    for (std::size_t i = 0; i < name.size(); ++i) {
        switch (name[i]) {
        case u'/':
            path.append(u"\\/");
            break;
        case u'\\':
            path.append(u"\\\\");
            break;
        case u'\n':
            path.append(u"\\n");
            break;
        case u'\r':
            path.append(u"\\r");
            break;
        case u'#':
            path.append(i == hash ? u"\\#" : u"#");
            break;
        default:
            path.push_back(name[i]);
        }
    }
}

std::u16string EscapeName(std::u16string_view name, bool entry) {
    std::u16string text;
    AppendEscaped(text, name, entry);
    return text;
}

EntryAddress ParseEntryPath(std::u16string_view path) {
    const auto raw = RawParts(path);
    if (raw.size() < 2) {
        throw RequestError{"Geben Sie den Eintrag als \"Ordner/Beschreibung\" an."};
    }
    EntryAddress address;
    for (std::size_t i = 0; i + 1 < raw.size(); ++i) {
        address.folder.push_back(Unescape(raw[i]));
    }
    std::u16string_view last = raw.back();
    // "#n" counts only when its hash is not escaped (an even number of backslashes before it).
    if (const std::size_t hash = OrdinalHash(last); hash != std::u16string_view::npos && last.size() - hash <= 7) {
        std::size_t backslashes = 0;
        while (backslashes < hash && last[hash - 1 - backslashes] == u'\\') {
            ++backslashes;
        }
        std::size_t value = 0;
        for (std::size_t i = hash + 1; i < last.size(); ++i) {
            value = value * 10 + static_cast<std::size_t>(last[i] - u'0');
        }
        if (backslashes % 2 == 0 && value > 0 && hash > 0) {
            address.ordinal = value;
            last = last.substr(0, hash);
        }
    }
    address.description = Unescape(last);
    if (address.description.empty()) {
        throw RequestError{"Geben Sie den Eintrag als \"Ordner/Beschreibung\" an."};
    }
    return address;
}

std::vector<CategoryRef> ChildFolders(const PasswordData& data, const Category* parent) {
    // A folder whose parent does not exist (or that sits in a loop of parents) is shown at the
    // top level, so it stays reachable.
    return PasswordADT::FolderTree(data).Children(parent);
}

CategoryRef FindFolder(const PasswordData& data, std::u16string_view path) {
    const PasswordADT::FolderTree tree(data);
    CategoryRef current;
    for (const auto& part : SplitPath(path)) {
        CategoryRef next;
        for (const auto& child : tree.Children(current.get())) {
            if (child->GetName().View() == part) {
                next = child;
                break;
            }
        }
        if (!next) {
            return nullptr;
        }
        current = next;
    }
    return current;
}

CategoryRef RequireFolder(const PasswordData& data, std::u16string_view path) {
    CategoryRef folder = FindFolder(data, path);
    if (!folder) {
        throw RequestError{"Der Ordner \"" + Text::ToUtf8(path) + "\" existiert nicht."};
    }
    return folder;
}

std::size_t PositionOf(const PasswordData& data, const Category& folder) {
    for (std::size_t i = 0; i < data.Folders().size(); ++i) {
        if (data.Folders()[i].get() == &folder) {
            return i;
        }
    }
    return 0;
}

EntryLocation RequireEntry(const PasswordData& data, std::u16string_view path) {
    const EntryAddress address = ParseEntryPath(path);
    std::u16string folderPath;
    for (const auto& part : address.folder) {
        AppendEscaped(folderPath, part, false);
        folderPath.push_back(u'/');
    }
    const CategoryRef folder = RequireFolder(data, folderPath);
    std::vector<std::size_t> matches;
    for (std::size_t i = 0; i < folder->Entries().size(); ++i) {
        if (folder->Entries()[i] && folder->Entries()[i]->GetDescription().View() == address.description) {
            matches.push_back(i);
        }
    }
    const std::string shown = Text::ToUtf8(path);
    if (matches.empty() || address.ordinal > matches.size()) {
        throw RequestError{"Der Eintrag \"" + shown + "\" existiert nicht."};
    }
    if (address.ordinal == 0 && matches.size() > 1) {
        throw RequestError{"Der Eintrag \"" + shown + "\" ist nicht eindeutig; geben Sie ihn mit \"#n\" an."};
    }
    EntryLocation location;
    location.folder = folder;
    location.folderPosition = PositionOf(data, *folder);
    location.entryPosition = matches[address.ordinal == 0 ? 0 : address.ordinal - 1];
    location.item = folder->Entries()[location.entryPosition];
    return location;
}

std::u16string FolderPath(const PasswordADT::FolderTree& tree, const Category& folder) {
    std::vector<const Category*> chain{&folder};
    for (const Category* parent = tree.Parent(folder); parent != nullptr; parent = tree.Parent(*parent)) {
        chain.push_back(parent);
    }
    std::u16string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (!path.empty()) {
            path.push_back(u'/');
        }
        AppendEscaped(path, (*it)->GetName().View(), false);
    }
    return path;
}

std::u16string FolderPath(const PasswordData& data, const Category& folder) {
    return FolderPath(PasswordADT::FolderTree(data), folder);
}

std::vector<std::u16string> EntryNames(const std::vector<std::u16string_view>& descriptions) {
    std::unordered_map<std::u16string_view, std::size_t> totals;
    for (const auto description : descriptions) {
        ++totals[description];
    }
    std::unordered_map<std::u16string_view, std::size_t> seen;
    std::vector<std::u16string> names(descriptions.size());
    for (std::size_t i = 0; i < descriptions.size(); ++i) {
        const auto description = descriptions[i];
        names[i] = EscapeName(description, true);
        if (totals[description] > 1) {
            names[i].push_back(u'#');
            names[i].append(Text::FromUtf8(std::to_string(++seen[description])));
        }
    }
    return names;
}

std::vector<std::u16string> EntryPaths(const Category& folder) {
    std::vector<std::u16string_view> descriptions;
    descriptions.reserve(folder.Entries().size());
    for (const auto& entry : folder.Entries()) {
        descriptions.push_back(entry ? entry->GetDescription().View() : std::u16string_view());
    }
    return EntryNames(descriptions);
}

std::u16string EntryPath(const PasswordData& data, const Category& folder, std::size_t entryPosition) {
    const auto& entries = folder.Entries();
    const auto description = entries[entryPosition]->GetDescription().View();
    std::size_t same = 0;
    std::size_t ordinal = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i] && entries[i]->GetDescription().View() == description) {
            ++same;
            if (i == entryPosition) {
                ordinal = same;
            }
        }
    }
    std::u16string path = FolderPath(data, folder);
    path.push_back(u'/');
    AppendEscaped(path, description, true);
    if (same > 1) {
        path.push_back(u'#');
        path.append(Text::FromUtf8(std::to_string(ordinal)));
    }
    return path;
}

} // namespace Tarnwick::Cli
