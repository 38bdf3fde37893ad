#include "workbook/CellReference.h"

#include "workbook/ExcelBook.h"

namespace tamberlink {

bool CellReference::ParseColumn(std::string_view text, int& col) {
    if (text.empty() || text.size() > 3) {
        return false;
    }
    int value = 0;
    for (const char c : text) {
        if (c < 'A' || c > 'Z') {
            return false;
        }
        value = value * 26 + (c - 'A' + 1);
    }
    if (value > kMaxSheetColumns) {
        return false;
    }
    col = value - 1;
    return true;
}

bool CellReference::ParseRow(std::string_view text, int& row) {
    if (text.empty() || text.size() > 7 || text.front() == '0') {
        return false;
    }
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    if (value > kMaxSheetRows) {
        return false;
    }
    row = value - 1;
    return true;
}

bool CellReference::Parse(std::string_view text, int& row, int& col) {
    std::size_t letters = 0;
    while (letters < text.size() && text[letters] >= 'A' && text[letters] <= 'Z') {
        ++letters;
    }
    return ParseColumn(text.substr(0, letters), col) && ParseRow(text.substr(letters), row);
}

std::string CellReference::ColumnName(int col) {
    std::string name;
    for (int n = col + 1; n > 0; n = (n - 1) / 26) {
        name.insert(name.begin(), char('A' + (n - 1) % 26));
    }
    return name;
}

std::string CellReference::Name(int row, int col) {
    return ColumnName(col) + std::to_string(row + 1);
}

} // namespace tamberlink
