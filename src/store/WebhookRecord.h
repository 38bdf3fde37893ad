#pragma once

#include <QString>

namespace tamberlink {

// One event of table_event: the call flow's journal, from which clients that were away and
// webhooks are served. `data` is the event's JSON object, time and fields.
struct JournalEvent {
    qint64 id = 0;
    qint64 time = 0; // seconds since the epoch
    QString type;
    QString data;
};

// One webhook of table_webhook_endpoint. `types` lists the event types it wants, separated
// by commas; empty for all of them.
struct WebhookEndpointRecord {
    int id = 0;
    QString url;
    QString secret; // "whsec_" + base64
    QString types;
    bool paused = false;
    qint64 failingSince = 0; // seconds since the epoch of the first failure since a success
    qint64 created = 0;
};

// Where a delivery stands. Stored as these numbers.
enum class DeliveryState {
    Queued = 0,
    Delivered = 1,
    Failed = 2, // every attempt failed, or the endpoint refused it for good
};

// One delivery of table_webhook_delivery: an event for one endpoint and its attempts.
struct WebhookDeliveryRecord {
    qint64 id = 0;
    int endpointId = 0;
    qint64 eventId = 0;
    QString eventType;
    QString messageId; // the webhook-id header, the same on every attempt
    QString body;
    DeliveryState state = DeliveryState::Queued;
    int attempts = 0;
    qint64 nextAt = 0; // seconds since the epoch
    int status = 0;    // the last reply's HTTP status; 0 when none came
    QString reply;     // the last reply's first bytes, or why none came
    qint64 created = 0;
    qint64 updated = 0;
};

} // namespace tamberlink
