#include "workbook/XlsxSheet.h"

#include "workbook/CellReference.h"
#include "workbook/XlsxText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <strings.h>

namespace tamberlink {

using xlsx::Child;
using xlsx::LocalName;

namespace {

constexpr unsigned kParseFlags = pugi::parse_default | pugi::parse_declaration |
                                 pugi::parse_comments | pugi::parse_pi | pugi::parse_doctype |
                                 pugi::parse_ws_pcdata_single;

struct StringWriter : pugi::xml_writer {
    std::string text;
    void write(const void* data, std::size_t size) override {
        text.append(static_cast<const char*>(data), size);
    }
};

bool Is(const pugi::xml_node& node, const std::string& qualifiedName) {
    return std::strcmp(node.name(), qualifiedName.c_str()) == 0;
}

bool IsElement(const pugi::xml_node& node, std::string_view localName) {
    return node.type() == pugi::node_element && LocalName(node) == localName;
}

// The column of a cell element that follows a cell of column `previous` (-1 for the first).
bool CellColumn(const pugi::xml_node& cell, int previous, int& col) {
    const pugi::xml_attribute r = cell.attribute("r");
    if (!r) {
        col = previous + 1;
        return col < kMaxSheetColumns;
    }
    int row = 0;
    return CellReference::Parse(r.value(), row, col);
}

bool ParseNumber(std::string_view text, double& value) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

bool IsTrue(const char* text) {
    return std::strcmp(text, "1") == 0 || std::strcmp(text, "true") == 0;
}

// Extends a "first:last" column span hint of a row to take in column `col`.
void CoverInSpans(pugi::xml_node row, int col) {
    pugi::xml_attribute spans = row.attribute("spans");
    if (!spans) {
        return;
    }
    const std::string_view text = spans.value();
    const std::size_t colon = text.find(':');
    int first = 0;
    int last = 0;
    if (colon == std::string_view::npos || text.find(' ') != std::string_view::npos ||
        std::from_chars(text.data(), text.data() + colon, first).ptr != text.data() + colon ||
        std::from_chars(text.data() + colon + 1, text.data() + text.size(), last).ptr !=
            text.data() + text.size()) {
        return;
    }
    first = std::min(first, col + 1);
    last = std::max(last, col + 1);
    spans.set_value((std::to_string(first) + ':' + std::to_string(last)).c_str());
}

} // namespace

bool XlsxSheet::Parse(std::string xml, const std::vector<QString>* sharedStrings, QString* error) {
    Clear();
    xml_ = std::move(xml);
    sharedStrings_ = sharedStrings;
    const pugi::xml_parse_result parsed =
        document_.load_buffer_inplace(xml_.data(), xml_.size(), kParseFlags);
    if (!parsed) {
        *error = QStringLiteral("worksheet XML: %1 at offset %2")
                     .arg(QString::fromUtf8(parsed.description()))
                     .arg(parsed.offset);
        return false;
    }
    const pugi::xml_node root = document_.document_element();
    if (LocalName(root) != "worksheet") {
        *error = QStringLiteral("the part is not a worksheet");
        return false;
    }
    const char* colon = std::strchr(root.name(), ':');
    prefix_ = colon != nullptr ? std::string(root.name(), std::size_t(colon - root.name() + 1))
                               : std::string();
    rowName_ = Qualified("row");
    cellName_ = Qualified("c");
    sheetData_ = Child(root, "sheetData");
    if (!sheetData_) {
        *error = QStringLiteral("the worksheet has no sheetData");
        return false;
    }
    return IndexRows(error);
}

bool XlsxSheet::IndexRows(QString* error) {
    int previousRow = -1;
    for (pugi::xml_node row = sheetData_.first_child(); row; row = row.next_sibling()) {
        if (!Is(row, rowName_)) {
            continue;
        }
        int index = previousRow + 1;
        const pugi::xml_attribute r = row.attribute("r");
        if ((r && !CellReference::ParseRow(r.value(), index)) || index >= kMaxSheetRows ||
            index <= previousRow) {
            *error = QStringLiteral("bad or unordered row number \"%1\" after row %2")
                         .arg(QString::fromUtf8(r.value()))
                         .arg(previousRow + 1);
            return false;
        }
        int previousCol = -1;
        for (pugi::xml_node cell = row.first_child(); cell; cell = cell.next_sibling()) {
            if (!Is(cell, cellName_)) {
                continue;
            }
            int col = 0;
            if (!CellColumn(cell, previousCol, col) || col <= previousCol) {
                *error = QStringLiteral("bad or unordered cell reference \"%1\" in row %2")
                             .arg(QString::fromUtf8(cell.attribute("r").value()))
                             .arg(index + 1);
                return false;
            }
            previousCol = col;
        }
        if (previousCol >= 0) {
            lastRow_ = index + 1;
        }
        rows_.push_back(RowRef{index, row});
        previousRow = index;
    }
    return true;
}

void XlsxSheet::Clear() {
    document_.reset();
    sheetData_ = {};
    rows_.clear();
    cursor_ = 0;
    xml_.clear();
    xml_.shrink_to_fit();
    sharedStrings_ = nullptr;
    lastRow_ = 0;
    modified_ = false;
}

std::string XlsxSheet::Xml() const {
    pugi::xml_node declaration = document_.first_child();
    if (declaration.type() == pugi::node_declaration) {
        // The text is written as UTF-8 whatever the part was read in.
        pugi::xml_attribute encoding = declaration.attribute("encoding");
        if (encoding && strcasecmp(encoding.value(), "UTF-8") != 0) {
            encoding.set_value("UTF-8");
        }
    }
    StringWriter writer;
    document_.save(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    return std::move(writer.text);
}

pugi::xml_node XlsxSheet::FindRow(int row) const {
    // Readers go through a sheet row by row, asking for several cells of each.
    for (std::size_t at = cursor_; at < rows_.size() && at <= cursor_ + 1; ++at) {
        if (rows_[at].index == row) {
            cursor_ = at;
            return rows_[at].node;
        }
    }
    const auto it = std::lower_bound(rows_.begin(), rows_.end(), row,
                                     [](const RowRef& ref, int r) { return ref.index < r; });
    if (it == rows_.end() || it->index != row) {
        return {};
    }
    cursor_ = std::size_t(it - rows_.begin());
    return it->node;
}

pugi::xml_node XlsxSheet::FindCell(int row, int col) const {
    const pugi::xml_node rowNode = FindRow(row);
    int current = -1;
    for (pugi::xml_node cell = rowNode.first_child(); cell; cell = cell.next_sibling()) {
        if (!Is(cell, cellName_)) {
            continue;
        }
        if (!CellColumn(cell, current, current) || current > col) {
            break;
        }
        if (current == col) {
            return cell;
        }
    }
    return {};
}

CellType XlsxSheet::cellType(int row, int col) const {
    const pugi::xml_node cell = FindCell(row, col);
    if (!cell) {
        return CellType::Empty;
    }
    const std::string_view type = cell.attribute("t").value();
    const pugi::xml_node value = Child(cell, "v");
    const bool hasValue = value && *value.text().get() != '\0';
    if (type == "inlineStr") {
        return CellType::String;
    }
    if (type == "e") {
        return CellType::Error;
    }
    if (!hasValue) {
        return CellType::Blank;
    }
    if (type.empty() || type == "n") {
        double number = 0;
        return ParseNumber(value.text().get(), number) ? CellType::Number : CellType::Error;
    }
    if (type == "s") {
        const std::size_t index = std::size_t(value.text().as_ullong(~0ull));
        return sharedStrings_ != nullptr && index < sharedStrings_->size() ? CellType::String
                                                                           : CellType::Error;
    }
    if (type == "str" || type == "d") {
        return CellType::String;
    }
    if (type == "b") {
        return CellType::Boolean;
    }
    return CellType::Error;
}

QString XlsxSheet::readStr(int row, int col) const {
    if (cellType(row, col) != CellType::String) {
        return {};
    }
    const pugi::xml_node cell = FindCell(row, col);
    const std::string_view type = cell.attribute("t").value();
    if (type == "s") {
        return (*sharedStrings_)[std::size_t(Child(cell, "v").text().as_ullong())];
    }
    if (type == "inlineStr") {
        return xlsx::StringItemText(Child(cell, "is"));
    }
    return xlsx::DecodeText(Child(cell, "v").text().get());
}

double XlsxSheet::readNum(int row, int col) const {
    const CellType type = cellType(row, col);
    if (type != CellType::Number && type != CellType::Boolean) {
        return 0;
    }
    double number = 0;
    ParseNumber(Child(FindCell(row, col), "v").text().get(), number);
    if (type == CellType::Boolean) {
        return number != 0 ? 1 : 0;
    }
    return number;
}

std::string XlsxSheet::Qualified(const char* localName) const {
    return prefix_ + localName;
}

pugi::xml_node XlsxSheet::InsertRow(int row) {
    const auto it = std::lower_bound(rows_.begin(), rows_.end(), row,
                                     [](const RowRef& ref, int r) { return ref.index < r; });
    const std::string name = Qualified("row");
    // The row that follows has an explicit number (an implicit one would be row - 1 + 1),
    // so inserting before it renumbers nothing.
    pugi::xml_node node = it != rows_.end() ? sheetData_.insert_child_before(name.c_str(), it->node)
                                            : sheetData_.append_child(name.c_str());
    node.append_attribute("r").set_value(std::to_string(row + 1).c_str());
    rows_.insert(it, RowRef{row, node});
    cursor_ = 0;
    return node;
}

pugi::xml_node XlsxSheet::InsertCell(pugi::xml_node rowNode, int row, int col) {
    pugi::xml_node before;
    int current = -1;
    for (pugi::xml_node cell = rowNode.first_child(); cell; cell = cell.next_sibling()) {
        if (IsElement(cell, "extLst")) {
            before = cell;
            break;
        }
        if (IsElement(cell, "c") && CellColumn(cell, current, current) && current > col) {
            before = cell;
            break;
        }
    }
    const std::string name = Qualified("c");
    pugi::xml_node cell = before ? rowNode.insert_child_before(name.c_str(), before)
                                 : rowNode.append_child(name.c_str());
    cell.append_attribute("r").set_value(CellReference::Name(row, col).c_str());
    // A formatted row formats the cells typed into it.
    const pugi::xml_attribute rowStyle = rowNode.attribute("s");
    if (rowStyle && IsTrue(rowNode.attribute("customFormat").value())) {
        cell.append_attribute("s").set_value(rowStyle.value());
    }
    CoverInSpans(rowNode, col);
    CoverInDimension(row, col);
    return cell;
}

void XlsxSheet::CoverInDimension(int row, int col) {
    pugi::xml_attribute ref = Child(document_.document_element(), "dimension").attribute("ref");
    if (!ref) {
        return;
    }
    const std::string_view text = ref.value();
    const std::size_t colon = text.find(':');
    int firstRow = 0;
    int firstCol = 0;
    int lastRow = 0;
    int lastCol = 0;
    if (!CellReference::Parse(text.substr(0, colon), firstRow, firstCol)) {
        return;
    }
    if (colon == std::string_view::npos) {
        lastRow = firstRow;
        lastCol = firstCol;
    } else if (!CellReference::Parse(text.substr(colon + 1), lastRow, lastCol)) {
        return;
    }
    const std::string covered =
        CellReference::Name(std::min(firstRow, row), std::min(firstCol, col)) + ':' +
        CellReference::Name(std::max(lastRow, row), std::max(lastCol, col));
    ref.set_value(covered.c_str());
}

pugi::xml_node XlsxSheet::WritableCell(int row, int col) {
    if (row < 0 || row >= kMaxSheetRows || col < 0 || col >= kMaxSheetColumns) {
        return {};
    }
    pugi::xml_node rowNode = FindRow(row);
    if (!rowNode) {
        rowNode = InsertRow(row);
    }
    pugi::xml_node cell = FindCell(row, col);
    if (!cell) {
        cell = InsertCell(rowNode, row, col);
    }
    // Replacing a formula would leave the calculation chain (and any cells sharing the
    // formula) pointing at a cell without one, which Excel reports as a damaged file.
    if (Child(cell, "f")) {
        return {};
    }
    lastRow_ = std::max(lastRow_, row + 1);
    modified_ = true;
    return cell;
}

void XlsxSheet::ClearValue(pugi::xml_node cell) {
    for (const char* name : {"v", "is"}) {
        while (pugi::xml_node old = Child(cell, name)) {
            cell.remove_child(old);
        }
    }
    for (const char* name : {"t", "cm", "vm"}) {
        cell.remove_attribute(name);
    }
}

bool XlsxSheet::writeNum(int row, int col, double value) {
    if (!std::isfinite(value)) {
        return false;
    }
    pugi::xml_node cell = WritableCell(row, col);
    if (!cell) {
        return false;
    }
    ClearValue(cell);
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    *result.ptr = '\0';
    const std::string name = Qualified("v");
    const pugi::xml_node extensions = Child(cell, "extLst");
    pugi::xml_node v = extensions ? cell.insert_child_before(name.c_str(), extensions)
                                  : cell.append_child(name.c_str());
    v.append_child(pugi::node_pcdata).set_value(text);
    return true;
}

bool XlsxSheet::writeStr(int row, int col, const QString& text) {
    if (text.size() > kMaxCellText) {
        return false;
    }
    pugi::xml_node cell = WritableCell(row, col);
    if (!cell) {
        return false;
    }
    ClearValue(cell);
    cell.append_attribute("t").set_value("inlineStr");
    const std::string isName = Qualified("is");
    const std::string tName = Qualified("t");
    const pugi::xml_node extensions = Child(cell, "extLst");
    pugi::xml_node item = extensions ? cell.insert_child_before(isName.c_str(), extensions)
                                     : cell.append_child(isName.c_str());
    pugi::xml_node t = item.append_child(tName.c_str());
    if (!text.isEmpty() && (text.front().isSpace() || text.back().isSpace())) {
        t.append_attribute("xml:space").set_value("preserve");
    }
    t.append_child(pugi::node_pcdata).set_value(xlsx::EncodeText(text).c_str());
    return true;
}

} // namespace tamberlink
