// Prints what the call records page costs with a call log of 100,000 calls (or CALLS):
//   the time to read the log from the database (on the reader thread, beside the UI);
//   a reload of the page: the read in the background, its rows taken by the page and the
//   first screen painted, with the UI thread's own processor time (target < 50 ms);
//   the time for a new call to take the top row and be painted, and for a changed row (a
//   linked recording, a note mark) to be read again and repainted;
//   the time to scroll from the top to the bottom a screen at a time, painting each screen,
//   and to jump from the top to the bottom;
//   the time to delete one checked call and a thousand checked calls, and what the database
//   alone takes for a thousand deletes.
// Each figure is the median of several runs on the offscreen platform; a log of more than
// 100,000 calls is scrolled through once.
//
// usage: bench_ui_records [CALLS]

#include "app/AppConfig.h"
#include "app/AppCore.h"
#include "ui/calls/CRecordContainer.h"
#include "ui/calls/CallLogModel.h"
#include "ui/widgets/SkinStyle.h"

#include "../BenchTiming.h"
#include "PageBench.h"

#include <QApplication>
#include <QDir>
#include <QListView>
#include <QScrollBar>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace tamberlink;
using tamberlink::bench::Measure;
using tamberlink::bench::PlacePage;
using tamberlink::bench::Stopwatch;
using tamberlink::bench::TimeMs;
using tamberlink::bench::Timing;

namespace {

constexpr int kDefaultCalls = 100000;
constexpr int kNotes = 1000;
constexpr int kDeleted = 1000;
constexpr int kRuns = 5;

bool Exec(sqlite3* db, const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", sql, error);
        sqlite3_free(error);
        return false;
    }
    return true;
}

