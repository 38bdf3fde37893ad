// A busy day at the desktop, on a data folder of years beside the same day on an empty one:
// the real main window on the offscreen platform, attached to the virtual telephone box, then
// 200 events from the box and the local API (incoming calls on the landline and on the
// phone, missed calls, calls dialled through the API, recorded calls, SMS and notes). Prints:
//   start-up to the first painted window (target < 150 ms), from the spawn of the process;
//   the time until every page shows its first screen of rows (target < 300 ms), and until
//   every page holds all its rows;
//   the longest event-loop stall, as a 1 ms timer on the UI thread sees it, over the whole run
//   (target < 16 ms during the day); beside it the most processor time the UI thread spent between
//   two ticks, which is the program's own part of a stall on a busy machine, the longest stall
//   counted only as far as the process's threads ran in it (a host that pauses the virtual
//   machine stalls them all, running none), and the longest stall the idle program shows,
//   which is the machine's noise; the time from a caller-ID frame (the
//   command to the box) to its row painted at the top of the call records page (target: 95th
//   percentile < 10 ms); the local API's round trips, which wait for the UI thread; peak resident
//   memory (target: at most 1.3 times the empty folder's) and the time to exit.
// The data folders of years hold 100,000 calls (1,000 with notes and recordings), 100,000
// contacts, 10,000 sent SMS and 5,000 notes, and 1,000,000 calls (10,000 with notes and
// recordings), 500,000 contacts, 10,000 sent SMS and 10,000 notes. Each folder is made once and
// kept in bench-cache/ of the build tree under a name that tells its shape and schema; each
// run copies it. Each run is a fresh process; with RUNS > 1 each figure is the median.
//
// usage: bench_ui_busyday [RUNS]   (QT_QPA_PLATFORM=offscreen unless a display is set)

#include "../../tests/device/BoxSim.h"
#include "../BenchTiming.h"
#include "BusyDayData.h"

#include "app/AppCore.h"
#include "ui/calls/CRecordContainer.h"
#include "ui/calls/CallLogModel.h"
#include "ui/contacts/CContactContainer.h"
#include "ui/contacts/ContactListModel.h"
#include "ui/notes/CNotepadContainer.h"
#include "ui/notes/NoteListModel.h"
#include "ui/shell/CMainWndUI.h"
#include "ui/sms/CSmsContainer.h"
#include "ui/sms/SmsListModel.h"
#include "ui/widgets/SkinStyle.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListView>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <sqlite3.h>

#include <algorithm>
#include <arpa/inet.h>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <functional>
#include <map>
#include <mutex>
#include <netinet/in.h>
#include <random>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace tamberlink;
using tamberlink::bench::MonotonicNs;
using tamberlink::bench::PeakResidentKiB;
using tamberlink::bench::ProcessCpuNs;
using tamberlink::bench::ThreadCpuNs;
using tamberlink::bench::busyday::ContactPhone;
using tamberlink::bench::busyday::kBusy;
using tamberlink::bench::busyday::kEmpty;
using tamberlink::bench::busyday::kMillion;
using tamberlink::bench::busyday::PrepareFolder;
using tamberlink::bench::busyday::Scale;

namespace {

constexpr int kWaitMs = 60000;

double Ms(std::int64_t ns) {
    return double(ns) / 1e6;
}

QByteArray LoadAverage() {
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().split(' ').mid(0, 3).join(' ')
                                          : QByteArray("?");
}

double Percentile(std::vector<double> values, double share) {
    if (values.empty()) {
        return -1;
    }
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(share * double(values.size())))];
}

// ---------------------------------------------------------------------------------------
// The child: the program itself, measured from inside.

// A timer every millisecond on the UI thread; a late tick is a stall of the event loop. Of
// each stall it also keeps how much of it the UI thread spent working: on a shared machine
// the rest is waiting for a core. And it keeps the longest stall counted only as far as the
// process's threads ran during it: a virtual machine paused by its host stalls every thread
// at once, and the process runs nothing meanwhile.
class StallProbe : public QObject {
public:
    struct Stall {
        std::int64_t wallNs = 0;
        std::int64_t busyNs = 0;
        std::int64_t ranNs = 0;
    };

