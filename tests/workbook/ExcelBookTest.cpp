#include "workbook/ExcelBook.h"
#include "WorkbookTestSupport.h"
#include "WorkbookTool.h"
#include "workbook/XlsxBook.h"
#include "workbook/ZipPackage.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace tamberlink {
namespace {

using test::FileBytes;
using test::WorkbookTool;

const std::string kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const std::string kRels = "http://schemas.openxmlformats.org/package/2006/relationships";
const std::string kDocRels = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

std::string Worksheet(const std::string& sheetData, const std::string& before = {},
                      const std::string& after = {}) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<worksheet xmlns=\"" +
           kMain + "\" xmlns:r=\"" + kDocRels + "\">" + before + "<sheetData>" + sheetData +
           "</sheetData>" + after + "</worksheet>";
}

// A package as another program might write it: the sheets listed in `sheets` order, each
// <sheet> naming a relationship of the workbook, each relationship a part.
struct SheetEntry {
    std::string id;
    std::string target; // as the relationship names it
    std::string part;   // the member it resolves to
};
struct PackageSpec {
    std::vector<SheetEntry> sheets{{"rId1", "worksheets/sheet1.xml", "xl/worksheets/sheet1.xml"}};
    std::string sheetXml = Worksheet("");
    std::string sharedStrings;
    std::string sheetRelType = "worksheet";
    std::vector<std::pair<std::string, std::string>> extra;
};

std::string Package(const PackageSpec& spec) {
    std::string workbook =
        "<workbook xmlns=\"" + kMain + "\" xmlns:r=\"" + kDocRels + "\"><sheets>";
    std::string rels = "<Relationships xmlns=\"" + kRels + "\">";
    std::vector<std::pair<std::string, std::string>> members;
    int n = 1;
    for (const auto& [id, target, part] : spec.sheets) {
        workbook += "<sheet name=\"S" + std::to_string(n) + "\" sheetId=\"" + std::to_string(n) +
                    "\" r:id=\"" + id + "\"/>";
        rels += "<Relationship Id=\"" + id + "\" Type=\"" + kDocRels + "/" + spec.sheetRelType +
                "\" Target=\"" + target + "\"/>";
        // Only the part of the first listed sheet holds the sheet under test.
        members.emplace_back(part, n == 1 ? spec.sheetXml
                                          : Worksheet("<row r=\"1\"><c r=\"A1\"><v>" +
                                                      std::to_string(n) + "</v></c></row>"));
        ++n;
    }
    workbook += "</sheets></workbook>";
    if (!spec.sharedStrings.empty()) {
        rels += "<Relationship Id=\"rIdS\" Type=\"" + kDocRels +
                "/sharedStrings\" Target=\"/xl/sharedStrings.xml\"/>";
        members.emplace_back("xl/sharedStrings.xml",
                             "<sst xmlns=\"" + kMain + "\">" + spec.sharedStrings + "</sst>");
    }
    rels += "</Relationships>";
    members.emplace_back(
        "[Content_Types].xml",
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" "
        "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/xl/workbook.xml\" "
        "ContentType=\"application/"
        "vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
        "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/"
        ">"
        "</Types>");
    members.emplace_back("xl/workbook.xml", workbook);
    members.emplace_back("xl/_rels/workbook.xml.rels", rels);
    members.emplace_back("_rels/.rels", "<Relationships xmlns=\"" + kRels +
                                            "\"><Relationship Id=\"rId1\" Type=\"" + kDocRels +
                                            "/officeDocument\" Target=\"xl/workbook.xml\"/>"
                                            "</Relationships>");
    for (const auto& member : spec.extra) {
        members.push_back(member);
    }
    std::string bytes;
    QString error;
    EXPECT_TRUE(ZipPackage::Build(members, bytes, &error)) << qPrintable(error);
    return bytes;
}

std::string Package(const std::string& sheetData, const std::string& sharedStrings = {}) {
    PackageSpec spec;
    spec.sheetXml = Worksheet(sheetData);
    spec.sharedStrings = sharedStrings;
    return Package(spec);
}

