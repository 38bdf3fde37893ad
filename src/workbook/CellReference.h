#pragma once

#include <string>
#include <string_view>

namespace tamberlink {

// "A1"-style references with 0-based indexes: "A" is column 0, "XFD" column 16383.
struct CellReference {
    // Column letters followed by a row number ("CV12"). False for anything else, including
    // references outside the largest sheet.
    static bool Parse(std::string_view text, int& row, int& col);
    // Column letters alone ("CV"); false when not 1 to 3 upper-case letters within the sheet.
    static bool ParseColumn(std::string_view text, int& col);
    // A positive row number ("12" is row 11) within the sheet.
    static bool ParseRow(std::string_view text, int& row);
    static std::string ColumnName(int col);
    static std::string Name(int row, int col);
};

} // namespace tamberlink
