#include "device/FrameWriter.h"

#include "device/DeviceLog.h"
#include "device/Wakeup.h"

#include <algorithm>
#include <pthread.h>
#include <system_error>

namespace tamberlink {

namespace {

// Tells the sender what became of its frame; a failing sender costs only its own report.
void Report(OutgoingFrame& frame, bool written) {
    if (!frame.done) {
        return;
    }
    try {
        frame.done(written);
    } catch (const std::exception& error) {
        qCWarning(lcSerial, "reporting a frame sent to the box failed: %s", error.what());
    }
}

} // namespace

FrameWriter::FrameWriter(Target& target)
    : target_(target)
    , cancel_(std::make_unique<Wakeup>()) {}

FrameWriter::~FrameWriter() {
    Stop();
}

bool FrameWriter::Start() {
    try {
        thread_ = std::thread(&FrameWriter::Run, this);
    } catch (const std::system_error& error) {
        qCWarning(lcSerial, "cannot start the serial writer: %s", error.what());
        return false;
    }
    threadId_ = thread_.get_id();
    return true;
}

void FrameWriter::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    cancel_->Signal();
    if (thread_.joinable()) {
        thread_.join();
    }
    // Destroyed outside the lock: a send may hold a file, or a caller waiting for its frame.
    std::deque<std::pair<std::thread::id, Send>> dropped;
    std::lock_guard lock(mutex_);
    dropped.swap(queued_);
}

void FrameWriter::CancelWrite() {
    cancel_->Signal();
}

void FrameWriter::Queue(std::uint64_t connection, FrameSource source) {
    {
        std::lock_guard lock(mutex_);
        if (stopping_) {
            return;
        }
        queued_.emplace_back(std::this_thread::get_id(),
                             Send{connection, std::move(source), Clock::now(), sends_++});
    }
    changed_.notify_all();
}

void FrameWriter::Run() {
    pthread_setname_np(pthread_self(), "serial-write");
    Streams streams;
    bool idle = true;
    while (TakeQueued(streams, idle)) {
        Stream* first = nullptr;
        for (auto at = streams.begin(); at != streams.end();) {
            Stream& stream = at->second;
            if (!Prepare(stream)) {
                at = streams.erase(at);
                continue;
            }
            if (first == nullptr || stream.due < first->due ||
                (stream.due == first->due &&
                 stream.sends.front().order < first->sends.front().order)) {
                first = &stream;
            }
            ++at;
        }
        idle = first == nullptr;
        if (idle) {
            continue;
        }
        {
            // Until the frame is due, unless something is queued meanwhile, which may be due
            // sooner.
            std::unique_lock lock(mutex_);
            if (changed_.wait_until(lock, first->due,
                                    [this] { return stopping_ || !queued_.empty(); })) {
                continue;
            }
        }
        WriteNext(*first);
    }
}

bool FrameWriter::TakeQueued(Streams& streams, bool wait) {
    std::deque<std::pair<std::thread::id, Send>> taken;
    {
        std::unique_lock lock(mutex_);
        if (wait) {
            changed_.wait(lock, [this] { return stopping_ || !queued_.empty(); });
        }
        if (stopping_) {
            return false;
        }
        taken.swap(queued_);
    }
    for (auto& [sender, send] : taken) {
        streams[sender].sends.push_back(std::move(send));
    }
    return true;
}

bool FrameWriter::Prepare(Stream& stream) {
    while (!stream.next && !stream.sends.empty()) {
        Send& send = stream.sends.front();
        std::optional<OutgoingFrame> frame;
        try {
            frame = send.source();
        } catch (const std::exception& error) {
            qCWarning(lcSerial, "a send to the box ended early: %s", error.what());
        }
        if (!frame) {
            stream.sends.pop_front();
        } else if (!target_.IsCurrent(send.connection)) {
            Report(*frame, false);
        } else {
            const Clock::time_point from = frame->sinceLastFrame ? lastWritten_ : send.queued;
            stream.due = std::max(from, stream.lastDone) + frame->pause;
            stream.next = std::move(frame);
        }
    }
    return stream.next.has_value();
}

void FrameWriter::WriteNext(Stream& stream) {
    OutgoingFrame frame = std::move(*stream.next);
    stream.next.reset();
    const std::uint64_t connection = stream.sends.front().connection;
    bool written = false;
    if (target_.IsCurrent(connection)) {
        if (frame.bytes.empty()) {
            written = true;
        } else {
            cancel_->Clear();
            {
                std::lock_guard lock(mutex_);
                if (stopping_) {
                    return;
                }
            }
            written = target_.WriteFrame(frame.bytes, cancel_->Fd());
        }
        stream.lastDone = Clock::now();
        if (!frame.bytes.empty()) {
            lastWritten_ = stream.lastDone;
        }
    }
    Report(frame, written);
}

} // namespace tamberlink
