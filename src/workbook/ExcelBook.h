#pragma once

#include <QString>

#include <memory>
#include <string_view>

namespace tamberlink {

// What a cell holds, numbered as the list code expects (1 number, 2 text).
enum class CellType {
    Empty = 0,   // no cell at all
    Number = 1,  // numbers, dates and times (as serial day numbers)
    String = 2,  // shared, inline and formula texts
    Boolean = 3, // readNum gives 0 or 1
    Blank = 4,   // a cell without a value (formatting only, or a formula never computed)
    Error = 5,   // "#N/A" and its kin
};

// Rows and columns count from 0; the largest sheet has 1,048,576 rows and 16,384 columns.
constexpr int kMaxSheetRows = 1048576;
constexpr int kMaxSheetColumns = 16384;
// The longest text a cell may hold.
constexpr int kMaxCellText = 32767;

// One worksheet of a loaded book.
class ExcelSheet {
public:
    virtual ~ExcelSheet() = default;

    // One past the last row that has a cell; 0 for an empty sheet.
    virtual int lastRow() const = 0;
    virtual CellType cellType(int row, int col) const = 0;
    // The text of a String cell; empty for any other cell.
    virtual QString readStr(int row, int col) const = 0;
    // The value of a Number cell (Boolean: 0 or 1); 0 for any other cell.
    virtual double readNum(int row, int col) const = 0;
    // Set a cell, creating it (and its row) where needed. False for a cell outside the sheet,
    // a text longer than kMaxCellText, or a cell the book cannot change safely.
    virtual bool writeNum(int row, int col, double value) = 0;
    virtual bool writeStr(int row, int col, const QString& text) = 0;
};

// A workbook read into memory: load, read and write the first sheet, save, release. The file
// itself is never held open between these calls.
class ExcelBook {
public:
    enum class Error {
        None,
        CannotRead,    // missing, unreadable, or too large to read safely
        NotAWorkbook,  // not a zip package or an .xls file at all
        Malformed,     // a workbook whose parts are broken (bad XML, bad cell references)
        OpenElsewhere, // another program has the workbook open (its lock file is present)
        ReadOnly,      // the file or its folder cannot be written
        WriteFailed,   // the disk refused the new file (full, I/O error)
        Unsupported,   // a format this book cannot write
    };

    virtual ~ExcelBook() = default;

    // An .xlsx book when the path's last character is 'x' or 'X', else an .xls book.
    static std::unique_ptr<ExcelBook> Create(const QString& path);
    static bool IsXlsxPath(const QString& path);
    // LibreOffice's ".~lock.NAME#" or Excel's "~$NAME" beside the file: someone edits it.
    static bool IsOpenElsewhere(const QString& path);

    // Reads the workbook; false (with error()) when it cannot be read.
    virtual bool load(const QString& path) = 0;
    // Writes the workbook to `path` at once (old file or new file, never a mix).
    virtual bool save(const QString& path) = 0;
    // The first sheet for index 0; null for other indexes, before load, or when the workbook
    // has no worksheet.
    virtual ExcelSheet* getSheet(int index) = 0;
    // Frees what load read.
    virtual void release() = 0;

    Error error() const { return error_; }
    // A short English description of the last failure, for logs.
    const QString& errorText() const { return errorText_; }

protected:
    // Always false, so that failures read `return Fail(...)`.
    bool Fail(Error error, const QString& text);
    void ClearError();
    // Refuses a workbook another program has open, or a read-only file.
    bool CheckWritable(const QString& path);
    // Replaces the file at once with `bytes`.
    bool WriteFile(const QString& path, std::string_view bytes);

private:
    Error error_ = Error::None;
    QString errorText_;
};

} // namespace tamberlink
