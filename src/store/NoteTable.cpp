#include "store/NoteTable.h"

#include "store/StoreConnection.h"
#include "util/TextCodec.h"

#include <algorithm>

namespace tamberlink {

namespace {

NoteRecord ReadNote(const SqlStatement& query) {
    NoteRecord note;
    note.id = query.Int(0);
    note.name = query.Text(1);
    note.phone = query.Text(2);
    note.head = query.Text(3);
    note.dateTime = query.Text(4);
    note.content = query.Text(5);
    note.cid = query.Int(6);
    bool isNumber = false;
    const qint64 seconds = note.dateTime.toLongLong(&isNumber);
    std::string shown;
    if (isNumber && TimeToText(seconds, shown)) {
        note.displayTime = QString::fromStdString(shown);
    }
    return note;
}

} // namespace

std::vector<NoteRecord> NoteTable::Read(std::string_view sql, std::int64_t now) {
    const auto lock = connection_.Lock();
    SqlStatement query = connection_.Prepare(sql);
    std::vector<NoteRecord> notes;
    while (query.Next()) {
        notes.emplace_back(ReadNote(query)).ScheduleReminder(now);
    }
    return notes;
}

std::vector<NoteRecord> NoteTable::Load(std::int64_t now) {
    return Read("select * from table_notepad order by id desc", now);
}

std::vector<NoteRecord> NoteTable::LoadDueReminders(std::int64_t now) {
    std::vector<NoteRecord> notes =
        Read("select * from table_notepad where date_time<>'' order by id desc", now);
    std::erase_if(notes, [](const NoteRecord& note) { return note.timerId == 0; });
    return notes;
}

std::optional<NoteRecord> NoteTable::Find(std::string_view sql, int key) {
    const auto lock = connection_.Lock();
    SqlStatement query = connection_.Prepare(sql);
    query.Bind(1, QString::number(key));
    if (!query.Next()) {
        return std::nullopt;
    }
    return ReadNote(query);
}

std::optional<NoteRecord> NoteTable::Get(int id) {
    return Find("select * from table_notepad where id=?", id);
}

std::deque<int> NoteTable::Ids(int limit) {
    const auto lock = connection_.Lock();
    return connection_.ReadIds("select id from table_notepad order by id desc", limit);
}

std::vector<NoteRecord> NoteTable::Get(const std::vector<int>& ids, std::int64_t now) {
    if (ids.empty()) {
        return {};
    }
    const auto lock = connection_.Lock();
    SqlStatement query = connection_.PrepareForIds("select * from table_notepad", ids);
    std::vector<NoteRecord> notes;
    while (query.Next()) {
        notes.emplace_back(ReadNote(query)).ScheduleReminder(now);
    }
    return notes;
}

std::optional<NoteRecord> NoteTable::GetForCall(int callLogId) {
    return Find("select * from table_notepad where cid=?", callLogId);
}

int NoteTable::Add(const QString& name, const QString& phone, const QString& head,
                   const QString& dateTime, const QString& content, int cid) {
    const auto lock = connection_.Lock();
    SqlStatement insert = connection_.Prepare("insert into table_notepad(name, phone, head, "
                                              "date_time, content, cid) "
                                              "values(?, ?, ?, ?, ?, ?)");
    insert.Bind(1, name)
        .Bind(2, phone)
        .Bind(3, head)
        .Bind(4, dateTime)
        .Bind(5, content)
        .Bind(6, QString::number(cid));
    return connection_.Insert(insert, "插入笔记失败：");
}

bool NoteTable::Update(int id, const QString& name, const QString& phone, const QString& head,
                       const QString& dateTime, const QString& content) {
    const auto lock = connection_.Lock();
    SqlStatement update = connection_.Prepare("update table_notepad set name=?, phone=?, "
                                              "head=?, date_time=?, content=? where id=?");
    update.Bind(1, name)
        .Bind(2, phone)
        .Bind(3, head)
        .Bind(4, dateTime)
        .Bind(5, content)
        .Bind(6, id);
    return connection_.Run(update, "更新笔记失败：");
}

bool NoteTable::Delete(const std::vector<int>& ids, std::vector<int>* calls) {
    const auto lock = connection_.Lock();
    if (calls != nullptr) {
        SqlStatement cid = connection_.Prepare("select cid from table_notepad where id=?");
        for (int id : ids) {
            cid.Bind(1, id);
            if (cid.Next() && cid.Int(0) > 0) {
                calls->push_back(cid.Int(0));
            }
            cid.Reset();
        }
        std::sort(calls->begin(), calls->end());
        calls->erase(std::unique(calls->begin(), calls->end()), calls->end());
    }
    connection_.RunForEachId("delete from table_notepad where id=?", ids, "删除笔记失败：");
    return true;
}

} // namespace tamberlink
