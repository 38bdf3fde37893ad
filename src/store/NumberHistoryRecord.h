#pragma once

#include <QString>

namespace tamberlink {

// One thing that happened with a number: a call either way, an SMS sent to it, a note
// about it, or an outcome given to it in a call list.
struct NumberHistoryRecord {
    enum class Kind { Call, Sms, Note, Outcome };

    int id = 0; // unique within the history: the row's id, made negative but for calls
    Kind kind = Kind::Call;
    int rowId = 0;    // the row in its own table
    QString dateTime; // "2016/03/07 09:05:00"; a note takes its call's, or has none
    QString phone;    // as that row wrote it
    int callType = 0; // calls: 1 to 5, as in the call log
    QString recordGuid;
    QString text;    // SMS and notes: the content; outcomes: the remark
    int outcome = 0; // outcomes: the call list's status, 1 to 4
    QString file;    // outcomes: the call list's workbook
    int row = 0;     // and its 0-based sheet row
};

} // namespace tamberlink
