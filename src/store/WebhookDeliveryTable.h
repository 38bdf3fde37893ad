#pragma once

#include "store/WebhookRecord.h"

#include <optional>
#include <vector>

namespace tamberlink {

class StoreConnection;

// table_webhook_delivery: each event for each endpoint that wants it, queued until its
// endpoint takes it or its attempts run out; the rows that are done make the delivery log.
class WebhookDeliveryTable {
public:
    explicit WebhookDeliveryTable(StoreConnection& connection)
        : connection_(connection) {}

    // The queued deliveries' ids and times due, oldest first, of every endpoint.
    struct Queued {
        qint64 id = 0;
        int endpointId = 0;
        qint64 nextAt = 0;
    };
    std::vector<Queued> LoadQueued();
    std::optional<WebhookDeliveryRecord> Load(qint64 id);
    // After an attempt: its outcome and, for a queued delivery, when the next is due.
    bool SaveAttempt(const WebhookDeliveryRecord& record);
    // The endpoint's deliveries, newest first, at most `limit`.
    std::vector<WebhookDeliveryRecord> Log(int endpointId, int limit);
    // A new queued delivery of the same event with the same webhook-id; its id, or 0.
    qint64 Requeue(qint64 id, qint64 now);
    // Marks the endpoint's queued deliveries older than the newest `keep` failed, so that
    // a queue never outgrows its bound; their ids.
    std::vector<qint64> TrimQueue(int endpointId, int keep, qint64 now);
    // Deletes the finished deliveries last changed before `before`.
    bool Prune(qint64 before);

private:
    StoreConnection& connection_;
};

} // namespace tamberlink
