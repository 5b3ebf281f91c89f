#include "cli/VaultPaths.h"

#include <unordered_map>

#include "cli/Arguments.h"
#include "base/text/Utf.h"

namespace Tarnwick::Cli {

using PasswordADT::Category;
using PasswordADT::CategoryRef;
using PasswordADT::PasswordData;

std::vector<std::u16string> SplitPath(std::u16string_view path) {
    std::vector<std::u16string> parts;
    std::u16string part;
    for (const char16_t c : path) {
        if (c == u'/') {
            if (!part.empty()) {
                parts.push_back(part);
            }
            part.clear();
        } else {
            part.push_back(c);
        }
    }
    if (!part.empty()) {
        parts.push_back(part);
    }
    return parts;
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
    auto parts = SplitPath(path);
    if (parts.size() < 2) {
        throw RequestError{"Geben Sie den Eintrag als \"Ordner/Beschreibung\" an."};
    }
    std::u16string description = parts.back();
    parts.pop_back();
    std::size_t wanted = 0;
    if (const auto hash = description.rfind(u'#'); hash != std::u16string::npos && hash + 1 < description.size()) {
        const std::u16string number = description.substr(hash + 1);
        std::size_t value = 0;
        bool digits = number.size() <= 6;
        for (const char16_t c : number) {
            digits = digits && c >= u'0' && c <= u'9';
            value = value * 10 + static_cast<std::size_t>(c - u'0');
        }
        if (digits && value > 0) {
            wanted = value;
            description.erase(hash);
        }
    }
    std::u16string folderPath;
    for (const auto& part : parts) {
        folderPath += part + u"/";
    }
    const CategoryRef folder = RequireFolder(data, folderPath);
    std::vector<std::size_t> matches;
    for (std::size_t i = 0; i < folder->Entries().size(); ++i) {
        if (folder->Entries()[i] && folder->Entries()[i]->GetDescription().View() == description) {
            matches.push_back(i);
        }
    }
    const std::string shown = Text::ToUtf8(path);
    if (matches.empty() || wanted > matches.size()) {
        throw RequestError{"Der Eintrag \"" + shown + "\" existiert nicht."};
    }
    if (wanted == 0 && matches.size() > 1) {
        throw RequestError{"Der Eintrag \"" + shown + "\" ist nicht eindeutig; geben Sie ihn mit \"#n\" an."};
    }
    EntryLocation location;
    location.folder = folder;
    location.folderPosition = PositionOf(data, *folder);
    location.entryPosition = matches[wanted == 0 ? 0 : wanted - 1];
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
        path.append((*it)->GetName().View());
    }
    return path;
}

std::u16string FolderPath(const PasswordData& data, const Category& folder) {
    return FolderPath(PasswordADT::FolderTree(data), folder);
}

std::vector<std::u16string> EntryPaths(const Category& folder) {
    const auto& entries = folder.Entries();
    std::unordered_map<std::u16string_view, std::size_t> totals;
    for (const auto& entry : entries) {
        if (entry) {
            ++totals[entry->GetDescription().View()];
        }
    }
    std::unordered_map<std::u16string_view, std::size_t> seen;
    std::vector<std::u16string> names(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!entries[i]) {
            continue;
        }
        const auto description = entries[i]->GetDescription().View();
        names[i] = std::u16string(description);
        if (totals[description] > 1) {
            names[i].push_back(u'#');
            names[i].append(Text::FromUtf8(std::to_string(++seen[description])));
        }
    }
    return names;
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
    path.append(description);
    if (same > 1) {
        path.push_back(u'#');
        path.append(Text::FromUtf8(std::to_string(ordinal)));
    }
    return path;
}

} // namespace Tarnwick::Cli
