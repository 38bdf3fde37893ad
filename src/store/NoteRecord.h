#pragma once

#include <QString>

#include <cstdint>

namespace tamberlink {

// Reminder timers are numbered from the note id, so the timer's number gives the note back.
inline constexpr int kNoteTimerBase = 2048;

// One note, optionally about a contact, written for a call-log entry and with a reminder.
struct NoteRecord {
    int id = 0;
    QString name;
    QString head;
    QString phone;
    QString dateTime;    // reminder time as decimal seconds since 1970; empty for none
    QString displayTime; // the reminder as local "2016-3-7 9:5:0"; empty for none
    QString content;
    int cid = 0; // the call-log entry the note was written for; 0 for none

    // Filled by the note list load: the reminder timer to start, if the reminder lies ahead.
    int timerId = 0; // kNoteTimerBase + id; 0 when no timer is due
    std::int64_t timerDelayMs = 0;
};

} // namespace tamberlink
