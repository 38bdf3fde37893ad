// The main window over a data folder of years: it shows itself before its pages hold their
// rows, the pages fill in the background, and half a million calls in a database made by an
// older version still start and work.
#include "../../store/StoreTestSupport.h"
#include "../UiTestSupport.h"

#include "ui/calls/CItemRecordUI.h"
#include "ui/calls/CRecordContainer.h"
#include "ui/calls/CallLogModel.h"
#include "ui/contacts/CContactContainer.h"
#include "ui/contacts/CIndexElementItem.h"
#include "ui/contacts/CItemContact.h"
#include "ui/contacts/ContactListModel.h"
#include "ui/notes/CNotepadContainer.h"
#include "ui/notes/NoteListModel.h"
#include "ui/shell/CMainWndUI.h"
#include "ui/shell/MainPages.h"
#include "ui/sms/CSmsContacts.h"
#include "ui/sms/CSmsContainer.h"
#include "ui/sms/CSmsNew.h"
#include "ui/sms/ContactPickerModel.h"
#include "ui/sms/SmsListModel.h"
#include "ui/sms/SmsWindows.h"

#include <QDir>
#include <QListView>
#include <QScrollBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

using namespace tamberlink;
using tamberlink::test::App;
using tamberlink::test::RawDb;

namespace {

constexpr int kLoadDeadlineMs = 300000;

// `calls` calls (every tenth from a contact, every hundredth with a note), `contacts`
// contacts and `notes` more notes, added in a few statements.
void AddRows(RawDb& raw, int calls, int contacts, int notes) {
    raw.Exec("begin");
    raw.Exec("with recursive n(i) as (select 1 union all select i+1 from n where i < " +
             std::to_string(calls) +
             ") insert into table_log(name, phone, head, date_time, type, areacode, corp) "
             "select case when i % 10 = 0 then '联系人'||i else '139'||i end, '139'||i, '', "
             "'2024/05/01 09:10:11', 1 + i % 5, '北京', '中国移动' from n");
    raw.Exec("with recursive n(i) as (select 1 union all select i+1 from n where i < " +
             std::to_string(contacts) +
             ") insert into table_contact(name, phone, head, email, company, home, other, cid, "
             "datetime) select '张'||i, '138'||i, '', '', '', '', '', '', '' from n");
    raw.Exec("insert into table_notepad(name, phone, head, date_time, content, cid) "
             "select '', '', '', '', 'note', id from table_log where id % 100 = 0");
    raw.Exec("with recursive n(i) as (select 1 union all select i+1 from n where i < " +
             std::to_string(notes) +
             ") insert into table_notepad(name, phone, head, date_time, content, cid) "
             "select '', '', '', '', 'loose', 0 from n");
    raw.Exec("commit");
}

class LargeData : public ::testing::Test {
protected:
    void SetUp() override { App(); }
    void TearDown() override {
        window_.reset();
        core_.reset();
        test::ProcessEvents();
    }

    QString DatabasePath() const {
        return home_.filePath(QStringLiteral("Tamberlink/Data/Tamberlink.db"));
    }
    void MakeWindow() {
        AppConfig config;
        config.documentsFolder = home_.path();
        config.dataFolder = QStringLiteral(TAMBERLINK_BIN_DIR "/Data");
        config.localApiPort = 0;
        config.cloudBaseUrl = QStringLiteral("http://127.0.0.1:9/");
        config.cookieFolder = home_.filePath(QStringLiteral("cookies"));
        core_ = std::make_unique<AppCore>(config);
        window_ = std::make_unique<CMainWndUI>(*core_);
    }
    // A first start makes the database, then the program ends; rows can be added before the
    // next start.
    void MakeDatabase() {
        MakeWindow();
        window_->Start();
        window_->Exit();
        window_.reset();
        core_.reset();
    }
    CallLogModel& Calls() { return window_->RecordPage()->Model(); }
    NoteListModel& Notes() { return window_->NotePage()->Model(); }
    ContactListModel& Contacts() { return window_->ContactPage()->Model(); }
    SmsListModel& Sms() { return window_->SmsPage()->Sms(); }
    // The row of the contact named `name`, or -1.
    int RowOfName(const QString& name) {
        for (int row = 0; row < Contacts().EntryCount(); ++row) {
            if (const ContactRecord* contact = Contacts().Contact(row);
                contact != nullptr && contact->name == name) {
                return row;
            }
        }
        return -1;
    }

