#pragma once

#include <functional>
#include <thread>

#include "update/AutoUpdater.h"

namespace Tarnwick::App {

// What the program tells the update service: the product, its version, edition and language.
// No user or machine identity goes along.
UpdateProvider::UpdateParameter MakeUpdateParameter();

// The silent update check at start, on a thread of its own.
class StartupUpdateCheck {
public:
    using Check = std::function<int(const UpdateProvider::UpdateParameter&)>;

    StartupUpdateCheck() = default;
    StartupUpdateCheck(const StartupUpdateCheck&) = delete;
    StartupUpdateCheck& operator=(const StartupUpdateCheck&) = delete;
    ~StartupUpdateCheck();

    // Runs check; when it finds a newer version, calls onNewer on the check's thread.
    void Start(Check check, std::function<void()> onNewer);
    // Asks a running check to end (cancel), and waits for it.
    void Stop(const std::function<void()>& cancel);

private:
    std::thread m_thread;
};

} // namespace Tarnwick::App
