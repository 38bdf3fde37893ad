#pragma once

#include "store/CallLogRecord.h"

#include <QString>

#include <deque>
#include <optional>
#include <vector>

namespace tamberlink {

class SqlStatement;
class StoreConnection;

// table_log: the call log, each row read with its note mark. Writes return the ids of the
// rows they add or change, so that a list can read just those rows again.
class CallLogTable {
public:
    enum class RecordingLink {
        Linked,    // the call-log entry now carries the recording
        NotLinked, // no such entry, it has a recording already, or there is no recording
        Failed,    // the update failed; the error text says why
    };

    explicit CallLogTable(StoreConnection& connection)
        : connection_(connection) {}

    // Newest first.
    std::vector<CallLogRecord> Load();
    std::optional<CallLogRecord> GetEntry(int id);
    // The ids of every entry, newest first; of the first `limit` when it is not 0.
    std::deque<int> Ids(int limit = 0);
    // The entries `ids` that exist, in no particular order.
    std::vector<CallLogRecord> GetEntries(const std::vector<int>& ids);
    // The entry, with the name and picture of the number's contact and the nuisance rule the
    // call matched; its id, 0 when the insert failed.
    int Add(const QString& number, const QString& place, const QString& corp, int type,
            const QString& nuisanceLabel = QString());
    bool Delete(const std::vector<int>& ids);
    // Writes the length in seconds of the call `id` when it has none yet and was not missed;
    // the id when written, else 0.
    int SetLength(int id, int seconds);
    bool HasNote(int id);
    // The id of the newest entry; 0 when the log is empty.
    int NewestId();
    // Writes the recording identifier into the entry `callId` (the newest when 0) when that
    // has none yet; `linkedId` receives the entry's id when it was linked.
    RecordingLink LinkRecording(const QString& guid, int callId, QString* error = nullptr,
                                int* linkedId = nullptr);

private:
    std::vector<CallLogRecord> ReadAll(SqlStatement& query);

    StoreConnection& connection_;
};

} // namespace tamberlink
