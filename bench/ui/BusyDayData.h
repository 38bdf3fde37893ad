// The data folders of years the busy-day benchmarks run on: the user's database made from the
// seed and its migrations, filled with calls, contacts, notes and sent SMS, kept once in the
// build tree's bench-cache/ under a name that tells its shape and schema.
#pragma once

#include "store/LocalDatabase.h"
#include "store/Schema.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ctime>

namespace tamberlink::bench::busyday {

struct Scale {
    const char* name;
    int calls;
    int noted; // calls with a note and a recording
    int contacts;
    int sms;
    int notes;
};

inline constexpr Scale kEmpty{"empty folder", 0, 0, 0, 0, 0};
inline constexpr Scale kBusy{"100k calls and contacts", 100000, 1000, 100000, 10000, 5000};
inline constexpr Scale kMillion{"1M calls, 500k contacts", 1000000, 10000, 500000, 10000, 10000};

class Inserter {
public:
    Inserter(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
    ~Inserter() { sqlite3_finalize(stmt_); }
    Inserter& Text(int index, const QByteArray& text) {
        sqlite3_bind_text(stmt_, index, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Inserter& Int(int index, int value) {
        sqlite3_bind_int(stmt_, index, value);
        return *this;
    }
    bool Run() {
        const bool ok = stmt_ != nullptr && sqlite3_step(stmt_) == SQLITE_DONE;
        sqlite3_reset(stmt_);
        return ok;
    }

private:
    sqlite3_stmt* stmt_ = nullptr;
};

inline QByteArray ContactPhone(int i) {
    return QByteArray("138") + QByteArray::number(10000000 + i);
}

// The user's database as years of use leave it, made from the seed and its migrations, at
// `path`.
inline bool MakeDatabase(const QString& path, const Scale& scale) {
    if (!QFile::copy(QStringLiteral(TAMBERLINK_BIN_DIR "/Data/Tamberlink.db"), path)) {
        return false;
    }
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    {
        LocalDatabase db;
        if (!db.Open(path)) {
            return false;
        }
        db.RunMigrations();
    }
    if (scale.calls == 0) {
        return true;
    }
    sqlite3* db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK) {
        return false;
    }
    bool ok = sqlite3_exec(db, "begin", nullptr, nullptr, nullptr) == SQLITE_OK;
    {
        Inserter contact(db, "insert into table_contact(name, phone, head, email, company, home, "
                             "other, cid, datetime, attribution, nameindex) "
                             "values(?, ?, '', '', '', '', '', '', '', '移动|北京', 'LXR')");
        for (int i = 0; ok && i < scale.contacts; ++i) {
            ok = contact.Text(1, "联系人" + QByteArray::number(i)).Text(2, ContactPhone(i)).Run();
        }
        Inserter call(db, "insert into table_log(name, phone, head, date_time, type, areacode, "
                          "corp, record_guid) values(?, ?, '', ?, ?, '北京', '中国移动', ?)");
        const int noteEvery = scale.calls / std::max(1, scale.noted);
        for (int i = 1; ok && i <= scale.calls; ++i) {
            const bool known = i % 7 == 0;
            const QByteArray phone = known ? ContactPhone(i % scale.contacts)
                                           : QByteArray("139") + QByteArray::number(10000000 + i);
            const QByteArray name =
                known ? "联系人" + QByteArray::number(i % scale.contacts) : phone;
            const QByteArray guid = i % noteEvery == 0 ? QByteArray("0A1B2C3D-4E5F-6a7b-8C9D-") +
                                                             QByteArray::number(100000000000LL + i)
                                                       : QByteArray();
            const QByteArray time = QByteArray("2024/05/") + QByteArray::number(10 + i % 18) +
                                    " 09:" + QByteArray::number(10 + i % 50) + ":" +
                                    QByteArray::number(10 + i % 49);
            ok = call.Text(1, name)
                     .Text(2, phone)
                     .Text(3, time)
                     .Int(4, 1 + i % 5)
                     .Text(5, guid)
                     .Run();
        }
        Inserter note(db, "insert into table_notepad(name, phone, head, date_time, content, cid) "
                          "values('', '', '', ?, ?, ?)");
        const std::int64_t now = std::time(nullptr);
        for (int i = 0; ok && i < scale.notes; ++i) {
            const int cid = i < scale.noted ? (i + 1) * noteEvery : 0;
            // One note in ten reminds: those already past and those still to come.
            const QByteArray due =
                i % 10 == 0 ? QByteArray::number(now + (i % 20 == 0 ? 86400 + i : -86400 - i))
                            : QByteArray();
            ok = note.Text(1, due)
                     .Text(2, "回电话，报价单第" + QByteArray::number(i) + "版")
                     .Int(3, cid)
                     .Run();
        }
        Inserter sms(db, "insert into table_sms(name, phone, head, date_time, content, "
                         "attribution) values(?, ?, '', '2024/05/01 09:10:11', ?, '移动|北京')");
        for (int i = 0; ok && i < scale.sms; ++i) {
            const QByteArray phone = ContactPhone(i % scale.contacts);
            ok = sms.Text(1, phone).Text(2, phone).Text(3, "您好，资料已发送，请查收。").Run();
        }
    }
    ok = ok && sqlite3_exec(db, "commit", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

// The data folder of `scale` in `documents`: a copy of the database kept in the build tree's
// cache, made there first when no database of this shape and schema is kept yet.
inline bool PrepareFolder(const QString& documents, const Scale& scale) {
    const QString cache = QStringLiteral(TAMBERLINK_BIN_DIR "/bench-cache");
    const QString kept = cache + QStringLiteral("/busyday-%1-%2-%3-%4-%5-v%6.db")
                                     .arg(scale.calls)
                                     .arg(scale.noted)
                                     .arg(scale.contacts)
                                     .arg(scale.sms)
                                     .arg(scale.notes)
                                     .arg(kSchemaVersion);
    if (!QFile::exists(kept)) {
        const QString making = kept + QStringLiteral(".part");
        QFile::remove(making);
        std::printf("making the %s database once, kept in %s\n", scale.name, qPrintable(cache));
        std::fflush(stdout);
        if (!QDir().mkpath(cache) || !MakeDatabase(making, scale) || !QFile::rename(making, kept)) {
            QFile::remove(making);
            return false;
        }
    }
    const QString folder = documents + QStringLiteral("/Tamberlink/Data");
    const QString path = folder + QStringLiteral("/Tamberlink.db");
    if (!QDir().mkpath(folder) || !QFile::copy(kept, path)) {
        return false;
    }
    return QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
}

} // namespace tamberlink::bench::busyday
