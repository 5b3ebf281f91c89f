#pragma once

// Helpers of the importer tests: files in a private folder, and walking the imported folders.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/text/Utf.h"
#include "exchange/ImportBase.h"
#include "base/exceptions/Exception.h"
#include "model/PasswordData.h"
#include "support/TempFolder.h"

namespace ImportTest {

using Tarnwick::PasswordADT::CategoryRef;
using Tarnwick::PasswordADT::PasswordData;
using Tarnwick::PasswordADT::PasswordItem;
using Tarnwick::PasswordADT::PasswordItemRef;

inline std::u16string U(std::string_view utf8) {
    return Tarnwick::Text::FromUtf8(utf8);
}

inline std::string N(std::u16string_view text) {
    return Tarnwick::Text::ToUtf8(text);
}

inline std::string N(const StringServiceProvider::PlainString& text) {
    return Tarnwick::Text::ToUtf8(text.View());
}

inline std::string PasswordOf(const PasswordItem& item) {
    return N(item.GetPassword().Reveal().View());
}

// The folder names from the top down to the folder, joined with "/".
inline std::string FolderPath(const PasswordData& data, const CategoryRef& folder) {
    std::string path = N(folder->GetName().View());
    std::uint32_t parent = folder->GetParentId();
    for (int guard = 0; parent != Tarnwick::PasswordADT::Category::kNoParent && guard < 1000; ++guard) {
        const auto above = data.FindFolderByParentId(parent);
        if (!above) {
            return "<broken>/" + path;
        }
        path = N(above->GetName().View()) + "/" + path;
        parent = above->GetParentId();
    }
    return path;
}

// The folder reached by the path ("a/b/c"), or null.
inline CategoryRef FindFolder(const PasswordData& data, std::string_view path) {
    for (const auto& folder : data.Folders()) {
        if (FolderPath(data, folder) == path) {
            return folder;
        }
    }
    return nullptr;
}

struct Placed {
    std::string folder;
    PasswordItemRef item;
};

// Every entry with the path of its folder, folders in collection order.
inline std::vector<Placed> AllEntries(const PasswordData& data) {
    std::vector<Placed> all;
    for (const auto& folder : data.Folders()) {
        for (const auto& item : folder->Entries()) {
            all.push_back({FolderPath(data, folder), item});
        }
    }
    return all;
}

// The single entry of that description (fails the test when there is not exactly one).
inline PasswordItemRef EntryNamed(const PasswordData& data, std::string_view description) {
    PasswordItemRef found;
    int count = 0;
    for (const auto& placed : AllEntries(data)) {
        if (N(placed.item->GetDescription().View()) == description) {
            found = placed.item;
            ++count;
        }
    }
    EXPECT_EQ(count, 1) << "entries named " << description;
    return found;
}

inline std::string FolderOfEntry(const PasswordData& data, const PasswordItemRef& item) {
    for (const auto& placed : AllEntries(data)) {
        if (placed.item == item) {
            return placed.folder;
        }
    }
    return "<none>";
}

inline std::string UdfValue(const PasswordItem& item, std::string_view name) {
    const auto key = U(name);
    if (!item.GetUserDefinedFields().Contains(key)) {
        return "<missing>";
    }
    return N(item.GetUserDefinedFields().Get(key).View());
}

inline std::vector<std::string> WarningTexts(const Tarnwick::Import::ImportBase& importer) {
    std::vector<std::string> texts;
    for (const auto& warning : importer.GetWarnings()) {
        texts.push_back(N(warning.text.View()));
    }
    return texts;
}

// Runs a test in a fixed time zone and restores the one before.
class ZoneOverride {
public:
    explicit ZoneOverride(const char* zone) {
        if (const char* old = std::getenv("TZ")) {
            m_old = old;
        }
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ZoneOverride(const ZoneOverride&) = delete;
    ZoneOverride& operator=(const ZoneOverride&) = delete;
    ~ZoneOverride() {
        if (m_old) {
            ::setenv("TZ", m_old->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }

private:
    std::optional<std::string> m_old;
};

// A private folder for the files of one test.
class Files {
public:
    std::filesystem::path Write(std::string_view bytes, std::string_view name = {}) {
        const std::string file = name.empty() ? "file" + std::to_string(m_count++) + ".xml" : std::string(name);
        const auto path = m_folder / file;
        TestSupport::WriteFileBytes(path, bytes);
        return path;
    }
    const std::filesystem::path& Folder() const { return m_folder.Path(); }

private:
    TestSupport::TempFolder m_folder;
    int m_count = 0;
};

// Runs the import and returns the message of its exception ("" when it succeeded).
template <typename Importer>
std::string ImportMessage(Importer& importer, const std::filesystem::path& path) {
    try {
        importer.Import(path);
    } catch (const Utilities::Exceptions::Exception& failure) {
        return N(failure.GetMessage().View());
    }
    return {};
}

} // namespace ImportTest
