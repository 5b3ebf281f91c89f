#include "app/dialogs/BackupCopy.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <vector>

#include "base/text/Format.h"
#include "base/text/Utf.h"
#include "crypto/HashBaseWin.h"
#include "database/FileHash.h"
#include "platform/AtomicFile.h"
#include "platform/FileSystem.h"
#include "platform/Files.h"

namespace Tarnwick::Dialogs {

std::filesystem::path DefaultBackupPath(const std::filesystem::path& database, std::int64_t now) {
    Platform::CalendarTime date;
    if (!Platform::ToCalendarTime(now, true, date).Ok()) {
        date = Platform::CalendarTime{};
    }
    const std::u16string suffix =
        Text::Format(u"-%02d-%02d-%04d.twdb", date.day, date.month, date.year).ToStdString();
    std::filesystem::path backup = database;
    backup.replace_extension();
    backup += Text::ToUtf8(suffix);
    return backup;
}

int CopyDatabaseFile(const std::filesystem::path& source, const std::filesystem::path& target,
                     const std::function<void(int percent)>& progress, std::string& failedCall) {
    std::unique_ptr<Platform::IFile> from;
    if (const int error = Platform::FileSystem().Open(source, Platform::OpenMode::ReadOnly, from); error != 0) {
        failedCall = "open";
        return error;
    }
    // The engine holds this lock while it writes: a copy never catches a request halfway.
    if (const int error = from->LockExclusive(); error != 0) {
        failedCall = "flock";
        return error;
    }
    std::uint64_t total = 0;
    if (const int error = from->Size(total); error != 0) {
        failedCall = "fstat";
        return error;
    }
    Platform::AtomicFile to;
    if (const int error = to.Begin(target); error != 0) {
        failedCall = to.FailedFunction();
        return error;
    }
    std::vector<std::uint8_t> chunk(256 * 1024);
    int shown = -1;
    for (std::uint64_t done = 0; done < total;) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), total - done));
        std::size_t got = 0;
        if (const int error = from->ReadAt(done, chunk.data(), want, got); error != 0 || got != want) {
            failedCall = "read";
            return error != 0 ? error : EIO;
        }
        if (const int error = to.Write(chunk.data(), got); error != 0) {
            failedCall = to.FailedFunction();
            return error;
        }
        done += got;
        const int percent = static_cast<int>(done * 100 / total);
        if (progress && percent != shown) {
            shown = percent;
            progress(percent);
        }
    }
    if (const int error = to.Commit(); error != 0) {
        failedCall = to.FailedFunction();
        return error;
    }
    if (progress && shown != 100) {
        progress(100);
    }
    return 0;
}

bool HaveSameContent(const std::filesystem::path& a, const std::filesystem::path& b) {
    CryptoServiceProvider::Hashing::Sha256Win hash;
    EmberkiteDatabase::FileHash files(hash, 64 * 1024);
    const std::size_t length = hash.GetHashSize();
    std::vector<std::uint8_t> first(length);
    std::vector<std::uint8_t> second(length);
    files.Compute(a, first.data(), length);
    files.Compute(b, second.data(), length);
    return first == second;
}

} // namespace Tarnwick::Dialogs
