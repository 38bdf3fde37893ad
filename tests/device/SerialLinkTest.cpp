#include "BoxSim.h"
#include "DeviceRig.h"

#include "device/SerialPort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <future>
#include <mutex>
#include <optional>
#include <thread>

using namespace tamberlink;
using namespace tamberlink::test;
using namespace std::chrono_literals;

TEST(SerialLink, ConnectsSoonAfterTheBoxAppears) {
    BoxSim box;
    ASSERT_TRUE(box.Running());
    ASSERT_EQ(box.Command("unplug hard"), "ok");
    DeviceRig rig(box.PortPath());
    std::atomic<int> searches{0};
    rig.link.SetPortLister([&] {
        ++searches;
        return std::vector<std::string>{};
    });
    ASSERT_TRUE(rig.link.Start());
    ASSERT_TRUE(box.WaitFor([&] { return searches >= 2; })); // a few fruitless searches
    EXPECT_EQ(rig.link.OpenCount(), 0);

    const auto plugged = std::chrono::steady_clock::now();
    ASSERT_EQ(box.Command("plug"), "ok");
    ASSERT_TRUE(rig.WaitConnected());
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - plugged);
    std::printf("connected %lld ms after the box appeared\n", static_cast<long long>(took.count()));
    // The search notes its port just after the handshake; on a busy machine a slow
    // handshake may even take a second open, which is no fault.
    EXPECT_TRUE(box.WaitFor([&] { return rig.link.OpenCount() >= 1; }));
    EXPECT_EQ(rig.link.LastGoodPort(), box.PortPath());
    EXPECT_TRUE(rig.host.WaitForEvent("tip indicator on"));
}

TEST(SerialLink, UnplugAndReplugReconnectWithoutANewOpen) {
    BoxSim box;
    DeviceRig rig(box.PortPath());
    ASSERT_TRUE(rig.Connect(box));
    // Counted by the search thread once it sees the connection the listener made.
    ASSERT_TRUE(box.WaitFor([&] { return rig.link.OpenCount() >= 1; }));

    ASSERT_EQ(box.Command("unplug"), "ok");
    // The box takes nothing any more: the next write fails and resets the link.
    EXPECT_FALSE(rig.link.Write(frame::Command(frame::kHangUp)));
    EXPECT_FALSE(rig.link.IsConnected());
    EXPECT_FALSE(rig.link.IsPhoneLinked());
    EXPECT_TRUE(rig.host.WaitForEvent("tip indicator off"));
    EXPECT_FALSE(rig.link.Write(frame::Command(frame::kHangUp)));

    ASSERT_EQ(box.Command("plug"), "ok");
    ASSERT_TRUE(rig.WaitConnected());
    EXPECT_EQ(rig.link.OpenCount(), 1);
    // The indicator hears of the connection just after it is made.
    EXPECT_TRUE(box.WaitFor([&] {
        return rig.host.EventsStartingWith("tip indicator on").size() >= 2;
    })) << testing::PrintToString(rig.host.Events());
    EXPECT_EQ(rig.host.EventsStartingWith("tip indicator on").size(), 2u);
    EXPECT_TRUE(rig.link.Write(frame::Command(frame::kHangUp)));
    EXPECT_TRUE(box.WaitForLine("hangup"));
}

TEST(SerialLink, ADeviceChangeProbesTheBoxAndSearchesOnceItIsGone) {
    BoxSim box;
    DeviceRig rig(box.PortPath());
    std::atomic<int> opens{0};
    rig.link.SetPortOpener([&](const std::string& path, int& error) {
        ++opens;
        return SerialPort::Open(path, &error);
    });
    ASSERT_TRUE(rig.Connect(box));
    rig.link.DeviceChange();
    EXPECT_TRUE(box.WaitForLine("ack", 2));
    EXPECT_TRUE(rig.link.IsConnected());
    const int opened = opens;

    ASSERT_EQ(box.Command("unplug"), "ok");
    rig.link.DeviceChange();
    EXPECT_FALSE(rig.link.IsConnected());
    // The change asked for a search, which tries the port again while the box is silent.
    ASSERT_TRUE(box.WaitFor([&] { return opens > opened; }));
    ASSERT_EQ(box.Command("plug"), "ok");
    ASSERT_TRUE(rig.WaitConnected());
}

