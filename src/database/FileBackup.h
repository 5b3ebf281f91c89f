#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

namespace CryptoServiceProvider::Hashing {
class HashBase;
}

namespace Tarnwick::Platform {
class IFile;
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

    // The source path is resolved first, so the copy lies beside the real file and a restore
    // replaces the real file, not a link to it. The copy stays locked until it is restored,
    // removed, released or this object ends, so nothing takes it for an abandoned copy.
    void Backup(const std::filesystem::path& source);
    // Gives up the lock on the copy (before the copy is erased as a database of its own).
    void ReleaseHold() noexcept;
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
    void CopyFile(const std::filesystem::path& from, const std::filesystem::path& to, const char16_t* context);

    CryptoServiceProvider::Hashing::HashBase* m_hash = nullptr;
    std::filesystem::path m_source;
    std::filesystem::path m_backup;
    std::vector<std::uint8_t> m_digest;
    std::unique_ptr<Tarnwick::Platform::IFile> m_hold;
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
