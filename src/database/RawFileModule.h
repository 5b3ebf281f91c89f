#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "platform/FileSystem.h"

namespace EmberkiteDatabase {

// The engine's binary file: reads and writes at offsets.
//
// Writes never tear the database: a request that rewrites the file works on a private copy in
// the same folder (a transaction) that replaces the file only when the request succeeded
// (Commit). Without a transaction, writes go to the file itself, for the few writes that are
// safe in place. The file is locked while it is open, so no other process works on it.
class RawFileModule {
public:
    RawFileModule();
    RawFileModule(const RawFileModule&) = delete;
    RawFileModule& operator=(const RawFileModule&) = delete;
    ~RawFileModule();

    // Opens the file for reading and writing; with create, the content starts empty (a new
    // file, or one that replaces the existing file at Commit). Code 10 when it cannot be
    // opened, 35 when another process holds it. A path through symbolic links is resolved
    // first, so a rewrite replaces the real file and the links keep pointing at it.
    void OpenFile(const std::filesystem::path& path, bool create);
    // Code 11 when no file is open.
    void VerifyFileIsOpen() const;
    bool IsOpen() const noexcept { return m_original != nullptr || m_shadow != nullptr; }
    const std::filesystem::path& GetPath() const noexcept { return m_path; }

    // Exactly bytes at offset, else code 15.
    void Read(std::uint64_t offset, void* buffer, std::size_t bytes);
    // Up to bytes at offset; returns how many were there (fewer only at the end of the file).
    std::size_t ReadAvailable(std::uint64_t offset, void* buffer, std::size_t bytes);
    // Code 16 when the write fails.
    void Write(std::uint64_t offset, const void* data, std::size_t bytes);
    std::uint64_t FileSize();
    // Makes the writes so far durable (in place, they are ordered by this).
    void Sync();
    // Hands the gathered writes to the file (without waiting for the disk).
    void Flush();

    // From now on writes go to a copy of the file (or an empty one when fresh is set).
    void BeginTransaction(bool fresh = false);
    // The same for a request that writes everything behind the first keep bytes anew: the
    // copy holds only those bytes (an open transaction is cut back to them), so the rest is
    // written once and the copy ends where the new content ends.
    void BeginRewrite(std::uint64_t keep);
    bool InTransaction() const noexcept { return m_shadow != nullptr; }
    // Replaces the file with the transaction's copy; afterOldContent receives the old
    // file (still open, no longer named) to erase it before it is closed. An old file that
    // still has another name (a hard link) is never handed over: OldContentKept() tells.
    void Commit(const std::function<void(Tarnwick::Platform::IFile&, std::uint64_t size)>& afterOldContent = {});
    // Drops an open transaction; the file stays as it was.
    void Discard() noexcept;
    // Drops any open transaction and closes.
    void Close() noexcept;

    // The file itself, for an in-place overwrite (flushes pending writes first).
    Tarnwick::Platform::IFile& Original();
    // True when the last Commit left the old content alone because another name still shows it.
    bool OldContentKept() const noexcept { return m_oldContentKept; }

private:
    Tarnwick::Platform::IFile& Target();
    // Opens the locked copy and fills it with the first keep bytes of the file.
    void StartShadow(std::uint64_t keep);

    std::filesystem::path m_path;
    std::unique_ptr<Tarnwick::Platform::IFile> m_original;
    std::unique_ptr<Tarnwick::Platform::IFile> m_shadow;
    std::filesystem::path m_shadowPath;
    bool m_oldContentKept = false;
    bool m_written = false;
    // Consecutive writes are gathered; reads come through a small read-ahead window.
    std::vector<std::uint8_t> m_pending;
    std::uint64_t m_pendingOffset = 0;
    std::vector<std::uint8_t> m_window;
    std::uint64_t m_windowOffset = 0;
    std::size_t m_windowSize = 0;
};

} // namespace EmberkiteDatabase