TEST(XlsxRead, TextsFromSharedStringsRichRunsInlineStringsAndFormulas) {
    XlsxBook book;
    ASSERT_TRUE(book.LoadBytes(
        Package("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c>"
                "<c r=\"C1\" t=\"inlineStr\"><is><r><t>内联</t></r><r><t xml:space=\"preserve\"> "
                "富</t></r></is></c>"
                "<c r=\"D1\" t=\"str\"><f>A1&amp;\"x\"</f><v>公式值</v></c>"
                "<c r=\"E1\"><f>1+1</f><v>2</v></c><c r=\"F1\" t=\"s\"><v>2</v></c>"
                "<c r=\"G1\" t=\"s\"><v>3</v></c></row>",
                "<si><t>张三</t></si>"
                "<si><r><rPr><b/></rPr><t>粗</t></r><r><t>体</t></r><rPh sb=\"0\" "
                "eb=\"1\"><t>ピン</t></rPh></si>"
                "<si><t>a_x000D_b_x005F_x0041_</t></si><si><t xml:space=\"preserve\"> </t></si>")));
    const ExcelSheet* sheet = book.getSheet(0);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(book.getSheet(1), nullptr);
    EXPECT_EQ(sheet->lastRow(), 1);
    EXPECT_EQ(sheet->cellType(0, 0), CellType::String);
    EXPECT_EQ(sheet->readStr(0, 0), "张三");
    EXPECT_EQ(sheet->readStr(0, 1), "粗体"); // runs joined, the phonetic guide left out
    EXPECT_EQ(sheet->readStr(0, 2), "内联 富");
    EXPECT_EQ(sheet->readStr(0, 3), "公式值");
    EXPECT_EQ(sheet->cellType(0, 4), CellType::Number);
    EXPECT_EQ(sheet->readNum(0, 4), 2);
    EXPECT_EQ(sheet->readStr(0, 5), "a\rb_x0041_");
    EXPECT_EQ(sheet->readStr(0, 6), " ");
    EXPECT_EQ(sheet->readStr(0, 4), ""); // a number has no text
    EXPECT_EQ(sheet->readNum(0, 0), 0);  // a text has no number
}

TEST(XlsxRead, NumbersTypesAndImplicitReferences) {
    XlsxBook book;
    ASSERT_TRUE(book.LoadBytes(Package(
        // Row 1 and its cells have no r: they count on from the start.
        "<row><c><v>13800138000</v></c><c t=\"n\"><v>42434.37986111111</v></c>"
        "<c t=\"b\"><v>1</v></c><c t=\"e\"><v>#N/A</v></c><c s=\"3\"/><c><f>A1</f></c></row>"
        "<row r=\"4\"><c r=\"C4\"><v>-1.5E3</v></c><c><v>7</v></c></row><row r=\"6\"/>")));
    const ExcelSheet* sheet = book.getSheet(0);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->lastRow(), 4); // the empty row 6 holds no cell
    EXPECT_EQ(sheet->cellType(0, 0), CellType::Number);
    EXPECT_EQ(QString::asprintf("%.0f", sheet->readNum(0, 0)), "13800138000");
    EXPECT_DOUBLE_EQ(sheet->readNum(0, 1), 42434.37986111111); // a date stays its day number
    EXPECT_EQ(sheet->cellType(0, 2), CellType::Boolean);
    EXPECT_EQ(sheet->readNum(0, 2), 1);
    EXPECT_EQ(sheet->cellType(0, 3), CellType::Error);
    EXPECT_EQ(sheet->cellType(0, 4), CellType::Blank);
    EXPECT_EQ(sheet->cellType(0, 5), CellType::Blank); // a formula never computed
    EXPECT_EQ(sheet->cellType(0, 6), CellType::Empty);
    EXPECT_EQ(sheet->readNum(3, 2), -1500);
    EXPECT_EQ(sheet->readNum(3, 3), 7);
    EXPECT_EQ(sheet->cellType(1, 0), CellType::Empty);
    EXPECT_EQ(sheet->cellType(-1, -1), CellType::Empty);
    EXPECT_EQ(sheet->cellType(kMaxSheetRows, kMaxSheetColumns), CellType::Empty);
}

