// Writes outcomes into a workbook over and over, as the call list does, and reports each
// save once it returned: "saved <index>" on its own line. The kill test stops it with SIGKILL
// at random moments. Arguments: the workbook, the first index, the number of rows in turn.
#include "workbook/ExcelBook.h"

#include <QString>

#include <cstdio>
#include <cstdlib>

using namespace tamberlink;

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s WORKBOOK FIRST-INDEX ROWS\n", argv[0]);
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    const long rows = std::atol(argv[3]);
    for (long index = std::atol(argv[2]);; ++index) {
        const auto book = ExcelBook::Create(path);
        if (!book->load(path)) {
            std::fprintf(stderr, "cannot load: %s\n", qPrintable(book->errorText()));
            return 1;
        }
        ExcelSheet* sheet = book->getSheet(0);
        const int row = 1 + int(index % rows);
        if (sheet == nullptr || !sheet->writeNum(row, 99, double(1 + index % 4)) ||
            !sheet->writeStr(row, 100, QStringLiteral("第%1次").arg(index)) || !book->save(path)) {
            std::fprintf(stderr, "cannot save: %s\n", qPrintable(book->errorText()));
            return 1;
        }
        std::printf("saved %ld\n", index);
        std::fflush(stdout);
    }
}
