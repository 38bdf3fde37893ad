#include "workbook/XlsBook.h"
#include "WorkbookTestSupport.h"
#include "WorkbookTool.h"
#include "util/HelperProcess.h"
#include "util/InstallLayout.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tamberlink {
namespace {

using test::FileBytes;
using test::WorkbookTool;

// FreeXL dies on this workbook with a segmentation fault.
const QString kCrashingXls =
    QStringLiteral(TAMBERLINK_SOURCE_DIR "/tests/workbook/data/crashes-freexl.xls");
const QString kReader = QStringLiteral(TAMBERLINK_BIN_DIR "/tamberlink-xls-reader");

class XlsBookTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        masters_ = new QTemporaryDir;
        ASSERT_TRUE(WorkbookTool::Instance().Make("list_xls", masters_->filePath("list.xls")));
    }
    static void TearDownTestSuite() {
        delete masters_;
        masters_ = nullptr;
    }

    static QString List() { return masters_->filePath("list.xls"); }

    // A stand-in for the reader: a shell script given the workbook's path as $1.
    QString Script(const QString& name, const QByteArray& body) {
        const QString path = dir_.filePath(name);
        EXPECT_TRUE(test::WriteBytes(path, "#!/bin/sh\n" + body + "\n"));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }

    static void ExpectFailure(XlsBook& book, const QString& path, ExcelBook::Error error,
                              const char* says) {
        EXPECT_FALSE(book.load(path));
        EXPECT_EQ(book.error(), error) << qPrintable(book.errorText());
        EXPECT_TRUE(book.errorText().startsWith(QStringLiteral("the .xls could not be read: ")))
            << qPrintable(book.errorText());
        EXPECT_TRUE(book.errorText().contains(QString::fromUtf8(says)))
            << qPrintable(book.errorText());
        EXPECT_EQ(book.getSheet(0), nullptr);
    }

    static QTemporaryDir* masters_;
    QTemporaryDir dir_;
};

QTemporaryDir* XlsBookTest::masters_ = nullptr;

TEST_F(XlsBookTest, TheReaderGivesTheFirstSheetWhichSavesAsXlsx) {
    XlsBook book;
    ASSERT_TRUE(book.load(List())) << qPrintable(book.errorText());
    EXPECT_EQ(book.SheetName(), QStringLiteral("名单"));
    ExcelSheet* sheet = book.getSheet(0);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->lastRow(), 5);
    EXPECT_EQ(sheet->readStr(0, 0), QStringLiteral("姓名"));
    EXPECT_EQ(sheet->cellType(1, 1), CellType::Number);
    EXPECT_EQ(sheet->readNum(1, 1), 13800138000.0);
    EXPECT_EQ(sheet->cellType(2, 1), CellType::String);
    EXPECT_EQ(sheet->readStr(2, 1), QStringLiteral("010-12345678"));
    EXPECT_EQ(sheet->cellType(3, 1), CellType::Empty);
    EXPECT_EQ(book.getSheet(1), nullptr);

    const QString copy = dir_.filePath("list.xlsx");
    ASSERT_TRUE(book.save(copy)) << qPrintable(book.errorText());
    const QJsonObject cells = WorkbookTool::Instance().Cells(copy);
    EXPECT_EQ(cells.value("A2").toString(), QStringLiteral("张三"));
    EXPECT_EQ(cells.value("B2").toDouble(), 13800138000.0);
    EXPECT_EQ(cells.value("A5").toString(), QStringLiteral("赵六"));
    EXPECT_FALSE(cells.contains("B4"));
}

TEST_F(XlsBookTest, AWorkbookThatCrashesTheReaderFailsItsOwnLoadOnly) {
    // The reader really dies on it (a sanitizer build reports it and exits instead).
    const HelperProcess::Result run = HelperProcess::Run(kReader, {kCrashingXls}, 30000, 1 << 20);
    EXPECT_TRUE(run.outcome == HelperProcess::Outcome::Crashed ||
                run.outcome == HelperProcess::Outcome::Failed);

    const QByteArray bytes = FileBytes(kCrashingXls);
    XlsBook book;
    ASSERT_TRUE(book.load(List()));
    EXPECT_FALSE(book.load(kCrashingXls));
    EXPECT_EQ(book.error(), ExcelBook::Error::Malformed);
    EXPECT_TRUE(book.errorText().startsWith(QStringLiteral("the .xls could not be read: ")))
        << qPrintable(book.errorText());
    EXPECT_EQ(book.getSheet(0), nullptr);
    EXPECT_EQ(FileBytes(kCrashingXls), bytes);
    // The next workbook reads as ever.
    ASSERT_TRUE(book.load(List())) << qPrintable(book.errorText());
    EXPECT_EQ(book.getSheet(0)->readStr(4, 0), QStringLiteral("赵六"));
}

TEST_F(XlsBookTest, AFileThatIsNoWorkbookIsToldByTheReader) {
    const QString junk = dir_.filePath("junk.xls");
    ASSERT_TRUE(test::WriteBytes(junk, "姓名,电话\n张三,13800138000\n"));
    XlsBook book;
    ExpectFailure(book, junk, ExcelBook::Error::NotAWorkbook, "not a readable .xls workbook");
    EXPECT_FALSE(book.load(dir_.filePath("missing.xls")));
    EXPECT_EQ(book.error(), ExcelBook::Error::CannotRead);
}

