// The .xlsx copy an .xls call list is saved as at its first outcome, made from a workbook as
// offices keep them (xlwt: a merged bold title, a filled header, dates with their formats,
// numbers stored every way, a second sheet): through LibreOffice where it is installed, and
// without it. openpyxl reads the copies back, and LibreOffice opens them again.
#include "../workbook/WorkbookTool.h"
#include "calllist/TempContactList.h"
#include "workbook/OfficeConverter.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

namespace tamberlink {
namespace {

using test::WorkbookTool;

class XlsCopyTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        ASSERT_TRUE(QDir().mkpath(dir_.filePath("Data")));
        xls_ = dir_.filePath("客户.xls");
        ASSERT_TRUE(WorkbookTool::Instance().Make("styled_xls", xls_));
    }

    // Imports the list, writes an outcome for 张三 and returns the notice.
    TempContactList::Notice WriteOutcome(const QString& office) {
        TempContactList list(TempContactList::IniPathFor(dir_.path()));
        list.SetOffice(office, dir_.filePath("profile"));
        EXPECT_TRUE(list.ImportWorkbook("a", "b", [&] { return xls_; }).loaded);
        // Numbers stored as text are cleaned as every number is; their cells stay.
        EXPECT_EQ(list.Items().at(1).number, "13600000021");
        EXPECT_EQ(list.Items().at(2).number, "13600000028");
        const auto result = list.UpdateTempContact(2, 3, QStringLiteral("下周再打"));
        EXPECT_EQ(result.outcome, TempContactList::Outcome::SavedToCopy);
        EXPECT_EQ(list.WorkbookPath(), Copy());
        EXPECT_EQ(result.copyName, "客户.xlsx");
        return result.notice;
    }

    QString Copy() const { return dir_.filePath("客户.xlsx"); }

    QJsonObject Items() {
        const QJsonObject reply =
            WorkbookTool::Instance().Request({{"op", "describe"}, {"path", Copy()}});
        EXPECT_FALSE(reply.contains("error")) << qPrintable(reply.value("error").toString());
        return reply.value("items").toObject();
    }

    // [value, number format, bold, font colour, fill colour, alignment] of a cell; null for
    // what the description lacks.
    static std::vector<QJsonValue> Fields(const QJsonObject& items, const char* ref) {
        std::vector<QJsonValue> fields(6);
        const QJsonArray found = items.value(ref).toArray();
        for (qsizetype i = 0; i < found.size() && i < 6; ++i) {
            fields[std::size_t(i)] = found.at(i);
        }
        return fields;
    }

    // What every copy keeps: the sheets, the values, the dates as dates and the merges.
    void ExpectValuesKept(const QJsonObject& items) {
        EXPECT_EQ(items.value("sheets").toArray(), QJsonArray({"客户", "统计"}));
        EXPECT_EQ(items.value("merged 0").toArray(), QJsonArray({"A1:D1"}));
        EXPECT_EQ(items.value("merged 1").toArray(), QJsonArray({"A1:B2"}));
        const auto cell = [&](const char* ref) {
            return Fields(items, ref);
        };
        EXPECT_EQ(cell("0!A1")[0].toString(), QStringLiteral("二月客户回访"));
        EXPECT_EQ(cell("0!B3")[0].toString(), "13600000021.0");
        EXPECT_EQ(cell("0!B4")[0].toString(), "136-0000-0028");
        EXPECT_EQ(cell("0!B5")[0].toDouble(), 13800138000.0);
        EXPECT_EQ(cell("1!A3")[0].toDouble(), 42.0);
        // Dates stay dates, each with a date format.
        EXPECT_EQ(items.value("type 0!C3").toString(), "datetime");
        EXPECT_EQ(cell("0!C3")[0].toString(), "2016-03-05T00:00:00");
        EXPECT_TRUE(cell("0!C3")[1].toString().contains("yy", Qt::CaseInsensitive));
        EXPECT_EQ(items.value("type 0!D3").toString(), "datetime");
        EXPECT_EQ(cell("0!D3")[0].toString(), "2016-03-05T09:07:00");
        EXPECT_TRUE(cell("0!D3")[1].toString().contains("ss", Qt::CaseInsensitive));
        // The outcome, in its two columns of the right row.
        EXPECT_EQ(cell("0!CV3")[0].toInt(), 3);
        EXPECT_EQ(cell("0!CW3")[0].toString(), QStringLiteral("下周再打"));
    }

    // The copy as LibreOffice reads it: its first sheet as CSV.
    QString OfficeReads(const QString& office) {
        QProcess convert;
        convert.start(office,
                      {"-env:UserInstallation=file://" + dir_.filePath("profile"), "--headless",
                       "--convert-to", "csv:Text - txt - csv (StarCalc):44,34,76", "--outdir",
                       dir_.filePath("csv"), Copy()});
        EXPECT_TRUE(convert.waitForFinished(OfficeConverter::kTimeoutMs));
        QFile csv(dir_.filePath("csv/客户.csv"));
        return csv.open(QIODevice::ReadOnly) ? QString::fromUtf8(csv.readAll()) : QString();
    }

    QTemporaryDir dir_;
    QString xls_;
};

TEST_F(XlsCopyTest, WithoutLibreOfficeTheCopyKeepsSheetsDatesAndMergesAndSaysWhatItLost) {
    EXPECT_EQ(WriteOutcome(QString()), TempContactList::Notice::CopiedPlainly);
    ExpectValuesKept(Items());
}

TEST_F(XlsCopyTest, ThroughLibreOfficeTheCopyKeepsItsStylesToo) {
    const QString office = OfficeConverter::FindOffice();
    if (office.isEmpty()) {
        GTEST_SKIP() << "LibreOffice is not installed";
    }
    EXPECT_EQ(WriteOutcome(office), TempContactList::Notice::Copied);
    const QJsonObject items = Items();
    ExpectValuesKept(items);
    EXPECT_TRUE(Fields(items, "0!A1")[2].toBool());
    EXPECT_EQ(Fields(items, "0!A1")[5].toString(), "center");
    EXPECT_TRUE(Fields(items, "0!B2")[2].toBool());
    EXPECT_TRUE(Fields(items, "0!B2")[4].toString().endsWith("FFFF00"))
        << qPrintable(Fields(items, "0!B2")[4].toString());
    // Nothing of the conversion is left beside the copy.
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({"Data", "profile", "客户.xls", "客户.xlsx"}));

    const QString csv = OfficeReads(office);
    EXPECT_TRUE(csv.contains(QStringLiteral("张三,13600000021.0,2016-03-05,2016-03-05 09:07:00")))
        << qPrintable(csv.left(300));
}

} // namespace
} // namespace tamberlink
