#include "workbook/SheetStream.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <functional>

namespace tamberlink {
namespace {

using namespace sheetstream;

QByteArray Written(const std::function<void(SheetStreamWriter&)>& write) {
    QBuffer buffer;
    EXPECT_TRUE(buffer.open(QIODevice::WriteOnly));
    SheetStreamWriter writer(buffer);
    write(writer);
    EXPECT_TRUE(writer.End());
    return buffer.data();
}

// A stream written record by record, for the ones the writer never makes.
QByteArray Raw(const std::function<void(QDataStream&)>& write, quint32 magic = kMagic,
               quint16 version = kVersion) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << magic << version;
    write(out);
    return bytes;
}

void Text(QDataStream& out, const QByteArray& utf8) {
    out << quint32(utf8.size());
    out.writeRawData(utf8.constData(), int(utf8.size()));
}

void Sheet(QDataStream& out) {
    out << quint8(kSheet);
    Text(out, "S");
}

ValueSheet::Cell Number(int col, double value) {
    return {col, CellType::Number, value, {}};
}

ValueSheet::Cell String(int col, const QString& text) {
    return {col, CellType::String, 0, text};
}

TEST(SheetStream, TheDecoderReadsWhatTheWriterWrote) {
    const QString longest(kMaxCellText, QChar(0x4e00)); // three UTF-8 bytes each
    const QByteArray bytes = Written([&](SheetStreamWriter& out) {
        out.Sheet(QStringLiteral("名单"));
        EXPECT_TRUE(out.Cell(0, Number(0, 13800138000.0)));
        EXPECT_TRUE(out.Cell(0, String(3, QStringLiteral("\ufeff张三"))));
        EXPECT_TRUE(out.Cell(0, String(4, {})));
        EXPECT_TRUE(out.Cell(2, Number(1, -0.5)));
        EXPECT_TRUE(out.Cell(kMaxSheetRows - 1, String(kMaxSheetColumns - 1, longest)));
        // A second sheet, with a date and a merged title.
        out.Sheet(QStringLiteral("统计"));
        ValueSheet::Cell date = Number(2, 42434.5);
        date.format = CellFormat::DateTime;
        EXPECT_TRUE(out.Cell(0, date));
        EXPECT_TRUE(out.Merge({0, 0, 0, 1}));
    });
    SheetStreamDecoder decoder;
    ASSERT_TRUE(decoder.Decode(bytes)) << qPrintable(decoder.errorText());
    EXPECT_EQ(decoder.error(), ExcelBook::Error::None);
    ASSERT_TRUE(decoder.HasSheet());
    EXPECT_EQ(decoder.SheetName(), QStringLiteral("名单"));
    const ValueSheet& sheet = decoder.Sheet();
    EXPECT_EQ(sheet.lastRow(), kMaxSheetRows);
    EXPECT_EQ(sheet.cellType(0, 0), CellType::Number);
    EXPECT_EQ(sheet.readNum(0, 0), 13800138000.0);
    EXPECT_EQ(sheet.readStr(0, 3), QStringLiteral("\ufeff张三")); // a leading BOM is text too
    EXPECT_EQ(sheet.cellType(0, 4), CellType::String);
    EXPECT_EQ(sheet.cellType(1, 0), CellType::Empty);
    EXPECT_EQ(sheet.readNum(2, 1), -0.5);
    EXPECT_EQ(sheet.readStr(kMaxSheetRows - 1, kMaxSheetColumns - 1), longest);
    ASSERT_EQ(sheet.Rows().size(), 3u);
    EXPECT_EQ(sheet.Rows()[0].cells.size(), 3u);

    ASSERT_EQ(decoder.Sheets().size(), 2u);
    const NamedSheet& second = decoder.Sheets()[1];
    EXPECT_EQ(second.name, QStringLiteral("统计"));
    EXPECT_EQ(second.cells.readNum(0, 2), 42434.5);
    EXPECT_EQ(second.cells.Rows()[0].cells[0].format, CellFormat::DateTime);
    EXPECT_EQ(second.merges, (std::vector<MergedRange>{{0, 0, 0, 1}}));
}

TEST(SheetStream, AWorkbookWithoutASheetAndAFailureTheReaderReports) {
    SheetStreamDecoder decoder;
    ASSERT_TRUE(decoder.Decode(Written([](SheetStreamWriter&) {})));
    EXPECT_FALSE(decoder.HasSheet());

    // Cells before the failure are dropped with it.
    const QByteArray failed = Written([](SheetStreamWriter& out) {
        out.Sheet(QStringLiteral("S"));
        EXPECT_TRUE(out.Cell(0, Number(0, 1)));
        out.Failure(ExcelBook::Error::NotAWorkbook, QStringLiteral("not a readable .xls"));
    });
    EXPECT_FALSE(decoder.Decode(failed));
    EXPECT_FALSE(decoder.StreamDamaged());
    EXPECT_EQ(decoder.error(), ExcelBook::Error::NotAWorkbook);
    EXPECT_EQ(decoder.errorText(), QStringLiteral("not a readable .xls"));
    EXPECT_FALSE(decoder.HasSheet());
    EXPECT_TRUE(decoder.Sheet().Rows().empty());
}

TEST(SheetStream, EveryCutOfAStreamIsRefused) {
    const QByteArray bytes = Written([](SheetStreamWriter& out) {
        out.Sheet(QStringLiteral("名单"));
        EXPECT_TRUE(out.Cell(0, String(0, QStringLiteral("姓名"))));
        EXPECT_TRUE(out.Cell(1, Number(1, 13800138000.0)));
    });
    SheetStreamDecoder decoder;
    for (qsizetype size = 0; size < bytes.size(); ++size) {
        EXPECT_FALSE(decoder.Decode(bytes.left(size))) << size;
        EXPECT_TRUE(decoder.StreamDamaged()) << size;
        EXPECT_EQ(decoder.error(), ExcelBook::Error::Malformed);
        EXPECT_FALSE(decoder.HasSheet());
    }
    EXPECT_TRUE(decoder.Decode(bytes));
}

TEST(SheetStream, RecordsThatBreakTheFormatOrItsBoundsAreRefused) {
    const auto cell = [](QDataStream& out, quint32 row, quint16 col) {
        out << quint8(kNumber) << row << col << 1.0;
    };
    const auto end = [](QDataStream& out) {
        out << quint8(kEnd);
    };
    const std::vector<std::pair<const char*, QByteArray>> streams = {
        {"other magic", Raw(end, kMagic + 1)},
        {"other version", Raw(end, kMagic, kVersion + 1)},
        {"bytes after the end", Raw([&](QDataStream& out) {
             end(out);
             out << quint8(0);
         })},
        {"unknown record", Raw([](QDataStream& out) { out << quint8(9) << quint8(kEnd); })},
        {"cell before the sheet", Raw([&](QDataStream& out) {
             cell(out, 0, 0);
             end(out);
         })},
        {"merged range before the sheet", Raw([&](QDataStream& out) {
             out << quint8(kMerge) << quint32(0) << quint16(0) << quint32(0) << quint16(1);
             end(out);
         })},
        {"merged range upside down", Raw([&](QDataStream& out) {
             Sheet(out);
             out << quint8(kMerge) << quint32(3) << quint16(0) << quint32(2) << quint16(1);
             end(out);
         })},
        {"cell after the merged ranges", Raw([&](QDataStream& out) {
             Sheet(out);
             out << quint8(kMerge) << quint32(0) << quint16(0) << quint32(0) << quint16(1);
             cell(out, 2, 2);
             end(out);
         })},
        {"date of no known format", Raw([&](QDataStream& out) {
             Sheet(out);
             out << quint8(kDate) << quint32(0) << quint16(0) << 42000.0 << quint8(0);
             end(out);
         })},
        {"row past the largest sheet", Raw([&](QDataStream& out) {
             Sheet(out);
             cell(out, quint32(kMaxSheetRows), 0);
             end(out);
         })},
        {"column past the largest sheet", Raw([&](QDataStream& out) {
             Sheet(out);
             cell(out, 0, quint16(kMaxSheetColumns));
             end(out);
         })},
        {"the same cell twice", Raw([&](QDataStream& out) {
             Sheet(out);
             cell(out, 4, 2);
             cell(out, 4, 2);
             end(out);
         })},
        {"rows out of order", Raw([&](QDataStream& out) {
             Sheet(out);
             cell(out, 4, 2);
             cell(out, 3, 5);
             end(out);
         })},
        {"a text claiming gigabytes", Raw([](QDataStream& out) {
             out << quint8(kSheet) << quint32(0xffffffffu) << quint8(kEnd);
         })},
        {"a text longer than a cell holds", Raw([](QDataStream& out) {
             Sheet(out);
             out << quint8(kText) << quint32(0) << quint16(0);
             Text(out, QByteArray(kMaxCellText + 1, 'z'));
             out << quint8(kEnd);
         })},
        {"a sheet name longer than a sheet's", Raw([](QDataStream& out) {
             out << quint8(kSheet);
             Text(out, QByteArray(kMaxSheetName + 1, 'z'));
             out << quint8(kEnd);
         })},
        {"a text that is not UTF-8", Raw([](QDataStream& out) {
             out << quint8(kSheet);
             Text(out, "\xff\xfe");
             out << quint8(kEnd);
         })},
        {"a text cut inside a character", Raw([](QDataStream& out) {
             out << quint8(kSheet);
             Text(out, QByteArray("名单").chopped(1));
             out << quint8(kEnd);
         })},
        {"a failure of no kind", Raw([](QDataStream& out) {
             out << quint8(kFailure) << quint8(ExcelBook::Error::None);
             Text(out, "x");
             out << quint8(kEnd);
         })},
        {"a failure the reader cannot have", Raw([](QDataStream& out) {
             out << quint8(kFailure) << quint8(ExcelBook::Error::OpenElsewhere);
             Text(out, "x");
             out << quint8(kEnd);
         })},
        {"a failure without its reason", Raw([](QDataStream& out) {
             out << quint8(kFailure) << quint8(ExcelBook::Error::NotAWorkbook);
             Text(out, {});
             out << quint8(kEnd);
         })},
        {"records after a failure", Raw([](QDataStream& out) {
             out << quint8(kFailure) << quint8(ExcelBook::Error::Malformed);
             Text(out, "x");
             Sheet(out);
             out << quint8(kEnd);
         })},
    };
    SheetStreamDecoder decoder;
    for (const auto& [what, bytes] : streams) {
        // Each follows a good stream, whose sheet must not survive the refusal.
        ASSERT_TRUE(decoder.Decode(Raw([&](QDataStream& out) {
            Sheet(out);
            cell(out, 0, 0);
            end(out);
        })));
        EXPECT_FALSE(decoder.Decode(bytes)) << what;
        EXPECT_TRUE(decoder.StreamDamaged()) << what;
        EXPECT_EQ(decoder.error(), ExcelBook::Error::Malformed) << what;
        EXPECT_TRUE(
            decoder.errorText().startsWith(QStringLiteral("the reader's output is damaged")))
            << what << ": " << qPrintable(decoder.errorText());
        EXPECT_FALSE(decoder.HasSheet()) << what;
        EXPECT_TRUE(decoder.Sheet().Rows().empty()) << what;
    }
}

} // namespace
} // namespace tamberlink