TEST_F(XlsBookTest, AReaderThatFailsOrMisbehavesGivesAClearErrorAndNoSheet) {
    const auto failsWith = [&](const QString& reader, ExcelBook::Error error, const char* says,
                               int timeoutMs = 30000) {
        XlsBook book(reader, timeoutMs);
        ExpectFailure(book, List(), error, says);
    };
    failsWith({}, ExcelBook::Error::CannotRead, "tamberlink-xls-reader is not installed");
    failsWith(dir_.filePath("none"), ExcelBook::Error::CannotRead, "did not start");
    failsWith(Script("crash", "kill -SEGV $$"), ExcelBook::Error::Malformed, "crashed");
    failsWith(Script("status", "exit 3"), ExcelBook::Error::Malformed, "ended with status 3");
    failsWith(Script("garbage", "printf 'PK not a stream'"), ExcelBook::Error::Malformed,
              "output is damaged");
    const QByteArray reader = QFile::encodeName(kReader);
    failsWith(Script("cut", "'" + reader + "' \"$1\" | head -c 40"), ExcelBook::Error::Malformed,
              "output is damaged");
    failsWith(Script("hang", "exec sleep 600"), ExcelBook::Error::Malformed, "longer than 1 s",
              1000);
    // A stand-in that passes the real reader's stream on is as good as the reader.
    XlsBook book(Script("relay", "exec '" + reader + "' \"$1\""), 30000);
    ASSERT_TRUE(book.load(List())) << qPrintable(book.errorText());
    EXPECT_EQ(book.getSheet(0)->readStr(1, 0), QStringLiteral("张三"));
}

TEST(HelperProcess, CollectsTheOutputWithinItsLimits) {
    const QString sh = QStringLiteral("/bin/sh");
    const auto run = [&](const char* script, int timeoutMs = 30000, qint64 limit = 4000000) {
        return HelperProcess::Run(sh, {QStringLiteral("-c"), QString::fromUtf8(script)}, timeoutMs,
                                  limit);
    };
    HelperProcess::Result result = run("head -c 4000000 /dev/zero");
    EXPECT_EQ(result.outcome, HelperProcess::Outcome::Finished);
    EXPECT_EQ(result.output, QByteArray(4000000, '\0'));
    EXPECT_EQ(run("exec cat /dev/zero").outcome, HelperProcess::Outcome::TooMuchOutput);

    result = run("printf abc; exit 7");
    EXPECT_EQ(result.outcome, HelperProcess::Outcome::Failed);
    EXPECT_EQ(result.exitCode, 7);
    EXPECT_EQ(result.output, "abc");
    EXPECT_EQ(run("kill -KILL $$").outcome, HelperProcess::Outcome::Crashed);
    // Silent, and silent with its output closed: both are ended at the time limit.
    EXPECT_EQ(run("exec sleep 600", 500).outcome, HelperProcess::Outcome::TimedOut);
    EXPECT_EQ(run("exec >&-; exec sleep 600", 500).outcome, HelperProcess::Outcome::TimedOut);

    result = HelperProcess::Run(QStringLiteral("/nonexistent/helper"), {}, 30000, 100);
    EXPECT_EQ(result.outcome, HelperProcess::Outcome::NotStarted);
    EXPECT_FALSE(result.detail.isEmpty());
}

// Runs a copy of the helper_finder test program at `program`, which prints what
// HelperProcess::Find finds for the reader from where it sits.
QString FoundFrom(const QString& program) {
    QProcess finder;
    finder.start(program, {QString::fromLatin1(XlsBook::kReaderName)});
    EXPECT_TRUE(finder.waitForFinished(30000));
    return QString::fromUtf8(finder.readAllStandardOutput()).trimmed();
}

TEST(HelperProcess, FindsAHelperBesideTheProgramOrWhereItIsInstalled) {
    EXPECT_EQ(QFileInfo(HelperProcess::Find(QString::fromLatin1(XlsBook::kReaderName)))
                  .canonicalFilePath(),
              QFileInfo(kReader).canonicalFilePath());
    EXPECT_TRUE(HelperProcess::Find(QStringLiteral("no-such-helper")).isEmpty());

    QTemporaryDir prefix;
    const QString bin = prefix.filePath("bin");
    const QString libexec = QDir::cleanPath(bin + "/" TAMBERLINK_LIBEXEC_FROM_BIN);
    ASSERT_TRUE(QDir().mkpath(bin) && QDir().mkpath(libexec));
    const QString finder = bin + "/helper_finder";
    ASSERT_TRUE(QFile::copy(QStringLiteral(TAMBERLINK_BIN_DIR "/helper_finder"), finder));
    EXPECT_EQ(FoundFrom(finder), QString());

    // Installed: only an executable file counts.
    const QString installed = libexec + "/" + XlsBook::kReaderName;
    ASSERT_TRUE(test::Touch(installed));
    EXPECT_EQ(FoundFrom(finder), QString());
    ASSERT_TRUE(QFile::setPermissions(installed, QFile::ReadOwner | QFile::ExeOwner));
    EXPECT_EQ(FoundFrom(finder), installed);
    // One beside the program (as in the build tree) comes first.
    const QString beside = bin + "/" + XlsBook::kReaderName;
    ASSERT_TRUE(QFile::copy(installed, beside));
    EXPECT_EQ(FoundFrom(finder), beside);
}

} // namespace
} // namespace tamberlink