    QTemporaryDir home_;
    std::unique_ptr<AppCore> core_;
    std::unique_ptr<CMainWndUI> window_;
};

} // namespace

TEST_F(LargeData, TheWindowShowsBeforeItsPagesHoldTheirRows) {
    ASSERT_NO_FATAL_FAILURE(MakeDatabase());
    {
        RawDb raw(DatabasePath());
        AddRows(raw, 20000, 1000, 500);
    }

    MakeWindow();
    window_->Start();
    int firstScreen = -1;
    bool readingOn = false;
    QObject::connect(&Calls(), &RecordListModelBase::FirstScreenShown, [&] {
        firstScreen = Calls().EntryCount();
        readingOn = Calls().IsLoading();
    });
    // Start has returned and the window is shown, yet no page has read its table: the reads
    // land only through the event loop. Meanwhile a page shows no "no calls yet" placeholder.
    EXPECT_TRUE(window_->isVisible());
    EXPECT_TRUE(Calls().IsLoading());
    EXPECT_EQ(Calls().rowCount(), 0);
    EXPECT_FALSE(Calls().HasPlaceholder());
    EXPECT_TRUE(Notes().IsLoading());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));

    // The notes page is not shown, and fills all the same.
    ASSERT_TRUE(test::WaitFor([&] { return !Calls().IsLoading() && !Notes().IsLoading(); },
                              kLoadDeadlineMs));
    // The first screen showed on its own, before the ids of the whole log were read.
    EXPECT_EQ(firstScreen, CallLogModel::kPageRows);
    EXPECT_TRUE(readingOn);
    EXPECT_EQ(Calls().EntryCount(), 20000);
    EXPECT_EQ(Notes().EntryCount(), 200 + 500);
    EXPECT_EQ(Calls().Entry(0)->phone, QStringLiteral("13920000"));
    EXPECT_TRUE(Calls().Entry(0)->hasNote);
    EXPECT_FALSE(Calls().Entry(1)->hasNote);
}

