#include "ui/shell/DesktopNotifier.h"

#include "ui/widgets/UiLog.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace tamberlink {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kCallBack = QStringLiteral("callback");
// The service's own time for how long a notification stays.
constexpr int kServerTimeout = -1;

} // namespace

DesktopNotifier::DesktopNotifier(QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , bus_(std::move(bus)) {
    if (bus_.isConnected()) {
        bus_.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                     SLOT(OnActionInvoked(uint, QString)));
        bus_.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                     SLOT(OnClosed(uint, uint)));
    }
}

void DesktopNotifier::MissedCall(const QString& name, const QString& number) {
    const QString who = name.isEmpty() || name == number ? number : name + u' ' + number;
    Notify(QStringLiteral("未接来电"), who, number);
}

void DesktopNotifier::Reminder(const QString& text) {
    Notify(QStringLiteral("笔记提醒"), text, QString());
}

void DesktopNotifier::SmsFailed(const QStringList& numbers) {
    Notify(QStringLiteral("短信发送失败"),
           QStringLiteral("发给 %1 的短信没有送到手机，请连接设备后重新发送")
               .arg(numbers.join(QStringLiteral("、"))),
           QString());
}

void DesktopNotifier::Notify(const QString& title, const QString& text, const QString& number) {
    const auto fallBack = [this, title, text] {
        if (fallback_) {
            fallback_(title, text);
        }
    };
    if (!bus_.isConnected()) {
        fallBack();
        return;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    const QStringList actions =
        number.isEmpty() ? QStringList() : QStringList{kCallBack, QStringLiteral("回拨")};
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("com.tamberlink.Tamberlink"));
    hints.insert(QStringLiteral("category"),
                 number.isEmpty() ? QStringLiteral("im") : QStringLiteral("call.missed"));
    call << QStringLiteral("Tamberlink") << uint(0) << QStringLiteral("tamberlink") << title << text
         << actions << hints << kServerTimeout;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, number, fallBack] {
        const QDBusPendingReply<uint> reply = *watcher;
        watcher->deleteLater();
        if (reply.isError()) {
            qCWarning(lcUi) << "the desktop's notifications refused:" << reply.error().message();
            fallBack();
            return;
        }
        if (!number.isEmpty()) {
            callBacks_.insert(reply.value(), number);
        }
    });
}

void DesktopNotifier::OnActionInvoked(uint id, const QString& action) {
    const auto found = callBacks_.constFind(id);
    if (found != callBacks_.constEnd() && action == kCallBack) {
        const QString number = *found;
        callBacks_.remove(id);
        emit CallBackRequested(number);
    }
}

void DesktopNotifier::OnClosed(uint id, uint) {
    callBacks_.remove(id);
}

} // namespace tamberlink