TEST(XlsxRead, TheFirstSheetIsTheWorkbooksFirstWhateverItsPart) {
    PackageSpec spec;
    spec.sheets = {{"rId7", "worksheets/sheet3.xml", "xl/worksheets/sheet3.xml"},
                   {"rId1", "worksheets/sheet1.xml", "xl/worksheets/sheet1.xml"}};
    spec.sheetXml = Worksheet("<row r=\"1\"><c r=\"A1\"><v>33</v></c></row>");
    XlsxBook book;
    ASSERT_TRUE(book.LoadBytes(Package(spec)));
    EXPECT_EQ(book.SheetPart(), "xl/worksheets/sheet3.xml");
    EXPECT_EQ(book.getSheet(0)->readNum(0, 0), 33);

    // Elements with a namespace prefix, and a target relative to the workbook's folder.
    spec.sheets = {{"rId1", "./worksheets/../worksheets/s%20t.xml", "xl/worksheets/s t.xml"}};
    spec.sheetXml = "<x:worksheet xmlns:x=\"" + kMain +
                    "\"><x:sheetData><x:row r=\"2\"><x:c r=\"B2\" t=\"inlineStr\"><x:is><x:t>前缀"
                    "</x:t></x:is></x:c></x:row></x:sheetData></x:worksheet>";
    ASSERT_TRUE(book.LoadBytes(Package(spec)));
    EXPECT_EQ(book.getSheet(0)->readStr(1, 1), "前缀");
    ASSERT_TRUE(book.getSheet(0)->writeNum(1, 99, 3));
    ASSERT_TRUE(book.LoadBytes([&] {
        QTemporaryDir dir;
        const QString path = dir.filePath("p.xlsx");
        EXPECT_TRUE(book.save(path));
        return FileBytes(path).toStdString();
    }()));
    EXPECT_EQ(book.getSheet(0)->readNum(1, 99), 3);

    // A chart sheet first: there is no worksheet to list.
    spec.sheetRelType = "chartsheet";
    ASSERT_TRUE(book.LoadBytes(Package(spec)));
    EXPECT_EQ(book.getSheet(0), nullptr);
}

TEST(XlsxRead, LongTextsAndTheLastRowOfTheLargestSheet) {
    const std::string text(std::size_t(kMaxCellText), 'z');
    XlsxBook book;
    ASSERT_TRUE(
        book.LoadBytes(Package("<row r=\"1048576\"><c r=\"XFD1048576\" t=\"inlineStr\"><is><t>" +
                               text + "</t></is></c></row>")));
    ExcelSheet* sheet = book.getSheet(0);
    EXPECT_EQ(sheet->lastRow(), kMaxSheetRows);
    EXPECT_EQ(sheet->readStr(kMaxSheetRows - 1, kMaxSheetColumns - 1).size(), kMaxCellText);
    EXPECT_TRUE(sheet->writeStr(kMaxSheetRows - 1, 0, QString(kMaxCellText, QLatin1Char('y'))));
    EXPECT_FALSE(sheet->writeStr(0, 0, QString(kMaxCellText + 1, QLatin1Char('y'))));
    EXPECT_FALSE(sheet->writeNum(kMaxSheetRows, 0, 1));
    EXPECT_FALSE(sheet->writeNum(0, kMaxSheetColumns, 1));
    EXPECT_FALSE(sheet->writeNum(-1, 0, 1));
    EXPECT_FALSE(sheet->writeNum(0, 0, std::nan("")));
}

