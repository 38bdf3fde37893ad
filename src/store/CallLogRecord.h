#pragma once

#include <QString>

namespace tamberlink {

// One call-log row as the call records list shows it.
struct CallLogRecord {
    int id = 0;
    QString name; // contact name at the time of the call, or the number
    QString head;
    QString phone;
    QString attribution; // "移动|广东广州", or "未知号码" when place or carrier is missing
    QString dateTime;    // "2016/03/07 09:05:00"
    bool nameIsPhone = false; // name and phone equal, ignoring case: no contact was known
    int type = 0;             // 1 to 5: phone in, phone out, landline in, landline out, missed
    bool hasNote = false;
    QString recordGuid; // recording identifier; empty when the call was not recorded
    // The nuisance rule the call matched, "推销 400*"; empty for none.
    QString nuisanceLabel;
};

} // namespace tamberlink
