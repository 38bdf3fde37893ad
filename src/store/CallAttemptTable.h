#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace tamberlink {

class StoreConnection;

// One outcome of a call made from a call list.
struct CallAttempt {
    int id = 0;
    std::int64_t time = 0; // seconds since 1970
    QString number;
    int outcome = 0; // the call list's status, 1 to 4
    QString remark;
    QString file; // the call list's workbook
    int row = 0;  // 0-based sheet row
};

// table_call_attempt: every outcome given in a dialling campaign, and table_dial_campaign:
// the one campaign going on, kept as its own text after every change so that it survives
// the program.
class CallAttemptTable {
public:
    explicit CallAttemptTable(StoreConnection& connection)
        : connection_(connection) {}

    // The new attempt's id; 0 when the insert failed.
    int Add(const CallAttempt& attempt);
    bool Delete(int id);
    // The attempts on `number`, oldest first.
    std::vector<CallAttempt> ForNumber(const QString& number);

    // The saved campaign replaces the one before and its changes; an empty text forgets it.
    bool SaveCampaign(const QString& state);
    // What changed since the campaign was last saved whole, replacing the changes before:
    // far shorter than the whole of a long list, so it can be written before every dial.
    bool SaveCampaignChanges(const QString& changes);
    std::optional<QString> LoadCampaign();
    // Empty when there are none.
    QString LoadCampaignChanges();

private:
    StoreConnection& connection_;
};

} // namespace tamberlink
