#pragma once

#include "workbook/ValueSheet.h"

#include <string>
#include <vector>

namespace tamberlink {

// Writes a new .xlsx package of sheets holding numbers (dates with their format) and texts
// (texts inline), with their merged ranges, in the smallest set of parts spreadsheet
// programs expect.
class XlsxWriter {
public:
    static bool Build(const std::vector<NamedSheet>& sheets, std::string& bytes, QString* error);
    // One sheet without merged ranges.
    static bool Build(const ValueSheet& sheet, const QString& sheetName, std::string& bytes,
                      QString* error);
};

} // namespace tamberlink
