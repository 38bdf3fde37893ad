#pragma once

#include "store/NuisanceRecord.h"

#include <vector>

namespace tamberlink {

class StoreConnection;

// table_nuisance_log: every call a rule matched. The counts are summed by SQL over the
// index on rule and time, never by reading the rows.
class NuisanceLogTable {
public:
    explicit NuisanceLogTable(StoreConnection& connection)
        : connection_(connection) {}

    // The new row's id; 0 when the insert failed.
    int Add(const NuisanceLogRecord& record);
    // Newest first, at most `limit` rows from `offset` on.
    std::vector<NuisanceLogRecord> Load(int limit, int offset = 0);
    // Per rule that matched at least once; "today" counts the rows from `todayStart` on.
    std::vector<NuisanceRuleCount> CountsByRule(qint64 todayStart);
    NuisanceTotals Totals(qint64 todayStart);
    bool Delete(const std::vector<int>& ids);

private:
    StoreConnection& connection_;
};

} // namespace tamberlink
