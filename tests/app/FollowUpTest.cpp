// The missed calls to follow up as the core works them out: from a call log written over
// years in every form a number takes, after a restart, and as new calls are logged.
#include "CoreTestSupport.h"

#include "../store/StoreTestSupport.h"
#include "app/AppCore.h"
#include "app/FollowUpState.h"
#include "util/PhoneNumber.h"

#include <QTemporaryDir>

#include <ctime>

#include <gtest/gtest.h>

namespace tamberlink {
namespace {

using test::BuiltDataFolder;
using test::RawDb;
using test::WaitUntil;

class FollowUpTest : public ::testing::Test {
protected:
    void StartCore() {
        core_ = std::make_unique<AppCore>(test::TestConfig(docs_.path(), BuiltDataFolder()), sink_);
        ASSERT_TRUE(core_->Start());
        ASSERT_TRUE(WaitUntil([&] { return core_->FollowUp().IsLoaded(); }));
    }
    void StopCore() {
        core_->Shutdown();
        core_.reset();
    }
    QString DatabasePath() const {
        return docs_.filePath(QStringLiteral("Tamberlink/Data/Tamberlink.db"));
    }
    // The waiting numbers as "phone:missed" in the order the list shows them.
    std::string Waiting() {
        std::string shown;
        for (int id : core_->FollowUp().WaitingIds()) {
            const auto call = core_->Database().CallLog().GetEntry(id);
            const auto waiting = core_->FollowUp().Find(call->phone);
            shown += (shown.empty() ? "" : " ") + call->phone.toStdString() + ":" +
                     std::to_string(waiting ? waiting->missed : 0);
        }
        return shown;
    }

