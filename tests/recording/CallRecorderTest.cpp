#include "recording/CallRecorder.h"
#include "recording/CallRecorderHost.h"

#include "Mp3Probe.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <mutex>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace tamberlink {
namespace {

using test::DecodeMp3;
using test::HaveProgram;
using test::PeakFrequency;
using test::ProbeMp3;
using test::ToneBytes;

// What the recorder told its owner, in order.
class HostLog : public CallRecorderHost {
public:
    void LinkRecordingToCallLog(const QString& id) override {
        std::lock_guard lock(mutex_);
        links_.push_back(id);
    }
    void SetRecordingAnimation(bool playing) override {
        std::lock_guard lock(mutex_);
        animation_.push_back(playing);
    }
    std::vector<QString> Links() const {
        std::lock_guard lock(mutex_);
        return links_;
    }
    std::vector<bool> Animation() const {
        std::lock_guard lock(mutex_);
        return animation_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<QString> links_;
    std::vector<bool> animation_;
};

// Feeds the bytes in reads of at most 62 bytes, as the serial listener does.
void Feed(CallRecorder& recorder, const std::vector<std::uint8_t>& bytes) {
    for (std::size_t at = 0; at < bytes.size(); at += 62) {
        recorder.EncodeSamples(bytes.data() + at, std::min<std::size_t>(62, bytes.size() - at));
    }
}

class CallRecorderTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveProgram("ffprobe") || !HaveProgram("ffmpeg")) {
            GTEST_SKIP() << "ffprobe and ffmpeg are needed to look at the recordings";
        }
        ASSERT_TRUE(root_.isValid());
        ASSERT_TRUE(QDir(root_.path()).mkpath(QStringLiteral("Rec")));
    }

    QString PathOf(const QString& id) const {
        return CallRecorder::RecordingPath(root_.path(), id);
    }

    // Checks that the file is a finished 32000 Hz mono 64 kbit/s MP3 of `seconds` and returns
    // its samples. The length tag lets the decoder drop the encoder's delay and padding, so
    // the decoded length is exact when the last frames were flushed.
    std::vector<std::int16_t> ExpectMp3(const QString& id, double seconds) {
        const auto info = ProbeMp3(PathOf(id));
        EXPECT_TRUE(info.has_value()) << "not an MP3: " << PathOf(id).toStdString();
        if (info) {
            EXPECT_EQ(info->sampleRate, 32000);
            EXPECT_EQ(info->channels, 1);
            EXPECT_EQ(info->bitRate, 64000);
            EXPECT_NEAR(info->duration, seconds, 0.1);
        }
        auto pcm = DecodeMp3(PathOf(id)).value_or(std::vector<std::int16_t>{});
        EXPECT_NEAR(double(pcm.size()), seconds * 32000, 200);
        return pcm;
    }

    QTemporaryDir root_;
    HostLog host_;
};

TEST_F(CallRecorderTest, RecordsTheCallAsMp3OfItsLengthAndLinksIt) {
    EXPECT_EQ(CallRecorder::WidenSample(0x00), -32768);
    EXPECT_EQ(CallRecorder::WidenSample(0x80), 0);
    EXPECT_EQ(CallRecorder::WidenSample(0x81), 256);
    EXPECT_EQ(CallRecorder::WidenSample(0xFF), 32512);

    CallRecorder recorder(host_, root_.path());
    EXPECT_FALSE(recorder.IsRecording());
    recorder.StartRecording(true);
    EXPECT_TRUE(recorder.IsRecording());
    const QString id = recorder.CurrentRecordingId();
    EXPECT_EQ(id.size(), 36);
    EXPECT_TRUE(QFileInfo::exists(PathOf(id)));

    Feed(recorder, ToneBytes(700, 3.0));
    recorder.EncodeSamples(nullptr, 10);
    EXPECT_EQ(recorder.SamplesEncoded(), 3u * 32000);
    recorder.StopRecording(true);

    EXPECT_FALSE(recorder.IsRecording());
    EXPECT_TRUE(recorder.CurrentRecordingId().isEmpty());
    EXPECT_EQ(host_.Links(), std::vector<QString>{id});
    EXPECT_EQ(host_.Animation(), (std::vector<bool>{true, false}));

    EXPECT_NEAR(PeakFrequency(ExpectMp3(id, 3.0)), 700, 10);
}

TEST_F(CallRecorderTest, StopWithoutCloseLinksAndKeepsWritingTheSameFile) {
    CallRecorder recorder(host_, root_.path());
    recorder.StartRecording(true);
    const QString id = recorder.CurrentRecordingId();
    Feed(recorder, ToneBytes(500, 1.0));
    recorder.StopRecording(false);
    EXPECT_TRUE(recorder.IsRecording());
    EXPECT_TRUE(recorder.CurrentRecordingId().isEmpty());
    EXPECT_EQ(host_.Links(), std::vector<QString>{id});

    Feed(recorder, ToneBytes(500, 1.0));
    recorder.StopRecording(true);
    // The identifier went with the first stop: nothing more is linked.
    EXPECT_EQ(host_.Links(), std::vector<QString>{id});
    EXPECT_EQ(host_.Animation(), (std::vector<bool>{true, false, false}));
    ExpectMp3(id, 2.0);
}

