// Prints what the contacts page costs with 500,000 contacts:
//   the time to read them from the database;
//   a reload of the page: the read, sorted and grouped on the reader thread, its rows taken
//   by the page and the first screen painted (target < 300 ms), with the UI thread's own
//   processor time;
//   the time from the keystroke that completes a keyword in the search box to the painted
//   first screen of the result, read on the reader thread, and until all of it is in, for
//   initials ("zw"), parts of numbers ("138000", "0001", "13") and parts of names ("王伟",
//   "伟芳", "王") (target < 30 ms each);
//   the time to scroll from the top to the bottom a screen at a time, painting each screen.
// Each figure is the median of several runs on the offscreen platform, in wall-clock time and
// in the CPU time of the process (which tells what the work costs on a machine busy with
// other work).

#include "app/AppConfig.h"
#include "app/AppCore.h"
#include "ui/contacts/CContactContainer.h"
#include "ui/contacts/ContactListModel.h"
#include "ui/widgets/SkinStyle.h"
#include "util/PinyinInitials.h"

#include "../BenchTiming.h"
#include "PageBench.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>

using namespace tamberlink;
using tamberlink::bench::Measure;
using tamberlink::bench::Timing;

namespace {

constexpr int kContacts = 500000;
constexpr int kRuns = 5;

// Names made of common surnames and given-name characters, one or two of them; numbers
// spread over the mobile ranges.
bool FillContacts(const QString& databasePath) {
    const QString surnames =
        QStringLiteral("王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗郑梁谢宋唐许韩冯邓曹");
    const QString given =
        QStringLiteral("伟芳娜敏静丽强磊军洋勇艳杰娟涛明超秀霞平刚桂英华玉兰文辉建国红梅志");
    sqlite3* db = nullptr;
    if (sqlite3_open(databasePath.toUtf8().constData(), &db) != SQLITE_OK) {
        return false;
    }
    bool ok = sqlite3_exec(db, "begin", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_stmt* insert = nullptr;
    ok = ok && sqlite3_prepare_v2(db,
                                  "insert into table_contact(name, phone, head, email, company, "
                                  "home, other, cid, datetime, attribution, nameindex) "
                                  "values(?, ?, '', '', '', '', '', '', '', '移动|广东广州', ?)",
                                  -1, &insert, nullptr) == SQLITE_OK;
    std::uint32_t seed = 12345;
    const auto next = [&seed](std::uint32_t range) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % range;
    };
    for (int i = 0; ok && i < kContacts; ++i) {
        QString name = surnames[qsizetype(next(std::uint32_t(surnames.size())))];
        const int length = 1 + int(next(2));
        for (int c = 0; c < length; ++c) {
            name += given[qsizetype(next(std::uint32_t(given.size())))];
        }
        // A tenth of the numbers share a prefix, which a search for it finds.
        const QByteArray digits = QByteArray::number(next(1000000000) + 1000000000).mid(1);
        const QByteArray phone = i % 10 == 0 ? "138000" + digits.left(5)
                                             : "1" + QByteArray::number(3 + next(7)) + digits;
        const QByteArray utf8 = name.toUtf8();
        const QByteArray initials = GetInitials(name).toUtf8();
        sqlite3_bind_text(insert, 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, phone.constData(), int(phone.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, initials.constData(), int(initials.size()), SQLITE_TRANSIENT);
        ok = sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    ok = ok && sqlite3_exec(db, "commit", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    bench::UseOffscreenPlatform();
    QApplication app(argc, argv);
    ApplySkinStyle(app);
    QTemporaryDir docs;
    bench::QuietSink sink;
    AppCore core(AppConfig{docs.path(), QStringLiteral(TAMBERLINK_BIN_DIR "/Data")}, sink);
    if (!core.Start() ||
        !FillContacts(QDir(core.DataRoot()).filePath(QStringLiteral("Data/Tamberlink.db")))) {
        std::fprintf(stderr, "cannot prepare the contacts\n");
        return 1;
    }

    QWidget main;
    auto* page = new CContactContainer(core, &main);
    bench::PlacePage(main, *page);
    page->Build();
    main.show();
    QApplication::processEvents();
    QListView* list = page->List();
    QLineEdit* search = page->SearchBox();

    const Timing read = Measure(kRuns, [&](bench::Stopwatch&) { core.LoadContacts(); });
    const auto waitForLoad = [&] {
        while (page->Model().IsLoading()) {
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
    };
    const Timing load = Measure(kRuns, [&](bench::Stopwatch&) {
        page->LoadContacts();
        waitForLoad();
        list->viewport()->repaint();
    });
    if (page->Model().ContactCount() != kContacts) {
        std::fprintf(stderr, "the page shows %d contacts\n", page->Model().ContactCount());
        return 1;
    }

    std::printf("contacts page, %d contacts:\n", kContacts);
    std::printf("                                          wall ms    cpu ms\n");
    std::printf("  read the contacts from the database   %8.1f  %8.1f\n", read.wallMs, read.cpuMs);
    std::printf(
        "  reload: read, landed and painted      %8.1f  %8.1f  (target < 300 ms; %d rows)\n",
        load.wallMs, load.cpuMs, page->Model().EntryCount());

    for (const QString& keyword :
         {QStringLiteral("zw"), QStringLiteral("138000"), QStringLiteral("0001"),
          QStringLiteral("王伟"), QStringLiteral("伟芳"), QStringLiteral("王"),
          QStringLiteral("13")}) {
        int found = 0;
        std::vector<double> wall;
        std::vector<double> cpu;
        std::vector<double> all;
        for (int run = 0; run < kRuns; ++run) {
            // All but the last character typed beforehand; the last keystroke is timed.
            search->setText(keyword.chopped(1));
            page->Search();
            waitForLoad();
            bench::Stopwatch watch;
            QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, keyword.right(1));
            QApplication::sendEvent(search, &key);
            while (!page->Model().ShowsFirstScreen()) {
                QApplication::processEvents(QEventLoop::WaitForMoreEvents);
            }
            list->viewport()->repaint();
            wall.push_back(watch.WallMs());
            cpu.push_back(watch.CpuMs());
            waitForLoad();
            all.push_back(watch.WallMs());
            found = page->Model().ContactCount();
        }
        const Timing searched{bench::Median(wall), bench::Median(cpu)};
        const QString quoted = u'"' + keyword + u'"';
        std::printf(
            "  search %-10s to the painted result %8.1f  %8.1f  (target < 30 ms; %d found, all "
            "in %.1f ms)\n",
            qPrintable(quoted), searched.wallMs, searched.cpuMs, found, bench::Median(all));
    }

    page->LoadContacts();
    waitForLoad();
    int screens = 0;
    const Timing scroll =
        Measure(kRuns, [&](bench::Stopwatch&) { screens = bench::ScrollTopToBottom(*list); });
    std::printf("  scroll top to bottom, %5d screens    %8.1f  %8.1f  (%.3f ms a screen)\n",
                screens, scroll.wallMs, scroll.cpuMs, scroll.wallMs / std::max(1, screens));
    core.Shutdown();
    return 0;
}
