#include "store/NuisanceRuleTable.h"

#include "store/StoreConnection.h"

#include <algorithm>
#include <string>

namespace tamberlink {

namespace {

constexpr const char* kSaveFailed = "保存拦截规则失败：";
constexpr const char* kImportFailed = "导入拦截规则失败：";

NuisanceRule ReadRule(const SqlStatement& query) {
    NuisanceRule rule;
    rule.id = query.Int(0);
    rule.kind = NuisanceKind(query.Int(1));
    rule.number = query.Text(2);
    rule.length = query.Int(3);
    rule.label = query.Text(4);
    rule.action = NuisanceAction(query.Int(5));
    rule.created = query.Int64(6);
    return rule;
}

// The rule's own fields, as the first five parameters of an insert or an update.
SqlStatement& BindRule(SqlStatement& statement, const NuisanceRule& rule) {
    return statement.Bind(1, int(rule.kind))
        .Bind(2, rule.number)
        .Bind(3, rule.length)
        .Bind(4, rule.label)
        .Bind(5, int(rule.action));
}

} // namespace

std::vector<NuisanceRule> NuisanceRuleTable::Load(bool counts, qint64 todayStart) {
    const auto lock = connection_.Lock();
    SqlStatement query = connection_.Prepare(
        counts ? "select r.id, r.kind, r.number, r.length, r.label, r.action, r.created, "
                 "coalesce(c.hits, 0), coalesce(c.last, 0), coalesce(c.today, 0) from "
                 "table_nuisance_rule r left join (select rule_id, count(*) as hits, max(time) "
                 "as last, sum(time>=?) as today from table_nuisance_log group by rule_id) c "
                 "on c.rule_id=r.id order by r.id"
               : "select id, kind, number, length, label, action, created from "
                 "table_nuisance_rule order by id");
    if (counts) {
        query.BindInt64(1, todayStart);
    }
    std::vector<NuisanceRule> rules;
    while (query.Next()) {
        NuisanceRule& rule = rules.emplace_back(ReadRule(query));
        if (counts) {
            rule.hits = query.Int(7);
            rule.lastHit = query.Int64(8);
            rule.hitsToday = query.Int(9);
        }
    }
    return rules;
}

int NuisanceRuleTable::Find(const NuisanceRule& rule) {
    const auto lock = connection_.Lock();
    SqlStatement query = connection_.Prepare(
        "select id from table_nuisance_rule where kind=? and number=? and length=?");
    query.Bind(1, int(rule.kind)).Bind(2, rule.number).Bind(3, rule.length);
    return query.Next() ? query.Int(0) : 0;
}

int NuisanceRuleTable::Add(const NuisanceRule& rule) {
    const auto lock = connection_.Lock();
    SqlStatement insert = connection_.Prepare("insert into table_nuisance_rule(kind, number, "
                                              "length, label, action, created) "
                                              "values(?, ?, ?, ?, ?, ?)");
    BindRule(insert, rule).BindInt64(6, rule.created);
    return connection_.Insert(insert, kSaveFailed);
}

bool NuisanceRuleTable::Update(const NuisanceRule& rule) {
    const auto lock = connection_.Lock();
    SqlStatement update = connection_.Prepare("update table_nuisance_rule set kind=?, number=?, "
                                              "length=?, label=?, action=? where id=?");
    BindRule(update, rule).Bind(6, rule.id);
    return connection_.Run(update, kSaveFailed);
}

bool NuisanceRuleTable::Delete(const std::vector<int>& ids) {
    const auto lock = connection_.Lock();
    connection_.RunForEachId("delete from table_nuisance_rule where id=?", ids,
                             "删除拦截规则失败：");
    return true;
}

bool NuisanceRuleTable::BeginImport() {
    const auto lock = connection_.Lock();
    return connection_.Exec("drop table if exists temp.nuisance_import", kImportFailed) &&
           connection_.Exec("create temp table nuisance_import(kind integer, number text, "
                            "length integer, label text, action integer, created integer)",
                            kImportFailed);
}

bool NuisanceRuleTable::StageImport(const std::vector<NuisanceRule>& rules) {
    const auto lock = connection_.Lock();
    if (!connection_.Exec("begin transaction", kImportFailed)) {
        return false;
    }
    bool ok = true;
    {
        SqlStatement insert = connection_.Prepare("insert into temp.nuisance_import values(?, "
                                                  "?, ?, ?, ?, ?)");
        for (const NuisanceRule& rule : rules) {
            BindRule(insert, rule).BindInt64(6, rule.created);
            if (!connection_.Run(insert, kImportFailed)) {
                ok = false;
                break;
            }
            insert.Reset();
        }
    }
    if (ok && connection_.Exec("commit transaction", kImportFailed)) {
        return true;
    }
    connection_.Exec("rollback transaction");
    return false;
}

bool NuisanceRuleTable::FinishImport(int& moved) {
    constexpr int kMoveRows = 20000;
    moved = 0;
    int last = 0;
    {
        const auto lock = connection_.Lock();
        SqlStatement count = connection_.Prepare("select max(rowid) from temp.nuisance_import");
        if (!count.Next()) {
            return false;
        }
        last = count.Int(0);
    }
    bool ok = true;
    for (int from = 0; ok && from < last; from += kMoveRows) {
        const auto lock = connection_.Lock();
        ok = connection_.Exec("begin immediate transaction", kImportFailed);
        if (!ok) {
            break;
        }
        // "where ... and true" keeps SQLite from reading the upsert's "on" as a join's.
        SqlStatement move = connection_.Prepare(
            "insert into table_nuisance_rule(kind, number, length, label, action, created) "
            "select kind, number, length, label, action, created from temp.nuisance_import "
            "where rowid>? and rowid<=? and true on conflict(kind, number, length) do update "
            "set label=excluded.label, action=excluded.action");
        move.Bind(1, from).Bind(2, from + kMoveRows);
        ok = connection_.Run(move, kImportFailed) &&
             connection_.Exec("commit transaction", kImportFailed);
        if (ok) {
            moved += std::min(kMoveRows, last - from);
        } else {
            connection_.Exec("rollback transaction");
        }
    }
    const auto lock = connection_.Lock();
    connection_.Exec("drop table if exists temp.nuisance_import");
    return ok;
}

void NuisanceRuleTable::AbandonImport() {
    const auto lock = connection_.Lock();
    connection_.Exec("drop table if exists temp.nuisance_import");
}

} // namespace tamberlink
