#include "BoxSim.h"
#include "DeviceRig.h"

#include "device/SerialPort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <mutex>
#include <thread>

using namespace tamberlink;
using namespace tamberlink::test;
using namespace std::chrono_literals;

TEST(SerialLink, ConnectsSoonAfterTheBoxAppears) {
    BoxSim box;
    ASSERT_TRUE(box.Running());
    ASSERT_EQ(box.Command("unplug hard"), "ok");
    DeviceRig rig(box.PortPath());
    ASSERT_TRUE(rig.link.Start());
    std::this_thread::sleep_for(700ms); // a few fruitless searches

    const auto plugged = std::chrono::steady_clock::now();
    ASSERT_EQ(box.Command("plug"), "ok");
    ASSERT_TRUE(rig.WaitConnected());
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - plugged);
    std::printf("connected %lld ms after the box appeared\n", static_cast<long long>(took.count()));
    EXPECT_EQ(rig.link.OpenCount(), 1);
    EXPECT_EQ(rig.link.LastGoodPort(), box.PortPath());
    EXPECT_TRUE(rig.host.WaitForEvent("tip indicator on"));
}

TEST(SerialLink, UnplugAndReplugReconnectWithoutANewOpen) {
    BoxSim box;
    DeviceRig rig(box.PortPath());
    ASSERT_TRUE(rig.Connect(box));

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
    EXPECT_EQ(rig.host.EventsStartingWith("tip indicator on").size(), 2u);
    EXPECT_TRUE(rig.link.Write(frame::Command(frame::kHangUp)));
    EXPECT_TRUE(box.WaitForLine("hangup"));
}

TEST(SerialLink, ADeviceChangeProbesTheBoxAndSearchesOnceItIsGone) {
    BoxSim box;
    DeviceRig rig(box.PortPath());
    ASSERT_TRUE(rig.Connect(box));
    rig.link.DeviceChange();
    EXPECT_TRUE(box.WaitForLine("ack", 2));
    EXPECT_TRUE(rig.link.IsConnected());

    ASSERT_EQ(box.Command("unplug"), "ok");
    rig.link.DeviceChange();
    EXPECT_FALSE(rig.link.IsConnected());
    ASSERT_EQ(box.Command("plug"), "ok");
    ASSERT_TRUE(rig.WaitConnected());
    // The search that the change asked for opened the port again.
    EXPECT_TRUE(box.WaitFor([&] { return rig.link.OpenCount() == 2; }));
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
    EXPECT_EQ(rig.link.OpenCount(), 2);
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

// Dispatches each frame, telling the recorder which reads held one, and times how long the
// listener spends on it before it can read again.
class TimingHandler : public FrameHandler {
public:
    TimingHandler(FrameHandler& handler, FakeAudio& audio)
        : handler_(handler)
        , audio_(audio) {}
    void HandleFrame(const std::uint8_t* frame, std::size_t size) override {
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

private:
    FrameHandler& handler_;
    FakeAudio& audio_;
    std::mutex mutex_;
    std::chrono::steady_clock::duration longest_{};
};

} // namespace

TEST(SerialLink, TheListenerKeepsReadingWhileItAnswersStatusFrames) {
    BoxSim box({"--heartbeat", "100"});
    DeviceRig rig(box.PortPath());
    TimingHandler timing(rig.dispatcher, rig.audio);
    rig.link.SetFrameHandler(&timing);
    ASSERT_TRUE(rig.Connect(box));
    ASSERT_TRUE(rig.link.Write(frame::Command(frame::kStartRecording)));
    ASSERT_TRUE(box.WaitFor([&] { return rig.audio.samples > 3200; }));

    // Each status frame is acknowledged (and, the first five times, followed by the start-up
    // queries) while the box streams. Answering queues the replies: the listener is back
    // reading at once. The gaps between its reads are the machine's as well (the box's
    // process or the listener not being scheduled), so they are bounded only below the
    // 100 ms that one answer cost when the listener paused for its own writes.
    rig.audio.StartTimingReads();
    const int acks = box.Count("ack");
    ASSERT_TRUE(box.WaitForLine("ack", acks + 12, std::chrono::seconds(20)));
    using Ms = std::chrono::duration<double, std::milli>;
    const Ms answering = timing.Longest();
    const Ms aroundFrames = rig.audio.LongestGapAroundFrames();
    std::printf("longest time answering a frame: %.2f ms; longest gap between the listener's "
                "reads: %.1f ms next to the 12 status frames and their replies, %.1f ms in all\n",
                answering.count(), aroundFrames.count(), Ms(rig.audio.LongestReadGap()).count());
    EXPECT_LT(answering, 20ms);
    EXPECT_LT(aroundFrames, 100ms);
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
    EXPECT_EQ(rig.link.LastGoodPort(), box.PortPath());
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
