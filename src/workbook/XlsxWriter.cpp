#include "workbook/XlsxWriter.h"

#include "util/TextCodec.h"
#include "workbook/CellReference.h"
#include "workbook/XlsxText.h"
#include "workbook/ZipPackage.h"

#include <algorithm>
#include <charconv>

namespace tamberlink {

namespace {

constexpr const char* kDeclaration =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
constexpr const char* kMainNamespace = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr const char* kRelationshipNamespace =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

std::string XmlEscaped(std::string_view text) {
    return Escaped(text, {{'&', "&amp;"}, {'<', "&lt;"}, {'>', "&gt;"}, {'"', "&quot;"}});
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

// The style index of each CellFormat: its position in cellXfs below.
int StyleOf(CellFormat format) {
    return int(format);
}

std::string SheetXml(const NamedSheet& sheet) {
    std::string xml = kDeclaration;
    xml += "<worksheet xmlns=\"";
    xml += kMainNamespace;
    xml += "\"><sheetData>";
    for (const ValueSheet::Row& row : sheet.cells.Rows()) {
        xml += "<row r=\"" + std::to_string(row.index + 1) + "\">";
        for (const ValueSheet::Cell& cell : row.cells) {
            const std::string ref = CellReference::Name(row.index, cell.col);
            if (cell.type == CellType::Number) {
                char number[32];
                const auto result = std::to_chars(number, number + sizeof number, cell.number);
                const std::string style =
                    cell.format == CellFormat::General
                        ? std::string()
                        : " s=\"" + std::to_string(StyleOf(cell.format)) + "\"";
                xml += "<c r=\"" + ref + "\"" + style + "><v>" + std::string(number, result.ptr) +
                       "</v></c>";
            } else if (cell.type == CellType::String) {
                xml += "<c r=\"" + ref + "\" t=\"inlineStr\"><is><t xml:space=\"preserve\">" +
                       XmlEscaped(xlsx::EncodeText(cell.text)) + "</t></is></c>";
            }
        }
        xml += "</row>";
    }
    xml += "</sheetData>";
    if (!sheet.merges.empty()) {
        xml += "<mergeCells count=\"" + std::to_string(sheet.merges.size()) + "\">";
        for (const MergedRange& range : sheet.merges) {
            xml += "<mergeCell ref=\"" + CellReference::Name(range.firstRow, range.firstCol) + ":" +
                   CellReference::Name(range.lastRow, range.lastCol) + "\"/>";
        }
        xml += "</mergeCells>";
    }
    xml += "</worksheet>";
    return xml;
}

// Every sheet's name, made valid and unique (names compare without regard to case).
std::vector<QString> SheetNames(const std::vector<NamedSheet>& sheets) {
    std::vector<QString> names;
    for (const NamedSheet& sheet : sheets) {
        const QString base = ValidSheetName(sheet.name);
        QString name = base;
        for (int n = 2; std::any_of(names.begin(), names.end(),
                                    [&](const QString& taken) {
                                        return taken.compare(name, Qt::CaseInsensitive) == 0;
                                    });
             ++n) {
            const QString suffix = QStringLiteral(" (%1)").arg(n);
            name = base.left(31 - suffix.size()) + suffix;
        }
        names.push_back(name);
    }
    return names;
}

// General numbers, then dates, dates with times and times, as CellFormat numbers them.
constexpr const char* kStyles =
    "<numFmts count=\"3\"><numFmt numFmtId=\"164\" formatCode=\"yyyy-mm-dd\"/>"
    "<numFmt numFmtId=\"165\" formatCode=\"yyyy-mm-dd hh:mm:ss\"/>"
    "<numFmt numFmtId=\"166\" formatCode=\"hh:mm:ss\"/></numFmts>"
    "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font></fonts>"
    "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
    "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
    "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border>"
    "</borders><cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" "
    "borderId=\"0\"/></cellStyleXfs><cellXfs count=\"4\">"
    "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
    "<xf numFmtId=\"164\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" "
    "applyNumberFormat=\"1\"/>"
    "<xf numFmtId=\"165\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" "
    "applyNumberFormat=\"1\"/>"
    "<xf numFmtId=\"166\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" "
    "applyNumberFormat=\"1\"/></cellXfs>";

} // namespace

bool XlsxWriter::Build(const ValueSheet& sheet, const QString& sheetName, std::string& bytes,
                       QString* error) {
    return Build({NamedSheet{sheetName, sheet, {}}}, bytes, error);
}

bool XlsxWriter::Build(const std::vector<NamedSheet>& sheets, std::string& bytes, QString* error) {
    if (sheets.empty()) {
        if (error != nullptr) {
            *error = QStringLiteral("a workbook needs a sheet");
        }
        return false;
    }
    const std::string pkgRel = "http://schemas.openxmlformats.org/package/2006/relationships";
    const std::string docRel =
        "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    const std::string types = "application/vnd.openxmlformats-officedocument.spreadsheetml.";
    const std::vector<QString> names = SheetNames(sheets);
    std::string sheetTypes;
    std::string sheetList;
    std::string sheetRels;
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        sheetTypes += "<Override PartName=\"/xl/worksheets/sheet" + n + ".xml\" ContentType=\"" +
                      types + "worksheet+xml\"/>";
        sheetList += "<sheet name=\"" + XmlEscaped(names[i].toStdString()) + "\" sheetId=\"" + n +
                     "\" r:id=\"rId" + n + "\"/>";
        sheetRels += "<Relationship Id=\"rId" + n + "\" Type=\"" + docRel +
                     "worksheet\" Target=\"worksheets/sheet" + n + ".xml\"/>";
    }
    const std::string stylesId = "rId" + std::to_string(sheets.size() + 1);
    std::vector<std::pair<std::string, std::string>> members;
    members.emplace_back(
        "[Content_Types].xml",
        std::string(kDeclaration) +
            "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
            "<Default Extension=\"rels\" "
            "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
            "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
            "<Override PartName=\"/xl/workbook.xml\" ContentType=\"" +
            types + "sheet.main+xml\"/>" + sheetTypes +
            "<Override PartName=\"/xl/styles.xml\" ContentType=\"" + types +
            "styles+xml\"/></Types>");
    members.emplace_back("_rels/.rels", std::string(kDeclaration) + "<Relationships xmlns=\"" +
                                            pkgRel + "\"><Relationship Id=\"rId1\" Type=\"" +
                                            docRel +
                                            "officeDocument\" Target=\"xl/workbook.xml\"/>"
                                            "</Relationships>");
    members.emplace_back("xl/workbook.xml", std::string(kDeclaration) + "<workbook xmlns=\"" +
                                                kMainNamespace + "\" xmlns:r=\"" +
                                                kRelationshipNamespace + "\"><sheets>" + sheetList +
                                                "</sheets></workbook>");
    members.emplace_back("xl/_rels/workbook.xml.rels",
                         std::string(kDeclaration) + "<Relationships xmlns=\"" + pkgRel + "\">" +
                             sheetRels + "<Relationship Id=\"" + stylesId + "\" Type=\"" + docRel +
                             "styles\" Target=\"styles.xml\"/></Relationships>");
    members.emplace_back("xl/styles.xml", std::string(kDeclaration) + "<styleSheet xmlns=\"" +
                                              kMainNamespace + "\">" + kStyles + "</styleSheet>");
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        members.emplace_back("xl/worksheets/sheet" + std::to_string(i + 1) + ".xml",
                             SheetXml(sheets[i]));
    }
    return ZipPackage::Build(members, bytes, error);
}

} // namespace tamberlink