// The contacts and sent-SMS pages fill after the window shows too; what is written while
// their reads are under way is neither lost nor brought back, and a search made meanwhile is
// not overwritten by the read it superseded.
TEST_F(LargeData, ContactsAndSmsFillAfterTheWindowShowsAndKeepWritesMadeMeanwhile) {
    ASSERT_NO_FATAL_FAILURE(MakeDatabase());
    {
        RawDb raw(DatabasePath());
        AddRows(raw, 0, 20000, 0);
        raw.Exec("with recursive n(i) as (select 1 union all select i+1 from n where i < 3000) "
                 "insert into table_sms(name, phone, head, date_time, content) "
                 "select '', '137'||i, '', '2024/05/01 09:10:11', 'sms'||i from n");
    }

    MakeWindow();
    window_->Start();
    EXPECT_TRUE(window_->isVisible());
    EXPECT_TRUE(Contacts().IsLoading());
    EXPECT_EQ(Contacts().rowCount(), 0);
    EXPECT_FALSE(Contacts().HasPlaceholder());
    EXPECT_TRUE(Sms().IsLoading());
    EXPECT_EQ(Sms().rowCount(), 0);
    EXPECT_FALSE(Sms().HasPlaceholder());

    // Writes before the reads land: whether a read saw them or not, the pages show them.
    ASSERT_TRUE(core_->AddContact(
        ContactRecord(QStringLiteral("新来的"), QStringLiteral("13912345678"), {}), false));
    window_->ContactPage()->DeleteContact(5);
    ASSERT_TRUE(core_->AddSms(QStringLiteral("13900000000"), QStringLiteral("刚发的"), {}));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    ASSERT_TRUE(test::WaitFor([&] { return !Contacts().IsLoading() && !Sms().IsLoading(); },
                              kLoadDeadlineMs));
    EXPECT_EQ(Contacts().ContactCount(), 20000);
    EXPECT_GE(RowOfName(QStringLiteral("新来的")), 0);
    EXPECT_EQ(Contacts().RowOfContact(5), -1);
    EXPECT_EQ(RowOfName(QStringLiteral("张5")), -1);
    EXPECT_GE(Contacts().RowOfContact(6), 0);
    EXPECT_TRUE(Contacts().IsIndexRow(0));
    // Index rows and contacts have heights of their own, and no row is laid out: each row,
    // down to the last, is found where it is drawn. Reloaded, 新来的 has an index row of its own.
    window_->Pages().Select(MainPages::kContacts);
    window_->ContactPage()->LoadContacts();
    ASSERT_TRUE(test::WaitFor([&] { return !Contacts().IsLoading(); }, kLoadDeadlineMs));
    QListView* list = window_->ContactPage()->List();
    const int last = Contacts().rowCount() - 1;
    const std::vector<int> others = Contacts().OtherRows();
    ASSERT_EQ(others.size(), 2u);
    for (int row : {0, 1, others[1] - 1, others[1], others[1] + 1, last / 2, last}) {
        const QModelIndex index = Contacts().index(row);
        list->scrollTo(index);
        test::ProcessEvents();
        const QRect rect = list->visualRect(index);
        EXPECT_TRUE(list->viewport()->rect().contains(rect)) << row;
        EXPECT_EQ(list->indexAt(rect.center()).row(), row);
        EXPECT_EQ(rect.height(),
                  Contacts().IsIndexRow(row) ? CIndexElementItem::kHeight : CItemContact::kHeight);
    }
    EXPECT_EQ(list->verticalScrollBar()->maximum() + list->viewport()->height(),
              2 * CIndexElementItem::kHeight + (last - 1) * CItemContact::kHeight);
    ASSERT_EQ(Sms().EntryCount(), 3001);
    EXPECT_EQ(Sms().Entry(0)->content, QStringLiteral("刚发的"));
    EXPECT_EQ(Sms().Entry(3000)->content, QStringLiteral("sms1"));

    // A search made while a reload is under way stays: the reload no longer lands. The SMS
    // read, posted after both, lands after whatever the contacts' reads would have.
    window_->ContactPage()->LoadContacts();
    window_->ContactPage()->SearchFor(QStringLiteral("张1234"));
    window_->SmsPage()->LoadSmsList();
    ASSERT_TRUE(test::WaitFor([&] { return !Sms().IsLoading(); }, kLoadDeadlineMs));
    test::ProcessEvents();
    EXPECT_FALSE(Contacts().IsLoading());
    EXPECT_EQ(Contacts().ContactCount(), 11); // 张1234 and 张12340 to 张12349
    EXPECT_GE(RowOfName(QStringLiteral("张1234")), 0);

    // A long result shows its first screen, then the rest below it; the rows seen stay where
    // they are, and a contact deleted in between does not come back.
    std::vector<QString> first;
    QObject::connect(&Contacts(), &RecordListModelBase::FirstScreenShown, [&] {
        for (int row = 0; row < Contacts().EntryCount(); ++row) {
            const ContactRecord* contact = Contacts().Contact(row);
            first.push_back(contact != nullptr ? contact->name : QString());
        }
        window_->ContactPage()->DeleteContact(19999);
    });
    window_->ContactPage()->SearchFor(QStringLiteral("张1"));
    ASSERT_TRUE(test::WaitFor([&] { return !Contacts().IsLoading(); }, kLoadDeadlineMs));
    ASSERT_EQ(first.size(), size_t(ContactListModel::kPageRows) + 1);
    EXPECT_EQ(Contacts().ContactCount(), 11111 - 1); // 张1, 张10 to 张19, ... 张10000 to 张19999
    EXPECT_EQ(RowOfName(QStringLiteral("张19999")), -1);
    for (int row = 1; row < int(first.size()); ++row) {
        EXPECT_EQ(Contacts().Contact(row)->name, first[size_t(row)]) << row;
    }
}

