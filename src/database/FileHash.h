#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace CryptoServiceProvider::Hashing {
class HashBase;
}

namespace EmberkiteDatabase {

// A digest over a file's bytes, read in chunks.
class FileHash {
public:
    explicit FileHash(CryptoServiceProvider::Hashing::HashBase& hash, std::uint32_t chunkSize = 2048)
        : m_hash(hash), m_chunkSize(chunkSize) {}

    // Hashes the bytes the file has when it is opened; digest must hold the hash size.
    void Compute(const std::filesystem::path& path, std::uint8_t* digest, std::size_t digestLength);

private:
    CryptoServiceProvider::Hashing::HashBase& m_hash;
    std::uint32_t m_chunkSize;
};

} // namespace EmberkiteDatabase
