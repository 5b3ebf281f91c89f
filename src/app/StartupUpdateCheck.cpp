#include "app/StartupUpdateCheck.h"

#include "core/SystemInformation.h"
#include "log/LogProvider.h"

namespace Tarnwick::App {

UpdateProvider::UpdateParameter MakeUpdateParameter() {
    UpdateProvider::UpdateParameter parameter;
    // The product's own identifier, the same on every installation.
    parameter.guid = WindowsServiceProvider::Guid(u"5b1d3c7e-2f4a-4e8b-9a61-7c0d2e9f4b13");
    parameter.valueA = Core::GetVersionNumberOfExecuteable();
    parameter.text = u"Standard";
    parameter.number = 32;
    parameter.valueB = u"de-DE";
    return parameter;
}

StartupUpdateCheck::~StartupUpdateCheck() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void StartupUpdateCheck::Start(Check check, std::function<void()> onNewer) {
    if (m_thread.joinable()) {
        return;
    }
    m_thread = std::thread([check = std::move(check), onNewer = std::move(onNewer)] {
        try {
            if (check(MakeUpdateParameter()) == UpdateProvider::AutoUpdateResult::AUR_NEWER_VERSION) {
                onNewer();
            }
        } catch (...) {
            LogProvider::LogCurrentException();
        }
    });
}

void StartupUpdateCheck::Stop(const std::function<void()>& cancel) {
    if (!m_thread.joinable()) {
        return;
    }
    if (cancel) {
        cancel();
    }
    m_thread.join();
}

} // namespace Tarnwick::App
