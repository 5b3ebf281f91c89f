#include "app/dialogs/DatabaseWorkers.h"

#include <memory>

#include "app/dialogs/BackupCopy.h"
#include "app/dialogs/DialogSupport.h"
#include "base/text/Utf.h"
#include "database/FileFormat.h"
#include "log/LogProvider.h"
#include "base/exceptions/Exception.h"
#include "platform/FileSystem.h"

namespace Tarnwick::Dialogs {

using Utilities::Exceptions::WindowsException;

namespace {

// The cipher of a database, from its file header (which is not encrypted).
std::int32_t AlgorithmOf(const std::filesystem::path& database) {
    std::unique_ptr<Platform::IFile> file;
    std::uint8_t bytes[EmberkiteDatabase::Format::kFileHeaderSize] = {};
    std::size_t got = 0;
    if (const int error = Platform::FileSystem().Open(database, Platform::OpenMode::ReadOnly, file); error != 0) {
        throw WindowsException(u"", error, u"open", u"CDatabaseBackupDialog::RecreateDatabase");
    }
    if (const int error = file->ReadAt(0, bytes, sizeof bytes, got); error != 0 || got != sizeof bytes) {
        throw WindowsException(u"", error, u"read", u"CDatabaseBackupDialog::RecreateDatabase");
    }
    return EmberkiteDatabase::FileHeader::Decode(bytes).algorithm;
}

} // namespace

BackupWorker::BackupWorker(Method method, std::filesystem::path source, std::filesystem::path target,
                           LoginCredentials credentials, IDatabaseUserInterface& ui)
    : m_method(method), m_source(std::move(source)), m_target(std::move(target)),
      m_credentials(std::move(credentials)), m_ui(ui) {}

BackupWorker::~BackupWorker() {
    m_credentials.userName.Clear();
    m_credentials.password.Clear();
}

void BackupWorker::Run() {
    QString failure;
    bool succeeded = false;
    try {
        succeeded = m_method == Method::Copy ? Copy(failure) : Recreate(failure);
    } catch (...) {
        LogProvider::LogCurrentException();
        succeeded = false;
        failure = Q(m_method == Method::Copy ? kBackupFailed : kNotRecreated);
    }
    m_credentials.password.Clear();
    emit Finished(succeeded, failure);
}

bool BackupWorker::Copy(QString& failure) {
    std::string call;
    const int error = CopyDatabaseFile(m_source, m_target, [this](int percent) { emit Progress(percent); }, call);
    if (error != 0) {
        try {
            throw WindowsException(u"", error, Text::FromUtf8(call), u"CDatabaseBackupDialog::StartDatabaseFileCopy");
        } catch (...) {
            LogProvider::LogCurrentException();
        }
        failure = Q(kBackupFailed);
        return false;
    }
    emit Verifying();
    bool same = false;
    try {
        same = HaveSameContent(m_source, m_target);
    } catch (...) {
        LogProvider::LogCurrentException();
    }
    if (!same) {
        // A copy that differs from the database must not be taken for a backup later.
        Platform::FileSystem().Remove(m_target);
        failure = Q(kNotVerified);
        return false;
    }
    return true;
}

bool BackupWorker::Recreate(QString& failure) {
    failure = Q(kNotRecreated);
    PasswordADT::PasswordData data;
    if (!CDatabase(m_ui, m_source).Load(m_credentials, data)) {
        return false;
    }
    emit Progress(50);
    if (!CDatabase(m_ui, m_target).CreateWithContent(m_credentials, AlgorithmOf(m_source), data)) {
        return false;
    }
    // The new file must open with the same credentials and hold the same data.
    PasswordADT::PasswordData check;
    if (!CDatabase(m_ui, m_target).Load(m_credentials, check) || check.FolderCount() != data.FolderCount() ||
        check.EntryCount() != data.EntryCount()) {
        return false;
    }
    emit Progress(100);
    failure.clear();
    return true;
}

DeleteWorker::DeleteWorker(std::filesystem::path database, LoginCredentials credentials, IDatabaseUserInterface& ui)
    : m_database(std::move(database)), m_credentials(std::move(credentials)), m_ui(ui) {}

DeleteWorker::~DeleteWorker() {
    m_credentials.userName.Clear();
    m_credentials.password.Clear();
}

void DeleteWorker::Run() {
    bool deleted = false;
    try {
        deleted = CDatabase(m_ui, m_database).Delete(m_credentials) == RequestResult::Succeeded;
    } catch (...) {
        LogProvider::LogCurrentException();
    }
    m_credentials.password.Clear();
    emit Finished(deleted);
}

} // namespace Tarnwick::Dialogs
