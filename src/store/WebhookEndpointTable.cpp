#include "store/WebhookEndpointTable.h"

#include "store/StoreConnection.h"

namespace tamberlink {

std::vector<WebhookEndpointRecord> WebhookEndpointTable::LoadAll() {
    const auto lock = connection_.Lock();
    SqlStatement query =
        connection_.Prepare("select id, url, secret, types, paused, failing_since, created from "
                            "table_webhook_endpoint order by id");
    std::vector<WebhookEndpointRecord> rows;
    while (query.Next()) {
        rows.push_back({query.Int(0), query.Text(1), query.Text(2), query.Text(3),
                        query.Int(4) != 0, query.Int64(5), query.Int64(6)});
    }
    return rows;
}

int WebhookEndpointTable::Add(const WebhookEndpointRecord& record) {
    const auto lock = connection_.Lock();
    SqlStatement insert = connection_.Prepare(
        "insert into table_webhook_endpoint(url, secret, types, paused, failing_since, created) "
        "values(?, ?, ?, ?, ?, ?)");
    insert.Bind(1, record.url)
        .Bind(2, record.secret)
        .Bind(3, record.types)
        .Bind(4, int(record.paused))
        .BindInt64(5, record.failingSince)
        .BindInt64(6, record.created);
    return connection_.Insert(insert, "添加Webhook失败：");
}

bool WebhookEndpointTable::Update(int id, const QString& url, const QString& types) {
    const auto lock = connection_.Lock();
    SqlStatement update =
        connection_.Prepare("update table_webhook_endpoint set url=?, types=? where id=?");
    update.Bind(1, url).Bind(2, types).Bind(3, id);
    return connection_.Run(update, "修改Webhook失败：");
}

bool WebhookEndpointTable::SetSecret(int id, const QString& secret) {
    const auto lock = connection_.Lock();
    SqlStatement update =
        connection_.Prepare("update table_webhook_endpoint set secret=? where id=?");
    update.Bind(1, secret).Bind(2, id);
    return connection_.Run(update, "保存Webhook密钥失败：");
}

bool WebhookEndpointTable::SetState(int id, bool paused, qint64 failingSince) {
    const auto lock = connection_.Lock();
    SqlStatement update = connection_.Prepare(
        "update table_webhook_endpoint set paused=?, failing_since=? where id=?");
    update.Bind(1, int(paused)).BindInt64(2, failingSince).Bind(3, id);
    return connection_.Run(update, "保存Webhook状态失败：");
}

bool WebhookEndpointTable::Delete(int id) {
    const auto lock = connection_.Lock();
    const char* failure = "删除Webhook失败：";
    if (!connection_.Exec("begin transaction", failure)) {
        return false;
    }
    SqlStatement deliveries =
        connection_.Prepare("delete from table_webhook_delivery where endpoint_id=?");
    deliveries.Bind(1, id);
    SqlStatement endpoint = connection_.Prepare("delete from table_webhook_endpoint where id=?");
    endpoint.Bind(1, id);
    if (connection_.Run(deliveries, failure) && connection_.Run(endpoint, failure) &&
        connection_.Exec("commit transaction", failure)) {
        return true;
    }
    connection_.Exec("rollback transaction");
    return false;
}

} // namespace tamberlink
