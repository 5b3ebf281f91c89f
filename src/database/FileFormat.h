#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace EmberkiteDatabase {

// Layout of a *.twdb file; all integers little-endian.
namespace Format {

constexpr std::uint8_t kMarker = 0x17;
constexpr std::int16_t kMajorVersion = 1;
constexpr std::int16_t kMinorVersion = 17;
constexpr std::int32_t kDateTimeSignature = 10112008;
constexpr std::int16_t kDefaultRounds = 1000;

constexpr std::uint64_t kFileHeaderOffset = 0;
constexpr std::size_t kFileHeaderSize = 24;
constexpr std::uint64_t kUserHeaderOffset = 24;
constexpr std::size_t kUserHeaderSize = 68;
constexpr std::uint64_t kDateTimeHeaderOffset = 92;
constexpr std::size_t kDateTimeHeaderSize = 48;
constexpr std::uint64_t kCategoryHeaderOffset = 140;
constexpr std::size_t kCategoryHeaderSize = 8;
constexpr std::uint64_t kCategoryBlocksOffset = 148;
constexpr std::size_t kCategoryBlockSize = 160;
constexpr std::size_t kCategoryNameBytes = 148;
constexpr std::size_t kRecordHeaderSize = 24;
constexpr std::size_t kSaltSize = 32;
constexpr std::size_t kVerifierSize = 32;
constexpr std::size_t kIvSize = 16;

constexpr std::uint8_t kDatabaseSignature[7] = {0x17, 'E', 'M', 'K', 'T', 'D', 'B'};
constexpr std::uint8_t kHeaderSignature[4] = {'E', 'M', 'K', 'T'};

inline std::uint64_t RecordsOffset(std::uint64_t categoryCount) {
    return kCategoryBlocksOffset + kCategoryBlockSize * categoryCount;
}

template <typename T>
inline T Get(const std::uint8_t* bytes) {
    std::make_unsigned_t<T> raw = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        raw = static_cast<std::make_unsigned_t<T>>(raw | (static_cast<std::make_unsigned_t<T>>(bytes[i]) << (8 * i)));
    }
    return static_cast<T>(raw);
}

template <typename T>
inline void Put(std::uint8_t* bytes, T value) {
    auto raw = static_cast<std::make_unsigned_t<T>>(value);
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        bytes[i] = static_cast<std::uint8_t>(raw >> (8 * i));
    }
}

} // namespace Format

// File header, 24 bytes at offset 0.
struct FileHeader {
    std::uint8_t signature[7] = {};
    std::uint8_t reserved = 0;
    std::uint8_t headerSignature[4] = {};
    std::int16_t majorVersion = Format::kMajorVersion;
    std::int16_t minorVersion = Format::kMinorVersion;
    std::int32_t algorithm = 0;
    std::int32_t passwordCount = 0;

    static FileHeader Fresh(std::int32_t algorithm);
    static FileHeader Decode(const std::uint8_t* bytes);
    void Encode(std::uint8_t* bytes) const;
};

// User header, 68 bytes at offset 24; the verifier is stored encrypted.
struct UserHeader {
    std::uint8_t marker = Format::kMarker;
    std::uint8_t reserved = 0;
    std::int16_t rounds = Format::kDefaultRounds;
    std::uint8_t salt[Format::kSaltSize] = {};
    std::uint8_t verifier[Format::kVerifierSize] = {};

    static UserHeader Decode(const std::uint8_t* bytes);
    void Encode(std::uint8_t* bytes) const;
    void Wipe();
};

// Date-time header, 48 bytes at offset 92, encrypted as one buffer. -1 means never.
struct DateTimeHeader {
    std::uint8_t marker = Format::kMarker;
    std::int32_t signature = Format::kDateTimeSignature;
    std::int64_t created = -1;
    std::int64_t lastModified = -1;
    std::int64_t passwordChanged = -1;
    std::int64_t previousLogin = -1;
    std::int64_t lastLogin = -1;

    static DateTimeHeader Decode(const std::uint8_t* bytes);
    void Encode(std::uint8_t* bytes) const;
};

// Category header, 8 bytes at offset 140.
struct CategoryHeader {
    std::uint8_t marker = Format::kMarker;
    std::int32_t count = 0;

    static CategoryHeader Decode(const std::uint8_t* bytes);
    void Encode(std::uint8_t* bytes) const;
};

// Decrypted category block, 160 bytes.
struct CategoryBlock {
    std::int32_t id = 0;
    std::int32_t parentId = -1;
    std::int32_t nameLength = 0;
    std::uint8_t name[Format::kCategoryNameBytes] = {};

    static CategoryBlock Decode(const std::uint8_t* bytes);
    void Encode(std::uint8_t* bytes) const;
};

// Password record header, 24 bytes in the clear before each encrypted body.
struct RecordHeader {
    std::uint8_t marker = Format::kMarker;
    std::uint8_t iv[Format::kIvSize] = {};
    std::uint32_t bodySize = 0;

    static RecordHeader Decode(const std::uint8_t* bytes);
    void Encode(std::uint8_t* bytes) const;
};

} // namespace EmberkiteDatabase
