#include "store/DoNotCallTable.h"

#include "store/StoreConnection.h"

namespace tamberlink {

std::vector<DoNotCallEntry> DoNotCallTable::Load() {
    const auto lock = connection_.Lock();
    SqlStatement query = connection_.Prepare(
        "select number, source, created, rowid from table_do_not_call order by rowid desc");
    std::vector<DoNotCallEntry> entries;
    while (query.Next()) {
        entries.push_back({query.Text(0), query.Text(1), query.Int64(2), query.Int(3)});
    }
    return entries;
}

bool DoNotCallTable::Contains(const QString& number) {
    const auto lock = connection_.Lock();
    SqlStatement query = connection_.Prepare("select 1 from table_do_not_call where number=?");
    query.Bind(1, number);
    return query.Next();
}

bool DoNotCallTable::Add(const DoNotCallEntry& entry) {
    const auto lock = connection_.Lock();
    SqlStatement insert = connection_.Prepare(
        "insert or ignore into table_do_not_call(number, source, created) values(?, ?, ?)");
    insert.Bind(1, entry.number).Bind(2, entry.source).BindInt64(3, entry.created);
    return connection_.Run(insert, "保存免打扰号码失败：") && connection_.Changes() > 0;
}

int DoNotCallTable::AddAll(const std::vector<DoNotCallEntry>& entries) {
    const auto lock = connection_.Lock();
    if (!connection_.Exec("begin immediate transaction", "导入免打扰号码失败：")) {
        return 0;
    }
    SqlStatement insert = connection_.Prepare(
        "insert or ignore into table_do_not_call(number, source, created) values(?, ?, ?)");
    int added = 0;
    for (const DoNotCallEntry& entry : entries) {
        insert.Reset();
        insert.Bind(1, entry.number).Bind(2, entry.source).BindInt64(3, entry.created);
        if (!connection_.Run(insert, "导入免打扰号码失败：")) {
            connection_.Exec("rollback transaction");
            return 0;
        }
        added += connection_.Changes();
    }
    return connection_.Exec("commit transaction", "导入免打扰号码失败：") ? added : 0;
}

bool DoNotCallTable::Remove(const QString& number) {
    const auto lock = connection_.Lock();
    SqlStatement remove = connection_.Prepare("delete from table_do_not_call where number=?");
    remove.Bind(1, number);
    return connection_.Run(remove, "删除免打扰号码失败：");
}

} // namespace tamberlink
