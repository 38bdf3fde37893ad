#include "store/LocalDatabase.h"

#include "store/Schema.h"
#include "store/StoreLog.h"

#include <sqlite3.h>

namespace tamberlink {

LocalDatabase::~LocalDatabase() {
    Close();
}

bool LocalDatabase::Open(const QString& path) {
    Close();
    const auto lock = connection_.Lock();
    refusal_ = Refusal::None;
    sqlite3* db = OpenDatabaseFile(
        path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, openError_);
    if (db == nullptr) {
        return false;
    }
    // Another process (a second start, an inspecting tool) may hold the file for a moment.
    sqlite3_busy_timeout(db, 3000);
    const int version = ReadSchemaVersion(db);
    if (version > kSchemaVersion) {
        // Nothing has been written: its tables may mean something this program cannot know.
        openError_ = QStringLiteral("schema version %1 is newer than %2, the newest this "
                                    "program knows")
                         .arg(version)
                         .arg(kSchemaVersion);
        refusal_ = Refusal::NewerVersion;
        sqlite3_close(db);
        return false;
    }
    connection_.SetHandle(db);
    readOnly_ = false;
    beside_ = false;
    path_ = path;
    connection_.Exec("PRAGMA synchronous=NORMAL");
    if (version == kSchemaVersion) {
        UseWal();
    }
    return true;
}

void LocalDatabase::UseWal() {
    // A commit appends to the log without waiting for the disk and survives a crash of the
    // program; readers on other connections never wait for the writer. Where the file
    // system cannot keep a log, the database stays in its old mode and works as before.
    connection_.Exec("PRAGMA journal_mode=WAL");
}

bool LocalDatabase::OpenForReading(const QString& path) {
    Close();
    const auto lock = connection_.Lock();
    refusal_ = Refusal::None;
    sqlite3* db = OpenDatabaseFile(path, SQLITE_OPEN_READONLY | SQLITE_OPEN_FULLMUTEX, openError_);
    if (db == nullptr) {
        return false;
    }
    connection_.SetHandle(db);
    readOnly_ = true;
    path_ = path;
    sqlite3_busy_timeout(db, 3000);
    // This connection reads whole tables through once, where a page is rarely read twice and
    // the system's file cache serves it again: a small page cache keeps the program's memory
    // from growing with the tables.
    connection_.Exec("PRAGMA cache_size=-512");
    // sqlite3_interrupt only reaches a statement already running; the flag also stops one
    // that a job is just about to start.
    interrupted_ = false;
    sqlite3_progress_handler(
        db, 1000, [](void* flag) { return static_cast<std::atomic<bool>*>(flag)->load() ? 1 : 0; },
        &interrupted_);
    return true;
}

bool LocalDatabase::OpenBeside(const LocalDatabase& main) {
    QString path;
    {
        const auto lock = main.connection_.Lock();
        if (main.connection_.Handle() == nullptr || main.readOnly_) {
            openError_ = QStringLiteral("the database is not open for writing");
            return false;
        }
        path = main.path_;
    }
    if (!Open(path)) {
        return false;
    }
    beside_ = true;
    return true;
}

bool LocalDatabase::IsOpen() const {
    const auto lock = connection_.Lock();
    return connection_.Handle() != nullptr;
}

void LocalDatabase::Close() {
    const auto lock = connection_.Lock();
    sqlite3* db = connection_.Handle();
    if (db != nullptr && !readOnly_ && !beside_) {
        // The last connection to close would do this too; doing it here leaves the file
        // whole even when a reader still holds it open.
        connection_.Exec("PRAGMA wal_checkpoint(TRUNCATE)");
    }
    connection_.SetHandle(nullptr);
    sqlite3_close(db);
}

void LocalDatabase::HandCheckpointsTo(std::function<void(int pages)> checkpoint) {
    const auto lock = connection_.Lock();
    sqlite3* db = connection_.Handle();
    checkpoint_ = std::move(checkpoint);
    if (db == nullptr || readOnly_) {
        return;
    }
    if (!checkpoint_) {
        sqlite3_wal_autocheckpoint(db, kCheckpointPages);
        return;
    }
    // Replaces SQLite's own checkpoint after a commit. Commits that follow each other
    // without a pause can keep a checkpoint elsewhere from ever catching up; far past its
    // size the log is then folded back here, as SQLite would.
    sqlite3_wal_hook(
        db,
        [](void* self, sqlite3* handle, const char* name, int pages) {
            if (pages >= kCheckpointPages) {
                static_cast<LocalDatabase*>(self)->checkpoint_(pages);
            }
            if (pages >= kWriterCheckpointPages) {
                sqlite3_wal_checkpoint(handle, name);
            }
            return SQLITE_OK;
        },
        this);
}

void LocalDatabase::CheckpointPassively() {
    const auto lock = connection_.Lock();
    connection_.Exec("PRAGMA wal_checkpoint(PASSIVE)");
}

void LocalDatabase::Interrupt() {
    interrupted_ = true;
    // Deliberately without the lock: the statement to stop holds it.
    if (sqlite3* db = connection_.Handle()) {
        sqlite3_interrupt(db);
    }
}

bool LocalDatabase::NeedsMigrations() {
    const auto lock = connection_.Lock();
    sqlite3* db = connection_.Handle();
    return db != nullptr && ReadSchemaVersion(db) < kSchemaVersion;
}

bool LocalDatabase::RunMigrations() {
    const auto lock = connection_.Lock();
    sqlite3* db = connection_.Handle();
    if (db == nullptr) {
        return false;
    }
    QString error;
    if (!UpgradeSchema(db, error)) {
        openError_ = error;
        refusal_ = Refusal::UpgradeFailed;
        qCWarning(lcStore).noquote()
            << "schema upgrade failed, the database is as it was:" << error;
        return false;
    }
    UseWal();
    return true;
}

} // namespace tamberlink
