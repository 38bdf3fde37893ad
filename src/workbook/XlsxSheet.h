#pragma once

#include "workbook/ExcelBook.h"

#include <pugixml.hpp>

#include <string>
#include <vector>

namespace tamberlink {

// A worksheet part of an .xlsx package, parsed once. Reads go to the XML itself; writes
// change only the cells written (a new cell or row is inserted in order, a cell's own style
// and its row's attributes are kept), so the part written back differs from the part read
// in those cells alone.
class XlsxSheet : public ExcelSheet {
public:
    // Parses `xml` (kept, since the document points into it) and checks every row and cell
    // reference. False, with `error`, for XML that is not a worksheet's.
    bool Parse(std::string xml, const std::vector<QString>* sharedStrings, QString* error);
    void Clear();
    // The part as XML text, with the writes made so far.
    std::string Xml() const;
    bool Modified() const { return modified_; }

    int lastRow() const override { return lastRow_; }
    CellType cellType(int row, int col) const override;
    QString readStr(int row, int col) const override;
    double readNum(int row, int col) const override;
    bool writeNum(int row, int col, double value) override;
    bool writeStr(int row, int col, const QString& text) override;

private:
    struct RowRef {
        int index;
        pugi::xml_node node;
    };

    bool IndexRows(QString* error);
    pugi::xml_node FindRow(int row) const;
    pugi::xml_node FindCell(int row, int col) const;
    // The cell, created in its place when missing; null when it must not be written.
    pugi::xml_node WritableCell(int row, int col);
    pugi::xml_node InsertRow(int row);
    pugi::xml_node InsertCell(pugi::xml_node rowNode, int row, int col);
    void ClearValue(pugi::xml_node cell);
    void CoverInDimension(int row, int col);
    std::string Qualified(const char* localName) const;

    std::string xml_;
    pugi::xml_document document_;
    pugi::xml_node sheetData_;
    std::string prefix_; // the namespace prefix of the part's elements, with its ':'
    std::string rowName_;
    std::string cellName_;
    const std::vector<QString>* sharedStrings_ = nullptr;
    std::vector<RowRef> rows_;
    mutable std::size_t cursor_ = 0; // where the last row was found
    int lastRow_ = 0;
    bool modified_ = false;
};

} // namespace tamberlink
