#include "exchange/DatabaseImport.h"

#include <cstring>
#include <memory>

#include "base/text/Format.h"
#include "base/text/Utf.h"
#include "database/FileBackup.h"
#include "exchange/DatabaseImportReader.h"
#include "log/LogProvider.h"
#include "base/exceptions/Exception.h"
#include "model/ByteBuffer.h"

namespace Tarnwick::ExportImport {

using PasswordADT::ByteBuffer;
using PasswordADT::Category;
using PasswordADT::PasswordData;
using Utilities::Exceptions::Exception;

namespace {

constexpr const char16_t* kContext = u"DatabaseImport::Run";

// Runs a step; a failure is logged and turns into false.
template <typename Step>
bool Guarded(Step&& step) noexcept {
    try {
        step();
        return true;
    } catch (...) {
        LogProvider::LogCurrentException();
    }
    return false;
}

// The database requests made for the import report to the page: their progress goes to its
// bar; their own messages are logged, and the page then shows the import's message once.
class RequestInterface final : public IDatabaseUserInterface {
public:
    explicit RequestInterface(IDatabaseUserInterface& page) : m_page(page) {}
    void ShowError(std::u16string_view text) override { LogProvider::GenericLog::LogEvent(0, text); }
    // The open database is current: an upgrade question cannot come up, and is declined.
    int AskCommand(std::u16string_view, std::u16string_view, const std::vector<CommandButton>&) override { return -1; }
    void ProgressStart(std::int32_t units) override { m_page.ProgressStart(units); }
    void ProgressStep() override { m_page.ProgressStep(); }
    void ProgressEnd() override { m_page.ProgressEnd(); }

private:
    IDatabaseUserInterface& m_page;
};

} // namespace

DatabaseImport::DatabaseImport(IDatabaseImportUserInterface& ui, std::filesystem::path database,
                               const LoginCredentials& credentials, PasswordData& data)
    : m_ui(ui), m_path(std::move(database)), m_credentials(credentials), m_data(data) {}

PasswordData DatabaseImport::CopyFolders(const PasswordData& data) {
    PasswordData copy;
    for (const auto& folder : data.Folders()) {
        if (!folder) {
            throw Exception(u"category out of range", kContext);
        }
        auto own = std::make_shared<Category>(folder->GetId(), folder->GetParentId(), folder->GetName().View());
        own->Entries() = folder->Entries();
        copy.AssignAsNextIdIfHigher(own);
    }
    return copy;
}

bool DatabaseImport::SameContent(const PasswordData& a, const PasswordData& b) {
    if (a.FolderCount() != b.FolderCount()) {
        return false;
    }
    ByteBuffer left;
    ByteBuffer right;
    for (std::size_t f = 0; f < a.FolderCount(); ++f) {
        const Category* x = a.Folders()[f].get();
        const Category* y = b.Folders()[f].get();
        if (x == nullptr || y == nullptr || x->GetId() != y->GetId() || x->GetParentId() != y->GetParentId() ||
            x->GetName().View() != y->GetName().View() || x->Entries().size() != y->Entries().size()) {
            return false;
        }
        for (std::size_t e = 0; e < x->Entries().size(); ++e) {
            if (!x->Entries()[e] || !y->Entries()[e]) {
                return false;
            }
            left.Reset();
            right.Reset();
            x->Entries()[e]->Serialize(left);
            y->Entries()[e]->Serialize(right);
            if (left.Size() != right.Size() || std::memcmp(left.Data(), right.Data(), left.Size()) != 0) {
                return false;
            }
        }
    }
    return true;
}

void DatabaseImport::Write(const PasswordData& working) {
    RequestInterface requests(m_ui);
    CDatabase database(requests, m_path);
    if (!database.SaveAll(m_credentials, working)) {
        throw Exception(u"write failed", kContext);
    }
}

void DatabaseImport::Verify(const PasswordData& working) {
    PasswordData written;
    ProgressRelay relay(m_ui);
    if (!DatabaseImportReader::Read(m_path, m_credentials, written, relay.Callback())) {
        throw Exception(u"verification failed: authentication", kContext);
    }
    if (!SameContent(written, working)) {
        throw Exception(u"verification failed: content differs", kContext);
    }
}

void DatabaseImport::Rollback(WindowsServiceProvider::FileBackup& backup, ImportResult& result) {
    m_ui.SetStatus(kStatusRollback);
    result.rolledBack = true;
    const std::filesystem::path backupPath = backup.GetBackupPath();
    if (Guarded([&] { backup.Restore(); })) {
        result.restored = true;
    } else {
        // The backup is the one sure copy of the database as it was: it stays.
        result.keptBackup = backupPath;
        LogProvider::GenericLog::LogEvent(0, u"backup kept: " + Text::FromUtf8(backupPath.string()));
    }
    // The collection follows whatever the file now holds.
    PasswordData reloaded;
    const bool loaded = Guarded([&] {
        ProgressRelay relay(m_ui);
        if (!DatabaseImportReader::Read(m_path, m_credentials, reloaded, relay.Callback())) {
            throw Exception(u"authentication failed", u"DatabaseImport::Rollback");
        }
    });
    if (loaded) {
        m_data = std::move(reloaded);
    } else {
        m_ui.ShowError(kRollbackLoadFailed);
    }
}

void DatabaseImport::DeleteBackup(WindowsServiceProvider::FileBackup& backup, ImportResult& result) {
    const int answer = m_ui.AskCommand(
        kDeleteBackupQuestion, u"",
        {{u"Nein, Sicherung erhalten (empfohlen)", u"Die Sicherung der Passwortdatenbank wird nicht gelöscht."},
         {u"Ja, Sicherung löschen", u"Die Sicherung der Passwortdatenbank wird unwiderruflich gelöscht."}});
    const std::filesystem::path backupPath = backup.GetBackupPath();
    if (answer != 1) {
        result.keptBackup = backupPath;
        return;
    }
    m_ui.SetStatus(kStatusDeletingBackup);
    // The backup is a whole database: it is overwritten before it is removed.
    bool erased = false;
    backup.ReleaseHold();
    {
        RequestInterface requests(m_ui);
        CDatabase eraser(requests, backupPath);
        erased = eraser.Delete(m_credentials) == RequestResult::Succeeded;
    }
    if (!erased && !Guarded([&] { backup.DeleteBackup(); })) {
        result.keptBackup = backupPath;
        result.backupNotice = Text::Format(kBackupNotDeleted, Text::FromUtf8(backupPath.string())).ToStdString();
        m_ui.ShowError(result.backupNotice);
    }
}

void DatabaseImport::NoteKeptBackup(ImportResult& result) {
    if (!result.keptBackup.empty()) {
        result.backupNotice = Text::Format(kBackupKept, Text::FromUtf8(result.keptBackup.string())).ToStdString();
    }
}

void DatabaseImport::ReportFailure(ImportResult& result) {
    result.outcome = ImportOutcome::Failed;
    m_ui.SetStatus(kFailed);
    NoteKeptBackup(result);
    if (result.backupNotice.empty()) {
        m_ui.ShowError(kFailed);
    } else {
        // Whoever has to clean up must learn where the backup is.
        m_ui.ShowError(std::u16string(kFailed) + u"\n" + result.backupNotice);
    }
}

ImportResult DatabaseImport::Run(const PasswordData& source, const Selection& selection,
                                 DuplicateTreatment treatment) {
    ImportResult result;
    WindowsServiceProvider::FileBackupEx backup;
    m_ui.SetStatus(kStatusBackup);
    if (!Guarded([&] { backup.Backup(m_path); })) {
        // A copy that failed its check is no backup; one that cannot be removed is reported.
        const std::filesystem::path backupPath = backup.GetBackupPath();
        if (!Guarded([&] { backup.DeleteBackup(); }) && !backupPath.empty()) {
            result.keptBackup = backupPath;
        }
        ReportFailure(result);
        return result;
    }

    enum class Stage { Merging, Cancelled, Written, Verified } stage = Stage::Merging;
    PasswordData working;
    Guarded([&] {
        m_ui.SetStatus(kStatusPreparing);
        working = CopyFolders(m_data);
        DatabaseImportMerge merge(m_ui, treatment);
        const bool complete = merge.ImportPasswords(source, selection, working);
        result.counts = merge.Counts();
        if (!complete) {
            stage = Stage::Cancelled;
            return;
        }
        m_ui.SetStatus(kStatusWriting);
        Write(working);
        stage = Stage::Written;
        m_ui.SetStatus(kStatusVerifying);
        Verify(working);
        stage = Stage::Verified;
    });

    if (stage != Stage::Verified) {
        if (stage == Stage::Cancelled) {
            m_ui.ShowInformation(DatabaseImportMerge::kCancelledMessage);
        }
        Rollback(backup, result);
        if (stage == Stage::Cancelled) {
            result.outcome = ImportOutcome::Cancelled;
            m_ui.SetStatus(DatabaseImportMerge::kCancelledMessage);
            NoteKeptBackup(result);
            if (!result.backupNotice.empty()) {
                m_ui.ShowError(result.backupNotice);
            }
        } else {
            ReportFailure(result);
        }
        return result;
    }

    m_data = std::move(working);
    DeleteBackup(backup, result);
    result.outcome = ImportOutcome::Imported;
    m_ui.SetStatus(kStatusCompleted);
    if (result.counts.Imported() > 0) {
        m_ui.ShowInformation(Text::Format(kImportedEntries, result.counts.Imported()).View());
    } else if (result.counts.newFolders > 0) {
        m_ui.ShowInformation(kImportedFolders);
    } else {
        m_ui.ShowInformation(kImportedNothing);
    }
    return result;
}

} // namespace Tarnwick::ExportImport
