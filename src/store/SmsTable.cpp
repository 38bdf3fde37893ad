#include "store/SmsTable.h"

#include "store/ContactTable.h"
#include "store/StoreConnection.h"

namespace tamberlink {

namespace {

constexpr const char* kAddFailed = "插入短信失败：";
constexpr const char* kDeleteFailed = "删除短信失败： ";

std::vector<SmsRecord> ReadRows(SqlStatement& query) {
    std::vector<SmsRecord> rows;
    while (query.Next()) {
        SmsRecord& row = rows.emplace_back();
        row.id = query.Int(0);
        row.name = query.Text(1);
        row.phone = query.Text(2);
        row.head = query.Text(3);
        row.dateTime = query.Text(4);
        row.content = query.Text(5);
        row.attribution = query.Text(6);
    }
    return rows;
}

} // namespace

std::vector<SmsRecord> SmsTable::Load() {
    const auto lock = connection_.Lock();
    SqlStatement query = connection_.Prepare("select * from table_sms order by id desc");
    return ReadRows(query);
}

std::deque<int> SmsTable::Ids(int limit) {
    const auto lock = connection_.Lock();
    return connection_.ReadIds("select id from table_sms order by id desc", limit);
}

std::vector<SmsRecord> SmsTable::Get(const std::vector<int>& ids) {
    if (ids.empty()) {
        return {};
    }
    const auto lock = connection_.Lock();
    SqlStatement query = connection_.PrepareForIds("select * from table_sms", ids);
    return ReadRows(query);
}

bool SmsTable::Add(const QString& number, const QString& content, const QString& attribution) {
    const auto lock = connection_.Lock();
    SqlStatement insert = connection_.Prepare("insert into table_sms(name, phone, head, "
                                              "date_time, content, attribution) "
                                              "values(?, ?, ?, ?, ?, ?)");
    ContactTable::BindContactAndTime(connection_, insert, number);
    insert.Bind(5, content).Bind(6, attribution);
    return connection_.Run(insert, kAddFailed);
}

bool SmsTable::Delete(const std::vector<int>& ids) {
    const auto lock = connection_.Lock();
    connection_.RunForEachId("delete from table_sms where id=?", ids, kDeleteFailed);
    return true;
}

QStringList SmsTable::GetFirstTo(const QString& number) {
    const auto lock = connection_.Lock();
    SqlStatement query =
        connection_.Prepare("select date_time, content from table_sms where phone=?");
    query.Bind(1, number);
    if (!query.Next()) {
        return {};
    }
    return {query.Text(0), query.Text(1)};
}

} // namespace tamberlink
