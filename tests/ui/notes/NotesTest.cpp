// Notes: the notes page, the note editor and its reminder time picker, reminders popping up,
// and notes written from the call log and the incoming-call popup, on the main window over
// a real core in a fresh documents folder.
#include "../../store/StoreTestSupport.h"
#include "../UiTestSupport.h"

#include "ui/calls/CCallInUI.h"
#include "ui/calls/CItemRecordUI.h"
#include "ui/calls/CRecordContainer.h"
#include "ui/calls/CallLogModel.h"
#include "ui/lists/CItemEmpty.h"
#include "ui/lists/ItemRowDelegate.h"
#include "ui/notes/CNotepadContainer.h"
#include "ui/notes/CNotepadEdit.h"
#include "ui/notes/CNotepadItem.h"
#include "ui/notes/CNotepadTime.h"
#include "ui/notes/NoteListModel.h"
#include "ui/notes/NoteWindows.h"
#include "ui/shell/CMainWndUI.h"
#include "ui/shell/CMessageBox.h"
#include "ui/sms/CSmsContacts.h"
#include "ui/sms/ContactPickerModel.h"
#include "ui/widgets/CButtonUI.h"
#include "ui/widgets/Controls.h"
#include "util/TextCodec.h"

#include <QCheckBox>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <memory>

using namespace tamberlink;
using tamberlink::test::App;
using Control = CNotepadItem::Control;

namespace {

NoteRecord Note(const QString& name, const QString& phone, const QString& content) {
    NoteRecord note;
    note.id = 3;
    note.name = name;
    note.phone = phone;
    note.content = content;
    return note;
}

QString Seconds(qint64 fromNow) {
    return QString::number(QDateTime::currentSecsSinceEpoch() + fromNow);
}

class Notes : public test::MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        ASSERT_NE(Page(), nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
        ASSERT_TRUE(test::WaitFor(
            [&] { return !Model().IsLoading() && !window_->RecordPage()->Model().IsLoading(); }));
    }

    AppCore& Core() { return window_->Core(); }
    CNotepadContainer* Page() { return window_->NotePage(); }
    NoteListModel& Model() { return Page()->Model(); }
    QWidget* Viewport() { return Page()->List()->viewport(); }

    std::string Rows(const std::string& sql) {
        test::RawDb db(home_.filePath(QStringLiteral("Tamberlink/Data/Tamberlink.db")));
        return db.Rows(sql);
    }

    void ShowNotesPage() {
        QTest::mouseClick(test::Control<QPushButton>(window_, QStringLiteral("ButtonNote")),
                          Qt::LeftButton);
    }
    QPoint At(int row, Control control) {
        const QRect rowRect = Page()->List()->visualRect(Model().index(row));
        return CNotepadItem::ControlRect(control).translated(rowRect.topLeft()).center();
    }
    void ClickRow(int row, Control control) {
        QTest::mouseMove(Viewport(), At(row, control));
        QTest::mouseClick(Viewport(), Qt::LeftButton, {}, At(row, control));
    }

    // The open editors, those of their own window (reminders) or inside the main window.
    std::vector<CNotepadEdit*> Editors() {
        std::vector<CNotepadEdit*> open;
        for (CNotepadEdit* editor : window_->findChildren<CNotepadEdit*>()) {
            if (!editor->IsClosing()) {
                open.push_back(editor);
            }
        }
        return open;
    }
    CNotepadEdit* OnlyEditor() {
        const auto open = Editors();
        EXPECT_EQ(open.size(), 1u);
        return open.size() == 1 ? open.front() : nullptr;
    }
    static QString Text(CNotepadEdit* editor, const char* control) {
        return ControlText(test::Control(editor, QString::fromLatin1(control)));
    }
    static void Click(WindowImplBase* window, const char* control) {
        QTest::mouseClick(test::Control<QPushButton>(window, QString::fromLatin1(control)),
                          Qt::LeftButton);
    }
    static void Write(CNotepadEdit* editor, const QString& content) {
        test::Control<QTextEdit>(editor, QStringLiteral("EditNotepad"))->setPlainText(content);
    }
    QString LastTip() {
        CMessageBox* box = test::Opened<CMessageBox>();
        return box != nullptr ? box->GetText() : QString();
    }
};

} // namespace

