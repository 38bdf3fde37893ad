#include "store/BackgroundReader.h"

#include "store/StoreLog.h"

#include <exception>

namespace tamberlink {

BackgroundReader::~BackgroundReader() {
    Stop();
}

bool BackgroundReader::Start(const QString& path) {
    Stop();
    if (!db_.OpenForReading(path)) {
        qCWarning(lcStore).noquote() << "无法打开数据库:" << db_.OpenError();
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        running_ = true;
    }
    thread_ = std::thread([this] { Run(); });
    return true;
}

void BackgroundReader::Stop() {
    {
        std::lock_guard lock(mutex_);
        if (!running_) {
            return;
        }
        running_ = false;
        jobs_.clear();
        idleJobs_.clear();
    }
    wake_.notify_all();
    db_.Interrupt();
    thread_.join();
    db_.Close();
}

bool BackgroundReader::IsRunning() const {
    std::lock_guard lock(mutex_);
    return running_;
}

bool BackgroundReader::Post(Job job) {
    return Queue(jobs_, std::move(job));
}

bool BackgroundReader::PostIdle(Job job) {
    return Queue(idleJobs_, std::move(job));
}

bool BackgroundReader::Queue(std::deque<Job>& queue, Job job) {
    {
        std::lock_guard lock(mutex_);
        if (!running_) {
            return false;
        }
        queue.push_back(std::move(job));
    }
    wake_.notify_one();
    return true;
}

void BackgroundReader::Run() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return !running_ || !jobs_.empty() || !idleJobs_.empty(); });
            if (!running_) {
                return;
            }
            std::deque<Job>& queue = jobs_.empty() ? idleJobs_ : jobs_;
            job = std::move(queue.front());
            queue.pop_front();
        }
        try {
            job(db_);
        } catch (const std::exception& error) {
            qCWarning(lcStore) << "a background read failed:" << error.what();
        } catch (...) {
            qCWarning(lcStore) << "a background read failed";
        }
    }
}

} // namespace tamberlink
