// Feeds arbitrary files to the .xls reader. Traps when a read breaks the sheet's own bounds,
// or when the values read do not survive the save as .xlsx that is the only way to write
// such a book back.
#include "FuzzSupport.h"
#include "util/ValueSheet.h"
#include "util/XlsBook.h"
#include "util/XlsxBook.h"
#include "util/XlsxWriter.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

using namespace tamberlink;
using fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::WriteScratch(data, size);
    XlsBook book;
    if (!book.load(QString::fromUtf8(fuzz::ScratchPath()))) {
        Check(book.error() != ExcelBook::Error::None && book.getSheet(0) == nullptr);
        return 0;
    }
    auto* sheet = dynamic_cast<ValueSheet*>(book.getSheet(0));
    if (sheet == nullptr) {
        return 0;
    }
    const int rows = sheet->lastRow();
    Check(rows >= 0 && rows <= kMaxSheetRows);

    std::string bytes;
    QString error;
    Check(XlsxWriter::Build(*sheet, book.SheetName(), bytes, &error));
    XlsxBook saved;
    Check(saved.LoadBytes(bytes));
    ExcelSheet* reread = saved.getSheet(0);
    Check(reread != nullptr && reread->lastRow() == rows);
    for (int row = 0; row < rows && row < 64; ++row) {
        for (int col = 0; col < 16; ++col) {
            const CellType type = sheet->cellType(row, col);
            const QString text = sheet->readStr(row, col);
            const double number = sheet->readNum(row, col);
            Check(type == CellType::String || text.isEmpty());
            Check(type == CellType::Number || number == 0);
            Check(reread->cellType(row, col) == type);
            Check(reread->readStr(row, col) == text);
            Check(reread->readNum(row, col) == number ||
                  (std::isnan(number) && std::isnan(reread->readNum(row, col))));
        }
    }
    return 0;
}
