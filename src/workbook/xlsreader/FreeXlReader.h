#pragma once

#include <QString>

namespace tamberlink {

class SheetStreamWriter;

// Reads the worksheets of an .xls workbook with FreeXL into a sheet stream: each one's name,
// its number (dates with their kind of format) and text cells, within the bounds of the
// largest sheet, and its merged ranges (BiffMerges); or why it cannot be read.
// FreeXL crashes on some crafted files, so the program runs this in a process of its own.
class FreeXlReader {
public:
    static void Read(const QString& path, SheetStreamWriter& out);
};

} // namespace tamberlink
