// The call records page: rows, their buttons, deleting, the number box and the keypad,
// and playing recordings.
#include "../../store/StoreTestSupport.h"
#include "../UiTestSupport.h"
#include "RecordsTestSupport.h"

#include "ui/calls/CItemRecordUI.h"
#include "ui/calls/CRecordContainer.h"
#include "ui/calls/CSoftKeyboard.h"
#include "ui/calls/CallLogModel.h"
#include "ui/calls/RecordingPlayback.h"
#include "ui/lists/CItemEmpty.h"
#include "ui/lists/ItemRowDelegate.h"
#include "ui/shell/CTipDialog.h"
#include "ui/widgets/CButtonUI.h"

#include <QClipboard>
#include <QLineEdit>
#include <QListView>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <future>

using namespace tamberlink;
using tamberlink::test::App;
using Control = CItemRecordUI::Control;

namespace {

const QString kGuid = QStringLiteral("0A1B2C3D-4E5F-6a7b-8C9D-0E1F2A3B4C5D");

CallLogRecord Entry(const QString& name, const QString& phone, const QString& attribution) {
    CallLogRecord entry;
    entry.id = 7;
    entry.name = name;
    entry.phone = phone;
    entry.attribution = attribution;
    entry.nameIsPhone = name.compare(phone, Qt::CaseInsensitive) == 0;
    entry.type = 3;
    entry.dateTime = QStringLiteral("2016/03/07 09:05:00");
    return entry;
}

class RecordsPage : public ::testing::Test {
protected:
    void SetUp() override {
        main_.resize(902, 602);
        page_ = new CRecordContainer(fixture_.Core(), &main_);
        page_->setGeometry(100, 96, 802, 506);
        page_->Build();
        fixture_.onReloadCallLog = [this] {
            page_->LoadCallLog();
        };
        fixture_.onCallLogRows = [this](const std::vector<int>& ids) {
            page_->RefreshRows(ids);
        };
        page_->LoadCallLog();
        ASSERT_TRUE(test::WaitFor([this] { return !Model().IsLoading(); }));
        main_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&main_));
    }

    void AddCalls(int count) {
        for (int i = 0; i < count; ++i) {
            ASSERT_TRUE(
                Core().AddCallLog(QStringLiteral("1380000%1").arg(i, 4, 10, QLatin1Char('0')),
                                  QStringLiteral("北京"), QStringLiteral("中国移动"), 3));
        }
    }

    AppCore& Core() { return fixture_.Core(); }
    CallLogModel& Model() { return page_->Model(); }
    QWidget* Viewport() { return page_->List()->viewport(); }

    // The centre of `control` in row `row`, in viewport coordinates.
    QPoint At(int row, Control control) {
        const QRect rowRect = page_->List()->visualRect(Model().index(row));
        return CItemRecordUI::ControlRect(control).translated(rowRect.topLeft()).center();
    }
    void ClickRow(int row, Control control) {
        QTest::mouseMove(Viewport(), At(row, control));
        QTest::mouseClick(Viewport(), Qt::LeftButton, {}, At(row, control));
    }

    QApplication& app_ = App();
    test::CoreFixture fixture_;
    QWidget main_;
    CRecordContainer* page_ = nullptr;
};

} // namespace

