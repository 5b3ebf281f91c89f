#include "platform/AtomicFile.h"

#include <cerrno>

namespace Tarnwick::Platform {

namespace fs = std::filesystem;

namespace {

fs::path FolderOf(const fs::path& target) {
    fs::path folder = target.parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

} // namespace

AtomicFile::~AtomicFile() {
    Discard();
}

int AtomicFile::Fail(const char* function, int error) noexcept {
    m_failedFunction = function;
    Discard();
    return error != 0 ? error : EIO;
}

int AtomicFile::Begin(const fs::path& target) {
    Discard();
    m_failedFunction = "";
    if (target.filename().empty()) {
        m_failedFunction = "open";
        return EISDIR;
    }
    m_target = target;
    m_written = 0;
    fs::path created;
    std::unique_ptr<IFile> file;
    if (const int error = FileSystem().CreateTemporary(FolderOf(target), StagingPrefix(target), created, file);
        error != 0) {
        m_failedFunction = "mkostemp";
        return error != 0 ? error : EIO;
    }
    m_file = std::move(file);
    m_temporary = std::move(created);
    return 0;
}

int AtomicFile::Write(const void* data, std::size_t length) {
    if (m_file == nullptr) {
        m_failedFunction = "write";
        return EBADF;
    }
    if (length == 0) {
        return 0;
    }
    if (const int error = m_file->WriteAt(m_written, data, length); error != 0) {
        return Fail("write", error);
    }
    m_written += length;
    return 0;
}

int AtomicFile::Commit() {
    if (m_file == nullptr) {
        m_failedFunction = "rename";
        return EBADF;
    }
    if (const int error = m_file->Sync(); error != 0) {
        return Fail("fsync", error);
    }
    m_file.reset();
    if (const int error = FileSystem().Rename(m_temporary, m_target); error != 0) {
        return Fail("rename", error);
    }
    m_temporary.clear();
    // The rename itself must reach the disk too; file systems that cannot sync a folder
    // report EINVAL, which leaves nothing more to do.
    if (const int error = FileSystem().SyncFolder(FolderOf(m_target)); error != 0 && error != EINVAL && error != EROFS) {
        m_failedFunction = "fsync";
        return error;
    }
    return 0;
}

void AtomicFile::Discard() noexcept {
    m_file.reset();
    if (!m_temporary.empty()) {
        FileSystem().Remove(m_temporary);
        m_temporary.clear();
    }
}

int ReplaceFileContent(const fs::path& target, const void* data, std::size_t length) {
    AtomicFile file;
    if (const int error = file.Begin(target); error != 0) {
        return error;
    }
    if (const int error = file.Write(data, length); error != 0) {
        return error;
    }
    return file.Commit();
}

} // namespace Tarnwick::Platform
