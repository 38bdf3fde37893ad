#pragma once

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

namespace tamberlink {

// Tells the user through the desktop's notification service (org.freedesktop.Notifications on
// the session bus), so that a missed call or a reminder reaches them with the window hidden: a
// missed call offers "回拨", which asks for the number to be dialled. The desktop's
// do-not-disturb is the service's to keep. Where there is no service, or it refuses, the
// fallback (the tray icon's message) says it instead.
class DesktopNotifier : public QObject {
    Q_OBJECT

public:
    using Fallback = std::function<void(const QString& title, const QString& text)>;

    explicit DesktopNotifier(QDBusConnection bus = QDBusConnection::sessionBus(),
                             QObject* parent = nullptr);

    void SetFallback(Fallback fallback) { fallback_ = std::move(fallback); }

    // "未接来电": who called, with "回拨".
    void MissedCall(const QString& name, const QString& number);
    // "笔记提醒": the note's text.
    void Reminder(const QString& text);
    // "短信发送失败": to whom.
    void SmsFailed(const QStringList& numbers);

signals:
    // "回拨" of a missed call's notification.
    void CallBackRequested(const QString& number);

private slots:
    // The service's signals, connected by name as D-Bus requires.
    void OnActionInvoked(uint id, const QString& action);
    void OnClosed(uint id, uint reason);

private:
    // Shows a notification; `number`, when given, is what its "回拨" dials.
    void Notify(const QString& title, const QString& text, const QString& number);

    QDBusConnection bus_;
    Fallback fallback_;
    // The numbers of the notifications shown that offer "回拨", by the service's id.
    QHash<uint, QString> callBacks_;
};

} // namespace tamberlink
