#include "ui/shell/SingleProcess.h"

#include "ui/shell/DialLink.h"
#include "ui/widgets/UiLog.h"

#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>

#include <pwd.h>
#include <unistd.h>

namespace tamberlink {

namespace {
constexpr int kConnectTimeoutMs = 1000;
constexpr QByteArrayView kShowRequest = "show";
constexpr QByteArrayView kOfferRequest = "offer ";
// No request is longer (a path is at most 4096 bytes); a connection that sends more without a
// line end is dropped.
constexpr qsizetype kLongestRequest = 4200;
constexpr QByteArrayView kOkReply = "ok ";
} // namespace

SingleProcess::SingleProcess(QObject* parent)
    : QObject(parent) {}

QString SingleProcess::ServerName() {
    const passwd* user = ::getpwuid(::getuid());
    const QString name =
        user != nullptr ? QString::fromLocal8Bit(user->pw_name) : QString::number(::getuid());
    return QStringLiteral("SinglePro-") + name;
}

bool SingleProcess::AskRunningToShow(const QString& number) {
    QLocalSocket socket;
    socket.connectToServer(ServerName());
    if (!socket.waitForConnected(kConnectTimeoutMs)) {
        return false;
    }
    QByteArray request = number.isEmpty() ? kShowRequest.toByteArray()
                                          : kOfferRequest.toByteArray() + number.toUtf8();
    request += '\n';
    socket.write(request);
    socket.waitForBytesWritten(kConnectTimeoutMs);
    socket.disconnectFromServer();
    return true;
}

std::optional<CommandReply> SingleProcess::AskRunning(const ContactFileCommand& command,
                                                      int limitMs) {
    QLocalSocket socket;
    socket.connectToServer(ServerName());
    if (!socket.waitForConnected(kConnectTimeoutMs)) {
        return std::nullopt;
    }
    socket.write(command.ToLine() + '\n');
    QElapsedTimer waited;
    waited.start();
    while (!socket.canReadLine() && waited.elapsed() < limitMs &&
           socket.state() == QLocalSocket::ConnectedState) {
        socket.waitForReadyRead(int(limitMs - waited.elapsed()));
    }
    if (!socket.canReadLine()) {
        return std::nullopt;
    }
    const QByteArray line = socket.readLine().trimmed();
    const bool ok = line.startsWith(kOkReply);
    return CommandReply{ok, QString::fromUtf8(line.mid(line.indexOf(' ') + 1))};
}

bool SingleProcess::Acquire(const QString& number) {
    if (AskRunningToShow(number)) {
        return false;
    }
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(ServerName())) {
        // Nobody answered, so the socket file is left over from a process that died.
        QLocalServer::removeServer(ServerName());
        if (!server_->listen(ServerName())) {
            // Another start won the race between our two attempts.
            if (AskRunningToShow(number)) {
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
        auto drop = [socket] {
            qCWarning(lcUi) << "dropping an overlong request of another start";
            socket->abort();
        };
        auto read = [this, socket, drop] {
            while (socket->canReadLine()) {
                const QByteArray line = socket->readLine();
                if (line.size() > kLongestRequest) {
                    drop();
                    return;
                }
                HandleRequest(*socket, line.trimmed());
            }
            // What is left is the start of a line, which must end within the limit.
            if (socket->bytesAvailable() > kLongestRequest) {
                drop();
            }
        };
        connect(socket, &QLocalSocket::readyRead, this, read);
        if (socket->bytesAvailable() > 0) {
            read();
        }
    }
}

void SingleProcess::HandleRequest(QLocalSocket& socket, const QByteArray& line) {
    if (const std::optional<ContactFileCommand> command = ContactFileCommand::FromLine(line)) {
        // A sync's line may carry a password: never logged.
        if (command->kind == ContactFileCommand::Kind::Sync) {
            qCDebug(lcUi) << "another start asks for a sync of the contacts";
        } else {
            qCDebug(lcUi) << "another start hands over a contact file:" << line;
        }
        const CommandReply reply =
            fileHandler_ ? fileHandler_(*command) : CommandReply{false, QStringLiteral("busy")};
        QByteArray answer =
            (reply.ok ? kOkReply.toByteArray() : QByteArray("error ")) + reply.summary.toUtf8();
        answer.replace('\n', ' ');
        socket.write(answer + '\n');
        socket.flush();
        return;
    }
    // Whatever another start asks, the window comes up; a number it hands over is cleaned
    // again here, as it came from outside.
    const QString number =
        line.startsWith(kOfferRequest)
            ? NumberFromDialLink(QString::fromUtf8(line.mid(kOfferRequest.size())))
            : QString();
    qCDebug(lcUi) << "another start asks to show the window" << number;
    emit ShowRequested(number);
}

} // namespace tamberlink
