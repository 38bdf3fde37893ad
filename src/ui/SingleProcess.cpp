#include "ui/SingleProcess.h"

#include "ui/UiLog.h"

#include <QLocalServer>
#include <QLocalSocket>

#include <pwd.h>
#include <unistd.h>

namespace tamberlink {

namespace {
constexpr int kConnectTimeoutMs = 1000;
constexpr QByteArrayView kShowRequest = "show\n";
} // namespace

SingleProcess::SingleProcess(QObject* parent)
    : QObject(parent) {}

QString SingleProcess::ServerName() {
    const passwd* user = ::getpwuid(::getuid());
    const QString name =
        user != nullptr ? QString::fromLocal8Bit(user->pw_name) : QString::number(::getuid());
    return QStringLiteral("SinglePro-") + name;
}

bool SingleProcess::AskRunningToShow() {
    QLocalSocket socket;
    socket.connectToServer(ServerName());
    if (!socket.waitForConnected(kConnectTimeoutMs)) {
        return false;
    }
    socket.write(kShowRequest.data(), kShowRequest.size());
    socket.waitForBytesWritten(kConnectTimeoutMs);
    socket.disconnectFromServer();
    return true;
}

bool SingleProcess::Acquire() {
    if (AskRunningToShow()) {
        return false;
    }
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(ServerName())) {
        // Nobody answered, so the socket file is left over from a process that died.
        QLocalServer::removeServer(ServerName());
        if (!server_->listen(ServerName())) {
            // Another start won the race between our two attempts.
            if (AskRunningToShow()) {
                return false;
            }
            qCWarning(lcUi) << "cannot listen on" << ServerName() << server_->errorString();
            return true;
        }
    }
    connect(server_, &QLocalServer::newConnection, this, &SingleProcess::OnNewConnection);
    return true;
}

void SingleProcess::OnNewConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto read = [this, socket] {
            if (socket->readAll().contains('\n')) {
                emit ShowRequested();
            }
        };
        connect(socket, &QLocalSocket::readyRead, this, read);
        if (socket->bytesAvailable() > 0) {
            read();
        }
    }
}

} // namespace tamberlink