    int argc_ = 1;
    char arg0_[8] = "test";
    char* argv_[1] = {arg0_};
    QCoreApplication app_{argc_, argv_};
    QTemporaryDir docs_;
    test::RecordingSink sink_;
    std::unique_ptr<AppCore> core_;
};

TEST_F(FollowUpTest, TheLogOfYearsGivesTheNumbersStillWaitingAndTheListFollowsNewCalls) {
    StartCore();
    const int before = core_->FollowUp().Count();
    StopCore();
    EXPECT_EQ(before, 0);
    {
        RawDb raw(DatabasePath());
        // Years of answered calls before, so that the rows below straddle two of the slices
        // the log is read in: a's second ring (id 20,000) ends the first slice, and the box's
        // report of it begins the next.
        raw.Exec("with recursive n(i) as (select 1 union all select i+1 from n where i<19995) "
                 "insert into table_log(name, phone, date_time, type) select '', "
                 "'150'||(10000000+i), '2020/01/01 09:00:00', 1 from n");
        raw.Exec("insert into table_log(name, phone, date_time, type) values"
                 // A landline ring the box then reported missed, twice: one number, two calls.
                 "('a', '13900000001', '2024/12/08 10:00:00', 3),"
                 "('a', '13900000001', '2024/12/08 10:00:20', 5),"
                 // Written with +86, blanks and dashes, then rung and answered an hour later.
                 "('b', '+86 138-0000-0002', '2024/12/08 10:01:00', 5),"
                 "('c', '020-8888 1234', '2024/12/08 10:02:00', 5),"
                 "('a', '+86 139 0000 0001', '2024/12/08 11:00:00', 3),"
                 "('a', '013900000001', '2024/12/08 11:00:30', 5),"
                 "('b', '13800000002', '2024/12/08 11:01:00', 3),"
                 // Called back on the landline with its area code's 0.
                 "('c', '02088881234', '2024/12/08 11:02:00', 4),"
                 "('d', '13700000004', '2024/12/08 11:03:00', 5),"
                 "('d', '137-0000-0004', '2024/12/08 11:04:00', 5),"
                 "('e', '13600000005', '2024/12/08 11:05:00', 5),"
                 "('f', '', '2024/12/08 11:06:00', 5),"
                 // A service code: not a number of digits alone.
                 "('g', '*21#', '2024/12/08 11:07:00', 5)");
        // Handled by hand: the first of d's two calls, and e's only one.
        raw.Exec("insert into table_followup_done(phone_key, until_id) values"
                 "('13700000004', 20004), ('13600000005', 20006)");
    }
    StartCore();
    EXPECT_EQ(Waiting(), "*21#:1 137-0000-0004:1 013900000001:2");
    EXPECT_EQ(core_->FollowUp().Count(), 3);
    ASSERT_TRUE(core_->AddCallLog(QStringLiteral("*21#"), {}, {}, 2));

    int told = -1;
    QObject::connect(&core_->FollowUp(), &FollowUpTracker::Changed,
                     [&told](int count) { told = count; });
    // Reached through the phone: gone at once.
    ASSERT_TRUE(core_->AddCallLog(QStringLiteral("139-0000-0001"), {}, {}, 1));
    EXPECT_EQ(told, 1);
    EXPECT_EQ(Waiting(), "137-0000-0004:1");

    // A ring on the landline waits for the box's word on whether it was missed.
    ASSERT_TRUE(core_->AddCallLog(QStringLiteral("13700000004"), {}, {}, 3));
    ASSERT_TRUE(core_->AddCallLog(QStringLiteral("13700000004"), {}, {}, 5));
    EXPECT_EQ(Waiting(), "13700000004:2");

    // "已处理" holds across a restart until the number misses a call again.
    EXPECT_TRUE(core_->FollowUp().MarkDone(QStringLiteral("+8613700000004")));
    EXPECT_EQ(told, 0);
    EXPECT_FALSE(core_->FollowUp().MarkDone(QStringLiteral("13700000004")));
    StopCore();
    StartCore();
    EXPECT_EQ(Waiting(), "");
    ASSERT_TRUE(core_->AddCallLog(QStringLiteral("13700000004"), {}, {}, 5));
    EXPECT_EQ(Waiting(), "13700000004:1");
    StopCore();
}

TEST(PhoneNumberComparable, TheFormsOfOneNumberCompareAsOneAndTheDatabaseAgrees) {
    for (const char* form :
         {"13800000000", "+86 138-0000-0000", "013800000000", "138 0000 0000", "+8613800000000"}) {
        EXPECT_EQ(PhoneNumber::Comparable(QString::fromLatin1(form)), QStringLiteral("13800000000"))
            << form;
    }
    EXPECT_EQ(PhoneNumber::Comparable(QStringLiteral("020-8888 1234")),
              PhoneNumber::Comparable(QStringLiteral("2088881234")));
    EXPECT_NE(PhoneNumber::Comparable(QStringLiteral("88881234")),
              PhoneNumber::Comparable(QStringLiteral("2088881234")));

    // The indexes compute the same form in SQL.
    QTemporaryDir folder;
    RawDb raw(folder.filePath(QStringLiteral("numbers.db")));
    raw.Exec("create table t(phone text)");
    raw.Exec("insert into t values('+86 138-0000-0000'), ('013800000000'), ('020-8888 1234'), "
             "('+86 020 8888-1234'), ('0')");
    EXPECT_EQ(raw.Rows(std::string("select ") + PhoneNumber::kComparableSql + " from t"),
              "13800000000\n13800000000\n2088881234\n2088881234\n");
}

TEST(FollowUpStateSeconds, AgreesWithTheLocalClockAcrossTheDaysItChanges) {
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "Europe/Berlin");
    tzset();
    FollowUpState state;
    // Every 20 minutes over three days, from the day before the spring change.
    const QString format = QStringLiteral("yyyy/MM/dd HH:mm:ss");
    const QDateTime end(QDate(2024, 4, 2), QTime(0, 0));
    for (QDateTime at(QDate(2024, 3, 30), QTime(0, 0)); at < end; at = at.addSecs(1200)) {
        const QString text = at.toString(format);
        EXPECT_EQ(state.Seconds(text), QDateTime::fromString(text, format).toSecsSinceEpoch())
            << text.toStdString();
    }
    zone.isNull() ? qunsetenv("TZ") : qputenv("TZ", zone);
    tzset();
}

} // namespace
} // namespace tamberlink
