#include "store/CallAttemptTable.h"

#include "store/StoreConnection.h"

namespace tamberlink {

int CallAttemptTable::Add(const CallAttempt& attempt) {
    const auto lock = connection_.Lock();
    SqlStatement insert =
        connection_.Prepare("insert into table_call_attempt(time, number, outcome, remark, "
                            "file, row) values(?, ?, ?, ?, ?, ?)");
    insert.BindInt64(1, attempt.time)
        .Bind(2, attempt.number)
        .Bind(3, attempt.outcome)
        .Bind(4, attempt.remark)
        .Bind(5, attempt.file)
        .Bind(6, attempt.row);
    return connection_.Insert(insert, "保存拨号结果失败：");
}

bool CallAttemptTable::Delete(int id) {
    const auto lock = connection_.Lock();
    SqlStatement remove = connection_.Prepare("delete from table_call_attempt where id=?");
    remove.Bind(1, id);
    return connection_.Run(remove, "撤销拨号结果失败：");
}

std::vector<CallAttempt> CallAttemptTable::ForNumber(const QString& number) {
    const auto lock = connection_.Lock();
    SqlStatement query =
        connection_.Prepare("select id, time, number, outcome, remark, file, row from "
                            "table_call_attempt where number=? order by id");
    query.Bind(1, number);
    std::vector<CallAttempt> attempts;
    while (query.Next()) {
        attempts.push_back({query.Int(0), query.Int64(1), query.Text(2), query.Int(3),
                            query.Text(4), query.Text(5), query.Int(6)});
    }
    return attempts;
}

bool CallAttemptTable::SaveCampaign(const QString& state) {
    const auto lock = connection_.Lock();
    if (state.isEmpty()) {
        return connection_.Exec("delete from table_dial_campaign", "保存连续拨号进度失败：");
    }
    if (!connection_.Exec("begin immediate", "保存连续拨号进度失败：")) {
        return false;
    }
    SqlStatement save =
        connection_.Prepare("insert or replace into table_dial_campaign(id, state) values(1, ?)");
    save.Bind(1, state);
    const bool saved =
        connection_.Run(save, "保存连续拨号进度失败：") &&
        connection_.Exec("delete from table_dial_campaign where id=2", "保存连续拨号进度失败：");
    connection_.Exec(saved ? "commit" : "rollback");
    return saved;
}

bool CallAttemptTable::SaveCampaignChanges(const QString& changes) {
    const auto lock = connection_.Lock();
    SqlStatement save =
        connection_.Prepare("insert or replace into table_dial_campaign(id, state) values(2, ?)");
    save.Bind(1, changes);
    return connection_.Run(save, "保存连续拨号进度失败：");
}

QString CallAttemptTable::LoadCampaignChanges() {
    const auto lock = connection_.Lock();
    SqlStatement query = connection_.Prepare("select state from table_dial_campaign where id=2");
    return query.Next() ? query.Text(0) : QString();
}

std::optional<QString> CallAttemptTable::LoadCampaign() {
    const auto lock = connection_.Lock();
    SqlStatement query = connection_.Prepare("select state from table_dial_campaign where id=1");
    if (!query.Next()) {
        return std::nullopt;
    }
    return query.Text(0);
}

} // namespace tamberlink
