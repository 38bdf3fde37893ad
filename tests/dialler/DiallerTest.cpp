#include "../app/CoreTestSupport.h"
#include "../device/BoxSim.h"
#include "../workbook/WorkbookTool.h"

#include "app/DeviceBridge.h"
#include "dialler/PowerDialler.h"
#include "localapi/ApiReplies.h"

#include <QDateTime>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

namespace tamberlink {
namespace {

using test::BoxSim;
using test::WaitUntil;
using test::WorkbookTool;

// The n-th person of a list made with WorkbookTool's "rows": sheet row n, number 13800000000+n.
QString NumberOf(int person) {
    return QString::number(13800000000LL + person);
}

std::vector<std::string> DialsAt(const BoxSim& box) {
    return box.LinesStartingWith("dial-landline");
}

// Waits for the box's `count`-th dial, the event loop running, and says whether it went to
// `number`.
bool DialledAt(const BoxSim& box, std::size_t count, const QString& number) {
    if (!WaitUntil([&] { return DialsAt(box).size() >= count; })) {
        return false;
    }
    return QString::fromStdString(DialsAt(box)[count - 1]).endsWith(number);
}

// A workbook of `people` rows under a header, names in A and numbers in B, with cells set.
QString WriteList(const QTemporaryDir& folder, int people, const QJsonObject& cells = {}) {
    const QString path = folder.filePath(QStringLiteral("名单.xlsx"));
    EXPECT_TRUE(WorkbookTool::Instance().Make(QStringLiteral("rows"), path, people + 1));
    if (!cells.isEmpty()) {
        const QJsonObject reply =
            WorkbookTool::Instance().Request({{"op", "set"}, {"path", path}, {"cells", cells}});
        EXPECT_FALSE(reply.contains("error")) << reply["error"].toString().toStdString();
    }
    return path;
}

class DiallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        box_ = std::make_unique<BoxSim>();
        ASSERT_TRUE(box_->Running());
        core_ = std::make_unique<AppCore>(test::TestConfig(docs_.path(), test::BuiltDataFolder()),
                                          sink_);
        ASSERT_TRUE(core_->Start());
        core_->SetAreaCode(QStringLiteral("020"));
        core_->DiallerLink().SetClock([this] { return now_; });
        core_->Device().Link().SetPortLister([] { return std::vector<std::string>{}; });
        core_->Device().Link().SetWatchDevices(false);
        ASSERT_TRUE(core_->StartDeviceLink(QString::fromStdString(box_->PortPath())));
        ASSERT_TRUE(WaitUntil([&] { return core_->IsBoxConnected(); }));
        ASSERT_TRUE(box_->WaitForLine("ask missed"));
    }

    // A workbook of `people` rows under a header, with its outcome cells set from `cells`.
    QString MakeList(int people, const QJsonObject& cells = {}) {
        const QString path = docs_.filePath(QStringLiteral("名单.xlsx"));
        EXPECT_TRUE(WorkbookTool::Instance().Make(QStringLiteral("rows"), path, people + 1));
        if (!cells.isEmpty()) {
            const QJsonObject reply =
                WorkbookTool::Instance().Request({{"op", "set"}, {"path", path}, {"cells", cells}});
            EXPECT_FALSE(reply.contains("error")) << reply["error"].toString().toStdString();
        }
        list_ = std::make_unique<TempContactList>(TempContactList::IniPathFor(core_->DataRoot()));
        EXPECT_TRUE(list_->LoadWorkbook(path, 0, 1));
        return path;
    }

    std::vector<std::string> Dials() const { return DialsAt(*box_); }
    bool DialledAs(std::size_t count, const QString& number) {
        return DialledAt(*box_, count, number);
    }
    // Lets the queued UI work run for a while, so that a dial that should not come would.
    void Settle() {
        WaitUntil([] { return false; }, 300);
    }
    QJsonObject Cells(const QString& path) { return WorkbookTool::Instance().Cells(path); }

