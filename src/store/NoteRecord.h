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

    // Fills the reminder timer as seen at `now` (seconds since 1970): due when the reminder
    // lies a second or more ahead, the distance judged as a signed 32-bit number of seconds.
    void ScheduleReminder(std::int64_t now) {
        timerId = 0;
        timerDelayMs = 0;
        bool isNumber = false;
        const qint64 due = dateTime.toLongLong(&isNumber);
        if (!isNumber) {
            return;
        }
        const auto ahead = static_cast<std::int32_t>(static_cast<std::uint32_t>(due - now));
        if (ahead >= 1) {
            timerId = kNoteTimerBase + id;
            timerDelayMs = std::int64_t(ahead) * 1000;
        }
    }
};

} // namespace tamberlink
