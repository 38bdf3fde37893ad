#include "CoreTestSupport.h"

#include "../device/BoxSim.h"
#include "../store/StoreTestSupport.h"
#include "app/AppCore.h"
#include "app/DeviceBridge.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>

namespace tamberlink {
namespace {

using test::BoxSim;
using test::BuiltDataFolder;
using test::RawDb;
using test::WaitUntil;

// Records the popups and the device indicator as well.
class DeviceSink : public test::RecordingSink {
public:
    void ShowIncomingCall(const IncomingCall& call) override {
        ShowTip("incoming " + call.attribution + "|" + call.number + "|" + call.name);
    }
    void ShowOutgoingCall(const OutgoingCall& call) override {
        ShowTip("outgoing " + call.display + "|" + call.prefix + "|" + call.number + "|" +
                call.name);
    }
    void CloseCallPopups() override { ShowTip("close popups"); }
    void SetDeviceIndicator(bool connected) override {
        ShowTip(connected ? "indicator on" : "indicator off");
    }
};

class DeviceCoreTest : public ::testing::Test {
protected:
    void StartCore(const std::vector<std::string>& boxOptions = {}) {
        box_ = std::make_unique<BoxSim>(boxOptions);
        ASSERT_TRUE(box_->Running());
        core_ = std::make_unique<AppCore>(test::TestConfig(docs_.path(), BuiltDataFolder()), sink_);
        ASSERT_TRUE(core_->Start());
        core_->Device().Link().SetPortLister([] { return std::vector<std::string>{}; });
        core_->Device().Link().SetWatchDevices(false);
        ASSERT_TRUE(core_->StartDeviceLink(QString::fromStdString(box_->PortPath())));
        ASSERT_TRUE(Seen("tip:indicator on"));
        ASSERT_TRUE(box_->WaitForLine("ask missed"));
    }
    bool Seen(const QString& event) {
        return WaitUntil([&] { return sink_.Events().contains(event); });
    }
    std::string CallLog() {
        return RawDb(docs_.filePath(QStringLiteral("Tamberlink/Data/Tamberlink.db")))
            .Rows("select phone, areacode, corp, type from table_log order by id");
    }