TEST(XlsxRead, BadInputFailsClearly) {
    XlsxBook book;
    const auto fails = [&](const std::string& bytes, ExcelBook::Error expected) {
        const bool loaded = book.LoadBytes(bytes);
        EXPECT_FALSE(loaded);
        EXPECT_EQ(book.error(), expected) << qPrintable(book.errorText());
        EXPECT_FALSE(book.errorText().isEmpty());
        EXPECT_EQ(book.getSheet(0), nullptr);
    };
    fails("", ExcelBook::Error::NotAWorkbook);
    fails("姓名,电话\n张三,13800138000\n", ExcelBook::Error::NotAWorkbook);
    const std::string good = Package("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>");
    fails(good.substr(0, good.size() / 2), ExcelBook::Error::NotAWorkbook);
    std::string zipOnly;
    ASSERT_TRUE(ZipPackage::Build({{"readme.txt", "hello"}}, zipOnly, nullptr));
    fails(zipOnly, ExcelBook::Error::NotAWorkbook);

    for (const std::string& data :
         {std::string("<row r=\"1\"><c r=\"A1\"><v>1</v></c>"), // not closed
          std::string("<row r=\"0\"><c r=\"A1\"><v>1</v></c></row>"),
          std::string("<row r=\"-1\"><c r=\"A1\"><v>1</v></c></row>"),
          std::string("<row r=\"1048577\"><c><v>1</v></c></row>"),
          std::string("<row r=\"99999999999999999999\"><c><v>1</v></c></row>"),
          std::string("<row r=\"1\"><c r=\"XFE1\"><v>1</v></c></row>"),
          std::string("<row r=\"1\"><c r=\"A-1\"><v>1</v></c></row>"),
          std::string("<row r=\"1\"><c r=\"1A\"><v>1</v></c></row>"),
          std::string("<row r=\"3\"/><row r=\"2\"/>"),
          std::string("<row r=\"1\"><c r=\"B1\"/><c r=\"A1\"/></row>")}) {
        fails(Package(data), ExcelBook::Error::Malformed);
    }
    PackageSpec spec;
    spec.sheets = {{"rId1", "../../outside.xml", "outside.xml"}};
    fails(Package(spec), ExcelBook::Error::Malformed);
    spec = PackageSpec();
    spec.sheetXml = "<worksheet xmlns=\"" + kMain + "\"/>";
    fails(Package(spec), ExcelBook::Error::Malformed);

    // A workbook without sheets loads, and has no sheet to give.
    spec = PackageSpec();
    spec.sheets.clear();
    EXPECT_TRUE(book.LoadBytes(Package(spec)));
    EXPECT_EQ(book.getSheet(0), nullptr);
}

TEST(XlsxRead, AMemberInflatesNoFurtherThanTheLimit) {
    const std::string zeros(std::size_t(4) << 20, '\0');
    std::string bytes;
    ASSERT_TRUE(ZipPackage::Build({{"bomb.xml", zeros}, {"small.xml", "ok"}}, bytes, nullptr));
    ASSERT_LT(bytes.size(), std::size_t(64) << 10);
    ZipPackage package;
    ASSERT_TRUE(package.Open(bytes, nullptr));
    std::string out;
    EXPECT_EQ(package.Read("bomb.xml", out, std::size_t(1) << 20),
              ZipPackage::ReadResult::TooLarge);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(package.Read("BOMB.XML", out, zeros.size()), ZipPackage::ReadResult::Ok);
    EXPECT_EQ(out.size(), zeros.size());
    EXPECT_EQ(package.Read("missing.xml", out, 10), ZipPackage::ReadResult::Missing);
    // A flipped byte in the compressed data fails the CRC check.
    std::string damaged = bytes;
    damaged[60] = char(damaged[60] ^ 0x55);
    ASSERT_TRUE(package.Open(damaged, nullptr));
    EXPECT_NE(package.Read("bomb.xml", out, zeros.size()), ZipPackage::ReadResult::Ok);
}

class XlsxWrite : public ::testing::Test {
protected:
    // Writes, saves to a file and loads it again, so every check reads what was saved.
    ExcelSheet* SaveAndReload() {
        const QString path = dir_.filePath("w.xlsx");
        EXPECT_TRUE(book_.save(path)) << qPrintable(book_.errorText());
        EXPECT_TRUE(book_.load(path)) << qPrintable(book_.errorText());
        return book_.getSheet(0);
    }
    std::string SheetXml() {
        ZipPackage package;
        std::string xml;
        EXPECT_TRUE(package.Open(FileBytes(dir_.filePath("w.xlsx")).toStdString(), nullptr));
        EXPECT_EQ(package.Read(book_.SheetPart(), xml, 1 << 20), ZipPackage::ReadResult::Ok);
        return xml;
    }

    QTemporaryDir dir_;
    XlsxBook book_;
};

