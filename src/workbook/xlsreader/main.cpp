// tamberlink-xls-reader FILE: reads the worksheets of an .xls workbook and writes them to
// standard output as a sheet stream. The program runs it for each .xls it reads, so that a
// workbook that crashes the reading costs only that read.
#include "workbook/SheetStream.h"
#include "workbook/xlsreader/FreeXlReader.h"

#include <QFile>

#include <cstdio>
#include <unistd.h>

int main(int argc, char* argv[]) {
    using namespace tamberlink;
    if (argc != 2) {
        std::fputs("usage: tamberlink-xls-reader FILE\n", stderr);
        return 2;
    }
    QFile out;
    if (!out.open(STDOUT_FILENO, QIODevice::WriteOnly)) {
        return 1;
    }
    SheetStreamWriter writer(out);
    FreeXlReader::Read(QFile::decodeName(argv[1]), writer);
    return writer.End() && out.flush() ? 0 : 1;
}
