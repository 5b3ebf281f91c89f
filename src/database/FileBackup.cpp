#include "database/FileBackup.h"

#include <cerrno>
#include <string>

#include "crypto/HashBase.h"
#include "crypto/SecureWipe.h"
#include "crypto/HashBaseWin.h"
#include "database/FileHash.h"
#include "database/TimestampValidator.h"
#include "base/exceptions/Exception.h"
#include "platform/FileSystem.h"

namespace WindowsServiceProvider {

using Tarnwick::Platform::FileSystem;
using Tarnwick::Platform::IFile;
using Tarnwick::Platform::OpenMode;
using Utilities::Exceptions::Exception;
using Utilities::Exceptions::WindowsException;

namespace {

bool Exists(const std::filesystem::path& path) {
    std::uint64_t device = 0, inode = 0;
    return FileSystem().Identity(path, device, inode) == 0;
}

} // namespace

void FileBackup::ReleaseHold() noexcept { m_hold.reset(); }

FileBackup::~FileBackup() {
    if (!m_digest.empty()) {
        CryptoServiceProvider::SecureWipe(m_digest.data(), m_digest.size());
    }
}

std::filesystem::path FileBackup::GetTemporaryFilename(const std::filesystem::path& source) const {
    if (!source.has_filename()) {
        throw Exception(u"PathRemoveFileSpec", u"FileBackup::GetTemporaryFilename");
    }
    const std::filesystem::path folder = source.has_parent_path() ? source.parent_path() : std::filesystem::path(".");
    const std::int64_t now = EmberkiteDatabase::TimestampValidator::GetValidTimestamp();
    for (int attempt = 0; attempt < 10; ++attempt) {
        const std::filesystem::path candidate =
            folder / ("~$" + std::to_string(now + attempt) + source.filename().string());
        if (!Exists(candidate)) {
            return candidate;
        }
    }
    throw Exception(u"no file found", u"FileBackup::GetTemporaryFilename");
}

void FileBackup::CopyFile(const std::filesystem::path& from, const std::filesystem::path& to,
                          const char16_t* context) {
    std::unique_ptr<IFile> source;
    std::unique_ptr<IFile> target;
    if (const int error = FileSystem().Open(from, OpenMode::ReadOnly, source); error != 0) {
        throw WindowsException(u"", error, u"open", context);
    }
    if (const int error = FileSystem().Open(to, OpenMode::CreateExclusive, target); error != 0) {
        throw WindowsException(u"", error, u"open", context);
    }
    int error = target->LockExclusive();
    if (error == 0) {
        error = Tarnwick::Platform::CopyContent(*source, *target);
    }
    if (error == 0) {
        error = target->Sync();
    }
    if (error != 0) {
        target.reset();
        FileSystem().Remove(to);
        throw WindowsException(u"", error, u"copy", context);
    }
    m_hold = std::move(target);
}

std::vector<std::uint8_t> FileBackup::Digest(const std::filesystem::path& path) {
    std::vector<std::uint8_t> digest(m_hash->GetHashSize());
    EmberkiteDatabase::FileHash(*m_hash).Compute(path, digest.data(), digest.size());
    return digest;
}

void FileBackup::Backup(const std::filesystem::path& given) {
    if (!Exists(given)) {
        throw Exception(u"FileNotFound", u"FileBackup::Backup");
    }
    std::filesystem::path source;
    if (Tarnwick::Platform::ResolvePath(given, source) != 0) {
        source = given;
    }
    ReleaseHold();
    const std::filesystem::path backup = GetTemporaryFilename(source);
    CopyFile(source, backup, u"FileBackup::CopyFile");
    m_source = source;
    m_backup = backup;
    m_digest = Digest(source);
    const std::vector<std::uint8_t> copy = Digest(backup);
    if (copy != m_digest) {
        throw Exception(u"inavlid checksum", u"FileBackup::Backup");
    }
}

void FileBackup::Restore() {
    // The copy takes the source's place in one step, so the source is never half restored.
    const std::filesystem::path folder =
        m_source.has_parent_path() ? m_source.parent_path() : std::filesystem::path(".");
    std::filesystem::path staging;
    std::unique_ptr<IFile> target;
    if (const int error = FileSystem().CreateTemporary(folder, Tarnwick::Platform::StagingPrefix(m_source), staging, target);
        error != 0) {
        throw WindowsException(u"", error, u"mkstemp", u"FileBackup::Restore");
    }
    std::unique_ptr<IFile> source;
    int error = FileSystem().Open(m_backup, OpenMode::ReadOnly, source);
    if (error == 0) {
        error = Tarnwick::Platform::CopyContent(*source, *target);
    }
    if (error == 0) {
        error = target->Sync();
    }
    if (error == 0) {
        error = FileSystem().Rename(staging, m_source);
    }
    if (error != 0) {
        target.reset();
        FileSystem().Remove(staging);
        throw WindowsException(u"", error, u"copy", u"FileBackup::Restore");
    }
    FileSystem().SyncFolder(folder);
    if (Digest(m_source) != m_digest) {
        throw Exception(u"inavlid checksum", u"FileBackup::Restore");
    }
    DeleteBackup();
}

void FileBackup::DeleteBackup() {
    if (m_backup.empty()) {
        return;
    }
    ReleaseHold();
    if (const int error = FileSystem().Remove(m_backup); error != 0 && error != ENOENT) {
        throw WindowsException(u"", error, u"unlink", u"FileBackup::DeleteBackup");
    }
    m_backup.clear();
}

FileBackupEx::FileBackupEx() : m_sha1(std::make_unique<CryptoServiceProvider::Hashing::Sha1Win>()) {
    SetHash(*m_sha1);
}

FileBackupEx::~FileBackupEx() = default;

} // namespace WindowsServiceProvider
