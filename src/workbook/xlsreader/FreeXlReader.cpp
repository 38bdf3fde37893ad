#include "workbook/xlsreader/FreeXlReader.h"

#include "workbook/SheetStream.h"
#include "workbook/xlsreader/BiffMerges.h"

#include <QDateTime>
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

// A file larger than this is read without its merged ranges.
constexpr qint64 kMaxScannedBytes = qint64(256) << 20;

// A date, date and time, or time as FreeXL spells it ("2016-03-05", "2016-03-05 09:07:00",
// "09:07:00") as spreadsheets count it: days since 1899-12-30 and the fraction of a day.
bool ToSerial(const QString& text, CellFormat format, double& serial) {
    const QDate epoch(1899, 12, 30);
    if (format == CellFormat::Time) {
        const QTime time = QTime::fromString(text, QStringLiteral("HH:mm:ss"));
        serial = time.msecsSinceStartOfDay() / 86400000.0;
        return time.isValid();
    }
    const QDateTime moment =
        format == CellFormat::Date
            ? QDateTime(QDate::fromString(text, QStringLiteral("yyyy-MM-dd")), QTime(0, 0))
            : QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!moment.isValid()) {
        return false;
    }
    serial =
        double(epoch.daysTo(moment.date())) + moment.time().msecsSinceStartOfDay() / 86400000.0;
    return true;
}

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
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME: {
        // Dates stay dates: a number with its kind of format.
        const CellFormat format = value.type == FREEXL_CELL_DATE   ? CellFormat::Date
                                  : value.type == FREEXL_CELL_TIME ? CellFormat::Time
                                                                   : CellFormat::DateTime;
        const QString text = QString::fromUtf8(value.value.text_value);
        if (ToSerial(text, format, cell.number)) {
            cell.type = CellType::Number;
            cell.format = format;
        } else {
            cell.type = CellType::String;
            cell.text = text;
        }
        return true;
    }
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
        cell.type = CellType::String;
        cell.text = QString::fromUtf8(value.value.text_value);
        return true;
    default:
        return false;
    }
}

// The merged ranges of each sheet, by its name when the names agree, else by its place.
std::vector<MergedRange> RangesOf(const std::vector<BiffMerges::Sheet>& merges, const QString& name,
                                  unsigned int index) {
    for (const BiffMerges::Sheet& sheet : merges) {
        if (sheet.name == name) {
            return sheet.ranges;
        }
    }
    return index < merges.size() ? merges[index].ranges : std::vector<MergedRange>();
}

std::vector<BiffMerges::Sheet> ScanMerges(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxScannedBytes) {
        return {};
    }
    return BiffMerges::Read(file.readAll());
}

// Writes the worksheet FreeXL has selected; false once the stream is full or a cell breaks
// the bounds (the failure is written then).
bool ReadSheet(const void* handle, const QString& name, const std::vector<MergedRange>& ranges,
               SheetStreamWriter& out) {
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (freexl_worksheet_dimensions(handle, &rows, &columns) != FREEXL_OK) {
        out.Failure(ExcelBook::Error::Malformed,
                    QStringLiteral("the worksheet %1 cannot be read").arg(name));
        return false;
    }
    out.Sheet(name);
    // An .xls sheet is far smaller than the largest sheet; a damaged one may claim more.
    rows = std::min(rows, unsigned(kMaxSheetRows));
    columns = std::min(columns, static_cast<unsigned short>(kMaxSheetColumns));
    for (unsigned int row = 0; row < rows; ++row) {
        for (unsigned short col = 0; col < columns; ++col) {
            FreeXL_CellValue value;
            ValueSheet::Cell cell;
            cell.col = col;
            if (freexl_get_cell_value(handle, row, col, &value) != FREEXL_OK ||
                !ToCell(value, cell)) {
                continue;
            }
            if (cell.text.size() > kMaxCellText) {
                out.Failure(
                    ExcelBook::Error::Malformed,
                    QStringLiteral("a cell holds more than %1 characters").arg(kMaxCellText));
                return false;
            }
            if (!out.Cell(int(row), cell)) {
                out.Failure(ExcelBook::Error::CannotRead,
                            QStringLiteral("the worksheets are too large to read safely"));
                return false;
            }
        }
    }
    for (const MergedRange& range : ranges) {
        if (!out.Merge(range)) {
            out.Failure(ExcelBook::Error::CannotRead,
                        QStringLiteral("the worksheets are too large to read safely"));
            return false;
        }
    }
    return true;
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
    const std::vector<BiffMerges::Sheet> merges = ScanMerges(path);
    for (unsigned int index = 0; index < sheets && index < unsigned(sheetstream::kMaxSheets);
         ++index) {
        const char* name = nullptr;
        if (freexl_select_active_worksheet(handle.Get(), static_cast<unsigned short>(index)) !=
            FREEXL_OK) {
            out.Failure(ExcelBook::Error::Malformed,
                        QStringLiteral("worksheet %1 cannot be read").arg(index + 1));
            return;
        }
        QString sheetName;
        if (freexl_get_worksheet_name(handle.Get(), static_cast<unsigned short>(index), &name) ==
                FREEXL_OK &&
            name != nullptr) {
            sheetName = QString::fromUtf8(name);
        }
        if (sheetName.size() > sheetstream::kMaxSheetName) {
            out.Failure(ExcelBook::Error::Malformed,
                        QStringLiteral("a worksheet's name is longer than a sheet's can be"));
            return;
        }
        if (!ReadSheet(handle.Get(), sheetName, RangesOf(merges, sheetName, index), out)) {
            return;
        }
    }
}

} // namespace tamberlink
