#include "model/Serialization.h"

#include "crypto/SecureWipe.h"
#include "base/exceptions/Exception.h"

namespace Tarnwick::PasswordADT {

using Utilities::Exceptions::Exception;

namespace {

template <typename T>
void WriteLittleEndian(ByteBuffer& buffer, T value) {
    std::uint8_t bytes[sizeof(T)];
    auto raw = static_cast<std::make_unsigned_t<T>>(value);
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        bytes[i] = static_cast<std::uint8_t>(raw >> (8 * i));
    }
    buffer.Append(bytes, sizeof(T));
}

template <typename T>
T ReadLittleEndian(ByteStream& stream, std::u16string_view context) {
    std::uint8_t bytes[sizeof(T)];
    ReadExact(stream, bytes, sizeof(T), context);
    std::make_unsigned_t<T> raw = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        raw = static_cast<std::make_unsigned_t<T>>(raw | (static_cast<std::make_unsigned_t<T>>(bytes[i]) << (8 * i)));
    }
    return static_cast<T>(raw);
}

constexpr std::u16string_view kDeserializeString = u"PasswordItem::DeserializeString()";

} // namespace

void WriteUInt8(ByteBuffer& buffer, std::uint8_t value) { buffer.Append(&value, 1); }
void WriteInt16(ByteBuffer& buffer, std::int16_t value) { WriteLittleEndian(buffer, value); }
void WriteUInt32(ByteBuffer& buffer, std::uint32_t value) { WriteLittleEndian(buffer, value); }
void WriteInt64(ByteBuffer& buffer, std::int64_t value) { WriteLittleEndian(buffer, value); }

void WriteString(ByteBuffer& buffer, std::u16string_view text, std::size_t maxLength) {
    if (text.size() > maxLength) {
        throw Exception(u"Maximale Länge überschritten.", u"PasswordItem::SerializeString()");
    }
    WriteUInt32(buffer, static_cast<std::uint32_t>(text.size()));
    // Code unit by code unit, so the form is little-endian on any host.
    std::uint8_t pair[2];
    for (const char16_t unit : text) {
        pair[0] = static_cast<std::uint8_t>(unit);
        pair[1] = static_cast<std::uint8_t>(unit >> 8);
        buffer.Append(pair, 2);
    }
    CryptoServiceProvider::SecureWipe(pair, sizeof pair, 1);
}

void ReadExact(ByteStream& stream, void* destination, std::size_t bytes, std::u16string_view context) {
    const std::size_t got = stream.Read(destination, bytes);
    if (got == 0 && bytes != 0) {
        throw Exception(u"Es wurden keine Daten aus dem Stream gelesen.", context);
    }
    if (got < bytes) {
        throw Exception(u"Anzahl der gelesenen Bytes ist kleiner als die erforderliche Größe.", context);
    }
    if (got > bytes) {
        throw Exception(u"Es wurden mehr Bytes gelesen als verlangt war.", context);
    }
}

std::uint8_t ReadUInt8(ByteStream& stream, std::u16string_view context) {
    return ReadLittleEndian<std::uint8_t>(stream, context);
}
std::int16_t ReadInt16(ByteStream& stream, std::u16string_view context) {
    return ReadLittleEndian<std::int16_t>(stream, context);
}
std::uint32_t ReadUInt32(ByteStream& stream, std::u16string_view context) {
    return ReadLittleEndian<std::uint32_t>(stream, context);
}
std::int64_t ReadInt64(ByteStream& stream, std::u16string_view context) {
    return ReadLittleEndian<std::int64_t>(stream, context);
}

StringServiceProvider::PlainString ReadString(ByteStream& stream, std::size_t maxLength) {
    if (stream.AtEnd()) {
        throw Exception(u"Fehler beim Deserialisieren einer Zeichenfolge. Das Ende des Streams wurde erreicht.",
                        kDeserializeString);
    }
    const std::uint32_t length = ReadUInt32(stream, kDeserializeString);
    if (length > maxLength) {
        throw Exception(u"Maximale Länge überschritten.", kDeserializeString);
    }
    if (length == 0) {
        return {};
    }
    // A length the stream cannot hold is refused before anything is allocated.
    if (static_cast<std::uint64_t>(length) * 2 > stream.Remaining()) {
        throw Exception(u"Anzahl der gelesenen Bytes ist kleiner als die erforderliche Größe.", kDeserializeString);
    }
    // Decode straight into the string's own buffer, so no other plain copy exists.
    StringServiceProvider::PlainString text;
    text.Assign(std::u16string(length, u'\0'));
    char16_t* units = text.MutableData();
    std::uint8_t pair[2];
    for (std::uint32_t i = 0; i < length; ++i) {
        ReadExact(stream, pair, 2, kDeserializeString);
        units[i] = static_cast<char16_t>(pair[0] | (pair[1] << 8));
    }
    CryptoServiceProvider::SecureWipe(pair, sizeof pair, 1);
    return text;
}

} // namespace Tarnwick::PasswordADT
