#pragma once

#include <QString>

#include <functional>
#include <map>

namespace tamberlink {

class StoreConnection;

// What the missed-call follow-up reads and keeps: the call log in order, once at start-up,
// and the numbers the user marked "已处理" (table_followup_done, by the number's comparable
// form, with the newest call the mark covers).
class FollowUpTable {
public:
    // One call-log row as the follow-up weighs it.
    struct Call {
        int id = 0;
        QString phone;
        int type = 0;
        QString dateTime; // "2016/03/07 09:05:00"
    };

    explicit FollowUpTable(StoreConnection& connection)
        : connection_(connection) {}

    // Hands the call-log rows after `afterId` to `each`, oldest first, at most `limit` of
    // them; the number handed, or -1 when the read failed or was interrupted.
    int ForEachCall(int afterId, int limit, const std::function<void(const Call&)>& each);
    // The marks: comparable number -> id of the newest call the mark covers.
    std::map<QString, int> DoneMarks();
    bool MarkDone(const QString& key, int untilId);

private:
    StoreConnection& connection_;
};

} // namespace tamberlink
