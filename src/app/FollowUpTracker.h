#pragma once

#include "app/FollowUpState.h"

#include <QObject>
#include <QTimer>

#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace tamberlink {

class AppCore;

// The missed calls waiting to be followed up, kept up to date as calls are logged: the call
// log is read once on the database reader, and each new call-log row then updates the list
// where it is written. Any thread may ask or report; Changed is told on the UI thread.
class FollowUpTracker : public QObject {
    Q_OBJECT

public:
    explicit FollowUpTracker(AppCore& core, QObject* parent = nullptr);

    // Reads the whole call log and the "已处理" marks on the reader thread.
    void Load();
    bool IsLoaded() const;
    // A call-log row was added.
    void OnCallLogged(const FollowUpTable::Call& call);
    // "已处理": the number leaves the list until it misses a call again.
    bool MarkDone(const QString& number);

    int Count() const;
    std::deque<int> WaitingIds() const;
    std::optional<FollowUpState::Waiting> Find(const QString& number) const;

signals:
    void Changed(int count);

private:
    void ReadCalls(std::shared_ptr<FollowUpState> state);
    void Loaded(FollowUpState state);
    void Settle();
    void Tell();

    AppCore& core_;
    mutable std::mutex mutex_;
    FollowUpState state_;
    bool loaded_ = false;
    // Rows logged while the log was being read, applied after it past what it read.
    std::vector<FollowUpTable::Call> early_;
    QTimer settle_;
};

} // namespace tamberlink
