#include "store/NumberHistoryTable.h"

#include "store/StoreConnection.h"
#include "util/PhoneNumber.h"

#include <QDateTime>

#include <algorithm>
#include <string>

namespace tamberlink {

namespace {

// "<select> from <table> where <the comparable number>=?": written exactly as the indexes
// are, so that SQLite uses them.
std::string ByNumber(const char* select, const char* table, const char* rest = "") {
    return std::string(select) + " from " + table + " where " + PhoneNumber::kComparableSql +
           "=? " + rest;
}

} // namespace

std::vector<NumberHistoryRecord> NumberHistoryTable::Load(const QString& key, int limit) {
    std::vector<NumberHistoryRecord> rows;
    if (key.isEmpty()) {
        return rows;
    }
    const auto lock = connection_.Lock();
    SqlStatement calls = connection_.Prepare(ByNumber(
        "select id, date_time, phone, type, record_guid", "table_log", "order by id desc limit ?"));
    calls.Bind(1, key).Bind(2, limit);
    while (calls.Next()) {
        NumberHistoryRecord& row = rows.emplace_back();
        row.kind = NumberHistoryRecord::Kind::Call;
        row.rowId = calls.Int(0);
        row.id = row.rowId;
        row.dateTime = calls.Text(1);
        row.phone = calls.Text(2);
        row.callType = calls.Int(3);
        row.recordGuid = calls.Text(4);
    }
    SqlStatement sms = connection_.Prepare(
        ByNumber("select id, date_time, phone, content", "table_sms", "order by id desc limit ?"));
    sms.Bind(1, key).Bind(2, limit);
    while (sms.Next()) {
        NumberHistoryRecord& row = rows.emplace_back();
        row.kind = NumberHistoryRecord::Kind::Sms;
        row.rowId = sms.Int(0);
        row.id = -3 * row.rowId;
        row.dateTime = sms.Text(1);
        row.phone = sms.Text(2);
        row.text = sms.Text(3);
    }
    SqlStatement notes = connection_.Prepare(ByNumber(
        "select id, cid, phone, content", "table_notepad", "and id>0 order by id desc limit ?"));
    notes.Bind(1, key).Bind(2, limit);
    SqlStatement callTime = connection_.Prepare("select date_time from table_log where id=?");
    while (notes.Next()) {
        NumberHistoryRecord& row = rows.emplace_back();
        row.kind = NumberHistoryRecord::Kind::Note;
        row.rowId = notes.Int(0);
        row.id = -3 * row.rowId - 1;
        row.phone = notes.Text(2);
        row.text = notes.Text(3);
        callTime.Reset();
        callTime.Bind(1, notes.Int(1));
        if (callTime.Next()) {
            row.dateTime = callTime.Text(0);
        }
    }
    // Outcomes keep their numbers cleaned, so only leading zeros tell them from the key.
    SqlStatement outcomes = connection_.Prepare(
        "select id, time, number, outcome, remark, file, row from table_call_attempt where "
        "number in (?1, '0'||?1, '00'||?1) order by id desc limit ?2");
    outcomes.Bind(1, key).Bind(2, limit);
    while (outcomes.Next()) {
        NumberHistoryRecord& row = rows.emplace_back();
        row.kind = NumberHistoryRecord::Kind::Outcome;
        row.rowId = outcomes.Int(0);
        row.id = -3 * row.rowId - 2;
        row.dateTime = QDateTime::fromSecsSinceEpoch(outcomes.Int64(1))
                           .toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"));
        row.phone = outcomes.Text(2);
        row.outcome = outcomes.Int(3);
        row.text = outcomes.Text(4);
        row.file = outcomes.Text(5);
        row.row = outcomes.Int(6);
    }
    // The times are written so that their text sorts as they do.
    std::stable_sort(rows.begin(), rows.end(),
                     [](const NumberHistoryRecord& a, const NumberHistoryRecord& b) {
                         return a.dateTime > b.dateTime;
                     });
    return rows;
}

std::optional<NumberHistoryTable::LastCall> NumberHistoryTable::Last(const QString& key) {
    if (key.isEmpty()) {
        return std::nullopt;
    }
    const auto lock = connection_.Lock();
    SqlStatement last = connection_.Prepare(
        ByNumber("select id, type, date_time", "table_log", "order by id desc limit 1"));
    last.Bind(1, key);
    if (!last.Next()) {
        return std::nullopt;
    }
    return LastCall{last.Int(0), last.Int(1), last.Text(2)};
}

QString NumberHistoryTable::LatestNote(const QString& key) {
    if (key.isEmpty()) {
        return {};
    }
    const auto lock = connection_.Lock();
    SqlStatement note = connection_.Prepare(
        ByNumber("select content", "table_notepad", "and id>0 order by id desc limit 1"));
    note.Bind(1, key);
    return note.Next() ? note.Text(0) : QString();
}

} // namespace tamberlink
