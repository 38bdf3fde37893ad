#pragma once

#include "store/FollowUpTable.h"

#include <QHash>
#include <QString>

#include <deque>
#include <map>
#include <optional>
#include <vector>

namespace tamberlink {

// The missed calls to follow up, worked out from the call log row by row: a missed call
// (type 5) waits until a later call with its number, either way and on either line, reaches
// it, or until the user marks the number done. A landline call that rang (type 3) counts
// once it is clear it was not the same call the box then reported missed: when another
// call with the number follows, or kRingGrace has passed.
class FollowUpState {
public:
    struct Waiting {
        int lastId = 0; // the newest missed call
        int missed = 0; // missed calls since the number was last reached
    };

    // How long after a landline ring its missed-call report may still come.
    static constexpr qint64 kRingGrace = 120;

    // Seconds since 1970 of a call-log time ("2016/03/07 09:05:00", local time); -1 when
    // the text is no such time. mktime reads the zone file again on every call, so the zone
    // is asked once for each day, and on a day the clocks change once for each time. The
    // offsets are forgotten once the log is read, so that a later change of zone is seen.
    qint64 Seconds(const QString& dateTime);
    void ForgetOffsets() { offsets_.clear(); }

    void SetDoneMarks(const std::map<QString, int>& marks);
    // One call-log row, in the order of ids. True when the waiting numbers changed.
    bool Apply(const FollowUpTable::Call& call);
    // Counts the rings older than kRingGrace at `now` (seconds since 1970). True when the
    // waiting numbers changed.
    bool Settle(qint64 now);
    // The number `key` was handled up to the call `untilId`. True when it was waiting.
    bool MarkDone(const QString& key, int untilId);

    int LastId() const { return lastId_; }
    int Count() const { return int(waiting_.size()); }
    std::optional<Waiting> Find(const QString& key) const;
    // The newest missed call of each waiting number, newest first.
    std::deque<int> WaitingIds() const;

private:
    // A number's comparable form as a key: its digits as one integer when it is digits alone
    // (it never starts with 0) and short enough, otherwise a number handed out to that text.
    // A log of years holds hundreds of thousands of numbers, and text keys would cost
    // several times as much.
    using Key = quint64;
    static constexpr Key kTextKey = Key(1) << 63;
    Key KeyOf(const QString& comparable);
    std::optional<Key> FindKey(const QString& comparable) const;

    // The number was reached: it leaves the list.
    bool Reached(const Key& key);
    // Takes the missed call `id` out of order_.
    void Unlist(int id);

    QHash<Key, Waiting> waiting_;
    // The newest missed call of each waiting number, ascending, so that the list's order
    // needs no sorting.
    std::vector<int> order_;
    // The landline rings not yet counted: when each rang, by number.
    QHash<Key, qint64> rings_;
    QHash<Key, int> done_;
    QHash<QString, Key> textKeys_;
    // Each day's offset from UTC in seconds, by Julian day; kClocksChange on a day it changes.
    QHash<qint64, int> offsets_;
    int lastId_ = 0;
};

} // namespace tamberlink
