#include "update/AutoUpdater.h"

#include <unistd.h>

#include <QProcess>
#include <QString>
#include <QStringList>

#include "base/text/Utf.h"
#include "core/Path.h"
#include "core/SystemInformation.h"
#include "log/LogProvider.h"
#include "platform/Files.h"
#include "update/FileDownloader.h"
#include "update/UpdateJob.h"
#include "update/ui/UpdateDialogs.h"

namespace Tarnwick::UpdateProvider {

namespace {

constexpr char kEndpoint[] = "https://update.tarnwick.example/?Update=";
constexpr char kProductPage[] = "https://www.tarnwick.example/go/?LinkId=2";
constexpr char kReleaseNotes[] = "https://www.tarnwick.example/go/?LinkId=9";

bool IsExecutable(const std::filesystem::path& path) {
    return access(path.c_str(), X_OK) == 0;
}

// The executor beside the program (build tree), else where the package installs it.
std::filesystem::path ExecutorPath(const std::filesystem::path& programFolder) {
    const std::filesystem::path beside = programFolder / UpdateJob::kExecutorFile;
    if (IsExecutable(beside)) {
        return beside;
    }
    return programFolder / TW_EXECUTOR_FROM_BINDIR / UpdateJob::kExecutorFile;
}

// The package is installed by root through pkexec and the installed helper; without them
// the user is sent to the web page instead.
bool CanInstallPackage() {
    if (!IsExecutable(TW_UPDATE_INSTALL_HELPER)) {
        return false;
    }
    return Platform::EffectiveUser() == 0 || IsExecutable("/usr/bin/pkexec");
}

bool StartDetached(const std::filesystem::path& program, const std::vector<std::string>& arguments) {
    QStringList list;
    for (const std::string& argument : arguments) {
        list << QString::fromStdString(argument);
    }
    return QProcess::startDetached(QString::fromStdString(program.string()), list);
}

UpdateEnvironment ProgramEnvironment() {
    const std::filesystem::path& folder = Core::Path::GetApplicationPath();
    UpdateEnvironment environment;
    environment.endpoint = kEndpoint;
    environment.publicKeyPem = std::string(BuiltInUpdatePublicKey());
    environment.currentVersion = Core::GetVersionNumberOfExecuteable();
    environment.mainProgram = folder / "tarnwick";
    environment.executor = ExecutorPath(folder);
    environment.productPageUrl = kProductPage;
    environment.releaseNotesUrl = kReleaseNotes;
    environment.canElevate = &CanInstallPackage;
    environment.startProcess = &StartDetached;
    environment.createFolder = [] { return Core::Path::CreateTemporaryFolder(); };
    return environment;
}

AutoUpdateResult::eAutoUpdateResult Run(UpdateJob::Mode mode, const UpdateParameter& parameter,
                                        IUpdateUserInterface* ui) {
    try {
        return UpdateJob(mode, parameter, ProgramEnvironment(), ui).Run();
    } catch (...) {
        LogProvider::LogCurrentException();
        return AutoUpdateResult::AUR_ERROR;
    }
}

} // namespace

AutoUpdateResult::eAutoUpdateResult AutoUpdater::CheckForUpdates(const UpdateParameter& parameter) {
    return Run(UpdateJob::Mode::Silent, parameter, nullptr);
}

AutoUpdateResult::eAutoUpdateResult AutoUpdater::StartAutoUpdate(const UpdateParameter& parameter) {
    QtUpdateUserInterface ui;
    return Run(UpdateJob::Mode::Interactive, parameter, &ui);
}

void AutoUpdater::CancelAll() noexcept {
    FileDownloader::AbortAll();
}

} // namespace Tarnwick::UpdateProvider
