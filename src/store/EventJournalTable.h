#pragma once

#include "store/WebhookRecord.h"

#include <vector>

namespace tamberlink {

class StoreConnection;

// table_event: every event of the call flow, numbered on from the highest number the table
// ever held, so that ids keep increasing across restarts and pruning.
class EventJournalTable {
public:
    explicit EventJournalTable(StoreConnection& connection)
        : connection_(connection) {}

    // Writes the events and the deliveries they make in one transaction, so that a crash
    // never keeps one without the other; sets each delivery's id. False, with nothing
    // written, when the write failed.
    bool Append(const std::vector<JournalEvent>& events,
                std::vector<WebhookDeliveryRecord>& deliveries);
    // The highest id ever written, pruned or not; 0 for none.
    qint64 NewestId();
    // The lowest id still kept; 0 when the table is empty.
    qint64 OldestId();
    // The events after `afterId` in order, at most `limit`.
    std::vector<JournalEvent> LoadAfter(qint64 afterId, int limit);
    // Deletes the events older than `before` (seconds since the epoch) and those more than
    // `keep` below the newest.
    bool Prune(qint64 before, qint64 keep);

private:
    StoreConnection& connection_;
};

} // namespace tamberlink
