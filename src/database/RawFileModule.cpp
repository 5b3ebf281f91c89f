#include "database/RawFileModule.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/text/Format.h"
#include "base/text/Utf.h"
#include "log/LogProvider.h"
#include "base/exceptions/DBException.h"

namespace EmberkiteDatabase {

using Tarnwick::Platform::FileSystem;
using Tarnwick::Platform::IFile;
using Tarnwick::Platform::OpenMode;

namespace {

constexpr std::size_t kGatherBytes = 256 * 1024;
constexpr std::size_t kWindowBytes = 64 * 1024;

[[noreturn]] void OpenFailure(const std::filesystem::path& path) {
    const std::u16string name = Tarnwick::Text::FromUtf8(path.string());
    throw DBException(DBError::OpenFailed, u"RawFileModule::OpenFile",
                      Tarnwick::Text::Format(u"Fehler beim Öffnen der Datenbank \"%s\".", name).View());
}

// A failed read (15) or write (16), with the call, the file and the system's reason for the log.
[[noreturn]] void FileFailure(std::int32_t code, const char* call, const std::filesystem::path& path, int error) {
    const std::string reason = std::string(call) + " \"" + path.string() + "\": " +
                               (error != 0 ? std::strerror(error) : "unexpected end of file");
    throw DBException(code, code == 15 ? u"RawFileModule::Read" : u"RawFileModule::Write",
                      Tarnwick::Text::FromUtf8(reason));
}

// Locks the file and makes sure the path still names it (it may have been replaced meanwhile).
int LockAndCheck(IFile& file, const std::filesystem::path& path) {
    if (const int error = file.LockExclusive(); error != 0) {
        return error;
    }
    std::uint64_t device = 0, inode = 0, pathDevice = 0, pathInode = 0;
    if (file.Identity(device, inode) != 0 || FileSystem().Identity(path, pathDevice, pathInode) != 0 ||
        device != pathDevice || inode != pathInode) {
        return ESTALE;
    }
    return 0;
}

} // namespace

RawFileModule::RawFileModule() = default;

RawFileModule::~RawFileModule() { Close(); }

void RawFileModule::OpenFile(const std::filesystem::path& given, bool create) {
    Close();
    // Renaming over a link would replace the link, not the database it points to.
    std::filesystem::path path;
    if (Tarnwick::Platform::ResolvePath(given, path) != 0) {
        path = given;
    }
    m_path = path;
    m_oldContentKept = false;
    m_written = false;
    std::unique_ptr<IFile> file;
    int error = FileSystem().Open(path, OpenMode::ReadWrite, file);
    if (error == 0) {
        // A file replaced between open and lock is opened again; a held lock is refused.
        for (int attempt = 0; attempt < 5; ++attempt) {
            error = LockAndCheck(*file, path);
            if (error != ESTALE) {
                break;
            }
            file.reset();
            if ((error = FileSystem().Open(path, OpenMode::ReadWrite, file)) != 0) {
                break;
            }
        }
        if (error == EWOULDBLOCK || error == ESTALE) {
            throw DBException(DBError::AccessDenied);
        }
        if (error != 0) {
            OpenFailure(path);
        }
        m_original = std::move(file);
    } else if (!(create && error == ENOENT)) {
        OpenFailure(path);
    }
    if (create) {
        try {
            BeginTransaction(true);
        } catch (...) {
            Close();
            OpenFailure(path);
        }
    }
}

void RawFileModule::VerifyFileIsOpen() const {
    if (!IsOpen()) {
        throw DBException(DBError::NotOpen, u"RawFileModule::VerifyFileIsOpen");
    }
}

IFile& RawFileModule::Target() {
    VerifyFileIsOpen();
    return m_shadow ? *m_shadow : *m_original;
}

void RawFileModule::Flush() {
    if (m_pending.empty()) {
        return;
    }
    const int error = Target().WriteAt(m_pendingOffset, m_pending.data(), m_pending.size());
    m_pending.clear();
    m_written = true;
    if (error != 0) {
        FileFailure(16, "pwrite", m_shadow ? m_shadowPath : m_path, error);
    }
}

std::size_t RawFileModule::ReadAvailable(std::uint64_t offset, void* buffer, std::size_t bytes) {
    VerifyFileIsOpen();
    Flush();
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::size_t done = 0;
    while (done < bytes) {
        const std::uint64_t at = offset + done;
        if (at >= m_windowOffset && at < m_windowOffset + m_windowSize) {
            const std::size_t from = static_cast<std::size_t>(at - m_windowOffset);
            const std::size_t n = std::min(bytes - done, m_windowSize - from);
            std::memcpy(out + done, m_window.data() + from, n);
            done += n;
            continue;
        }
        if (bytes - done >= kWindowBytes) {
            // Large reads go straight into the caller's buffer.
            std::size_t got = 0;
            if (const int error = Target().ReadAt(at, out + done, bytes - done, got); error != 0) {
                FileFailure(15, "pread", m_path, error);
            }
            return done + got;
        }
        m_window.resize(kWindowBytes);
        std::size_t got = 0;
        if (const int error = Target().ReadAt(at, m_window.data(), kWindowBytes, got); error != 0) {
            m_windowSize = 0;
            FileFailure(15, "pread", m_path, error);
        }
        m_windowOffset = at;
        m_windowSize = got;
        if (got == 0) {
            break;
        }
    }
    return done;
}

void RawFileModule::Read(std::uint64_t offset, void* buffer, std::size_t bytes) {
    if (ReadAvailable(offset, buffer, bytes) != bytes) {
        FileFailure(15, "pread", m_path, 0);
    }
}

void RawFileModule::Write(std::uint64_t offset, const void* data, std::size_t bytes) {
    VerifyFileIsOpen();
    m_windowSize = 0;
    if (!m_pending.empty() && offset != m_pendingOffset + m_pending.size()) {
        Flush();
    }
    if (m_pending.empty()) {
        m_pendingOffset = offset;
    }
    const auto* in = static_cast<const std::uint8_t*>(data);
    m_pending.insert(m_pending.end(), in, in + bytes);
    if (m_pending.size() >= kGatherBytes) {
        Flush();
    }
}

std::uint64_t RawFileModule::FileSize() {
    Flush();
    std::uint64_t size = 0;
    if (const int error = Target().Size(size); error != 0) {
        FileFailure(15, "fstat", m_path, error);
    }
    return size;
}

void RawFileModule::Sync() {
    Flush();
    if (const int error = Target().Sync(); error != 0) {
        FileFailure(16, "fsync", m_shadow ? m_shadowPath : m_path, error);
    }
}

void RawFileModule::BeginTransaction(bool fresh) {
    if (m_shadow) {
        if (fresh) {
            m_pending.clear();
            m_windowSize = 0;
            if (const int error = m_shadow->Truncate(0); error != 0) {
                FileFailure(16, "ftruncate", m_shadowPath, error);
            }
        }
        return;
    }
    StartShadow(fresh ? 0 : UINT64_MAX);
}

void RawFileModule::BeginRewrite(std::uint64_t keep) {
    if (!m_shadow) {
        StartShadow(keep);
        return;
    }
    Flush();
    m_windowSize = 0;
    std::uint64_t size = 0;
    if (const int error = m_shadow->Size(size); error != 0) {
        FileFailure(15, "fstat", m_shadowPath, error);
    }
    if (size > keep) {
        if (const int error = m_shadow->Truncate(keep); error != 0) {
            FileFailure(16, "ftruncate", m_shadowPath, error);
        }
    }
}

void RawFileModule::StartShadow(std::uint64_t keep) {
    Flush();
    m_windowSize = 0;
    const std::filesystem::path folder = m_path.has_parent_path() ? m_path.parent_path() : std::filesystem::path(".");
    std::unique_ptr<IFile> shadow;
    std::filesystem::path shadowPath;
    if (const int error = FileSystem().CreateTemporary(folder, Tarnwick::Platform::StagingPrefix(m_path), shadowPath, shadow);
        error != 0) {
        FileFailure(16, "mkstemp", folder, error);
    }
    // The copy is locked before it can take the file's place.
    int error = shadow->LockExclusive();
    if (error == 0 && keep > 0 && m_original) {
        if (keep == UINT64_MAX) {
            error = Tarnwick::Platform::CopyContent(*m_original, *shadow);
        } else {
            // Only the head that stays: what follows it is about to be written anew.
            std::vector<std::uint8_t> head(static_cast<std::size_t>(std::min<std::uint64_t>(keep, 1 << 20)));
            for (std::uint64_t offset = 0; error == 0 && offset < keep;) {
                const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(head.size(), keep - offset));
                std::size_t got = 0;
                error = m_original->ReadAt(offset, head.data(), want, got);
                if (error != 0 || got == 0) {
                    break;
                }
                error = shadow->WriteAt(offset, head.data(), got);
                offset += got;
            }
        }
    }
    if (error != 0) {
        shadow.reset();
        FileSystem().Remove(shadowPath);
        FileFailure(16, "copy", shadowPath, error);
    }
    m_shadow = std::move(shadow);
    m_shadowPath = shadowPath;
}

