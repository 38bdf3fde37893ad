#include "StoreTestSupport.h"

#include "store/AttributionDatabase.h"

#include <QDir>
#include <QProcess>

#include <zlib.h>

#include <random>

namespace tamberlink {
namespace {

using test::BuiltDataFile;

const QString kToolPath = QString::fromUtf8(TAMBERLINK_BIN_DIR "/tamberlink-attribution");

struct ToolRun {
    int exitCode = -1;
    QString output;
    QString errors;
};

ToolRun RunTool(const QStringList& arguments) {
    QProcess process;
    process.start(kToolPath, arguments);
    ToolRun run;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.output = QString::fromUtf8(process.readAllStandardOutput());
    run.errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

TEST(Attribution, BuiltDatabaseAnswersWrittenAndBareNumbersAlike) {
    AttributionDatabase db;
    ASSERT_TRUE(db.Open(BuiltDataFile("MoblieAreacode.db"))) << db.OpenError().toStdString();
    EXPECT_EQ(db.GetAttribution(QStringLiteral("13800000000")), QStringLiteral("移动|北京"));
    EXPECT_EQ(db.GetAttribution(QStringLiteral("+86 138-0000-0000")), QStringLiteral("移动|北京"));
    EXPECT_EQ(db.GetAttribution(QStringLiteral("13908001234")), QStringLiteral("移动|四川成都"));
    EXPECT_EQ(db.GetAttribution(QStringLiteral("10086")), QStringLiteral("未知号码"));
    EXPECT_EQ(db.GetAttribution(QStringLiteral("138'0000")), QStringLiteral("未知号码"));

    EXPECT_EQ(db.Lookup(QStringLiteral("13908001234")).Place(), QStringLiteral("四川成都"));
    EXPECT_EQ(db.Lookup(QStringLiteral("13800000000")).Place(), QStringLiteral("北京"));
    EXPECT_EQ(db.Lookup(QStringLiteral("13908001234")).corp, QStringLiteral("中国移动"));
    EXPECT_EQ(db.Lookup(QStringLiteral("+8613800000000")).Place(), QString());
    EXPECT_EQ(db.Lookup(QStringLiteral("+8613800000000")).corp, QString());

    const NumberAttribution chengdu = db.Lookup(QStringLiteral("13908001234"));
    EXPECT_EQ(chengdu.province, QStringLiteral("四川"));
    EXPECT_EQ(chengdu.city, QStringLiteral("成都"));
    EXPECT_EQ(chengdu.corp, QStringLiteral("中国移动"));
    EXPECT_EQ(chengdu.areaCode, QStringLiteral("028"));
    EXPECT_EQ(db.Lookup(QStringLiteral("13800000000")).areaCode, QStringLiteral("010"));
    EXPECT_EQ(db.Lookup(QStringLiteral("12")).areaCode, QString());
}

TEST(Attribution, BuiltDatabaseHoldsCleanNamesAndIsKeyedOnPhone) {
    test::RawDb raw(BuiltDataFile("MoblieAreacode.db"));
    EXPECT_GT(std::stoi(raw.Rows("select count(*) from area_code")), 250000);
    EXPECT_EQ(raw.Rows("select count(*) from area_code where length(phone)<>7 or province like "
                       "'%省' or city like '%市' or city like '%自治州' or city=''"),
              "0");
    EXPECT_EQ(raw.Rows("select distinct corp from area_code where corp<>'' order by corp"),
              "中国电信\n中国移动\n中国联通");
    EXPECT_NE(raw.Rows("explain query plan select * from area_code where phone='1380000'")
                  .find("USING PRIMARY KEY"),
              std::string::npos);
}

TEST(Attribution, MissingPartsGiveTheDefaults) {
    QTemporaryDir dir;
    const QString tsv = dir.filePath(QStringLiteral("p.tsv"));
    WriteFile(tsv, "1000001\t广东\t\t中国联通\t\t\n"
                   "1000002\t北京\t北京\t\t010\t\n"
                   "1000003\t上海\t上海\t中国电信\t021\t200000\n");
    const QString dbPath = dir.filePath(QStringLiteral("a.db"));
    ASSERT_EQ(RunTool({tsv, dbPath}).exitCode, 0);

    AttributionDatabase db;
    ASSERT_TRUE(db.Open(dbPath));
    EXPECT_EQ(db.GetAttribution(QStringLiteral("10000019999")), QStringLiteral("未知号码"));
    EXPECT_EQ(db.Lookup(QStringLiteral("10000019999")).Place(), QStringLiteral("广东"));
    EXPECT_EQ(db.GetAttribution(QStringLiteral("10000029999")), QStringLiteral("未知号码"));
    EXPECT_EQ(db.Lookup(QStringLiteral("10000029999")).corp, QString());
    EXPECT_EQ(db.GetAttribution(QStringLiteral("10000039999")), QStringLiteral("电信|上海"));

    // A database without the table, and one that is no database at all.
    const QString empty = dir.filePath(QStringLiteral("empty.db"));
    test::RawDb(empty).Exec("create table other(x)");
    ASSERT_TRUE(db.Open(empty));
    EXPECT_EQ(db.GetAttribution(QStringLiteral("13800000000")), QStringLiteral("未知号码"));
    EXPECT_EQ(db.Lookup(QStringLiteral("13800000000")).province, QString());
    const QString junk = dir.filePath(QStringLiteral("junk.db"));
    WriteFile(junk, QByteArray(2048, '\x7f'));
    db.Open(junk);
    EXPECT_EQ(db.Lookup(QStringLiteral("13800000000")).Place(), QString());
    db.Close();
    EXPECT_EQ(db.Lookup(QStringLiteral("13800000000")).corp, QString());
}

TEST(AttributionTool, RefusesBadTablesAndKeepsTheEarlierDatabase) {
    QTemporaryDir dir;
    const QString dbPath = dir.filePath(QStringLiteral("a.db"));
    const QString good = dir.filePath(QStringLiteral("good.tsv"));
    WriteFile(good, "phone\tprovince\tcity\tcorp\tareacode\tzipcode\r\n"
                    "1380000\t北京\t北京\t中国移动\t010\t100000\r\n");
    const ToolRun first = RunTool({good, dbPath});
    ASSERT_EQ(first.exitCode, 0) << first.errors.toStdString();
    EXPECT_TRUE(first.output.contains(QStringLiteral("1 prefixes")));

    const struct {
        QByteArray content;
        const char* message;
    } bad[] = {
        {"1380001\t北京\t北京\t中国移动\t010\n138000\t北京\t北京\t中国移动\t010\n",
         ":2: the prefix \"138000\" is not 7 digits"},
        {"1380001\t北京\t北京\t中国移动\t010\n1380001\t北京\t北京\t中国移动\t010\n",
         ":2: the prefix 1380001 appears twice"},
        {"1380001\t北京\t北京\n", ":1: expected 5 or 6 tab-separated fields"},
        {"1380001\t\xff\xfe\t北京\t中国移动\t010\n", ":1: the line is not UTF-8 text"},
        {"1380001\t北京\t北京\t中国移动\t0x10\n", ":1: the area code \"0x10\" is not a number"},
        {"phone\tprovince\tcity\tcorp\tareacode\tzipcode\n", "holds no prefixes"},
    };
    for (const auto& input : bad) {
        const QString path = dir.filePath(QStringLiteral("bad.tsv"));
        WriteFile(path, input.content);
        const ToolRun run = RunTool({path, dbPath});
        EXPECT_EQ(run.exitCode, 1) << input.message;
        EXPECT_TRUE(run.errors.contains(QString::fromUtf8(input.message)))
            << run.errors.toStdString();
    }
    EXPECT_EQ(RunTool({dir.filePath(QStringLiteral("missing.tsv")), dbPath}).exitCode, 1);
    EXPECT_EQ(RunTool({good}).exitCode, 2);

    // The first import is still there, whole, and nothing else was left in the folder.
    AttributionDatabase db;
    ASSERT_TRUE(db.Open(dbPath));
    EXPECT_EQ(db.GetAttribution(QStringLiteral("13800000000")), QStringLiteral("移动|北京"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).filter(QStringLiteral(".tmp")),
              QStringList());
}

TEST(AttributionTool, ImportsTheFullPrefixTable) {
    const QString table =
        QString::fromUtf8(TAMBERLINK_SOURCE_DIR "/../shared/data/attribution/prefixes.tsv.gz");
    if (!QFile::exists(table)) {
        GTEST_SKIP() << "no shared prefix table at " << table.toStdString();
    }
    QTemporaryDir dir;
    const QString dbPath = dir.filePath(QStringLiteral("MoblieAreacode.db"));
    const ToolRun run = RunTool({table, dbPath});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();

    // Every 997th row of the table, read independently, must come back from the lookups.
    gzFile in = gzopen(table.toUtf8().constData(), "rb");
    ASSERT_NE(in, nullptr);
    AttributionDatabase db;
    ASSERT_TRUE(db.Open(dbPath));
    char buffer[1024];
    int lineNumber = 0;
    int checked = 0;
    while (gzgets(in, buffer, sizeof buffer) != nullptr) {
        if (lineNumber++ == 0 || lineNumber % 997 != 0) {
            continue;
        }
        const QStringList fields =
            QString::fromUtf8(buffer).trimmed().split(u'\t', Qt::KeepEmptyParts);
        ASSERT_GE(fields.size(), 5);
        const QString number = fields[0] + QStringLiteral("1234");
        const NumberAttribution record = db.Lookup(number);
        EXPECT_EQ(record.province, fields[1]) << fields[0].toStdString();
        EXPECT_EQ(record.city, fields[2]);
        EXPECT_EQ(record.corp, fields[3]);
        EXPECT_EQ(record.areaCode, fields[4]);
        EXPECT_EQ(db.GetAttribution(number),
                  NumberAttribution::TextOf(fields[1], fields[2], fields[3]));
        ++checked;
    }
    gzclose(in);
    EXPECT_GT(checked, 400);
    EXPECT_TRUE(run.output.contains(QStringLiteral("447893 prefixes")));
}

} // namespace
} // namespace tamberlink
