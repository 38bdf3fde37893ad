#pragma once

#include "store/CallFigures.h"

#include <atomic>
#include <functional>
#include <utility>

namespace tamberlink {

class StoreConnection;

// The call log's figures for a range of days. The counts come from the figures kept for each
// hour (table_log_hour), so a year reads a few thousand rows; the busiest numbers and the
// calls back read the range's calls through the index on their time.
class CallFiguresTable {
public:
    explicit CallFiguresTable(StoreConnection& connection)
        : connection_(connection) {}

    CallFigures Figures(const QDate& first, const QDate& last);
    // The `limit` numbers with most calls in the range, most first (ties by the newest call).
    CallBacks Backs(const QDate& first, const QDate& last, int limit);
    // Each call of the range, oldest first, until `row` returns false.
    bool ForEachCall(const QDate& first, const QDate& last,
                     const std::function<bool(const CallRow&)>& row);

    // Reads between these see the database as it was at the first of them.
    void BeginRead();
    void EndRead();

private:
    // The calls dated from `from` up to `to`, and all the log's calls, as the figures per
    // hour count them.
    std::pair<qint64, qint64> CountCalls(const QString& from, const QString& to);

    StoreConnection& connection_;
};

} // namespace tamberlink
