// Feeds arbitrary bytes to the program's decoder of the .xls reader's output, which a crashed
// or damaged reader may leave in any state. Traps when a refusal is not explained, when a
// decoded sheet breaks its bounds or its order, or when the sheets do not write back as the
// very stream they were read from (every accepted stream has one encoding only).
#include "FuzzSupport.h"
#include "workbook/SheetStream.h"
#include "workbook/ValueSheet.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

using namespace tamberlink;
using fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    SheetStreamDecoder decoder;
    if (!decoder.Decode(bytes)) {
        Check(decoder.error() != ExcelBook::Error::None && !decoder.errorText().isEmpty());
        Check(!decoder.HasSheet() && decoder.Sheets().empty());
        return 0;
    }
    Check(decoder.error() == ExcelBook::Error::None);
    Check(decoder.Sheets().size() <= std::size_t(sheetstream::kMaxSheets));

    QBuffer again;
    Check(again.open(QIODevice::WriteOnly));
    SheetStreamWriter writer(again);
    for (const NamedSheet& sheet : decoder.Sheets()) {
        Check(sheet.name.size() <= sheetstream::kMaxSheetName);
        writer.Sheet(sheet.name);
        int lastRow = -1;
        for (const ValueSheet::Row& row : sheet.cells.Rows()) {
            Check(row.index > lastRow && row.index < kMaxSheetRows && !row.cells.empty());
            lastRow = row.index;
            int lastCol = -1;
            for (const ValueSheet::Cell& cell : row.cells) {
                Check(cell.col > lastCol && cell.col < kMaxSheetColumns);
                lastCol = cell.col;
                if (cell.type == CellType::Number) {
                    Check(cell.text.isEmpty());
                } else {
                    Check(cell.type == CellType::String && cell.number == 0 &&
                          cell.text.size() <= kMaxCellText && cell.format == CellFormat::General);
                }
                Check(writer.Cell(row.index, cell));
            }
        }
        for (const MergedRange& range : sheet.merges) {
            Check(range.firstRow <= range.lastRow && range.lastRow < kMaxSheetRows &&
                  range.firstCol <= range.lastCol && range.lastCol < kMaxSheetColumns);
            Check(writer.Merge(range));
        }
    }
    Check(writer.End());
    Check(again.data() == bytes);
    return 0;
}
