#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "crypto/String.h"
#include "model/ByteBuffer.h"

namespace Tarnwick::PasswordADT {

// Little-endian integers and counted UTF-16 strings of the entry byte form.
void WriteUInt8(ByteBuffer& buffer, std::uint8_t value);
void WriteInt16(ByteBuffer& buffer, std::int16_t value);
void WriteUInt32(ByteBuffer& buffer, std::uint32_t value);
void WriteInt64(ByteBuffer& buffer, std::int64_t value);
// Refuses a text longer than maxLength with "PasswordItem::SerializeString()|Maximale Länge überschritten.".
void WriteString(ByteBuffer& buffer, std::u16string_view text, std::size_t maxLength);

// Fixed-size reads; a short read raises the stream messages with the given context.
void ReadExact(ByteStream& stream, void* destination, std::size_t bytes, std::u16string_view context);
std::uint8_t ReadUInt8(ByteStream& stream, std::u16string_view context);
std::int16_t ReadInt16(ByteStream& stream, std::u16string_view context);
std::uint32_t ReadUInt32(ByteStream& stream, std::u16string_view context);
std::int64_t ReadInt64(ByteStream& stream, std::u16string_view context);
// Reads a counted string of at most maxLength code units. The length is checked against
// the bytes left before anything is allocated.
StringServiceProvider::PlainString ReadString(ByteStream& stream, std::size_t maxLength);

} // namespace Tarnwick::PasswordADT
