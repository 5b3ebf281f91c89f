#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

namespace CryptoServiceProvider::Hashing {
class HashBase;
}

namespace WindowsServiceProvider {

// Copies a file aside as "~$" + seconds + name in its folder, checks the copy by digest, and
// can put it back or remove it.
class FileBackup {
public:
    explicit FileBackup(CryptoServiceProvider::Hashing::HashBase& hash) : m_hash(&hash) {}
    FileBackup(const FileBackup&) = delete;
    FileBackup& operator=(const FileBackup&) = delete;
    virtual ~FileBackup();

    void Backup(const std::filesystem::path& source);
    // Copies the backup back over the source, checks it and removes the backup.
    void Restore();
    void DeleteBackup();

    const std::filesystem::path& GetSourcePath() const noexcept { return m_source; }
    const std::filesystem::path& GetBackupPath() const noexcept { return m_backup; }

    // The first free name of ten, from the current second on.
    std::filesystem::path GetTemporaryFilename(const std::filesystem::path& source) const;

protected:
    FileBackup() = default;
    void SetHash(CryptoServiceProvider::Hashing::HashBase& hash) { m_hash = &hash; }

private:
    std::vector<std::uint8_t> Digest(const std::filesystem::path& path);
    static void CopyFile(const std::filesystem::path& from, const std::filesystem::path& to, const char16_t* context);

    CryptoServiceProvider::Hashing::HashBase* m_hash = nullptr;
    std::filesystem::path m_source;
    std::filesystem::path m_backup;
    std::vector<std::uint8_t> m_digest;
};

// The backup the application uses: checked with its own SHA-1.
class FileBackupEx : public FileBackup {
public:
    FileBackupEx();
    ~FileBackupEx() override;

private:
    std::unique_ptr<CryptoServiceProvider::Hashing::HashBase> m_sha1;
};

} // namespace WindowsServiceProvider
