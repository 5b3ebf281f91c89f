#pragma once

#include <cerrno>
#include <memory>

#include "platform/FileSystem.h"

namespace TestSupport {

// Passes every call to the real file system but fails the n-th call that changes anything
// on disk (write, truncate, sync, rename, remove, create), and every such call after it, as
// a crash or a full disk would. While installed it replaces the program's file system.
class FaultyFileSystem : public Tarnwick::Platform::IFileSystem {
public:
    explicit FaultyFileSystem(long failAt) : m_failAt(failAt), m_real(&Tarnwick::Platform::FileSystem()) {
        m_previous = Tarnwick::Platform::SetFileSystem(this);
    }
    ~FaultyFileSystem() override { Tarnwick::Platform::SetFileSystem(m_previous); }

    long Changes() const { return m_changes; }
    bool Failed() const { return m_failAt > 0 && m_changes >= m_failAt; }

    // Counts one change; true when it must fail.
    bool Fail() { return m_failAt > 0 && ++m_changes >= m_failAt; }
    void Count() { ++m_changes; }

    int Open(const std::filesystem::path& path, Tarnwick::Platform::OpenMode mode,
             std::unique_ptr<Tarnwick::Platform::IFile>& file) override {
        if (mode == Tarnwick::Platform::OpenMode::CreateExclusive && Fail()) {
            return ENOSPC;
        }
        std::unique_ptr<Tarnwick::Platform::IFile> real;
        const int error = Real().Open(path, mode, real);
        if (error == 0) {
            file = std::make_unique<File>(*this, std::move(real));
        }
        return error;
    }
    int CreateTemporary(const std::filesystem::path& folder, const std::string& prefix, std::filesystem::path& created,
                        std::unique_ptr<Tarnwick::Platform::IFile>& file) override {
        if (Fail()) {
            return ENOSPC;
        }
        std::unique_ptr<Tarnwick::Platform::IFile> real;
        const int error = Real().CreateTemporary(folder, prefix, created, real);
        if (error == 0) {
            file = std::make_unique<File>(*this, std::move(real));
        }
        return error;
    }
    int Rename(const std::filesystem::path& from, const std::filesystem::path& to) override {
        return Fail() ? EIO : Real().Rename(from, to);
    }
    int Remove(const std::filesystem::path& path) override {
        // Clean-up of a dropped copy must still work after a failure.
        return Real().Remove(path);
    }
    int SyncFolder(const std::filesystem::path& folder) override { return Fail() ? EIO : Real().SyncFolder(folder); }
    int Status(const std::filesystem::path& path, Tarnwick::Platform::FileStatus& status) override {
        return Real().Status(path, status);
    }

private:
    class File : public Tarnwick::Platform::IFile {
    public:
        File(FaultyFileSystem& owner, std::unique_ptr<Tarnwick::Platform::IFile> real)
            : m_owner(owner), m_real(std::move(real)) {}
        int ReadAt(std::uint64_t offset, void* buffer, std::size_t bytes, std::size_t& got) override {
            return m_real->ReadAt(offset, buffer, bytes, got);
        }
        int WriteAt(std::uint64_t offset, const void* data, std::size_t bytes) override {
            return m_owner.Fail() ? ENOSPC : m_real->WriteAt(offset, data, bytes);
        }
        int Size(std::uint64_t& size) override { return m_real->Size(size); }
        int Truncate(std::uint64_t size) override { return m_owner.Fail() ? EIO : m_real->Truncate(size); }
        int Sync() override { return m_owner.Fail() ? EIO : m_real->Sync(); }
        int LockExclusive() override { return m_real->LockExclusive(); }
        int Status(Tarnwick::Platform::FileStatus& status) override { return m_real->Status(status); }

    private:
        FaultyFileSystem& m_owner;
        std::unique_ptr<Tarnwick::Platform::IFile> m_real;
    };

    Tarnwick::Platform::IFileSystem& Real() { return *m_real; }

    long m_failAt;
    Tarnwick::Platform::IFileSystem* m_real;
    long m_changes = 0;
    Tarnwick::Platform::IFileSystem* m_previous = nullptr;
};

} // namespace TestSupport