    int argc_ = 1;
    char arg0_[8] = "test";
    char* argv_[1] = {arg0_};
    QCoreApplication app_{argc_, argv_};
    QTemporaryDir docs_;
    test::RecordingSink sink_;
    std::unique_ptr<BoxSim> box_;
    std::unique_ptr<AppCore> core_;
    std::unique_ptr<TempContactList> list_;
    QDateTime now_ = QDateTime::currentDateTime();
};

// Twenty people, each dialled in row order as soon as the last outcome is given; every
// outcome lands in CV and CW of its own row. An outcome given while paused and taken back
// puts the earlier cells back, and the person waits for the right one without a new dial.
TEST_F(DiallerTest, TwentyRowsAreDialledInOrderWithTheirOutcomesInTheWorkbook) {
    const QString path = MakeList(20, {{"CV5", 2}, {"CW5", QStringLiteral("上次没人接")}});
    CampaignOptions options;
    options.wrapUpSeconds = 0;
    options.maxAttempts = 1;
    PowerDialler& dialler = core_->Dialler();
    ASSERT_TRUE(dialler.Start(*list_, options));
    EXPECT_FALSE(dialler.Start(*list_, options)) << "two campaigns at once";
    EXPECT_TRUE(sink_.Events().contains(QStringLiteral("tip:已有连续拨号正在进行，请先结束它")));
    EXPECT_FALSE(dialler.Undo()) << "nothing before the first outcome";

    const DialOutcome cycle[] = {DialOutcome::Contacted, DialOutcome::NoAnswer,
                                 DialOutcome::CallBack, DialOutcome::Contacted};
    std::map<int, std::pair<int, QString>> expected;
    for (int person = 1; person <= 20; ++person) {
        ASSERT_TRUE(DialledAs(std::size_t(person), NumberOf(person))) << person;
        const DialOutcome outcome = cycle[person % 4];
        const QString remark = QStringLiteral("备注%1").arg(person);
        if (person == 4) {
            dialler.TogglePause();
            ASSERT_TRUE(dialler.SaveOutcome(DialOutcome::DoNotCall, QStringLiteral("错了")));
            EXPECT_EQ(Cells(path)["CV5"].toInt(), 4);
            EXPECT_TRUE(core_->IsDoNotCall(NumberOf(4)));
            ASSERT_TRUE(dialler.Undo());
            const QJsonObject cells = Cells(path);
            EXPECT_EQ(cells["CV5"].toInt(), 2);
            EXPECT_EQ(cells["CW5"].toString(), QStringLiteral("上次没人接"));
            EXPECT_FALSE(core_->IsDoNotCall(NumberOf(4)));
            EXPECT_EQ(dialler.Current(), 4) << "the header row comes first";
            ASSERT_TRUE(dialler.SaveOutcome(outcome, remark));
            Settle();
            EXPECT_EQ(Dials().size(), 4u) << "nothing is dialled while paused";
            dialler.TogglePause();
        } else {
            ASSERT_TRUE(dialler.SaveOutcome(outcome, remark));
        }
        expected[person] = {int(outcome), remark};
    }
    ASSERT_TRUE(WaitUntil([&] { return dialler.CurrentPhase() == PowerDialler::Phase::Finished; }));
    Settle();
    EXPECT_EQ(Dials().size(), 20u);

    const QJsonObject cells = Cells(path);
    for (const auto& [person, outcome] : expected) {
        const int row = person + 1;
        EXPECT_EQ(cells[QStringLiteral("CV%1").arg(row)].toInt(), outcome.first) << row;
        EXPECT_EQ(cells[QStringLiteral("CW%1").arg(row)].toString(), outcome.second) << row;
    }
    // Each outcome is kept once, the one taken back not at all, and a 再联系 left a reminder.
    EXPECT_EQ(core_->Database().CallAttempts().ForNumber(NumberOf(4)).size(), 1u);
    EXPECT_EQ(core_->Database().CallAttempts().ForNumber(NumberOf(2)).front().outcome,
              int(DialOutcome::CallBack));
    EXPECT_EQ(core_->Database().Notes().Load(0).size(), 5u);
    EXPECT_FALSE(dialler.HasSaved()) << "a finished campaign is not offered again";
}