TEST(RecordRow, TextsFollowTheCallLogEntry) {
    App();
    // A caller without a contact: the number stands in for the name and the second line
    // keeps only the place.
    const CItemRecordUI stranger(Entry(QStringLiteral("13800000000"), QStringLiteral("13800000000"),
                                       QStringLiteral("移动|北京")));
    EXPECT_EQ(stranger.NameText(), QStringLiteral("13800000000"));
    EXPECT_EQ(stranger.NumberText(), QStringLiteral("移动|北京"));
    EXPECT_TRUE(stranger.IsAddContactEnabled());

    const CItemRecordUI contact(
        Entry(QStringLiteral("张三"), QStringLiteral("13800000000"), QStringLiteral("未知号码")));
    EXPECT_EQ(contact.NameText(), QStringLiteral("张三"));
    EXPECT_EQ(contact.NumberText(), QStringLiteral("13800000000 未知号码"));
    EXPECT_FALSE(contact.IsAddContactEnabled());

    // Long names are cut to 10 characters and "..."; a name of exactly 10 stays whole.
    const QString twelve = QStringLiteral("欧阳一二三四五六七八九十");
    ASSERT_EQ(twelve.size(), 12);
    EXPECT_EQ(CItemRecordUI(Entry(twelve, QStringLiteral("010"), {})).NameText(),
              twelve.left(10) + QStringLiteral("..."));
    EXPECT_EQ(CItemRecordUI(Entry(twelve.left(10), QStringLiteral("010"), {})).NameText(),
              twelve.left(10));

    // The play button needs a recording identifier of 30 characters or more.
    CallLogRecord recorded = Entry(QStringLiteral("a"), QStringLiteral("b"), {});
    recorded.recordGuid = kGuid.left(29);
    EXPECT_FALSE(CItemRecordUI(recorded).IsPlayVisible());
    recorded.recordGuid = kGuid.left(30);
    EXPECT_TRUE(CItemRecordUI(recorded).IsPlayVisible());
    recorded.recordGuid.clear();
    EXPECT_FALSE(CItemRecordUI(recorded).IsPlayVisible());

    // Pictures by type and note.
    const char* types[] = {"call_type_mobile_in.png", "call_type_mobile_out.png",
                           "call_type_phone_in.png", "call_type_phone_out.png",
                           "call_type_phone_in_miss.png"};
    for (int type = 1; type <= 5; ++type) {
        recorded.type = type;
        EXPECT_EQ(CItemRecordUI(recorded).TypeImage(), QString::fromLatin1(types[type - 1]));
    }
    EXPECT_EQ(CItemRecordUI(recorded).NoteImage(), QStringLiteral("button_pen.png"));
    recorded.hasNote = true;
    EXPECT_EQ(CItemRecordUI(recorded).NoteImage(), QStringLiteral("button_notepad.png"));
    EXPECT_EQ(CItemRecordUI(recorded).HeadImage(), QStringLiteral("bgHeadDefaulte2.png"));
}

TEST(RecordRow, OnlyShownButtonsThatReactTakeClicks) {
    CallLogRecord contact = Entry(QStringLiteral("张三"), QStringLiteral("13800000000"), {});
    const CItemRecordUI row(contact);
    const auto centre = [](Control c) {
        return CItemRecordUI::ControlRect(c).center();
    };
    EXPECT_EQ(row.HitTest(centre(Control::Check), false), Control::Check);
    EXPECT_EQ(row.HitTest(centre(Control::Note), false), Control::Note);
    // The action buttons exist only under the mouse.
    EXPECT_EQ(row.HitTest(centre(Control::CallTel), false), Control::None);
    EXPECT_EQ(row.HitTest(centre(Control::CallTel), true), Control::CallTel);
    EXPECT_EQ(row.HitTest(centre(Control::CallMobile), true), Control::CallMobile);
    EXPECT_EQ(row.HitTest(centre(Control::Sms), true), Control::Sms);
    // A known contact's add button shows but does not react; no recording, no play button.
    EXPECT_EQ(row.HitTest(centre(Control::AddContact), true), Control::None);
    EXPECT_EQ(row.HitTest(centre(Control::Play), true), Control::None);
    EXPECT_EQ(row.HitTest(centre(Control::Name), true), Control::None);

    CallLogRecord stranger = Entry(QStringLiteral("010"), QStringLiteral("010"), {});
    stranger.recordGuid = kGuid;
    const CItemRecordUI other(stranger);
    EXPECT_EQ(other.HitTest(centre(Control::AddContact), true), Control::AddContact);
    EXPECT_EQ(other.HitTest(centre(Control::Play), false), Control::Play);
}