TEST(NoteRow, TextsPicturesAndClicksFollowTheNote) {
    App();
    const QString twelve = QStringLiteral("欧阳一二三四五六七八九十");
    NoteRecord note =
        Note(twelve, QStringLiteral("13800000000"), QStringLiteral("第一行\n第二行\tend"));
    const CNotepadItem row(note);
    EXPECT_EQ(row.NameText(), twelve);
    // A name longer than its room is cut where the room ends.
    const CNotepadItem longName(Note(twelve.repeated(3), QStringLiteral("1"), QStringLiteral("x")));
    EXPECT_TRUE(longName.NameText().endsWith(QChar(0x2026))) << longName.NameText().toStdString();
    EXPECT_EQ(row.ContentText(), QStringLiteral("第一行 第二行 end"));
    EXPECT_EQ(row.HeadImage(), QStringLiteral("bgHeadDefaulte2.png"));
    EXPECT_TRUE(row.TimeText().isEmpty());

    // Without a contact the row shows a note; a reminder to come shows in blue.
    NoteRecord plain = Note({}, {}, QStringLiteral("买票"));
    plain.displayTime = QStringLiteral("2030-1-2 3:4:5");
    plain.timerId = kNoteTimerBase + plain.id;
    EXPECT_EQ(CNotepadItem(plain).HeadImage(), QStringLiteral("bgNoteDefault.png"));
    EXPECT_EQ(CNotepadItem(plain).ClockImage(), QStringLiteral("iconClock.png"));
    plain.timerId = 0;
    EXPECT_EQ(CNotepadItem(plain).ClockImage(), QStringLiteral("iconClockPast.png"));

    // The check box checks; the rest of the row opens the note.
    const QPoint check = CNotepadItem::ControlRect(Control::Check).center();
    EXPECT_EQ(CNotepadItem::HitTest(check), Control::Check);
    EXPECT_EQ(CNotepadItem::HitTest(CNotepadItem::ControlRect(Control::Content).center()),
              Control::Item);
    EXPECT_EQ(CNotepadItem::HitTest(QPoint(700, CNotepadItem::kHeight + 1)), Control::None);
}

TEST_F(Notes, PageListsNotesNewestFirstAndDeletesTheChecked) {
    ShowNotesPage();
    ASSERT_EQ(Model().rowCount(), 1);
    EXPECT_TRUE(Model().HasPlaceholder());
    EXPECT_EQ(Model().data(Model().index(0), NoteListModel::TagRole).toInt(), CItemEmpty::kTag);
    EXPECT_EQ(Model().data(Model().index(0)).toString(), QStringLiteral("您还没有任何笔记哦"));

    // Writing a note reloads the list: newest first, the reminder formatted.
    const QString due = Seconds(3600);
    ASSERT_TRUE(Core().AddNote(QStringLiteral("张三"), QStringLiteral("13800000000"), {}, due,
                               QStringLiteral("一"), 0));
    ASSERT_TRUE(Core().AddNote({}, {}, {}, {}, QStringLiteral("二"), 0));
    ASSERT_TRUE(Core().AddNote({}, {}, {}, {}, QStringLiteral("三"), 0));
    ASSERT_EQ(Model().EntryCount(), 3);
    EXPECT_FALSE(Model().HasPlaceholder());
    EXPECT_EQ(Model().Entry(0)->content, QStringLiteral("三"));
    const NoteRecord* first = Model().Entry(2);
    std::string shown;
    ASSERT_TRUE(TimeToText(due.toLongLong(), shown));
    EXPECT_EQ(CNotepadItem(*first).TimeText(), QString::fromStdString(shown));
    EXPECT_TRUE(CNotepadItem(*first).IsReminderDue());
    const std::vector<int> timers = Core().ActiveNoteTimerIds();
    EXPECT_EQ(timers, std::vector<int>{kNoteTimerBase + first->id});

    // Check boxes check rows without opening them; delete takes the checked ones.
    ClickRow(0, Control::Check);
    ClickRow(2, Control::Check);
    EXPECT_EQ(Model().CheckedRows(), (std::vector<int>{0, 2}));
    EXPECT_TRUE(Editors().empty());
    QTest::mouseClick(Page()->DeleteButton(), Qt::LeftButton);
    ASSERT_EQ(Model().EntryCount(), 1);
    EXPECT_EQ(Model().Entry(0)->content, QStringLiteral("二"));
    EXPECT_EQ(Rows("select content from table_notepad"), "二");
    test::ProcessEvents();
    EXPECT_TRUE(Core().ActiveNoteTimerIds().empty());

    // Select all, then delete: the placeholder again and an empty table.
    QTest::mouseClick(Page()->SelectAllBox(), Qt::LeftButton);
    EXPECT_TRUE(Model().IsChecked(0));
    QTest::mouseClick(Page()->DeleteButton(), Qt::LeftButton);
    EXPECT_TRUE(Model().HasPlaceholder());
    EXPECT_FALSE(Page()->SelectAllBox()->isChecked());
    EXPECT_EQ(Rows("select count(*) from table_notepad"), "0");
    // Delete with nothing checked leaves the placeholder alone.
    QTest::mouseClick(Page()->DeleteButton(), Qt::LeftButton);
    EXPECT_TRUE(Model().HasPlaceholder());
}