TEST(SerialLink, AVanishedPortIsFoundAgain) {
    BoxSim box;
    DeviceRig rig(box.PortPath());
    ASSERT_TRUE(rig.link.Start());
    ASSERT_TRUE(rig.WaitConnected());

    ASSERT_EQ(box.Command("unplug hard"), "ok");
    ASSERT_TRUE(rig.host.WaitForEvent("tip indicator off"));
    EXPECT_FALSE(rig.link.IsConnected());

    ASSERT_EQ(box.Command("plug"), "ok");
    ASSERT_TRUE(rig.WaitConnected());
    // Counted by the search thread once it sees the connection the listener made.
    EXPECT_TRUE(box.WaitFor([&] { return rig.link.OpenCount() >= 2; }));
    EXPECT_TRUE(rig.link.Write(frame::Command(frame::kHangUp)));
    EXPECT_TRUE(box.WaitForLine("hangup"));
}

TEST(SerialLink, RecordingSeparatesEverySampleFromTheFrames) {
    BoxSim box;
    DeviceRig rig(box.PortPath());
    ASSERT_TRUE(rig.link.Start());
    ASSERT_TRUE(rig.WaitConnected());

    ASSERT_TRUE(rig.link.Write(frame::Command(frame::kStartRecording)));
    ASSERT_TRUE(box.WaitForLine("audio-start"));
    ASSERT_TRUE(box.WaitFor([&] { return rig.audio.samples > 8000; }));
    EXPECT_TRUE(rig.audio.recording);

    // Frames sent between the audio packets are still dispatched.
    ASSERT_EQ(box.Command("ring 13800000000"), "ok");
    EXPECT_TRUE(rig.host.WaitForEvent("incoming 13800000000 landline"));
    ASSERT_TRUE(box.WaitFor([&] { return rig.audio.samples > 16000; }));

    ASSERT_TRUE(rig.link.Write(frame::Command(frame::kStopRecording)));
    ASSERT_TRUE(box.WaitFor([&] { return rig.audio.closingStops == 1; }));
    EXPECT_FALSE(rig.audio.recording);
    const auto stopped = box.LinesStartingWith("audio-stop ");
    ASSERT_EQ(stopped.size(), 1u);
    long long sent = 0;
    ASSERT_EQ(std::sscanf(stopped[0].c_str(), "audio-stop sent=%lld", &sent), 1);
    // Every sample arrives but those that share a read with the start frame, which is
    // read before recording starts.
    EXPECT_LE(rig.audio.samples, sent);
    EXPECT_GE(rig.audio.samples, sent - 58);
    EXPECT_FALSE(rig.audio.sawMarker);

    // Back in normal mode, frames are assembled again.
    ASSERT_EQ(box.Command("state 13"), "ok");
    EXPECT_TRUE(rig.host.WaitForEvent("close-outgoing"));
}

TEST(SerialLink, ClosesPromptlyWhileTheBoxStreams) {
    BoxSim box;
    auto rig = std::make_unique<DeviceRig>(box.PortPath());
    ASSERT_TRUE(rig->link.Start());
    ASSERT_TRUE(rig->WaitConnected());
    ASSERT_TRUE(rig->link.Write(frame::Command(frame::kStartRecording)));
    ASSERT_TRUE(box.WaitFor([&] { return rig->audio.samples > 1000; }));
    rig->link.Close();
    EXPECT_FALSE(rig->link.IsConnected());
    EXPECT_FALSE(rig->link.Write(frame::Command(frame::kHangUp)));
}