    int argc_ = 1;
    char arg0_[8] = "test";
    char* argv_[1] = {arg0_};
    QCoreApplication app_{argc_, argv_};
    QTemporaryDir docs_;
    DeviceSink sink_;
    std::unique_ptr<BoxSim> box_;
    std::unique_ptr<AppCore> core_;
};

TEST_F(DeviceCoreTest, BoxReportsReachTheUserInterfaceAndTheCallLog) {
    StartCore({"--area-code", "020", "--extension", "9"});
    EXPECT_TRUE(box_->WaitForLine("store-areacode 020"));
    // The box answers the queries one by one.
    EXPECT_TRUE(WaitUntil([&] { return core_->Settings().AreaCode() == "020"; }));
    EXPECT_TRUE(WaitUntil([&] { return core_->Settings().FenjiCode() == "9"; }))
        << core_->Settings().FenjiCode().toStdString();
    EXPECT_TRUE(WaitUntil([&] { return core_->Device().FirmwareVersion() == "1.0.5"; }))
        << core_->Device().FirmwareVersion().toStdString();

    ASSERT_EQ(box_->Command("ring 013800000000"), "ok");
    EXPECT_TRUE(Seen(QStringLiteral("tip:incoming 移动|北京|13800000000|")));
    ASSERT_EQ(box_->Command("missed 13800000000"), "ok");
    ASSERT_EQ(box_->Command("state 14"), "ok");
    EXPECT_TRUE(Seen("tip:close popups"));
    EXPECT_TRUE(WaitUntil(
        [&] { return CallLog() == "13800000000|北京|中国移动|3\n13800000000|北京|中国移动|5"; }));
    EXPECT_TRUE(sink_.AllOnUiThread());
}

// A call's length runs from the box's answer to its hang-up; a missed call has none.
TEST_F(DeviceCoreTest, ACallKeepsItsLengthFromAnswerToHangUp) {
    StartCore();
    const auto lengths = [&] {
        return RawDb(docs_.filePath(QStringLiteral("Tamberlink/Data/Tamberlink.db")))
            .Rows("select type, ifnull(length, '-') from table_log order by id");
    };
    core_->SetAreaCode("020");
    core_->SetFenjiCode("9");
    ASSERT_TRUE(box_->WaitForLine("store-extension 9"));
    ASSERT_TRUE(core_->Device().Calls().Dial("13800000000", false));
    ASSERT_TRUE(box_->WaitForLine("dial-landline 1 9013800000000"));
    // Ringing before the answer is no part of the call's length.
    QElapsedTimer ringing;
    ringing.start();
    while (ringing.elapsed() < 1200) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    ASSERT_EQ(box_->Command("state 12"), "ok");
    QElapsedTimer talking;
    talking.start();
    while (talking.elapsed() < 2200) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    ASSERT_EQ(box_->Command("state 14"), "ok");
    ASSERT_TRUE(WaitUntil([&] { return lengths().find('-') == std::string::npos; })) << lengths();
    EXPECT_TRUE(lengths() == "4|2" || lengths() == "4|3") << lengths();

    ASSERT_EQ(box_->Command("ring 13900000000"), "ok");
    ASSERT_EQ(box_->Command("missed 13900000000"), "ok");
    ASSERT_EQ(box_->Command("state 14"), "ok");
    EXPECT_TRUE(Seen("tip:close popups"));
    ASSERT_TRUE(WaitUntil([&] { return lengths().find("\n5|") != std::string::npos; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(lengths().substr(lengths().find('\n')), "\n3|-\n5|-");
}

// Line noise after a frame start, with an impossible length byte and no end byte, costs
// nothing but itself: the caller-ID right after it rings and is logged.
TEST_F(DeviceCoreTest, LineNoiseBeforeACallerIdDoesNotCostTheCall) {
    StartCore();
    std::string noise = "A5 30 FF";
    for (int i = 0; i < 40; ++i) {
        char byte[4];
        std::snprintf(byte, sizeof byte, " %02X", 0x10 + i);
        noise += byte;
    }
    ASSERT_EQ(box_->Command("send " + noise), "ok");
    ASSERT_EQ(box_->Command("ring 13800000000"), "ok");
    EXPECT_TRUE(Seen(QStringLiteral("tip:incoming 移动|北京|13800000000|")));
    EXPECT_TRUE(WaitUntil([&] { return CallLog() == "13800000000|北京|中国移动|3"; }));
}

TEST_F(DeviceCoreTest, DialsFromTheCoreReachTheBoxAndTheCallLog) {
    StartCore();
    core_->SetAreaCode("020");
    core_->SetFenjiCode("9");
    EXPECT_TRUE(box_->WaitForLine("store-extension 9"));
    EXPECT_TRUE(core_->Device().Calls().Dial("13800000000", false));
    EXPECT_TRUE(box_->WaitForLine("dial-landline 1 9013800000000"));
    EXPECT_TRUE(Seen(QStringLiteral("tip:outgoing 北京 移动|90|13800000000|未知联系人")));
    EXPECT_EQ(CallLog(), "13800000000|北京|中国移动|4");

    core_->Device().Calls().SendSmsViaPhone({"13800000000"}, QStringLiteral("你好"));
    EXPECT_TRUE(box_->WaitForLine("sms 13800000000 你好"));
}

TEST_F(DeviceCoreTest, LocalLandlineNumbersShowTheUsersArea) {
    StartCore({"--area-code", "020"});
    ASSERT_TRUE(WaitUntil([&] { return core_->Settings().AreaCode() == "020"; }));
    ASSERT_EQ(box_->Command("ring 88290291"), "ok");
    EXPECT_TRUE(Seen(QStringLiteral("tip:incoming 固话|广东广州|88290291|")));
    ASSERT_EQ(box_->Command("missed 88290291"), "ok");
    ASSERT_TRUE(WaitUntil([&] { return CallLog().find("|5") != std::string::npos; }));
    EXPECT_TRUE(core_->Device().Calls().Dial("8829-0291", false));
    EXPECT_TRUE(Seen(QStringLiteral("tip:outgoing 广东广州 固话||88290291|未知联系人")));
    // Logged cleaned, as the contacts keep their numbers.
    EXPECT_EQ(CallLog(), "88290291|广东广州|固话|3\n88290291|广东广州|固话|5\n"
                         "88290291|广东广州|固话|4");
    for (const CallLogRecord& row : core_->Database().CallLog().Load()) {
        EXPECT_EQ(row.attribution, QStringLiteral("固话|广东广州"));
    }

    // A number with its area code is found by it, whatever the user's area.
    core_->SetAreaCode("0755");
    ASSERT_EQ(box_->Command("ring 02088290291"), "ok");
    EXPECT_TRUE(Seen(QStringLiteral("tip:incoming 固话|广东广州|02088290291|")));
    ASSERT_EQ(box_->Command("ring 22345678"), "ok");
    EXPECT_TRUE(Seen(QStringLiteral("tip:incoming 固话|广东深圳|22345678|")));
}

TEST_F(DeviceCoreTest, LocalLandlineNumbersAreUnknownWithoutAnAreaCode) {
    StartCore({"--area-code", "none"});
    ASSERT_EQ(core_->Settings().AreaCode(), "");
    ASSERT_EQ(box_->Command("ring 88290291"), "ok");
    EXPECT_TRUE(Seen(QStringLiteral("tip:incoming 未知号码|88290291|")));
    ASSERT_TRUE(WaitUntil([&] { return CallLog() == "88290291|||3"; }));
    ASSERT_EQ(core_->Database().CallLog().Load().size(), 1u);
    EXPECT_EQ(core_->Database().CallLog().Load().front().attribution, QStringLiteral("未知号码"));
}

TEST_F(DeviceCoreTest, RecordingsFromTheBoxEndLinkedEvenWhenTheBoxIsPulledOut) {
    StartCore();
    ASSERT_EQ(box_->Command("ring 13800000000"), "ok");
    ASSERT_TRUE(WaitUntil([&] { return !CallLog().empty(); }));
    QDir recordings(docs_.filePath(QStringLiteral("Tamberlink/Rec")));
    const auto files = [&] {
        return recordings.entryList({QStringLiteral("*.mp3")}, QDir::Files);
    };
    const auto newestGuid = [&] {
        return RawDb(docs_.filePath(QStringLiteral("Tamberlink/Data/Tamberlink.db")))
            .Rows("select record_guid from table_log order by id desc limit 1");
    };

    core_->RequestRecordingStart();
    ASSERT_TRUE(WaitUntil([&] {
        return core_->Recorder().IsRecording() && core_->Recorder().SamplesEncoded() > 16000;
    }));
    core_->RequestRecordingStop();
    ASSERT_TRUE(WaitUntil([&] { return !core_->Recorder().IsRecording() && files().size() == 1; }));
    ASSERT_TRUE(WaitUntil([&] { return newestGuid() + ".mp3" == files().front().toStdString(); }));

    // A box pulled out mid-recording cannot stop it; losing the link finishes the file.
    ASSERT_EQ(box_->Command("ring 13900000000"), "ok");
    ASSERT_TRUE(WaitUntil([&] { return CallLog().find("13900000000") != std::string::npos; }));
    core_->RequestRecordingStart();
    ASSERT_TRUE(WaitUntil([&] {
        return core_->Recorder().IsRecording() && core_->Recorder().SamplesEncoded() > 8000;
    }));
    ASSERT_EQ(box_->Command("unplug hard"), "ok");
    ASSERT_TRUE(WaitUntil([&] { return !core_->Recorder().IsRecording() && files().size() == 2; }));
    EXPECT_TRUE(
        WaitUntil([&] { return files().contains(QString::fromStdString(newestGuid() + ".mp3")); }));
    EXPECT_TRUE(Seen("tip:indicator off"));
}

TEST_F(DeviceCoreTest, AMissedCallDuringARecordingLeavesTheRecordingOnItsCall) {
    StartCore();
    ASSERT_EQ(box_->Command("ring 13800000000"), "ok");
    ASSERT_TRUE(WaitUntil([&] { return !CallLog().empty(); }));
    core_->RequestRecordingStart();
    ASSERT_TRUE(WaitUntil([&] {
        return core_->Recorder().IsRecording() && core_->Recorder().SamplesEncoded() > 8000;
    }));
    const QString id = core_->Recorder().CurrentRecordingId();

    // Another caller tries meanwhile: the newest row is now the missed call.
    ASSERT_EQ(box_->Command("missed 13900000000"), "ok");
    ASSERT_TRUE(WaitUntil([&] { return CallLog().find("13900000000") != std::string::npos; }));
    core_->RequestRecordingStop();
    ASSERT_TRUE(WaitUntil([&] { return !core_->Recorder().IsRecording(); }));

    const auto guids = [&] {
        return RawDb(docs_.filePath(QStringLiteral("Tamberlink/Data/Tamberlink.db")))
            .Rows("select phone, type, record_guid from table_log order by id");
    };
    EXPECT_TRUE(WaitUntil([&] {
        return guids() == "13800000000|3|" + id.toStdString() + "\n13900000000|5|";
    })) << guids();
}

TEST_F(DeviceCoreTest, AnSmsGoesOutWhileTheUiThreadAndTheLocalApiGoOn) {
    StartCore();
    const QStringList numbers{"13800000001", "13800000002", "13800000003"};
    const QString content = QString(70, u'话');

    // A timer on the UI thread notes how long the event loop was away.
    QElapsedTimer sinceTick;
    qint64 longestStall = 0;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout,
                     [&] { longestStall = std::max(longestStall, sinceTick.restart()); });
    probe.start(5);
    sinceTick.start();

    core_->Device().Calls().SendSmsViaPhone(numbers, content);
    // Meanwhile another program asks to stop recording, which is answered at once.
    QProcess curl;
    curl.start("curl", {"-s", "--noproxy", "*", "--max-time", "30",
                        QStringLiteral("http://127.0.0.1:%1/api/record?cmd=control&value=stop")
                            .arg(core_->LocalApiPort())});
    ASSERT_TRUE(WaitUntil([&] { return curl.state() == QProcess::NotRunning; }));
    const int smsDoneByThen = box_->Count("sms 13800000003 " + content.toStdString());
    EXPECT_TRUE(curl.readAllStandardOutput().startsWith("{\"code\":0"));
    EXPECT_TRUE(WaitUntil([&] { return box_->Count("record-stop-request") == 1; }));

    for (const QString& number : numbers) {
        const std::string line = "sms " + number.toStdString() + " " + content.toStdString();
        EXPECT_TRUE(WaitUntil([&] { return box_->Count(line) == 1; })) << line;
    }
    probe.stop();
    std::printf("longest stall of the UI event loop while an SMS to 3 numbers of 70 characters "
                "went out: %lld ms\n",
                static_cast<long long>(longestStall));
    // The request crossed the UI thread while the SMS was still going out; the stall is the
    // machine's as well, so it is printed rather than bounded.
    EXPECT_EQ(smsDoneByThen, 0);
    EXPECT_TRUE(WaitUntil([&] {
        return RawDb(docs_.filePath(QStringLiteral("Tamberlink/Data/Tamberlink.db")))
                   .Rows("select count(*) from table_sms") == "3";
    }));
}

TEST_F(DeviceCoreTest, ShutdownReleasesAListenerWaitingForTheUiThread) {
    StartCore();
    // The listener waits for the UI thread, which does not run its events but shuts down.
    ASSERT_EQ(box_->Command("ring 13800000000"), "ok");
    ASSERT_TRUE(box_->WaitFor([&] { return !box_->LinesStartingWith("tx A5 30").empty(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const auto started = std::chrono::steady_clock::now();
    core_->Shutdown();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_FALSE(core_->IsBoxConnected());
}

TEST(DeviceProgram, FindsTheBoxGivenOnTheCommandLine) {
    BoxSim box;
    ASSERT_TRUE(box.Running());
    QTemporaryDir home;
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home.path());
    program.setProcessEnvironment(environment);
    program.start(QString::fromUtf8(TAMBERLINK_BIN_DIR "/tamberlink"),
                  {QStringLiteral("--serial-port"), QString::fromStdString(box.PortPath())});
    ASSERT_TRUE(program.waitForStarted(30000));
    EXPECT_TRUE(box.WaitForLine("ask missed", 1, std::chrono::seconds(30)));

    ASSERT_EQ(box.Command("missed 13900000000"), "ok");
    const QString database =
        home.filePath(QStringLiteral("Documents/Tamberlink/Data/Tamberlink.db"));
    EXPECT_TRUE(box.WaitFor([&] {
        return RawDb(database).Rows("select phone, type from table_log") == "13900000000|5";
    }));
    ::kill(pid_t(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitCode(), 0);
}

} // namespace
} // namespace tamberlink
