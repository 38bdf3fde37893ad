// The statistics window over a data folder of 1,000,000 calls beside an empty one, on the
// offscreen platform: the time from asking for a range to its charts painted (target for a
// month and a year of 1M calls: < 200 ms), and, after it, to the busiest numbers and the calls
// back, which read the range's calls. The calls of the 1M folder all lie in May 2024, so its
// month and its year each cover all of them. Each figure is the median of RUNS asks.
//
// usage: bench_ui_stats [RUNS]

#include "../BenchTiming.h"
#include "BusyDayData.h"
#include "PageBench.h"

#include "app/AppCore.h"
#include "ui/stats/CStatsWindow.h"
#include "ui/widgets/SkinStyle.h"

#include <QApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace tamberlink;
using tamberlink::bench::Median;
using tamberlink::bench::MonotonicNs;
using tamberlink::bench::busyday::kEmpty;
using tamberlink::bench::busyday::kMillion;
using tamberlink::bench::busyday::PrepareFolder;
using tamberlink::bench::busyday::Scale;

namespace {

struct Span {
    const char* name;
    QDate first;
    QDate last;
};

struct Figures {
    double charts = 0; // ms to the painted charts
    double backs = 0;  // ms to the busiest numbers and calls back
};

Figures Ask(CStatsWindow& window, const Span& span, int runs) {
    std::vector<double> charts;
    std::vector<double> backs;
    for (int run = 0; run < runs; ++run) {
        // Another range in between, so that each ask is a change of range.
        window.ShowRange(QDate(2000, 1, 1), QDate(2000, 1, 1));
        while (!window.BacksShown()) {
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        const std::int64_t start = MonotonicNs();
        window.ShowRange(span.first, span.last);
        while (!window.FiguresShown()) {
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        window.repaint();
        charts.push_back(double(MonotonicNs() - start) / 1e6);
        while (!window.BacksShown()) {
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        backs.push_back(double(MonotonicNs() - start) / 1e6);
    }
    return {Median(charts), Median(backs)};
}

bool Run(const Scale& scale, const std::vector<Span>& spans, int runs) {
    QTemporaryDir docs;
    if (!PrepareFolder(docs.path(), scale)) {
        std::fprintf(stderr, "cannot prepare the %s folder\n", scale.name);
        return false;
    }
    bench::QuietSink sink;
    AppCore core(AppConfig{docs.path(), QStringLiteral(TAMBERLINK_BIN_DIR "/Data")}, sink);
    if (!core.Start()) {
        std::fprintf(stderr, "cannot start on the %s folder\n", scale.name);
        return false;
    }
    auto* window =
        OpenWindow<CStatsWindow>(nullptr, QStringLiteral("统计"), CStatsWindow::kPosition, core);
    while (!window->FiguresShown()) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    for (const Span& span : spans) {
        const Figures figures = Ask(*window, span, runs);
        std::printf("%-24s %-28s charts painted %8.1f ms   busiest numbers and calls back %8.1f "
                    "ms   (%d calls)\n",
                    scale.name, span.name, figures.charts, figures.backs,
                    window->Figures().total.Total());
    }
    window->Close();
    QApplication::processEvents();
    delete window;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    bench::UseOffscreenPlatform();
    QApplication app(argc, argv);
    ApplySkinStyle(app);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    std::printf("target: a month and a year of 1M calls < 200 ms to the painted charts\n");
    const bool ok = Run(kEmpty, {{"day", QDate(2024, 5, 20), QDate(2024, 5, 20)}}, runs) &&
                    Run(kMillion,
                        {{"day", QDate(2024, 5, 20), QDate(2024, 5, 20)},
                         {"month", QDate(2024, 5, 1), QDate(2024, 5, 31)},
                         {"year", QDate(2024, 1, 1), QDate(2024, 12, 31)}},
                        runs);
    return ok ? 0 : 1;
}
