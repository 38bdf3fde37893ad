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

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>

namespace tamberlink {
namespace {

using test::DecodeMp3;
using test::PeakFrequency;
using test::WaitUntil;

constexpr double kBoxToneHz = 1000;

class RecordingDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::HaveProgram("ffprobe") || !test::HaveProgram("ffmpeg")) {
            GTEST_SKIP() << "ffprobe and ffmpeg are needed to look at the recordings";
        }
        core_ = std::make_unique<AppCore>(test::TestConfig(docs_.path(), test::BuiltDataFolder()),
                                          sink_);
        sink_.Follow(*core_);
        ASSERT_TRUE(core_->Start());
    }

    void Connect(const std::vector<std::string>& boxOptions = {}) {
        box_ = std::make_unique<test::BoxSim>(boxOptions);
        ASSERT_TRUE(box_->Running());
        core_->Device().Link().SetPortLister([] { return std::vector<std::string>{}; });
        core_->Device().Link().SetWatchDevices(false);
        ASSERT_TRUE(core_->StartDeviceLink(QString::fromStdString(box_->PortPath())));
        ASSERT_TRUE(WaitUntil([&] { return box_->Count("ask missed") > 0; }));
    }

    void Ring(const std::string& number) {
        ASSERT_EQ(box_->Command("ring " + number), "ok");
        ASSERT_TRUE(WaitUntil([&] {
            const auto log = core_->Database().CallLog().Load();
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
        const std::size_t stops = box_->LinesStartingWith("audio-stop ").size();
        core_->RequestRecordingStop();
        EXPECT_TRUE(WaitUntil([&] {
            return !core_->Recorder().IsRecording() &&
                   box_->LinesStartingWith("audio-stop ").size() > stops;
        }));
        long long sent = -1;
        std::sscanf(box_->LinesStartingWith("audio-stop ").back().c_str(), "audio-stop sent=%lld",
                    &sent);
        return sent;
    }

    std::string NewestGuid() {
        return test::RawDb(core_->DataRoot() + QStringLiteral("/Data/Tamberlink.db"))
            .Rows("select record_guid from table_log order by id desc limit 1");
    }
    QString NewestId() {
        return QString::fromStdString(
            test::RawDb(core_->DataRoot() + QStringLiteral("/Data/Tamberlink.db"))
                .Rows("select max(id) from table_log"));
    }
    QString PathOf(const QString& id) { return CallRecorder::RecordingPath(core_->DataRoot(), id); }

    int argc_ = 1;
    char arg0_[8] = "test";
    char* argv_[1] = {arg0_};
    QCoreApplication app_{argc_, argv_};
    QTemporaryDir docs_;
    test::RecordingSink sink_;
    std::unique_ptr<test::BoxSim> box_;
    std::unique_ptr<AppCore> core_;
};

TEST_F(RecordingDeviceTest, RecordRequestsNeedTheBoxToStartButAlwaysStop) {
    test::FakeBox box;
    core_->AttachBoxLink(&box);
    core_->RequestRecordingStart();
    core_->RequestRecordingStop();
    box.connected = false;
    core_->RequestRecordingStart();
    core_->RequestRecordingStop();
    EXPECT_EQ(box.frames, (std::vector<QByteArray>{"A5 A0 04 55", "A5 A1 04 55", "A5 A1 04 55"}));
    EXPECT_EQ(sink_.Events(), QStringList{QStringLiteral("tip:请先连接设备后再开始录音")});
}

TEST_F(RecordingDeviceTest, ACallRecordedThroughTheBoxIsItsToneAtItsLengthLinkedOnce) {
    Connect();
    Ring("13800000000");
    sink_.Clear();
    const QString id = StartRecording(3 * 32000);
    const long long sent = StopRecording();
    // The box's samples are the recording's length; only those that shared a read with the
    // start frame come before the recording began.
    const std::uint64_t encoded = core_->Recorder().SamplesEncoded();
    EXPECT_LE(encoded, std::uint64_t(sent));
    EXPECT_GE(encoded + 62, std::uint64_t(sent));
    ASSERT_TRUE(WaitUntil([&] { return NewestGuid() == id.toStdString(); }));
    ASSERT_TRUE(WaitUntil([&] { return sink_.Events().size() >= 3; }));
    EXPECT_EQ(sink_.Events().mid(0, 3),
              QStringList({"animation:1", "CallLogRows:" + NewestId(), "animation:0"}));
    EXPECT_TRUE(sink_.AllOnUiThread());

    const test::Mp3Info info = test::ProbeMp3(PathOf(id));
    EXPECT_EQ(info.stream, "mp3,32000,1,64000");
    EXPECT_NEAR(info.duration, double(sent) / 32000, 0.1);
    EXPECT_NEAR(PeakFrequency(DecodeMp3(PathOf(id))), kBoxToneHz, 10);

    // A second stop, and a second recording, in the same call leave its entry alone.
    core_->RequestRecordingStop();
    ASSERT_TRUE(WaitUntil([&] { return sink_.Events().count("animation:0") == 2; }));
    const QString second = StartRecording(32000);
    StopRecording();
    EXPECT_TRUE(QFileInfo::exists(PathOf(second)));
    EXPECT_EQ(NewestGuid(), id.toStdString());
}

TEST_F(RecordingDeviceTest, APulledOutBoxOrTheProgramClosingLeavesALinkedPlayableFile) {
    Connect();
    Ring("13900000000");
    QString id = StartRecording(32000);
    ASSERT_EQ(box_->Command("unplug hard"), "ok");
    // The flag drops before the file is linked: wait for the link.
    ASSERT_TRUE(WaitUntil([&] { return NewestGuid() == id.toStdString(); }));
    EXPECT_FALSE(core_->Recorder().IsRecording());
    std::vector<std::int16_t> pcm = DecodeMp3(PathOf(id));
    EXPECT_NEAR(double(pcm.size()), double(core_->Recorder().SamplesEncoded()), 200);
    EXPECT_NEAR(PeakFrequency(pcm), kBoxToneHz, 10);

    ASSERT_EQ(box_->Command("plug"), "ok");
    ASSERT_TRUE(WaitUntil([&] { return core_->IsBoxConnected(); }));
    Ring("13700000000");
    id = StartRecording(32000);
    core_->Shutdown();
    EXPECT_FALSE(core_->Recorder().IsRecording());
    EXPECT_EQ(NewestGuid(), id.toStdString());
    pcm = DecodeMp3(PathOf(id));
    EXPECT_NEAR(double(pcm.size()), double(core_->Recorder().SamplesEncoded()), 200);
}

TEST_F(RecordingDeviceTest, TheBoxCanStreamSpeechInsteadOfTheTone) {
    if (!test::HaveProgram("espeak-ng")) {
        GTEST_SKIP() << "espeak-ng is needed for speech";
    }
    Connect({"--speech", "Hello, this call is recorded."});
    Ring("13700000000");
    const QString id = StartRecording(2 * 32000);
    StopRecording();
    const std::vector<std::int16_t> pcm = DecodeMp3(PathOf(id));
    double energy = 0;
    for (const std::int16_t sample : pcm) {
        energy += double(sample) * sample;
    }
    // Loud, and not the tone: a pure tone would hold all the energy at its frequency.
    EXPECT_GT(energy / double(pcm.size()), 1e6);
    EXPECT_LT(test::ToneEnergy(pcm, kBoxToneHz) / (energy * double(pcm.size()) / 2), 0.2);
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
    int CurrentCallId() override { return 0; }
    void LinkRecordingToCallLog(const QString& id, int) override { linked.push_back(id); }
    void SetRecordingAnimation(bool) override {}

    CallRecorder recorder;
    std::vector<QString> linked;
    test::FakeHost host;
    SerialLink link;
    FirmwareTransfer firmware{link, host};
    FrameDispatcher dispatcher{link, host, firmware, this};
    RecordingChunkScanner scanner;
};

TEST(RecordingChunks, MarkersAreNoSamplesAndAStopDropsTheSamplesReadWithIt) {
    QTemporaryDir root;
    ChunkRig rig(root.path());
    rig.Read({0xA5, 0xA0, 0x04, 0x55});
    ASSERT_TRUE(rig.recorder.IsRecording());
    const QString id = rig.recorder.CurrentRecordingId();
    rig.Read({0xA7, 0x80, 0x81, 0x55});
    EXPECT_EQ(rig.recorder.SamplesEncoded(), 2u);
    rig.Read({0xA7, 0x55, 0xA7, 0x55, 0x55});
    EXPECT_EQ(rig.recorder.SamplesEncoded(), 2u);

    rig.Read({0xA7, 0x90, 0x91, 0xA5, 0xA1, 0x04, 0x55, 0x92, 0x55});
    EXPECT_FALSE(rig.recorder.IsRecording());
    EXPECT_EQ(rig.recorder.SamplesEncoded(), 2u);
    EXPECT_EQ(rig.linked, std::vector<QString>{id});
}

} // namespace
} // namespace tamberlink
