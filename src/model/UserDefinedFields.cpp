#include "model/UserDefinedFields.h"

#include <algorithm>

#include "base/text/Format.h"
#include "base/exceptions/Exception.h"
#include "model/Serialization.h"

namespace Tarnwick::PasswordADT {

using Utilities::Exceptions::Exception;

namespace {
constexpr std::u16string_view kDeserialize = u"UserDefinedFields::Deserialize";
}

UserDefinedFields::UserDefinedFields(const UserDefinedFields& other) { *this = other; }

UserDefinedFields& UserDefinedFields::operator=(const UserDefinedFields& other) {
    if (this == &other) {
        return *this;
    }
    Clear();
    for (const auto& [name, value] : other.m_fields) {
        if (!Add(name.View(), value.View())) {
            throw Exception(u"Es existiert bereits ein Element mit diesem Schlüssel.", u"UserDefinedFields::operator=");
        }
    }
    return *this;
}

bool UserDefinedFields::Add(std::u16string_view name, std::u16string_view value) {
    if (m_fields.size() >= kMaximumCount) {
        throw Exception(u"Maximale Größe erreicht.", u"UserDefinedFields::Add");
    }
    if (name.empty() || value.empty()) {
        throw Exception(u"Es dürfen keine leeren Schlüssel-Wert-Paare eingefügt werden.", u"UserDefinedFields::Add");
    }
    if (name.size() > kMaximumLength || value.size() > kMaximumLength) {
        throw Exception(u"Eintrag überschreitet die maximale Größe.", u"UserDefinedFields::Add");
    }
    if (Contains(name)) {
        return false;
    }
    m_fields.emplace_back(StringServiceProvider::PlainString(name), StringServiceProvider::PlainString(value));
    return true;
}

const StringServiceProvider::PlainString& UserDefinedFields::Get(std::u16string_view name) const {
    for (const auto& field : m_fields) {
        if (field.first.View() == name) {
            return field.second;
        }
    }
    throw Exception(Tarnwick::Text::Format(u"Es exitiert kein Schlüssel mit dem Namen \"%s\".", name).View(),
                    u"UserDefinedFields::Get");
}

bool UserDefinedFields::Contains(std::u16string_view name) const {
    return std::any_of(m_fields.begin(), m_fields.end(), [&](const Field& f) { return f.first.View() == name; });
}

bool UserDefinedFields::Remove(std::u16string_view name) {
    const auto it =
        std::find_if(m_fields.begin(), m_fields.end(), [&](const Field& f) { return f.first.View() == name; });
    if (it == m_fields.end()) {
        return false;
    }
    m_fields.erase(it);
    return true;
}

std::size_t UserDefinedFields::SerializedSize() const noexcept {
    std::size_t size = 4;
    for (const auto& [name, value] : m_fields) {
        size += 8 + 2 * name.Length() + 2 * value.Length();
    }
    return size;
}

ByteBuffer& UserDefinedFields::Serialize(ByteBuffer& buffer) const {
    WriteUInt32(buffer, static_cast<std::uint32_t>(m_fields.size()));
    for (const auto& [name, value] : m_fields) {
        WriteString(buffer, name.View(), kMaximumLength);
        WriteString(buffer, value.View(), kMaximumLength);
    }
    return buffer;
}

void UserDefinedFields::Deserialize(ByteStream& stream) {
    Clear();
    const std::uint32_t count = ReadUInt32(stream, kDeserialize);
    for (std::uint32_t i = 0; i < count; ++i) {
        // Lengths are checked by Add; ReadString bounds them by what the stream holds.
        const auto name = ReadString(stream, SIZE_MAX);
        const auto value = ReadString(stream, SIZE_MAX);
        if (!Add(name.View(), value.View())) {
            throw Exception(u"Fehler bei der Deserialisierung der benutzerdefinierten Datenfelder. Der Schlüssel ist "
                            u"bereits vorhanden.",
                            kDeserialize);
        }
    }
}

bool operator==(const UserDefinedFields& a, const UserDefinedFields& b) {
    if (a.Count() != b.Count()) {
        return false;
    }
    for (const auto& [name, value] : a.m_fields) {
        if (!b.Contains(name.View()) || !(b.Get(name.View()) == value)) {
            return false;
        }
    }
    return true;
}

} // namespace Tarnwick::PasswordADT
