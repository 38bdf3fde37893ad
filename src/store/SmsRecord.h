#pragma once

#include <QString>

namespace tamberlink {

// One sent SMS.
struct SmsRecord {
    int id = 0;
    QString name; // contact name, or the number when it had no contact
    QString head;
    QString phone;
    QString dateTime; // "2016/03/07 09:05:00"
    QString content;
    QString attribution;
};

} // namespace tamberlink
