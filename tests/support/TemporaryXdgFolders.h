#pragma once

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "core/Path.h"

namespace TestSupport {

// A fresh temporary home for one scope: HOME and XDG_DATA_HOME, XDG_CACHE_HOME and
// XDG_CONFIG_HOME point into it, and the cached folders of Core::Path are forgotten on entry
// and on exit. The folder and everything in it is removed at the end.
class TemporaryXdgFolders {
public:
    TemporaryXdgFolders() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tw-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        m_root = pattern;
        Set("HOME", m_root / "home");
        Set("XDG_DATA_HOME", m_root / "data");
        Set("XDG_CACHE_HOME", m_root / "cache");
        Set("XDG_CONFIG_HOME", m_root / "config");
        std::filesystem::create_directories(m_root / "home");
        Tarnwick::Core::Path::ResetCacheForTesting();
    }
    TemporaryXdgFolders(const TemporaryXdgFolders&) = delete;
    TemporaryXdgFolders& operator=(const TemporaryXdgFolders&) = delete;
    ~TemporaryXdgFolders() {
        for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
            if (it->second) {
                ::setenv(it->first.c_str(), it->second->c_str(), 1);
            } else {
                ::unsetenv(it->first.c_str());
            }
        }
        Tarnwick::Core::Path::ResetCacheForTesting();
        std::error_code ignored;
        std::filesystem::permissions(m_root, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(m_root, ignored);
    }

    const std::filesystem::path& Root() const { return m_root; }
    std::filesystem::path Home() const { return m_root / "home"; }
    std::filesystem::path Data() const { return m_root / "data"; }
    std::filesystem::path Cache() const { return m_root / "cache"; }
    std::filesystem::path Config() const { return m_root / "config"; }

    // Sets (or with nullopt removes) a variable for the rest of the scope.
    void Set(const std::string& name, const std::optional<std::filesystem::path>& value) {
        const char* old = std::getenv(name.c_str());
        m_saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        if (value) {
            ::setenv(name.c_str(), value->c_str(), 1);
        } else {
            ::unsetenv(name.c_str());
        }
    }

private:
    std::filesystem::path m_root;
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

} // namespace TestSupport
