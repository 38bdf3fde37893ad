#include "store/NuisanceWhitelistTable.h"

#include "store/StoreConnection.h"

namespace tamberlink {

std::vector<NuisanceWhitelistEntry> NuisanceWhitelistTable::Load() {
    const auto lock = connection_.Lock();
    SqlStatement query = connection_.Prepare(
        "select id, number, note, created from table_nuisance_whitelist order by id");
    std::vector<NuisanceWhitelistEntry> entries;
    while (query.Next()) {
        entries.push_back({query.Int(0), query.Text(1), query.Text(2), query.Int64(3)});
    }
    return entries;
}

int NuisanceWhitelistTable::Add(const NuisanceWhitelistEntry& entry) {
    const auto lock = connection_.Lock();
    {
        SqlStatement existing =
            connection_.Prepare("select id from table_nuisance_whitelist where number=?");
        existing.Bind(1, entry.number);
        if (existing.Next()) {
            return existing.Int(0);
        }
    }
    SqlStatement insert = connection_.Prepare(
        "insert into table_nuisance_whitelist(number, note, created) values(?, ?, ?)");
    insert.Bind(1, entry.number).Bind(2, entry.note).BindInt64(3, entry.created);
    return connection_.Insert(insert, "保存白名单失败：");
}

bool NuisanceWhitelistTable::Delete(const std::vector<int>& ids) {
    const auto lock = connection_.Lock();
    connection_.RunForEachId("delete from table_nuisance_whitelist where id=?", ids,
                             "删除白名单失败：");
    return true;
}

bool NuisanceWhitelistTable::DeleteNumber(const QString& number) {
    const auto lock = connection_.Lock();
    SqlStatement remove =
        connection_.Prepare("delete from table_nuisance_whitelist where number=?");
    remove.Bind(1, number);
    return connection_.Run(remove, "删除白名单失败：");
}

} // namespace tamberlink