// A 未接通 comes back once its delay has passed, by the campaign's clock, and not before; after
// the last attempt it stays 未接通 and the campaign ends.
TEST_F(DiallerTest, NoAnswerIsRecalledAfterItsDelayAndDroppedAfterTheLastAttempt) {
    const QString path = MakeList(3);
    CampaignOptions options;
    options.wrapUpSeconds = 0;
    options.recallMinutes = 30;
    options.maxAttempts = 2;
    PowerDialler& dialler = core_->Dialler();
    ASSERT_TRUE(dialler.Start(*list_, options));
    ASSERT_TRUE(DialledAs(1, NumberOf(1)));
    ASSERT_TRUE(dialler.SaveOutcome(DialOutcome::NoAnswer, QString()));
    ASSERT_TRUE(DialledAs(2, NumberOf(2)));
    ASSERT_TRUE(dialler.SaveOutcome(DialOutcome::Contacted, QString()));
    ASSERT_TRUE(DialledAs(3, NumberOf(3)));
    ASSERT_TRUE(dialler.SaveOutcome(DialOutcome::Contacted, QString()));
    ASSERT_TRUE(WaitUntil([&] { return dialler.CurrentPhase() == PowerDialler::Phase::Waiting; }));

    now_ = now_.addSecs(29 * 60);
    dialler.Tick();
    Settle();
    EXPECT_EQ(Dials().size(), 3u);
    EXPECT_EQ(dialler.CurrentPhase(), PowerDialler::Phase::Waiting);

    now_ = now_.addSecs(2 * 60);
    dialler.Tick();
    ASSERT_TRUE(DialledAs(4, NumberOf(1)));
    ASSERT_TRUE(dialler.SaveOutcome(DialOutcome::NoAnswer, QStringLiteral("还是没人")));
    ASSERT_TRUE(WaitUntil([&] { return dialler.CurrentPhase() == PowerDialler::Phase::Finished; }));
    now_ = now_.addSecs(3600);
    dialler.Tick();
    Settle();
    EXPECT_EQ(Dials().size(), 4u);
    EXPECT_EQ(dialler.Progress().perOutcome[int(DialOutcome::NoAnswer)], 1);
    EXPECT_EQ(Cells(path)["CV2"].toInt(), 2);
    EXPECT_EQ(Cells(path)["CW2"].toString(), QStringLiteral("还是没人"));
    EXPECT_EQ(core_->Database().CallAttempts().ForNumber(NumberOf(1)).size(), 2u);
}

// A number on the do-not-call list is dialled by nothing that has not asked the user: not
// call control (which every dial button, the keypad and the quick dial end in), not the local
// API, which answers in its usual shape, and not a campaign, which passes it over and counts it.
TEST_F(DiallerTest, DoNotCallNumbersAreRefusedOnEveryPath) {
    MakeList(4, {{"CV4", 4}});
    ASSERT_TRUE(core_->Database().DoNotCall().Add({NumberOf(2), QStringLiteral("手动添加"), 0}));

    EXPECT_FALSE(core_->Device().Calls().Dial(NumberOf(2), false));
    EXPECT_TRUE(sink_.Events().contains(QStringLiteral("tip:该号码在免打扰名单中，未拨打")));

    QProcess curl;
    curl.start("curl", {"-s", "--noproxy", "*", "--max-time", "30",
                        QStringLiteral("http://127.0.0.1:%1/api/call?type=tel&number=%2")
                            .arg(core_->LocalApiPort())
                            .arg(NumberOf(2))});
    ASSERT_TRUE(WaitUntil([&] { return curl.state() == QProcess::NotRunning; }, 60000));
    EXPECT_EQ(curl.readAllStandardOutput().toStdString(), ReplyBody(ApiReply::DialDoNotCall));
    Settle();
    EXPECT_TRUE(Dials().empty());

    CampaignOptions options;
    options.wrapUpSeconds = 0;
    PowerDialler& dialler = core_->Dialler();
    ASSERT_TRUE(dialler.Start(*list_, options));
    // Person 3 was marked 黑名单 in the list: finished, and on the do-not-call list now.
    EXPECT_TRUE(core_->IsDoNotCall(NumberOf(3)));
    ASSERT_TRUE(DialledAs(1, NumberOf(1)));
    ASSERT_TRUE(dialler.SaveOutcome(DialOutcome::Contacted, QString()));
    ASSERT_TRUE(DialledAs(2, NumberOf(4)));
    EXPECT_EQ(dialler.State().Entries()[2].reason, QStringLiteral("免打扰名单"));
    EXPECT_EQ(dialler.Progress().doNotCall, 1);

    // The user's say-so dials it.
    ASSERT_TRUE(dialler.SaveOutcome(DialOutcome::Contacted, QString()));
    ASSERT_TRUE(WaitUntil([&] { return !core_->Device().Calls().IsDialling(); }));
    EXPECT_TRUE(core_->Device().Calls().Dial(NumberOf(2), false, {}, true));
    EXPECT_TRUE(DialledAs(3, NumberOf(2)));
}