    explicit StallProbe(QObject* parent)
        : QObject(parent) {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1);
        connect(&timer_, &QTimer::timeout, this, [this] {
            const std::int64_t now = MonotonicNs();
            const std::int64_t cpu = ThreadCpuNs();
            const std::int64_t processCpu = ProcessCpuNs();
            if (last_ != 0) {
                const std::int64_t stall = now - last_ - 1000000;
                Stall& longest = longest_[phase_];
                longest.wallNs = std::max(longest.wallNs, stall);
                longest.ranNs =
                    std::max(longest.ranNs, std::min(stall, processCpu - lastProcessCpu_));
                Stall& busiest = busiest_[phase_];
                busiest.busyNs = std::max(busiest.busyNs, cpu - lastCpu_);
            }
            last_ = now;
            lastCpu_ = cpu;
            lastProcessCpu_ = processCpu;
        });
        timer_.start();
    }
    // What the stalls from now on count as.
    void SetPhase(const char* phase) {
        phase_ = phase;
        longest_[phase_];
        busiest_[phase_];
    }
    // The longest stall of `phase`, and the most work the UI thread did between two ticks.
    Stall Longest(const std::string& phase) const {
        const auto wall = longest_.find(phase);
        const auto busy = busiest_.find(phase);
        return {wall == longest_.end() ? 0 : wall->second.wallNs,
                busy == busiest_.end() ? 0 : busy->second.busyNs,
                wall == longest_.end() ? 0 : wall->second.ranNs};
    }

private:
    QTimer timer_;
    std::int64_t last_ = 0;
    std::int64_t lastCpu_ = 0;
    std::int64_t lastProcessCpu_ = 0;
    std::string phase_ = "fill";
    std::map<std::string, Stall> longest_;
    std::map<std::string, Stall> busiest_;
};

// The top row of the call records as last painted, for the driver to wait on.
struct TopRow {
    QString phone;
    int id = 0;
    bool hasNote = false;
    bool recorded = false;
    std::int64_t paintedNs = 0;
};

class TopRowWatch : public QObject {
public:
    TopRowWatch(const CallLogModel& model, QWidget* viewport)
        : model_(model) {
        viewport->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            const CallLogRecord* top = model_.Entry(0);
            std::lock_guard lock(mutex_);
            if (top != nullptr) {
                top_ = TopRow{top->phone, top->id, top->hasNote, !top->recordGuid.isEmpty(),
                              MonotonicNs()};
                changed_.notify_all();
            }
        }
        return QObject::eventFilter(watched, event);
    }

    // Waits until the painted top row satisfies `done`; its paint time, or -1.
    std::int64_t Wait(const std::function<bool(const TopRow&)>& done) {
        std::unique_lock lock(mutex_);
        const bool met =
            changed_.wait_for(lock, std::chrono::milliseconds(kWaitMs), [&] { return done(top_); });
        return met ? top_.paintedNs : -1;
    }
    TopRow Top() {
        std::lock_guard lock(mutex_);
        return top_;
    }

private:
    const CallLogModel& model_;
    std::mutex mutex_;
    std::condition_variable changed_;
    TopRow top_;
};

// One request to the local API; the round trip in nanoseconds, or -1.
std::int64_t ApiRequest(std::uint16_t port, const QByteArray& target) {
    const std::int64_t started = MonotonicNs();
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::int64_t result = -1;
    if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        const QByteArray request =
            "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
        QByteArray reply;
        if (send(fd, request.constData(), size_t(request.size()), 0) == request.size()) {
            char buffer[2048];
            for (ssize_t got; (got = recv(fd, buffer, sizeof buffer, 0)) > 0;) {
                reply.append(buffer, got);
            }
        }
        if (reply.startsWith("HTTP/1.1 200")) {
            result = MonotonicNs() - started;
        }
    }
    if (fd >= 0) {
        close(fd);
    }
    return result;
}

enum class Event { Incoming, PhoneIncoming, Missed, Dialled, Recorded, Sms, Note };

