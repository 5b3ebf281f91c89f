#include "model/PasswordHistoryMap.h"

#include <algorithm>

#include "base/exceptions/Exception.h"
#include "model/Serialization.h"

namespace Tarnwick::PasswordADT {

using StringServiceProvider::PlainString;
using StringServiceProvider::SecureString;
using Utilities::Exceptions::Exception;

PasswordHistoryEntry::PasswordHistoryEntry(std::int64_t time_, const SecureString& password_) : time(time_) {
    if (password_.Length() > kMaximumPasswordLength) {
        throw Exception(u"Passwort überschreitet die max. zulässige Größe.",
                        u"PasswordHistoryEntry::PasswordHistoryEntry()");
    }
    password = password_;
}

PasswordHistoryMap::PasswordHistoryMap(const PasswordHistoryMap& other) { *this = other; }

PasswordHistoryMap& PasswordHistoryMap::operator=(const PasswordHistoryMap& other) {
    if (this != &other) {
        Clear();
        for (const auto& entry : other.m_entries) {
            AddPasswordHistoryEntry(entry);
        }
    }
    return *this;
}

void PasswordHistoryMap::Add(std::int64_t time, const SecureString& password) {
    if (time < 0 || password.IsEmpty()) {
        throw Exception(u"Es dürfen keine leeren Schlüssel-Wert-Paare eingefügt werden.", u"PasswordHistoryMap::Add");
    }
    AddPasswordHistoryEntry(PasswordHistoryEntry(time, password));
}

void PasswordHistoryMap::AddPasswordHistoryEntry(const PasswordHistoryEntry& entry) {
    if (m_entries.size() >= kMaximumCount) {
        throw Exception(u"Maximale Größe erreicht.", u"PasswordHistoryMap::AddPasswordHistoryEntry()");
    }
    if (!m_entries.empty() && entry.time <= m_entries.back().time) {
        throw Exception(u"Der Zeitstempel muss größer als der zuletzt eingefügte sein.",
                        u"PasswordHistoryMap::AddPasswordHistoryEntry()");
    }
    m_entries.push_back(entry);
}

const PasswordHistoryEntry& PasswordHistoryMap::FindByTime(std::int64_t time) const {
    for (const auto& entry : m_entries) {
        if (entry.time == time) {
            return entry;
        }
    }
    throw Exception(u"Es exitiert kein Eintrag für das angebene Datum.", u"PasswordHistoryMap::FindByTime");
}

bool PasswordHistoryMap::RemoveByTime(std::int64_t time) {
    const auto it = std::find_if(m_entries.begin(), m_entries.end(),
                                 [time](const PasswordHistoryEntry& e) { return e.time == time; });
    if (it == m_entries.end()) {
        return false;
    }
    m_entries.erase(it);
    return true;
}

bool PasswordHistoryMap::ContainedInNewest(std::int16_t n, const SecureString& password) const {
    if (n <= 0 || m_entries.empty()) {
        return false;
    }
    const PlainString plain = password.Reveal();
    std::size_t checked = 0;
    for (auto it = m_entries.rbegin(); it != m_entries.rend() && checked < static_cast<std::size_t>(n);
         ++it, ++checked) {
        if (it->password.Equals(plain.View())) {
            return true;
        }
    }
    return false;
}

std::size_t PasswordHistoryMap::SerializedSize() const noexcept {
    std::size_t size = 4;
    for (const auto& entry : m_entries) {
        size += 12 + 2 * entry.password.Length();
    }
    return size;
}

ByteBuffer& PasswordHistoryMap::Serialize(ByteBuffer& buffer) const {
    WriteUInt32(buffer, static_cast<std::uint32_t>(m_entries.size()));
    for (const auto& entry : m_entries) {
        WriteInt64(buffer, entry.time);
        const PlainString plain = entry.password.Reveal();
        WriteString(buffer, plain.View(), PasswordHistoryEntry::kMaximumPasswordLength);
    }
    return buffer;
}

void PasswordHistoryMap::Deserialize(ByteStream& stream) {
    Clear();
    constexpr std::u16string_view context = u"PasswordHistoryMap::Deserialize";
    const std::uint32_t count = ReadUInt32(stream, context);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::int64_t time = ReadInt64(stream, context);
        PlainString plain = ReadString(stream, SIZE_MAX);
        SecureString password(plain);
        plain.Clear();
        Add(time, password);
    }
}

bool operator==(const PasswordHistoryMap& a, const PasswordHistoryMap& b) {
    if (a.m_entries.size() != b.m_entries.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.m_entries.size(); ++i) {
        if (a.m_entries[i].time != b.m_entries[i].time || !a.m_entries[i].password.Equals(b.m_entries[i].password)) {
            return false;
        }
    }
    return true;
}

} // namespace Tarnwick::PasswordADT