// The workbook open in Excel while an outcome is given: the outcome is kept and written once
// the workbook is free again, and a row inserted meanwhile above the people sends each
// outcome to the row its number moved to, never to the row it had.
TEST_F(DiallerTest, OutcomesWaitForALockedWorkbookAndFollowRowsInsertedMeanwhile) {
    const QString path = MakeList(3);
    const QString lock = docs_.filePath(QStringLiteral("~$名单.xlsx"));
    CampaignOptions options;
    options.wrapUpSeconds = 0;
    PowerDialler& dialler = core_->Dialler();
    ASSERT_TRUE(dialler.Start(*list_, options));
    ASSERT_TRUE(DialledAs(1, NumberOf(1)));
    QFile excel(lock);
    ASSERT_TRUE(excel.open(QIODevice::WriteOnly));
    excel.close();
    ASSERT_TRUE(dialler.SaveOutcome(DialOutcome::Contacted, QStringLiteral("先记下")));
    EXPECT_EQ(dialler.PendingWrites(), 1);
    // One copy of the events: the box's thread may add one between two reads.
    const QStringList events = sink_.Events();
    EXPECT_TRUE(std::any_of(events.begin(), events.end(), [](const QString& e) {
        return e.startsWith(QStringLiteral("tip:表格暂时无法写入"));
    }));
    EXPECT_FALSE(Cells(path).contains("CV2"));
    EXPECT_EQ(core_->Database().CallAttempts().ForNumber(NumberOf(1)).size(), 1u);

    ASSERT_TRUE(DialledAs(2, NumberOf(2)));
    ASSERT_TRUE(QFile::remove(lock));
    const QJsonObject inserted =
        WorkbookTool::Instance().Request({{"op", "insert_row"}, {"path", path}, {"row", 1}});
    ASSERT_FALSE(inserted.contains("error"));
    ASSERT_TRUE(dialler.SaveOutcome(DialOutcome::NoAnswer, QStringLiteral("没人接")));
    EXPECT_EQ(dialler.PendingWrites(), 0);
    const QJsonObject cells = Cells(path);
    EXPECT_FALSE(cells.contains("CV2")) << "the inserted row stays empty";
    EXPECT_EQ(cells["CV3"].toInt(), 1);
    EXPECT_EQ(cells["CW3"].toString(), QStringLiteral("先记下"));
    EXPECT_EQ(cells["CV4"].toInt(), 2);
    EXPECT_EQ(cells["CW4"].toString(), QStringLiteral("没人接"));
    ASSERT_TRUE(DialledAs(3, NumberOf(3)));
}

// The program killed while a person is being called: the next start goes on at that person
// without dialling them again, and no outcome given before is lost.
class KilledCampaign : public ::testing::Test {
protected:
    int argc_ = 1;
    char arg0_[8] = "test";
    char* argv_[1] = {arg0_};
    QCoreApplication app_{argc_, argv_};
    QTemporaryDir docs_;
    BoxSim box_;

