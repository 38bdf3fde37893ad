#include "workbook/ValueSheet.h"

#include <algorithm>
#include <cmath>

namespace tamberlink {

namespace {

template <class Rows>
auto FindRow(Rows& rows, int row) {
    return std::lower_bound(rows.begin(), rows.end(), row,
                            [](const auto& r, int index) { return r.index < index; });
}

template <class Cells>
auto FindCol(Cells& cells, int col) {
    return std::lower_bound(cells.begin(), cells.end(), col,
                            [](const auto& c, int index) { return c.col < index; });
}

} // namespace

void ValueSheet::Append(int row, Cell cell) {
    if (rows_.empty() || rows_.back().index != row) {
        rows_.push_back(Row{row, {}});
    }
    rows_.back().cells.push_back(std::move(cell));
}

int ValueSheet::lastRow() const {
    return rows_.empty() ? 0 : rows_.back().index + 1;
}

const ValueSheet::Cell* ValueSheet::Find(int row, int col) const {
    const auto r = FindRow(rows_, row);
    if (r == rows_.end() || r->index != row) {
        return nullptr;
    }
    const auto c = FindCol(r->cells, col);
    return c != r->cells.end() && c->col == col ? &*c : nullptr;
}

ValueSheet::Cell* ValueSheet::Slot(int row, int col) {
    if (row < 0 || row >= kMaxSheetRows || col < 0 || col >= kMaxSheetColumns) {
        return nullptr;
    }
    auto r = FindRow(rows_, row);
    if (r == rows_.end() || r->index != row) {
        r = rows_.insert(r, Row{row, {}});
    }
    auto c = FindCol(r->cells, col);
    if (c == r->cells.end() || c->col != col) {
        c = r->cells.insert(c, Cell{col, CellType::Empty, 0, {}});
    }
    return &*c;
}

CellType ValueSheet::cellType(int row, int col) const {
    const Cell* cell = Find(row, col);
    return cell != nullptr ? cell->type : CellType::Empty;
}

QString ValueSheet::readStr(int row, int col) const {
    const Cell* cell = Find(row, col);
    return cell != nullptr && cell->type == CellType::String ? cell->text : QString();
}

double ValueSheet::readNum(int row, int col) const {
    const Cell* cell = Find(row, col);
    return cell != nullptr && cell->type == CellType::Number ? cell->number : 0;
}

bool ValueSheet::writeNum(int row, int col, double value) {
    Cell* cell = std::isfinite(value) ? Slot(row, col) : nullptr;
    if (cell == nullptr) {
        return false;
    }
    cell->type = CellType::Number;
    cell->number = value;
    cell->text.clear();
    cell->format = CellFormat::General;
    return true;
}

bool ValueSheet::writeStr(int row, int col, const QString& text) {
    Cell* cell = text.size() <= kMaxCellText ? Slot(row, col) : nullptr;
    if (cell == nullptr) {
        return false;
    }
    cell->type = CellType::String;
    cell->number = 0;
    cell->text = text;
    cell->format = CellFormat::General;
    return true;
}

} // namespace tamberlink
