// Feeds arbitrary files to the .xls reading of the reader process, and what it writes to the
// program's decoder. Traps when the decoder refuses the reader's stream, when a read breaks the
// sheet's own bounds, or when the values read do not survive the save as .xlsx that is the
// only way to write such a book back.
#include "FuzzSupport.h"
#include "workbook/SheetStream.h"
#include "workbook/ValueSheet.h"
#include "workbook/XlsxBook.h"
#include "workbook/XlsxWriter.h"
#include "workbook/xlsreader/FreeXlReader.h"

#include <QBuffer>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

using namespace tamberlink;
using fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::WriteScratch(data, size);
    QBuffer stream;
    Check(stream.open(QIODevice::WriteOnly));
    SheetStreamWriter writer(stream);
    FreeXlReader::Read(QString::fromUtf8(fuzz::ScratchPath()), writer);
    Check(writer.End());
    SheetStreamDecoder decoder;
    if (!decoder.Decode(stream.data())) {
        Check(!decoder.StreamDamaged() && decoder.error() != ExcelBook::Error::None &&
              !decoder.HasSheet());
        return 0;
    }
    if (!decoder.HasSheet()) {
        return 0;
    }
    const ValueSheet& sheet = decoder.Sheet();
    const int rows = sheet.lastRow();
    Check(rows >= 0 && rows <= kMaxSheetRows);

    std::string bytes;
    QString error;
    Check(XlsxWriter::Build(sheet, decoder.SheetName(), bytes, &error));
    XlsxBook saved;
    Check(saved.LoadBytes(bytes));
    ExcelSheet* reread = saved.getSheet(0);
    Check(reread != nullptr && reread->lastRow() == rows);
    for (int row = 0; row < rows && row < 64; ++row) {
        for (int col = 0; col < 16; ++col) {
            const CellType type = sheet.cellType(row, col);
            const QString text = sheet.readStr(row, col);
            const double number = sheet.readNum(row, col);
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