void RawFileModule::Commit(const std::function<void(IFile&, std::uint64_t)>& afterOldContent) {
    if (!m_shadow) {
        // A request that only read has nothing to make durable.
        if (m_written || !m_pending.empty()) {
            Sync();
        }
        return;
    }
    Flush();
    if (const int error = m_shadow->Sync(); error != 0) {
        FileFailure(16, "fsync", m_shadowPath, error);
    }
    if (const int error = FileSystem().Rename(m_shadowPath, m_path); error != 0) {
        FileFailure(16, "rename", m_path, error);
    }
    std::unique_ptr<IFile> old = std::move(m_original);
    m_original = std::move(m_shadow);
    m_shadowPath.clear();
    const std::filesystem::path folder = m_path.has_parent_path() ? m_path.parent_path() : std::filesystem::path(".");
    // The new content is the file now: a folder that cannot be synced makes the rename less
    // durable, but calling the request failed would part the caller from what the file holds.
    if (const int error = FileSystem().SyncFolder(folder); error != 0) {
        Tarnwick::LogProvider::GenericLog::LogEvent(
            static_cast<std::uint32_t>(error),
            Tarnwick::Text::FromUtf8("fsync \"" + folder.string() + "\": " + std::strerror(error)));
    }
    if (old && afterOldContent) {
        // Content that another name still shows is that name's file: it is not ours to erase.
        Tarnwick::Platform::FileStatus status;
        if (old->Status(status) == 0) {
            if (status.links > 0) {
                m_oldContentKept = true;
            } else {
                // The new file stands; an erase that fails is logged, it cannot undo the request.
                try {
                    afterOldContent(*old, status.size);
                } catch (const Utilities::Exceptions::Exception& e) {
                    Tarnwick::LogProvider::GenericExceptionLog::LogEvent(e);
                }
            }
        }
    }
}

void RawFileModule::Discard() noexcept {
    m_pending.clear();
    m_windowSize = 0;
    if (m_shadow) {
        m_shadow.reset();
        FileSystem().Remove(m_shadowPath);
        m_shadowPath.clear();
    }
}

void RawFileModule::Close() noexcept {
    Discard();
    m_original.reset();
}

IFile& RawFileModule::Original() {
    Flush();
    m_windowSize = 0;
    if (!m_original) {
        throw DBException(DBError::NotOpen, u"RawFileModule::VerifyFileIsOpen");
    }
    return *m_original;
}

} // namespace EmberkiteDatabase
