#pragma once

#include "util/ValueSheet.h"

#include <string>

namespace tamberlink {

// Writes a new .xlsx package of one sheet holding a ValueSheet's numbers and texts (texts
// inline), with the smallest set of parts spreadsheet programs expect.
class XlsxWriter {
public:
    static bool Build(const ValueSheet& sheet, const QString& sheetName, std::string& bytes,
                      QString* error);
};

} // namespace tamberlink
