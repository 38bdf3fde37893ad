#pragma once

#include "store/LocalDatabase.h"

#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace tamberlink {

// Reads the user's database on a thread of its own, over a read-only connection of its own,
// so that reading a long list never holds up the thread that asked for it. With the database
// in WAL mode a read sees every write committed before it began and never waits for the
// writer. Jobs run one at a time, in the order they were posted.
class BackgroundReader {
public:
    using Job = std::function<void(LocalDatabase& reader)>;

    BackgroundReader() = default;
    ~BackgroundReader();
    BackgroundReader(const BackgroundReader&) = delete;
    BackgroundReader& operator=(const BackgroundReader&) = delete;

    // Opens the file for reading and starts the thread. False when the file cannot be opened.
    bool Start(const QString& path);
    // Drops the jobs not yet begun, cuts the running one short and joins the thread; a job
    // cut short sees its last statement end early. Later posts are refused.
    void Stop();
    bool IsRunning() const;

    // Queues `job`; false, the job dropped, when the reader is not running.
    bool Post(Job job);
    // Queues `job` behind every job Post queues before it begins: for long work in slices
    // that must not hold up the reads a user waits for.
    bool PostIdle(Job job);

private:
    void Run();
    bool Queue(std::deque<Job>& queue, Job job);

    LocalDatabase db_;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> jobs_;
    std::deque<Job> idleJobs_;
    bool running_ = false;
};

} // namespace tamberlink