TEST_F(RecordsPage, EmptyLogShowsOnlyThePlaceholderWhichDeleteAndSelectAllLeave) {
    ASSERT_EQ(Model().rowCount(), 1);
    EXPECT_TRUE(Model().HasPlaceholder());
    EXPECT_EQ(Model().data(Model().index(0), CallLogModel::TagRole).toInt(), CItemEmpty::kTag);
    EXPECT_EQ(Model().data(Model().index(0)).toString(), CItemEmpty::Text());

    QTest::mouseClick(page_->SelectAllBox(), Qt::LeftButton);
    EXPECT_TRUE(page_->SelectAllBox()->isChecked());
    EXPECT_TRUE(Model().CheckedRows().empty());
    QTest::mouseClick(page_->DeleteButton(), Qt::LeftButton);
    EXPECT_EQ(Model().rowCount(), 1);
    EXPECT_TRUE(Model().HasPlaceholder());
    EXPECT_FALSE(page_->SelectAllBox()->isChecked());
    // A click on the placeholder is no click on a row.
    QTest::mouseClick(Viewport(), Qt::LeftButton, {}, At(0, Control::Check));
    EXPECT_TRUE(Model().CheckedRows().empty());
}

TEST_F(RecordsPage, NewCallsComeFirstAndRowsShowTheirEntries) {
    AddCalls(3);
    ASSERT_TRUE(Core().AddContact(
        ContactRecord(QStringLiteral("张三"), QStringLiteral("02088290291"), {})));
    ASSERT_TRUE(Core().AddCallLog(QStringLiteral("02088290291"), QStringLiteral("广东广州"),
                                  QStringLiteral("中国电信"), 4));
    ASSERT_EQ(Model().rowCount(), 4);
    EXPECT_FALSE(Model().HasPlaceholder());
    const CItemRecordUI newest(*Model().Entry(0));
    EXPECT_EQ(newest.NameText(), QStringLiteral("张三"));
    EXPECT_EQ(newest.NumberText(), QStringLiteral("02088290291 电信|广东广州"));
    EXPECT_EQ(newest.TypeImage(), QStringLiteral("call_type_phone_out.png"));
    EXPECT_EQ(CItemRecordUI(*Model().Entry(1)).NumberText(), QStringLiteral("移动|北京"));
    EXPECT_EQ(Model().Entry(3)->phone, QStringLiteral("13800000000"));

    // A note written for a call marks its row.
    ASSERT_TRUE(Core().AddNote({}, {}, {}, {}, QStringLiteral("回电"), Model().Entry(2)->id));
    EXPECT_EQ(CItemRecordUI(*Model().Entry(2)).NoteImage(), QStringLiteral("button_notepad.png"));
}

TEST_F(RecordsPage, ActionButtonsShowUnderTheMouseAndActOnRelease) {
    AddCalls(2);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main_));
    const QRect row0 = page_->List()->visualRect(Model().index(0));
    const QImage before = Viewport()->grab(row0).toImage();
    QTest::mouseMove(Viewport(), At(0, Control::Name));
    ASSERT_TRUE(test::WaitFor([&] { return page_->Delegate().HoveredRow() == 0; }));
    const QImage hovered = Viewport()->grab(row0).toImage();
    const QRect tel = CItemRecordUI::ControlRect(Control::CallTel);
    EXPECT_NE(before.copy(tel), hovered.copy(tel));

    QSignalSpy dials(page_, &CRecordContainer::DialRequested);
    QSignalSpy sms(page_, &CRecordContainer::SmsRequested);
    QSignalSpy notes(page_, &CRecordContainer::NoteRequested);
    QSignalSpy adds(page_, &CRecordContainer::AddContactRequested);
    ClickRow(1, Control::CallTel);
    ClickRow(0, Control::CallMobile);
    ClickRow(0, Control::Sms);
    ClickRow(1, Control::AddContact);
    ClickRow(1, Control::Note);
    ASSERT_EQ(dials.count(), 2);
    EXPECT_EQ(dials[0][0].toString(), Model().Entry(1)->phone);
    EXPECT_FALSE(dials[0][1].toBool());
    EXPECT_EQ(dials[1][0].toString(), Model().Entry(0)->phone);
    EXPECT_TRUE(dials[1][1].toBool());
    ASSERT_EQ(sms.count(), 1);
    EXPECT_EQ(sms[0][1].toString(), Model().Entry(0)->phone);
    ASSERT_EQ(adds.count(), 1);
    EXPECT_EQ(adds[0][0].toString(), Model().Entry(1)->phone);
    ASSERT_EQ(notes.count(), 1);
    EXPECT_EQ(notes[0][0].value<CallLogRecord>().id, Model().Entry(1)->id);

    // A press released off the button does nothing.
    QTest::mousePress(Viewport(), Qt::LeftButton, {}, At(0, Control::CallTel));
    QTest::mouseRelease(Viewport(), Qt::LeftButton, {}, At(0, Control::Name));
    EXPECT_EQ(dials.count(), 2);

    // Leaving the list hides the buttons again.
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(Viewport(), &leave);
    EXPECT_EQ(page_->Delegate().HoveredRow(), -1);
}

