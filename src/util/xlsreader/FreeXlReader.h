#pragma once

#include <QString>

namespace tamberlink {

class SheetStreamWriter;

// Reads the first worksheet of an .xls workbook with FreeXL into a sheet stream: its name and
// its number and text cells, within the bounds of the largest sheet, or why it cannot be read.
// FreeXL crashes on some crafted files, so the program runs this in a process of its own.
class FreeXlReader {
public:
    static void Read(const QString& path, SheetStreamWriter& out);
};

} // namespace tamberlink