std::vector<Event> DayPlan() {
    std::vector<Event> plan;
    const std::pair<Event, int> counts[] = {{Event::Incoming, 40}, {Event::PhoneIncoming, 30},
                                            {Event::Missed, 30},   {Event::Dialled, 30},
                                            {Event::Recorded, 20}, {Event::Sms, 25},
                                            {Event::Note, 25}};
    for (const auto& [event, count] : counts) {
        plan.insert(plan.end(), size_t(count), event);
    }
    std::shuffle(plan.begin(), plan.end(), std::mt19937(20240501));
    return plan;
}

// Plays the day from a thread of its own, as the box and other programs would.
class Day {
public:
    Day(test::BoxSim& box, CMainWndUI& window, TopRowWatch& top, bool knownCallers)
        : box_(box)
        , window_(window)
        , top_(top)
        , port_(window.Core().LocalApiPort())
        , knownCallers_(knownCallers) {}

    bool Run() {
        int recordings = 0;
        std::vector<QByteArray> smsNumbers;
        for (Event event : DayPlan()) {
            const QByteArray number = NextNumber();
            switch (event) {
            case Event::Incoming:
            case Event::PhoneIncoming:
            case Event::Missed: {
                const char* command = event == Event::Incoming        ? "ring "
                                      : event == Event::PhoneIncoming ? "ring-phone "
                                                                      : "missed ";
                if (!Ring(command, number)) {
                    return Fail("no row for " + number);
                }
                if (event != Event::Missed && !Box("state 14")) {
                    return false;
                }
                break;
            }
            case Event::Dialled: {
                const bool mobile = calls_++ % 2 == 1;
                if (!Api("/api/call?type=" + QByteArray(mobile ? "mobile" : "tel") +
                         "&number=" + number) ||
                    top_.Wait([&](const TopRow& t) { return t.phone == number; }) < 0) {
                    return Fail("no dialled row for " + number);
                }
                if (!Box("state 14")) {
                    return false;
                }
                break;
            }
            case Event::Recorded:
                if (!Ring("ring ", number) || !Api("/api/record?cmd=control&value=start") ||
                    !box_.WaitForLine("record-request", ++recordings,
                                      std::chrono::milliseconds(kWaitMs))) {
                    return Fail("no recording for " + number);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                if (!Api("/api/record?cmd=control&value=stop") || top_.Wait([&](const TopRow& t) {
                        return t.phone == number && t.recorded;
                    }) < 0 ||
                    !Box("state 14")) {
                    return Fail("the recording of " + number + " is not linked");
                }
                break;
            case Event::Sms:
                if (!Api("/api/sms?data={\"size\":1,\"list\":[{\"number\":\"" + number +
                         "\"}],\"content\":\"资料已发送\"}")) {
                    return Fail("the SMS to " + number + " was refused");
                }
                smsNumbers.push_back(number);
                break;
            case Event::Note:
                if (!AddNoteToTopRow()) {
                    return Fail("no note mark");
                }
                break;
            }
        }
        // The SMS rows are written as the box takes each message.
        for (const QByteArray& number : smsNumbers) {
            const std::int64_t deadline = MonotonicNs() + std::int64_t(kWaitMs) * 1000000;
            while (
                window_.Core().Database().Sms().GetFirstTo(QString::fromLatin1(number)).isEmpty()) {
                if (MonotonicNs() > deadline) {
                    return Fail("no SMS row for " + number);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        }
        return true;
    }

    const std::vector<double>& CallerIdMs() const { return callerIdMs_; }
    const std::vector<double>& ApiMs() const { return apiMs_; }

private:
    QByteArray NextNumber() {
        ++serial_;
        // Every third caller is a contact when there are contacts.
        return knownCallers_ && serial_ % 3 == 0
                   ? ContactPhone(serial_ * 37 % 100000)
                   : QByteArray("137") + QByteArray::number(20000000 + serial_);
    }
    bool Box(const std::string& command) {
        const std::string reply = box_.Command(command);
        return reply == "ok" || Fail(QByteArray::fromStdString(command + ": " + reply));
    }
    bool Ring(const char* command, const QByteArray& number) {
        const std::int64_t sent = MonotonicNs();
        if (!Box(command + number.toStdString())) {
            return false;
        }
        const std::int64_t painted =
            top_.Wait([&](const TopRow& t) { return t.phone == number && t.paintedNs > sent; });
        if (painted < 0) {
            return false;
        }
        callerIdMs_.push_back(Ms(painted - sent));
        return true;
    }
    bool Api(const QByteArray& target) {
        const std::int64_t took = ApiRequest(port_, target);
        if (took < 0) {
            return Fail("the local API did not answer " + target);
        }
        apiMs_.push_back(Ms(took));
        return true;
    }
    bool AddNoteToTopRow() {
        int id = 0;
        QMetaObject::invokeMethod(
            &window_,
            [&] {
                const CallLogRecord* top = window_.RecordPage()->Model().Entry(0);
                id = top != nullptr ? top->id : 0;
                if (top != nullptr) {
                    window_.Core().AddNote(top->name, top->phone, {}, {}, QStringLiteral("回电话"),
                                           id);
                }
            },
            Qt::BlockingQueuedConnection);
        return id != 0 && top_.Wait([&](const TopRow& t) { return t.id == id && t.hasNote; }) >= 0;
    }
    bool Fail(const QByteArray& why) {
        std::fprintf(stderr, "busy day: %s\n", why.constData());
        return false;
    }

    test::BoxSim& box_;
    CMainWndUI& window_;
    TopRowWatch& top_;
    const std::uint16_t port_;
    const bool knownCallers_;
    int serial_ = 0;
    int calls_ = 0;
    std::vector<double> callerIdMs_;
    std::vector<double> apiMs_;
};

void Print(const char* key, double value) {
    std::printf("%s %.3f\n", key, value);
}

// The offscreen platform cannot raise windows and says so each time a popup shows.
void QuietMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (!text.contains(QLatin1String("does not support raise()"))) {
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
    }
}

int RunChild(int argc, char** argv, const QString& documents, bool knownCallers) {
    qInstallMessageHandler(QuietMessages);
    QApplication app(argc, argv);
    ApplySkinStyle(app);
    test::BoxSim box({"--area-code", "010"});
    if (!box.Running()) {
        std::fprintf(stderr, "busy day: the virtual box did not start\n");
        return 1;
    }
    AppConfig config;
    config.documentsFolder = documents;
    config.dataFolder = QStringLiteral(TAMBERLINK_BIN_DIR "/Data");
    config.localApiPort = 0;
    config.cloudBaseUrl = QStringLiteral("http://127.0.0.1:9/");
    config.cookieFolder = documents + QStringLiteral("/cookies");
    AppCore core(config);
    CMainWndUI window(core);

    std::int64_t paintedNs = 0;
    std::int64_t shownNs = 0;
    std::int64_t filledNs = 0;
    StallProbe* probe = nullptr;
    const auto pagesShown = [&] {
        return window.RecordPage()->Model().ShowsFirstScreen() &&
               window.NotePage()->Model().ShowsFirstScreen() &&
               window.ContactPage()->Model().ShowsFirstScreen() &&
               window.SmsPage()->Sms().ShowsFirstScreen();
    };
    const auto pagesFilled = [&] {
        return !window.RecordPage()->Model().IsLoading() &&
               !window.NotePage()->Model().IsLoading() &&
               !window.ContactPage()->Model().IsLoading() && !window.SmsPage()->Sms().IsLoading();
    };
    const auto checkFilled = [&] {
        if (shownNs == 0 && paintedNs != 0 && pagesShown()) {
            shownNs = MonotonicNs();
        }
        if (filledNs == 0 && paintedNs != 0 && pagesFilled()) {
            filledNs = MonotonicNs();
            probe->SetPhase("idle");
        }
    };
    struct FirstPaint : QObject {
        std::function<void()> onPaint;
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Paint && onPaint) {
                // Counted once the paint is done and flushed.
                QTimer::singleShot(0, onPaint);
                onPaint = nullptr;
            }
            return QObject::eventFilter(watched, event);
        }
    } firstPaint;
    firstPaint.onPaint = [&] {
        paintedNs = MonotonicNs();
        probe = new StallProbe(&app);
        checkFilled();
    };
    window.installEventFilter(&firstPaint);
    window.Start(QString::fromStdString(box.PortPath()));
    for (RecordListModelBase* model :
         {static_cast<RecordListModelBase*>(&window.RecordPage()->Model()),
          static_cast<RecordListModelBase*>(&window.NotePage()->Model()),
          static_cast<RecordListModelBase*>(&window.ContactPage()->Model()),
          static_cast<RecordListModelBase*>(&window.SmsPage()->Sms())}) {
        QObject::connect(model, &RecordListModelBase::FirstScreenShown, &app, checkFilled);
        QObject::connect(model, &RecordListModelBase::Loaded, &app, checkFilled);
    }
    TopRowWatch top(window.RecordPage()->Model(), window.RecordPage()->List()->viewport());

