#include "update/UpdateJob.h"

#include <sys/stat.h>

#include <system_error>

#include "base/exceptions/Exception.h"
#include "base/text/Format.h"
#include "base/text/Utf.h"
#include "core/Path.h"
#include "log/LogProvider.h"
#include "update/FileDownloader.h"
#include "update/UpdateRequest.h"
#include "update/verify/VersionNumberParser.h"

namespace Tarnwick::UpdateProvider {

namespace {

using namespace AutoUpdateResult;
using Utilities::Exceptions::WindowsException;

constexpr char16_t kCheckTitle[] = u"Prüfe auf Aktualisierungen";
constexpr char16_t kPleaseWait[] = u"Dieser Vorgang kann einen Moment dauern. Bitte warten...";
constexpr char16_t kCheckFailed[] = u"Es ist ein Fehler beim Prüfen auf Aktualisierungen aufgetreten.";
constexpr char16_t kInvalidInformation[] =
    u"Die Aktualisierungsinformationen sind ungültig. Der Vorgang wird abgebrochen. Versuchen Sie es später noch einmal.";
constexpr char16_t kUpToDate[] = u"Tarnwick ist auf dem neuesten Stand. Es ist keine Aktualisierung notwendig.";
constexpr char16_t kInvalidReturn[] = u"der Rückgabekontext ist ungültig. Der Vorgang wird beendet.";
constexpr char16_t kPackageUnverified[] =
    u"Die Installationsdatei konnte nicht verifiziert werden. Versuchen Sie es später noch einmal.";
constexpr char16_t kDownloading[] = u"Lade Update herunter";

template <typename... Args>
std::u16string Formatted(std::u16string_view format, const Args&... args) {
    const auto text = Text::Format(format, args...);
    return std::u16string(text.View());
}

} // namespace

std::u16string FormatByteSize(std::uint64_t bytes) {
    if (bytes < 1024) {
        return Text::FromUtf8(std::to_string(bytes)) + u" Bytes";
    }
    static constexpr const char16_t* kUnits[] = {u"KB", u"MB", u"GB", u"TB", u"PB", u"EB"};
    // Hundredths of the unit, cut like the system's own formatting.
    std::size_t unit = 0;
    long double value = static_cast<long double>(bytes) / 1024.0L;
    while (value >= 1000.0L && unit + 1 < std::size(kUnits)) {
        value /= 1024.0L;
        ++unit;
    }
    const auto hundredths = static_cast<std::uint64_t>(value * 100.0L);
    std::string text;
    if (hundredths < 1000) { // below 10: two decimals
        text = std::to_string(hundredths / 100) + "," + (hundredths % 100 < 10 ? "0" : "") + std::to_string(hundredths % 100);
    } else if (hundredths < 10000) { // below 100: one decimal
        text = std::to_string(hundredths / 100) + "," + std::to_string((hundredths / 10) % 10);
    } else {
        text = std::to_string(hundredths / 100);
    }
    return Text::FromUtf8(text) + u" " + kUnits[unit];
}

UpdateJob::UpdateJob(Mode mode, const UpdateParameter& parameter, UpdateEnvironment environment,
                     IUpdateUserInterface* ui)
    : m_mode(mode), m_parameter(parameter), m_environment(std::move(environment)), m_ui(ui) {}

UpdateJob::~UpdateJob() = default;

bool UpdateJob::Cancelled() const noexcept {
    return m_cancel.load();
}

AutoUpdateResult::eAutoUpdateResult UpdateJob::Run() {
    m_result = AUR_CANCELLED;
    if (m_mode == Mode::Interactive && (m_ui == nullptr || !m_ui->HasParentWindow())) {
        if (m_ui != nullptr) {
            m_ui->ShowMessage(UpdateMessageIcon::Error, kCheckFailed);
        }
        return m_result;
    }
    Check();
    if (m_mode == Mode::Interactive && m_result == AUR_EXECUTOR_STARTED) {
        Download();
        if (m_result == AUR_EXECUTOR_STARTED && !StartExecutor()) {
            m_result = AUR_ERROR;
        }
    }
    if (m_result != AUR_EXECUTOR_STARTED && !m_folder.empty()) {
        try {
            Core::Path::DeleteFileOrFolder(m_folder);
        } catch (...) {
            LogProvider::LogCurrentException();
        }
    }
    return m_result;
}

void UpdateJob::Check() {
    if (m_mode == Mode::Silent) {
        CheckWorker();
        return;
    }
    try {
        m_ui->RunWithProgress(kCheckTitle, kPleaseWait, m_cancel, [this] { CheckWorker(); });
    } catch (...) {
        LogProvider::LogCurrentException();
        m_ui->ShowMessage(UpdateMessageIcon::Error, kCheckFailed);
        m_result = AUR_ERROR;
        return;
    }
    AnswerCheck();
}

void UpdateJob::CheckWorker() {
    try {
        if (Cancelled()) {
            m_result = AUR_CANCELLED;
            return;
        }
        try {
            m_folder = m_environment.createFolder();
        } catch (...) {
            LogProvider::LogCurrentException();
            m_result = AUR_ERROR;
            return;
        }
        m_informationFile = m_folder / kInformationFile;
        if (Cancelled()) {
            m_result = AUR_CANCELLED;
            return;
        }
        RequestInformation(m_informationFile);
        if (Cancelled()) {
            m_result = AUR_CANCELLED;
            return;
        }
        if (!ReadUpdateInformation(m_informationFile, m_information, m_environment.publicKeyPem)) {
            m_result = AUR_INVALID_INFORMATION;
            return;
        }
        if (!VersionNumberParser::IsNewer(m_information.updateVersion, m_environment.currentVersion)) {
            m_result = AUR_UP_TO_DATE;
        } else if (m_mode == Mode::Silent) {
            m_result = AUR_NEWER_VERSION;
        } else {
            m_result = m_environment.canElevate() ? AUR_NEWER_VERSION_INSTALLABLE : AUR_NEWER_VERSION;
        }
    } catch (...) {
        LogProvider::LogCurrentException();
        m_result = Cancelled() ? AUR_CANCELLED : AUR_ERROR;
    }
}

void UpdateJob::RequestInformation(const std::filesystem::path& file) {
    FileDownloader::Request request;
    request.url = m_environment.endpoint + UpdateParameterEncrypter::EncryptToString(m_parameter);
    request.action = m_mode == Mode::Silent ? "startup" : "check";
    request.version = Text::ToUtf8(m_environment.currentVersion);
    request.fresh = true;
    request.caBundle = m_environment.caBundle;
    request.bufferSize = 64 * 1024;
    request.maxBytes = 1024 * 1024;
    if (!FileDownloader(m_cancel).DownloadFile(request, file)) {
        m_cancel = true;
    }
}

void UpdateJob::AnswerCheck() {
    switch (m_result) {
    case AUR_INVALID_INFORMATION:
        m_ui->ShowMessage(UpdateMessageIcon::Warning, kInvalidInformation);
        break;
    case AUR_UP_TO_DATE:
        m_ui->ShowMessage(UpdateMessageIcon::Information, kUpToDate);
        break;
    case AUR_NEWER_VERSION: {
        UpdateQuestion question;
        question.mainInstruction = u"Es ist eine neue Version verfügbar.";
        question.content = u"Möchten Sie die Tarnwick Internetseite besuchen, um die neue Version herunterzuladen?";
        question.commands = {u"Ja, neue Version jetzt herunterladen.\nÖffnet die Tarnwick Internetseite, damit Sie die "
                             u"neue Version herunterladen können.",
                             u"Nein, neue Version nicht herunterladen.\nBeendet die Suche nach Aktualisierungen und "
                             u"kehrt zu Tarnwick zurück."};
        if (m_ui->Ask(question) == 0) {
            m_ui->OpenUrl(m_environment.productPageUrl);
        }
        break;
    }
    case AUR_NEWER_VERSION_INSTALLABLE: {
        UpdateQuestion question;
        question.title = u"Tarnwick";
        question.mainInstruction = u"Es ist eine neue Version verfügbar";
        question.content = m_information.hint.empty()
                               ? Formatted(u"Möchten Sie die neue Version (%s) jetzt installieren?",
                                           m_information.updateVersion)
                               : Formatted(u"Möchten Sie die neue Version (%s) jetzt installieren?\n\nWichtiger Hinweis:\n%s",
                                           m_information.updateVersion, m_information.hint);
        question.commands = {u"Ja, Update jetzt herunterladen.\nLädt das Update herunter und installiert es anschließend.",
                             u"Nein, Update später installieren.\nBeendet die Suche nach Updates und kehrt zu Tarnwick zurück."};
        question.defaultCommand = 0;
        question.shield = true;
        question.footerLinkText = u"Versionshinweise anzeigen";
        question.footerLinkUrl = m_environment.releaseNotesUrl;
        m_result = m_ui->Ask(question) == 0 ? AUR_EXECUTOR_STARTED : AUR_CANCELLED;
        break;
    }
    case AUR_CANCELLED:
        break;
    case AUR_ERROR:
    default:
        ShowError();
        break;
    }
}

void UpdateJob::ShowError() {
    m_ui->ShowMessage(UpdateMessageIcon::Error, m_result == AUR_ERROR ? kCheckFailed : kInvalidReturn);
    m_result = AUR_ERROR;
}

void UpdateJob::Download() {
    try {
        m_ui->RunWithProgress(kDownloading, kPleaseWait, m_cancel, [this] { DownloadWorker(); });
    } catch (...) {
        LogProvider::LogCurrentException();
        m_result = AUR_ERROR;
    }
    switch (m_result) {
    case AUR_EXECUTOR_STARTED:
    case AUR_CANCELLED:
        break;
    case AUR_CHECKSUM_FAILED:
        m_ui->ShowMessage(UpdateMessageIcon::Warning, kPackageUnverified);
        break;
    case AUR_ERROR:
    default:
        ShowError();
        break;
    }
}

void UpdateJob::DownloadWorker() {
    try {
        m_ui->SetProgressTexts(kDownloading, kPleaseWait);
        const std::filesystem::path package = m_folder / kPackageFile;
        const std::u16string total = m_information.fileSize > 0
                                         ? FormatByteSize(static_cast<std::uint64_t>(m_information.fileSize))
                                         : std::u16string(u"unbekannt");
        FileDownloader::Request request;
        request.url = Text::ToUtf8(m_information.autoDownloadUrl);
        request.action = "download";
        request.caBundle = m_environment.caBundle;
        request.bufferSize = 256 * 1024;
        // The package is as large as the signed information says; anything longer fails its
        // checksum anyway and must not fill the disk first.
        request.maxBytes = m_information.fileSize > 0 ? static_cast<std::uint64_t>(m_information.fileSize)
                                                      : std::uint64_t{1} << 30;
        const bool complete = FileDownloader(m_cancel).DownloadFile(
            request, package, [this, &total](std::uint64_t, std::uint64_t sofar) {
                m_ui->SetProgressTexts(u"Lade Update herunter. Bitte warten...",
                                       Formatted(u"%s von %s heruntergeladen.", FormatByteSize(sofar), total));
            });
        if (!complete || Cancelled()) {
            m_result = AUR_CANCELLED;
            return;
        }
        m_result = VerifyInstallationFileByChecksum(package, m_information.checksum) ? AUR_EXECUTOR_STARTED
                                                                                      : AUR_CHECKSUM_FAILED;
    } catch (const WindowsException& error) {
        LogProvider::LogCurrentException();
        // A package longer than announced is a package that cannot verify.
        m_result = error.GetFunction() == u"InternetReadFile" && error.GetErrorCode() == EFBIG ? AUR_CHECKSUM_FAILED
                                                                                              : AUR_ERROR;
    } catch (...) {
        LogProvider::LogCurrentException();
        m_result = AUR_ERROR;
    }
}

bool UpdateJob::StartExecutor() {
    const std::filesystem::path copy = m_folder / kExecutorFile;
    std::error_code error;
    std::filesystem::copy_file(m_environment.executor, copy, std::filesystem::copy_options::overwrite_existing, error);
    if (!error && chmod(copy.c_str(), 0700) != 0) {
        error = std::error_code(errno, std::generic_category());
    }
    if (error) {
        LogProvider::GenericExceptionLog::LogEvent(WindowsException(
            u"", error.value(), u"CopyFile", u"AutoUpdater::CopyAutoUpdateExecutorToTempPath"));
        return false;
    }
    const std::vector<std::string> arguments = {m_environment.mainProgram.string(), m_folder.string(),
                                                (m_folder / kPackageFile).string()};
    return m_environment.startProcess(copy, arguments);
}

} // namespace Tarnwick::UpdateProvider
