#include "ui/calls/CallContext.h"

#include "app/AppCore.h"
#include "ui/widgets/Controls.h"
#include "util/PhoneNumber.h"

#include <QStringList>

namespace tamberlink {

namespace {

constexpr int kNoteLength = 24;

} // namespace

QString CallContext::TypeText(int type) {
    switch (type) {
    case 1:
        return QStringLiteral("手机来电");
    case 2:
        return QStringLiteral("手机去电");
    case 3:
        return QStringLiteral("固话来电");
    case 4:
        return QStringLiteral("固话去电");
    default:
        return QString();
    }
}

QString CallContext::When(const QString& dateTime, const QDateTime& now) {
    const QDateTime at = QDateTime::fromString(dateTime, QStringLiteral("yyyy/MM/dd HH:mm:ss"));
    if (!at.isValid()) {
        return dateTime;
    }
    const QString day = at.date().year() == now.date().year()
                            ? QStringLiteral("%1月%2日").arg(at.date().month()).arg(at.date().day())
                            : QStringLiteral("%1年%2月%3日")
                                  .arg(at.date().year())
                                  .arg(at.date().month())
                                  .arg(at.date().day());
    return day + u' ' + at.toString(QStringLiteral("HH:mm"));
}

QString CallContext::For(AppCore& core, const QString& number, const QDateTime& now) {
    const QString key = PhoneNumber::Comparable(number);
    if (key.isEmpty()) {
        return QString();
    }
    QStringList parts;
    if (const auto last = core.Database().NumberHistory().Last(key)) {
        parts << QStringLiteral("上次通话 %1，%2")
                     .arg(When(last->dateTime, now),
                          last->type == 5 ? QStringLiteral("未接通") : TypeText(last->type));
    } else {
        parts << QStringLiteral("第一次通话");
    }
    if (const auto waiting = core.FollowUp().Find(number)) {
        parts << QStringLiteral("待回拨（未接 %1 次）").arg(waiting->missed);
    }
    QString line = parts.join(QStringLiteral("，"));
    if (const QString note = core.Database().NumberHistory().LatestNote(key); !note.isEmpty()) {
        line += QStringLiteral("\n笔记：") + ShortenText(OneLine(note), kNoteLength);
    }
    return line;
}

} // namespace tamberlink