TEST_F(Notes, NewNoteIsSavedWithoutReminderAndEmptyContentIsRefused) {
    // The toolbar's new-note button and the page's both open an empty editor.
    Click(window_.get(), "ButtonCreate");
    CNotepadEdit* editor = OnlyEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->windowTitle(), QStringLiteral("新建笔记"));
    EXPECT_EQ(Text(editor, "labelTitle"), QStringLiteral("新建笔记"));
    EXPECT_EQ(editor->pos(), CNotepadEdit::kPosition);
    EXPECT_EQ(editor->GetMode(), CNotepadEdit::Mode::New);
    EXPECT_EQ(Text(editor, "ButtonTime"), QStringLiteral("不提醒"));
    EXPECT_TRUE(test::Control(editor, QStringLiteral("ButtonContacts"))->isEnabled());

    // Blank content is no content.
    Write(editor, QStringLiteral(" \n "));
    Click(editor, "ButtonSave");
    EXPECT_EQ(LastTip(), QStringLiteral("请填写笔记内容后再保存"));
    EXPECT_FALSE(editor->IsClosing());
    EXPECT_EQ(Rows("select count(*) from table_notepad"), "0");

    // Quotes and a second line are stored as typed; no time means no reminder.
    const QString content = QStringLiteral("他说\"周五'前'回电\"；\n别忘了 ' or 1=1 --");
    test::Control<QLineEdit>(editor, QStringLiteral("EditName"))->setText(QStringLiteral("O'Neil"));
    Write(editor, content);
    Click(editor, "ButtonSave");
    EXPECT_TRUE(editor->IsClosing());
    ASSERT_EQ(Model().EntryCount(), 1);
    EXPECT_EQ(Model().Entry(0)->content, content);
    EXPECT_EQ(Model().Entry(0)->name, QStringLiteral("O'Neil"));
    EXPECT_EQ(Rows("select name, phone, head, date_time, cid from table_notepad"), "O'Neil||||0");
    EXPECT_TRUE(Core().ActiveNoteTimerIds().empty());

    QTest::mouseClick(Page()->NewButton(), Qt::LeftButton);
    test::ProcessEvents();
    editor = OnlyEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->GetMode(), CNotepadEdit::Mode::New);
    Click(editor, "ButtonCancel");
    test::ProcessEvents();
    EXPECT_TRUE(Editors().empty());
    EXPECT_EQ(Rows("select count(*) from table_notepad"), "1");
}

TEST_F(Notes, EditingANoteKeepsItsReminderUnlessAnotherIsPicked) {
    ShowNotesPage();
    const QString due = Seconds(7200);
    ASSERT_TRUE(Core().AddNote(QStringLiteral("李四"), QStringLiteral("02088290291"),
                               QStringLiteral("head.png"), due, QStringLiteral("旧内容"), 0));
    const int id = Model().Entry(0)->id;

    ClickRow(0, Control::Content);
    CNotepadEdit* editor = OnlyEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->windowTitle(), QStringLiteral("编辑笔记"));
    EXPECT_EQ(editor->GetMode(), CNotepadEdit::Mode::Edit);
    EXPECT_EQ(editor->NoteId(), id);
    EXPECT_EQ(Text(editor, "EditName"), QStringLiteral("李四"));
    EXPECT_EQ(Text(editor, "LabelPhone"), QStringLiteral("02088290291"));
    EXPECT_EQ(Text(editor, "EditNotepad"), QStringLiteral("旧内容"));
    EXPECT_EQ(Text(editor, "ButtonTime"), Model().Entry(0)->displayTime);

    Write(editor, QStringLiteral("新内容"));
    Click(editor, "ButtonSave");
    EXPECT_EQ(Rows("select name, phone, head, date_time, content from table_notepad"),
              "李四|02088290291||" + due.toStdString() + "|新内容");
    test::ProcessEvents();
    EXPECT_EQ(Core().ActiveNoteTimerIds(), std::vector<int>{kNoteTimerBase + id});

    // "不提醒" in the time picker takes the reminder away.
    ClickRow(0, Control::Name);
    editor = OnlyEditor();
    ASSERT_NE(editor, nullptr);
    CNotepadTime* picker = editor->OpenTimePicker();
    ASSERT_NE(picker, nullptr);
    Click(picker, "ButtonNoRemind");
    EXPECT_EQ(Text(editor, "ButtonTime"), QStringLiteral("不提醒"));
    Click(editor, "ButtonSave");
    EXPECT_EQ(Rows("select date_time from table_notepad"), "");
    test::ProcessEvents();
    EXPECT_TRUE(Core().ActiveNoteTimerIds().empty());
}

