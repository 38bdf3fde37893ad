#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QThread>

#include <functional>
#include <mutex>
#include <vector>

namespace tamberlink::test {

// One delivery as the Node receiver saw it.
struct Delivery {
    QString path;
    QString id;
    bool verified = false;
    QString error;
    QJsonObject body;
    QString answer;
};

// The Node receiver (tests/webhooks/receiver), which verifies each delivery's signature
// with the standardwebhooks package and answers as it is told.
class WebhookReceiver {
public:
    WebhookReceiver() {
        process_.setProgram(QStringLiteral("node"));
        process_.setArguments({QStringLiteral(TAMBERLINK_RECEIVER_DIR "/receiver.js")});
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start();
        process_.waitForStarted(10000);
        Wait([this] { return port_ != 0; });
    }
    ~WebhookReceiver() {
        process_.closeWriteChannel();
        if (!process_.waitForFinished(3000)) {
            process_.kill();
            process_.waitForFinished();
        }
    }

    int Port() const { return port_; }
    QString Url(const QString& path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(path);
    }
    void Secret(const QString& path, const QString& secret) {
        Command(QStringLiteral("secret %1 %2").arg(path, secret));
    }
    // 200, 500, timeout, close, redirect, huge or partial.
    void Answer(const QString& answer) { Command(QStringLiteral("answer ") + answer); }

    std::vector<Delivery> Deliveries() {
        Read();
        return deliveries_;
    }
    // Waits, serving the event loop, until `done` holds; at most `ms`.
    bool Wait(const std::function<bool()>& done, int ms = 30000) {
        QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired()) {
            Read();
            if (done()) {
                return true;
            }
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            process_.waitForReadyRead(10);
        }
        Read();
        return done();
    }
    bool WaitForDeliveries(std::size_t count, int ms = 30000) {
        return Wait([&] { return deliveries_.size() >= count; }, ms);
    }

private:
    void Command(const QString& line) {
        const std::size_t before = commands_;
        process_.write((line + u'\n').toUtf8());
        process_.waitForBytesWritten(1000);
        Wait([&] { return commands_ > before; }, 5000);
    }
    void Read() {
        buffer_ += process_.readAllStandardOutput();
        qsizetype end = 0;
        while ((end = buffer_.indexOf('\n')) >= 0) {
            const QByteArray line = buffer_.left(end);
            buffer_.remove(0, end + 1);
            if (line.startsWith("listening ")) {
                port_ = line.mid(10).toInt();
                continue;
            }
            const QJsonObject object = QJsonDocument::fromJson(line).object();
            if (object.contains(QStringLiteral("command"))) {
                ++commands_;
                continue;
            }
            deliveries_.push_back(
                {object.value(QStringLiteral("path")).toString(),
                 object.value(QStringLiteral("id")).toString(),
                 object.value(QStringLiteral("verified")).toBool(),
                 object.value(QStringLiteral("error")).toString(),
                 QJsonDocument::fromJson(object.value(QStringLiteral("body")).toString().toUtf8())
                     .object(),
                 object.value(QStringLiteral("answer")).toString()});
        }
    }

    QProcess process_;
    QByteArray buffer_;
    int port_ = 0;
    std::size_t commands_ = 0;
    std::vector<Delivery> deliveries_;
};

} // namespace tamberlink::test
