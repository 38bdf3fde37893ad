#pragma once

#include "store/NoteRecord.h"

#include <QDeadlineTimer>
#include <QObject>

#include <functional>
#include <map>
#include <set>
#include <vector>

class QTimer;

namespace tamberlink {

// One single-shot timer per note whose reminder lies ahead, numbered kNoteTimerBase + id.
// Lives on the UI thread; `fire` is called there with the note id when a reminder is due.
class NoteReminders : public QObject {
    Q_OBJECT
public:
    explicit NoteReminders(std::function<void(int noteId)> fire, QObject* parent = nullptr);

    // The reminders are being read afresh, on another thread. Until ArmRead, a note armed or
    // stopped on its own keeps what that said, being newer than the read.
    void BeginRead();
    // Starts the timer of every note read with a due reminder, but for the notes armed or
    // stopped since BeginRead.
    void ArmRead(const std::vector<NoteRecord>& notes);
    // The same for one note, leaving the others alone.
    void Arm(const NoteRecord& note);
    void Stop(int noteId);
    void StopAll();
    // Timer numbers of the running reminders, in ascending order.
    std::vector<int> ActiveTimerIds() const;

private:
    struct Reminder {
        QTimer* timer = nullptr;
        QDeadlineTimer due;
    };

    void Start(Reminder& reminder);
    // Starts or restarts the timer of a note with a due reminder.
    void StartFor(const NoteRecord& note);
    void OnTimeout(int noteId);

    std::function<void(int)> fire_;
    std::map<int, Reminder> reminders_;
    bool reading_ = false;
    std::set<int> changedWhileReading_;
};

} // namespace tamberlink
