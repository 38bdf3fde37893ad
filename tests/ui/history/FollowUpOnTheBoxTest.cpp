// The missed calls to follow up and a number's history in the main window, driven through
// the virtual telephone box: a missed call joins the list and its badge, stays after another
// missed one, leaves after a call answered on the phone or by "已处理"; the popups tell the
// last contact; the history window holds the number's calls, SMS and notes however each
// wrote the number.
#include "../../device/BoxSim.h"
#include "../UiTestSupport.h"

#include "app/AppCore.h"
#include "ui/calls/CCallInUI.h"
#include "ui/calls/CRecordContainer.h"
#include "ui/calls/CallLogModel.h"
#include "ui/history/CNumberHistory.h"
#include "ui/history/HistoryItem.h"
#include "ui/history/HistoryListModel.h"
#include "ui/shell/CMainWndUI.h"
#include "ui/widgets/CButtonUI.h"

#include <QDateTime>
#include <QLabel>
#include <QMenu>

#include <gtest/gtest.h>

#include <algorithm>

using namespace tamberlink;

namespace {

constexpr int kDeadlineMs = 30000;

class FollowUpOnTheBox : public test::MainWindowFixture {
protected:
    std::optional<QString> SerialPort() const override {
        return QString::fromStdString(box_.PortPath());
    }
    void SetUp() override {
        ASSERT_TRUE(box_.Running());
        MainWindowFixture::SetUp();
        page_ = window_->RecordPage();
        ASSERT_TRUE(test::WaitFor([&] { return window_->Core().IsBoxConnected(); }, kDeadlineMs));
        ASSERT_TRUE(test::WaitFor([&] { return window_->Core().FollowUp().IsLoaded(); }));
    }
    void Send(const std::string& command) { ASSERT_EQ(box_.Command(command), "ok") << command; }
    // A landline call nobody took: the ring, the box's missed report, the end.
    void MissedCall(const std::string& number) {
        Send("ring " + number);
        Send("missed " + number);
        Send("state 14");
    }
    int Waiting() { return window_->Core().FollowUp().Count(); }
    bool ListShows(int rows) {
        return !page_->Model().IsLoading() && page_->Model().EntryCount() == rows;
    }
    QAction* RowAction(int row, const QString& text) {
        QMenu* menu = page_->OpenRowMenu(row);
        if (menu == nullptr) {
            return nullptr;
        }
        for (QAction* action : menu->actions()) {
            if (action->text() == text) {
                return action;
            }
        }
        return nullptr;
    }

    test::BoxSim box_{{"--area-code", "010"}};
    CRecordContainer* page_ = nullptr;
};

} // namespace

TEST_F(FollowUpOnTheBox, AMissedCallWaitsUntilTheNumberIsReachedOnEitherLineOrHandled) {
    EXPECT_EQ(page_->FollowUpButton()->text(), QStringLiteral("待回拨 0"));
    MissedCall("13912345678");
    ASSERT_TRUE(test::WaitFor([&] { return Waiting() == 1; }, kDeadlineMs));
    EXPECT_EQ(page_->FollowUpButton()->text(), QStringLiteral("待回拨 1"));
    EXPECT_TRUE(window_->windowTitle().endsWith(QStringLiteral("（待回拨 1）")))
        << window_->windowTitle().toStdString();

    QTest::mouseClick(page_->FollowUpButton(), Qt::LeftButton);
    EXPECT_TRUE(page_->IsFollowUpOnly());
    ASSERT_TRUE(test::WaitFor([&] { return ListShows(1); }));
    EXPECT_EQ(page_->Model().Entry(0)->phone, QStringLiteral("13912345678"));
    EXPECT_EQ(page_->Model().Entry(0)->type, 5);

    // It rings again: the popup recalls the missed call; nobody answers this one either.
    Send("ring 13912345678");
    QString context;
    ASSERT_TRUE(test::WaitFor(
        [&] {
            CCallInUI* popup = test::Opened<CCallInUI>();
            context = popup != nullptr
                          ? test::Control<QLabel>(popup, QStringLiteral("labelContext"))->text()
                          : QString();
            return context.contains(QStringLiteral("未接通"));
        },
        kDeadlineMs))
        << context.toStdString();
    EXPECT_TRUE(context.startsWith(QStringLiteral("上次通话 "))) << context.toStdString();
    EXPECT_TRUE(context.endsWith(QStringLiteral("，未接通，待回拨（未接 1 次）")))
        << context.toStdString();
    Send("missed 13912345678");
    Send("state 14");
    ASSERT_TRUE(test::WaitFor(
        [&] {
            const auto waiting =
                window_->Core().FollowUp().Find(QStringLiteral("+86 139-1234-5678"));
            return waiting && waiting->missed == 2;
        },
        kDeadlineMs));
    ASSERT_TRUE(test::WaitFor([&] { return ListShows(1); }));
    const int newestMissed = window_->Core().FollowUp().Find(QStringLiteral("13912345678"))->lastId;
    EXPECT_EQ(page_->Model().Entry(0)->id, newestMissed);

    // Another caller, handled by hand from the row's menu.
    MissedCall("13800000000");
    ASSERT_TRUE(test::WaitFor([&] { return Waiting() == 2 && ListShows(2); }, kDeadlineMs));
    ASSERT_EQ(page_->Model().Entry(0)->phone, QStringLiteral("13800000000"));
    QAction* done = RowAction(0, QStringLiteral("已处理"));
    ASSERT_NE(done, nullptr);
    done->trigger();
    ASSERT_TRUE(test::WaitFor([&] { return Waiting() == 1 && ListShows(1); }));
    EXPECT_EQ(page_->Model().Entry(0)->phone, QStringLiteral("13912345678"));
    EXPECT_EQ(page_->FollowUpButton()->text(), QStringLiteral("待回拨 1"));

    // The first caller reaches the user on the phone: nobody waits any more.
    Send("ring-phone 13912345678");
    ASSERT_TRUE(test::WaitFor([&] { return Waiting() == 0; }, kDeadlineMs));
    ASSERT_TRUE(test::WaitFor([&] { return ListShows(0); }));
    EXPECT_TRUE(page_->Model().HasPlaceholder());
    EXPECT_EQ(page_->FollowUpButton()->text(), QStringLiteral("待回拨 0"));
    EXPECT_EQ(window_->windowTitle(), QStringLiteral("Tamberlink拨号器"));

    // The whole log is back a click later, every call in it.
    QTest::mouseClick(page_->FollowUpButton(), Qt::LeftButton);
    ASSERT_TRUE(test::WaitFor([&] { return ListShows(7); }));
}

