#include "store/SqlStatement.h"

#include <sqlite3.h>

#include <utility>

namespace tamberlink {

sqlite3* OpenDatabaseFile(const QString& path, int flags, QString& error) {
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, flags, nullptr);
    if (rc == SQLITE_OK) {
        rc = sqlite3_exec(db, "select count(*) from sqlite_master", nullptr, nullptr, nullptr);
    }
    if (rc != SQLITE_OK) {
        error = QString::fromUtf8(db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        sqlite3_close(db);
        return nullptr;
    }
    error.clear();
    return db;
}

SqlStatement::SqlStatement(sqlite3* db, std::string_view sql) {
    if (db == nullptr ||
        sqlite3_prepare_v2(db, sql.data(), int(sql.size()), &stmt_, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
    }
}

SqlStatement::~SqlStatement() {
    sqlite3_finalize(stmt_);
}

SqlStatement::SqlStatement(SqlStatement&& other) noexcept
    : stmt_(std::exchange(other.stmt_, nullptr)) {}

SqlStatement& SqlStatement::operator=(SqlStatement&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(stmt_);
        stmt_ = std::exchange(other.stmt_, nullptr);
    }
    return *this;
}

SqlStatement& SqlStatement::Bind(int index, const QString& text) {
    if (stmt_ != nullptr) {
        // Bound as UTF-8, the database's encoding, so comparisons need no conversion. A null
        // QString still gives a (zero-length) text, never NULL.
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(stmt_, index, utf8.isNull() ? "" : utf8.constData(), int(utf8.size()),
                          SQLITE_TRANSIENT);
    }
    return *this;
}

SqlStatement& SqlStatement::Bind(int index, int value) {
    if (stmt_ != nullptr) {
        sqlite3_bind_int(stmt_, index, value);
    }
    return *this;
}

SqlStatement& SqlStatement::BindInt64(int index, qint64 value) {
    if (stmt_ != nullptr) {
        sqlite3_bind_int64(stmt_, index, value);
    }
    return *this;
}

bool SqlStatement::Next() {
    return stmt_ != nullptr && sqlite3_step(stmt_) == SQLITE_ROW;
}

bool SqlStatement::Run() {
    if (stmt_ == nullptr) {
        return false;
    }
    int rc;
    do {
        rc = sqlite3_step(stmt_);
    } while (rc == SQLITE_ROW);
    return rc == SQLITE_DONE;
}

void SqlStatement::Reset() {
    if (stmt_ != nullptr) {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }
}

QString SqlStatement::Text(int column) const {
    // Text is stored as UTF-8; Qt's decoder turns it into UTF-16 about twice as fast as
    // asking SQLite for UTF-16, which matters when a list of 100,000 contacts loads.
    const unsigned char* data = sqlite3_column_text(stmt_, column);
    if (data == nullptr) {
        return QString();
    }
    const int bytes = sqlite3_column_bytes(stmt_, column);
    return QString::fromUtf8(reinterpret_cast<const char*>(data), bytes);
}

int SqlStatement::Int(int column) const {
    return sqlite3_column_int(stmt_, column);
}

qint64 SqlStatement::Int64(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

bool SqlStatement::IsNull(int column) const {
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

} // namespace tamberlink
