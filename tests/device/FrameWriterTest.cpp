#include "device/FrameWriter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <future>
#include <mutex>
#include <poll.h>
#include <thread>
#include <vector>

using namespace tamberlink;
using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;

// Keeps what the writer writes, and when; a write can be made to hang until cancelled.
class FakeTarget : public FrameWriter::Target {
public:
    bool IsCurrent(std::uint64_t connection) const override { return connection == current; }

    bool WriteFrame(const FrameBytes& bytes, int cancelFd) override {
        if (hang) {
            pollfd fd{cancelFd, POLLIN, 0};
            ::poll(&fd, 1, 10000);
            return false;
        }
        std::lock_guard lock(mutex_);
        frames_.push_back(bytes.at(1));
        times_.push_back(Clock::now());
        written_.notify_all();
        return true;
    }

    bool WaitForFrames(std::size_t count) {
        std::unique_lock lock(mutex_);
        return written_.wait_for(lock, 10s, [&] { return frames_.size() >= count; });
    }
    std::vector<std::uint8_t> Frames() {
        std::lock_guard lock(mutex_);
        return frames_;
    }
    Clock::duration Gap(std::size_t i) {
        std::lock_guard lock(mutex_);
        return times_.at(i + 1) - times_.at(i);
    }

    std::atomic<std::uint64_t> current{1};
    std::atomic<bool> hang{false};

private:
    std::mutex mutex_;
    std::condition_variable written_;
    std::vector<std::uint8_t> frames_; // the command byte of each frame
    std::vector<Clock::time_point> times_;
};

OutgoingFrame Frame(std::uint8_t command, std::chrono::milliseconds pause,
                    std::function<void(bool)> done = {}) {
    return OutgoingFrame{frame::Command(command), pause, std::move(done)};
}

// The frames in order, one at a time.
FrameSource Frames(std::vector<OutgoingFrame> frames, std::atomic<int>* pulls = nullptr) {
    auto queued = std::make_shared<std::vector<OutgoingFrame>>(std::move(frames));
    return [queued, pulls, next = std::size_t{0}]() mutable -> std::optional<OutgoingFrame> {
        if (pulls != nullptr) {
            ++*pulls;
        }
        if (next >= queued->size()) {
            return std::nullopt;
        }
        return std::move((*queued)[next++]);
    };
}

} // namespace

TEST(FrameWriter, EachThreadKeepsItsOrderAndPausesWhileTheirQueuesMerge) {
    FakeTarget target;
    FrameWriter writer(target);
    ASSERT_TRUE(writer.Start());

    std::atomic<int> pulls{0};
    writer.Queue(1, Frames({Frame(0x01, 0ms), Frame(0x02, 300ms), Frame(0x03, 300ms)}, &pulls));
    ASSERT_TRUE(target.WaitForFrames(1));
    // A frame is made only when the one before it has gone out.
    EXPECT_LE(pulls.load(), 2);

    // Another thread's frame does not wait behind this thread's pauses.
    std::thread([&] { writer.Queue(1, Frames({Frame(0x10, 0ms)})); }).join();
    ASSERT_TRUE(target.WaitForFrames(4));
    EXPECT_EQ(target.Frames(), (std::vector<std::uint8_t>{0x01, 0x10, 0x02, 0x03}));
    EXPECT_GE(target.Gap(2), 300ms);

    // The same thread's next send waits for its last one.
    std::promise<bool> done;
    writer.Queue(1, Frames({Frame(0x04, 200ms)}));
    writer.Queue(1, Frames({Frame(0x05, 200ms, [&](bool written) { done.set_value(written); })}));
    EXPECT_TRUE(done.get_future().get());
    EXPECT_EQ(target.Frames().back(), 0x05);
    EXPECT_GE(target.Gap(4), 200ms);
}

TEST(FrameWriter, FramesOfALostConnectionAreDroppedAndReported) {
    FakeTarget target;
    FrameWriter writer(target);
    ASSERT_TRUE(writer.Start());

    std::promise<std::vector<bool>> reports;
    auto seen = std::make_shared<std::vector<bool>>();
    std::vector<OutgoingFrame> frames;
    frames.push_back(Frame(0x01, 0ms, [seen](bool w) { seen->push_back(w); }));
    frames.push_back(Frame(0x02, 200ms, [&target, seen](bool w) {
        seen->push_back(w);
        target.current = 2; // the link was lost after this frame
    }));
    frames.push_back(Frame(0x03, 5s, [seen](bool w) { seen->push_back(w); }));
    frames.push_back(OutgoingFrame{{}, 0ms, [seen, &reports](bool w) {
                                       seen->push_back(w);
                                       reports.set_value(*seen);
                                   }});
    const auto started = Clock::now();
    writer.Queue(1, Frames(std::move(frames)));
    EXPECT_EQ(reports.get_future().get(), (std::vector<bool>{true, true, false, false}));
    // The dropped frame's pause was not waited for.
    EXPECT_LT(Clock::now() - started, 4s);
    EXPECT_EQ(target.Frames(), (std::vector<std::uint8_t>{0x01, 0x02}));

    // Queued for the lost connection: nothing goes out; for the new one, it does.
    std::promise<bool> old;
    writer.Queue(1, Frames({Frame(0x04, 0ms, [&](bool w) { old.set_value(w); })}));
    EXPECT_FALSE(old.get_future().get());
    std::promise<bool> fresh;
    writer.Queue(2, Frames({Frame(0x05, 0ms, [&](bool w) { fresh.set_value(w); })}));
    EXPECT_TRUE(fresh.get_future().get());
    EXPECT_EQ(target.Frames(), (std::vector<std::uint8_t>{0x01, 0x02, 0x05}));
}

TEST(FrameWriter, StopEndsPausesAndWritesAndDropsWhatIsQueued) {
    FakeTarget target;
    auto writer = std::make_unique<FrameWriter>(target);
    ASSERT_TRUE(writer->Start());

    // A caller waiting for a frame that will never go out is released.
    auto waiting = std::make_shared<std::promise<bool>>();
    std::future<bool> result = waiting->get_future();
    writer->Queue(1, Frames({Frame(0x01, 10s, [waiting](bool w) { waiting->set_value(w); })}));
    std::thread([&] { writer->Queue(1, Frames({Frame(0x02, 0ms)})); }).join();
    ASSERT_TRUE(target.WaitForFrames(1));
    target.hang = true;
    std::thread([&] { writer->Queue(1, Frames({Frame(0x03, 0ms)})); }).join();

    const auto started = Clock::now();
    writer->Stop();
    EXPECT_LT(Clock::now() - started, 3s);
    waiting.reset();
    EXPECT_THROW(result.get(), std::future_error);
    EXPECT_EQ(target.Frames(), std::vector<std::uint8_t>{0x02});

    // Sends after the stop are ignored.
    writer->Queue(1, Frames({Frame(0x04, 0ms)}));
    writer.reset();
    EXPECT_EQ(target.Frames(), std::vector<std::uint8_t>{0x02});
}
