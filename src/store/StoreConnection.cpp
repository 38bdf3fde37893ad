#include "store/StoreConnection.h"

#include "store/StoreLog.h"

#include <sqlite3.h>

#include <cstdio>
#include <ctime>
#include <string>

namespace tamberlink {

bool StoreConnection::Exec(std::string_view sql, const char* failure) const {
    SqlStatement statement = Prepare(sql);
    if (!statement.IsValid()) {
        if (failure != nullptr) {
            ReportFailure(failure);
        }
        return false;
    }
    return failure != nullptr ? Run(statement, failure) : statement.Run();
}

bool StoreConnection::Run(SqlStatement& statement, const char* failure) const {
    if (statement.Run()) {
        return true;
    }
    ReportFailure(failure);
    return false;
}

int StoreConnection::Insert(SqlStatement& statement, const char* failure) const {
    return Run(statement, failure) ? LastInsertId() : 0;
}

int StoreConnection::LastInsertId() const {
    return int(sqlite3_last_insert_rowid(db_));
}

int StoreConnection::Changes() const {
    return sqlite3_changes(db_);
}

QString StoreConnection::ErrorText() const {
    sqlite3* db = db_;
    return db != nullptr ? QString::fromUtf8(sqlite3_errmsg(db))
                         : QStringLiteral("database not open");
}

void StoreConnection::ReportFailure(const char* failure) const {
    qCWarning(lcStore).noquote() << QString::fromUtf8(failure) + ErrorText();
}

std::deque<int> StoreConnection::ReadIds(std::string_view sql, int limit) const {
    SqlStatement query = Prepare(limit > 0 ? std::string(sql) + " limit " + std::to_string(limit)
                                           : std::string(sql));
    std::deque<int> ids;
    while (query.Next()) {
        ids.push_back(query.Int(0));
    }
    return ids;
}

SqlStatement StoreConnection::PrepareForIds(std::string_view sql,
                                            const std::vector<int>& ids) const {
    std::string text(sql);
    text += " where id in (";
    for (size_t i = 0; i < ids.size(); ++i) {
        if (i > 0) {
            text += ',';
        }
        text += std::to_string(ids[i]);
    }
    text += ')';
    return Prepare(text);
}

void StoreConnection::RunForEachId(std::string_view sql, const std::vector<int>& ids,
                                   const char* failure) const {
    const bool inTransaction = Exec("begin transaction");
    {
        SqlStatement statement = Prepare(sql);
        for (int id : ids) {
            statement.Bind(1, id);
            if (!statement.IsValid()) {
                ReportFailure(failure);
            } else {
                Run(statement, failure);
            }
            statement.Reset();
        }
    }
    if (inTransaction && !Exec("commit transaction", failure)) {
        Exec("rollback transaction");
    }
}

QString CurrentLocalTimeText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[64];
    std::snprintf(text, sizeof text, "%4d/%02d/%02d %02d:%02d:%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return QString::fromLatin1(text);
}

} // namespace tamberlink
