#pragma once

#include "workbook/ExcelBook.h"
#include "workbook/XlsxSheet.h"
#include "workbook/ZipPackage.h"

#include <string>
#include <vector>

namespace tamberlink {

// An .xlsx workbook: the package is read into memory, the first sheet (the first in the
// workbook's own order, found through its relationships) and the shared strings are parsed,
// and a save writes the package back with that sheet's part replaced and every other member
// copied byte for byte.
class XlsxBook : public ExcelBook {
public:
    // Bounds on what a package may make us read: the file, each part inflated, all parts.
    static constexpr std::size_t kMaxPackageBytes = 256u << 20;
    static constexpr std::size_t kMaxPartBytes = 256u << 20;
    static constexpr std::size_t kMaxInflatedBytes = 512u << 20;

    bool load(const QString& path) override;
    bool save(const QString& path) override;
    ExcelSheet* getSheet(int index) override;
    void release() override;

    // Loads from bytes already in memory (what load does after reading the file).
    bool LoadBytes(std::string bytes);
    // The package as save writes it.
    bool SaveBytes(std::string& bytes);
    // The package's name of the first sheet's part ("xl/worksheets/sheet1.xml"), once loaded.
    const std::string& SheetPart() const { return sheetPart_; }

private:
    bool ReadPart(const std::string& name, std::string& out, bool required);
    bool FindFirstSheet(std::string& sheetPart, std::string& sharedStringsPart, bool& isWorksheet);
    bool ReadSharedStrings(const std::string& part);

    ZipPackage package_;
    std::vector<QString> sharedStrings_;
    XlsxSheet sheet_;
    std::string sheetPart_;
    std::size_t inflated_ = 0;
    bool hasSheet_ = false;
};

} // namespace tamberlink