    int status = 0;
    std::vector<double> callerId;
    std::vector<double> api;
    std::thread driver([&] {
        const auto until = [&](const std::function<bool()>& done) {
            for (int waited = 0; waited < kWaitMs; waited += 10) {
                bool met = false;
                QMetaObject::invokeMethod(
                    &app, [&] { met = done(); }, Qt::BlockingQueuedConnection);
                if (met) {
                    return true;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            return false;
        };
        const bool ready =
            until([&] { return filledNs != 0; }) && until([&] {
                return core.IsBoxConnected() && core.Settings().AreaCode() == QLatin1String("010");
            });
        // A quiet second: what the idle program's timer shows is the machine's noise.
        std::this_thread::sleep_for(std::chrono::seconds(1));
        QMetaObject::invokeMethod(
            &app, [&] { probe->SetPhase("events"); }, Qt::BlockingQueuedConnection);
        Day day(box, window, top, knownCallers);
        status = ready && day.Run() ? 0 : 1;
        callerId = day.CallerIdMs();
        api = day.ApiMs();
        QMetaObject::invokeMethod(&app, [&] {
            probe->SetPhase("exit");
            const std::int64_t exitStarted = MonotonicNs();
            window.Exit();
            Print("exit_ms", Ms(MonotonicNs() - exitStarted));
            QCoreApplication::exit(0);
        });
    });
    QApplication::exec();
    driver.join();

    if (probe == nullptr) {
        std::fprintf(stderr, "busy day: the window was never painted\n");
        return 1;
    }
    std::printf("painted %lld\n", static_cast<long long>(paintedNs));
    std::printf("shown %lld\n", static_cast<long long>(shownNs));
    std::printf("filled %lld\n", static_cast<long long>(filledNs));
    for (const char* phase : {"fill", "idle", "events"}) {
        const StallProbe::Stall stall = probe->Longest(phase);
        Print((std::string("stall_") + phase).c_str(), Ms(stall.wallNs));
        Print((std::string("busy_") + phase).c_str(), Ms(stall.busyNs));
        Print((std::string("ran_") + phase).c_str(), Ms(stall.ranNs));
    }
    Print("callerid_median", Percentile(callerId, 0.5));
    Print("callerid_p95", Percentile(callerId, 0.95));
    Print("callerid_max", Percentile(callerId, 1.0));
    Print("api_median", Percentile(api, 0.5));
    Print("api_p99", Percentile(api, 0.99));
    Print("api_max", Percentile(api, 1.0));
    Print("events", double(callerId.size()));
    Print("peak_mib", double(PeakResidentKiB()) / 1024.0);
    Print("sqlite_peak_mib", double(sqlite3_memory_highwater(0)) / (1024.0 * 1024.0));
    std::fflush(stdout);
    return status;
}

// ---------------------------------------------------------------------------------------
// The parent: prepares the folders, runs the children and prints the table.

using Figures = std::map<std::string, double>;

Figures RunOnce(const QString& self, const Scale& scale) {
    QTemporaryDir documents;
    if (!PrepareFolder(documents.path(), scale)) {
        std::fprintf(stderr, "cannot prepare the data folder (%s)\n", scale.name);
        return {};
    }
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const std::int64_t started = MonotonicNs();
    child.start(self, {QStringLiteral("--child"), documents.path(),
                       scale.contacts > 0 ? QStringLiteral("known") : QStringLiteral("unknown")});
    if (!child.waitForFinished(1800000) || child.exitCode() != 0) {
        std::fprintf(stderr, "the run on the %s failed\n", scale.name);
        return {};
    }
    Figures figures;
    for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() != 2) {
            continue;
        }
        if (parts[0] == "painted" || parts[0] == "shown" || parts[0] == "filled") {
            figures[parts[0].toStdString() + "_ms"] = Ms(parts[1].toLongLong() - started);
        } else {
            figures[parts[0].toStdString()] = parts[1].toDouble();
        }
    }
    return figures;
}

