#pragma once

#include <atomic>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "update/AutoUpdater.h"
#include "update/UpdateUserInterface.h"
#include "update/verify/UpdateVerification.h"

namespace Tarnwick::UpdateProvider {

// Where the job fetches from, whom it trusts and how it hands over; the program's own in
// AutoUpdater.cpp, a local server and a test key in the tests.
struct UpdateEnvironment {
    // The service address up to and including "?Update=".
    std::string endpoint;
    std::string publicKeyPem;
    // The certificate authorities for https (PEM file); empty for the system's.
    std::string caBundle;
    std::u16string currentVersion;
    // The program to restart after the update ("tarnwick" in the program folder).
    std::filesystem::path mainProgram;
    // The executor that is copied into the download folder and started from there.
    std::filesystem::path executor;
    std::string productPageUrl;
    std::string releaseNotesUrl;
    std::function<bool()> canElevate;
    // Starts program with arguments, detached; false when it could not be started.
    std::function<bool(const std::filesystem::path& program, const std::vector<std::string>& arguments)> startProcess;
    // Makes the fresh private download folder.
    std::function<std::filesystem::path()> createFolder;
};

// One check (silent) or one check-download-install (interactive).
class UpdateJob {
public:
    enum class Mode { Silent, Interactive };

    static constexpr char16_t kProgressTitle[] = u"Tarnwick - Update";
    static constexpr char kInformationFile[] = "update.xml";
    static constexpr char kPackageFile[] = "twupdate32.deb";
    static constexpr char kExecutorFile[] = "twexec";

    // ui may be null in silent mode.
    UpdateJob(Mode mode, const UpdateParameter& parameter, UpdateEnvironment environment, IUpdateUserInterface* ui);
    ~UpdateJob();

    AutoUpdateResult::eAutoUpdateResult Run();

    // Tests: the folder the job downloaded into (gone unless the executor was started).
    const std::filesystem::path& DownloadFolder() const noexcept { return m_folder; }
    const UpdateInformation& Information() const noexcept { return m_information; }

private:
    void Check();
    void CheckWorker();
    void AnswerCheck();
    // 7 shows the error message; a result the step cannot give shows that and becomes 7.
    void ShowError();
    void Download();
    void DownloadWorker();
    bool StartExecutor();
    void RequestInformation(const std::filesystem::path& file);
    bool Cancelled() const noexcept;

    Mode m_mode;
    const UpdateParameter& m_parameter;
    UpdateEnvironment m_environment;
    IUpdateUserInterface* m_ui;
    UpdateInformation m_information;
    AutoUpdateResult::eAutoUpdateResult m_result = AutoUpdateResult::AUR_CANCELLED;
    std::atomic<bool> m_cancel{false};
    std::filesystem::path m_folder;
    std::filesystem::path m_informationFile;
};

// "532 Bytes", "1,50 KB", "12,3 MB", "123 GB": three significant digits, cut, not rounded.
std::u16string FormatByteSize(std::uint64_t bytes);

} // namespace Tarnwick::UpdateProvider