TEST_F(XlsxWrite, NewRowsAndCellsGoInOrderWithTheRowsStyle) {
    ASSERT_TRUE(book_.LoadBytes(Package(
        "<row r=\"2\" spans=\"1:2\" s=\"5\" customFormat=\"1\" ht=\"30\" customHeight=\"1\">"
        "<c r=\"A2\" s=\"1\"><v>1</v></c><c r=\"DA2\"><v>9</v></c></row>"
        "<row r=\"9\"><c r=\"A9\" t=\"s\"><v>0</v></c></row>",
        "<si><t>旧</t></si>")));
    ExcelSheet* sheet = book_.getSheet(0);
    ASSERT_TRUE(sheet->writeNum(1, 99, 3));       // between A2 and DA2
    ASSERT_TRUE(sheet->writeStr(4, 100, "新行")); // a row between 2 and 9
    ASSERT_TRUE(sheet->writeStr(11, 0, "末尾"));  // after the last row
    ASSERT_TRUE(sheet->writeNum(8, 0, 5));        // a shared string replaced by a number
    EXPECT_EQ(sheet->lastRow(), 12);

    sheet = SaveAndReload();
    EXPECT_EQ(sheet->readNum(1, 0), 1);
    EXPECT_EQ(sheet->readNum(1, 99), 3);
    EXPECT_EQ(sheet->readNum(1, 104), 9);
    EXPECT_EQ(sheet->readStr(4, 100), "新行");
    EXPECT_EQ(sheet->readStr(11, 0), "末尾");
    EXPECT_EQ(sheet->cellType(8, 0), CellType::Number);
    EXPECT_EQ(sheet->readNum(8, 0), 5);
    const std::string xml = SheetXml();
    EXPECT_NE(xml.find("<row r=\"2\" spans=\"1:100\" s=\"5\" customFormat=\"1\" ht=\"30\" "
                       "customHeight=\"1\"><c r=\"A2\" s=\"1\"><v>1</v></c>"
                       "<c r=\"CV2\" s=\"5\"><v>3</v></c><c r=\"DA2\"><v>9</v></c></row>"
                       "<row r=\"5\"><c r=\"CW5\" t=\"inlineStr\"><is><t>新行</t></is></c></row>"
                       "<row r=\"9\"><c r=\"A9\"><v>5</v></c></row><row r=\"12\">"),
              std::string::npos)
        << xml;
}

TEST_F(XlsxWrite, TextsRoundTripAndTheDimensionGrows) {
    PackageSpec spec;
    spec.sheetXml =
        Worksheet("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>", "<dimension ref=\"A1\"/>",
                  "<mergeCells count=\"1\"><mergeCell ref=\"A1:B1\"/></mergeCells>");
    ASSERT_TRUE(book_.LoadBytes(Package(spec)));
    const QString text = QStringLiteral(" 空格\r\n制表\t控制\x01 _x0041_ <&> \"'");
    ASSERT_TRUE(book_.getSheet(0)->writeStr(2, 100, text));
    ExcelSheet* sheet = SaveAndReload();
    EXPECT_EQ(sheet->readStr(2, 100), text);
    const std::string xml = SheetXml();
    EXPECT_NE(xml.find("<dimension ref=\"A1:CW3\"/>"), std::string::npos) << xml;
    EXPECT_NE(xml.find("<mergeCells count=\"1\"><mergeCell ref=\"A1:B1\"/></mergeCells>"),
              std::string::npos);
    EXPECT_NE(xml.find("xml:space=\"preserve\""), std::string::npos);
    EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>", 0), 0u);

    // openpyxl opens what we saved.
    const QJsonObject cells = WorkbookTool::Instance().Cells(dir_.filePath("w.xlsx"));
    EXPECT_FALSE(cells.contains("error")) << qPrintable(cells.value("error").toString());
    EXPECT_EQ(cells.value("A1").toInt(), 1);
}

TEST_F(XlsxWrite, AFormulaCellIsNotOverwritten) {
    ASSERT_TRUE(book_.LoadBytes(Package("<row r=\"1\"><c r=\"CV1\"><f t=\"shared\" ref=\"CV1:CV3\" "
                                        "si=\"0\">A1</f><v>1</v></c></row>")));
    EXPECT_FALSE(book_.getSheet(0)->writeNum(0, 99, 2));
    EXPECT_EQ(book_.getSheet(0)->readNum(0, 99), 1);
    EXPECT_TRUE(book_.getSheet(0)->writeNum(0, 100, 2));
}

