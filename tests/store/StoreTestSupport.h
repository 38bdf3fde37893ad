#pragma once

#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QtGlobal>

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <string_view>
#include <utility>

namespace tamberlink::test {

inline QString BuiltDataFile(const char* name) {
    return QString::fromUtf8(TAMBERLINK_BIN_DIR) + QStringLiteral("/Data/") +
           QString::fromUtf8(name);
}

// Collects the messages of the store's logging category, one line each, while it lives;
// other messages go on to the handler installed before.
class StoreLog {
public:
    StoreLog() {
        std::lock_guard lock(Mutex());
        Lines().clear();
        Previous() = qInstallMessageHandler(Collect);
    }
    ~StoreLog() { qInstallMessageHandler(Previous()); }
    StoreLog(const StoreLog&) = delete;
    StoreLog& operator=(const StoreLog&) = delete;

    // What was collected since the last call.
    std::string Take() {
        std::lock_guard lock(Mutex());
        return std::exchange(Lines(), {});
    }

private:
    static void Collect(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (context.category != nullptr &&
            std::string_view(context.category) == "tamberlink.store") {
            std::lock_guard lock(Mutex());
            Lines() += text.toStdString() + '\n';
        } else if (QtMessageHandler previous = Previous()) {
            previous(type, context, text);
        }
    }
    static std::mutex& Mutex() {
        static std::mutex mutex;
        return mutex;
    }
    static std::string& Lines() {
        static std::string lines;
        return lines;
    }
    static QtMessageHandler& Previous() {
        static QtMessageHandler previous = nullptr;
        return previous;
    }
};

// A copy of the built seed database in a fresh folder, as a first start makes it.
class SeedCopy {
public:
    SeedCopy() {
        path_ = dir_.filePath(QStringLiteral("Tamberlink.db"));
        EXPECT_TRUE(QFile::copy(BuiltDataFile("Tamberlink.db"), path_));
        QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner);
    }
    const QString& path() const { return path_; }
    QString folder() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
    QString path_;
};

// A second, plain connection for looking at (or preparing) what the code under test wrote.
class RawDb {
public:
    explicit RawDb(const QString& path) {
        EXPECT_EQ(sqlite3_open(path.toUtf8().constData(), &db_), SQLITE_OK);
        sqlite3_busy_timeout(db_, 5000);
    }
    ~RawDb() { sqlite3_close(db_); }

    void Exec(const std::string& sql) {
        char* error = nullptr;
        EXPECT_EQ(sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK)
            << sql << ": " << (error ? error : "");
        sqlite3_free(error);
    }

    // Every row of a query, columns joined by '|', rows by '\n'; NULL shows as "<null>".
    std::string Rows(const std::string& sql) {
        sqlite3_stmt* stmt = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr), SQLITE_OK) << sql;
        std::string out;
        while (stmt && sqlite3_step(stmt) == SQLITE_ROW) {
            if (!out.empty()) {
                out += '\n';
            }
            for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
                if (c > 0) {
                    out += '|';
                }
                const unsigned char* text = sqlite3_column_text(stmt, c);
                out += text ? reinterpret_cast<const char*>(text) : "<null>";
            }
        }
        sqlite3_finalize(stmt);
        return out;
    }

private:
    sqlite3* db_ = nullptr;
};

} // namespace tamberlink::test
