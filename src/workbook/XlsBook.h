#pragma once

#include "workbook/ExcelBook.h"
#include "workbook/ValueSheet.h"

namespace tamberlink {

// An .xls (BIFF) workbook: every sheet's values (dates with their kind of format) and merged
// ranges are copied into memory. The reading runs in a helper program
// (tamberlink-xls-reader), so that a workbook that crashes or stalls it fails its own load
// and nothing else. There is no way to write BIFF back, so save only writes .xlsx paths, as
// a new package of those sheets (the .xls itself is never written); fonts, fills, borders
// and formulas are not kept.
class XlsBook : public ExcelBook {
public:
    static constexpr const char* kReaderName = "tamberlink-xls-reader";
    static constexpr int kReadTimeoutMs = 30000;

    // Reads through the reader installed with the program.
    XlsBook();
    // Reads through `reader`, which takes the workbook's path and writes a sheet stream,
    // and gives it `timeoutMs` for each load.
    XlsBook(QString reader, int timeoutMs);

    bool load(const QString& path) override;
    bool save(const QString& path) override;
    ExcelSheet* getSheet(int index) override;
    void release() override;

    QString SheetName() const { return sheets_.empty() ? QString() : sheets_.front().name; }
    const std::vector<NamedSheet>& Sheets() const { return sheets_; }

private:
    QString reader_;
    int timeoutMs_;
    std::vector<NamedSheet> sheets_;
};

} // namespace tamberlink
