#include "util/XlsxWriter.h"

#include "util/CellReference.h"
#include "util/XlsxText.h"
#include "util/ZipPackage.h"

#include <charconv>

namespace tamberlink {

namespace {

constexpr const char* kDeclaration =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
constexpr const char* kMainNamespace = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr const char* kRelationshipNamespace =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

std::string Escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// Sheet names may not hold []:*?/\ and are at most 31 characters long.
QString ValidSheetName(const QString& name) {
    QString valid;
    for (const QChar c : name) {
        if (QStringLiteral("[]:*?/\\").contains(c) || c.unicode() < 0x20) {
            continue;
        }
        valid += c;
    }
    valid = valid.left(31).trimmed();
    return valid.isEmpty() ? QStringLiteral("Sheet1") : valid;
}

std::string SheetXml(const ValueSheet& sheet) {
    std::string xml = kDeclaration;
    xml += "<worksheet xmlns=\"";
    xml += kMainNamespace;
    xml += "\"><sheetData>";
    for (const ValueSheet::Row& row : sheet.Rows()) {
        xml += "<row r=\"" + std::to_string(row.index + 1) + "\">";
        for (const ValueSheet::Cell& cell : row.cells) {
            const std::string ref = CellReference::Name(row.index, cell.col);
            if (cell.type == CellType::Number) {
                char number[32];
                const auto result = std::to_chars(number, number + sizeof number, cell.number);
                xml += "<c r=\"" + ref + "\"><v>" + std::string(number, result.ptr) + "</v></c>";
            } else if (cell.type == CellType::String) {
                xml += "<c r=\"" + ref + "\" t=\"inlineStr\"><is><t xml:space=\"preserve\">" +
                       Escaped(xlsx::EncodeText(cell.text)) + "</t></is></c>";
            }
        }
        xml += "</row>";
    }
    xml += "</sheetData></worksheet>";
    return xml;
}

} // namespace

bool XlsxWriter::Build(const ValueSheet& sheet, const QString& sheetName, std::string& bytes,
                       QString* error) {
    const std::string name = Escaped(ValidSheetName(sheetName).toStdString());
    const std::string pkgRel = "http://schemas.openxmlformats.org/package/2006/relationships";
    const std::string docRel =
        "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    const std::string types = "application/vnd.openxmlformats-officedocument.spreadsheetml.";
    std::vector<std::pair<std::string, std::string>> members;
    members.emplace_back(
        "[Content_Types].xml",
        std::string(kDeclaration) +
            "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
            "<Default Extension=\"rels\" "
            "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
            "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
            "<Override PartName=\"/xl/workbook.xml\" ContentType=\"" +
            types + "sheet.main+xml\"/>" +
            "<Override PartName=\"/xl/worksheets/sheet1.xml\" ContentType=\"" + types +
            "worksheet+xml\"/>" + "<Override PartName=\"/xl/styles.xml\" ContentType=\"" + types +
            "styles+xml\"/></Types>");
    members.emplace_back("_rels/.rels", std::string(kDeclaration) + "<Relationships xmlns=\"" +
                                            pkgRel + "\"><Relationship Id=\"rId1\" Type=\"" +
                                            docRel +
                                            "officeDocument\" Target=\"xl/workbook.xml\"/>"
                                            "</Relationships>");
    members.emplace_back("xl/workbook.xml",
                         std::string(kDeclaration) + "<workbook xmlns=\"" + kMainNamespace +
                             "\" xmlns:r=\"" + kRelationshipNamespace +
                             "\"><sheets><sheet name=\"" + name +
                             "\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>");
    members.emplace_back("xl/_rels/workbook.xml.rels",
                         std::string(kDeclaration) + "<Relationships xmlns=\"" + pkgRel +
                             "\"><Relationship Id=\"rId1\" Type=\"" + docRel +
                             "worksheet\" Target=\"worksheets/sheet1.xml\"/>"
                             "<Relationship Id=\"rId2\" Type=\"" +
                             docRel + "styles\" Target=\"styles.xml\"/></Relationships>");
    members.emplace_back(
        "xl/styles.xml",
        std::string(kDeclaration) + "<styleSheet xmlns=\"" + kMainNamespace +
            "\"><fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font></fonts>"
            "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
            "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
            "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border>"
            "</borders><cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" "
            "borderId=\"0\"/></cellStyleXfs><cellXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" "
            "fillId=\"0\" borderId=\"0\" xfId=\"0\"/></cellXfs></styleSheet>");
    members.emplace_back("xl/worksheets/sheet1.xml", SheetXml(sheet));
    return ZipPackage::Build(members, bytes, error);
}

} // namespace tamberlink
