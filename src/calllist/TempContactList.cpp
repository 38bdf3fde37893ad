#include "calllist/TempContactList.h"

#include "util/IniStore.h"
#include "util/PhoneNumber.h"
#include "util/TextCodec.h"
#include "workbook/ExcelBook.h"
#include "workbook/OfficeConverter.h"
#include "workbook/XlsxBook.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <climits>
#include <cmath>

namespace tamberlink {

namespace {

Q_LOGGING_CATEGORY(lcList, "tamberlink.ui.list", QtWarningMsg)

const std::string kSection = "TEMPCONTACT";
const std::string kKeyFile = "FILE";
const std::string kKeyName = "COL_NAME";
const std::string kKeyNumber = "COL_NUMBER";

// The column of a single letter A-Z, or -1.
int ColumnOf(const QString& upperText) {
    if (upperText.size() != 1 || upperText[0] < QLatin1Char('A') ||
        upperText[0] > QLatin1Char('Z')) {
        return -1;
    }
    return upperText[0].unicode() - 'A';
}

int StatusOf(double value) {
    if (!(value >= 1) || value > double(INT_MAX)) {
        return value > double(INT_MAX) ? INT_MAX : 0;
    }
    return int(value);
}

TempContactList::UpdateResult Result(TempContactList::Outcome outcome,
                                     TempContactList::Notice notice = TempContactList::Notice::None,
                                     QString copyName = {}) {
    return {outcome, notice, std::move(copyName)};
}

} // namespace

TempContactList::TempContactList(QString iniPath)
    : iniPath_(std::move(iniPath))
    , office_(OfficeConverter::FindOffice())
    , officeProfile_(QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
                     QStringLiteral("/office-profile")) {}

void TempContactList::SetOffice(QString office, QString profile) {
    office_ = std::move(office);
    officeProfile_ = std::move(profile);
}

QString TempContactList::IniPathFor(const QString& dataRoot) {
    return dataRoot + QStringLiteral("/Data/Tamberlink.ini");
}

QString TempContactList::CellText(const ExcelSheet& sheet, int row, int col) {
    switch (sheet.cellType(row, col)) {
    case CellType::String:
        return sheet.readStr(row, col);
    case CellType::Number:
        return QString::asprintf("%.0f", sheet.readNum(row, col));
    default:
        return {};
    }
}

QString TempContactList::NumberText(const ExcelSheet& sheet, int row, int col) {
    return PhoneNumber::Clean(CellText(sheet, row, col));
}

TempContactList::Notice TempContactList::ColumnNotice(const QString& nameColumn,
                                                      const QString& numberColumn) {
    if (nameColumn.isEmpty() || numberColumn.isEmpty()) {
        return Notice::EmptyColumns;
    }
    if (ColumnOf(nameColumn.toUpper()) < 0 || ColumnOf(numberColumn.toUpper()) < 0) {
        return Notice::BadColumns;
    }
    return {};
}

int TempContactList::IndexOfRow(int row) const {
    const auto it = std::find_if(items_.begin(), items_.end(),
                                 [row](const TempContact& item) { return item.row == row; });
    return it == items_.end() ? -1 : int(it - items_.begin());
}

bool TempContactList::LoadWorkbook(const QString& path) {
    return Load(path, nameColumn_, numberColumn_);
}

bool TempContactList::LoadWorkbook(const QString& path, int nameColumn, int numberColumn) {
    return Load(path, nameColumn, numberColumn);
}

bool TempContactList::Load(const QString& path, int nameColumn, int numberColumn) {
    if (nameColumn < 0 || numberColumn < 0) {
        return false;
    }
    const std::unique_ptr<ExcelBook> book = ExcelBook::Create(path);
    if (!book->load(path)) {
        return false;
    }
    const ExcelSheet* sheet = book->getSheet(0);
    if (sheet == nullptr) {
        book->release();
        return false;
    }
    std::vector<TempContact> items;
    const int rows = sheet->lastRow();
    for (int row = 0; row < rows; ++row) {
        QString number = NumberText(*sheet, row, numberColumn);
        if (number.isEmpty()) {
            continue;
        }
        const QString remark = sheet->cellType(row, kRemarkColumn) == CellType::String
                                   ? sheet->readStr(row, kRemarkColumn)
                                   : QString();
        items.push_back(TempContact::FromWorkbook(row, StatusOf(sheet->readNum(row, kStatusColumn)),
                                                  CellText(*sheet, row, nameColumn),
                                                  std::move(number), remark));
    }
    book->release();
    // The list, its workbook and its columns change together, so that a write always goes
    // to the workbook and columns the items were read from.
    items_ = std::move(items);
    path_ = path;
    nameColumn_ = nameColumn;
    numberColumn_ = numberColumn;
    return true;
}

TempContactList::ImportResult
TempContactList::ImportWorkbook(const QString& nameColumn, const QString& numberColumn,
                                const std::function<QString()>& chooseFile) {
    ImportResult result;
    result.notice = ColumnNotice(nameColumn, numberColumn);
    if (result.notice != Notice::None) {
        return result;
    }
    const QString nameText = nameColumn.toUpper();
    const QString numberText = numberColumn.toUpper();
    const QString path = chooseFile();
    result.chosen = !path.isEmpty();
    // The list keeps the workbook it shows, and so does the next start.
    if (!result.chosen) {
        return result;
    }
    result.loaded = Load(path, ColumnOf(nameText), ColumnOf(numberText));
    if (!result.loaded) {
        return result;
    }
    IniStore ini(iniPath_);
    ini.Load();
    ini.Set(kSection, kKeyFile, WideToUtf8(path));
    ini.Set(kSection, kKeyName, WideToUtf8(nameText));
    ini.Set(kSection, kKeyNumber, WideToUtf8(numberText));
    ini.Save();
    return result;
}

bool TempContactList::RestoreWorkbook() {
    IniStore ini(iniPath_);
    if (!ini.Load()) {
        return false;
    }
    const std::string file = ini.Get(kSection, kKeyFile);
    const int nameColumn = ColumnOf(Utf8ToWide(ini.Get(kSection, kKeyName)));
    const int numberColumn = ColumnOf(Utf8ToWide(ini.Get(kSection, kKeyNumber)));
    if (file.empty() || nameColumn < 0 || numberColumn < 0) {
        return false;
    }
    return Load(Utf8ToWide(file), nameColumn, numberColumn);
}

bool TempContactList::RememberFile(const QString& path) {
    IniStore ini(iniPath_);
    ini.Load();
    ini.Set(kSection, kKeyFile, WideToUtf8(path));
    return ini.Save();
}

QString TempContactList::CopyPathFor(const QString& xlsPath) {
    const QFileInfo info(xlsPath);
    const QString stem = info.absolutePath() + QLatin1Char('/') + info.completeBaseName();
    QString copy = stem + QStringLiteral(".xlsx");
    for (int n = 2; QFileInfo::exists(copy) || ExcelBook::IsOpenElsewhere(copy); ++n) {
        copy = stem + QStringLiteral(" (%1).xlsx").arg(n);
    }
    return copy;
}

TempContactList::UpdateResult TempContactList::UpdateTempContact(int row, int status,
                                                                 const QString& remark) {
    return Write(row, status, remark, false);
}

TempContactList::UpdateResult TempContactList::WriteCells(int row, int status,
                                                          const QString& remark) {
    return Write(row, status, remark, true);
}

TempContactList::UpdateResult TempContactList::Write(int row, int status, const QString& remark,
                                                     bool exact) {
    const int index = IndexOfRow(row);
    if (index < 0) {
        return Result(Outcome::NoSuchItem);
    }
    if (remark.size() > kMaxCellText) {
        return Result(Outcome::RemarkTooLong, Notice::RemarkTooLong);
    }
    const QString path = path_;
    if (ExcelBook::IsOpenElsewhere(path)) {
        return Result(Outcome::CannotOpen, Notice::CannotWrite);
    }
    const std::unique_ptr<ExcelBook> book = ExcelBook::Create(path);
    if (!book->load(path)) {
        return Result(Outcome::CannotOpen, Notice::CannotWrite);
    }
    ExcelSheet* sheet = book->getSheet(0);
    // Rows inserted or deleted since the list was read would put the outcome on another
    // person's row: the row must still hold this item's number.
    if (sheet == nullptr ||
        NumberText(*sheet, row, numberColumn_) != items_[std::size_t(index)].number) {
        book->release();
        LoadWorkbook(path);
        return Result(Outcome::RowMoved, Notice::RowsMoved);
    }
    if (!exact && status == 0 && remark.isEmpty()) {
        return Result(Outcome::Saved);
    }
    if (((exact || status != 0) && !sheet->writeNum(row, kStatusColumn, status)) ||
        ((exact || !remark.isEmpty()) && !sheet->writeStr(row, kRemarkColumn, remark))) {
        return Result(Outcome::SaveFailed, Notice::SaveFailed);
    }
    UpdateResult result;
    if (ExcelBook::IsXlsxPath(path)) {
        if (!book->save(path)) {
            return Result(Outcome::SaveFailed, book->error() == ExcelBook::Error::OpenElsewhere
                                                   ? Notice::CannotWrite
                                                   : Notice::SaveFailed);
        }
    } else {
        result = SaveCopy(*book, row, status, remark);
        if (!result.Ok()) {
            return result;
        }
    }
    book->release();
    if (exact) {
        ShowCells(row, status, remark);
    } else {
        items_[std::size_t(index)].ShowStatus(status, remark);
    }
    return result;
}

TempContactList::UpdateResult TempContactList::SaveCopy(ExcelBook& xls, int row, int status,
                                                        const QString& remark) {
    const QString copy = CopyPathFor(path_);
    const QString name = QFileInfo(copy).fileName();
    if (!office_.isEmpty()) {
        // Converted beside the copy first: a conversion that fails leaves no file behind.
        QTemporaryDir scratch(QFileInfo(copy).absolutePath() +
                              QStringLiteral("/.tamberlink-XXXXXX"));
        const QString converted = scratch.filePath(name);
        QString error;
        XlsxBook book;
        if (scratch.isValid() &&
            OfficeConverter(office_, officeProfile_).Convert(path_, converted, &error) &&
            book.load(converted) && book.getSheet(0) != nullptr &&
            (status == 0 || book.getSheet(0)->writeNum(row, kStatusColumn, status)) &&
            (remark.isEmpty() || book.getSheet(0)->writeStr(row, kRemarkColumn, remark)) &&
            book.save(copy)) {
            path_ = copy;
            RememberFile(copy);
            return Result(Outcome::SavedToCopy, Notice::Copied, name);
        }
        qCWarning(lcList).noquote()
            << "the copy of" << path_
            << "is made without LibreOffice:" << (error.isEmpty() ? book.errorText() : error);
    }
    if (!xls.save(copy)) {
        return Result(Outcome::SaveFailed, Notice::SaveFailed);
    }
    path_ = copy;
    RememberFile(copy);
    return Result(Outcome::SavedToCopy, Notice::CopiedPlainly, name);
}

bool TempContactList::ShowStatus(int row, int status) {
    const int index = IndexOfRow(row);
    if (index < 0 || status <= 0 || status >= TempContact::kStatusCount) {
        return false;
    }
    items_[std::size_t(index)].ShowStatus(status, {});
    return true;
}

bool TempContactList::ShowCells(int row, int status, const QString& remark) {
    const int index = IndexOfRow(row);
    if (index < 0) {
        return false;
    }
    TempContact& item = items_[std::size_t(index)];
    item = TempContact::FromWorkbook(row, status, item.name, item.number, remark);
    return true;
}

} // namespace tamberlink
