#include "gui/SingleInstance.h"

#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

namespace korvance {

namespace {

constexpr const char* kRaise = "raise\n";

QString runtimeFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) folder = QDir::tempPath();
    return folder;
}

}  // namespace

SingleInstance::SingleInstance(const QString& folder) : folder_(folder.isEmpty() ? runtimeFolder() : folder) {}

SingleInstance::~SingleInstance() {
    if (server_) server_->close();
    if (lock_) lock_->unlock();
}

QString SingleInstance::lockPath() const { return QDir(folder_).filePath("korvance.lock"); }
QString SingleInstance::socketPath() const { return QDir(folder_).filePath("korvance.socket"); }

bool SingleInstance::acquire() {
    QDir().mkpath(folder_);
    lock_ = std::make_unique<QLockFile>(lockPath());
    // A lock left by a process that no longer runs is taken over (Qt checks the
    // process id written in it); a live holder is never treated as stale.
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(0)) {
        lock_.reset();
        askFirstToRaise();
        return false;
    }
    // The socket of an instance that crashed may still be there.
    QLocalServer::removeServer(socketPath());
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (server_->listen(socketPath())) {
        QObject::connect(server_.get(), &QLocalServer::newConnection, server_.get(), [this] {
            while (QLocalSocket* socket = server_->nextPendingConnection()) {
                QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
                QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
                    if (socket->readAll().contains("raise") && raise_) raise_();
                });
            }
        });
    }
    return true;
}

bool SingleInstance::askFirstToRaise() const {
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (!socket.waitForConnected(2000)) return false;
    socket.write(kRaise);
    const bool written = socket.waitForBytesWritten(2000);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(1000);
    return written;
}

}  // namespace korvance
