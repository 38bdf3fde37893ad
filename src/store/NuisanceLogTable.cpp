#include "store/NuisanceLogTable.h"

#include "store/StoreConnection.h"

namespace tamberlink {

int NuisanceLogTable::Add(const NuisanceLogRecord& record) {
    const auto lock = connection_.Lock();
    SqlStatement insert = connection_.Prepare(
        "insert into table_nuisance_log(time, number, rule_id, rule_text, label, action, note) "
        "values(?, ?, ?, ?, ?, ?, ?)");
    insert.BindInt64(1, record.time)
        .Bind(2, record.number)
        .Bind(3, record.ruleId)
        .Bind(4, record.ruleText)
        .Bind(5, record.label)
        .Bind(6, int(record.action))
        .Bind(7, record.note);
    return connection_.Insert(insert, "记录拦截的来电失败：");
}

std::vector<NuisanceLogRecord> NuisanceLogTable::Load(int limit, int offset) {
    const auto lock = connection_.Lock();
    SqlStatement query =
        connection_.Prepare("select id, time, number, rule_id, rule_text, label, action, note "
                            "from table_nuisance_log order by id desc limit ? offset ?");
    query.Bind(1, limit).Bind(2, offset);
    std::vector<NuisanceLogRecord> rows;
    while (query.Next()) {
        rows.push_back({query.Int(0), query.Int64(1), query.Text(2), query.Int(3), query.Text(4),
                        query.Text(5), NuisanceAction(query.Int(6)), query.Text(7)});
    }
    return rows;
}

std::vector<NuisanceRuleCount> NuisanceLogTable::CountsByRule(qint64 todayStart) {
    const auto lock = connection_.Lock();
    SqlStatement query = connection_.Prepare(
        "select rule_id, sum(time>=?), count(*), max(time) from table_nuisance_log "
        "group by rule_id order by rule_id");
    query.BindInt64(1, todayStart);
    std::vector<NuisanceRuleCount> counts;
    while (query.Next()) {
        counts.push_back({query.Int(0), query.Int(1), query.Int(2), query.Int64(3)});
    }
    return counts;
}

NuisanceTotals NuisanceLogTable::Totals(qint64 todayStart) {
    const auto lock = connection_.Lock();
    SqlStatement query = connection_.Prepare(
        "select coalesce(sum(action>0 and time>=?1), 0), coalesce(sum(action>0), 0), "
        "coalesce(sum(action=0 and time>=?1), 0), coalesce(sum(action=0), 0) "
        "from table_nuisance_log");
    query.BindInt64(1, todayStart);
    if (!query.Next()) {
        return {};
    }
    return {query.Int(0), query.Int(1), query.Int(2), query.Int(3)};
}

bool NuisanceLogTable::Delete(const std::vector<int>& ids) {
    const auto lock = connection_.Lock();
    connection_.RunForEachId("delete from table_nuisance_log where id=?", ids,
                             "删除拦截记录失败：");
    return true;
}

} // namespace tamberlink
