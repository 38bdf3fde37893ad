#include "store/AttributionDatabase.h"

#include "util/PhoneNumber.h"

#include <sqlite3.h>

namespace tamberlink {

namespace {

// Numbers are matched by their first seven characters, the length of a mobile prefix.
constexpr int kPrefixLength = 7;

} // namespace

AttributionDatabase::~AttributionDatabase() {
    Close();
}

bool AttributionDatabase::Open(const QString& path) {
    Close();
    std::lock_guard lock(mutex_);
    db_ = OpenDatabaseFile(path, SQLITE_OPEN_READONLY | SQLITE_OPEN_FULLMUTEX, openError_);
    if (db_ == nullptr) {
        return false;
    }
    query_ = SqlStatement(db_, "select province,city,corp,areacode from area_code where phone=?");
    return true;
}

bool AttributionDatabase::IsOpen() const {
    std::lock_guard lock(mutex_);
    return db_ != nullptr;
}

void AttributionDatabase::Close() {
    std::lock_guard lock(mutex_);
    query_ = SqlStatement();
    sqlite3_close(db_);
    db_ = nullptr;
}

NumberAttribution AttributionDatabase::Lookup(const QString& number) const {
    std::lock_guard lock(mutex_);
    NumberAttribution found;
    query_.Bind(1, number.left(kPrefixLength));
    if (query_.Next()) {
        found.province = query_.Text(0);
        found.city = query_.Text(1);
        found.corp = query_.Text(2);
        found.areaCode = query_.Text(3);
    }
    query_.Reset();
    return found;
}

QString AttributionDatabase::GetAttribution(const QString& number) const {
    return Lookup(PhoneNumber::Clean(number)).Text();
}

} // namespace tamberlink
