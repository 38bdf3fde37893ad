// Prints what power dialling costs over a call list of 10,000 rows written by openpyxl, with
// the virtual telephone box on a pseudo-terminal:
//   the time from the outcome key, given after a short call, to the next dial frame at the
//   box, with no wrap-up time (target < 100 ms);
//   the time a campaign over the whole list takes to start (target < 300 ms);
//   the time an outcome takes to be written into the workbook and the campaign saved
//   (target < 100 ms),
// beside the anchor measured in the same run: the remark dialog's write of one row today.
// Each figure is the median of several runs, with the processor time beside it.

#include "../../tests/device/BoxSim.h"
#include "../BenchTiming.h"
#include "../WorkbookMaker.h"

#include "app/AppConfig.h"
#include "app/AppCore.h"
#include "app/DeviceBridge.h"
#include "app/UiSink.h"
#include "dialler/PowerDialler.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <atomic>
#include <cstdio>
#include <thread>

using namespace tamberlink;
using tamberlink::bench::Measure;
using tamberlink::bench::Serve;
using tamberlink::bench::Stopwatch;
using tamberlink::bench::Timing;

namespace {

constexpr int kRows = 10000;
constexpr int kRuns = 9;
constexpr int kCallMs = 200;

class QuietSink : public UiSink {
public:
    void ShowTip(const QString&) override {}
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir docs;
    const QString path = docs.filePath(QStringLiteral("calls.xlsx"));
    if (!bench::MakeWorkbook(QStringLiteral("rows"), path, kRows)) {
        std::fprintf(stderr, "cannot write the workbook with openpyxl\n");
        return 1;
    }
    test::BoxSim box;
    QuietSink sink;
    AppCore core(AppConfig{docs.path(), QStringLiteral(TAMBERLINK_BIN_DIR "/Data")}, sink);
    if (!box.Running() || !core.Start()) {
        std::fprintf(stderr, "cannot start the box or the core\n");
        return 1;
    }
    core.SetAreaCode(QStringLiteral("020"));
    core.Device().Link().SetPortLister([] { return std::vector<std::string>{}; });
    core.Device().Link().SetWatchDevices(false);
    if (!core.StartDeviceLink(QString::fromStdString(box.PortPath())) ||
        !Serve([&] { return core.IsBoxConnected() && box.Count("ask missed") > 0; }, 30000)) {
        std::fprintf(stderr, "the box did not connect\n");
        return 1;
    }
    TempContactList list(TempContactList::IniPathFor(core.DataRoot()));
    if (!list.LoadWorkbook(path, 0, 1) || int(list.Items().size()) < kRows - 1) {
        std::fprintf(stderr, "cannot read the workbook\n");
        return 1;
    }
    const auto dials = [&] {
        return box.LinesStartingWith("dial-landline").size();
    };

    // The anchor: the remark dialog's write, through the list as the page keeps it.
    TempContactList page = list;
    int row = 1;
    bool written = true;
    const Timing anchor = Measure(kRuns, [&](Stopwatch&) {
        if (!page.UpdateTempContact(row, 1 + row % 4, QStringLiteral("备注")).Ok()) {
            std::fprintf(stderr, "the anchor's write of row %d failed\n", row);
            written = false;
        }
        row += 1111;
    });

    PowerDialler& dialler = core.Dialler();
    CampaignOptions options;
    options.wrapUpSeconds = 0;
    std::vector<double> startWall;
    std::vector<double> startCpu;
    for (int run = 0; run < kRuns; ++run) {
        const std::size_t before = dials();
        Stopwatch watch;
        if (!dialler.Start(list, options)) {
            std::fprintf(stderr, "a campaign did not start\n");
            written = false;
        }
        startWall.push_back(watch.WallMs());
        startCpu.push_back(watch.CpuMs());
        Serve([&] { return dials() > before; }, 5000);
        dialler.Stop();
    }

    // One campaign; each run gives the outcome of the person being called.
    const std::size_t started = dials();
    written = dialler.Start(list, options) && written;
    Serve([&] { return dials() > started && dialler.Current() >= 0; }, 5000);
    std::vector<double> writeWall;
    std::vector<double> writeCpu;
    std::vector<double> keyToDial;
    // The box's log is watched from a thread of its own: the dial reaches the box while the
    // UI thread is still writing the workbook.
    std::atomic<std::size_t> seenDials{dials()};
    std::atomic<std::int64_t> lastDialNs{0};
    std::atomic<bool> watching{true};
    std::thread watcher([&] {
        while (watching) {
            const std::size_t count = dials();
            if (count > seenDials) {
                lastDialNs = bench::MonotonicNs();
                seenDials = count;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    for (int run = 0; run < kRuns; ++run) {
        // The key ends a call: the dial has been placed and the person talked a little.
        Serve([&] { return dialler.CurrentPhase() == PowerDialler::Phase::InCall; }, 5000);
        Serve([] { return false; }, kCallMs);
        const std::size_t before = seenDials;
        const std::int64_t keyNs = bench::MonotonicNs();
        Stopwatch outcome;
        if (!dialler.SaveOutcome(DialOutcome::Contacted, QStringLiteral("备注"))) {
            std::fprintf(stderr, "an outcome was refused\n");
            written = false;
        }
        writeWall.push_back(outcome.WallMs());
        writeCpu.push_back(outcome.CpuMs());
        if (!Serve([&] { return seenDials > before; }, 5000)) {
            std::fprintf(stderr, "no next dial\n");
            written = false;
        }
        keyToDial.push_back(double(lastDialNs - keyNs) / 1e6);
    }
    watching = false;
    watcher.join();
    dialler.Stop();

    std::printf("power dialling, a call list of %d rows:\n", kRows);
    std::printf("  outcome key to the next dial frame  %8.1f ms  (target < 100 ms)\n",
                bench::Median(keyToDial));
    std::printf("  campaign start                      %8.1f ms  (target < 300 ms), %.1f ms of "
                "CPU\n",
                bench::Median(startWall), bench::Median(startCpu));
    std::printf("  outcome written and saved           %8.1f ms  (target < 100 ms), %.1f ms of "
                "CPU\n",
                bench::Median(writeWall), bench::Median(writeCpu));
    std::printf("  anchor: remark dialog's write today %8.1f ms, %.1f ms of CPU%s\n", anchor.wallMs,
                anchor.cpuMs, written ? "" : " - A STEP FAILED");
    core.Shutdown();
    return written ? 0 : 1;
}
