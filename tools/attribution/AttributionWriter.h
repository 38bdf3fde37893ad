#pragma once

#include "PrefixTable.h"

#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace tamberlink {

// Writes an attribution database (table area_code, keyed and indexed on phone). The rows go
// to a temporary file beside the target, which replaces the target only on Commit, so a
// failed import leaves any earlier database as it was.
class AttributionWriter {
public:
    explicit AttributionWriter(std::string target);
    ~AttributionWriter();
    AttributionWriter(const AttributionWriter&) = delete;
    AttributionWriter& operator=(const AttributionWriter&) = delete;

    bool Begin(std::string& error);
    // False with the reason when the row cannot be stored (a prefix given twice, a full disk).
    bool Add(const PrefixRow& row, std::string& error);
    // Adds the row unless its prefix is already there; `added` tells which.
    bool AddIfAbsent(const PrefixRow& row, bool& added, std::string& error);
    bool Commit(std::string& error);

private:
    void Finalize();
    void Discard();
    bool Insert(sqlite3_stmt* statement, const PrefixRow& row, std::string& error);

    std::string target_;
    std::string temp_;
    sqlite3* db_ = nullptr;
    sqlite3_stmt* insert_ = nullptr;
    sqlite3_stmt* insertIfAbsent_ = nullptr;
};

} // namespace tamberlink
