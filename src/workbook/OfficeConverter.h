#pragma once

#include <QString>

namespace tamberlink {

// Converts an .xls workbook to .xlsx with LibreOffice, when it is installed, so that the copy
// keeps everything the workbook holds: sheets, styles, merged cells, formulas. It runs as a
// program of its own (soffice --headless), with a profile of its own so that a LibreOffice
// the user has open neither takes the job nor is disturbed, within a time limit.
class OfficeConverter {
public:
    // A first conversion starts LibreOffice from nothing, which takes its time on a slow machine.
    static constexpr int kTimeoutMs = 120000;

    // LibreOffice's "soffice" on the PATH; empty when it is not installed.
    static QString FindOffice();

    // `office` is the program to run; `profile` a folder it may keep its settings in.
    OfficeConverter(QString office, QString profile);

    // Writes `xls` converted as the .xlsx file `target` (through a temporary folder beside
    // it, so that a failed conversion leaves nothing). False, with `error` set, when the
    // program is missing, fails or takes too long.
    bool Convert(const QString& xls, const QString& target, QString* error) const;

private:
    QString office_;
    QString profile_;
};

} // namespace tamberlink
