// The call log's figures for a range of days, checked against figures python works out from
// the calls themselves with SQL of its own; and the lengths of old calls taken from their
// recordings when the database is brought up to date.
#include "StoreTestSupport.h"

#include "recording/Mp3Writer.h"
#include "store/LocalDatabase.h"
#include "store/Schema.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tamberlink {
namespace {

using test::RawDb;
using test::SeedCopy;

// The figures of python's reading of the log.
QJsonObject Expected(const QString& db, const char* first, const char* last) {
    QProcess python;
    python.start(QStringLiteral(TAMBERLINK_PYTHON),
                 {QStringLiteral(CALL_FIGURES_SCRIPT), db, QString::fromUtf8(first),
                  QString::fromUtf8(last)});
    EXPECT_TRUE(python.waitForFinished(30000));
    EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

void ExpectCounts(const QJsonObject& expected, const CallCounts& counts, const std::string& what) {
    EXPECT_EQ(counts.incoming, expected["incoming"].toInt()) << what;
    EXPECT_EQ(counts.outgoing, expected["outgoing"].toInt()) << what;
    EXPECT_EQ(counts.missed, expected["missed"].toInt()) << what;
    EXPECT_EQ(counts.talkIn, expected["talk_in"].toInteger()) << what;
    EXPECT_EQ(counts.talkOut, expected["talk_out"].toInteger()) << what;
    EXPECT_EQ(counts.timed, expected["timed"].toInt()) << what;
}

void ExpectFigures(LocalDatabase& db, const QString& path, const char* first, const char* last) {
    const QJsonObject expected = Expected(path, first, last);
    ASSERT_FALSE(expected.isEmpty());
    const QDate from = QDate::fromString(QString::fromUtf8(first), QStringLiteral("yyyy/MM/dd"));
    const QDate to = QDate::fromString(QString::fromUtf8(last), QStringLiteral("yyyy/MM/dd"));
    const CallFigures figures = db.Figures().Figures(from, to);
    ExpectCounts(expected["total"].toObject(), figures.total, "total");
    for (int hour = 0; hour < 24; ++hour) {
        ExpectCounts(expected["by_hour"][hour].toObject(), figures.byHour[std::size_t(hour)],
                     "hour " + std::to_string(hour));
    }
    const QJsonArray days = expected["by_day"].toArray();
    ASSERT_EQ(figures.byDay.size(), std::size_t(days.size()));
    for (qsizetype day = 0; day < days.size(); ++day) {
        ExpectCounts(days[day].toObject(), figures.byDay[std::size_t(day)],
                     from.addDays(day).toString().toStdString());
    }

    const CallBacks backs = db.Figures().Backs(from, to, 10);
    EXPECT_EQ(backs.missed, expected["missed"].toInt());
    EXPECT_EQ(backs.calledBack, expected["called_back"].toInt());
    EXPECT_EQ(backs.medianSeconds, expected["median"].toInt());
    const QJsonArray busiest = expected["busiest"].toArray();
    ASSERT_EQ(backs.busiest.size(), std::size_t(busiest.size()));
    for (qsizetype i = 0; i < busiest.size(); ++i) {
        EXPECT_EQ(backs.busiest[std::size_t(i)].number, busiest[i][0].toString()) << i;
        EXPECT_EQ(backs.busiest[std::size_t(i)].calls.Total(), busiest[i][1].toInt()) << i;
    }
}

// A log of six weeks: the same numbers written in all their ways, calls just before midnight
// that last into the next day, a call back logged after its missed call at an earlier clock
// time (the clock was set back), withheld callers, calls of unknown length.
void FillLog(RawDb& raw) {
    const char* const numbers[] = {"13800138000",        "+86 138 0013 8000",
                                   "138-0013-8000",      "013800138000",
                                   "010-12345678",       "+86 10 1234 5678",
                                   "01012345678",        "13900000001",
                                   "0086 139 0000 0001", "",
                                   "15000000002",        "15000000003"};
    std::uint32_t seed = 7;
    const auto next = [&seed](std::uint32_t range) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % range;
    };
    raw.Exec("begin");
    for (int i = 0; i < 1500; ++i) {
        const QDate day = QDate(2024, 3, 1).addDays(next(46));
        const bool lateNight = next(10) == 0;
        const int hour = lateNight ? 23 : int(next(24));
        const int minute = lateNight ? 59 : int(next(60));
        const int type = 1 + int(next(5));
        const char* number = numbers[next(std::size(numbers))];
        const std::string length = type == 5 || next(6) == 0 ? "null" : std::to_string(next(900));
        const QString when = QStringLiteral("%1 %2:%3:%4")
                                 .arg(day.toString(QStringLiteral("yyyy/MM/dd")))
                                 .arg(hour, 2, 10, QLatin1Char('0'))
                                 .arg(minute, 2, 10, QLatin1Char('0'))
                                 .arg(int(next(60)), 2, 10, QLatin1Char('0'));
        raw.Exec("insert into table_log(name, phone, head, date_time, type, areacode, corp, "
                 "length) values('" +
                 std::string(number) + "', '" + number + "', '', '" + when.toStdString() + "', " +
                 std::to_string(type) + ", '北京', '中国移动', " + length + ")");
    }
    raw.Exec("insert into table_log(name, phone, date_time, type) values('15000000009', "
             "'15000000009', '2024/03/31 02:30:00', 5)");
    raw.Exec("insert into table_log(name, phone, date_time, type, length) values('15000000009', "
             "'+86 150-0000-0009', '2024/03/31 02:10:00', 4, 30)");
    raw.Exec("commit");
    // Rows that change and go keep the figures by hour right.
    raw.Exec("delete from table_log where id % 37 = 0");
    raw.Exec("update table_log set length = 61 where id % 41 = 0 and type <> 5");
    raw.Exec("update table_log set type = 5, length = null where id % 43 = 0");
    raw.Exec("update table_log set date_time = '2024/04/02 08:15:00' where id % 47 = 0");
}

TEST(CallFigures, MatchThoseWorkedOutFromTheCallsThemselves) {
    SeedCopy seed;
    LocalDatabase db;
    ASSERT_TRUE(db.Open(seed.path()));
    ASSERT_TRUE(db.RunMigrations());
    RawDb raw(seed.path());
    FillLog(raw);

    ExpectFigures(db, seed.path(), "2024/03/01", "2024/04/15");
    const CallBacks all = db.Figures().Backs(QDate(2024, 3, 1), QDate(2024, 4, 15), 10);
    EXPECT_GT(all.missed, 200);
    EXPECT_GT(all.calledBack, 100);
    EXPECT_EQ(all.busiest.size(), 6u); // eleven ways of writing six numbers
    ExpectFigures(db, seed.path(), "2024/03/10", "2024/03/16");
    ExpectFigures(db, seed.path(), "2024/03/31", "2024/03/31");
    // A range without calls.
    ExpectFigures(db, seed.path(), "2025/01/01", "2025/01/31");
    const CallFigures empty = db.Figures().Figures(QDate(2025, 1, 1), QDate(2025, 1, 31));
    EXPECT_EQ(empty.total.Total(), 0);
    EXPECT_EQ(empty.total.AnsweredShare(), -1.0);
    EXPECT_EQ(empty.byDay.size(), 31u);

    // The four ways of writing one mobile number, and the three of one Beijing landline,
    // are one number each.
    const CallBacks backs = db.Figures().Backs(QDate(2024, 3, 1), QDate(2024, 4, 15), 10);
    int mobiles = 0;
    for (const BusyNumber& busy : backs.busiest) {
        mobiles += NumberKey(busy.number) == QStringLiteral("13800138000");
    }
    EXPECT_EQ(mobiles, 1);
    EXPECT_EQ(NumberKey(QStringLiteral("+86 10 1234 5678")),
              NumberKey(QStringLiteral("010-12345678")));
}

// Seconds of silence as the recorder writes them.
void WriteRecording(const QString& path, int seconds) {
    Mp3Writer writer;
    ASSERT_TRUE(writer.Open(path));
    const std::vector<std::int16_t> silence(Mp3Writer::kMaxSamples, 0);
    std::int64_t left = std::int64_t(seconds) * Mp3Writer::kSampleRate;
    while (left > 0) {
        const std::size_t count = std::size_t(std::min<std::int64_t>(left, silence.size()));
        ASSERT_TRUE(writer.Encode(silence.data(), count));
        left -= std::int64_t(count);
    }
    ASSERT_TRUE(writer.Close());
}

// The schema version before calls kept their lengths; the steps after it are run again and
// find their tables and indexes there.
constexpr int kBeforeCallLengths = 11;

TEST(CallFigures, TheUpgradeTakesOldCallsLengthsFromTheirRecordings) {
    QTemporaryDir root;
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("Data")));
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("Rec")));
    const QString path = root.filePath(QStringLiteral("Data/Tamberlink.db"));
    ASSERT_TRUE(QFile::copy(test::BuiltDataFile("Tamberlink.db"), path));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    {
        // The database as the version before kept it: no lengths, no figures by hour.
        LocalDatabase db;
        ASSERT_TRUE(db.Open(path));
        ASSERT_TRUE(db.RunMigrations());
        db.Close();
        RawDb raw(path);
        raw.Exec("drop trigger table_log_hour_added; drop trigger table_log_hour_removed; "
                 "drop trigger table_log_hour_changed; drop table table_log_hour; drop index "
                 "table_log_time; alter table table_log drop column length");
        raw.Exec("pragma user_version = " + std::to_string(kBeforeCallLengths));
        raw.Exec("insert into table_log(name, phone, date_time, type, record_guid) values "
                 "('a', '13800000001', '2024/05/01 09:00:00', 3, 'AAAA-1'), "
                 "('b', '13800000002', '2024/05/01 09:30:00', 4, 'AAAA-2'), "
                 "('c', '13800000003', '2024/05/01 10:00:00', 3, 'AAAA-3'), "
                 "('d', '13800000004', '2024/05/01 10:30:00', 3, 'AAAA-4'), "
                 "('e', '13800000005', '2024/05/01 11:00:00', 5, '')");
    }
    const QDir rec(root.filePath(QStringLiteral("Rec")));
    WriteRecording(rec.filePath(QStringLiteral("AAAA-1.mp3")), 3);
    WriteRecording(rec.filePath(QStringLiteral("AAAA-2.mp3")), 65);
    // AAAA-3's recording is gone; AAAA-4's is no MP3.
    QFile junk(rec.filePath(QStringLiteral("AAAA-4.mp3")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(5000, 'x'));
    junk.close();

    LocalDatabase db;
    ASSERT_TRUE(db.Open(path));
    ASSERT_TRUE(db.RunMigrations()) << db.OpenError().toStdString();
    RawDb raw(path);
    EXPECT_EQ(raw.Rows("select record_guid, length from table_log order by id"),
              "AAAA-1|3\nAAAA-2|65\nAAAA-3|<null>\nAAAA-4|<null>\n|<null>");
    const CallFigures figures = db.Figures().Figures(QDate(2024, 5, 1), QDate(2024, 5, 1));
    EXPECT_EQ(figures.total.incoming, 3);
    EXPECT_EQ(figures.total.outgoing, 1);
    EXPECT_EQ(figures.total.missed, 1);
    EXPECT_EQ(figures.total.talkIn, 3);
    EXPECT_EQ(figures.total.talkOut, 65);
    EXPECT_EQ(figures.byHour[9].talkOut, 65);
    EXPECT_EQ(figures.total.AverageLength(), 34);

    // A new call's length is written once, and never onto a missed call.
    const int id = db.CallLog().Add(QStringLiteral("13800000006"), QString(), QString(), 3);
    EXPECT_EQ(db.CallLog().SetLength(id, 42), id);
    EXPECT_EQ(db.CallLog().SetLength(id, 50), 0);
    const int missed = db.CallLog().Add(QStringLiteral("13800000007"), QString(), QString(), 5);
    EXPECT_EQ(db.CallLog().SetLength(missed, 9), 0);
    EXPECT_EQ(raw.Rows("select length from table_log where id in (" + std::to_string(id) + ", " +
                       std::to_string(missed) + ") order by id"),
              "42\n<null>");
}

} // namespace
} // namespace tamberlink
