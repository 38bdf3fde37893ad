#include "util/xlsreader/FreeXlReader.h"

#include "util/SheetStream.h"

#include <QFile>

#include <algorithm>

#include <freexl.h>

namespace tamberlink {

namespace {

// Closes a FreeXL handle however the reading ends.
class FreeXlHandle {
public:
    ~FreeXlHandle() {
        if (handle_ != nullptr) {
            freexl_close(handle_);
        }
    }
    const void** Out() { return &handle_; }
    const void* Get() const { return handle_; }

private:
    const void* handle_ = nullptr;
};

// The cell as the sheet holds it; false for a cell of no value (blank, error, unknown).
bool ToCell(const FreeXL_CellValue& value, ValueSheet::Cell& cell) {
    switch (value.type) {
    case FREEXL_CELL_INT:
        cell.type = CellType::Number;
        cell.number = value.value.int_value;
        return true;
    case FREEXL_CELL_DOUBLE:
        cell.type = CellType::Number;
        cell.number = value.value.double_value;
        return true;
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME:
        cell.type = CellType::String;
        cell.text = QString::fromUtf8(value.value.text_value);
        return true;
    default:
        return false;
    }
}

} // namespace

void FreeXlReader::Read(const QString& path, SheetStreamWriter& out) {
    FreeXlHandle handle;
    const QByteArray native = QFile::encodeName(path);
    const int opened = freexl_open(native.constData(), handle.Out());
    if (opened != FREEXL_OK) {
        out.Failure(opened == FREEXL_FILE_NOT_FOUND ? ExcelBook::Error::CannotRead
                                                    : ExcelBook::Error::NotAWorkbook,
                    QStringLiteral("not a readable .xls workbook (FreeXL error %1)").arg(opened));
        return;
    }
    unsigned int sheets = 0;
    if (freexl_get_info(handle.Get(), FREEXL_BIFF_SHEET_COUNT, &sheets) != FREEXL_OK ||
        sheets == 0) {
        return; // a workbook without a worksheet to show
    }
    const char* name = nullptr;
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (freexl_select_active_worksheet(handle.Get(), 0) != FREEXL_OK ||
        freexl_worksheet_dimensions(handle.Get(), &rows, &columns) != FREEXL_OK) {
        out.Failure(ExcelBook::Error::Malformed,
                    QStringLiteral("the first worksheet cannot be read"));
        return;
    }
    QString sheetName;
    if (freexl_get_worksheet_name(handle.Get(), 0, &name) == FREEXL_OK && name != nullptr) {
        sheetName = QString::fromUtf8(name);
    }
    if (sheetName.size() > sheetstream::kMaxSheetName) {
        out.Failure(ExcelBook::Error::Malformed,
                    QStringLiteral("the first worksheet's name is longer than a sheet's can be"));
        return;
    }
    out.Sheet(sheetName);
    // An .xls sheet is far smaller than the largest sheet; a damaged one may claim more.
    rows = std::min(rows, unsigned(kMaxSheetRows));
    columns = std::min(columns, static_cast<unsigned short>(kMaxSheetColumns));
    for (unsigned int row = 0; row < rows; ++row) {
        for (unsigned short col = 0; col < columns; ++col) {
            FreeXL_CellValue value;
            ValueSheet::Cell cell;
            cell.col = col;
            if (freexl_get_cell_value(handle.Get(), row, col, &value) != FREEXL_OK ||
                !ToCell(value, cell)) {
                continue;
            }
            if (cell.text.size() > kMaxCellText) {
                out.Failure(
                    ExcelBook::Error::Malformed,
                    QStringLiteral("a cell holds more than %1 characters").arg(kMaxCellText));
                return;
            }
            if (!out.Cell(int(row), cell)) {
                out.Failure(ExcelBook::Error::CannotRead,
                            QStringLiteral("the first worksheet is too large to read safely"));
                return;
            }
        }
    }
}

} // namespace tamberlink
