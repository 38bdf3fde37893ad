#pragma once

#include "store/LocalDatabase.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace tamberlink {

// Folds the write-ahead log back into the database file on a thread of its own, over a
// connection of its own. A checkpoint ends by flushing the file to disk, which can take a
// long while when the disk is busy; done by the writing connection itself it would hold up
// whichever thread committed, the UI thread among them.
class WalCheckpointer {
public:
    WalCheckpointer() = default;
    ~WalCheckpointer();
    WalCheckpointer(const WalCheckpointer&) = delete;
    WalCheckpointer& operator=(const WalCheckpointer&) = delete;

    // Takes over `writer`'s checkpoints. False, with them left to `writer`, when no second
    // connection can be opened.
    bool Start(LocalDatabase& writer);
    // Gives the checkpoints back to the writer and joins the thread.
    void Stop();

private:
    void Run();

    LocalDatabase* writer_ = nullptr;
    LocalDatabase own_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool due_ = false;
    bool running_ = false;
};

} // namespace tamberlink
