#include "app/SingleInstanceApplication.h"

#include <cerrno>
#include <thread>

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>

#include "app/CommandBoundary.h"
#include "core/Path.h"
#include "base/exceptions/Exception.h"
#include "platform/UserSession.h"

namespace Tarnwick {

namespace {

constexpr QByteArrayView kRequest = "activate\n";
constexpr int kRequestWait = 2000;

} // namespace

std::filesystem::path SingleInstanceApplication::DefaultFolder() {
    return Platform::InstanceFolder(Core::Path::GetTemporaryPath());
}

SingleInstanceApplication::SingleInstanceApplication(std::filesystem::path folder, QObject* parent)
    : QObject(parent), m_folder(std::move(folder)) {}

SingleInstanceApplication::~SingleInstanceApplication() {
    if (m_server != nullptr) {
        m_server->close();
    }
    m_lock.Release();
}

std::filesystem::path SingleInstanceApplication::LockPath() const {
    return Platform::InstanceLockFile(m_folder);
}

QString SingleInstanceApplication::SocketPath() const {
    return QFile::decodeName((m_folder / (std::string(kName) + ".socket")).c_str());
}

bool SingleInstanceApplication::CreateInstance() {
    const Platform::SystemResult result = m_lock.TryAcquire(LockPath());
    if (result.Ok()) {
        return true;
    }
    if (result.error == EWOULDBLOCK) {
        return false;
    }
    throw Utilities::Exceptions::WindowsException(u"", result.error, result.function,
                                                  u"SingleInstanceApplication::CreateInstance");
}

void SingleInstanceApplication::Listen(std::function<int()> bringForward) {
    m_bringForward = std::move(bringForward);
    if (m_server == nullptr) {
        m_server = new QLocalServer(this);
        m_server->setSocketOptions(QLocalServer::UserAccessOption);
        connect(m_server, &QLocalServer::newConnection, this, &SingleInstanceApplication::OnNewConnection);
    }
    if (m_server->isListening()) {
        return;
    }
    // Only the lock holder gets here: a socket left behind by a crashed instance is stale.
    const QString path = SocketPath();
    QLocalServer::removeServer(path);
    if (!m_server->listen(path)) {
        throw Utilities::Exceptions::WindowsException(u"", static_cast<int>(m_server->serverError()), u"listen",
                                                      u"SingleInstanceApplication::Listen");
    }
}

void SingleInstanceApplication::OnNewConnection() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        unsigned peer = 0;
        if (!Platform::QueryPeerUser(static_cast<int>(socket->socketDescriptor()), peer).Ok() ||
            peer != Platform::EffectiveUser()) {
            socket->abort();
            continue;
        }
        // The request is one short line; it is read once it has arrived.
        QPointer<QLocalSocket> guarded(socket);
        connect(socket, &QLocalSocket::readyRead, this, [this, guarded]() {
            App::RunCommand(nullptr, {}, [&] {
                if (guarded == nullptr || !guarded->canReadLine()) {
                    return;
                }
                const QByteArray line = guarded->readLine(64);
                int answer = kBroughtForward;
                if (line == kRequest && m_bringForward) {
                    answer = m_bringForward();
                }
                if (guarded != nullptr) {
                    guarded->write(QByteArray::number(answer) + '\n');
                    guarded->flush();
                    guarded->disconnectFromServer();
                }
            });
        });
        if (socket->canReadLine()) {
            emit socket->readyRead();
        }
    }
}

int SingleInstanceApplication::AskRunningInstance(std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    QLocalSocket socket;
    for (;;) {
        socket.connectToServer(SocketPath());
        if (socket.waitForConnected(500)) {
            break;
        }
        socket.abort();
        if (std::chrono::steady_clock::now() >= deadline) {
            return kNoAnswer;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    socket.write(kRequest.data(), kRequest.size());
    if (!socket.waitForBytesWritten(kRequestWait)) {
        return kNoAnswer;
    }
    QByteArray answer;
    while (!answer.contains('\n')) {
        if (!socket.waitForReadyRead(kRequestWait)) {
            break;
        }
        answer += socket.readAll();
        if (answer.size() > 16) {
            return kNoAnswer;
        }
    }
    bool ok = false;
    const int value = answer.trimmed().toInt(&ok);
    return ok ? value : kNoAnswer;
}

} // namespace Tarnwick
