#pragma once

#include "util/ExcelBook.h"
#include "util/ValueSheet.h"

namespace tamberlink {

// An .xls (BIFF) workbook read with FreeXL: the first sheet's values are copied into memory.
// There is no way to write BIFF back, so save only writes .xlsx paths, as a new package of
// those values (the .xls itself is never written).
class XlsBook : public ExcelBook {
public:
    bool load(const QString& path) override;
    bool save(const QString& path) override;
    ExcelSheet* getSheet(int index) override;
    void release() override;

    const QString& SheetName() const { return sheetName_; }

private:
    ValueSheet sheet_;
    QString sheetName_;
    bool hasSheet_ = false;
};

} // namespace tamberlink