TEST_F(RecordsPage, TheKeyboardMovesThroughTheRowsCallsAndDeletesAfterAsking) {
    AddCalls(3);
    QListView* list = page_->List();
    list->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(test::WaitFor([&] { return list->hasFocus(); }));
    QTest::keyClick(list, Qt::Key_Down);
    // The current row shows its buttons as a row under the mouse does.
    ASSERT_EQ(list->currentIndex().row(), 1);
    EXPECT_EQ(page_->Delegate().HoveredRow(), 1);
    EXPECT_TRUE(page_->Delegate().StateOf(1).hovered);
    EXPECT_FALSE(page_->Delegate().StateOf(0).hovered);

    QSignalSpy dials(page_, &CRecordContainer::DialRequested);
    QTest::keyClick(list, Qt::Key_Return);
    ASSERT_EQ(dials.count(), 1);
    EXPECT_EQ(dials[0][0].toString(), Model().Entry(1)->phone);
    EXPECT_FALSE(dials[0][1].toBool());

    // Delete asks first: no answer deletes nothing, "确定" deletes that call alone.
    const int id = Model().Entry(1)->id;
    const auto tip = [this] {
        for (CTipDialog* open : main_.findChildren<CTipDialog*>()) {
            if (!open->IsClosing()) {
                return open;
            }
        }
        return static_cast<CTipDialog*>(nullptr);
    };
    QTest::keyClick(list, Qt::Key_Delete);
    ASSERT_NE(tip(), nullptr);
    test::Click(tip(), "ButtonCancel");
    EXPECT_EQ(Model().EntryCount(), 3);
    QTest::keyClick(list, Qt::Key_Delete);
    ASSERT_NE(tip(), nullptr);
    test::Click(tip(), "ButtonOK");
    ASSERT_EQ(Model().EntryCount(), 2);
    EXPECT_EQ(Model().RowOfId(id), -1);
    EXPECT_FALSE(Core().Database().CallLog().GetEntry(id).has_value());

    // The mouse takes over from the keyboard.
    QTest::mouseMove(Viewport(), At(0, Control::Name));
    ASSERT_TRUE(test::WaitFor([&] { return page_->Delegate().HoveredRow() == 0; }));
}