namespace {

// Dispatches each frame, telling the recorder which reads held one, counting the status
// frames and timing how long the listener spends on each frame before it can read again.
class TimingHandler : public FrameHandler {
public:
    TimingHandler(FrameHandler& handler, FakeAudio& audio)
        : handler_(handler)
        , audio_(audio) {}
    void HandleFrame(const std::uint8_t* frame, std::size_t size) override {
        // Counted before it is answered: every acknowledgement the box sees is of a status
        // frame counted by then.
        if (size > 1 && frame[1] == frame::kStatus) {
            ++statuses_;
        }
        const auto start = std::chrono::steady_clock::now();
        audio_.NoteFrame();
        handler_.HandleFrame(frame, size);
        const auto took = std::chrono::steady_clock::now() - start;
        std::lock_guard lock(mutex_);
        longest_ = std::max(longest_, took);
    }
    std::chrono::steady_clock::duration Longest() {
        std::lock_guard lock(mutex_);
        return longest_;
    }
    int Statuses() const { return statuses_; }

private:
    FrameHandler& handler_;
    FakeAudio& audio_;
    std::atomic<int> statuses_{0};
    std::mutex mutex_;
    std::chrono::steady_clock::duration longest_{};
};

// Holds the link's writer thread in a send of its own until opened (or destroyed), so that
// nothing reaches the box meanwhile.
class WriterGate {
public:
    explicit WriterGate(SerialLink& link) {
        std::shared_future<void> opened = open_.get_future().share();
        held_ = link.Send([opened, entered = entered_]() -> std::optional<OutgoingFrame> {
            *entered = true;
            opened.wait();
            return std::nullopt;
        });
    }
    ~WriterGate() { Open(); }
    bool Held() const { return held_; }
    // Whether the writer has reached the gate: what it wrote before has gone out.
    bool Entered() const { return *entered_; }
    void Open() {
        if (!opened_) {
            opened_ = true;
            open_.set_value();
        }
    }

private:
    std::promise<void> open_;
    std::shared_ptr<std::atomic<bool>> entered_ = std::make_shared<std::atomic<bool>>(false);
    bool held_ = false;
    bool opened_ = false;
};

} // namespace

// Answering a frame only queues the replies: while the writer can send nothing at all, the
// listener goes on reading samples and dispatching status frames, and every answer goes out
// once the writer is free. The times are printed; the machine shares them, so they are not
// bounded here.
TEST(SerialLink, TheListenerKeepsReadingWhileItAnswersStatusFrames) {
    BoxSim box({"--heartbeat", "100"});
    DeviceRig rig(box.PortPath());
    TimingHandler timing(rig.dispatcher, rig.audio);
    rig.link.SetFrameHandler(&timing);
    ASSERT_TRUE(rig.Connect(box));
    ASSERT_TRUE(rig.link.Write(frame::Command(frame::kStartRecording)));
    ASSERT_TRUE(box.WaitFor([&] { return rig.audio.samples > 3200; }));

    WriterGate gate(rig.link);
    ASSERT_TRUE(gate.Held());
    ASSERT_TRUE(box.WaitFor([&] { return gate.Entered(); }));
    rig.audio.StartTimingReads();
    // The status frames counted by now are all the box can have had acknowledged.
    const int statuses = timing.Statuses();
    const long long samples = rig.audio.samples;
    EXPECT_TRUE(box.WaitFor(
        [&] { return timing.Statuses() >= statuses + 12 && rig.audio.samples > samples + 3200; },
        30s));
    EXPECT_LE(box.Count("ack"), statuses);
    gate.Open();
    EXPECT_TRUE(box.WaitForLine("ack", statuses + 12, 30s));

    using Ms = std::chrono::duration<double, std::milli>;
    std::printf("longest time answering a frame: %.2f ms; longest gap between the listener's "
                "reads: %.1f ms next to the status frames, %.1f ms in all\n",
                Ms(timing.Longest()).count(), Ms(rig.audio.LongestGapAroundFrames()).count(),
                Ms(rig.audio.LongestReadGap()).count());
    EXPECT_TRUE(rig.audio.recording);
}