TEST_F(Notes, TimePickerLimitsItsBoxesAndHandsOnTheChosenMoment) {
    Click(window_.get(), "ButtonCreate");
    CNotepadEdit* editor = OnlyEditor();
    ASSERT_NE(editor, nullptr);
    Click(editor, "ButtonTime");
    CNotepadTime* picker = editor->TimePicker();
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->windowTitle(), QStringLiteral("设置笔记提醒时间"));
    // A second click brings the same picker forward.
    Click(editor, "ButtonTime");
    EXPECT_EQ(editor->TimePicker(), picker);

    // It opens at the current local time, each box without leading zeros.
    const QDateTime now = QDateTime::currentDateTime();
    EXPECT_EQ(picker->Edit(CNotepadTime::Year)->text(), QString::number(now.date().year()));
    EXPECT_EQ(picker->Edit(CNotepadTime::Month)->text(), QString::number(now.date().month()));

    // Typing beyond a limit gives the limit; within it, the typed text stays.
    const auto type = [&](CNotepadTime::Field field, const char* text) {
        QLineEdit* edit = picker->Edit(field);
        edit->clear();
        QTest::keyClicks(edit, QString::fromLatin1(text));
        return edit->text();
    };
    EXPECT_EQ(type(CNotepadTime::Month, "13"), QStringLiteral("12"));
    EXPECT_EQ(type(CNotepadTime::Month, "7"), QStringLiteral("7"));
    EXPECT_EQ(type(CNotepadTime::Day, "32"), QStringLiteral("31"));
    EXPECT_EQ(type(CNotepadTime::Hour, "24"), QStringLiteral("23"));
    EXPECT_EQ(type(CNotepadTime::Minute, "60"), QStringLiteral("59"));
    EXPECT_EQ(type(CNotepadTime::Second, "99"), QStringLiteral("59"));
    EXPECT_EQ(type(CNotepadTime::Second, "a5"), QStringLiteral("5"));

    // A day the month does not have, or an empty box, is refused.
    type(CNotepadTime::Year, "2031");
    type(CNotepadTime::Month, "2");
    type(CNotepadTime::Day, "30");
    Click(picker, "ButtonSave");
    EXPECT_EQ(LastTip(), QStringLiteral("请填写正确的提醒时间"));
    EXPECT_FALSE(picker->IsClosing());
    type(CNotepadTime::Day, "");
    Click(picker, "ButtonSave");
    EXPECT_FALSE(picker->IsClosing());

    // One-character texts get their leading zero: 7 is saved as 07.
    type(CNotepadTime::Month, "7");
    type(CNotepadTime::Day, "5");
    type(CNotepadTime::Hour, "9");
    type(CNotepadTime::Minute, "30");
    type(CNotepadTime::Second, "0");
    EXPECT_EQ(picker->JoinedText(), QStringLiteral("2031-07-05 09:30:00"));
    Click(picker, "ButtonSave");
    EXPECT_TRUE(picker->IsClosing());
    const qint64 expected = QDateTime(QDate(2031, 7, 5), QTime(9, 30)).toSecsSinceEpoch();
    EXPECT_EQ(editor->ReminderText(), QString::number(expected));
    EXPECT_EQ(Text(editor, "ButtonTime"), QStringLiteral("2031-07-05 09:30:00"));

    Write(editor, QStringLiteral("续签合同"));
    Click(editor, "ButtonSave");
    EXPECT_EQ(Rows("select date_time from table_notepad"), std::to_string(expected));
    test::ProcessEvents();
    EXPECT_EQ(Core().ActiveNoteTimerIds().size(), 1u);
}

