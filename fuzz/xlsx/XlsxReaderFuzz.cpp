// Feeds arbitrary packages to the .xlsx reader. An input starting with 'P' is taken as the
// package itself; any other input is split at its first NUL into a worksheet's XML and a
// shared-strings part, wrapped in an otherwise valid package, so that the XML readers see
// mostly well-formed zips. Traps when a read breaks the sheet's own bounds or when a write
// does not read back after a save.
#include "workbook/XlsxBook.h"

#include <zlib.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace tamberlink;

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

void PutLittleEndian(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

// A zip of stored members. Deflating them, as the program's own writer does, would cost a
// deflate stream's 300 KB set-up per member and make this target twenty times slower; the
// reader inflates the members its saves deflate.
std::string StoredZip(const std::vector<std::pair<std::string, std::string>>& members) {
    std::string local;
    std::string central;
    for (const auto& [name, content] : members) {
        const auto crc = static_cast<std::uint32_t>(crc32(
            0, reinterpret_cast<const Bytef*>(content.data()), static_cast<uInt>(content.size())));
        const auto offset = static_cast<std::uint32_t>(local.size());
        const auto size = static_cast<std::uint32_t>(content.size());
        const auto nameSize = static_cast<std::uint32_t>(name.size());
        PutLittleEndian(local, 0x04034b50, 4);
        PutLittleEndian(local, 20, 2);   // version needed
        PutLittleEndian(local, 0, 2);    // flags
        PutLittleEndian(local, 0, 2);    // stored
        PutLittleEndian(local, 0, 2);    // time
        PutLittleEndian(local, 0x21, 2); // 1980-01-01
        PutLittleEndian(local, crc, 4);
        PutLittleEndian(local, size, 4);
        PutLittleEndian(local, size, 4);
        PutLittleEndian(local, nameSize, 2);
        PutLittleEndian(local, 0, 2); // extra field
        local += name;
        local += content;
        PutLittleEndian(central, 0x02014b50, 4);
        PutLittleEndian(central, 20, 2); // made by
        PutLittleEndian(central, 20, 2); // version needed
        PutLittleEndian(central, 0, 2);
        PutLittleEndian(central, 0, 2);
        PutLittleEndian(central, 0, 2);
        PutLittleEndian(central, 0x21, 2);
        PutLittleEndian(central, crc, 4);
        PutLittleEndian(central, size, 4);
        PutLittleEndian(central, size, 4);
        PutLittleEndian(central, nameSize, 2);
        PutLittleEndian(central, 0, 2); // extra field
        PutLittleEndian(central, 0, 2); // comment
        PutLittleEndian(central, 0, 2); // disk
        PutLittleEndian(central, 0, 2); // internal attributes
        PutLittleEndian(central, 0, 4); // external attributes
        PutLittleEndian(central, offset, 4);
        central += name;
    }
    std::string zip = local + central;
    const auto count = static_cast<std::uint32_t>(members.size());
    PutLittleEndian(zip, 0x06054b50, 4);
    PutLittleEndian(zip, 0, 2);
    PutLittleEndian(zip, 0, 2);
    PutLittleEndian(zip, count, 2);
    PutLittleEndian(zip, count, 2);
    PutLittleEndian(zip, static_cast<std::uint32_t>(central.size()), 4);
    PutLittleEndian(zip, static_cast<std::uint32_t>(local.size()), 4);
    PutLittleEndian(zip, 0, 2); // comment
    return zip;
}

std::string Wrap(const std::string& sheet, const std::string& strings) {
    const std::string rels = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    return StoredZip(
        {{"_rels/.rels", "<Relationships><Relationship Id=\"r\" Type=\"" + rels +
                             "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
         {"xl/workbook.xml", "<workbook xmlns:r=\"" + rels +
                                 "\"><sheets><sheet name=\"A\" sheetId=\"1\" r:id=\"rId1\"/>"
                                 "</sheets></workbook>"},
         {"xl/_rels/workbook.xml.rels",
          "<Relationships><Relationship Id=\"rId1\" Type=\"" + rels +
              "/worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" Type=\"" +
              rels + "/sharedStrings\" Target=\"sharedStrings.xml\"/></Relationships>"},
         {"xl/worksheets/sheet1.xml", sheet},
         {"xl/sharedStrings.xml", strings}});
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::string package = input;
    if (input.empty() || input[0] != 'P') {
        const std::size_t split = input.find('\0');
        package = split == std::string::npos
                      ? Wrap(input, "<sst/>")
                      : Wrap(input.substr(0, split), input.substr(split + 1));
    }
    XlsxBook book;
    if (!book.LoadBytes(package)) {
        Check(book.error() != ExcelBook::Error::None && book.getSheet(0) == nullptr);
        return 0;
    }
    ExcelSheet* sheet = book.getSheet(0);
    if (sheet == nullptr) {
        return 0;
    }
    const int rows = sheet->lastRow();
    Check(rows >= 0 && rows <= kMaxSheetRows);
    for (int row = 0; row < rows && row < 64; ++row) {
        for (int col = 0; col < 8; ++col) {
            const CellType type = sheet->cellType(row, col);
            const QString text = sheet->readStr(row, col);
            const double number = sheet->readNum(row, col);
            Check(type == CellType::String || text.isEmpty());
            Check(type == CellType::Number || type == CellType::Boolean || number == 0);
        }
    }
    // The list writes a status and a remark into a listed row; both must survive a save.
    const int row = rows > 0 ? rows - 1 : 0;
    const bool wroteNumber = sheet->writeNum(row, 99, 3);
    const bool wroteText = sheet->writeStr(row, 100, QStringLiteral(" 备注\r_x0041_ "));
    std::string saved;
    if (!book.SaveBytes(saved)) {
        return 0;
    }
    XlsxBook again;
    Check(again.LoadBytes(saved));
    ExcelSheet* reread = again.getSheet(0);
    Check(reread != nullptr && reread->lastRow() == sheet->lastRow());
    Check(!wroteNumber || reread->readNum(row, 99) == 3);
    Check(!wroteText || reread->readStr(row, 100) == QStringLiteral(" 备注\r_x0041_ "));
    return 0;
}
