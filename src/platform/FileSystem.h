#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace Tarnwick::Platform {

// What stat tells of a file: who it is, how many names it has, and what it looks like now.
struct FileStatus {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t links = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::uint32_t modifiedNanoseconds = 0;
    std::int64_t changedSeconds = 0;
    std::uint32_t changedNanoseconds = 0;
    unsigned owner = 0;
    unsigned mode = 0; // st_mode: type and permission bits
    bool regular = false;
};

// An open file. Every call returns 0 on success or the errno of the failure.
class IFile {
public:
    virtual ~IFile() = default;
    // Reads up to bytes at offset; got tells how many were read (fewer only at the end).
    virtual int ReadAt(std::uint64_t offset, void* buffer, std::size_t bytes, std::size_t& got) = 0;
    virtual int WriteAt(std::uint64_t offset, const void* data, std::size_t bytes) = 0;
    virtual int Size(std::uint64_t& size) = 0;
    virtual int Truncate(std::uint64_t size) = 0;
    virtual int Sync() = 0;
    // A non-blocking exclusive advisory lock; EWOULDBLOCK when another process holds it.
    virtual int LockExclusive() = 0;
    // fstat of the open file.
    virtual int Status(FileStatus& status) = 0;
    // Device and inode, to tell whether a path still names this file.
    int Identity(std::uint64_t& device, std::uint64_t& inode) {
        FileStatus status;
        const int error = Status(status);
        device = status.device;
        inode = status.inode;
        return error;
    }
};

enum class OpenMode {
    ReadOnly,
    ReadWrite,          // the file must exist
    ReadWriteNoFollow,  // the same, but a symbolic link in the last place is refused
    CreateExclusive,    // a new file, mode 0600; fails when the name exists
};

// The file-system calls the program makes; tests replace it to inject failures.
class IFileSystem {
public:
    virtual ~IFileSystem() = default;
    virtual int Open(const std::filesystem::path& path, OpenMode mode, std::unique_ptr<IFile>& file) = 0;
    // A new private file (0600) in the folder with a unique name starting with prefix.
    virtual int CreateTemporary(const std::filesystem::path& folder, const std::string& prefix,
                                std::filesystem::path& created, std::unique_ptr<IFile>& file) = 0;
    virtual int Rename(const std::filesystem::path& from, const std::filesystem::path& to) = 0;
    virtual int Remove(const std::filesystem::path& path) = 0;
    virtual int SyncFolder(const std::filesystem::path& folder) = 0;
    // stat (links followed): 0 when it exists, ENOENT when not, another errno when it cannot be told.
    virtual int Status(const std::filesystem::path& path, FileStatus& status) = 0;
    int Identity(const std::filesystem::path& path, std::uint64_t& device, std::uint64_t& inode) {
        FileStatus status;
        const int error = Status(path, status);
        device = status.device;
        inode = status.inode;
        return error;
    }
};

IFileSystem& FileSystem();
// Replaces the file system (tests); nullptr restores the real one. Returns the previous one.
IFileSystem* SetFileSystem(IFileSystem* fileSystem) noexcept;

// The name start of a hidden working copy beside a file: "." + its name + ".".
std::string StagingPrefix(const std::filesystem::path& file);

// The path with every symbolic link, "." and ".." resolved (realpath). A path whose last part
// does not exist yet resolves its folder and keeps the name.
int ResolvePath(const std::filesystem::path& path, std::filesystem::path& resolved);

// The names in a folder (without "." and "..").
int ListFolder(const std::filesystem::path& folder, std::vector<std::string>& names);

// Copies all bytes of one open file into another (from offset 0), then sizes the target.
int CopyContent(IFile& from, IFile& to);

} // namespace Tarnwick::Platform
