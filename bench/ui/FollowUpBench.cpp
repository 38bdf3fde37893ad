// The missed calls to follow up and a number's history, on the data folder of 1,000,000 calls
// beside the empty folder in the same run. Into each folder go 1,000 calls with one number
// (written four ways: "13700000001", "+86 137-0000-0001", "013700000001", "137 0000 0001"),
// 50 SMS to it and 50 notes about it. Prints:
//   the first read of the whole call log for the follow-up list, on the database reader;
//   the time from a call logged to the follow-up list showing the change (target < 20 ms):
//   a missed call that joins it, and an answered call from that number that takes it out;
//   the time from asking for the number's history to its rows painted in the history window
//   (target < 50 ms);
//   the popup's line of context for the number.
// Each figure is the median of its runs.
//
// usage: bench_ui_followup   (QT_QPA_PLATFORM=offscreen unless a display is set)

#include "../BenchTiming.h"
#include "BusyDayData.h"
#include "PageBench.h"

#include "app/AppCore.h"
#include "ui/calls/CRecordContainer.h"
#include "ui/calls/CallContext.h"
#include "ui/calls/CallLogModel.h"
#include "ui/history/CNumberHistory.h"
#include "ui/history/HistoryListModel.h"
#include "ui/history/HistoryWindows.h"
#include "ui/widgets/SkinStyle.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QListView>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdio>
#include <vector>

using namespace tamberlink;
using tamberlink::bench::Median;
using tamberlink::bench::PlacePage;
using tamberlink::bench::Serve;
using tamberlink::bench::busyday::kEmpty;
using tamberlink::bench::busyday::kMillion;
using tamberlink::bench::busyday::PrepareFolder;
using tamberlink::bench::busyday::Scale;

