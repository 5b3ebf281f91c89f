#include <memory>

#include <QApplication>
#include <QMessageBox>
#include <QString>

#include "update-executor/UpdateExecutor.h"

#ifndef TW_UPDATE_INSTALL_HELPER
#error "TW_UPDATE_INSTALL_HELPER must name the installed tarnwick-update-install"
#endif

namespace Tarnwick::UpdateExecutor {

namespace {

constexpr const char* kPkexec = "/usr/bin/pkexec";
constexpr std::chrono::milliseconds kLockPoll{100};

QString ToQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

void SystemHost::ShowError(std::u16string_view caption, std::u16string_view text) {
    // The application object exists only for this one message: the normal run shows no window.
    std::unique_ptr<QApplication> application;
    if (QApplication::instance() == nullptr) {
        application = std::make_unique<QApplication>(m_argc, m_argv);
    }
    QMessageBox box(QMessageBox::Critical, ToQString(caption), ToQString(text), QMessageBox::Ok, nullptr);
    box.exec();
}

void SystemHost::WaitForProgramEnd() {
    std::filesystem::path lockFile;
    try {
        lockFile = ProgramLockPath();
    } catch (...) {
        // Without a usable folder for its lock the main program cannot be running either.
        return;
    }
    WaitForLockRelease(lockFile, kLockPoll);
}

ProcessResult SystemHost::RunInstaller(const std::filesystem::path& downloadFolder,
                                       const std::filesystem::path& package) {
    return RunAndWait(kPkexec, {TW_UPDATE_INSTALL_HELPER, downloadFolder.string(), package.string()});
}

void SystemHost::StartProgram(const std::filesystem::path& program, const std::string& argument) {
    StartDetached(program.string(), {argument});
}

} // namespace Tarnwick::UpdateExecutor