TEST(SerialLink, ClosesPromptlyWhileAWriteIsStuck) {
    BoxSim box;
    DeviceRig rig(box.PortPath());
    ASSERT_TRUE(rig.Connect(box));
    // The box takes nothing more: a write of 32 bytes may wait 3.7 s for room.
    ASSERT_EQ(box.Command("unplug"), "ok");
    std::atomic<bool> written{true};
    std::thread writer([&] { written = rig.link.Write(FrameBytes(32, 0x31)); });
    std::this_thread::sleep_for(300ms); // the frame's pause is over, the write under way

    const auto started = std::chrono::steady_clock::now();
    rig.link.Close();
    writer.join();
    EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
    EXPECT_FALSE(written);
}

namespace {

// Opens ports as the link does, but answers "permission denied" for the ports in `denied`,
// and counts the attempts on them.
class DenyingOpener {
public:
    std::atomic<int> deniedAttempts{0};

    void Deny(const std::string& path) {
        std::lock_guard lock(mutex_);
        denied_.push_back(path);
    }

    SerialLink::PortOpener Opener() {
        return [this](const std::string& path, int& error) -> std::unique_ptr<SerialPort> {
            if (IsDenied(path)) {
                ++deniedAttempts;
                error = EACCES;
                return nullptr;
            }
            return SerialPort::Open(path, &error);
        };
    }

private:
    bool IsDenied(const std::string& path) {
        std::lock_guard lock(mutex_);
        return std::find(denied_.begin(), denied_.end(), path) != denied_.end();
    }

    std::mutex mutex_;
    std::vector<std::string> denied_;
};

} // namespace

TEST(SerialLink, PortsThisUserMayNotOpenAreReportedOnceEach) {
    BoxSim box;
    ASSERT_EQ(box.Command("unplug hard"), "ok");
    DenyingOpener opener;
    opener.Deny("/dev/ttyUSB7");
    opener.Deny("/dev/ttyACM3");
    DeviceRig rig(box.PortPath());
    rig.link.SetPortOpener(opener.Opener());
    // A missing port is no matter of permission.
    rig.link.SetPortLister([] {
        return std::vector<std::string>{"/dev/ttyUSB7", "/nonexistent/ttyUSB9", "/dev/ttyACM3"};
    });
    ASSERT_TRUE(rig.link.Start());

    // Several fruitless searches, each trying both denied ports: one report of the two.
    ASSERT_TRUE(box.WaitFor([&] { return opener.deniedAttempts >= 8; }));
    EXPECT_EQ(rig.host.EventsStartingWith("denied"),
              std::vector<std::string>{"denied /dev/ttyUSB7 /dev/ttyACM3"});

    // A box on a port this user may open is still found.
    ASSERT_EQ(box.Command("plug"), "ok");
    ASSERT_TRUE(rig.WaitConnected());
    // The search notes its port just after the handshake.
    EXPECT_TRUE(box.WaitFor([&] { return rig.link.LastGoodPort() == box.PortPath(); }));
    EXPECT_EQ(rig.host.EventsStartingWith("denied").size(), 1u);
}

TEST(SerialLink, APortDeniedLaterIsReportedThen) {
    BoxSim box;
    DenyingOpener opener;
    DeviceRig rig(box.PortPath());
    rig.link.SetPortOpener(opener.Opener());
    std::mutex listMutex;
    std::vector<std::string> listed;
    rig.link.SetPortLister([&] {
        std::lock_guard lock(listMutex);
        return listed;
    });
    opener.Deny(box.PortPath());
    ASSERT_TRUE(rig.link.Start());
    ASSERT_TRUE(rig.host.WaitForEvent("denied " + box.PortPath()));

    // Another port appears that this user may not open either: it alone is news.
    const int before = opener.deniedAttempts;
    opener.Deny("/dev/ttyUSB4");
    {
        std::lock_guard lock(listMutex);
        listed = {"/dev/ttyUSB4"};
    }
    ASSERT_TRUE(box.WaitFor([&] { return opener.deniedAttempts >= before + 6; }));
    EXPECT_EQ(rig.host.EventsStartingWith("denied"),
              (std::vector<std::string>{"denied " + box.PortPath(),
                                        "denied " + box.PortPath() + " /dev/ttyUSB4"}));
    EXPECT_FALSE(rig.link.IsConnected());
}