TEST_F(CallRecorderTest, RestartAndRefusalFinishTheOpenFile) {
    CallRecorder recorder(host_, root_.path());
    recorder.StartRecording(true);
    const QString first = recorder.CurrentRecordingId();
    Feed(recorder, ToneBytes(400, 1.0));

    recorder.StartRecording(true);
    const QString second = recorder.CurrentRecordingId();
    EXPECT_NE(first, second);
    EXPECT_EQ(recorder.SamplesEncoded(), 0u);
    Feed(recorder, ToneBytes(400, 1.5));
    ExpectMp3(first, 1.0);

    recorder.StartRecording(false);
    EXPECT_FALSE(recorder.IsRecording());
    ExpectMp3(second, 1.5);
    // Refused: later samples are not recorded.
    Feed(recorder, ToneBytes(400, 0.5));
    EXPECT_EQ(recorder.SamplesEncoded(), 48000u);

    // The next stop links the recording that was running.
    recorder.StopRecording(true);
    EXPECT_EQ(host_.Links(), std::vector<QString>{second});

    // A stop with nothing recorded links nothing.
    recorder.StopRecording(true);
    recorder.FinishRecording();
    EXPECT_EQ(host_.Links(), std::vector<QString>{second});
}

TEST_F(CallRecorderTest, FinishingFromAnotherThreadLeavesAPlayableFile) {
    CallRecorder recorder(host_, root_.path());
    recorder.StartRecording(true);
    const QString id = recorder.CurrentRecordingId();
    const std::vector<std::uint8_t> tone = ToneBytes(900, 0.5);
    std::atomic<bool> stop{false};
    std::thread listener([&] {
        while (!stop) {
            Feed(recorder, tone);
        }
    });
    while (recorder.SamplesEncoded() < 32000) {
        std::this_thread::yield();
    }
    recorder.FinishRecording();
    stop = true;
    listener.join();

    EXPECT_FALSE(recorder.IsRecording());
    EXPECT_EQ(host_.Links(), std::vector<QString>{id});
    const std::uint64_t encoded = recorder.SamplesEncoded();
    ExpectMp3(id, double(encoded) / 32000);
}

TEST_F(CallRecorderTest, RecFolderMissingIsMadeAgainUnwritableStillLinks) {
    ASSERT_TRUE(QDir(root_.path()).rmdir(QStringLiteral("Rec")));
    CallRecorder recorder(host_, root_.path());
    recorder.StartRecording(true);
    const QString made = recorder.CurrentRecordingId();
    Feed(recorder, ToneBytes(700, 1.0));
    recorder.StopRecording(true);
    ExpectMp3(made, 1.0);

    // A file where the folder should be: no recording file, but the call goes on.
    ASSERT_TRUE(QDir(root_.filePath(QStringLiteral("Rec"))).removeRecursively());
    QFile blocker(root_.filePath(QStringLiteral("Rec")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    recorder.StartRecording(true);
    const QString lost = recorder.CurrentRecordingId();
    EXPECT_TRUE(recorder.IsRecording());
    Feed(recorder, ToneBytes(700, 0.5));
    EXPECT_EQ(recorder.SamplesEncoded(), 0u);
    recorder.StopRecording(true);
    EXPECT_FALSE(recorder.IsRecording());
    EXPECT_EQ(host_.Links(), (std::vector<QString>{made, lost}));
    EXPECT_FALSE(QFileInfo::exists(PathOf(lost)));
}

// A disk that fills up mid-call: the file size limit makes writes fail as a full disk does.
TEST_F(CallRecorderTest, FullDiskKeepsTheCallGoingAndTheFileDecodable) {
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto* const previous = std::signal(SIGXFSZ, SIG_IGN);
    CallRecorder recorder(host_, root_.path());
    recorder.StartRecording(true);
    const QString id = recorder.CurrentRecordingId();
    rlimit limited = saved;
    limited.rlim_cur = 6000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    Feed(recorder, ToneBytes(700, 3.0));
    EXPECT_TRUE(recorder.IsRecording());
    recorder.StopRecording(true);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_EQ(host_.Links(), std::vector<QString>{id});
    EXPECT_LE(QFileInfo(PathOf(id)).size(), 6000);
    EXPECT_LT(recorder.SamplesEncoded(), 3u * 32000);
    const auto pcm = DecodeMp3(PathOf(id));
    ASSERT_TRUE(pcm.has_value());
    EXPECT_GT(pcm->size(), 16000u);
    EXPECT_NEAR(PeakFrequency(*pcm), 700, 10);
}

} // namespace
} // namespace tamberlink
