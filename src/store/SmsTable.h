#pragma once

#include "store/SmsRecord.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <vector>

namespace tamberlink {

class StoreConnection;

// table_sms: the SMS sent.
class SmsTable {
public:
    explicit SmsTable(StoreConnection& connection)
        : connection_(connection) {}

    // Newest first.
    std::vector<SmsRecord> Load();
    // The ids of every message, newest first; of the first `limit` when it is not 0.
    std::deque<int> Ids(int limit = 0);
    // The messages `ids` that exist, in no particular order.
    std::vector<SmsRecord> Get(const std::vector<int>& ids);
    // The message, with the name and picture of the number's contact.
    bool Add(const QString& number, const QString& content, const QString& attribution);
    bool Delete(const std::vector<int>& ids);
    // [date_time, content] of the first SMS sent to the number, or an empty list.
    QStringList GetFirstTo(const QString& number);

private:
    StoreConnection& connection_;
};

} // namespace tamberlink
