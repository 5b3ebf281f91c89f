#pragma once

#include <cstdint>
#include <map>

#include "base/exceptions/Exception.h"

namespace Tarnwick::ExportImport {

// A small map whose lookup of a missing key is an error, not a default value.
template <typename Key, typename Value>
class SimpleMap {
public:
    // False when the key is already there (the stored value stays).
    bool Insert(const Key& key, const Value& value) { return m_items.emplace(key, value).second; }
    bool Contains(const Key& key) const { return m_items.find(key) != m_items.end(); }
    const Value& operator[](const Key& key) const {
        const auto found = m_items.find(key);
        if (found == m_items.end()) {
            throw Utilities::Exceptions::Exception(u"element no found", u"SimpleMap::[]");
        }
        return found->second;
    }
    std::size_t Size() const noexcept { return m_items.size(); }
    void Clear() noexcept { m_items.clear(); }

private:
    std::map<Key, Value> m_items;
};

// Source folder id to destination folder id, filled while folders are merged.
using FolderMap = SimpleMap<std::uint32_t, std::uint32_t>;

} // namespace Tarnwick::ExportImport
