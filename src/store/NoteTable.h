#pragma once

#include "store/NoteRecord.h"

#include <QString>

#include <cstdint>
#include <deque>
#include <optional>
#include <string_view>
#include <vector>

namespace tamberlink {

class StoreConnection;

// table_notepad: notes, each optionally about a contact, written for a call-log entry and
// with a reminder.
class NoteTable {
public:
    explicit NoteTable(StoreConnection& connection)
        : connection_(connection) {}

    // Newest first. `now` (seconds since 1970) decides which reminders are still due.
    std::vector<NoteRecord> Load(std::int64_t now);
    // Only the notes whose reminder lies ahead of `now`, for starting their timers.
    std::vector<NoteRecord> LoadDueReminders(std::int64_t now);
    std::optional<NoteRecord> Get(int id);
    // The ids of every note, newest first; of the first `limit` when it is not 0.
    std::deque<int> Ids(int limit = 0);
    // The notes `ids` that exist, in no particular order; `now` as for Load.
    std::vector<NoteRecord> Get(const std::vector<int>& ids, std::int64_t now);
    std::optional<NoteRecord> GetForCall(int callLogId);
    // The id of the new note; 0 when the insert failed.
    int Add(const QString& name, const QString& phone, const QString& head, const QString& dateTime,
            const QString& content, int cid);
    bool Update(int id, const QString& name, const QString& phone, const QString& head,
                const QString& dateTime, const QString& content);
    // `calls` receives the call-log entries the deleted notes were written for.
    bool Delete(const std::vector<int>& ids, std::vector<int>* calls = nullptr);

private:
    std::vector<NoteRecord> Read(std::string_view sql, std::int64_t now);
    // The first note the query finds for `key`, bound as text.
    std::optional<NoteRecord> Find(std::string_view sql, int key);

    StoreConnection& connection_;
};

} // namespace tamberlink
