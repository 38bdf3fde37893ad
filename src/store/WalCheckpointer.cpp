#include "store/WalCheckpointer.h"

namespace tamberlink {

WalCheckpointer::~WalCheckpointer() {
    Stop();
}

bool WalCheckpointer::Start(LocalDatabase& writer) {
    Stop();
    if (!own_.OpenBeside(writer)) {
        return false;
    }
    running_ = true;
    writer_ = &writer;
    thread_ = std::thread([this] { Run(); });
    writer.HandCheckpointsTo([this](int pages) {
        {
            std::lock_guard lock(mutex_);
            // Far past its size the writer folds the log back itself, and a checkpoint here
            // would only keep it from doing so.
            due_ = pages < LocalDatabase::kWriterCheckpointPages;
        }
        wake_.notify_one();
    });
    return true;
}

void WalCheckpointer::Stop() {
    if (writer_ == nullptr) {
        return;
    }
    writer_->HandCheckpointsTo(nullptr);
    writer_ = nullptr;
    {
        std::lock_guard lock(mutex_);
        running_ = false;
    }
    wake_.notify_one();
    thread_.join();
    own_.Close();
}

void WalCheckpointer::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return due_ || !running_; });
        if (!running_) {
            return;
        }
        due_ = false;
        lock.unlock();
        own_.CheckpointPassively();
        lock.lock();
    }
}

} // namespace tamberlink
