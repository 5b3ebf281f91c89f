#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace WindowsServiceProvider {

// A UUID's 16 bytes in the order of RFC 4122 (the order of its text form).
using GUID = std::array<std::uint8_t, 16>;

// A globally unique identifier over libuuid.
class Guid {
public:
    // The nil identifier.
    Guid() noexcept;
    explicit Guid(const GUID& value) noexcept;
    // Parses "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx" (either case, no braces). Anything else
    // raises WindowsException(EINVAL, "uuid_parse", "Guid::Guid").
    explicit Guid(std::u16string_view text);
    Guid(const Guid&) noexcept = default;
    Guid& operator=(const Guid&) noexcept = default;

    // A random (version 4) identifier.
    static Guid CreateNew();
    // A time-based (version 1) identifier.
    static Guid CreateNewSequential();
    static Guid CreateNil() noexcept;

    bool IsNil() const noexcept;
    bool IsEmpty() const noexcept;
    bool IsEqual(const GUID& other) const noexcept;
    bool operator==(const Guid& other) const noexcept;
    bool operator!=(const Guid& other) const noexcept { return !(*this == other); }
    // A 16-bit hash for hash tables; equal identifiers hash equally.
    std::uint16_t HashKey() const noexcept;

    const GUID& Value() const noexcept { return m_value; }
    operator const GUID&() const noexcept { return m_value; }

    // 36 lower-case hexadecimal characters in the groups 8-4-4-4-12, without braces.
    std::u16string ToString() const;

private:
    GUID m_value;
};

} // namespace WindowsServiceProvider
