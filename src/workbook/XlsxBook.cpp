#include "workbook/XlsxBook.h"

#include "util/AtomicFile.h"
#include "workbook/XlsxText.h"

#include <QFile>
#include <QUrl>

#include <pugixml.hpp>

namespace tamberlink {

using xlsx::Child;
using xlsx::LocalName;

namespace {

bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// The folder of a part ("xl/" for "xl/workbook.xml").
std::string FolderOf(const std::string& part) {
    const std::size_t slash = part.rfind('/');
    return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

// "xl/_rels/workbook.xml.rels" for "xl/workbook.xml".
std::string RelationshipsOf(const std::string& part) {
    const std::size_t slash = part.rfind('/');
    const std::size_t name = slash == std::string::npos ? 0 : slash + 1;
    return part.substr(0, name) + "_rels/" + part.substr(name) + ".rels";
}

// A relationship's target as a part name: relative to `folder` unless it starts with '/',
// percent-escapes decoded, "." and ".." resolved. Empty when it climbs out of the package.
std::string ResolveTarget(const std::string& folder, std::string_view target) {
    const std::string decoded =
        QUrl::fromPercentEncoding(QByteArray(target.data(), qsizetype(target.size())))
            .toStdString();
    std::string joined =
        !decoded.empty() && decoded.front() == '/' ? decoded.substr(1) : folder + decoded;
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= joined.size()) {
        std::size_t end = joined.find('/', start);
        if (end == std::string::npos) {
            end = joined.size();
        }
        const std::string piece = joined.substr(start, end - start);
        start = end + 1;
        if (piece.empty() || piece == ".") {
            continue;
        }
        if (piece == "..") {
            if (parts.empty()) {
                return {};
            }
            parts.pop_back();
            continue;
        }
        parts.push_back(piece);
    }
    std::string resolved;
    for (const std::string& piece : parts) {
        resolved += resolved.empty() ? piece : '/' + piece;
    }
    return resolved;
}

struct Relationship {
    std::string id;
    std::string type;
    std::string target;
};

std::vector<Relationship> ParseRelationships(const std::string& xml, const std::string& folder) {
    std::vector<Relationship> relationships;
    pugi::xml_document document;
    if (!document.load_buffer(xml.data(), xml.size())) {
        return relationships;
    }
    for (pugi::xml_node node : document.document_element().children()) {
        if (LocalName(node) != "Relationship" ||
            std::string_view(node.attribute("TargetMode").value()) == "External") {
            continue;
        }
        relationships.push_back(
            Relationship{node.attribute("Id").value(), node.attribute("Type").value(),
                         ResolveTarget(folder, node.attribute("Target").value())});
    }
    return relationships;
}

// The relationship id of a <sheet>: its "r:id" attribute, whatever the prefix is called.
std::string SheetRelationshipId(const pugi::xml_node& sheet) {
    for (pugi::xml_attribute attribute : sheet.attributes()) {
        const std::string_view name = attribute.name();
        if (name.size() > 3 && EndsWith(name, ":id")) {
            return attribute.value();
        }
    }
    return {};
}

} // namespace

void XlsxBook::release() {
    sheet_.Clear();
    sharedStrings_.clear();
    sharedStrings_.shrink_to_fit();
    package_.Close();
    sheetPart_.clear();
    inflated_ = 0;
    hasSheet_ = false;
}

bool XlsxBook::load(const QString& path) {
    release();
    ClearError();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return Fail(Error::CannotRead,
                    QStringLiteral("cannot open %1: %2").arg(path, file.errorString()));
    }
    if (file.size() > qint64(kMaxPackageBytes)) {
        return Fail(Error::CannotRead, QStringLiteral("%1 is too large to read").arg(path));
    }
    const QByteArray bytes = file.readAll();
    if (bytes.size() != file.size()) {
        return Fail(Error::CannotRead,
                    QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    }
    return LoadBytes(bytes.toStdString());
}

bool XlsxBook::LoadBytes(std::string bytes) {
    release();
    ClearError();
    if (bytes.size() > kMaxPackageBytes) {
        return Fail(Error::CannotRead, QStringLiteral("the package is too large to read"));
    }
    QString error;
    if (bytes.size() < 4 || bytes.compare(0, 2, "PK") != 0 ||
        !package_.Open(std::move(bytes), &error)) {
        release();
        return Fail(Error::NotAWorkbook, QStringLiteral("not a zip package: %1").arg(error));
    }
    std::string sheetPart;
    std::string sharedStringsPart;
    bool isWorksheet = false;
    if (!FindFirstSheet(sheetPart, sharedStringsPart, isWorksheet)) {
        release();
        return false;
    }
    if (sheetPart.empty() || !isWorksheet) {
        return true; // a workbook without a worksheet to show
    }
    if (!sharedStringsPart.empty() && !ReadSharedStrings(sharedStringsPart)) {
        release();
        return false;
    }
    std::string xml;
    if (!ReadPart(sheetPart, xml, true)) {
        release();
        return false;
    }
    if (!sheet_.Parse(std::move(xml), &sharedStrings_, &error)) {
        release();
        return Fail(Error::Malformed, error);
    }
    sheetPart_ = sheetPart;
    hasSheet_ = true;
    return true;
}

bool XlsxBook::ReadPart(const std::string& name, std::string& out, bool required) {
    const std::size_t budget = kMaxInflatedBytes - inflated_;
    switch (package_.Read(name, out, std::min(kMaxPartBytes, budget))) {
    case ZipPackage::ReadResult::Ok:
        inflated_ += out.size();
        return true;
    case ZipPackage::ReadResult::Missing:
        if (!required) {
            return false;
        }
        return Fail(Error::Malformed,
                    QStringLiteral("the package has no part %1").arg(QString::fromStdString(name)));
    case ZipPackage::ReadResult::TooLarge:
        return Fail(
            Error::CannotRead,
            QStringLiteral("the part %1 is too large to read").arg(QString::fromStdString(name)));
    case ZipPackage::ReadResult::Corrupt:
        break;
    }
    return Fail(Error::Malformed,
                QStringLiteral("the part %1 is damaged").arg(QString::fromStdString(name)));
}

bool XlsxBook::FindFirstSheet(std::string& sheetPart, std::string& sharedStringsPart,
                              bool& isWorksheet) {
    // The package's relationships name the workbook part; old writers all use xl/workbook.xml.
    std::string workbookPart = "xl/workbook.xml";
    std::string xml;
    if (ReadPart("_rels/.rels", xml, false)) {
        for (const Relationship& r : ParseRelationships(xml, {})) {
            if (EndsWith(r.type, "/officeDocument") && !r.target.empty()) {
                workbookPart = r.target;
                break;
            }
        }
    } else if (error() != Error::None) {
        return false;
    }
    if (!package_.Has(workbookPart)) {
        return Fail(Error::NotAWorkbook, QStringLiteral("the package holds no workbook"));
    }
    if (!ReadPart(workbookPart, xml, true)) {
        return false;
    }
    pugi::xml_document workbook;
    const pugi::xml_parse_result parsed = workbook.load_buffer(xml.data(), xml.size());
    if (!parsed) {
        return Fail(
            Error::Malformed,
            QStringLiteral("workbook XML: %1").arg(QString::fromUtf8(parsed.description())));
    }
    const pugi::xml_node sheet = Child(Child(workbook.document_element(), "sheets"), "sheet");
    if (!sheet) {
        return true;
    }
    const std::string id = SheetRelationshipId(sheet);
    if (!ReadPart(RelationshipsOf(workbookPart), xml, true)) {
        return false;
    }
    for (const Relationship& r : ParseRelationships(xml, FolderOf(workbookPart))) {
        if (r.id == id && !id.empty()) {
            sheetPart = r.target;
            isWorksheet = EndsWith(r.type, "/worksheet");
        } else if (EndsWith(r.type, "/sharedStrings")) {
            sharedStringsPart = r.target;
        }
    }
    if (sheetPart.empty()) {
        return Fail(Error::Malformed, QStringLiteral("the first sheet's part is not named"));
    }
    return true;
}

bool XlsxBook::ReadSharedStrings(const std::string& part) {
    std::string xml;
    if (!ReadPart(part, xml, true)) {
        return false;
    }
    pugi::xml_document document;
    const pugi::xml_parse_result parsed = document.load_buffer_inplace(
        xml.data(), xml.size(), pugi::parse_default | pugi::parse_ws_pcdata_single);
    if (!parsed) {
        return Fail(
            Error::Malformed,
            QStringLiteral("shared strings XML: %1").arg(QString::fromUtf8(parsed.description())));
    }
    for (pugi::xml_node item : document.document_element().children()) {
        if (item.type() == pugi::node_element && LocalName(item) == "si") {
            sharedStrings_.push_back(xlsx::StringItemText(item));
        }
    }
    return true;
}

ExcelSheet* XlsxBook::getSheet(int index) {
    return index == 0 && hasSheet_ ? &sheet_ : nullptr;
}

bool XlsxBook::SaveBytes(std::string& bytes) {
    ClearError();
    if (!hasSheet_) {
        return Fail(Error::Unsupported, QStringLiteral("no worksheet was loaded"));
    }
    QString error;
    if (!sheet_.Modified()) {
        bytes = package_.Bytes();
    } else if (!package_.WithReplaced(sheetPart_, sheet_.Xml(), bytes, &error)) {
        return Fail(Error::WriteFailed, QStringLiteral("cannot build the package: %1").arg(error));
    }
    return true;
}

bool XlsxBook::save(const QString& path) {
    std::string bytes;
    return CheckWritable(path) && SaveBytes(bytes) && WriteFile(path, bytes);
}

} // namespace tamberlink
