#pragma once

#include "workbook/ExcelBook.h"

#include <vector>

namespace tamberlink {

// How a number cell shows its value: as it is, or as a date, a date and time, or a time (the
// number counting days since 1899-12-30, as spreadsheets keep dates).
enum class CellFormat { General = 0, Date = 1, DateTime = 2, Time = 3 };

// A rectangle of merged cells, rows and columns counted from 0, both ends included.
struct MergedRange {
    int firstRow = 0;
    int firstCol = 0;
    int lastRow = 0;
    int lastCol = 0;
    bool operator==(const MergedRange&) const = default;
};

// A sheet of plain values in memory (numbers and texts), for books whose file format we read
// but do not edit in place.
class ValueSheet : public ExcelSheet {
public:
    struct Cell {
        int col = 0;
        CellType type = CellType::Empty;
        double number = 0;
        QString text;
        CellFormat format = CellFormat::General; // of a Number cell
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

// One sheet of a workbook read into memory: its name, values and merged ranges.
struct NamedSheet {
    QString name;
    ValueSheet cells;
    std::vector<MergedRange> merges;
};

} // namespace tamberlink
