#pragma once

#include "workbook/ExcelBook.h"
#include "workbook/ValueSheet.h"

#include <QByteArray>
#include <QDataStream>
#include <QString>

#include <vector>

class QIODevice;

namespace tamberlink {

// The worksheets of an .xls workbook as the reader process hands them to the program: a
// header (magic number and version), then records (each sheet's name followed by its cells
// in row and column order, then its merged ranges; or why the workbook could not be read),
// then an end mark.
namespace sheetstream {
constexpr quint32 kMagic = 0x544c5853;
constexpr quint16 kVersion = 2;
// The whole stream; a shared-string table that repeats one long text in every cell must not
// make the reader hand over more than this.
constexpr qint64 kMaxBytes = qint64(256) << 20;
constexpr int kMaxSheetName = 255; // what an .xls sheet record can hold
constexpr int kMaxErrorText = 1024;
constexpr int kMaxSheets = 1024;
// Each record starts with its kind. Texts are a 32-bit byte count and UTF-8; numbers are
// big-endian; a cell is its row (32 bits) and column (16 bits), then its value.
enum Record : quint8 {
    kEnd = 0,
    kSheet = 1,   // a sheet's name; its cells and merged ranges follow
    kNumber = 2,  // a cell and its number
    kText = 3,    // a cell and its text
    kFailure = 4, // an ExcelBook::Error (8 bits) and a text, then the end mark
    kDate = 5,    // a cell, its number and its CellFormat (8 bits, not General)
    kMerge = 6,   // a merged range: first row and column, last row and column
};
} // namespace sheetstream

// Writes a stream for the program to decode.
class SheetStreamWriter {
public:
    // Writes the header.
    explicit SheetStreamWriter(QIODevice& out);

    // Starts a sheet; the cells and merged ranges written next are its own.
    void Sheet(const QString& name);
    // Adds a Number or String cell. False, without writing it, when it would take the stream
    // past its limit.
    bool Cell(int row, const ValueSheet::Cell& cell);
    bool Merge(const MergedRange& range);
    // Why the workbook cannot be read: CannotRead, NotAWorkbook or Malformed, and a text that
    // is never empty.
    void Failure(ExcelBook::Error error, const QString& text);
    // Writes the end mark; false when the device refused any of the stream.
    bool End();

private:
    void Text(const QByteArray& utf8);

    QDataStream stream_;
    qint64 written_ = 0;
};

// Reads a stream from the reader process, which is not trusted: every count, position, type
// and length is checked, and a stream that breaks the format or its bounds gives no sheet.
class SheetStreamDecoder {
public:
    // False when the stream is damaged (Malformed) or reports that the workbook could not be
    // read (the reader's error); error() and errorText() say which.
    bool Decode(const QByteArray& bytes);

    ExcelBook::Error error() const { return error_; }
    const QString& errorText() const { return errorText_; }
    // Whether the last stream broke the format or its bounds, rather than reporting a
    // workbook that could not be read.
    bool StreamDamaged() const { return damaged_; }
    // Whether the workbook has a worksheet; a workbook may have none.
    bool HasSheet() const { return !sheets_.empty(); }
    // The first sheet's name and values.
    QString SheetName() const { return sheets_.empty() ? QString() : sheets_.front().name; }
    ValueSheet& Sheet() { return sheets_.empty() ? empty_ : sheets_.front().cells; }
    // Every sheet, in the workbook's order.
    std::vector<NamedSheet>& Sheets() { return sheets_; }

private:
    enum class CellKind { Number, Text, Date };

    void Clear();
    bool Refuse(const QString& why);
    bool ReadText(QDataStream& in, int maxLength, QString& text);
    bool ReadCell(QDataStream& in, CellKind kind);
    bool ReadMerge(QDataStream& in);
    bool ReadFailure(QDataStream& in);

    ExcelBook::Error error_ = ExcelBook::Error::None;
    QString errorText_;
    bool damaged_ = false;
    std::vector<NamedSheet> sheets_;
    ValueSheet empty_;
    int lastRow_ = -1;
    int lastCol_ = -1;
};

} // namespace tamberlink
