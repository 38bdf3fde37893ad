#pragma once

#include "store/NumberHistoryRecord.h"

#include <QString>

#include <optional>
#include <vector>

namespace tamberlink {

class StoreConnection;

// Everything the database holds about one number, found through the indexes on the numbers'
// comparable form (PhoneNumber::Comparable), however each row wrote the number.
class NumberHistoryTable {
public:
    struct LastCall {
        int id = 0;
        int type = 0;
        QString dateTime;
    };

    explicit NumberHistoryTable(StoreConnection& connection)
        : connection_(connection) {}

    // Calls, SMS, notes and call-list outcomes of the number `key` (comparable form), newest
    // first; at most `limit` of each kind.
    std::vector<NumberHistoryRecord> Load(const QString& key, int limit = 5000);
    // The newest call with the number.
    std::optional<LastCall> Last(const QString& key);
    // The newest note about the number; empty for none.
    QString LatestNote(const QString& key);

private:
    StoreConnection& connection_;
};

} // namespace tamberlink
