// Feeds arbitrary files to the scan for merged ranges that the .xls reader makes beside
// FreeXL: it follows sector chains, directory entries and records given by the file. Traps
// when a range it hands out is upside down or outside the largest sheet.
#include "FuzzSupport.h"
#include "workbook/xlsreader/BiffMerges.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

using namespace tamberlink;
using fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray file(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const BiffMerges::Sheet& sheet : BiffMerges::Read(file)) {
        for (const MergedRange& range : sheet.ranges) {
            Check(range.firstRow >= 0 && range.firstRow <= range.lastRow &&
                  range.lastRow < kMaxSheetRows);
            Check(range.firstCol >= 0 && range.firstCol <= range.lastCol &&
                  range.lastCol < kMaxSheetColumns);
        }
    }
    return 0;
}
