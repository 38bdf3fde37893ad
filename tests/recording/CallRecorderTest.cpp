#include "recording/CallRecorder.h"
#include "recording/CallRecorderHost.h"

#include "Mp3Probe.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <vector>

namespace tamberlink {
namespace {

using test::DecodeMp3;
using test::PeakFrequency;
using test::ToneBytes;

class CallRecorderTest : public ::testing::Test, public CallRecorderHost {
protected:
    void SetUp() override {
        if (!test::HaveProgram("ffprobe") || !test::HaveProgram("ffmpeg")) {
            GTEST_SKIP() << "ffprobe and ffmpeg are needed to look at the recordings";
        }
        ASSERT_TRUE(QDir(root_.path()).mkpath(QStringLiteral("Rec")));
    }

    int CurrentCallId() override { return currentCall_; }
    void LinkRecordingToCallLog(const QString& id, int callId) override {
        links_.push_back(id);
        linkedCalls_.push_back(callId);
    }
    void SetRecordingAnimation(bool playing) override { animation_.push_back(playing); }
    void OnRecordingStarted(const QString& id) override { started_.push_back(id); }
    void OnRecordingFinished(const QString& id, const QString& path, double seconds) override {
        finished_.push_back(id + u'|' + path + u'|' + QString::number(seconds));
    }

    // Feeds the bytes in reads of 62, as the serial listener does.
    void Feed(const std::vector<std::uint8_t>& bytes) {
        for (std::size_t at = 0; at < bytes.size(); at += 62) {
            recorder_.EncodeSamples(bytes.data() + at,
                                    std::min<std::size_t>(62, bytes.size() - at));
        }
    }

    QString PathOf(const QString& id) const {
        return CallRecorder::RecordingPath(root_.path(), id);
    }

    // Checks that the file is a finished 32000 Hz mono 64 kbit/s MP3 of `seconds` and returns
    // its samples. The length tag lets the decoder drop the encoder's delay and padding, so
    // the decoded length is exact when the last frames were flushed.
    std::vector<std::int16_t> ExpectMp3(const QString& id, double seconds) {
        const test::Mp3Info info = test::ProbeMp3(PathOf(id));
        EXPECT_EQ(info.stream, "mp3,32000,1,64000");
        EXPECT_NEAR(info.duration, seconds, 0.1);
        std::vector<std::int16_t> pcm = DecodeMp3(PathOf(id));
        EXPECT_NEAR(double(pcm.size()), seconds * 32000, 200);
        return pcm;
    }