// Fills the call log in one transaction: mostly unknown numbers, some contacts, one call
// in ten recorded, and notes for the first calls.
bool FillCallLog(const QString& databasePath, int calls) {
    sqlite3* db = nullptr;
    if (sqlite3_open(databasePath.toUtf8().constData(), &db) != SQLITE_OK) {
        return false;
    }
    bool ok = Exec(db, "begin");
    sqlite3_stmt* insert = nullptr;
    ok = ok && sqlite3_prepare_v2(db,
                                  "insert into table_log(name, phone, head, date_time, type, "
                                  "areacode, corp, record_guid) values(?,?,?,?,?,?,?,?)",
                                  -1, &insert, nullptr) == SQLITE_OK;
    for (int i = 0; ok && i < calls; ++i) {
        const QByteArray phone = QByteArray("138") + QByteArray::number(10000000 + i);
        const QByteArray name = i % 7 == 0 ? QByteArray("联系人") + QByteArray::number(i) : phone;
        const QByteArray guid = i % 10 == 0 ? QByteArray("0A1B2C3D-4E5F-6a7b-8C9D-") +
                                                  QByteArray::number(100000000000LL + i)
                                            : QByteArray();
        const QByteArray time = QByteArray("2024/05/01 09:") + QByteArray::number(10 + i % 50) +
                                ":" + QByteArray::number(10 + i % 49);
        sqlite3_bind_text(insert, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, phone.constData(), int(phone.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, "", 0, SQLITE_STATIC);
        sqlite3_bind_text(insert, 4, time.constData(), int(time.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int(insert, 5, 1 + i % 5);
        sqlite3_bind_text(insert, 6, "广东广州", -1, SQLITE_STATIC);
        sqlite3_bind_text(insert, 7, "中国移动", -1, SQLITE_STATIC);
        sqlite3_bind_text(insert, 8, guid.constData(), int(guid.size()), SQLITE_TRANSIENT);
        ok = sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    for (int i = 1; ok && i <= kNotes; ++i) {
        const QByteArray sql = "insert into table_notepad(name, phone, head, date_time, content, "
                               "cid) values('', '', '', '', 'note', " +
                               QByteArray::number(i * 50) + ")";
        ok = Exec(db, sql.constData());
    }
    ok = ok && Exec(db, "commit");
    sqlite3_close(db);
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    bench::UseOffscreenPlatform();
    const int calls = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultCalls;
    QApplication app(argc, argv);
    ApplySkinStyle(app);
    QTemporaryDir docs;
    bench::QuietSink sink;
    AppCore core(AppConfig{docs.path(), QStringLiteral(TAMBERLINK_BIN_DIR "/Data")}, sink);
    if (!core.Start() ||
        !FillCallLog(QDir(core.DataRoot()).filePath(QStringLiteral("Data/Tamberlink.db")), calls)) {
        std::fprintf(stderr, "cannot prepare the call log\n");
        return 1;
    }

    QWidget main;
    auto* page = new CRecordContainer(core, &main);
    PlacePage(main, *page);
    page->Build();
    main.show();
    QApplication::processEvents();
    QListView* list = page->List();

    const double read = TimeMs(kRuns, [&] { core.Database().CallLog().Load(); });
    const auto waitForLoad = [&] {
        while (page->Model().IsLoading()) {
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
    };
    // The UI thread only asks, waits in its event loop and takes the rows that were read.
    const Timing reload = Measure(kRuns, [&](Stopwatch&) {
        page->LoadCallLog();
        waitForLoad();
        list->viewport()->repaint();
    });
    if (page->Model().EntryCount() != calls) {
        std::fprintf(stderr, "the page shows %d calls\n", page->Model().EntryCount());
        return 1;
    }

    // The core reports each write to the page; the page reads just that row again.
    QObject::connect(&core, &AppCore::CallLogRowsChanged, page, &CRecordContainer::RefreshRows);
    const Timing newCall = Measure(kRuns, [&](Stopwatch&) {
        core.AddCallLog(QStringLiteral("13912345678"), QStringLiteral("北京"),
                        QStringLiteral("中国移动"), 3);
        list->viewport()->repaint();
    });
    const Timing changedRow = Measure(kRuns, [&](Stopwatch&) {
        page->RefreshRows({page->Model().Entry(5000)->id});
        list->viewport()->repaint();
    });

    QScrollBar* bar = list->verticalScrollBar();
    int screens = 0;
    const double scroll = TimeMs(calls > kDefaultCalls ? 1 : kRuns,
                                 [&] { screens = bench::ScrollTopToBottom(*list); });

    const double jump = TimeMs(kRuns, [&] {
        bar->setValue(0);
        list->viewport()->repaint();
        bar->setValue(bar->maximum());
        list->viewport()->repaint();
    });

    const double deleteOne = TimeMs(1, [&] {
        page->Model().SetChecked(500, true);
        page->DeleteCheckedRows();
    });
    const double deleteMany = TimeMs(1, [&] {
        for (int row = 0; row < kDeleted; ++row) {
            page->Model().SetChecked(row * 50, true);
        }
        page->DeleteCheckedRows();
    });
    std::vector<int> ids;
    for (int row = 0; row < kDeleted; ++row) {
        ids.push_back(page->Model().Entry(row * 50)->id);
    }
    const double deleteInDatabase = TimeMs(1, [&] { core.DeleteCallLogs(ids); });

    std::printf("call records page, %d calls (%d with notes):\n", calls, kNotes);
    std::printf("  read the call log from the database   %8.1f ms  (on the reader thread)\n", read);
    const auto print = [](const char* what, const Timing& timing, const char* target) {
        std::printf("  %-37s %8.1f ms, UI thread's processor %.1f ms%s\n", what, timing.wallMs,
                    timing.cpuMs, target);
    };
    print("reload: read, landed and painted", reload, "  (target < 50 ms on the UI thread)");
    print("a new call at the top, painted", newCall, "");
    print("a changed row read again, painted", changedRow, "");
    std::printf("  scroll top to bottom, %5d screens    %8.1f ms  (%.3f ms a screen)\n", screens,
                scroll, scroll / std::max(1, screens));
    std::printf("  jump from the top to the bottom       %8.1f ms\n", jump);
    std::printf("  delete one checked call               %8.1f ms\n", deleteOne);
    std::printf("  delete %d checked calls             %8.1f ms\n", kDeleted, deleteMany);
    std::printf("    of which the database alone         %8.1f ms\n", deleteInDatabase);
    core.Shutdown();
    return 0;
}
