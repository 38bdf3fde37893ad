#pragma once

#include "store/OriginRecord.h"

#include <QString>

#include <optional>
#include <vector>

namespace tamberlink {

class StoreConnection;

// table_origin: the user's standing answers for web pages, by origin and use.
class OriginTable {
public:
    explicit OriginTable(StoreConnection& connection)
        : connection_(connection) {}

    // By origin.
    std::vector<OriginRecord> Load();
    // Stores the answer for one use (OriginRecord::Use) of the origin, replacing the one it
    // had.
    bool SaveAnswer(const QString& origin, int use, bool allowed);
    // Sets the answer of the records `ids` for one use, or for every use when none is named.
    bool SetAnswers(const std::vector<int>& ids, std::optional<int> use, bool allowed);
    bool Delete(const std::vector<int>& ids);

private:
    StoreConnection& connection_;
};

} // namespace tamberlink