double MedianOf(const std::vector<Figures>& runs, const std::string& key) {
    std::vector<double> values;
    for (const Figures& figures : runs) {
        const auto found = figures.find(key);
        if (found != figures.end()) {
            values.push_back(found->second);
        }
    }
    return Percentile(values, 0.5);
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && QByteArray(argv[1]) == "--child") {
        return RunChild(1, argv, QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]) == "known");
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
    QCoreApplication app(argc, argv);
    const QString self = QCoreApplication::applicationFilePath();

    const std::vector<Scale> scales{kEmpty, kBusy, kMillion};
    std::vector<std::vector<Figures>> results(scales.size());
    std::printf("busy day: 200 events from the box and the local API, %d run(s) each, load "
                "average before: %s, %u cores\n",
                runs, LoadAverage().constData(), std::thread::hardware_concurrency());
    for (int run = 0; run < runs; ++run) {
        for (size_t s = 0; s < scales.size(); ++s) {
            Figures figures = RunOnce(self, scales[s]);
            if (figures.empty()) {
                return 1;
            }
            results[s].push_back(std::move(figures));
        }
    }

    struct Row {
        const char* label;
        const char* key;
        const char* unit;
        const char* target;
    };
    const Row rows[] = {
        {"start-up to the first painted window", "painted_ms", "ms", "< 150 ms, x1.2"},
        {"until every page shows its first screen", "shown_ms", "ms", "< 300 ms"},
        {"until every page holds all its rows", "filled_ms", "ms", ""},
        {"longest event-loop stall while filling", "stall_fill", "ms", "< 50 ms"},
        {"  longest UI-thread work in one pass", "busy_fill", "ms", ""},
        {"longest event-loop stall during the day", "stall_events", "ms", "< 16 ms"},
        {"  longest UI-thread work in one pass", "busy_events", "ms", ""},
        {"  the longest as far as the process ran in it", "ran_events", "ms", ""},
        {"  the idle program's stall (machine noise)", "stall_idle", "ms", ""},
        {"caller-ID frame to its row painted, median", "callerid_median", "ms", ""},
        {"  95th percentile", "callerid_p95", "ms", "< 10 ms"},
        {"  longest", "callerid_max", "ms", ""},
        {"local API round trip, median", "api_median", "ms", ""},
        {"  99th percentile", "api_p99", "ms", ""},
        {"  longest", "api_max", "ms", ""},
        {"peak resident memory", "peak_mib", "MiB", "x1.3"},
        {"  of it SQLite's caches and sorts at their highest", "sqlite_peak_mib", "MiB", ""},
        {"exit, the log written into the file", "exit_ms", "ms", ""},
    };
    std::printf("\n%-46s", "");
    for (const Scale& scale : scales) {
        std::printf(" %26s", scale.name);
    }
    std::printf("   target\n");
    for (const Row& row : rows) {
        std::printf("%-46s", row.label);
        const double base = MedianOf(results[0], row.key);
        for (size_t s = 0; s < scales.size(); ++s) {
            const double value = MedianOf(results[s], row.key);
            char cell[64];
            if (s == 0 || base <= 0) {
                std::snprintf(cell, sizeof cell, "%.1f %s", value, row.unit);
            } else {
                std::snprintf(cell, sizeof cell, "%.1f %s (x%.2f)", value, row.unit, value / base);
            }
            std::printf(" %26s", cell);
        }
        std::printf("   %s\n", row.target);
    }
    std::printf("(%d caller-ID samples a run; load average after: %s)\n",
                int(MedianOf(results[0], "events")), LoadAverage().constData());
    return 0;
}