TEST_F(Notes, ADueReminderPopsUpAndAPastOneNeverDoes) {
    ASSERT_TRUE(Core().AddNote({}, {}, {}, Seconds(-5), QStringLiteral("已过"), 0));
    test::ProcessEvents();
    EXPECT_TRUE(Core().ActiveNoteTimerIds().empty());

    // Written through the editor with a time two seconds ahead.
    Click(window_.get(), "ButtonCreate");
    CNotepadEdit* editor = OnlyEditor();
    ASSERT_NE(editor, nullptr);
    editor->SetReminder(QDateTime::currentSecsSinceEpoch() + 2);
    Write(editor, QStringLiteral("给王五回电话"));
    Click(editor, "ButtonSave");
    test::ProcessEvents();
    ASSERT_EQ(Core().ActiveNoteTimerIds().size(), 1u);
    const int id = Model().Entry(0)->id;

    CNotepadEdit* reminder = nullptr;
    ASSERT_TRUE(test::WaitFor(
        [&] {
            const auto open = Editors();
            reminder = open.empty() ? nullptr : open.front();
            return reminder != nullptr;
        },
        30000));
    EXPECT_EQ(Editors().size(), 1u);
    EXPECT_EQ(reminder->windowTitle(), QStringLiteral("笔记提醒"));
    EXPECT_TRUE(reminder->isWindow());
    EXPECT_TRUE(reminder->isVisible());
    EXPECT_EQ(reminder->GetMode(), CNotepadEdit::Mode::Edit);
    EXPECT_EQ(reminder->NoteId(), id);
    EXPECT_EQ(Text(reminder, "EditNotepad"), QStringLiteral("给王五回电话"));
    EXPECT_TRUE(Core().ActiveNoteTimerIds().empty());

    // A timer that names no note shows nothing.
    emit Core().NoteReminderDue(id + 100);
    EXPECT_EQ(Editors().size(), 1u);
}

TEST_F(Notes, CallLogEntryGetsOneNoteAndShowsItsMark) {
    ASSERT_TRUE(Core().AddCallLog(QStringLiteral("13800000000"), QStringLiteral("北京"),
                                  QStringLiteral("中国移动"), 3));
    CRecordContainer* records = window_->RecordPage();
    ASSERT_NE(records, nullptr);
    const CallLogRecord entry = *records->Model().Entry(0);
    EXPECT_EQ(CItemRecordUI(entry).NoteImage(), QStringLiteral("button_pen.png"));

    // The row's note button: a new note for the caller, who cannot be changed.
    const QRect rowRect = records->List()->visualRect(records->Model().index(0));
    const QPoint pen = CItemRecordUI::ControlRect(CItemRecordUI::Control::Note)
                           .translated(rowRect.topLeft())
                           .center();
    QTest::mouseMove(records->List()->viewport(), pen);
    QTest::mouseClick(records->List()->viewport(), Qt::LeftButton, {}, pen);
    CNotepadEdit* editor = OnlyEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->windowTitle(), QStringLiteral("新建笔记"));
    EXPECT_EQ(editor->GetMode(), CNotepadEdit::Mode::New);
    EXPECT_EQ(editor->Cid(), entry.id);
    EXPECT_EQ(Text(editor, "EditName"), QStringLiteral("13800000000"));
    EXPECT_EQ(editor->Phone(), QStringLiteral("13800000000"));
    EXPECT_FALSE(test::Control(editor, QStringLiteral("ButtonContacts"))->isEnabled());
    Write(editor, QStringLiteral("客户要报价单"));
    Click(editor, "ButtonSave");
    EXPECT_TRUE(CItemRecordUI(*records->Model().Entry(0)).Entry().hasNote);
    EXPECT_EQ(CItemRecordUI(*records->Model().Entry(0)).NoteImage(),
              QStringLiteral("button_notepad.png"));

    // The second time the same note is edited.
    test::ProcessEvents();
    window_->Notes().OpenForCall(*records->Model().Entry(0));
    editor = OnlyEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->windowTitle(), QStringLiteral("编辑笔记"));
    EXPECT_EQ(editor->GetMode(), CNotepadEdit::Mode::Edit);
    EXPECT_EQ(Text(editor, "EditNotepad"), QStringLiteral("客户要报价单"));
    EXPECT_EQ(Text(editor, "ButtonTime"), QStringLiteral("不提醒"));
    Write(editor, QStringLiteral("报价单已发"));
    Click(editor, "ButtonSave");
    EXPECT_EQ(Rows("select content, cid from table_notepad"),
              "报价单已发|" + std::to_string(entry.id));
}

