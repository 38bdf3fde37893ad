#include "AttributionWriter.h"

#include <sqlite3.h>

#include <cstdio>
#include <unistd.h>

namespace tamberlink {

AttributionWriter::AttributionWriter(std::string target)
    : target_(std::move(target))
    , temp_(target_ + ".tmp." + std::to_string(getpid())) {}

AttributionWriter::~AttributionWriter() {
    Discard();
}

void AttributionWriter::Finalize() {
    sqlite3_finalize(insert_);
    insert_ = nullptr;
    sqlite3_finalize(insertIfAbsent_);
    insertIfAbsent_ = nullptr;
}

void AttributionWriter::Discard() {
    Finalize();
    if (db_ != nullptr) {
        sqlite3_close(db_);
        db_ = nullptr;
        std::remove(temp_.c_str());
    }
}

bool AttributionWriter::Begin(std::string& error) {
    std::remove(temp_.c_str());
    if (sqlite3_open_v2(temp_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        error = "cannot create " + temp_ + ": " + sqlite3_errmsg(db_);
        Discard();
        return false;
    }
    // The file is private until it is renamed into place, so it needs no journal.
    const char* schema =
        "pragma journal_mode=off; pragma synchronous=off; "
        "create table area_code(phone text primary key, province text, city text, corp text, "
        "areacode text) without rowid; "
        "begin transaction;";
    const char* columns = " into area_code(phone, province, city, corp, areacode) "
                          "values(?, ?, ?, ?, ?)";
    if (sqlite3_exec(db_, schema, nullptr, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(db_, (std::string("insert") + columns).c_str(), -1, &insert_, nullptr) !=
            SQLITE_OK ||
        sqlite3_prepare_v2(db_, (std::string("insert or ignore") + columns).c_str(), -1,
                           &insertIfAbsent_, nullptr) != SQLITE_OK) {
        error = std::string("cannot prepare the database: ") + sqlite3_errmsg(db_);
        Discard();
        return false;
    }
    return true;
}

bool AttributionWriter::Insert(sqlite3_stmt* statement, const PrefixRow& row, std::string& error) {
    const std::string* values[] = {&row.phone, &row.province, &row.city, &row.corp, &row.areacode};
    for (int i = 0; i < 5; ++i) {
        sqlite3_bind_text(statement, i + 1, values[i]->data(), int(values[i]->size()),
                          SQLITE_STATIC);
    }
    const int rc = sqlite3_step(statement);
    sqlite3_reset(statement);
    if (rc == SQLITE_DONE) {
        return true;
    }
    if ((sqlite3_extended_errcode(db_) & 0xFF) == SQLITE_CONSTRAINT) {
        error = "the prefix " + row.phone + " appears twice";
    } else {
        error = sqlite3_errmsg(db_);
    }
    return false;
}

bool AttributionWriter::Add(const PrefixRow& row, std::string& error) {
    return Insert(insert_, row, error);
}

bool AttributionWriter::AddIfAbsent(const PrefixRow& row, bool& added, std::string& error) {
    if (!Insert(insertIfAbsent_, row, error)) {
        return false;
    }
    added = sqlite3_changes(db_) == 1;
    return true;
}

bool AttributionWriter::Commit(std::string& error) {
    Finalize();
    // Rows added out of key order leave pages half full; vacuum packs them.
    if (sqlite3_exec(db_, "commit transaction; vacuum", nullptr, nullptr, nullptr) != SQLITE_OK) {
        error = std::string("cannot write the database: ") + sqlite3_errmsg(db_);
        Discard();
        return false;
    }
    sqlite3_close(db_);
    db_ = nullptr;
    if (std::rename(temp_.c_str(), target_.c_str()) != 0) {
        error = "cannot replace " + target_;
        std::remove(temp_.c_str());
        return false;
    }
    return true;
}

} // namespace tamberlink
