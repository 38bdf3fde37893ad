#include "store/OriginTable.h"

#include "store/StoreConnection.h"

#include <array>
#include <string>
#include <string_view>

namespace tamberlink {

namespace {

constexpr const char* kSaveFailed = "保存网页访问权限失败：";

// The column of each OriginRecord::Use.
constexpr std::array<std::string_view, OriginRecord::kUses> kUseColumns = {"dial", "sms", "record",
                                                                           "events"};

} // namespace

std::vector<OriginRecord> OriginTable::Load() {
    const auto lock = connection_.Lock();
    SqlStatement query = connection_.Prepare(
        "select id, origin, dial, sms, record, events from table_origin order by origin");
    std::vector<OriginRecord> origins;
    while (query.Next()) {
        OriginRecord& record = origins.emplace_back(OriginRecord{query.Int(0), query.Text(1), {}});
        for (int use = 0; use < OriginRecord::kUses; ++use) {
            if (!query.IsNull(2 + use)) {
                record.answers[use] = query.Int(2 + use) != 0;
            }
        }
    }
    return origins;
}

bool OriginTable::SaveAnswer(const QString& origin, int use, bool allowed) {
    if (use < 0 || use >= OriginRecord::kUses) {
        return false;
    }
    const std::string column(kUseColumns[use]);
    const auto lock = connection_.Lock();
    SqlStatement save =
        connection_.Prepare("insert into table_origin(origin, " + column + ") values(?, ?) " +
                            "on conflict(origin) do update set " + column + "=excluded." + column);
    save.Bind(1, origin).Bind(2, allowed ? 1 : 0);
    return connection_.Run(save, kSaveFailed);
}

bool OriginTable::SetAnswers(const std::vector<int>& ids, std::optional<int> use, bool allowed) {
    if (use && (*use < 0 || *use >= OriginRecord::kUses)) {
        return false;
    }
    const std::string value = allowed ? "1" : "0";
    std::string set;
    for (int each = 0; each < OriginRecord::kUses; ++each) {
        if (!use || *use == each) {
            set += (set.empty() ? "" : ", ") + std::string(kUseColumns[each]) + "=" + value;
        }
    }
    const auto lock = connection_.Lock();
    connection_.RunForEachId("update table_origin set " + set + " where id=?", ids, kSaveFailed);
    return true;
}

bool OriginTable::Delete(const std::vector<int>& ids) {
    const auto lock = connection_.Lock();
    connection_.RunForEachId("delete from table_origin where id=?", ids, "删除网页访问权限失败：");
    return true;
}

} // namespace tamberlink
