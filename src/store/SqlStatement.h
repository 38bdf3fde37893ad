#pragma once

#include <QString>

#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace tamberlink {

// Opens the database file at `path` with the sqlite3_open_v2 `flags`, and reads its schema,
// since opening alone does not tell a database from any other file. Returns nullptr, with
// SQLite's reason in `error`, on failure.
sqlite3* OpenDatabaseFile(const QString& path, int flags, QString& error);

// One prepared statement. A statement that could not be prepared is invalid: it binds
// nothing, steps to no row and fails every run, so callers read it as an empty result.
class SqlStatement {
public:
    SqlStatement() = default;
    SqlStatement(sqlite3* db, std::string_view sql);
    ~SqlStatement();
    SqlStatement(SqlStatement&& other) noexcept;
    SqlStatement& operator=(SqlStatement&& other) noexcept;
    SqlStatement(const SqlStatement&) = delete;
    SqlStatement& operator=(const SqlStatement&) = delete;

    bool IsValid() const { return stmt_ != nullptr; }

    // Parameters count from 1. A null QString binds as empty text, never as NULL.
    SqlStatement& Bind(int index, const QString& text);
    SqlStatement& Bind(int index, int value);
    // Times in seconds since the epoch outgrow an int in 2038.
    SqlStatement& BindInt64(int index, qint64 value);

    // Steps once; true while a row is available.
    bool Next();
    // Steps to the end; true when the statement completed.
    bool Run();
    // Makes a cached statement ready for the next use.
    void Reset();

    // Columns count from 0; NULL reads as an empty text or 0.
    QString Text(int column) const;
    int Int(int column) const;
    qint64 Int64(int column) const;
    bool IsNull(int column) const;

private:
    sqlite3_stmt* stmt_ = nullptr;
};

} // namespace tamberlink