// A database of an older version at 500,000 calls and 200,000 contacts: it gains its indexes,
// loses no row, starts, fills its page in the background and takes new calls and notes.
TEST_F(LargeData, HalfAMillionCallsInAnOlderDatabaseStartAndWork) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(DatabasePath()).path()));
    {
        RawDb raw(DatabasePath());
        raw.Exec("create table table_setting(id INTEGER PRIMARY KEY AUTOINCREMENT, name text, "
                 "value1 text, value2 integer)");
        for (const char* name : {"fenjiCode", "areaCode", "ipCode", "switchIP", "screenoff"}) {
            raw.Exec(std::string("insert into table_setting(name, value1, value2) values('") +
                     name + "', '', 0)");
        }
        raw.Exec("create table table_user(id INTEGER PRIMARY KEY, account text, password text, "
                 "rememberpsd integer, name text, company text)");
        raw.Exec("insert into table_user values(0, '', '', 0, '', '')");
        raw.Exec("create table table_contact(id INTEGER PRIMARY KEY AUTOINCREMENT, name text, "
                 "phone text, head text, email text, company text, home text, other text, "
                 "cid text, datetime text)");
        raw.Exec("create table table_log(id INTEGER PRIMARY KEY AUTOINCREMENT, name text, "
                 "phone text, head text, date_time text, type integer, areacode text, "
                 "corp text)");
        raw.Exec("create table table_sms(id INTEGER PRIMARY KEY AUTOINCREMENT, name text, "
                 "phone text, head text, date_time text, content text)");
        raw.Exec("create table table_notepad(id INTEGER PRIMARY KEY AUTOINCREMENT, name text, "
                 "phone text, head text, date_time text, content text, cid integer)");
        AddRows(raw, 500000, 200000, 0);
    }

    MakeWindow();
    window_->Start();
    ASSERT_TRUE(test::WaitFor([&] { return !Calls().IsLoading(); }, kLoadDeadlineMs));
    ASSERT_EQ(Calls().EntryCount(), 500000);
    EXPECT_EQ(Calls().Entry(0)->phone, QStringLiteral("139500000"));
    EXPECT_TRUE(Calls().Entry(0)->hasNote);
    EXPECT_EQ(Calls().Entry(499999)->phone, QStringLiteral("1391"));

    // A call from a contact comes in at the top under the contact's name; a note marks it.
    ASSERT_TRUE(core_->AddCallLog(QStringLiteral("138123456"), QStringLiteral("北京"),
                                  QStringLiteral("中国移动"), 3));
    ASSERT_EQ(Calls().EntryCount(), 500001);
    EXPECT_EQ(CItemRecordUI(*Calls().Entry(0)).NameText(), QStringLiteral("张123456"));
    ASSERT_TRUE(core_->AddNote({}, {}, {}, {}, QStringLiteral("回电"), Calls().Entry(0)->id));
    EXPECT_TRUE(Calls().Entry(0)->hasNote);

    window_->Exit();
    RawDb raw(DatabasePath());
    EXPECT_EQ(raw.Rows("pragma integrity_check"), "ok");
    EXPECT_EQ(raw.Rows("select count(*) from table_log"), "500001");
    EXPECT_EQ(raw.Rows("select count(*) from table_contact"), "200000");
    EXPECT_EQ(raw.Rows("select name from sqlite_master where type='index' and name like "
                       "'table_%' order by name"),
              "table_call_attempt_number\ntable_contact_card_uid\ntable_contact_nameindex\ntable_"
              "contact_phone\ntable_event_time\n"
              "table_log_phone_key\ntable_log_time\ntable_notepad_cid\ntable_notepad_phone_key\n"
              "table_nuisance_log_rule\ntable_sms_phone\ntable_sms_phone_key\n"
              "table_webhook_delivery_endpoint\ntable_webhook_delivery_state");
}

