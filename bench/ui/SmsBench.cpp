// Prints what the SMS page and the SMS hand-off cost:
//   the time to reload 10,000 sent SMS into the page (read on the reader thread) and paint
//   the first screen of rows (target < 200 ms), to scroll through them a screen at a time, and to
//   gather the persons they went to for a new SMS; the longest stall of the UI event loop while a
//   new SMS to 10 numbers, 140 characters long, goes out to the virtual telephone box (target < 50
//   ms), and whether its frames arrived in order.
// Figures are medians of several runs on the offscreen platform.

#include "../../tests/device/BoxSim.h"

#include "app/AppConfig.h"
#include "app/AppCore.h"
#include "app/DeviceBridge.h"
#include "app/UiSink.h"
#include "ui/sms/CSmsContainer.h"
#include "ui/sms/CSmsNew.h"
#include "ui/sms/SmsListModel.h"
#include "ui/widgets/SkinStyle.h"

#include "../BenchTiming.h"
#include "PageBench.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QListView>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

using namespace tamberlink;
using tamberlink::bench::TimeMs;

namespace {

constexpr int kSms = 10000;
constexpr int kRuns = 5;
constexpr int kRecipients = 10;
constexpr int kContentLength = 140;

// Fills the sent SMS in one transaction: one in five to a contact, contents of every length.
bool FillSms(const QString& databasePath) {
    sqlite3* db = nullptr;
    if (sqlite3_open(databasePath.toUtf8().constData(), &db) != SQLITE_OK) {
        return false;
    }
    bool ok = sqlite3_exec(db, "begin", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_stmt* insert = nullptr;
    ok = ok && sqlite3_prepare_v2(db,
                                  "insert into table_sms(name, phone, head, date_time, content, "
                                  "attribution) values(?,?,?,?,?,?)",
                                  -1, &insert, nullptr) == SQLITE_OK;
    const QByteArray text =
        QStringLiteral("您好，您预约的服务将于明天上午九点开始，请准时到达。").repeated(4).toUtf8();
    for (int i = 0; ok && i < kSms; ++i) {
        const QByteArray phone = QByteArray("139") + QByteArray::number(10000000 + i);
        const QByteArray name = i % 5 == 0 ? QByteArray("客户") + QByteArray::number(i) : phone;
        const QByteArray time = QByteArray("2024/05/01 10:") + QByteArray::number(10 + i % 50) +
                                ":" + QByteArray::number(10 + i % 49);
        const int length = 3 * (1 + i % 60); // whole UTF-8 characters
        sqlite3_bind_text(insert, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, phone.constData(), int(phone.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, "", 0, SQLITE_STATIC);
        sqlite3_bind_text(insert, 4, time.constData(), int(time.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 5, text.constData(), length, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 6, "移动|江苏南京", -1, SQLITE_STATIC);
        ok = sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    ok = ok && sqlite3_exec(db, "commit", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

// Runs the event loop until `done` holds or `timeoutMs` passed; true when it held.
bool RunUntil(const std::function<bool()>& done, int timeoutMs) {
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done()) {
            loop.quit();
        }
    });
    check.start(100);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (!done()) {
        loop.exec();
    }
    return done();
}

struct HandOffFigures {
    qint64 longestStallMs = -1;
    double handOffMs = 0;
    bool inOrder = false;
};

// Hands a new SMS to 10 numbers off through the compose window while a 5 ms timer on the UI
// thread notes the longest time the event loop was away, until the box has the last SMS.
HandOffFigures MeasureHandOff(AppCore& core, QWidget& main, test::BoxSim& box) {
    HandOffFigures figures;
    SmsRecipients recipients;
    std::vector<std::string> numbers;
    for (int i = 0; i < kRecipients; ++i) {
        const QString number = QStringLiteral("1371234%1").arg(i, 4, 10, QChar(u'0'));
        recipients.push_back({{}, number, {}});
        numbers.push_back(number.toStdString());
    }
    QString content;
    while (content.size() < kContentLength) {
        content += QStringLiteral("通知：今晚8点停水，请提前储水。");
    }
    content.truncate(kContentLength);

    auto* compose = new CSmsNew(&main, core);
    compose->Create(QStringLiteral("新建短信"));
    compose->ShowAt(CSmsNew::kPosition);
    compose->AddRecipients(recipients);
    compose->SetContent(content);
    QApplication::processEvents();

    QElapsedTimer sinceTick;
    qint64 longest = 0;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout,
                     [&] { longest = std::max(longest, sinceTick.restart()); });
    probe.start(5);
    sinceTick.start();
    QElapsedTimer handOff;
    handOff.start();
    compose->Send();
    figures.handOffMs = double(handOff.nsecsElapsed()) / 1e6;
    const std::string last = "sms " + numbers.back() + " " + content.toStdString();
    const bool arrived = RunUntil([&] { return box.Count(last) == 1; }, 120000);
    probe.stop();
    if (!arrived) {
        return figures;
    }
    figures.longestStallMs = longest;
    std::vector<std::string> sent;
    for (const std::string& line : box.LinesStartingWith("sms-number ")) {
        sent.push_back(line.substr(11));
    }
    figures.inOrder = sent == numbers;
    return figures;
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
        !FillSms(QDir(core.DataRoot()).filePath(QStringLiteral("Data/Tamberlink.db")))) {
        std::fprintf(stderr, "cannot prepare the sent SMS\n");
        return 1;
    }

    QWidget main;
    auto* page = new CSmsContainer(core, &main);
    bench::PlacePage(main, *page);
    page->Build();
    main.show();
    QApplication::processEvents();
    QListView* list = page->SmsList();

    const double read = TimeMs(kRuns, [&] { core.Database().Sms().Load(); });
    // The UI thread asks, waits in its event loop and takes the rows read beside it.
    const double load = TimeMs(kRuns, [&] {
        page->LoadSmsList();
        while (page->Sms().IsLoading()) {
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        list->viewport()->repaint();
    });
    if (page->Sms().EntryCount() != kSms) {
        std::fprintf(stderr, "the page shows %d SMS\n", page->Sms().EntryCount());
        return 1;
    }
    size_t persons = 0;
    const double recent = TimeMs(kRuns, [&] { persons = page->RecentRecipients().size(); });
    QScrollBar* bar = list->verticalScrollBar();
    int screens = 0;
    const double scroll = TimeMs(kRuns, [&] {
        screens = 0;
        bar->setValue(0);
        while (bar->value() < bar->maximum()) {
            bar->setValue(bar->value() + bar->pageStep());
            list->viewport()->repaint();
            ++screens;
        }
    });

    std::printf("SMS page, %d sent SMS:\n", kSms);
    std::printf("  read the SMS from the database        %8.1f ms\n", read);
    std::printf("  read, load into the page and paint    %8.1f ms  (target < 200 ms)\n", load);
    std::printf("  scroll top to bottom, %5d screens    %8.1f ms  (%.3f ms a screen)\n", screens,
                scroll, scroll / std::max(1, screens));
    std::printf("  the %zu persons \"最近联系人\" offers   %8.1f ms\n", persons, recent);

    test::BoxSim box;
    if (!box.Running() || !core.StartDeviceLink(QString::fromStdString(box.PortPath())) ||
        !RunUntil([&] { return core.Device().Link().IsPhoneLinked(); }, 30000)) {
        std::fprintf(stderr, "the virtual telephone box did not connect\n");
        return 1;
    }
    const HandOffFigures figures = MeasureHandOff(core, main, box);
    if (figures.longestStallMs < 0) {
        std::fprintf(stderr, "the SMS did not reach the virtual telephone box\n");
        return 1;
    }
    std::printf("SMS hand-off, %d recipients, %d characters:\n", kRecipients, kContentLength);
    std::printf("  the send button returned after        %8.1f ms\n", figures.handOffMs);
    std::printf("  longest stall of the UI event loop    %8lld ms  (target < 50 ms)\n",
                static_cast<long long>(figures.longestStallMs));
    std::printf("  the numbers reached the box in order: %s\n", figures.inOrder ? "yes" : "NO");
    core.Shutdown();
    return figures.inOrder ? 0 : 1;
}
