#include "store/EventJournalTable.h"

#include "store/StoreConnection.h"

namespace tamberlink {

bool EventJournalTable::Append(const std::vector<JournalEvent>& events,
                               std::vector<WebhookDeliveryRecord>& deliveries) {
    const auto lock = connection_.Lock();
    const char* failure = "记录事件失败：";
    if (!connection_.Exec("begin immediate transaction", failure)) {
        return false;
    }
    bool ok = true;
    {
        SqlStatement insert =
            connection_.Prepare("insert into table_event(id, time, type, data) values(?, ?, ?, ?)");
        for (const JournalEvent& event : events) {
            insert.BindInt64(1, event.id).BindInt64(2, event.time).Bind(3, event.type);
            insert.Bind(4, event.data);
            ok = ok && connection_.Run(insert, failure);
            insert.Reset();
        }
        SqlStatement queue = connection_.Prepare(
            "insert into table_webhook_delivery(endpoint_id, event_id, event_type, message_id, "
            "body, state, attempts, next_at, status, reply, created, updated) "
            "values(?, ?, ?, ?, ?, ?, 0, ?, 0, '', ?, ?)");
        for (WebhookDeliveryRecord& delivery : deliveries) {
            queue.Bind(1, delivery.endpointId)
                .BindInt64(2, delivery.eventId)
                .Bind(3, delivery.eventType)
                .Bind(4, delivery.messageId)
                .Bind(5, delivery.body)
                .Bind(6, int(delivery.state))
                .BindInt64(7, delivery.nextAt)
                .BindInt64(8, delivery.created)
                .BindInt64(9, delivery.created);
            ok = ok && connection_.Run(queue, failure);
            delivery.id = ok ? connection_.LastInsertId() : 0;
            queue.Reset();
        }
    }
    if (ok && connection_.Exec("commit transaction", failure)) {
        return true;
    }
    connection_.Exec("rollback transaction");
    for (WebhookDeliveryRecord& delivery : deliveries) {
        delivery.id = 0;
    }
    return false;
}

qint64 EventJournalTable::NewestId() {
    const auto lock = connection_.Lock();
    // The sequence remembers the highest id even once its row is pruned.
    SqlStatement query = connection_.Prepare(
        "select max(coalesce((select seq from sqlite_sequence where name='table_event'), 0), "
        "coalesce((select max(id) from table_event), 0))");
    return query.Next() ? query.Int64(0) : 0;
}

qint64 EventJournalTable::OldestId() {
    const auto lock = connection_.Lock();
    SqlStatement query = connection_.Prepare("select coalesce(min(id), 0) from table_event");
    return query.Next() ? query.Int64(0) : 0;
}

std::vector<JournalEvent> EventJournalTable::LoadAfter(qint64 afterId, int limit) {
    const auto lock = connection_.Lock();
    SqlStatement query = connection_.Prepare(
        "select id, time, type, data from table_event where id>? order by id limit ?");
    query.BindInt64(1, afterId).Bind(2, limit);
    std::vector<JournalEvent> rows;
    while (query.Next()) {
        rows.push_back({query.Int64(0), query.Int64(1), query.Text(2), query.Text(3)});
    }
    return rows;
}

bool EventJournalTable::Prune(qint64 before, qint64 keep) {
    const auto lock = connection_.Lock();
    SqlStatement prune = connection_.Prepare(
        "delete from table_event where time<? or id<=(select max(id) from table_event)-?");
    prune.BindInt64(1, before).BindInt64(2, keep);
    return connection_.Run(prune, "清理事件记录失败：");
}

} // namespace tamberlink
