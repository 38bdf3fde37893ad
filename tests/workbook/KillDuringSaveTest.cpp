#include "WorkbookTool.h"

#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace tamberlink {
namespace {

using test::WorkbookTool;

constexpr int kRows = 6;
constexpr int kKills = 100;

struct Outcome {
    int status = 0;
    QString remark;
    bool operator==(const Outcome& other) const {
        return status == other.status && remark == other.remark;
    }
};
using State = std::map<int, Outcome>; // sheet row -> what it holds

// What save `index` of the loop writes (see SaveLoop.cpp).
void Apply(State& state, long index) {
    state[1 + int(index % kRows)] =
        Outcome{int(1 + index % 4), QStringLiteral("第%1次").arg(index)};
}

State Read(const QJsonObject& cells) {
    State state;
    for (int row = 1; row <= kRows; ++row) {
        const QString cv = QStringLiteral("CV%1").arg(row + 1);
        const QString cw = QStringLiteral("CW%1").arg(row + 1);
        if (cells.contains(cv) || cells.contains(cw)) {
            state[row] = Outcome{cells.value(cv).toInt(), cells.value(cw).toString()};
        }
    }
    return state;
}

// A saver killed with SIGKILL at random moments, again and again: the workbook always opens
// in openpyxl and holds every outcome whose save was reported (plus, at most, the one save
// that finished just before the kill and could not report).
TEST(KillDuringSave, TheWorkbookIsAlwaysTheOldOrTheNewOne) {
    QTemporaryDir dir;
    const QString path = dir.filePath("calls.xlsx");
    ASSERT_TRUE(WorkbookTool::Instance().Make("rows", path, 60));
    std::mt19937 random(20160305);
    std::uniform_int_distribution<int> delayUs(0, 15000);

    State verified;
    long next = 0;
    int killedDuringRun = 0;
    int roundsWithSaves = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        QProcess saver;
        saver.setProgram(QStringLiteral(TAMBERLINK_BIN_DIR "/excel_save_loop"));
        saver.setArguments({path, QString::number(next), QString::number(kRows)});
        saver.start();
        ASSERT_TRUE(saver.waitForStarted(30000));
        // Every other round waits for one reported save first, so that kills land in the
        // middle of the loop's saves as well as at its start.
        if (kill % 2 == 1) {
            while (!saver.canReadLine() && saver.state() == QProcess::Running) {
                saver.waitForReadyRead(30000);
            }
        }
        QThread::usleep(unsigned(delayUs(random)));
        if (saver.state() == QProcess::Running) {
            ++killedDuringRun;
        }
        saver.kill();
        ASSERT_TRUE(saver.waitForFinished(30000));
        ASSERT_EQ(saver.exitStatus(), QProcess::CrashExit) << "the saver stopped on its own";

        long last = next - 1;
        for (const QByteArray& line : saver.readAllStandardOutput().split('\n')) {
            if (line.startsWith("saved ")) {
                last = line.mid(6).toLong();
            }
        }
        roundsWithSaves += last >= next ? 1 : 0;
        State reported = verified;
        for (long i = next; i <= last; ++i) {
            Apply(reported, i);
        }
        State oneMore = reported;
        Apply(oneMore, last + 1);

        const QJsonObject cells = WorkbookTool::Instance().Cells(path);
        ASSERT_FALSE(cells.contains("error"))
            << "round " << kill << ": " << qPrintable(cells.value("error").toString());
        const State found = Read(cells);
        ASSERT_TRUE(found == reported || found == oneMore)
            << "round " << kill << ": the workbook lost a reported save (last " << last << ")";
        verified = found;
        next = last + 2;
    }
    EXPECT_EQ(killedDuringRun, kKills);
    // At least the rounds that waited for a save saw one: the saver really works between kills.
    EXPECT_GE(roundsWithSaves, kKills / 2);
}

} // namespace
} // namespace tamberlink
