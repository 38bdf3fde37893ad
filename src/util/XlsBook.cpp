#include "util/XlsBook.h"

#include "util/XlsxWriter.h"

#include <QFile>

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

} // namespace

void XlsBook::release() {
    sheet_.Clear();
    sheetName_.clear();
    hasSheet_ = false;
}

bool XlsBook::load(const QString& path) {
    release();
    ClearError();
    if (!QFile::exists(path)) {
        return Fail(Error::CannotRead, QStringLiteral("%1 does not exist").arg(path));
    }
    FreeXlHandle handle;
    const QByteArray native = QFile::encodeName(path);
    const int opened = freexl_open(native.constData(), handle.Out());
    if (opened != FREEXL_OK) {
        return Fail(opened == FREEXL_FILE_NOT_FOUND ? Error::CannotRead : Error::NotAWorkbook,
                    QStringLiteral("not a readable .xls workbook (FreeXL error %1)").arg(opened));
    }
    unsigned int sheets = 0;
    if (freexl_get_info(handle.Get(), FREEXL_BIFF_SHEET_COUNT, &sheets) != FREEXL_OK ||
        sheets == 0) {
        return true; // a workbook without a worksheet to show
    }
    const char* name = nullptr;
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (freexl_select_active_worksheet(handle.Get(), 0) != FREEXL_OK ||
        freexl_worksheet_dimensions(handle.Get(), &rows, &columns) != FREEXL_OK) {
        return Fail(Error::Malformed, QStringLiteral("the first worksheet cannot be read"));
    }
    if (freexl_get_worksheet_name(handle.Get(), 0, &name) == FREEXL_OK && name != nullptr) {
        sheetName_ = QString::fromUtf8(name);
    }
    for (unsigned int row = 0; row < rows && row < unsigned(kMaxSheetRows); ++row) {
        for (unsigned short col = 0; col < columns; ++col) {
            FreeXL_CellValue value;
            if (freexl_get_cell_value(handle.Get(), row, col, &value) != FREEXL_OK) {
                continue;
            }
            ValueSheet::Cell cell;
            cell.col = col;
            switch (value.type) {
            case FREEXL_CELL_INT:
                cell.type = CellType::Number;
                cell.number = value.value.int_value;
                break;
            case FREEXL_CELL_DOUBLE:
                cell.type = CellType::Number;
                cell.number = value.value.double_value;
                break;
            case FREEXL_CELL_TEXT:
            case FREEXL_CELL_SST_TEXT:
            case FREEXL_CELL_DATE:
            case FREEXL_CELL_DATETIME:
            case FREEXL_CELL_TIME:
                cell.type = CellType::String;
                cell.text = QString::fromUtf8(value.value.text_value);
                break;
            default:
                continue;
            }
            sheet_.Append(int(row), std::move(cell));
        }
    }
    hasSheet_ = true;
    return true;
}

ExcelSheet* XlsBook::getSheet(int index) {
    return index == 0 && hasSheet_ ? &sheet_ : nullptr;
}

bool XlsBook::save(const QString& path) {
    ClearError();
    if (!IsXlsxPath(path)) {
        return Fail(Error::Unsupported,
                    QStringLiteral(".xls files cannot be written; save as .xlsx"));
    }
    if (!hasSheet_) {
        return Fail(Error::Unsupported, QStringLiteral("no worksheet was loaded"));
    }
    if (!CheckWritable(path)) {
        return false;
    }
    std::string bytes;
    QString error;
    if (!XlsxWriter::Build(sheet_, sheetName_, bytes, &error)) {
        return Fail(Error::WriteFailed, QStringLiteral("cannot build the package: %1").arg(error));
    }
    return WriteFile(path, bytes);
}

} // namespace tamberlink
