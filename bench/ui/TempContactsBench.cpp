// Prints what the temporary-contacts page costs with a call list of 10,000 rows written by
// openpyxl:
//   the time to load the workbook into the page and paint the first screen of rows
//   (target < 300 ms);
//   the time to write one status into the workbook from the page, the workbook read again and
//   saved, and the row shown anew (target < 100 ms);
//   the time to scroll from the top to the bottom a screen at a time, painting each screen.
// Each figure is the median of several runs on the offscreen platform, with the processor
// time beside it.

#include "app/AppConfig.h"
#include "app/AppCore.h"
#include "ui/calllist/CContactListTemp.h"
#include "ui/calllist/TempContactModel.h"
#include "ui/calls/CallPopups.h"
#include "ui/widgets/SkinStyle.h"
#include "util/IniStore.h"

#include "../BenchTiming.h"
#include "../WorkbookMaker.h"
#include "PageBench.h"

#include <QApplication>
#include <QListView>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

using namespace tamberlink;
using tamberlink::bench::MakeWorkbook;
using tamberlink::bench::Measure;
using tamberlink::bench::PlacePage;
using tamberlink::bench::QuietSink;
using tamberlink::bench::Stopwatch;
using tamberlink::bench::Timing;
using tamberlink::bench::UseOffscreenPlatform;

namespace {

constexpr int kRows = 10000;
constexpr int kRuns = 9;

} // namespace

int main(int argc, char** argv) {
    UseOffscreenPlatform();
    QApplication app(argc, argv);
    ApplySkinStyle(app);
    QTemporaryDir docs;
    const QString path = docs.filePath(QStringLiteral("calls.xlsx"));
    if (!MakeWorkbook(QStringLiteral("rows"), path, kRows)) {
        std::fprintf(stderr, "cannot write the workbook with openpyxl\n");
        return 1;
    }
    QuietSink sink;
    AppCore core(AppConfig{docs.path(), QStringLiteral(TAMBERLINK_BIN_DIR "/Data")}, sink);
    if (!core.Start()) {
        std::fprintf(stderr, "cannot start the core\n");
        return 1;
    }

    QWidget main;
    const CallPopups calls(&main, core);
    auto* page = new CContactListTemp(core, calls, &main);
    PlacePage(main, *page);
    // As after an import of the workbook, with names in A and numbers in B.
    IniStore ini(TempContactList::IniPathFor(core.DataRoot()));
    ini.Set("TEMPCONTACT", "FILE", path.toStdString());
    ini.Set("TEMPCONTACT", "COL_NAME", "A");
    ini.Set("TEMPCONTACT", "COL_NUMBER", "B");
    page->Build();
    if (!ini.Save() || !page->RestoreWorkbook()) {
        std::fprintf(stderr, "cannot build the page\n");
        return 1;
    }
    main.show();
    QApplication::processEvents();
    QListView* list = page->List();

    const Timing load = Measure(kRuns, [&](Stopwatch&) {
        page->LoadWorkbook(path);
        list->viewport()->repaint();
    });
    if (page->Model().EntryCount() != kRows) {
        std::fprintf(stderr, "the page shows %d contacts\n", page->Model().EntryCount());
        return 1;
    }

    int row = 1;
    bool written = true;
    const Timing write = Measure(kRuns, [&](Stopwatch&) {
        written = page->UpdateTempContact(row, 1 + row % 4, {}).Ok() && written;
        list->viewport()->repaint();
        row += 1111;
    });

    int screens = 0;
    const Timing scroll =
        Measure(kRuns, [&](Stopwatch&) { screens = bench::ScrollTopToBottom(*list); });

    std::printf("temporary-contacts page, a workbook of %d rows:\n", kRows);
    std::printf("  load into the page and paint        %8.1f ms  (target < 300 ms), %.1f ms of "
                "CPU\n",
                load.wallMs, load.cpuMs);
    std::printf("  write one status and show it        %8.1f ms  (target < 100 ms), %.1f ms of "
                "CPU%s\n",
                write.wallMs, write.cpuMs, written ? "" : " - A WRITE FAILED");
    std::printf("  scroll top to bottom, %4d screens   %8.1f ms  (%.3f ms a screen)\n", screens,
                scroll.wallMs, scroll.wallMs / std::max(1, screens));
    core.Shutdown();
    return written ? 0 : 1;
}
