#include "../app/CoreTestSupport.h"
#include "../device/BoxSim.h"
#include "../device/FakeHost.h"
#include "../store/StoreTestSupport.h"
#include "Mp3Probe.h"

#include "app/AppCore.h"
#include "app/DeviceBridge.h"
#include "device/FirmwareTransfer.h"
#include "device/FrameDispatcher.h"
#include "device/RecordingChunkScanner.h"
#include "device/SerialLink.h"
#include "recording/CallRecorderHost.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>

namespace tamberlink {
namespace {

using test::BoxSim;
using test::DecodeMp3;
using test::HaveProgram;
using test::PeakFrequency;
using test::ProbeMp3;
using test::WaitUntil;

constexpr double kBoxToneHz = 1000;

class RecordingDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveProgram("ffprobe") || !HaveProgram("ffmpeg")) {
            GTEST_SKIP() << "ffprobe and ffmpeg are needed to look at the recordings";
        }
        ASSERT_TRUE(box_.Running());
        core_ = std::make_unique<AppCore>(AppConfig{docs_.path(), test::BuiltDataFolder()}, sink_);
        ASSERT_TRUE(core_->Start());
        core_->Device().Link().SetPortLister([] { return std::vector<std::string>{}; });
        core_->Device().Link().SetWatchDevices(false);
        ASSERT_TRUE(core_->StartDeviceLink(QString::fromStdString(box_.PortPath())));
        ASSERT_TRUE(WaitUntil([&] { return box_.Count("ask missed") > 0; }));
    }

    void Ring(const std::string& number) {
        ASSERT_EQ(box_.Command("ring " + number), "ok");
        ASSERT_TRUE(WaitUntil([&] {
            const auto log = core_->LoadCallLog();
            return !log.empty() && log.front().phone.toStdString() == number;
        }));
    }

    // Starts a recording through the box and waits until `samples` have been encoded.
    QString StartRecording(std::uint64_t samples) {
        core_->RequestRecordingStart();
        CallRecorder& recorder = core_->Recorder();
        EXPECT_TRUE(WaitUntil(
            [&] { return recorder.IsRecording() && recorder.SamplesEncoded() >= samples; }));
        return recorder.CurrentRecordingId();
    }

    // Asks the box to stop; returns how many samples it says it sent.
    long long StopRecording() {
        const std::size_t stops = box_.LinesStartingWith("audio-stop ").size();
        core_->RequestRecordingStop();
        EXPECT_TRUE(WaitUntil([&] {
            return !core_->Recorder().IsRecording() &&
                   box_.LinesStartingWith("audio-stop ").size() > stops;
        }));
        long long sent = -1;
        std::sscanf(box_.LinesStartingWith("audio-stop ").back().c_str(), "audio-stop sent=%lld",
                    &sent);
        return sent;
    }

    QString NewestGuid() { return core_->LoadCallLog().at(0).recordGuid; }
    QString PathOf(const QString& id) { return CallRecorder::RecordingPath(core_->DataRoot(), id); }

    int argc_ = 1;
    char arg0_[8] = "test";
    char* argv_[1] = {arg0_};
    QCoreApplication app_{argc_, argv_};
    QTemporaryDir docs_;
    test::RecordingSink sink_;
    BoxSim box_;
    std::unique_ptr<AppCore> core_;
};

TEST_F(RecordingDeviceTest, ACallRecordedThroughTheBoxIsItsToneAtItsLengthLinkedOnce) {
    Ring("13800000000");
    const QString id = StartRecording(3 * 32000);
    const long long sent = StopRecording();
    // The box's samples are the length of the recording; only those that shared a read
    // with the start frame come before the recording began.
    const std::uint64_t encoded = core_->Recorder().SamplesEncoded();
    EXPECT_LE(encoded, std::uint64_t(sent));
    EXPECT_GE(encoded + 62, std::uint64_t(sent));
    ASSERT_TRUE(WaitUntil([&] { return NewestGuid() == id; }));

    const auto info = ProbeMp3(PathOf(id));
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->sampleRate, 32000);
    EXPECT_EQ(info->channels, 1);
    EXPECT_NEAR(info->duration, double(sent) / 32000, 0.1);
    const auto pcm = DecodeMp3(PathOf(id));
    ASSERT_TRUE(pcm.has_value());
    EXPECT_NEAR(PeakFrequency(*pcm), kBoxToneHz, 10);

    // A second stop, and a second recording, in the same call leave its entry alone.
    const int animationStops = sink_.Events().count(QStringLiteral("animation:0"));
    core_->RequestRecordingStop();
    ASSERT_TRUE(WaitUntil(
        [&] { return sink_.Events().count(QStringLiteral("animation:0")) > animationStops; }));
    const QString second = StartRecording(32000);
    StopRecording();
    EXPECT_TRUE(QFileInfo::exists(PathOf(second)));
    EXPECT_EQ(NewestGuid(), id);
}

