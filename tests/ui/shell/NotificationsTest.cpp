// Missed calls and reminders on the desktop: a notification service of the test's own on a
// private session bus takes them, and its "回拨" dials back.
#include "../UiTestSupport.h"

#include "app/AppCore.h"
#include "ui/shell/DesktopNotices.h"
#include "ui/shell/DesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QSignalSpy>
#include <QVariantMap>

#include <gtest/gtest.h>

namespace tamberlink {

// The notification service as a desktop offers it, keeping what it was asked to show.
class NotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Shown {
        QString summary;
        QString body;
        QStringList actions;
    };
    std::vector<Shown> shown;

public slots:
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
                const QStringList& actions, const QVariantMap&, int) {
        shown.push_back({summary, body, actions});
        return uint(shown.size());
    }
    QStringList GetCapabilities() { return {QStringLiteral("actions"), QStringLiteral("body")}; }

signals:
    void ActionInvoked(uint id, const QString& action);
    void NotificationClosed(uint id, uint reason);
};

namespace {

// A session bus of the test's own, gone with it.
class PrivateBus {
public:
    PrivateBus() {
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"),
                       QStringLiteral("--print-address=1")});
        if (daemon_.waitForStarted(10000) && daemon_.waitForReadyRead(10000)) {
            address_ = QString::fromUtf8(daemon_.readLine().trimmed());
        }
    }
    ~PrivateBus() {
        daemon_.kill();
        daemon_.waitForFinished();
    }
    QDBusConnection Connect(const QString& name) const {
        return QDBusConnection::connectToBus(address_, name);
    }

private:
    QProcess daemon_;
    QString address_;
};

class NotificationsTest : public test::MainWindowFixture {};

TEST_F(NotificationsTest, AMissedCallIsAnnouncedAndItsCallBackDialsTheNumber) {
    PrivateBus bus;
    QDBusConnection service = bus.Connect(QStringLiteral("service"));
    ASSERT_TRUE(service.isConnected());
    NotificationServer server;
    ASSERT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &server,
                                       QDBusConnection::ExportAllSlots |
                                           QDBusConnection::ExportAllSignals));
    ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.Notifications")));

    DesktopNotifier notifier(bus.Connect(QStringLiteral("program")));
    std::vector<QString> fallback;
    notifier.SetFallback([&](const QString& title, const QString&) { fallback.push_back(title); });
    DesktopNotices notices(*core_, notifier);
    QSignalSpy callBack(&notifier, &DesktopNotifier::CallBackRequested);

    // An answered call says nothing; a missed one is announced with the caller and "回拨".
    ASSERT_TRUE(core_->AddCallLog(QStringLiteral("13800000000"), QString(), QString(), 3));
    ASSERT_TRUE(core_->AddCallLog(QStringLiteral("13912345678"), QString(), QString(), 5));
    ASSERT_TRUE(test::WaitFor([&] { return !server.shown.empty(); }));
    ASSERT_EQ(server.shown.size(), 1u);
    EXPECT_EQ(server.shown[0].summary, QStringLiteral("未接来电"));
    EXPECT_EQ(server.shown[0].body, QStringLiteral("13912345678"));
    EXPECT_EQ(server.shown[0].actions,
              (QStringList{QStringLiteral("callback"), QStringLiteral("回拨")}));
    emit server.ActionInvoked(1, QStringLiteral("callback"));
    ASSERT_TRUE(callBack.wait(5000));
    EXPECT_EQ(callBack.front().front().toString(), QStringLiteral("13912345678"));
    // A second click on a notification the service closed does nothing.
    emit server.NotificationClosed(1, 2);
    emit server.ActionInvoked(1, QStringLiteral("callback"));
    QTest::qWait(200);
    EXPECT_EQ(callBack.size(), 1);

    // Without a service the tray's message says it.
    service.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
    ASSERT_TRUE(core_->AddCallLog(QStringLiteral("13700000000"), QString(), QString(), 5));
    EXPECT_TRUE(test::WaitFor([&] { return !fallback.empty(); }));
    EXPECT_EQ(fallback, std::vector<QString>{QStringLiteral("未接来电")});
    EXPECT_EQ(server.shown.size(), 1u);
}

} // namespace
} // namespace tamberlink

#include "NotificationsTest.moc"