TEST_F(RecordsPage, DeletingCheckedRowsRemovesThemFromListAndLog) {
    AddCalls(5);
    std::vector<int> ids;
    for (int row = 0; row < 5; ++row) {
        ids.push_back(Model().Entry(row)->id);
    }
    const auto shownIds = [this] {
        std::vector<int> shown;
        for (int row = 0; row < Model().EntryCount(); ++row) {
            shown.push_back(Model().Entry(row)->id);
        }
        return shown;
    };
    const auto storedIds = [this] {
        std::vector<int> stored;
        for (const CallLogRecord& entry : Core().Database().CallLog().Load()) {
            stored.push_back(entry.id);
        }
        return stored;
    };
    // Rows apart from each other.
    ClickRow(1, Control::Check);
    ClickRow(3, Control::Check);
    EXPECT_EQ(Model().CheckedRows(), (std::vector<int>{1, 3}));
    QTest::mouseClick(page_->DeleteButton(), Qt::LeftButton);
    EXPECT_EQ(shownIds(), (std::vector<int>{ids[0], ids[2], ids[4]}));
    EXPECT_EQ(storedIds(), shownIds());
    EXPECT_TRUE(Model().CheckedRows().empty());

    // Neighbouring rows; a row checked twice is unchecked again.
    ClickRow(0, Control::Check);
    ClickRow(1, Control::Check);
    ClickRow(2, Control::Check);
    ClickRow(2, Control::Check);
    QTest::mouseClick(page_->DeleteButton(), Qt::LeftButton);
    EXPECT_EQ(shownIds(), (std::vector<int>{ids[4]}));
    EXPECT_EQ(storedIds(), shownIds());
}

TEST_F(RecordsPage, SelectAllThenDeleteEmptiesTheLogAndShowsThePlaceholder) {
    AddCalls(3);
    ClickRow(0, Control::Check);
    QTest::mouseClick(page_->SelectAllBox(), Qt::LeftButton);
    EXPECT_EQ(Model().CheckedRows().size(), 3u);
    QTest::mouseClick(page_->SelectAllBox(), Qt::LeftButton);
    EXPECT_TRUE(Model().CheckedRows().empty());
    QTest::mouseClick(page_->SelectAllBox(), Qt::LeftButton);
    QTest::mouseClick(page_->DeleteButton(), Qt::LeftButton);
    EXPECT_TRUE(Core().Database().CallLog().Load().empty());
    ASSERT_EQ(Model().rowCount(), 1);
    EXPECT_TRUE(Model().HasPlaceholder());
    EXPECT_FALSE(page_->SelectAllBox()->isChecked());
}

TEST_F(RecordsPage, NumberBoxTakesDigitsAndCallButtonsDialIt) {
    QLineEdit* box = page_->NumberBox();
    box->setFocus();
    QTest::keyClicks(box, QStringLiteral("0a2-0 8"));
    EXPECT_EQ(box->text(), QStringLiteral("0208"));
    box->clear();
    QGuiApplication::clipboard()->setText(QStringLiteral("+86 138-0000-0000"));
    box->paste();
    EXPECT_EQ(box->text(), QStringLiteral("13800000000"));
    QTest::keyClicks(box, QStringLiteral("1234567890123"));
    EXPECT_EQ(box->text().size(), CRecordContainer::kNumberMaxLength);

    QSignalSpy dials(page_, &CRecordContainer::DialRequested);
    box->setText(QStringLiteral("88290291"));
    QTest::mouseClick(page_->findChild<CButtonUI*>(QStringLiteral("ButtonMainCallTel")),
                      Qt::LeftButton);
    QTest::mouseClick(page_->findChild<CButtonUI*>(QStringLiteral("ButtonMainCallMobile")),
                      Qt::LeftButton);
    ASSERT_EQ(dials.count(), 2);
    EXPECT_EQ(dials[0][0].toString(), QStringLiteral("88290291"));
    EXPECT_FALSE(dials[0][1].toBool());
    EXPECT_TRUE(dials[1][1].toBool());
}

