#pragma once

#include <QString>

namespace tamberlink {

// One thing that happened with a number: a call either way, an SMS sent to it, or a note
// about it.
struct NumberHistoryRecord {
    enum class Kind { Call, Sms, Note };

    int id = 0; // unique within the history: the row's id, made negative for SMS and notes
    Kind kind = Kind::Call;
    int rowId = 0;    // the row in its own table
    QString dateTime; // "2016/03/07 09:05:00"; a note takes its call's, or has none
    QString phone;    // as that row wrote it
    int callType = 0; // calls: 1 to 5, as in the call log
    QString recordGuid;
    QString text; // SMS and notes: the content
};

} // namespace tamberlink
