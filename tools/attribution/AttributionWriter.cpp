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

void AttributionWriter::Discard() {
    sqlite3_finalize(insert_);
    insert_ = nullptr;
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
    if (sqlite3_exec(db_, schema, nullptr, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(db_,
                           "insert into area_code(phone, province, city, corp, areacode) "
                           "values(?, ?, ?, ?, ?)",
                           -1, &insert_, nullptr) != SQLITE_OK) {
        error = std::string("cannot prepare the database: ") + sqlite3_errmsg(db_);
        Discard();
        return false;
    }
    return true;
}

bool AttributionWriter::Add(const PrefixRow& row, std::string& error) {
    const std::string* values[] = {&row.phone, &row.province, &row.city, &row.corp, &row.areacode};
    for (int i = 0; i < 5; ++i) {
        sqlite3_bind_text(insert_, i + 1, values[i]->data(), int(values[i]->size()), SQLITE_STATIC);
    }
    const int rc = sqlite3_step(insert_);
    sqlite3_reset(insert_);
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

bool AttributionWriter::Commit(std::string& error) {
    sqlite3_finalize(insert_);
    insert_ = nullptr;
    if (sqlite3_exec(db_, "commit transaction", nullptr, nullptr, nullptr) != SQLITE_OK) {
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
