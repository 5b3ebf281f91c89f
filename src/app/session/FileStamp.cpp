#include "app/session/FileStamp.h"

#include "crypto/HashBaseWin.h"
#include "database/FileHash.h"
#include "base/exceptions/Exception.h"

namespace Tarnwick::Session {

bool FileStamp::HasWholeSecondTimes(const Platform::FileStatus& status) noexcept {
    return status.modifiedNanoseconds == 0 && status.changedNanoseconds == 0;
}

std::vector<std::uint8_t> FileStamp::Digest(const std::filesystem::path& path) {
    CryptoServiceProvider::Hashing::Sha256Win sha;
    std::vector<std::uint8_t> digest(sha.GetHashSize());
    EmberkiteDatabase::FileHash(sha, 64 * 1024).Compute(path, digest.data(), digest.size());
    return digest;
}

FileStamp FileStamp::Capture(const std::filesystem::path& path) {
    FileStamp stamp;
    if (Platform::FileSystem().Status(path, stamp.m_status) != 0) {
        return stamp;
    }
    if (HasWholeSecondTimes(stamp.m_status)) {
        try {
            stamp.m_digest = Digest(path);
        } catch (const Utilities::Exceptions::Exception&) {
            return FileStamp();
        }
    }
    stamp.m_valid = true;
    return stamp;
}

bool FileStamp::DiffersFrom(const std::filesystem::path& path) const {
    if (!m_valid) {
        return false; // nothing known to compare with
    }
    Platform::FileStatus now;
    if (Platform::FileSystem().Status(path, now) != 0) {
        return true;
    }
    const Platform::FileStatus& then = m_status;
    if (now.device != then.device || now.inode != then.inode || now.size != then.size ||
        now.modifiedSeconds != then.modifiedSeconds || now.modifiedNanoseconds != then.modifiedNanoseconds ||
        now.changedSeconds != then.changedSeconds || now.changedNanoseconds != then.changedNanoseconds) {
        return true;
    }
    if (m_digest.empty()) {
        return false;
    }
    try {
        return Digest(path) != m_digest;
    } catch (const Utilities::Exceptions::Exception&) {
        return true;
    }
}

} // namespace Tarnwick::Session
