#pragma once

#include "device/DeviceFrame.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace tamberlink {

class Wakeup;

// The pause the box wants before an ordinary frame, and before each line of a firmware
// upgrade.
constexpr std::chrono::milliseconds kFramePause{50};
constexpr std::chrono::milliseconds kQuickPause{1};

// One frame for the box, the pause before it, and who wants to hear that it went out.
struct OutgoingFrame {
    FrameBytes bytes; // none: only the pause, then `done`
    // Counted from the end of the frame before it, or from the queueing when the writer was
    // idle.
    std::chrono::milliseconds pause = kFramePause;
    // On the writer thread: true once written (for no bytes: once the pause is over on the
    // same connection), false when the frame was dropped because the link was lost. Not
    // called for frames dropped when the link closes.
    std::function<void(bool written)> done;
    // The pause counts from the last frame any queue wrote, even when the writer was idle:
    // for a frame the user waits for, when the box only needs the gap.
    bool sinceLastFrame = false;
};

// The frames of one send, one at a time; nothing once there are no more. Called on the
// writer thread, so a long send (a firmware file) is read as it goes out.
using FrameSource = std::function<std::optional<OutgoingFrame>()>;

// Writes frames to the box on a thread of its own; queueing returns at once. Each thread
// that sends has a queue of its own: its sends go out in the order it queued them, the
// frames of each one after another, each after its pause, as if that thread wrote them
// itself. The queues of different threads are merged frame by frame, the frame due first
// going first. A send queued for a connection that has since been lost is dropped, so no
// frame of it reaches the box after the link comes back.
class FrameWriter {
public:
    // The link the frames go to.
    class Target {
    public:
        virtual ~Target() = default;
        // Whether frames queued while `connection` was current may still go out.
        virtual bool IsCurrent(std::uint64_t connection) const = 0;
        // Writes one frame; false when it failed. Gives up when `cancelFd` turns readable.
        virtual bool WriteFrame(const FrameBytes& bytes, int cancelFd) = 0;
    };

    explicit FrameWriter(Target& target);
    ~FrameWriter();
    FrameWriter(const FrameWriter&) = delete;
    FrameWriter& operator=(const FrameWriter&) = delete;

    // Starts the writer thread; false when it cannot be started.
    bool Start();
    // Ends the thread: pauses and a write under way end at once, and what is still queued is
    // dropped. Joins the thread. Later sends are ignored.
    void Stop();
    // A write under way gives up: its port is being closed.
    void CancelWrite();

    // Queues `source` on the calling thread's queue.
    void Queue(std::uint64_t connection, FrameSource source);

    bool OnWriterThread() const { return std::this_thread::get_id() == threadId_; }

private:
    using Clock = std::chrono::steady_clock;
    struct Send {
        std::uint64_t connection = 0;
        FrameSource source;
        Clock::time_point queued;
        std::uint64_t order = 0; // across all queues, for frames due at the same time
    };
    // One sending thread's queue; writer thread only.
    struct Stream {
        std::deque<Send> sends;            // the first is going out
        std::optional<OutgoingFrame> next; // its next frame, due at `due`
        Clock::time_point due;
        Clock::time_point lastDone; // when this queue's last frame went out
    };
    using Streams = std::map<std::thread::id, Stream>;

    void Run();
    // Takes what was queued meanwhile into `streams`; false when stopping.
    bool TakeQueued(Streams& streams, bool wait);
    // Gives the stream its next frame, reporting stale ones dropped; false when it has none.
    bool Prepare(Stream& stream);
    void WriteNext(Stream& stream);

    Target& target_;
    std::unique_ptr<Wakeup> cancel_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::pair<std::thread::id, Send>> queued_;
    std::uint64_t sends_ = 0;
    bool stopping_ = false;
    std::thread thread_;
    std::thread::id threadId_;
    Clock::time_point lastWritten_; // writer thread only
};

} // namespace tamberlink
