#include "database/FileHash.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <vector>

#include "crypto/HashBase.h"
#include "base/exceptions/Exception.h"
#include "platform/FileSystem.h"

namespace EmberkiteDatabase {

using Tarnwick::Platform::FileSystem;
using Tarnwick::Platform::IFile;
using Utilities::Exceptions::WindowsException;

void FileHash::Compute(const std::filesystem::path& path, std::uint8_t* digest, std::size_t digestLength) {
    std::unique_ptr<IFile> file;
    if (const int error = FileSystem().Open(path, Tarnwick::Platform::OpenMode::ReadOnly, file); error != 0) {
        throw WindowsException(u"", error, u"open", u"FileHash::OpenFile");
    }
    std::uint64_t size = 0;
    if (const int error = file->Size(size); error != 0) {
        throw WindowsException(u"", error, u"fstat", u"FileHash::GetFileSize");
    }
    std::vector<std::uint8_t> chunk(m_chunkSize);
    m_hash.Initialize();
    try {
        for (std::uint64_t offset = 0; offset < size;) {
            const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(m_chunkSize, size - offset));
            std::size_t got = 0;
            if (const int error = file->ReadAt(offset, chunk.data(), want, got); error != 0 || got != want) {
                throw WindowsException(u"", error != 0 ? error : EIO, u"read", u"FileHash::ReadAndHashBytes");
            }
            m_hash.Update(chunk.data(), got);
            offset += got;
        }
        std::size_t length = digestLength;
        m_hash.Finish(digest, length);
    } catch (...) {
        m_hash.Release();
        throw;
    }
    m_hash.Release();
}

} // namespace EmberkiteDatabase
