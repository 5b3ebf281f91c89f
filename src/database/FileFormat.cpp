#include "database/FileFormat.h"

#include "crypto/SecureWipe.h"

namespace EmberkiteDatabase {

using namespace Format;

FileHeader FileHeader::Fresh(std::int32_t algorithm) {
    FileHeader header;
    std::memcpy(header.signature, kDatabaseSignature, sizeof header.signature);
    std::memcpy(header.headerSignature, kHeaderSignature, sizeof header.headerSignature);
    header.algorithm = algorithm;
    return header;
}

FileHeader FileHeader::Decode(const std::uint8_t* b) {
    FileHeader h;
    std::memcpy(h.signature, b, 7);
    h.reserved = b[7];
    std::memcpy(h.headerSignature, b + 8, 4);
    h.majorVersion = Get<std::int16_t>(b + 12);
    h.minorVersion = Get<std::int16_t>(b + 14);
    h.algorithm = Get<std::int32_t>(b + 16);
    h.passwordCount = Get<std::int32_t>(b + 20);
    return h;
}

void FileHeader::Encode(std::uint8_t* b) const {
    std::memcpy(b, signature, 7);
    b[7] = reserved;
    std::memcpy(b + 8, headerSignature, 4);
    Put(b + 12, majorVersion);
    Put(b + 14, minorVersion);
    Put(b + 16, algorithm);
    Put(b + 20, passwordCount);
}

UserHeader UserHeader::Decode(const std::uint8_t* b) {
    UserHeader h;
    h.marker = b[0];
    h.reserved = b[1];
    h.rounds = Get<std::int16_t>(b + 2);
    std::memcpy(h.salt, b + 4, kSaltSize);
    std::memcpy(h.verifier, b + 36, kVerifierSize);
    return h;
}

void UserHeader::Encode(std::uint8_t* b) const {
    b[0] = marker;
    b[1] = reserved;
    Put(b + 2, rounds);
    std::memcpy(b + 4, salt, kSaltSize);
    std::memcpy(b + 36, verifier, kVerifierSize);
}

void UserHeader::Wipe() {
    CryptoServiceProvider::SecureWipe(salt, sizeof salt);
    CryptoServiceProvider::SecureWipe(verifier, sizeof verifier);
}

DateTimeHeader DateTimeHeader::Decode(const std::uint8_t* b) {
    DateTimeHeader h;
    h.marker = b[0];
    h.signature = Get<std::int32_t>(b + 4);
    h.created = Get<std::int64_t>(b + 8);
    h.lastModified = Get<std::int64_t>(b + 16);
    h.passwordChanged = Get<std::int64_t>(b + 24);
    h.previousLogin = Get<std::int64_t>(b + 32);
    h.lastLogin = Get<std::int64_t>(b + 40);
    return h;
}

void DateTimeHeader::Encode(std::uint8_t* b) const {
    std::memset(b, 0, kDateTimeHeaderSize);
    b[0] = marker;
    Put(b + 4, signature);
    Put(b + 8, created);
    Put(b + 16, lastModified);
    Put(b + 24, passwordChanged);
    Put(b + 32, previousLogin);
    Put(b + 40, lastLogin);
}

CategoryHeader CategoryHeader::Decode(const std::uint8_t* b) {
    CategoryHeader h;
    h.marker = b[0];
    h.count = Get<std::int32_t>(b + 4);
    return h;
}

void CategoryHeader::Encode(std::uint8_t* b) const {
    std::memset(b, 0, kCategoryHeaderSize);
    b[0] = marker;
    Put(b + 4, count);
}

CategoryBlock CategoryBlock::Decode(const std::uint8_t* b) {
    CategoryBlock block;
    block.id = Get<std::int32_t>(b);
    block.parentId = Get<std::int32_t>(b + 4);
    block.nameLength = Get<std::int32_t>(b + 8);
    std::memcpy(block.name, b + 12, kCategoryNameBytes);
    return block;
}

void CategoryBlock::Encode(std::uint8_t* b) const {
    Put(b, id);
    Put(b + 4, parentId);
    Put(b + 8, nameLength);
    std::memcpy(b + 12, name, kCategoryNameBytes);
}

RecordHeader RecordHeader::Decode(const std::uint8_t* b) {
    RecordHeader h;
    h.marker = b[0];
    std::memcpy(h.iv, b + 1, kIvSize);
    h.bodySize = Get<std::uint32_t>(b + 20);
    return h;
}

void RecordHeader::Encode(std::uint8_t* b) const {
    std::memset(b, 0, kRecordHeaderSize);
    b[0] = marker;
    std::memcpy(b + 1, iv, kIvSize);
    Put(b + 20, bodySize);
}

} // namespace EmberkiteDatabase
