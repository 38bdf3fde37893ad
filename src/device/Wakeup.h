#pragma once

namespace tamberlink {

// An eventfd that wakes a thread waiting in poll(): Signal() from any thread, poll Fd()
// for readability, Clear() once woken.
class Wakeup {
public:
    Wakeup();
    ~Wakeup();
    Wakeup(const Wakeup&) = delete;
    Wakeup& operator=(const Wakeup&) = delete;

    int Fd() const { return fd_; }
    void Signal();
    void Clear();

private:
    int fd_;
};

} // namespace tamberlink
