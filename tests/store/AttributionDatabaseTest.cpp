#include "StoreTestSupport.h"

#include "store/AttributionDatabase.h"
#include "util/PhoneNumber.h"

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
              "中国电信\n中国移动\n中国联通\n固话");
    EXPECT_NE(raw.Rows("explain query plan select * from area_code where phone='1380000'")
                  .find("USING PRIMARY KEY"),
              std::string::npos);
}

TEST(Attribution, LandlineNumbersFindTheirAreaCodesPlace) {
    AttributionDatabase db;
    ASSERT_TRUE(db.Open(BuiltDataFile("MoblieAreacode.db"))) << db.OpenError().toStdString();
    const struct {
        const char* number;
        const char* attribution;
    } cases[] = {
        {"02088290291", "固话|广东广州"},
        {"020-8829 0291", "固话|广东广州"},
        {"075512345678", "固话|广东深圳"},
        {"01012345678", "固话|北京"},
        {"0215432 1098", "固话|上海"},
        // A code the data knows only inside a wider range of keys, and codes of several
        // cities, which belong to the city named first.
        {"03351234567", "固话|河北秦皇岛"},
        {"02412345678", "固话|辽宁沈阳"},
        {"07311234567", "固话|湖南长沙"},
        // 4-digit codes after 3-digit ones that share their first digits.
        {"03111234567", "固话|河北石家庄"},
        {"03101234567", "固话|河北邯郸"},
        // No area code begins 033 but 0335, and 026 is none.
        {"03311234567", "未知号码"},
        {"02612345678", "未知号码"},
        // An area code alone, one with too few digits after it, and one whose trunk 0 the
        // "+86" form drops: never another place.
        {"020", "未知号码"},
        {"0755", "未知号码"},
        {"075512", "未知号码"},
        {"+86 20 8829 0291", "未知号码"},
        {"13800000000", "移动|北京"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(db.GetAttribution(QString::fromUtf8(c.number)), QString::fromUtf8(c.attribution))
            << c.number;
    }
    EXPECT_EQ(db.Lookup(QStringLiteral("02088290291")).Place(), QStringLiteral("广东广州"));
    EXPECT_EQ(db.Lookup(QStringLiteral("01012345678")).Place(), QStringLiteral("北京"));
    EXPECT_EQ(db.Lookup(QStringLiteral("02088290291")).corp, QStringLiteral("固话"));
    const NumberAttribution shenzhen = db.Lookup(QStringLiteral("075512345678"));
    EXPECT_EQ(shenzhen.province, QStringLiteral("广东"));
    EXPECT_EQ(shenzhen.city, QStringLiteral("深圳"));
    EXPECT_EQ(shenzhen.areaCode, QStringLiteral("0755"));
}

TEST(Attribution, LandlineRowsCoverEveryAreaCodeWholeAndAgreeWithTheMobileRows) {
    test::RawDb raw(BuiltDataFile("MoblieAreacode.db"));
    const std::string landline = "(select * from area_code where phone like '0%')";
    EXPECT_GT(std::stoi(raw.Rows("select count(distinct areacode) from " + landline)), 300);
    // Each row belongs to the code it begins with, and each code has all its keys: a code
    // that began another would have lost keys to it.
    EXPECT_EQ(raw.Rows("select count(*) from " + landline +
                       " where corp<>'固话' or length(areacode) not in (3, 4) or "
                       "substr(phone, 1, length(areacode))<>areacode"),
              "0");
    EXPECT_EQ(raw.Rows("select count(*) from " + landline),
              raw.Rows("select sum(case length(areacode) when 3 then 10000 else 1000 end) from "
                       "(select distinct areacode from " +
                       landline + ")"));
    EXPECT_EQ(raw.Rows("select count(*) from (select distinct areacode, province, city from " +
                       landline + ")"),
              raw.Rows("select count(distinct areacode) from " + landline));
    EXPECT_EQ(raw.Rows("select count(*) from area_code where phone like '010%'"), "10000");
    EXPECT_EQ(raw.Rows("select count(*) from area_code where phone like '0755%'"), "1000");
    // Every area code a mobile row names has landline rows in the same province.
    EXPECT_EQ(raw.Rows("select count(*) from area_code m left join area_code l on "
                       "l.phone=substr(m.areacode || '0000', 1, 7) where m.phone like '1%' and "
                       "m.areacode<>'' and (l.phone is null or l.province<>m.province)"),
              "0");
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

TEST(AttributionTool, MobileRowsAreThoseOfTheTableAlone) {
    // The built database against one built from the same table without the landline rows.
    QTemporaryDir dir;
    const QString mobileOnly = dir.filePath(QStringLiteral("mobile.db"));
    const ToolRun run = RunTool(
        {QStringLiteral("--no-landlines"),
         QString::fromUtf8(TAMBERLINK_BINARY_DIR "/tools/attribution/phonenumbers-prefixes.tsv"),
         mobileOnly});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_FALSE(run.output.contains(QStringLiteral("landline")));
    test::RawDb raw(BuiltDataFile("MoblieAreacode.db"));
    raw.Exec("attach '" + mobileOnly.toStdString() + "' as mobile");
    EXPECT_EQ(raw.Rows("select count(*) from mobile.area_code where phone like '0%'"), "0");
    EXPECT_GT(std::stoi(raw.Rows("select count(*) from mobile.area_code")), 250000);
    const std::string built = "select * from main.area_code where phone not like '0%'";
    EXPECT_EQ(
        raw.Rows("select count(*) from (" + built + " except select * from mobile.area_code)"),
        "0");
    EXPECT_EQ(
        raw.Rows("select count(*) from (select * from mobile.area_code except " + built + ")"),
        "0");
}

TEST(AttributionTool, AddsLandlineRowsToATableButKeepsTheTablesOwn) {
    QTemporaryDir dir;
    const QString tsv = dir.filePath(QStringLiteral("p.tsv"));
    WriteFile(tsv, "1380000\t北京\t北京\t中国移动\t010\t100000\n"
                   "0208829\t广东\t广州\t中国电信\t020\t510000\n");
    const QString dbPath = dir.filePath(QStringLiteral("a.db"));
    const ToolRun run = RunTool({tsv, dbPath});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    const std::string builtLandlines = test::RawDb(BuiltDataFile("MoblieAreacode.db"))
                                           .Rows("select count(*) from area_code where phone "
                                                 "like '0%'");
    EXPECT_TRUE(run.output.contains(
        QStringLiteral("2 prefixes and %1 landline prefixes").arg(std::stoi(builtLandlines) - 1)))
        << run.output.toStdString();

    AttributionDatabase db;
    ASSERT_TRUE(db.Open(dbPath));
    EXPECT_EQ(db.GetAttribution(QStringLiteral("02088290291")), QStringLiteral("电信|广东广州"));
    EXPECT_EQ(db.GetAttribution(QStringLiteral("02088300000")), QStringLiteral("固话|广东广州"));
    EXPECT_EQ(db.GetAttribution(QStringLiteral("075512345678")), QStringLiteral("固话|广东深圳"));
    EXPECT_EQ(db.GetAttribution(QStringLiteral("13800000000")), QStringLiteral("移动|北京"));
    db.Close();

    const ToolRun bare = RunTool({QStringLiteral("--no-landlines"), tsv, dbPath});
    ASSERT_EQ(bare.exitCode, 0) << bare.errors.toStdString();
    EXPECT_TRUE(bare.output.contains(QStringLiteral("2 prefixes written")));
    ASSERT_TRUE(db.Open(dbPath));
    EXPECT_EQ(db.GetAttribution(QStringLiteral("075512345678")), QStringLiteral("未知号码"));
    EXPECT_EQ(db.GetAttribution(QStringLiteral("02088290291")), QStringLiteral("电信|广东广州"));
    EXPECT_EQ(RunTool({QStringLiteral("--no-landlines"), tsv}).exitCode, 2);
}

TEST(Attribution, LocalNumbersTakeTheUsersAreaCode) {
    const struct {
        const char* number;
        const char* areaCode;
        const char* expected;
    } cases[] = {
        {"88290291", "020", "02088290291"},    {"8829 0291", "020", "02088290291"},
        {"8829-0291", "020", "02088290291"},   {"2345678", "0335", "03352345678"},
        {"88290291", "20", "02088290291"},     {"12345678", "020", "12345678"},
        {"08829029", "020", "08829029"},       {"8829029", "", "8829029"},
        {"88290291", "", "88290291"},          {"88290291", "0", "88290291"},
        {"88290291", "00755", "88290291"},     {"88290291", "02a", "88290291"},
        {"882902", "020", "882902"},           {"882902912", "020", "882902912"},
        {"8829029a", "020", "8829029a"},       {"+8688290291", "020", "+8688290291"},
        {"13800000000", "020", "13800000000"}, {"02088290291", "020", "02088290291"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PhoneNumber::WithLocalAreaCode(QString::fromUtf8(c.number),
                                                 QString::fromUtf8(c.areaCode)),
                  QString::fromUtf8(c.expected))
            << c.number << " in " << c.areaCode;
    }

    AttributionDatabase db;
    ASSERT_TRUE(db.Open(BuiltDataFile("MoblieAreacode.db")));
    const auto local = [&](const char* number, const char* areaCode) {
        return db.GetAttribution(
            PhoneNumber::WithLocalAreaCode(QString::fromUtf8(number), QString::fromUtf8(areaCode)));
    };
    EXPECT_EQ(local("88290291", "020"), QStringLiteral("固话|广东广州"));
    EXPECT_EQ(local("22345678", "0755"), QStringLiteral("固话|广东深圳"));
    EXPECT_EQ(local("88290291", ""), QStringLiteral("未知号码"));
    EXPECT_EQ(local("8829029", ""), QStringLiteral("未知号码"));
    EXPECT_EQ(local("13800000000", "020"), QStringLiteral("移动|北京"));
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
    EXPECT_TRUE(run.output.contains(QStringLiteral("447893 prefixes and ")));
    // The fuller mobile table keeps the landline rows.
    EXPECT_EQ(db.GetAttribution(QStringLiteral("02088290291")), QStringLiteral("固话|广东广州"));
    EXPECT_EQ(db.GetAttribution(QStringLiteral("01012345678")), QStringLiteral("固话|北京"));
}

} // namespace
} // namespace tamberlink