namespace {

constexpr int kWaitMs = 120000;
constexpr int kNumberCalls = 1000;
constexpr int kNumberOthers = 50;
constexpr int kEvents = 20;
constexpr int kRuns = 7;

const char* const kForms[] = {"13700000001", "+86 137-0000-0001", "013700000001", "137 0000 0001"};

bool AddNumberHistory(const QString& path) {
    sqlite3* db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK) {
        return false;
    }
    bool ok = sqlite3_exec(db, "begin", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_stmt* call = nullptr;
    sqlite3_prepare_v2(db,
                       "insert into table_log(name, phone, head, date_time, type, areacode, "
                       "corp, record_guid) values(?1, ?1, '', ?2, ?3, '北京', '中国移动', '')",
                       -1, &call, nullptr);
    for (int i = 0; ok && i < kNumberCalls; ++i) {
        const QByteArray time = QByteArray("2024/06/") + QByteArray::number(10 + i % 18) +
                                " 10:" + QByteArray::number(10 + i % 50) + ":00";
        sqlite3_bind_text(call, 1, kForms[i % 4], -1, SQLITE_STATIC);
        sqlite3_bind_text(call, 2, time.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(call, 3, 1 + i % 5);
        ok = sqlite3_step(call) == SQLITE_DONE;
        sqlite3_reset(call);
    }
    sqlite3_finalize(call);
    for (int i = 0; ok && i < kNumberOthers; ++i) {
        ok = sqlite3_exec(db,
                          "insert into table_sms(name, phone, head, date_time, content, "
                          "attribution) values('13700000001', '13700000001', '', "
                          "'2024/06/01 09:00:00', '报价单已发送', '移动|北京');"
                          "insert into table_notepad(name, phone, head, date_time, content, cid) "
                          "values('', '+86 137-0000-0001', '', '', '下周回电', 0)",
                          nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ok = ok && sqlite3_exec(db, "commit", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

void Run(const Scale& scale) {
    QTemporaryDir docs;
    if (!PrepareFolder(docs.path(), scale) ||
        !AddNumberHistory(docs.filePath(QStringLiteral("Tamberlink/Data/Tamberlink.db")))) {
        std::fprintf(stderr, "%s: the data folder could not be made\n", scale.name);
        return;
    }
    bench::QuietSink sink;
    AppCore core(AppConfig{docs.path(), QStringLiteral(TAMBERLINK_BIN_DIR "/Data"), 0}, sink);
    QElapsedTimer load;
    load.start();
    if (!core.Start()) {
        std::fprintf(stderr, "%s: the core did not start\n", scale.name);
        return;
    }
    if (!Serve([&] { return core.FollowUp().IsLoaded(); }, kWaitMs)) {
        std::fprintf(stderr, "%s: the follow-up list was not read\n", scale.name);
        return;
    }
    const double loadMs = double(load.nsecsElapsed()) / 1e6;

    QWidget main;
    auto* page = new CRecordContainer(core, &main);
    page->Build();
    PlacePage(main, *page);
    QObject::connect(&core.FollowUp(), &FollowUpTracker::Changed, page,
                     &CRecordContainer::FollowUpChanged);
    QObject::connect(&core, &AppCore::CallLogRowsChanged, page, &CRecordContainer::RefreshRows);
    main.show();
    page->ShowFollowUpOnly(true);
    Serve([&] { return !page->Model().IsLoading(); }, kWaitMs);

    // A missed call joins the list, and a call answered on the phone takes it out again.
    std::vector<double> joins;
    std::vector<double> leaves;
    for (int i = 0; i < kEvents; ++i) {
        const QString number = QStringLiteral("1360000%1").arg(1000 + i);
        QElapsedTimer timer;
        timer.start();
        core.AddCallLog(number, QStringLiteral("北京"), QStringLiteral("中国移动"), 5);
        const int id = core.Database().CallLog().NewestId();
        Serve([&] { return !page->Model().IsLoading() && page->Model().RowOfId(id) >= 0; },
              kWaitMs);
        page->List()->viewport()->repaint();
        joins.push_back(double(timer.nsecsElapsed()) / 1e6);

        timer.restart();
        core.AddCallLog(QStringLiteral("+86 ") + number, QStringLiteral("北京"),
                        QStringLiteral("中国移动"), 1);
        Serve([&] { return !page->Model().IsLoading() && page->Model().RowOfId(id) < 0; }, kWaitMs);
        page->List()->viewport()->repaint();
        leaves.push_back(double(timer.nsecsElapsed()) / 1e6);
    }

    // The history of the number with a thousand calls, to its rows painted.
    HistoryWindows windows(main, core);
    std::vector<double> history;
    int rows = 0;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer timer;
        timer.start();
        windows.Open(QString::fromLatin1(kForms[i % 4]), QString());
        CNumberHistory* window = windows.Window();
        Serve([&] { return !window->Model().IsLoading() && window->Model().EntryCount() > 1; },
              kWaitMs);
        window->List()->viewport()->repaint();
        history.push_back(double(timer.nsecsElapsed()) / 1e6);
        rows = window->Model().EntryCount();
    }

    std::vector<double> context;
    for (int i = 0; i < kRuns * 10; ++i) {
        QElapsedTimer timer;
        timer.start();
        CallContext::For(core, QStringLiteral("13700000001"));
        context.push_back(double(timer.nsecsElapsed()) / 1e6);
    }

    std::printf("%-24s  log read for the list %8.1f ms  (%d waiting)\n", scale.name, loadMs,
                core.FollowUp().Count());
    std::printf("%-24s  missed call -> in the list %6.2f ms, answered -> out %6.2f ms  "
                "(target < 20 ms)\n",
                scale.name, Median(joins), Median(leaves));
    std::printf("%-24s  history of a number, %d rows, to painted %6.2f ms  (target < 50 ms)\n",
                scale.name, rows, Median(history));
    std::printf("%-24s  popup context line %6.3f ms\n", scale.name, Median(context));
    std::fflush(stdout);
    core.Shutdown();
}

} // namespace

int main(int argc, char** argv) {
    bench::UseOffscreenPlatform();
    QApplication app(argc, argv);
    ApplySkinStyle(app);
    Run(kEmpty);
    Run(kMillion);
    return 0;
}
