#include "app/FollowUpTracker.h"

#include "app/AppCore.h"
#include "util/PhoneNumber.h"

#include <QDateTime>
#include <QThread>

namespace tamberlink {

namespace {

// Rings are counted as reached at most this long after their grace has run out.
constexpr int kSettleMs = 30000;
// Call-log rows read in one job while the follow-up list is worked out.
constexpr int kSliceRows = 20000;

} // namespace

FollowUpTracker::FollowUpTracker(AppCore& core, QObject* parent)
    : QObject(parent)
    , core_(core) {
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, &FollowUpTracker::Settle);
}

void FollowUpTracker::Load() {
    auto state = std::make_shared<FollowUpState>();
    core_.ReadInBackground([this, state](LocalDatabase& db) {
        state->SetDoneMarks(db.FollowUp().DoneMarks());
        ReadCalls(state);
    });
}

// The log is read a slice at a time, each slice a job of its own that waits for the pages'
// reads, so that they are not held up behind years of calls.
void FollowUpTracker::ReadCalls(std::shared_ptr<FollowUpState> state) {
    core_.ReadWhenIdle([this, state](LocalDatabase& db) {
        QString lastTime;
        const int read = db.FollowUp().ForEachCall(
            state->LastId(), kSliceRows, [&state, &lastTime](const FollowUpTable::Call& call) {
                state->Apply(call);
                lastTime = call.dateTime;
            });
        if (read == kSliceRows) {
            // The rings that no later call can still be the same call as are counted now,
            // so that years of rings are never held at once.
            state->Settle(state->Seconds(lastTime));
            ReadCalls(state);
            return;
        }
        // Years of rings are counted here rather than on the UI thread.
        state->Settle(QDateTime::currentSecsSinceEpoch());
        core_.PostToUiThread([this, state] { Loaded(std::move(*state)); });
    });
}

void FollowUpTracker::Loaded(FollowUpState state) {
    {
        std::lock_guard lock(mutex_);
        state_ = std::move(state);
        state_.ForgetOffsets();
        for (const FollowUpTable::Call& call : early_) {
            if (call.id > state_.LastId()) {
                state_.Apply(call);
            }
        }
        early_.clear();
        state_.Settle(QDateTime::currentSecsSinceEpoch());
        loaded_ = true;
    }
    settle_.start();
    Tell();
}

bool FollowUpTracker::IsLoaded() const {
    std::lock_guard lock(mutex_);
    return loaded_;
}

void FollowUpTracker::OnCallLogged(const FollowUpTable::Call& call) {
    {
        std::lock_guard lock(mutex_);
        if (!loaded_) {
            early_.push_back(call);
            return;
        }
        if (!state_.Apply(call)) {
            return;
        }
    }
    Tell();
}

bool FollowUpTracker::MarkDone(const QString& number) {
    const QString key = PhoneNumber::Comparable(number);
    std::optional<FollowUpState::Waiting> waiting = Find(number);
    if (!waiting || !core_.Database().FollowUp().MarkDone(key, waiting->lastId)) {
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        state_.MarkDone(key, waiting->lastId);
    }
    Tell();
    return true;
}

int FollowUpTracker::Count() const {
    std::lock_guard lock(mutex_);
    return state_.Count();
}

std::deque<int> FollowUpTracker::WaitingIds() const {
    std::lock_guard lock(mutex_);
    return state_.WaitingIds();
}

std::optional<FollowUpState::Waiting> FollowUpTracker::Find(const QString& number) const {
    std::lock_guard lock(mutex_);
    return state_.Find(PhoneNumber::Comparable(number));
}

void FollowUpTracker::Settle() {
    bool changed = false;
    {
        std::lock_guard lock(mutex_);
        changed = state_.Settle(QDateTime::currentSecsSinceEpoch());
    }
    if (changed) {
        Tell();
    }
}

void FollowUpTracker::Tell() {
    const int count = Count();
    if (QThread::currentThread() == thread()) {
        emit Changed(count);
    } else {
        core_.PostToUiThread([this, count] { emit Changed(count); });
    }
}

} // namespace tamberlink
