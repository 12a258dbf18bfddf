#include "single_instance_guard.h"

#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace drovalin {

namespace {

const QByteArray kActivateRequest = "activate\n";
const QByteArray kActivatedReply = "activated\n";
// A peer that sends more than this without a line end is not one of ours.
constexpr qint64 kMaxRequestBytes = 64;

// Per user: the runtime directory is the user's own; the temporary one is shared, hence the uid in the key.
QString LockDirectory() {
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) return QDir::tempPath();
    const QString directory = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return directory.isEmpty() ? QDir::tempPath() : directory;
}

void ServeRequest(QLocalSocket* socket, const std::function<void()>& activate) {
    while (socket->canReadLine()) {
        if (socket->readLine() != kActivateRequest) {
            socket->abort();
            return;
        }
        activate();
        socket->write(kActivatedReply);
        socket->flush();
    }
    if (socket->bytesAvailable() > kMaxRequestBytes) socket->abort();
}

}  // namespace

SingleInstanceGuard::SingleInstanceGuard(const QString& key)
    : directory_(LockDirectory()), key_(key), lock_(LockFilePath()) {
    // The lock is held for the whole run, so only a dead holder makes it stale, never its age.
    lock_.setStaleLockTime(0);
}

SingleInstanceGuard::~SingleInstanceGuard() = default;

QString SingleInstanceGuard::DefaultKey() { return QStringLiteral("drovalin-%1").arg(::getuid()); }

QString SingleInstanceGuard::LockFilePath() const { return directory_ + QLatin1Char('/') + key_ + ".lock"; }

QString SingleInstanceGuard::SocketPath() const { return directory_ + QLatin1Char('/') + key_ + ".socket"; }

bool SingleInstanceGuard::TryBecomePrimary() {
    if (lock_.isLocked() || lock_.tryLock(0)) return true;
    if (lock_.error() != QLockFile::LockFailedError) return true;
    // The holder's PID may have been reused by another process; removing the file fails while a live
    // instance still holds its lock on it.
    return lock_.removeStaleLockFile() && lock_.tryLock(0);
}

bool SingleInstanceGuard::Listen(std::function<void()> activate) {
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket file left by a crashed instance would block listening; holding the lock makes it ours.
    QLocalServer::removeServer(SocketPath());
    if (!server_->listen(SocketPath())) {
        server_.reset();
        return false;
    }
    QLocalServer* server = server_.get();
    QObject::connect(server, &QLocalServer::newConnection, server, [server, activate = std::move(activate)] {
        while (QLocalSocket* socket = server->nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QLocalSocket::readyRead, socket,
                             [socket, activate] { ServeRequest(socket, activate); });
            ServeRequest(socket, activate);
        }
    });
    return true;
}

bool SingleInstanceGuard::ActivatePrimary(int timeoutMs) const {
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    // The primary may hold the lock a moment before it listens.
    for (;;) {
        socket.connectToServer(SocketPath());
        if (socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) break;
        if (deadline.hasExpired()) return false;
        QThread::msleep(50);
    }
    socket.write(kActivateRequest);
    socket.flush();
    while (!socket.canReadLine()) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            return false;
    }
    return socket.readLine() == kActivatedReply;
}

}  // namespace drovalin
