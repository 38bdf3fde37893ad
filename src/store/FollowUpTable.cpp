#include "store/FollowUpTable.h"

#include "store/StoreConnection.h"

#include <sqlite3.h>

namespace tamberlink {

int FollowUpTable::ForEachCall(int afterId, int limit,
                               const std::function<void(const Call&)>& each) {
    const auto lock = connection_.Lock();
    SqlStatement rows = connection_.Prepare(
        "select id, phone, type, date_time from table_log where id>? order by id limit ?");
    rows.Bind(1, afterId).Bind(2, limit);
    Call call;
    int count = 0;
    while (rows.Next()) {
        call.id = rows.Int(0);
        call.phone = rows.Text(1);
        call.type = rows.Int(2);
        call.dateTime = rows.Text(3);
        each(call);
        ++count;
    }
    const int status = sqlite3_errcode(connection_.Handle());
    return status == SQLITE_DONE || status == SQLITE_OK ? count : -1;
}

std::map<QString, int> FollowUpTable::DoneMarks() {
    const auto lock = connection_.Lock();
    std::map<QString, int> marks;
    SqlStatement rows = connection_.Prepare("select phone_key, until_id from table_followup_done");
    while (rows.Next()) {
        marks[rows.Text(0)] = rows.Int(1);
    }
    return marks;
}

bool FollowUpTable::MarkDone(const QString& key, int untilId) {
    const auto lock = connection_.Lock();
    SqlStatement upsert =
        connection_.Prepare("insert into table_followup_done(phone_key, until_id) values(?, ?) "
                            "on conflict(phone_key) do update set until_id=excluded.until_id");
    upsert.Bind(1, key).Bind(2, untilId);
    return connection_.Run(upsert, "保存已处理的未接来电失败：");
}

} // namespace tamberlink
