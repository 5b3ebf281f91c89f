#pragma once

#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

#include "crypto/String.h"
#include "model/ISerializeable.h"

namespace Tarnwick::PasswordADT {

// Free name/value pairs of an entry. Names are unique and compared exactly. Pairs keep
// the order in which they were added, so an entry writes back the bytes it was read from.
class UserDefinedFields : public ISerializeable {
public:
    static constexpr std::size_t kMaximumCount = 100;
    static constexpr std::size_t kMaximumLength = 255;

    using Field = std::pair<StringServiceProvider::PlainString, StringServiceProvider::PlainString>;
    using const_iterator = std::vector<Field>::const_iterator;

    UserDefinedFields() = default;
    UserDefinedFields(const UserDefinedFields& other);
    UserDefinedFields& operator=(const UserDefinedFields& other);
    UserDefinedFields(UserDefinedFields&&) noexcept = default;
    UserDefinedFields& operator=(UserDefinedFields&&) noexcept = default;
    ~UserDefinedFields() override = default;

    // Whether the pair was inserted; an existing name changes nothing and gives false.
    bool Add(std::u16string_view name, std::u16string_view value);
    const StringServiceProvider::PlainString& Get(std::u16string_view name) const;
    bool Contains(std::u16string_view name) const;
    bool Remove(std::u16string_view name);
    void Clear() noexcept { m_fields.clear(); }
    std::size_t Count() const noexcept { return m_fields.size(); }
    const_iterator begin() const noexcept { return m_fields.begin(); }
    const_iterator end() const noexcept { return m_fields.end(); }

    // Bytes of the byte form: count, then name and value strings.
    std::size_t SerializedSize() const noexcept;
    ByteBuffer& Serialize(ByteBuffer& buffer) const override;
    void Deserialize(ByteStream& stream) override;

    friend bool operator==(const UserDefinedFields& a, const UserDefinedFields& b);

private:
    std::vector<Field> m_fields;
};

} // namespace Tarnwick::PasswordADT
