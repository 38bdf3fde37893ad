#pragma once

#include "store/NuisanceRecord.h"

#include <vector>

namespace tamberlink {

class StoreConnection;

// table_nuisance_whitelist: the numbers whose calls no rule stops, one row per number.
class NuisanceWhitelistTable {
public:
    explicit NuisanceWhitelistTable(StoreConnection& connection)
        : connection_(connection) {}

    // By id.
    std::vector<NuisanceWhitelistEntry> Load();
    // The new entry's id; the existing one's id when the number is there already; 0 when the
    // insert failed.
    int Add(const NuisanceWhitelistEntry& entry);
    bool Delete(const std::vector<int>& ids);
    bool DeleteNumber(const QString& number);

private:
    StoreConnection& connection_;
};

} // namespace tamberlink
