#include "app/NoteReminders.h"

#include <QTimer>

#include <algorithm>
#include <set>
#include <utility>

namespace tamberlink {

namespace {

// A timer's interval is a 32-bit count of milliseconds; reminders further ahead are reached
// in steps of at most a day.
constexpr qint64 kLongestStepMs = 24LL * 60 * 60 * 1000;

} // namespace

NoteReminders::NoteReminders(std::function<void(int)> fire, QObject* parent)
    : QObject(parent)
    , fire_(std::move(fire)) {}

void NoteReminders::BeginRead() {
    reading_ = true;
    changedWhileReading_.clear();
}

void NoteReminders::ArmRead(const std::vector<NoteRecord>& notes) {
    const std::set<int> changed = std::exchange(changedWhileReading_, {});
    reading_ = false;
    for (const NoteRecord& note : notes) {
        if (note.timerId != 0 && changed.count(note.id) == 0) {
            StartFor(note);
        }
    }
}

void NoteReminders::Arm(const NoteRecord& note) {
    if (reading_) {
        changedWhileReading_.insert(note.id);
    }
    if (note.timerId != 0) {
        StartFor(note);
    } else {
        Stop(note.id);
    }
}

void NoteReminders::StartFor(const NoteRecord& note) {
    Reminder& reminder = reminders_[note.id];
    if (reminder.timer == nullptr) {
        reminder.timer = new QTimer(this);
        reminder.timer->setSingleShot(true);
        reminder.timer->setTimerType(Qt::CoarseTimer);
        const int id = note.id;
        connect(reminder.timer, &QTimer::timeout, this, [this, id] { OnTimeout(id); });
    }
    reminder.due = QDeadlineTimer(note.timerDelayMs);
    Start(reminder);
}

void NoteReminders::Start(Reminder& reminder) {
    reminder.timer->start(int(std::min(reminder.due.remainingTime(), kLongestStepMs)));
}

void NoteReminders::OnTimeout(int noteId) {
    auto it = reminders_.find(noteId);
    if (it == reminders_.end()) {
        return;
    }
    if (!it->second.due.hasExpired()) {
        Start(it->second);
        return;
    }
    it->second.timer->deleteLater();
    reminders_.erase(it);
    fire_(noteId);
}

void NoteReminders::Stop(int noteId) {
    if (reading_) {
        changedWhileReading_.insert(noteId);
    }
    auto it = reminders_.find(noteId);
    if (it != reminders_.end()) {
        delete it->second.timer;
        reminders_.erase(it);
    }
}

void NoteReminders::StopAll() {
    reading_ = false;
    changedWhileReading_.clear();
    for (auto& [id, reminder] : reminders_) {
        delete reminder.timer;
    }
    reminders_.clear();
}

std::vector<int> NoteReminders::ActiveTimerIds() const {
    std::vector<int> ids;
    for (const auto& [id, reminder] : reminders_) {
        ids.push_back(kNoteTimerBase + id);
    }
    return ids;
}

} // namespace tamberlink