TEST_F(XlsxWrite, UntouchedBooksSaveByteForByte) {
    const std::string bytes = Package("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>");
    ASSERT_TRUE(book_.LoadBytes(bytes));
    const QString path = dir_.filePath("same.xlsx");
    ASSERT_TRUE(book_.save(path));
    EXPECT_EQ(FileBytes(path).toStdString(), bytes);
}

class XlsxSave : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = dir_.filePath("book.xlsx");
        ASSERT_TRUE(test::WriteBytes(path_, QByteArray::fromStdString(Package(
                                                "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>"))));
        ASSERT_TRUE(book_.load(path_));
        ASSERT_TRUE(book_.getSheet(0)->writeNum(0, 99, 4));
        before_ = FileBytes(path_);
    }
    QStringList Leftovers() const {
        return QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QTemporaryDir dir_;
    QString path_;
    XlsxBook book_;
    QByteArray before_;
};

TEST_F(XlsxSave, KeepsThePermissions) {
    ASSERT_TRUE(
        QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    ASSERT_TRUE(book_.save(path_));
    struct stat st {};
    ASSERT_EQ(stat(QFile::encodeName(path_).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_NE(FileBytes(path_), before_);
    EXPECT_EQ(Leftovers(), QStringList{"book.xlsx"});
}

TEST_F(XlsxSave, AFullDiskLeavesTheOldWorkbook) {
    // The file size limit makes the write fail part-way, as a full disk does.
    struct sigaction ignore {};
    struct sigaction previous {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &previous);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 200;
    setrlimit(RLIMIT_FSIZE, &small);
    const bool saved = book_.save(path_);
    setrlimit(RLIMIT_FSIZE, &old);
    sigaction(SIGXFSZ, &previous, nullptr);

    EXPECT_FALSE(saved);
    EXPECT_EQ(book_.error(), ExcelBook::Error::WriteFailed);
    EXPECT_EQ(FileBytes(path_), before_);
    EXPECT_EQ(Leftovers(), QStringList{"book.xlsx"});
}

TEST_F(XlsxSave, RefusesReadOnlyFilesMissingFoldersAndOpenWorkbooks) {
    ASSERT_TRUE(QFile::setPermissions(path_, QFile::ReadOwner | QFile::ReadGroup));
    EXPECT_FALSE(book_.save(path_));
    EXPECT_EQ(book_.error(), ExcelBook::Error::ReadOnly);
    EXPECT_EQ(FileBytes(path_), before_);
    ASSERT_TRUE(QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner));

    EXPECT_FALSE(book_.save(dir_.filePath("gone/book.xlsx")));
    EXPECT_EQ(book_.error(), ExcelBook::Error::WriteFailed);

    ASSERT_TRUE(test::Touch(dir_.filePath(".~lock.book.xlsx#")));
    EXPECT_FALSE(book_.save(path_));
    EXPECT_EQ(book_.error(), ExcelBook::Error::OpenElsewhere);
    EXPECT_EQ(FileBytes(path_), before_);
}

} // namespace
} // namespace tamberlink

namespace tamberlink {
namespace {

TEST(XlsxLargest, ASheetOfEveryRowLoadsAndTakesAWriteInItsLastRow) {
    QTemporaryDir dir;
    const QString path = dir.filePath("huge.xlsx");
    ASSERT_TRUE(WorkbookTool::Instance().Make("huge", path, kMaxSheetRows));
    XlsxBook book;
    ASSERT_TRUE(book.load(path)) << qPrintable(book.errorText());
    ExcelSheet* sheet = book.getSheet(0);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->lastRow(), kMaxSheetRows);
    EXPECT_EQ(sheet->readNum(0, 1), 13800000001.0);
    EXPECT_EQ(sheet->readNum(kMaxSheetRows - 1, 1), 13800000000.0 + kMaxSheetRows);
    ASSERT_TRUE(sheet->writeNum(kMaxSheetRows - 1, 99, 4));
    ASSERT_TRUE(book.save(path));
    ASSERT_TRUE(book.load(path));
    EXPECT_EQ(book.getSheet(0)->readNum(kMaxSheetRows - 1, 99), 4);
    EXPECT_EQ(book.getSheet(0)->readNum(kMaxSheetRows - 2, 1), 13800000000.0 + kMaxSheetRows - 1);
}

} // namespace
} // namespace tamberlink
