#include "core/Guid.h"

#include <cerrno>
#include <cstring>
#include <uuid/uuid.h>

#include "base/exceptions/Exception.h"

namespace WindowsServiceProvider {

static_assert(sizeof(uuid_t) == sizeof(GUID));

Guid::Guid() noexcept : m_value{} {}

Guid::Guid(const GUID& value) noexcept : m_value(value) {}

Guid::Guid(std::u16string_view text) : m_value{} {
    // Checked here first: libuuid reads a C string, so an embedded zero or a wide character
    // must not reach it.
    char narrow[37] = {};
    bool valid = text.size() == 36;
    for (std::size_t i = 0; valid && i < text.size(); ++i) {
        const char16_t c = text[i];
        valid = c > 0 && c < 0x80;
        narrow[i] = static_cast<char>(c);
    }
    uuid_t parsed;
    if (!valid || ::uuid_parse(narrow, parsed) != 0) {
        throw Utilities::Exceptions::WindowsException(u"", EINVAL, u"uuid_parse", u"Guid::Guid");
    }
    std::memcpy(m_value.data(), parsed, m_value.size());
}

Guid Guid::CreateNew() {
    uuid_t fresh;
    ::uuid_generate_random(fresh);
    GUID value;
    std::memcpy(value.data(), fresh, value.size());
    return Guid(value);
}

Guid Guid::CreateNewSequential() {
    uuid_t fresh;
    ::uuid_generate_time(fresh);
    GUID value;
    std::memcpy(value.data(), fresh, value.size());
    return Guid(value);
}

Guid Guid::CreateNil() noexcept {
    return Guid();
}

bool Guid::IsNil() const noexcept {
    return ::uuid_is_null(m_value.data()) != 0;
}

bool Guid::IsEmpty() const noexcept {
    return m_value == GUID{};
}

bool Guid::IsEqual(const GUID& other) const noexcept {
    return m_value == other;
}

bool Guid::operator==(const Guid& other) const noexcept {
    return ::uuid_compare(m_value.data(), other.m_value.data()) == 0;
}

std::uint16_t Guid::HashKey() const noexcept {
    // FNV-1a over the bytes, folded to 16 bits.
    std::uint32_t hash = 2166136261u;
    for (const std::uint8_t byte : m_value) {
        hash = (hash ^ byte) * 16777619u;
    }
    return static_cast<std::uint16_t>(hash ^ (hash >> 16));
}

std::u16string Guid::ToString() const {
    char text[37];
    ::uuid_unparse_lower(m_value.data(), text);
    return std::u16string(text, text + 36);
}

} // namespace WindowsServiceProvider
