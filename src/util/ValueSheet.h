#pragma once

#include "util/ExcelBook.h"

#include <vector>

namespace tamberlink {

// A sheet of plain values in memory (numbers and texts), for books whose file format we read
// but do not edit in place.
class ValueSheet : public ExcelSheet {
public:
    struct Cell {
        int col = 0;
        CellType type = CellType::Empty;
        double number = 0;
        QString text;
    };
    struct Row {
        int index = 0;
        std::vector<Cell> cells; // in column order
    };

    void Clear() { rows_.clear(); }
    // Adds a cell; cells must come in row order, and in column order within a row.
    void Append(int row, Cell cell);
    const std::vector<Row>& Rows() const { return rows_; }

    int lastRow() const override;
    CellType cellType(int row, int col) const override;
    QString readStr(int row, int col) const override;
    double readNum(int row, int col) const override;
    bool writeNum(int row, int col, double value) override;
    bool writeStr(int row, int col, const QString& text) override;

private:
    const Cell* Find(int row, int col) const;
    Cell* Slot(int row, int col);

    std::vector<Row> rows_; // in row order, each with at least one cell
};

} // namespace tamberlink