// The call records hold the ids of a long log and only the records near the rows seen: the
// scroll bar spans the whole log, a jump to its end paints the oldest calls, calls come in and
// go while the list is scrolled, rows deleted behind the list's back paint as empty rows, and
// select-all with delete-checked still reaches every call.
TEST_F(LargeData, ALongCallLogKeepsOnlyTheRowsSeenAndScrollsToItsEnd) {
    constexpr int kCalls = 30000;
    ASSERT_NO_FATAL_FAILURE(MakeDatabase());
    {
        RawDb raw(DatabasePath());
        AddRows(raw, kCalls, 100, 0);
    }
    MakeWindow();
    window_->Start();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    ASSERT_TRUE(test::WaitFor([&] { return !Calls().IsLoading(); }, kLoadDeadlineMs));
    ASSERT_EQ(Calls().EntryCount(), kCalls);
    const auto kept = [&] {
        return Calls().KeptRecords();
    };
    EXPECT_GT(kept(), 0u);
    EXPECT_LE(kept(), size_t(CallLogModel::kKeptRecords));

    QListView* list = window_->RecordPage()->List();
    const auto rowAtBottom = [&] {
        return list->indexAt(QPoint(4, list->viewport()->height() - 4)).row();
    };
    const auto phoneAt = [&](int row) {
        const CallLogRecord* entry = Calls().Entry(row);
        return entry != nullptr ? entry->phone : QString();
    };
    // The scroll bar spans every row; its end shows the oldest call.
    list->scrollToBottom();
    test::ProcessEvents();
    EXPECT_GT(list->verticalScrollBar()->maximum(), kCalls);
    ASSERT_EQ(rowAtBottom(), kCalls - 1);
    EXPECT_EQ(phoneAt(kCalls - 1), QStringLiteral("1391"));
    EXPECT_TRUE(Calls().Entry(kCalls - 100)->hasNote);
    EXPECT_FALSE(Calls().Entry(kCalls - 99)->hasNote);

    // A call comes in while the end is shown: it goes to the top, and the end moves down.
    ASSERT_TRUE(core_->AddCallLog(QStringLiteral("13812"), QStringLiteral("北京"),
                                  QStringLiteral("中国移动"), 3));
    test::ProcessEvents();
    ASSERT_EQ(Calls().EntryCount(), kCalls + 1);
    EXPECT_EQ(phoneAt(0), QStringLiteral("13812"));
    list->scrollToBottom();
    test::ProcessEvents();
    EXPECT_EQ(rowAtBottom(), kCalls);
    EXPECT_EQ(phoneAt(kCalls), QStringLiteral("1391"));

    // Rows in the middle deleted by another connection: the list still counts them until it
    // hears of them, and paints them empty rather than failing.
    {
        RawDb raw(DatabasePath());
        raw.Exec("delete from table_log where id between 15000 and 15099");
    }
    const int middle = Calls().RowOfId(15050);
    ASSERT_GE(middle, 0);
    list->scrollTo(Calls().index(middle), QAbstractItemView::PositionAtCenter);
    test::ProcessEvents();
    EXPECT_EQ(Calls().Entry(middle), nullptr);
    EXPECT_EQ(phoneAt(Calls().RowOfId(14999)), QStringLiteral("13914999"));
    EXPECT_LE(kept(), size_t(CallLogModel::kKeptRecords));
    // The core's reload drops them.
    emit core_->CallLogChanged();
    ASSERT_TRUE(test::WaitFor([&] { return !Calls().IsLoading(); }, kLoadDeadlineMs));
    ASSERT_EQ(Calls().EntryCount(), kCalls + 1 - 100);
    EXPECT_EQ(Calls().RowOfId(15050), -1);

    // Select-all, one row unchecked, delete-checked: one call is left, in the list and log.
    const int keptId = Calls().Entry(Calls().RowOfId(20000))->id;
    test::Click(window_->RecordPage(), "CheckSelectAll");
    EXPECT_EQ(int(Calls().CheckedRows().size()), Calls().EntryCount());
    Calls().SetChecked(Calls().RowOfId(keptId), false);
    test::Click(window_->RecordPage(), "ButtonDeleteRecord");
    test::ProcessEvents();
    ASSERT_EQ(Calls().EntryCount(), 1);
    EXPECT_EQ(Calls().Entry(0)->id, keptId);
    window_->Exit();
    RawDb raw(DatabasePath());
    EXPECT_EQ(raw.Rows("select id from table_log"), std::to_string(keptId));
}

// The recipient picker reads twenty thousand contacts as the contacts page does: the first
// screen first, then their ids, keeping only the persons near the rows seen; check-all hands
// on every one of them, in the picker's order.
TEST_F(LargeData, TheRecipientPickerKeepsOnlyThePersonsSeenAndHandsOnAllChecked) {
    ASSERT_NO_FATAL_FAILURE(MakeDatabase());
    {
        RawDb raw(DatabasePath());
        AddRows(raw, 0, 20000, 0);
    }
    MakeWindow();
    window_->Start();
    CSmsNew* compose = window_->Sms().OpenNew();
    ASSERT_NE(compose, nullptr);
    CSmsContacts* picker = compose->OpenContactPicker(false);
    ASSERT_NE(picker, nullptr);
    ContactPickerModel& persons = picker->Model();
    ASSERT_TRUE(test::WaitFor([&] { return !persons.IsLoading(); }, kLoadDeadlineMs));
    ASSERT_EQ(persons.EntryCount(), 20000);
    picker->List()->scrollToBottom();
    test::ProcessEvents();
    EXPECT_EQ(persons.Entry(19999)->name, QStringLiteral("张20000"));
    EXPECT_LE(persons.KeptRecords(), size_t(ContactPickerModel::kKeptRecords));

    test::Click(picker, "btnCheckAll");
    const SmsRecipients checked = picker->Checked();
    ASSERT_EQ(checked.size(), 20000u);
    EXPECT_EQ(checked.front().phone, QStringLiteral("1381"));
    EXPECT_EQ(checked.back().phone, QStringLiteral("13820000"));
    test::Click(picker, "btnOk");
    test::ProcessEvents();
    EXPECT_EQ(compose->Recipients().size(), 20000u);
}