TEST_F(Notes, IncomingCallerNoteOpensOverTheMainWindow) {
    window_->hide();
    IncomingCall call;
    call.name = QStringLiteral("赵六");
    call.number = QStringLiteral("13911112222");
    call.attribution = QStringLiteral("移动|北京");
    window_->Sink().ShowIncomingCall(call);
    CCallInUI* popup = test::Opened<CCallInUI>();
    ASSERT_NE(popup, nullptr);
    Click(popup, "btnAddRecord");
    EXPECT_TRUE(popup->IsClosing());
    EXPECT_TRUE(window_->isVisible());

    CNotepadEdit* editor = OnlyEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->windowTitle(), QStringLiteral("新建笔记"));
    EXPECT_EQ(editor->pos(), QPoint(200, 120));
    EXPECT_EQ(editor->parentWidget(), window_.get());
    EXPECT_EQ(Text(editor, "EditName"), QStringLiteral("赵六"));
    EXPECT_EQ(editor->Phone(), QStringLiteral("13911112222"));
    EXPECT_FALSE(test::Control(editor, QStringLiteral("ButtonContacts"))->isEnabled());
    Write(editor, QStringLiteral("要发资料"));
    Click(editor, "ButtonSave");
    EXPECT_EQ(Rows("select name, phone, content, cid from table_notepad"),
              "赵六|13911112222|要发资料|0");
}

// "选择联系人" fills the note's contact; an unknown caller's number shows whole in the list,
// and so does a reminder time, written in full.
TEST_F(Notes, TheContactPickerFillsTheNoteAndTheListShowsNamesAndTimesWhole) {
    ASSERT_TRUE(Core().AddContact(
        ContactRecord(QStringLiteral("王芳"), QStringLiteral("13912345678"), {})));
    CNotepadEdit* editor = window_->Notes().OpenNew();
    ASSERT_NE(editor, nullptr);
    Click(editor, "ButtonContacts");
    CSmsContacts* picker = editor->ContactPicker();
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->windowTitle(), QStringLiteral("选择联系人"));
    ASSERT_TRUE(test::WaitFor([picker] { return !picker->Model().IsLoading(); }));
    ASSERT_EQ(picker->Model().EntryCount(), 1);
    // One click chooses the person.
    QListView* list = picker->List();
    const QPoint row = list->visualRect(picker->Model().index(0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row);
    EXPECT_TRUE(picker->IsClosing());
    EXPECT_EQ(Text(editor, "EditName"), QStringLiteral("王芳"));
    EXPECT_EQ(editor->Phone(), QStringLiteral("13912345678"));
    Write(editor, QStringLiteral("回电确认"));
    Click(editor, "ButtonSave");
    EXPECT_EQ(Rows("select name, phone from table_notepad"), "王芳|13912345678");

    // A call from an unknown number, noted with a reminder.
    ASSERT_TRUE(Core().AddNote(
        QStringLiteral("13800000000"), QStringLiteral("13800000000"), {},
        QString::number(QDateTime(QDate(2026, 12, 9), QTime(11, 57)).toSecsSinceEpoch()),
        QStringLiteral("未接来电"), 0));
    ShowNotesPage();
    ASSERT_TRUE(test::WaitFor([&] { return Model().EntryCount() == 2; }));
    const CNotepadItem unknown(*Model().Entry(0));
    EXPECT_EQ(unknown.NameText(), QStringLiteral("13800000000"));
    EXPECT_EQ(unknown.TimeText(), QStringLiteral("2026-12-09 11:57:00"));
    EXPECT_EQ(unknown.TimeShown(), unknown.TimeText());
    ClickRow(0, Control::Content);
    editor = OnlyEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->windowTitle(), QStringLiteral("编辑笔记"));
    EXPECT_EQ(Text(editor, "ButtonTime"), QStringLiteral("2026-12-09 11:57:00"));
}
