#include "../app/CoreTestSupport.h"
#include "../store/StoreTestSupport.h"
#include "Mp3Probe.h"

#include "app/AppCore.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>

namespace tamberlink {
namespace {

using test::BuiltDataFolder;
using test::FakeBox;
using test::RecordingSink;
using test::WaitUntil;

class RecordingCoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        core_ = std::make_unique<AppCore>(test::TestConfig(docs_.path(), BuiltDataFolder()), sink_);
        ASSERT_TRUE(core_->Start());
        core_->AttachBoxLink(&box_);
    }

    // Runs a recording as the serial listener does: start, samples, stop, off the UI thread.
    QString RecordOnListener(double seconds) {
        QString id;
        std::thread([&] {
            CallRecorder& recorder = core_->Recorder();
            recorder.StartRecording(true);
            id = recorder.CurrentRecordingId();
            const auto tone = test::ToneBytes(1000, seconds);
            recorder.EncodeSamples(tone.data(), tone.size());
            recorder.StopRecording(true);
        }).join();
        return id;
    }

    QString NewestGuid() { return core_->LoadCallLog().at(0).recordGuid; }

    int argc_ = 1;
    char arg0_[8] = "test";
    char* argv_[1] = {arg0_};
    QCoreApplication app_{argc_, argv_};
    QTemporaryDir docs_;
    RecordingSink sink_;
    FakeBox box_;
    std::unique_ptr<AppCore> core_;
};

TEST_F(RecordingCoreTest, RecordRequestsNeedTheBoxToStartButAlwaysStop) {
    core_->RequestRecordingStart();
    core_->RequestRecordingStop();
    box_.connected = false;
    core_->RequestRecordingStart();
    core_->RequestRecordingStop();
    EXPECT_EQ(box_.frames, (std::vector<QByteArray>{"A5 A0 04 55", "A5 A1 04 55", "A5 A1 04 55"}));
    EXPECT_EQ(sink_.Events(), QStringList{QStringLiteral("tip:请先连接设备后再开始录音")});
}

TEST_F(RecordingCoreTest, ARecordingLinksToItsCallOnceAndTheUiHearsOnItsThread) {
    ASSERT_TRUE(core_->AddCallLog(QStringLiteral("13800138000"), {}, {}, 3));
    sink_.Clear();
    const QString id = RecordOnListener(1.0);
    EXPECT_EQ(NewestGuid(), id);
    EXPECT_TRUE(QFileInfo::exists(core_->DataRoot() + QStringLiteral("/Rec/") + id +
                                  QStringLiteral(".mp3")));
    ASSERT_TRUE(WaitUntil([&] { return sink_.Events().size() == 3; }));
    EXPECT_EQ(sink_.Events(),
              QStringList({QStringLiteral("animation:1"), QStringLiteral("ReloadCallLog"),
                           QStringLiteral("animation:0")}));
    EXPECT_TRUE(sink_.AllOnUiThread());

    // A second recording in the same call leaves the entry as it was.
    const QString second = RecordOnListener(0.5);
    EXPECT_NE(second, id);
    EXPECT_EQ(NewestGuid(), id);
}

TEST_F(RecordingCoreTest, ClosingMidRecordingFinishesTheFileAndLinksIt) {
    ASSERT_TRUE(core_->AddCallLog(QStringLiteral("13800138000"), {}, {}, 4));
    CallRecorder& recorder = core_->Recorder();
    recorder.StartRecording(true);
    const QString id = recorder.CurrentRecordingId();
    const auto tone = test::ToneBytes(1000, 1.0);
    recorder.EncodeSamples(tone.data(), tone.size());
    const QString path = CallRecorder::RecordingPath(core_->DataRoot(), id);
    core_->Shutdown();
    EXPECT_FALSE(recorder.IsRecording());
    EXPECT_EQ(test::RawDb(core_->DataRoot() + QStringLiteral("/Data/Tamberlink.db"))
                  .Rows("select record_guid from table_log order by id desc limit 1"),
              id.toStdString());
    if (test::HaveProgram("ffprobe")) {
        const auto info = test::ProbeMp3(path);
        ASSERT_TRUE(info.has_value());
        EXPECT_NEAR(info->duration, 1.0, 0.1);
    }
}

} // namespace
} // namespace tamberlink
