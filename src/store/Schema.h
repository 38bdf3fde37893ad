#pragma once

#include <QString>

struct sqlite3;

namespace tamberlink {

// The user database's shape is numbered in its PRAGMA user_version. Version 0 is the seed's,
// and that of every file written before the number was kept, whatever columns and tables
// those had gained; each later version is one upgrade step (Schema.cpp lists them). The
// journal mode is no part of it: a file goes over to WAL once its schema is current.
inline constexpr int kSchemaVersion = 16;

// The database's user_version; -1 when it cannot be read.
int ReadSchemaVersion(sqlite3* db);

// Runs the steps from the database's version up to kSchemaVersion, and sets that version, in
// one transaction. True when the schema is current. On failure everything is rolled back, so
// the file is as it was, and `error` names the step and SQLite's reason. Steps that version 0
// may have taken already look at the schema before they change it.
bool UpgradeSchema(sqlite3* db, QString& error);

} // namespace tamberlink
