#include "store/WebhookDeliveryTable.h"

#include "store/StoreConnection.h"

namespace tamberlink {
namespace {

constexpr const char* kColumns = "select id, endpoint_id, event_id, event_type, message_id, "
                                 "body, state, attempts, next_at, status, reply, created, "
                                 "updated from table_webhook_delivery ";

WebhookDeliveryRecord Read(const SqlStatement& query) {
    return {query.Int64(0),
            query.Int(1),
            query.Int64(2),
            query.Text(3),
            query.Text(4),
            query.Text(5),
            DeliveryState(query.Int(6)),
            query.Int(7),
            query.Int64(8),
            query.Int(9),
            query.Text(10),
            query.Int64(11),
            query.Int64(12)};
}

} // namespace

std::vector<WebhookDeliveryTable::Queued> WebhookDeliveryTable::LoadQueued() {
    const auto lock = connection_.Lock();
    SqlStatement query = connection_.Prepare(
        "select id, endpoint_id, next_at from table_webhook_delivery where state=0 order by id");
    std::vector<Queued> rows;
    while (query.Next()) {
        rows.push_back({query.Int64(0), query.Int(1), query.Int64(2)});
    }
    return rows;
}

std::optional<WebhookDeliveryRecord> WebhookDeliveryTable::Load(qint64 id) {
    const auto lock = connection_.Lock();
    SqlStatement query = connection_.Prepare(std::string(kColumns) + "where id=?");
    query.BindInt64(1, id);
    if (!query.Next()) {
        return std::nullopt;
    }
    return Read(query);
}

bool WebhookDeliveryTable::SaveAttempt(const WebhookDeliveryRecord& record) {
    const auto lock = connection_.Lock();
    SqlStatement update =
        connection_.Prepare("update table_webhook_delivery set state=?, attempts=?, next_at=?, "
                            "status=?, reply=?, updated=? where id=?");
    update.Bind(1, int(record.state))
        .Bind(2, record.attempts)
        .BindInt64(3, record.nextAt)
        .Bind(4, record.status)
        .Bind(5, record.reply)
        .BindInt64(6, record.updated)
        .BindInt64(7, record.id);
    return connection_.Run(update, "保存Webhook发送结果失败：");
}

std::vector<WebhookDeliveryRecord> WebhookDeliveryTable::Log(int endpointId, int limit) {
    const auto lock = connection_.Lock();
    SqlStatement query =
        connection_.Prepare(std::string(kColumns) + "where endpoint_id=? order by id desc limit ?");
    query.Bind(1, endpointId).Bind(2, limit);
    std::vector<WebhookDeliveryRecord> rows;
    while (query.Next()) {
        rows.push_back(Read(query));
    }
    return rows;
}

qint64 WebhookDeliveryTable::Requeue(qint64 id, qint64 now) {
    const auto lock = connection_.Lock();
    SqlStatement insert = connection_.Prepare(
        "insert into table_webhook_delivery(endpoint_id, event_id, event_type, message_id, body, "
        "state, attempts, next_at, status, reply, created, updated) select endpoint_id, "
        "event_id, event_type, message_id, body, 0, 0, ?1, 0, '', ?1, ?1 from "
        "table_webhook_delivery where id=?2");
    insert.BindInt64(1, now).BindInt64(2, id);
    if (!connection_.Run(insert, "重新发送失败：") || connection_.Changes() == 0) {
        return 0;
    }
    return connection_.LastInsertId();
}

std::vector<qint64> WebhookDeliveryTable::TrimQueue(int endpointId, int keep, qint64 now) {
    const auto lock = connection_.Lock();
    SqlStatement query = connection_.Prepare(
        "select id from table_webhook_delivery where endpoint_id=? and state=0 order by id desc "
        "limit -1 offset ?");
    query.Bind(1, endpointId).Bind(2, keep);
    std::vector<qint64> ids;
    while (query.Next()) {
        ids.push_back(query.Int64(0));
    }
    SqlStatement update = connection_.Prepare(
        "update table_webhook_delivery set state=2, reply='queue full', updated=? where id=?");
    for (qint64 id : ids) {
        update.BindInt64(1, now).BindInt64(2, id);
        connection_.Run(update, "清理Webhook队列失败：");
        update.Reset();
    }
    return ids;
}

bool WebhookDeliveryTable::Prune(qint64 before) {
    const auto lock = connection_.Lock();
    SqlStatement prune =
        connection_.Prepare("delete from table_webhook_delivery where state<>0 and updated<?");
    prune.BindInt64(1, before);
    return connection_.Run(prune, "清理Webhook记录失败：");
}

} // namespace tamberlink
