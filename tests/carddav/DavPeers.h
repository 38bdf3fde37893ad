#pragma once

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <cstdint>

namespace tamberlink::test {

// A loopback port nobody listens on now.
inline std::uint16_t FreePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

inline bool WaitForPort(std::uint16_t port, const QProcess& process, int limitMs = 30000) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < limitMs && process.state() == QProcess::Running) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, port);
        if (socket.waitForConnected(200)) {
            return true;
        }
        QThread::msleep(100);
    }
    return false;
}

inline void StopProcess(QProcess& process) {
    if (process.state() != QProcess::NotRunning) {
        process.terminate();
        if (!process.waitForFinished(10000)) {
            process.kill();
            process.waitForFinished(10000);
        }
    }
}

// Radicale on a free loopback port with a folder of its own and one htpasswd user, kUser
// with the password kPassword, whose address book "contacts" exists from the start. The
// storage outlives a Stop, so that a later Start serves the same cards.
class Radicale {
public:
    static constexpr const char* kUser = "anna";
    static constexpr const char* kPassword = "Zq7-secret-pass";

    Radicale() {
        QDir root(dir_.path());
        root.mkpath(QStringLiteral("collections/collection-root/anna/contacts"));
        QFile props(root.filePath(
            QStringLiteral("collections/collection-root/anna/contacts/.Radicale.props")));
        props.open(QIODevice::WriteOnly);
        props.write(R"({"tag": "VADDRESSBOOK", "D:displayname": "联系人"})");
        props.close();
        QFile users(root.filePath(QStringLiteral("users")));
        users.open(QIODevice::WriteOnly);
        users.write(QByteArray(kUser) + ":" + kPassword + "\n");
    }
    ~Radicale() { Stop(); }

    bool Start() {
        if (port_ == 0) {
            port_ = FreePort();
        }
        QFile config(QDir(dir_.path()).filePath(QStringLiteral("config")));
        config.open(QIODevice::WriteOnly | QIODevice::Truncate);
        config.write(QStringLiteral("[server]\nhosts = 127.0.0.1:%1\n[auth]\ntype = htpasswd\n"
                                    "htpasswd_filename = %2/users\nhtpasswd_encryption = plain\n"
                                    "delay = 0\n[storage]\nfilesystem_folder = %2/collections\n"
                                    "[rights]\ntype = owner_only\n[logging]\nlevel = warning\n")
                         .arg(port_)
                         .arg(dir_.path())
                         .toUtf8());
        config.close();
        process_.setProgram(QStringLiteral(TAMBERLINK_PYTHON));
        process_.setArguments({QStringLiteral("-m"), QStringLiteral("radicale"),
                               QStringLiteral("--config"), config.fileName()});
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start();
        return process_.waitForStarted(20000) && WaitForPort(port_, process_);
    }
    void Stop() { StopProcess(process_); }

    // Where the address book's cards lie, one file each, while the server is stopped.
    QString BookFolder() const {
        return QDir(dir_.path())
            .filePath(QStringLiteral("collections/collection-root/anna/contacts"));
    }
    QString Root() const { return QStringLiteral("http://127.0.0.1:%1/").arg(port_); }
    QString Book() const { return Root() + QStringLiteral("anna/contacts/"); }

    // Runs peer.py on the book; its output, trimmed. `ok` says whether it exited with 0.
    QString Peer(const QStringList& arguments, const QByteArray& input = {},
                 bool* ok = nullptr) const {
        QProcess peer;
        peer.setProgram(QStringLiteral(TAMBERLINK_PYTHON));
        peer.setArguments(QStringList{QStringLiteral(CARDDAV_PEER_SCRIPT), Book(),
                                      QString::fromLatin1(kUser), QString::fromLatin1(kPassword)} +
                          arguments);
        peer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        peer.start();
        peer.write(input);
        peer.closeWriteChannel();
        peer.waitForFinished(60000);
        if (ok != nullptr) {
            *ok = peer.exitStatus() == QProcess::NormalExit && peer.exitCode() == 0;
        }
        return QString::fromUtf8(peer.readAllStandardOutput()).trimmed();
    }

private:
    QTemporaryDir dir_;
    QProcess process_;
    std::uint16_t port_ = 0;
};

} // namespace tamberlink::test
