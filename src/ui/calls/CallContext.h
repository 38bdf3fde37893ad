#pragma once

#include <QDateTime>
#include <QString>

namespace tamberlink {

class AppCore;

// The line of context a call popup shows for a number: the last contact with it ("上次通话
// 12月8日 10:02，未接通"), its missed calls still waiting to be called back, and its latest
// note. Read by index from the core's connection, well under a millisecond.
class CallContext {
public:
    static QString For(AppCore& core, const QString& number,
                       const QDateTime& now = QDateTime::currentDateTime());
    // "12月8日 10:02" within the year of `now`, "2025年12月8日 10:02" otherwise.
    static QString When(const QString& dateTime, const QDateTime& now);
    // What a call of the log's `type` 1 to 4 was ("固话来电", ...); empty for other types.
    static QString TypeText(int type);
};

} // namespace tamberlink