    QTemporaryDir root_;
    CallRecorder recorder_{*this, root_.path()};
    int currentCall_ = 0;
    std::vector<QString> links_;
    std::vector<int> linkedCalls_;
    std::vector<bool> animation_;
    std::vector<QString> started_;
    std::vector<QString> finished_;
};

TEST_F(CallRecorderTest, RecordsTheCallAsMp3OfItsLengthAndLinksIt) {
    EXPECT_EQ(CallRecorder::WidenSample(0x00), -32768);
    EXPECT_EQ(CallRecorder::WidenSample(0x80), 0);
    EXPECT_EQ(CallRecorder::WidenSample(0x81), 256);
    EXPECT_EQ(CallRecorder::WidenSample(0xFF), 32512);

    recorder_.StartRecording(true);
    EXPECT_TRUE(recorder_.IsRecording());
    const QString id = recorder_.CurrentRecordingId();
    EXPECT_EQ(id.size(), 36);
    Feed(ToneBytes(700, 3.0));
    recorder_.EncodeSamples(nullptr, 10);
    EXPECT_EQ(recorder_.SamplesEncoded(), 3u * 32000);
    recorder_.StopRecording(true);

    EXPECT_FALSE(recorder_.IsRecording());
    EXPECT_TRUE(recorder_.CurrentRecordingId().isEmpty());
    EXPECT_EQ(links_, std::vector<QString>{id});
    EXPECT_EQ(animation_, (std::vector<bool>{true, false}));
    EXPECT_NEAR(PeakFrequency(ExpectMp3(id, 3.0)), 700, 10);
}

TEST_F(CallRecorderTest, StopWithoutCloseLinksAndKeepsWritingTheSameFile) {
    recorder_.StartRecording(true);
    const QString id = recorder_.CurrentRecordingId();
    Feed(ToneBytes(500, 1.0));
    recorder_.StopRecording(false);
    EXPECT_TRUE(recorder_.IsRecording());
    EXPECT_EQ(links_, std::vector<QString>{id});

    Feed(ToneBytes(500, 1.0));
    recorder_.StopRecording(true);
    // The identifier went with the first stop: nothing more is linked.
    EXPECT_EQ(links_, std::vector<QString>{id});
    ExpectMp3(id, 2.0);
}

TEST_F(CallRecorderTest, ARecordingGoesToTheCallItStartedIn) {
    currentCall_ = 7;
    recorder_.StartRecording(true);
    const QString id = recorder_.CurrentRecordingId();
    // A call logged meanwhile (one missed while this one is recorded) does not take it.
    currentCall_ = 8;
    Feed(ToneBytes(500, 0.5));
    recorder_.StopRecording(true);
    recorder_.StartRecording(true);
    recorder_.StopRecording(false);
    EXPECT_EQ(links_.front(), id);
    EXPECT_EQ(linkedCalls_, (std::vector<int>{7, 8}));
}

TEST_F(CallRecorderTest, RestartAndRefusalFinishTheOpenFile) {
    recorder_.StartRecording(true);
    const QString first = recorder_.CurrentRecordingId();
    Feed(ToneBytes(400, 1.0));
    recorder_.StartRecording(true);
    const QString second = recorder_.CurrentRecordingId();
    EXPECT_NE(first, second);
    Feed(ToneBytes(400, 1.5));
    ExpectMp3(first, 1.0);

    recorder_.StartRecording(false);
    EXPECT_FALSE(recorder_.IsRecording());
    ExpectMp3(second, 1.5);
    Feed(ToneBytes(400, 0.5));
    EXPECT_EQ(recorder_.SamplesEncoded(), 48000u);

    // The next stop links the recording that ran; a stop with nothing recorded links nothing.
    recorder_.StopRecording(true);
    recorder_.StopRecording(true);
    recorder_.FinishRecording();
    EXPECT_EQ(links_, std::vector<QString>{second});
}

TEST_F(CallRecorderTest, RecFolderMissingIsMadeAgainUnwritableStillLinks) {
    ASSERT_TRUE(QDir(root_.path()).rmdir(QStringLiteral("Rec")));
    recorder_.StartRecording(true);
    const QString made = recorder_.CurrentRecordingId();
    Feed(ToneBytes(700, 1.0));
    recorder_.StopRecording(true);
    ExpectMp3(made, 1.0);

    // A file where the folder should be: no recording file, but the call goes on.
    ASSERT_TRUE(QDir(root_.filePath(QStringLiteral("Rec"))).removeRecursively());
    QFile blocker(root_.filePath(QStringLiteral("Rec")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    recorder_.StartRecording(true);
    const QString lost = recorder_.CurrentRecordingId();
    Feed(ToneBytes(700, 0.5));
    EXPECT_EQ(recorder_.SamplesEncoded(), 0u);
    recorder_.StopRecording(true);
    EXPECT_EQ(links_, (std::vector<QString>{made, lost}));
    EXPECT_FALSE(QFileInfo::exists(PathOf(lost)));
}

// A disk that fills up mid-call: the file size limit makes writes fail as a full disk does.
TEST_F(CallRecorderTest, FullDiskKeepsTheCallGoingAndTheFileDecodable) {
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto* const previous = std::signal(SIGXFSZ, SIG_IGN);
    recorder_.StartRecording(true);
    const QString id = recorder_.CurrentRecordingId();
    rlimit limited = saved;
    limited.rlim_cur = 6000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    Feed(ToneBytes(700, 3.0));
    EXPECT_TRUE(recorder_.IsRecording());
    recorder_.StopRecording(true);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_EQ(links_, std::vector<QString>{id});
    EXPECT_LE(QFileInfo(PathOf(id)).size(), 6000);
    const std::vector<std::int16_t> pcm = DecodeMp3(PathOf(id));
    EXPECT_GT(pcm.size(), 16000u);
    EXPECT_NEAR(PeakFrequency(pcm), 700, 10);
}

// What other programs hear: each recording's start, and its end with the file and its length,
// whichever way it ends.
TEST_F(CallRecorderTest, EachRecordingIsReportedAsItStartsAndEndsWithItsFile) {
    recorder_.StartRecording(true);
    const QString first = recorder_.CurrentRecordingId();
    Feed(ToneBytes(400, 1.0));
    recorder_.StopRecording(false);
    Feed(ToneBytes(400, 0.5));
    recorder_.StartRecording(true);
    const QString second = recorder_.CurrentRecordingId();
    Feed(ToneBytes(400, 2.0));
    recorder_.FinishRecording();
    recorder_.StopRecording(true);
    recorder_.StartRecording(false);

    EXPECT_EQ(started_, (std::vector<QString>{first, second}));
    EXPECT_EQ(finished_,
              (std::vector<QString>{first + u'|' + PathOf(first) + QStringLiteral("|1.5"),
                                    second + u'|' + PathOf(second) + QStringLiteral("|2")}));
    ExpectMp3(first, 1.5);
    ExpectMp3(second, 2.0);

    // Without a folder to record into, the recording still ends, without a file.
    CallRecorder homeless(*this);
    homeless.StartRecording(true);
    const QString third = homeless.CurrentRecordingId();
    homeless.StopRecording(true);
    EXPECT_EQ(finished_.back(), third + QStringLiteral("||0"));
}

} // namespace
} // namespace tamberlink
