#pragma once

#include "calllist/TempContact.h"

#include <QString>

#include <functional>
#include <vector>

namespace tamberlink {

class ExcelBook;
class ExcelSheet;

// The call list of the temporary-contacts tab without its widgets: the contacts read from a
// workbook's first sheet, the remembered workbook and columns (INI section "TEMPCONTACT"),
// and the write-back of statuses (column CV) and remarks (column CW). Every write re-reads
// the workbook and saves it at once, so nothing waits in memory; the workbook is never held
// open in between.
//
// The window shows Items() and calls ImportWorkbook from the import dialog, RestoreWorkbook
// when the tab starts, UpdateTempContact after a successful call (status 1) and from the
// remark dialog, and ShowStatus from the status menu. Each result says which notice the
// message box should show (Notice::None: nothing to tell); the window words it.
class TempContactList {
public:
    static constexpr int kStatusColumn = 99;  // CV
    static constexpr int kRemarkColumn = 100; // CW
    enum class Notice {
        None,
        EmptyColumns,  // a column text left empty
        BadColumns,    // a column text that is not one letter A-Z
        CannotWrite,   // cannot open, or in use elsewhere
        RowsMoved,     // rows inserted or deleted: the list was reread
        SaveFailed,    // the save itself failed
        RemarkTooLong, // more than a cell can hold
        Copied,        // an .xls list now writes to the .xlsx copy named in copyName
        CopiedPlainly, // the same, but the copy could not keep the styles
    };

    enum class Outcome {
        Saved,         // written and saved (or nothing to write); the item shows it
        SavedToCopy,   // an .xls list: saved as a new .xlsx beside it, which the list now uses
        NoSuchItem,    // no item of that row
        RemarkTooLong, // nothing written
        CannotOpen,    // missing, unreadable, or open in another program; nothing written
        RowMoved,      // the row no longer holds the item's number; the list was reloaded
        SaveFailed,    // nothing written (read-only, disk full, ...)
    };
    struct UpdateResult {
        Outcome outcome = Outcome::Saved;
        Notice notice = Notice::None;
        QString copyName; // with Notice::Copied and CopiedPlainly: the copy's file name
        bool Ok() const { return outcome == Outcome::Saved || outcome == Outcome::SavedToCopy; }
    };

    struct ImportResult {
        Notice notice = Notice::None; // the column texts were refused (nothing else happened)
        bool chosen = false;          // a file was chosen
        bool loaded = false;          // and its contacts are listed
    };

    // `iniPath` is "<data root>/Data/Tamberlink.ini" (IniPathFor).
    explicit TempContactList(QString iniPath);
    static QString IniPathFor(const QString& dataRoot);

    // An .xls list's copy is made by LibreOffice's `office` (OfficeConverter::FindOffice by
    // default) with its settings in `profile`; without it the copy keeps the sheets, their
    // values, dates and merged cells, but not their styles.
    void SetOffice(QString office, QString profile);

    // Reads the workbook's first sheet into the list with the current columns. False when it
    // cannot be read: the list, its workbook and its columns stay as they were.
    bool LoadWorkbook(const QString& path);
    // The same with the columns given (0-based), which the list keeps when it loads.
    bool LoadWorkbook(const QString& path, int nameColumn, int numberColumn);
    // Validates the column texts, asks for the file (`chooseFile` returns the chosen path, or
    // an empty one when cancelled), loads it, and remembers file and columns in the INI file.
    // A cancelled choice, or a file that cannot be read, changes neither the list nor the
    // INI file.
    ImportResult ImportWorkbook(const QString& nameColumn, const QString& numberColumn,
                                const std::function<QString()>& chooseFile);
    // Loads the workbook remembered in the INI file, when file and columns are all valid.
    bool RestoreWorkbook();
    // Writes status (when not 0) and remark (when not empty) into the item's row and saves.
    UpdateResult UpdateTempContact(int row, int status, const QString& remark);
    // Writes both cells as given, a status of 0 and an empty remark too: an outcome taken
    // back puts the cells as they were. The same checks as UpdateTempContact.
    UpdateResult WriteCells(int row, int status, const QString& remark);
    // The status menu: shows status N and no remark on the item, writing nothing. False for
    // status 0 or an unknown row.
    bool ShowStatus(int row, int status);
    // Shows the cells as written elsewhere (a campaign's outcome): status and remark as a
    // workbook read would show them. False for an unknown row.
    bool ShowCells(int row, int status, const QString& remark);

    // None when both texts are single letters A-Z (either case), else the notice to show.
    static Notice ColumnNotice(const QString& nameColumn, const QString& numberColumn);

    const std::vector<TempContact>& Items() const { return items_; }
    // The index in Items() of the item from sheet row `row`, or -1.
    int IndexOfRow(int row) const;
    const QString& WorkbookPath() const { return path_; }
    int NameColumn() const { return nameColumn_; }
    int NumberColumn() const { return numberColumn_; }

    // A cell as the list shows it: a text, or a number written with "%.0f"; else empty.
    static QString CellText(const ExcelSheet& sheet, int row, int col);
    // The number of a cell as the list dials it: cleaned as every number is (PhoneNumber).
    static QString NumberText(const ExcelSheet& sheet, int row, int col);
    // Where an .xls list's values are saved: NAME.xlsx beside it, or "NAME (2).xlsx" and so
    // on when that name is taken.
    static QString CopyPathFor(const QString& xlsPath);

private:
    bool Load(const QString& path, int nameColumn, int numberColumn);
    bool RememberFile(const QString& path);
    // `exact`: both cells are written whatever they hold (WriteCells), else only a status
    // above 0 and a non-empty remark.
    UpdateResult Write(int row, int status, const QString& remark, bool exact);
    // Saves an .xls list as NAME.xlsx beside it with the outcome written into `row`: through
    // LibreOffice when there is one, else from `xls` (already written).
    UpdateResult SaveCopy(ExcelBook& xls, int row, int status, const QString& remark);

    QString iniPath_;
    QString office_;
    QString officeProfile_;
    QString path_;
    int nameColumn_ = -1;
    int numberColumn_ = -1;
    std::vector<TempContact> items_;
};

} // namespace tamberlink