TEST_F(RecordingDeviceTest, UnpluggingMidRecordingLeavesALinkedDecodableFile) {
    Ring("13900000000");
    const QString id = StartRecording(32000);
    ASSERT_EQ(box_.Command("unplug hard"), "ok");
    ASSERT_TRUE(WaitUntil([&] { return !core_->Recorder().IsRecording(); }));
    ASSERT_TRUE(WaitUntil([&] { return NewestGuid() == id; }));
    const auto pcm = DecodeMp3(PathOf(id));
    ASSERT_TRUE(pcm.has_value());
    EXPECT_NEAR(double(pcm->size()), double(core_->Recorder().SamplesEncoded()), 200);
    EXPECT_NEAR(PeakFrequency(*pcm), kBoxToneHz, 10);
}

// The recorder behind the listener's recording-mode scan and the frame dispatcher, fed
// chunk by chunk.
class ChunkRig : public CallRecorderHost, public AudioSink {
public:
    explicit ChunkRig(const QString& root)
        : recorder(*this, root) {}

    void Read(std::vector<std::uint8_t> chunk) {
        scanner.Scan(
            chunk.data(), chunk.size(),
            [&](const std::uint8_t* f, std::size_t n) { dispatcher.HandleFrame(f, n); },
            [&](const std::uint8_t* s, std::size_t n) { EncodeSamples(s, n); });
    }

    bool IsRecording() const override { return recorder.IsRecording(); }
    void EncodeSamples(const std::uint8_t* samples, std::size_t count) override {
        recorder.EncodeSamples(samples, count);
    }
    void StartRecording(bool started) override { recorder.StartRecording(started); }
    void StopRecording(bool close) override { recorder.StopRecording(close); }
    void LinkRecordingToCallLog(const QString& id) override { linked.push_back(id); }
    void SetRecordingAnimation(bool) override {}

    CallRecorder recorder;
    std::vector<QString> linked;
    test::FakeHost host;
    SerialLink link;
    FirmwareTransfer firmware{link, host};
    FrameDispatcher dispatcher{link, host, firmware, this};
    RecordingChunkScanner scanner;
};

TEST(RecordingChunks, MarkersNeverReachTheEncoderAndAStopDropsTheSamplesBeforeIt) {
    if (!HaveProgram("ffmpeg")) {
        GTEST_SKIP() << "ffmpeg is needed to look at the recordings";
    }
    QTemporaryDir root;
    ChunkRig rig(root.path());
    rig.Read({0xA5, 0xA0, 0x04, 0x55});
    ASSERT_TRUE(rig.recorder.IsRecording());
    const QString id = rig.recorder.CurrentRecordingId();

    rig.Read({0xA7, 0x80, 0x81, 0x55});
    EXPECT_EQ(rig.recorder.SamplesEncoded(), 2u);
    rig.Read({0xA7, 0x55, 0xA7, 0x55, 0x55});
    EXPECT_EQ(rig.recorder.SamplesEncoded(), 2u);
    // A second of silence between markers: were a marker taken as a sample, it would be
    // a loud click in the file.
    std::vector<std::uint8_t> packet(62, 0x80);
    packet.front() = 0xA7;
    packet.back() = 0x55;
    for (int i = 0; i < 32000 / 60; ++i) {
        rig.Read(packet);
    }
    const std::uint64_t before = rig.recorder.SamplesEncoded();
    EXPECT_EQ(before, 2u + 60 * (32000 / 60));

    rig.Read({0xA7, 0x90, 0x91, 0xA5, 0xA1, 0x04, 0x55, 0x92, 0x55});
    EXPECT_FALSE(rig.recorder.IsRecording());
    EXPECT_EQ(rig.recorder.SamplesEncoded(), before);
    EXPECT_EQ(rig.linked, std::vector<QString>{id});

    const auto pcm = DecodeMp3(CallRecorder::RecordingPath(root.path(), id));
    ASSERT_TRUE(pcm.has_value());
    EXPECT_NEAR(double(pcm->size()), double(before), 200);
    for (const std::int16_t sample : *pcm) {
        ASSERT_LE(std::abs(sample), 300);
    }
}

} // namespace
} // namespace tamberlink
