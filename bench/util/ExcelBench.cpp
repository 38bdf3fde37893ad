// Prints the speed of the call list over workbooks written by openpyxl:
//   LoadWorkbook of a 10,000-row workbook (target under 300 ms);
//   UpdateTempContact writing one status into it, re-read and saved (target under 100 ms);
//   and, for scale, one load of a sheet that uses all 1,048,576 rows.

#include "../BenchTiming.h"
#include "../WorkbookMaker.h"
#include "calllist/TempContactList.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdio>

using namespace tamberlink;
using tamberlink::bench::CpuMs;
using tamberlink::bench::MakeWorkbook;
using tamberlink::bench::TimeMs;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath("calls.xlsx");
    constexpr int kRows = 10000;
    if (!MakeWorkbook("rows", path, kRows)) {
        std::printf("excel: cannot write the workbook with openpyxl\n");
        return 1;
    }
    QDir().mkpath(dir.filePath("Data"));
    TempContactList list(TempContactList::IniPathFor(dir.path()));
    list.ImportWorkbook("A", "B", [&] { return path; });
    if (list.Items().size() != std::size_t(kRows)) {
        std::printf("excel: listed %zu rows instead of %d\n", list.Items().size(), kRows);
        return 1;
    }
    constexpr int kRuns = 15;
    double cpu = CpuMs();
    const double load = TimeMs(kRuns, [&] { list.LoadWorkbook(path); });
    cpu = (CpuMs() - cpu) / kRuns;
    std::printf("excel: LoadWorkbook of %d rows: %.1f ms (target < 300 ms), %.1f ms of CPU\n",
                kRows, load, cpu);

    int row = 1;
    bool ok = true;
    cpu = CpuMs();
    const double write = TimeMs(kRuns, [&] {
        ok = list.UpdateTempContact(row, 1 + row % 4, {}).Ok() && ok;
        row += 611;
    });
    cpu = (CpuMs() - cpu) / kRuns;
    std::printf("excel: UpdateTempContact of one status in %d rows: %.1f ms (target < 100 ms), "
                "%.1f ms of CPU%s\n",
                kRows, write, cpu, ok ? "" : " - A WRITE FAILED");

    const QString huge = dir.filePath("huge.xlsx");
    if (MakeWorkbook("huge", huge, 1048576)) {
        TempContactList all(TempContactList::IniPathFor(dir.path()));
        const double hugeLoad =
            TimeMs(1, [&] { all.ImportWorkbook("A", "B", [&] { return huge; }); });
        std::printf("excel: LoadWorkbook of 1,048,576 rows: %.0f ms (%zu contacts)\n", hugeLoad,
                    all.Items().size());
    }
    return ok ? 0 : 1;
}
