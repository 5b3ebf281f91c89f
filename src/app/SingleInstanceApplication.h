#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>

#include <QObject>
#include <QString>

#include "platform/InstanceLock.h"
#include "platform/UserSession.h"

class QLocalServer;

namespace Tarnwick {

// One running instance per user session. The first instance takes a lock file in the
// session's runtime folder (one atomic step, so two instances started at the same moment
// cannot both win) and answers on a local socket that only the same user can reach; a later
// instance finds the lock taken, asks the first to come forward and ends.
class SingleInstanceApplication : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kName = Platform::kInstanceName;
    // Answers of the running instance.
    static constexpr int kBroughtForward = 0;
    static constexpr int kInTray = 1;
    static constexpr int kNoAnswer = -1;

    // The runtime folder: $XDG_RUNTIME_DIR when it is private to the user, else the
    // program's private temporary folder.
    static std::filesystem::path DefaultFolder();

    explicit SingleInstanceApplication(std::filesystem::path folder, QObject* parent = nullptr);
    ~SingleInstanceApplication() override;

    // Takes the lock: true for the first instance, false when another one holds it. Throws
    // WindowsException (context "SingleInstanceApplication::CreateInstance") when the lock
    // cannot be made at all.
    bool CreateInstance();
    // The first instance starts answering; bringForward is asked on each request and its
    // answer sent back. Throws WindowsException when the socket cannot be set up.
    void Listen(std::function<int()> bringForward);
    // A later instance asks the running one to come forward; its answer or kNoAnswer. Tries
    // to reach it for up to timeout (the first instance may still be starting). Blocks.
    int AskRunningInstance(std::chrono::milliseconds timeout) const;

    bool IsHeld() const noexcept { return m_lock.IsHeld(); }
    std::filesystem::path LockPath() const;
    QString SocketPath() const;

private:
    void OnNewConnection();

    std::filesystem::path m_folder;
    Platform::InstanceLock m_lock;
    QLocalServer* m_server = nullptr;
    std::function<int()> m_bringForward;
};

} // namespace Tarnwick
