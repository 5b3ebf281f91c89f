#include "platform/FileSystem.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <string_view>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace Tarnwick::Platform {

namespace {

void Fill(const struct stat& st, FileStatus& status) {
    status.device = st.st_dev;
    status.inode = st.st_ino;
    status.links = st.st_nlink;
    status.size = static_cast<std::uint64_t>(st.st_size);
    status.modifiedSeconds = st.st_mtim.tv_sec;
    status.modifiedNanoseconds = static_cast<std::uint32_t>(st.st_mtim.tv_nsec);
    status.changedSeconds = st.st_ctim.tv_sec;
    status.changedNanoseconds = static_cast<std::uint32_t>(st.st_ctim.tv_nsec);
    status.owner = st.st_uid;
    status.mode = st.st_mode;
    status.regular = S_ISREG(st.st_mode);
}

class PosixFile final : public IFile {
public:
    explicit PosixFile(int fd) : m_fd(fd) {}
    ~PosixFile() override { ::close(m_fd); }

    int ReadAt(std::uint64_t offset, void* buffer, std::size_t bytes, std::size_t& got) override {
        got = 0;
        auto* out = static_cast<unsigned char*>(buffer);
        while (got < bytes) {
            const ssize_t n = ::pread(m_fd, out + got, bytes - got, static_cast<off_t>(offset + got));
            if (n < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return errno;
            }
            if (n == 0) {
                break;
            }
            got += static_cast<std::size_t>(n);
        }
        return 0;
    }

    int WriteAt(std::uint64_t offset, const void* data, std::size_t bytes) override {
        std::size_t done = 0;
        const auto* in = static_cast<const unsigned char*>(data);
        while (done < bytes) {
            const ssize_t n = ::pwrite(m_fd, in + done, bytes - done, static_cast<off_t>(offset + done));
            if (n < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return errno;
            }
            if (n == 0) {
                return EIO;
            }
            done += static_cast<std::size_t>(n);
        }
        return 0;
    }

    int Size(std::uint64_t& size) override {
        struct stat st {};
        if (::fstat(m_fd, &st) != 0) {
            return errno;
        }
        size = static_cast<std::uint64_t>(st.st_size);
        return 0;
    }

    int Truncate(std::uint64_t size) override {
        return ::ftruncate(m_fd, static_cast<off_t>(size)) == 0 ? 0 : errno;
    }

    int Sync() override { return ::fsync(m_fd) == 0 ? 0 : errno; }

    int LockExclusive() override {
        while (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
            if (errno != EINTR) {
                return errno;
            }
        }
        return 0;
    }

    int Status(FileStatus& status) override {
        struct stat st {};
        if (::fstat(m_fd, &st) != 0) {
            return errno;
        }
        Fill(st, status);
        return 0;
    }

private:
    int m_fd;
};

class PosixFileSystem final : public IFileSystem {
public:
    int Open(const std::filesystem::path& path, OpenMode mode, std::unique_ptr<IFile>& file) override {
        int flags = O_CLOEXEC;
        switch (mode) {
        case OpenMode::ReadOnly:
            flags |= O_RDONLY;
            break;
        case OpenMode::ReadWrite:
            flags |= O_RDWR;
            break;
        case OpenMode::ReadWriteNoFollow:
            flags |= O_RDWR | O_NOFOLLOW;
            break;
        case OpenMode::CreateExclusive:
            flags |= O_RDWR | O_CREAT | O_EXCL;
            break;
        }
        const int fd = ::open(path.c_str(), flags, 0600);
        if (fd < 0) {
            return errno;
        }
        file = std::make_unique<PosixFile>(fd);
        return 0;
    }

    int CreateTemporary(const std::filesystem::path& folder, const std::string& prefix,
                        std::filesystem::path& created, std::unique_ptr<IFile>& file) override {
        std::string pattern = (folder / (prefix + "XXXXXX")).string();
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        const int fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd < 0) {
            return errno;
        }
        created = std::filesystem::path(name.data());
        file = std::make_unique<PosixFile>(fd);
        return 0;
    }

    int Rename(const std::filesystem::path& from, const std::filesystem::path& to) override {
        return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
    }

    int Remove(const std::filesystem::path& path) override {
        return ::unlink(path.c_str()) == 0 ? 0 : errno;
    }

    int SyncFolder(const std::filesystem::path& folder) override {
        const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            return errno;
        }
        const int result = ::fsync(fd) == 0 ? 0 : errno;
        ::close(fd);
        return result;
    }

    int Status(const std::filesystem::path& path, FileStatus& status) override {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) {
            return errno;
        }
        Fill(st, status);
        return 0;
    }
};

PosixFileSystem& RealFileSystem() {
    static PosixFileSystem* fs = new PosixFileSystem;
    return *fs;
}

std::atomic<IFileSystem*> g_override{nullptr};

} // namespace

IFileSystem& FileSystem() {
    IFileSystem* active = g_override.load(std::memory_order_acquire);
    return active != nullptr ? *active : RealFileSystem();
}

IFileSystem* SetFileSystem(IFileSystem* fileSystem) noexcept { return g_override.exchange(fileSystem); }

std::string StagingPrefix(const std::filesystem::path& file) {
    std::string prefix(1, '.');
    prefix.append(file.filename().string());
    prefix.push_back('.');
    return prefix;
}

int ResolvePath(const std::filesystem::path& path, std::filesystem::path& resolved) {
    if (path.empty()) {
        return ENOENT;
    }
    if (char* real = ::realpath(path.c_str(), nullptr); real != nullptr) {
        resolved = real;
        std::free(real);
        return 0;
    }
    if (errno != ENOENT || !path.has_filename()) {
        return errno;
    }
    // A name that does not exist yet (or a dangling link): resolve its folder, keep the name.
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        return ENOENT; // a dangling link: where it points is not ours to guess
    }
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    char* real = ::realpath(folder.c_str(), nullptr);
    if (real == nullptr) {
        return errno;
    }
    resolved = std::filesystem::path(real) / path.filename();
    std::free(real);
    return 0;
}

int ListFolder(const std::filesystem::path& folder, std::vector<std::string>& names) {
    names.clear();
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) {
        return errno;
    }
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name(entry->d_name);
        if (name != "." && name != "..") {
            names.emplace_back(name);
        }
    }
    const int error = errno;
    ::closedir(dir);
    return error;
}

int CopyContent(IFile& from, IFile& to) {
    std::uint64_t size = 0;
    if (const int error = from.Size(size); error != 0) {
        return error;
    }
    std::vector<unsigned char> chunk(1 << 20);
    for (std::uint64_t offset = 0; offset < size;) {
        std::size_t got = 0;
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), size - offset));
        if (const int error = from.ReadAt(offset, chunk.data(), want, got); error != 0) {
            return error;
        }
        if (got == 0) {
            break;
        }
        if (const int error = to.WriteAt(offset, chunk.data(), got); error != 0) {
            return error;
        }
        offset += got;
    }
    return to.Truncate(size);
}

} // namespace Tarnwick::Platform
