// The statistics window, opened from the main menu over a real core: its figures for a month
// of calls, and the range's figures and calls exported to a workbook (read back by openpyxl)
// and to CSV (read back by python's csv) while new calls come in.
#include "../../store/StoreTestSupport.h"
#include "../../workbook/WorkbookTool.h"
#include "../UiTestSupport.h"

#include "app/CallStatistics.h"
#include "ui/shell/CMainWndUI.h"
#include "ui/stats/CStatsWindow.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

using namespace tamberlink;

namespace {

// A month of calls: four ways of writing one customer's mobile, a landline, withheld callers.
void FillMarch(test::RawDb& raw) {
    const char* const numbers[] = {"13800138000",   "+86 138-0013-8000", "013800138000",
                                   "138 0013 8000", "010-62345678",      "",
                                   "15900000001"};
    raw.Exec("begin");
    for (int i = 0; i < 600; ++i) {
        const int type = 1 + i % 5;
        const std::string when = QStringLiteral("2024/03/%1 %2:%3:00")
                                     .arg(1 + i % 31, 2, 10, QLatin1Char('0'))
                                     .arg(8 + i % 11, 2, 10, QLatin1Char('0'))
                                     .arg(i % 60, 2, 10, QLatin1Char('0'))
                                     .toStdString();
        const std::string number = numbers[i % 7];
        raw.Exec("insert into table_log(name, phone, date_time, type, length) values('" + number +
                 "', '" + number + "', '" + when + "', " + std::to_string(type) + ", " +
                 (type == 5 ? "null" : std::to_string(10 + i % 50)) + ")");
    }
    raw.Exec("commit");
}

// The rows python's csv reads from `path`.
QJsonArray CsvRows(const QString& path) {
    QProcess python;
    python.start(QStringLiteral(TAMBERLINK_PYTHON),
                 {QStringLiteral("-c"),
                  QStringLiteral("import csv, json, sys\n"
                                 "with open(sys.argv[1], newline='', encoding='utf-8-sig') as f:\n"
                                 "    print(json.dumps(list(csv.reader(f))))\n"),
                  path});
    EXPECT_TRUE(python.waitForFinished(20000));
    EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(python.readAllStandardOutput()).array();
}

TEST(StatsWindow, ShowsAMonthsFiguresAndExportsThemWithItsCalls) {
    test::App();
    QTemporaryDir home;
    AppConfig config;
    config.documentsFolder = home.path();
    config.dataFolder = QStringLiteral(TAMBERLINK_BIN_DIR "/Data");
    config.localApiPort = 0;
    config.cloudBaseUrl = QStringLiteral("http://127.0.0.1:9/");
    auto core = std::make_unique<AppCore>(config);
    auto window = std::make_unique<CMainWndUI>(*core);
    window->Start();
    test::RawDb raw(core->UserDatabasePath());
    FillMarch(raw);

    ASSERT_TRUE(test::ClickMenuItem(*window, QStringLiteral("menu_stats")));
    CStatsWindow* stats = test::Opened<CStatsWindow>();
    ASSERT_NE(stats, nullptr);
    // Today has no calls.
    ASSERT_TRUE(test::WaitFor([&] { return stats->FiguresShown(); }));
    EXPECT_TRUE(stats->Form().LabelCounts->text().contains(QStringLiteral("没有通话")));

    stats->ShowSpan(CStatsWindow::Span::Month, QDate(2024, 3, 17));
    EXPECT_EQ(stats->First(), QDate(2024, 3, 1));
    EXPECT_EQ(stats->Last(), QDate(2024, 3, 31));
    ASSERT_TRUE(test::WaitFor([&] { return stats->FiguresShown() && stats->BacksShown(); }));
    const auto count = [&raw](const std::string& where) {
        return QString::fromStdString(raw.Rows(
            "select count(*) from table_log where date_time like '2024/03/%' and " + where));
    };
    const QString counts = stats->Form().LabelCounts->text();
    EXPECT_TRUE(counts.contains(QStringLiteral("呼入 ") + count("type in (1, 3)")))
        << counts.toStdString();
    EXPECT_TRUE(counts.contains(QStringLiteral("呼出 ") + count("type in (2, 4)")));
    EXPECT_TRUE(counts.contains(QStringLiteral("未接 ") + count("type = 5")));
    // The four ways of writing the mobile are one number, and the busiest.
    QTableWidget* busiest = stats->Form().TableBusiest;
    ASSERT_GE(busiest->rowCount(), 3);
    EXPECT_EQ(NumberKey(busiest->item(0, 0)->text()), QStringLiteral("13800138000"));
    EXPECT_EQ(busiest->item(0, 2)->text(), QStringLiteral("344"));
    EXPECT_FALSE(stats->grab().isNull());

    // The workbook, written while calls keep coming in: its figures and its calls agree.
    const QString book = home.filePath(QStringLiteral("三月.xlsx"));
    ASSERT_TRUE(stats->ExportTo(book, StatsExport::Format::Xlsx));
    EXPECT_FALSE(stats->ExportTo(book, StatsExport::Format::Xlsx));
    for (int i = 0; i < 20; ++i) {
        core->AddCallLog(QStringLiteral("13700000000"), QString(), QString(), 3);
        raw.Exec("insert into table_log(name, phone, date_time, type) values('x', '13700000001', "
                 "'2024/03/05 10:00:00', 4)");
    }
    ASSERT_TRUE(test::WaitFor([&] { return !stats->Exporting(); }, 30000));
    EXPECT_TRUE(stats->Form().LabelStatus->text().startsWith(QStringLiteral("已导出")));
    test::WorkbookTool& tool = test::WorkbookTool::Instance();
    const QJsonObject summary = tool.Cells(book, 0);
    ASSERT_FALSE(summary.contains(QStringLiteral("error")))
        << summary["error"].toString().toStdString();
    EXPECT_EQ(summary["A2"].toString(), QStringLiteral("呼入"));
    const int calls = summary["B2"].toInt() + summary["B3"].toInt() + summary["B4"].toInt();
    const QJsonObject log = tool.Cells(book, 4);
    EXPECT_EQ(log["A1"].toString(), QStringLiteral("时间"));
    EXPECT_TRUE(log.contains(QStringLiteral("A%1").arg(calls + 1)));
    EXPECT_FALSE(log.contains(QStringLiteral("A%1").arg(calls + 2)));
    EXPECT_GE(calls, 600);

    // The CSV file: a byte order mark, CRLF line ends, the figures and then every call.
    const QString csv = home.filePath(QStringLiteral("三月.csv"));
    ASSERT_TRUE(stats->ExportTo(csv, StatsExport::Format::Csv));
    ASSERT_TRUE(test::WaitFor([&] { return !stats->Exporting(); }, 30000));
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
    EXPECT_EQ(bytes.count("\n"), bytes.count("\r\n"));
    const QJsonArray rows = CsvRows(csv);
    ASSERT_GT(rows.size(), 640);
    EXPECT_EQ(rows[1][0].toString(), QStringLiteral("呼入"));
    EXPECT_EQ(rows[1][1].toString(), count("type in (1, 3)"));
    qsizetype header = 0;
    while (header < rows.size() && rows[header][0].toString() != QStringLiteral("时间")) {
        ++header;
    }
    EXPECT_EQ(rows.size() - header - 1, count("1").toInt());
    EXPECT_EQ(rows[header + 1][0].toString().left(10), QStringLiteral("2024/03/01"));

    stats->Close();
    window.reset();
    core.reset();
    test::ProcessEvents();
}

} // namespace
