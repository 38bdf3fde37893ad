#pragma once

#include "store/SqlStatement.h"

#include <QString>

#include <atomic>
#include <deque>
#include <mutex>
#include <string_view>
#include <vector>

struct sqlite3;

namespace tamberlink {

// The one SQLite connection that every table of a LocalDatabase works through, and the lock
// that makes each table operation run whole: an operation holds Lock() from its first
// statement to its last and uses the helpers below meanwhile. A failure is reported on
// lcStore as the operation's words followed by SQLite's message.
class StoreConnection {
public:
    StoreConnection() = default;
    StoreConnection(const StoreConnection&) = delete;
    StoreConnection& operator=(const StoreConnection&) = delete;

    [[nodiscard]] std::unique_lock<std::mutex> Lock() const { return std::unique_lock(mutex_); }

    // Null while closed. Set and read with the lock held; read without it only to interrupt.
    sqlite3* Handle() const { return db_; }
    void SetHandle(sqlite3* db) { db_ = db; }

    SqlStatement Prepare(std::string_view sql) const { return SqlStatement(db_, sql); }
    // Runs a statement that returns no rows; false when it fails, reported when `failure`
    // names the operation.
    bool Exec(std::string_view sql, const char* failure = nullptr) const;
    // Runs a prepared statement to its end; false, reported, when it fails.
    bool Run(SqlStatement& statement, const char* failure) const;
    // The new row's id after a successful insert, else 0 with the failure reported.
    int Insert(SqlStatement& statement, const char* failure) const;
    int LastInsertId() const;
    // The rows the last statement inserted, changed or deleted.
    int Changes() const;
    QString ErrorText() const;
    void ReportFailure(const char* failure) const;
    // Runs `sql` once for each id bound to its one parameter, all in one transaction: a
    // commit per row made deleting a thousand rows take seconds. A failed row is reported
    // and skipped on its own.
    void RunForEachId(std::string_view sql, const std::vector<int>& ids, const char* failure) const;
    // The first column of every row `sql` gives, as ints: a list's ids in its order; of the
    // first `limit` rows when it is not 0. A deque, so that a million ids grow without being
    // copied.
    std::deque<int> ReadIds(std::string_view sql, int limit = 0) const;
    // `sql` followed by " where id in (...)" with `ids`: a page of rows read in one statement.
    SqlStatement PrepareForIds(std::string_view sql, const std::vector<int>& ids) const;

private:
    mutable std::mutex mutex_;
    std::atomic<sqlite3*> db_{nullptr};
};

// The current local time as the call log and the SMS list store it: "2016/03/07 09:05:00".
QString CurrentLocalTimeText();

} // namespace tamberlink