TEST_F(RecordsPage, KeypadTypesIntoTheNumberBoxAndCloses) {
    auto* keypadButton = page_->findChild<CButtonUI*>(QStringLiteral("btnKeyboard"));
    ASSERT_NE(keypadButton, nullptr);
    QTest::mouseClick(keypadButton, Qt::LeftButton);
    CSoftKeyboard* keypad = page_->Keyboard();
    ASSERT_NE(keypad, nullptr);
    EXPECT_EQ(keypad->parentWidget(), &main_);
    EXPECT_EQ(keypad->pos(), CSoftKeyboard::kPosition);
    EXPECT_EQ(keypad->windowTitle(), QStringLiteral("键盘"));
    EXPECT_TRUE(keypad->isVisible());

    const auto key = [&](const char* name) {
        auto* button = test::Control<QAbstractButton>(keypad, QString::fromLatin1(name));
        ASSERT_NE(button, nullptr) << name;
        QTest::mouseClick(button, Qt::LeftButton);
    };
    // Delete on an empty box leaves it empty.
    key("btnDelete");
    EXPECT_EQ(page_->NumberBox()->text(), QString());
    for (const char* name : {"btnKey1", "btnKey0", "btnKey9", "btnKey5"}) {
        key(name);
    }
    EXPECT_EQ(page_->NumberBox()->text(), QStringLiteral("1095"));
    key("btnDelete");
    EXPECT_EQ(page_->NumberBox()->text(), QStringLiteral("109"));
    for (int i = 0; i < 30; ++i) {
        key("btnKey8");
    }
    EXPECT_EQ(page_->NumberBox()->text().size(), CRecordContainer::kNumberMaxLength);

    // A key types its digit whatever it reads.
    page_->NumberBox()->clear();
    test::Control<QAbstractButton>(keypad, QStringLiteral("btnKey5"))
        ->setText(QStringLiteral("五"));
    test::Control<QAbstractButton>(keypad, QStringLiteral("btnDelete"))
        ->setText(QStringLiteral("7"));
    key("btnKey5");
    key("btnKey5");
    key("btnDelete");
    EXPECT_EQ(page_->NumberBox()->text(), QStringLiteral("5"));

    // The keypad button closes it, and opens a fresh one; its close button closes too.
    QTest::mouseClick(keypadButton, Qt::LeftButton);
    EXPECT_EQ(page_->Keyboard(), nullptr);
    test::ProcessEvents();
    QTest::mouseClick(keypadButton, Qt::LeftButton);
    keypad = page_->Keyboard();
    ASSERT_NE(keypad, nullptr);
    key("btnClosed");
    EXPECT_EQ(page_->Keyboard(), nullptr);
    test::ProcessEvents();
}

