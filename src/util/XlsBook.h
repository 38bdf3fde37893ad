#pragma once

#include "util/ExcelBook.h"
#include "util/ValueSheet.h"

namespace tamberlink {

// An .xls (BIFF) workbook: the first sheet's values are copied into memory. The reading runs
// in a helper program (tamberlink-xls-reader), so that a workbook that crashes or stalls it
// fails its own load and nothing else. There is no way to write BIFF back, so save only
// writes .xlsx paths, as a new package of those values (the .xls itself is never written).
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

    const QString& SheetName() const { return sheetName_; }

private:
    QString reader_;
    int timeoutMs_;
    ValueSheet sheet_;
    QString sheetName_;
    bool hasSheet_ = false;
};

} // namespace tamberlink