TEST_F(FollowUpOnTheBox, TheHistoryWindowHoldsTheNumbersCallsSmsNotesAndOutcomes) {
    AppCore& core = window_->Core();
    MissedCall("13912345678");
    Send("ring-phone 13912345678");
    Send("ring 13800000000");
    ASSERT_TRUE(
        test::WaitFor([&] { return core.Database().CallLog().Ids().size() == 4; }, kDeadlineMs));
    const int phoneCall = core.Database().CallLog().Ids()[1];
    ASSERT_TRUE(core.AddSms(QStringLiteral("+86 139-1234-5678"), QStringLiteral("报价单已发送"),
                            QString()));
    ASSERT_TRUE(core.AddNote(QString(), QStringLiteral("13912345678"), QString(), QString(),
                             QStringLiteral("要样品"), phoneCall));
    ASSERT_TRUE(core.AddNote(QString(), QStringLiteral("139 1234 5678"), QString(), QString(),
                             QStringLiteral("下周回电"), 0));
    // A call list's outcome, and one for a landline whose digits end the same way.
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    ASSERT_GT(core.Database().CallAttempts().Add({0, now, QStringLiteral("13912345678"), 3,
                                                  QStringLiteral("约周五"),
                                                  QStringLiteral("/home/u/客户名单.xlsx"), 4}),
              0);
    ASSERT_GT(core.Database().CallAttempts().Add(
                  {0, now, QStringLiteral("0213912345678"), 1, QString(), QString(), 1}),
              0);

    ASSERT_TRUE(test::WaitFor([&] { return page_->Model().EntryCount() == 4; }));
    ASSERT_EQ(page_->Model().Entry(1)->phone, QStringLiteral("13912345678"));
    QMenu* menu = page_->OpenRowMenu(1);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().front()->text(), QStringLiteral("号码记录…"));
    menu->actions().front()->trigger();

    CNumberHistory* history = test::Opened<CNumberHistory>();
    ASSERT_NE(history, nullptr);
    ASSERT_TRUE(test::WaitFor([&] { return !history->Model().IsLoading(); }));
    std::vector<std::string> rows;
    QString previous = QStringLiteral("9999");
    for (int row = 0; row < history->Model().EntryCount(); ++row) {
        const NumberHistoryRecord* entry = history->Model().Entry(row);
        rows.push_back(std::to_string(int(entry->kind)) + ":" + std::to_string(entry->callType) +
                       ":" + entry->text.toStdString());
        // Newest first; the note written for no call has no time and comes last.
        EXPECT_LE(entry->dateTime, previous) << row;
        previous = entry->dateTime;
    }
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows.back(), "2:0:下周回电");
    // The phone call's note takes the call's time. The other caller is not there.
    std::sort(rows.begin(), rows.end());
    const std::vector<std::string> expected{
        "0:1:", "0:3:", "0:5:", "1:0:报价单已发送", "2:0:下周回电", "2:0:要样品", "3:0:约周五"};
    EXPECT_EQ(rows, expected);
    for (int row = 0; row < history->Model().EntryCount(); ++row) {
        const NumberHistoryRecord* entry = history->Model().Entry(row);
        if (entry->text == QStringLiteral("要样品")) {
            EXPECT_EQ(entry->dateTime, core.Database().CallLog().GetEntry(phoneCall)->dateTime);
        }
        if (entry->kind == NumberHistoryRecord::Kind::Outcome) {
            EXPECT_EQ(HistoryItem(*entry).DetailText(),
                      QStringLiteral("再联系  客户名单.xlsx 第5行  约周五"));
        }
    }
    EXPECT_EQ(test::Control<QLabel>(history, QStringLiteral("labelSummary"))->text(),
              QStringLiteral("通话 3 次（未接 1）\n短信 1 条，笔记 2 条\n名单结果 1 条"));

    // Asked for another number, the same window shows that one.
    QMenu* other = page_->OpenRowMenu(0);
    ASSERT_NE(other, nullptr);
    other->actions().front()->trigger();
    EXPECT_EQ(test::Opened<CNumberHistory>(), history);
    ASSERT_TRUE(test::WaitFor(
        [&] { return !history->Model().IsLoading() && history->Model().EntryCount() == 1; }));
    EXPECT_EQ(history->Number(), QStringLiteral("13800000000"));
}