TEST_F(RecordsPage, PlayingAMissingRecordingShowsTheErrorAndTheStopPicture) {
    AddCalls(1);
    Core().LinkRecordingToCallLog(kGuid);
    ASSERT_EQ(Model().Entry(0)->recordGuid, kGuid);
    ClickRow(0, Control::Play);
    ASSERT_EQ(fixture_.Tips().size(), 1);
    EXPECT_TRUE(fixture_.Tips()[0].startsWith(QStringLiteral("找不到录音文件")));
    EXPECT_TRUE(fixture_.Tips()[0].contains(kGuid + QStringLiteral(".mp3")));
    EXPECT_TRUE(page_->Delegate().StateOf(0).active);
    ClickRow(0, Control::Play);
    EXPECT_FALSE(page_->Delegate().StateOf(0).active);
    EXPECT_EQ(fixture_.Tips().size(), 1);

    // A file that is no MP3 at all: the player's complaint reaches the user once.
    QFile broken(QDir(fixture_.RecFolder()).filePath(kGuid + QStringLiteral(".mp3")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write(QByteArray(4096, 'x'));
    broken.close();
    fixture_.ClearTips();
    ClickRow(0, Control::Play);
    ASSERT_TRUE(test::WaitFor([&] { return !fixture_.Tips().isEmpty(); }, 30000));
    EXPECT_TRUE(fixture_.Tips()[0].startsWith(QStringLiteral("录音文件无法播放：")));
    EXPECT_TRUE(page_->Delegate().StateOf(0).active);
    QTest::qWait(200);
    EXPECT_EQ(fixture_.Tips().size(), 1);
}

TEST_F(RecordsPage, RecordingsPlayToTheirEndAndStopWithTheirRow) {
    AddCalls(2);
    ASSERT_TRUE(fixture_.WriteRecording(kGuid, 400));
    Core().LinkRecordingToCallLog(kGuid);
    ClickRow(0, Control::Play);
    const int id = Model().Entry(0)->id;
    ASSERT_TRUE(test::WaitFor([&] { return page_->Playback().IsPlaying(id); }, 30000));
    EXPECT_TRUE(page_->Delegate().StateOf(0).active);
    // At the end the button offers to play again.
    ASSERT_TRUE(test::WaitFor([&] { return !page_->Delegate().StateOf(0).active; }, 30000));
    EXPECT_TRUE(fixture_.Tips().isEmpty()) << fixture_.Tips().join(u'\n').toStdString();

    // A long recording deleted while it plays stops with its row.
    const QString longGuid = QStringLiteral("1A1B2C3D-4E5F-6a7b-8C9D-0E1F2A3B4C5D");
    ASSERT_TRUE(Core().AddCallLog(QStringLiteral("13900000000"), {}, {}, 1));
    ASSERT_TRUE(fixture_.WriteRecording(longGuid, 8000));
    Core().LinkRecordingToCallLog(longGuid);
    const int longId = Model().Entry(0)->id;
    ClickRow(0, Control::Play);
    ASSERT_TRUE(test::WaitFor([&] { return page_->Playback().IsPlaying(longId); }, 30000));
    ClickRow(0, Control::Check);
    QTest::mouseClick(page_->DeleteButton(), Qt::LeftButton);
    EXPECT_EQ(Model().RowOfId(longId), -1);
    EXPECT_FALSE(page_->Playback().IsActive(longId));
    EXPECT_FALSE(page_->Playback().IsPlaying(longId));
    QTest::qWait(300);
    EXPECT_TRUE(fixture_.Tips().isEmpty());
}

TEST(RecordingPlayback, IdentifiersNeverLeaveTheRecordingsFolder) {
    RecordingPlayback playback(QStringLiteral("/data/Rec"));
    EXPECT_EQ(playback.PathOf(kGuid),
              QStringLiteral("/data/Rec/") + kGuid + QStringLiteral(".mp3"));
    EXPECT_TRUE(playback.PathOf(QStringLiteral("../../etc/passwd")).isEmpty());
    EXPECT_TRUE(playback.PathOf(QStringLiteral("..\\x")).isEmpty());
    EXPECT_TRUE(playback.PathOf(QString()).isEmpty());
}

// A new call, a linked recording and a note mark change only their own row: the list is
// never reset, and a check mark elsewhere stays on its call.
TEST_F(RecordsPage, WritesChangeOnlyTheirOwnRows) {
    AddCalls(3);
    Model().SetChecked(2, true);
    const int checked = Model().Entry(2)->id;
    QSignalSpy resets(&Model(), &QAbstractItemModel::modelReset);
    QSignalSpy inserted(&Model(), &QAbstractItemModel::rowsInserted);
    QSignalSpy changed(&Model(), &QAbstractItemModel::dataChanged);
    const auto changedRows = [&] {
        std::vector<int> rows;
        for (const QList<QVariant>& signal : changed) {
            rows.push_back(signal[0].toModelIndex().row());
        }
        changed.clear();
        return rows;
    };

    ASSERT_TRUE(Core().AddCallLog(QStringLiteral("13900000000"), QStringLiteral("北京"),
                                  QStringLiteral("中国移动"), 5));
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 0);
    EXPECT_EQ(Model().EntryCount(), 4);
    EXPECT_EQ(Model().Entry(0)->phone, QStringLiteral("13900000000"));
    EXPECT_EQ(Model().Entry(0)->type, 5);
    EXPECT_EQ(Model().CheckedRows(), std::vector<int>{3});
    EXPECT_EQ(Model().Entry(3)->id, checked);

    Core().LinkRecordingToCallLog(kGuid);
    EXPECT_EQ(changedRows(), std::vector<int>{0});
    EXPECT_EQ(Model().Entry(0)->recordGuid, kGuid);

    // Two notes for one call: the mark goes with the last of them.
    const int noted = Model().Entry(2)->id;
    ASSERT_TRUE(Core().AddNote({}, {}, {}, {}, QStringLiteral("一"), noted));
    ASSERT_TRUE(Core().AddNote({}, {}, {}, {}, QStringLiteral("二"), noted));
    EXPECT_EQ(changedRows(), (std::vector<int>{2, 2}));
    EXPECT_TRUE(Model().Entry(2)->hasNote);
    const std::vector<NoteRecord> notes = Core().Database().Notes().Load(std::time(nullptr));
    ASSERT_TRUE(Core().DeleteNotes({notes.at(0).id}));
    EXPECT_TRUE(Model().Entry(2)->hasNote);
    ASSERT_TRUE(Core().DeleteNotes({notes.at(1).id}));
    EXPECT_FALSE(Model().Entry(2)->hasNote);
    EXPECT_EQ(Model().Entry(2)->id, noted);

    // A call that is gone from the table leaves its row when the page hears of it; the last
    // one leaves the placeholder.
    const int gone = Model().Entry(1)->id;
    test::RawDb(Core().DataRoot() + QStringLiteral("/Data/Tamberlink.db"))
        .Exec("delete from table_log where id=" + std::to_string(gone));
    page_->RefreshRows({gone});
    EXPECT_EQ(Model().RowOfId(gone), -1);
    EXPECT_EQ(Model().EntryCount(), 3);
    EXPECT_EQ(resets.count(), 0);

    std::vector<int> all = Model().IdsOf({0, 1, 2});
    ASSERT_TRUE(Core().DeleteCallLogs(all));
    page_->RefreshRows(all);
    EXPECT_TRUE(Model().HasPlaceholder());
}

// A reload reads in the background: the rows shown stay until its read lands, and a read
// taken before the page's own changes lands without undoing them.
TEST_F(RecordsPage, AReloadLandsWithoutUndoingWhatChangedWhileItWasRead) {
    AddCalls(4);
    std::vector<int> before = Model().IdsOf({0, 1, 2, 3});
    page_->LoadCallLog();
    EXPECT_TRUE(Model().IsLoading());
    EXPECT_EQ(Model().IdsOf({0, 1, 2, 3}), before);

    // Once the reader has moved past the reload's read, that read is stale: it lands only
    // when the event loop runs again.
    std::promise<void> readerPassed;
    Core().ReadInBackground([&](LocalDatabase&) { readerPassed.set_value(); });
    ASSERT_EQ(readerPassed.get_future().wait_for(std::chrono::seconds(30)),
              std::future_status::ready);
    ASSERT_TRUE(Core().AddCallLog(QStringLiteral("13900000000"), {}, {}, 1));
    const int added = Model().Entry(0)->id;
    Model().SetChecked(2, true);
    const int deleted = Model().Entry(2)->id;
    page_->DeleteCheckedRows();
    ASSERT_TRUE(Core().AddNote({}, {}, {}, {}, QStringLiteral("n"), before[0]));

    QSignalSpy loaded(&Model(), &RecordListModelBase::Loaded);
    ASSERT_TRUE(test::WaitFor([&] { return !Model().IsLoading(); }));
    EXPECT_EQ(loaded.count(), 1);
    std::vector<int> stored;
    for (const CallLogRecord& entry : Core().Database().CallLog().Load()) {
        stored.push_back(entry.id);
    }
    EXPECT_EQ(Model().IdsOf({0, 1, 2, 3, 4}), stored);
    EXPECT_EQ(Model().Entry(0)->id, added);
    EXPECT_EQ(Model().RowOfId(deleted), -1);
    EXPECT_TRUE(Model().Entry(Model().RowOfId(before[0]))->hasNote);
}
