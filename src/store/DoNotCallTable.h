#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace tamberlink {

class StoreConnection;

// One number that must not be called, and where it came from.
struct DoNotCallEntry {
    QString number{};
    QString source{}; // "黑名单" with the call list's file, "手动添加", "导入"
    std::int64_t created = 0;
    int id = 0; // the row's id, as the list shows it
};

// table_do_not_call: the numbers no dial may reach without the user's say-so, one row per
// number as PhoneNumber::Clean writes it.
class DoNotCallTable {
public:
    explicit DoNotCallTable(StoreConnection& connection)
        : connection_(connection) {}

    // Newest first.
    std::vector<DoNotCallEntry> Load();
    bool Contains(const QString& number);
    // True when the number was added; false when it was there already or the insert failed.
    bool Add(const DoNotCallEntry& entry);
    // The numbers added, in one transaction; those already there are left alone.
    int AddAll(const std::vector<DoNotCallEntry>& entries);
    bool Remove(const QString& number);

private:
    StoreConnection& connection_;
};

} // namespace tamberlink
