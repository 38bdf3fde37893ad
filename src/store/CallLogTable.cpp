#include "store/CallLogTable.h"

#include "store/ContactTable.h"
#include "store/StoreConnection.h"
#include "util/NumberAttribution.h"

#include <algorithm>
#include <string>

namespace tamberlink {

namespace {

constexpr const char* kAddFailed = "插入通话记录失败：";
constexpr const char* kDeleteFailed = "删除通话记录失败: ";

// The call log's columns and each row's note mark, in one statement that finds the notes
// through the index on their call.
constexpr std::string_view kRows =
    "select id, name, phone, head, date_time, type, areacode, corp, record_guid, nuisance, "
    "exists(select 1 from table_notepad where table_notepad.cid=table_log.id and "
    "table_notepad.id>0) from table_log";

} // namespace

std::vector<CallLogRecord> CallLogTable::ReadAll(SqlStatement& query) {
    std::vector<CallLogRecord> rows;
    while (query.Next()) {
        CallLogRecord& row = rows.emplace_back();
        row.id = query.Int(0);
        row.name = query.Text(1);
        row.phone = query.Text(2);
        row.head = query.Text(3);
        row.dateTime = query.Text(4);
        row.type = query.Int(5);
        const QString areacode = query.Text(6);
        const QString corp = query.Text(7);
        row.recordGuid = query.Text(8);
        row.nuisanceLabel = query.Text(9);
        row.hasNote = query.Int(10) != 0;
        row.attribution = areacode.isEmpty() || corp.isEmpty()
                              ? NumberAttribution::UnknownText()
                              : QString(corp + u'|' + areacode).remove(QStringLiteral("中国"));
        row.nameIsPhone = row.name.compare(row.phone, Qt::CaseInsensitive) == 0;
    }
    return rows;
}

std::vector<CallLogRecord> CallLogTable::Load() {
    const auto lock = connection_.Lock();
    SqlStatement query = connection_.Prepare(std::string(kRows) + " order by id desc");
    return ReadAll(query);
}

std::optional<CallLogRecord> CallLogTable::GetEntry(int id) {
    const auto lock = connection_.Lock();
    SqlStatement query = connection_.Prepare(std::string(kRows) + " where id=?");
    query.Bind(1, id);
    std::vector<CallLogRecord> rows = ReadAll(query);
    if (rows.empty()) {
        return std::nullopt;
    }
    return std::move(rows.front());
}

std::deque<int> CallLogTable::Ids(int limit) {
    const auto lock = connection_.Lock();
    return connection_.ReadIds("select id from table_log order by id desc", limit);
}

std::vector<CallLogRecord> CallLogTable::GetEntries(const std::vector<int>& ids) {
    if (ids.empty()) {
        return {};
    }
    const auto lock = connection_.Lock();
    SqlStatement query = connection_.PrepareForIds(kRows, ids);
    return ReadAll(query);
}

int CallLogTable::Add(const QString& number, const QString& place, const QString& corp, int type,
                      const QString& nuisanceLabel) {
    const auto lock = connection_.Lock();
    SqlStatement insert = connection_.Prepare("insert into table_log(name, phone, head, "
                                              "date_time, type, areacode, corp, nuisance) "
                                              "values(?, ?, ?, ?, ?, ?, ?, ?)");
    ContactTable::BindContactAndTime(connection_, insert, number);
    insert.Bind(5, QString::number(type)).Bind(6, place).Bind(7, corp).Bind(8, nuisanceLabel);
    return connection_.Insert(insert, kAddFailed);
}

bool CallLogTable::Delete(const std::vector<int>& ids) {
    const auto lock = connection_.Lock();
    connection_.RunForEachId("delete from table_log where id=?", ids, kDeleteFailed);
    return true;
}

int CallLogTable::SetLength(int id, int seconds) {
    const auto lock = connection_.Lock();
    SqlStatement update = connection_.Prepare(
        "update table_log set length=? where id=? and length is null and type<>5");
    update.Bind(1, std::max(0, seconds)).Bind(2, id);
    return update.Run() && connection_.Changes() > 0 ? id : 0;
}

bool CallLogTable::HasNote(int id) {
    const auto lock = connection_.Lock();
    SqlStatement query = connection_.Prepare("select id from table_notepad where cid=?");
    query.Bind(1, QString::number(id));
    return query.Next() && query.Int(0) > 0;
}

int CallLogTable::NewestId() {
    const auto lock = connection_.Lock();
    SqlStatement newest = connection_.Prepare("select id from table_log order by id desc limit 1");
    return newest.Next() ? newest.Int(0) : 0;
}

CallLogTable::RecordingLink CallLogTable::LinkRecording(const QString& guid, int callId,
                                                        QString* error, int* linkedId) {
    const auto lock = connection_.Lock();
    if (guid.isEmpty()) {
        return RecordingLink::NotLinked;
    }
    int id = 0;
    {
        SqlStatement entry = connection_.Prepare(
            callId > 0 ? "select id,record_guid from table_log where id=?"
                       : "select id,record_guid from table_log order by id desc");
        if (callId > 0) {
            entry.Bind(1, QString::number(callId));
        }
        if (!entry.Next() || !entry.Text(1).isEmpty()) {
            return RecordingLink::NotLinked;
        }
        id = entry.Int(0);
    }
    SqlStatement update = connection_.Prepare("update table_log set record_guid=? where id=?");
    update.Bind(1, guid).Bind(2, QString::number(id));
    if (update.Run()) {
        if (linkedId != nullptr) {
            *linkedId = id;
        }
        return RecordingLink::Linked;
    }
    if (error != nullptr) {
        *error = connection_.ErrorText();
    }
    return RecordingLink::Failed;
}

} // namespace tamberlink