    // Starts the runner over the list at `path` in `mode`; true once it is dialling.
    bool Run(QProcess& runner, const QString& path, const char* mode) {
        if (!box_.Running()) {
            return false;
        }
        runner.start(QString::fromUtf8(TAMBERLINK_BIN_DIR "/tamberlink-dialler-runner"),
                     {docs_.path(), test::BuiltDataFolder(),
                      QString::fromStdString(box_.PortPath()), path, QString::fromLatin1(mode)});
        return runner.waitForReadyRead(30000);
    }
    // Kills the runner; the next run meets the box afresh, as after a restart of the computer.
    void KillAndReplug(QProcess& runner) {
        ::kill(pid_t(runner.processId()), SIGKILL);
        ASSERT_TRUE(runner.waitForFinished(10000));
        ASSERT_EQ(box_.Command("unplug hard"), "ok");
        ASSERT_EQ(box_.Command("plug"), "ok");
    }
};

TEST_F(KilledCampaign, ItGoesOnWithoutDiallingAnyoneTwice) {
    const QString path = WriteList(docs_, 6);
    QProcess first;
    ASSERT_TRUE(Run(first, path, "start"));
    for (int person = 1; person <= 3; ++person) {
        ASSERT_TRUE(DialledAt(box_, std::size_t(person), NumberOf(person))) << person;
        if (person < 3) {
            first.write("outcome 1\n");
            ASSERT_TRUE(first.waitForBytesWritten(5000));
        }
    }
    KillAndReplug(first);
    QProcess second;
    ASSERT_TRUE(Run(second, path, "resume")) << second.readAllStandardError().toStdString();
    // Time enough for a dial that should not come.
    WaitUntil([] { return false; }, 500);
    EXPECT_EQ(DialsAt(box_).size(), 3u) << "the person being called is not called again";
    second.write("outcome 2\n");
    ASSERT_TRUE(DialledAt(box_, 4, NumberOf(4)));
    second.write("outcome 1\n");
    ASSERT_TRUE(DialledAt(box_, 5, NumberOf(5)));
    second.closeWriteChannel();
    ASSERT_TRUE(second.waitForFinished(10000));

    const QJsonObject cells = WorkbookTool::Instance().Cells(path);
    EXPECT_EQ(cells["CV2"].toInt(), 1);
    EXPECT_EQ(cells["CV3"].toInt(), 1);
    EXPECT_EQ(cells["CV4"].toInt(), 2);
    EXPECT_EQ(cells["CV5"].toInt(), 1);
    for (int person = 1; person <= 5; ++person) {
        const auto dials = DialsAt(box_);
        EXPECT_EQ(std::count_if(dials.begin(), dials.end(),
                                [&](const std::string& line) {
                                    return QString::fromStdString(line).endsWith(NumberOf(person));
                                }),
                  1)
            << person;
    }
}

// Killed in the wrap-up time after an outcome: the next start keeps the outcome and goes on
// with the next person, never the one whose call was over.
TEST_F(KilledCampaign, InTheWrapUpTimeItKeepsTheOutcomeAndGoesOn) {
    const QString path = WriteList(docs_, 3);
    QProcess first;
    ASSERT_TRUE(Run(first, path, "start-wrapup"));
    ASSERT_TRUE(DialledAt(box_, 1, NumberOf(1)));
    first.write("outcome 3\n");
    QByteArray said;
    ASSERT_TRUE(WaitUntil([&] {
        first.waitForReadyRead(50);
        said += first.readAllStandardOutput();
        return said.contains("saved");
    }));
    KillAndReplug(first);
    EXPECT_EQ(DialsAt(box_).size(), 1u) << "nothing is dialled in the wrap-up time";
    QProcess second;
    ASSERT_TRUE(Run(second, path, "resume")) << second.readAllStandardError().toStdString();
    ASSERT_TRUE(DialledAt(box_, 2, NumberOf(2)));
    second.closeWriteChannel();
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(WorkbookTool::Instance().Cells(path)["CV2"].toInt(), 3);
}

} // namespace
} // namespace tamberlink
