#pragma once

#include "store/WebhookRecord.h"

#include <vector>

namespace tamberlink {

class StoreConnection;

// table_webhook_endpoint: where events are posted, which ones, and with what secret.
class WebhookEndpointTable {
public:
    explicit WebhookEndpointTable(StoreConnection& connection)
        : connection_(connection) {}

    std::vector<WebhookEndpointRecord> LoadAll();
    // The new row's id; 0 when the insert failed.
    int Add(const WebhookEndpointRecord& record);
    bool Update(int id, const QString& url, const QString& types);
    bool SetSecret(int id, const QString& secret);
    bool SetState(int id, bool paused, qint64 failingSince);
    // Deletes the endpoint and its deliveries.
    bool Delete(int id);

private:
    StoreConnection& connection_;
};

} // namespace tamberlink
