// The call records page and the call popups in the main window, driven through the virtual
// telephone box: dialling, ringing, the box's call-state frames and recording.
#include "../../device/BoxSim.h"
#include "../UiTestSupport.h"

#include "ui/calls/CCallInUI.h"
#include "ui/calls/CCallOutUI.h"
#include "ui/calls/CItemRecordUI.h"
#include "ui/calls/CRecordContainer.h"
#include "ui/calls/CSoftKeyboard.h"
#include "ui/calls/CallLogModel.h"
#include "ui/settings/CSettingExit.h"
#include "ui/shell/CMainWndUI.h"
#include "ui/shell/CMessageBox.h"
#include "ui/shell/CTopCall.h"
#include "ui/widgets/CAnimateUI.h"
#include "ui/widgets/CButtonUI.h"

#include <QLabel>
#include <QLineEdit>
#include <QStackedWidget>

#include <gtest/gtest.h>

#include <memory>

using namespace tamberlink;
using tamberlink::test::App;

namespace {

constexpr int kDeadlineMs = 30000;

class RecordsOnTheBox : public test::MainWindowFixture {
protected:
    std::optional<QString> SerialPort() const override {
        return QString::fromStdString(box_.PortPath());
    }
    void SetUp() override {
        ASSERT_TRUE(box_.Running());
        MainWindowFixture::SetUp();
        page_ = window_->RecordPage();
        ASSERT_NE(page_, nullptr);
        ASSERT_TRUE(test::WaitFor([&] { return !page_->Model().IsLoading(); }));
        ASSERT_TRUE(test::WaitFor([&] { return window_->Core().IsBoxConnected(); }, kDeadlineMs));
        ASSERT_TRUE(test::WaitFor(
            [&] { return window_->Core().Settings().AreaCode() == QLatin1String("010"); },
            kDeadlineMs));
    }
    static QString Label(WindowImplBase* popup, const char* name) {
        auto* label = test::Control<QLabel>(popup, QString::fromLatin1(name));
        return label != nullptr ? label->text() : QString();
    }
    const CallLogRecord* Newest() { return page_->Model().Entry(0); }
    bool NewestIs(const QString& phone, int type) {
        const CallLogRecord* entry = Newest();
        return entry != nullptr && entry->phone == phone && entry->type == type;
    }
    void Send(const std::string& command) { ASSERT_EQ(box_.Command(command), "ok") << command; }

    test::BoxSim box_{{"--area-code", "010"}};
    CRecordContainer* page_ = nullptr;
};

} // namespace

TEST_F(RecordsOnTheBox, DiallingFromTheNumberBoxReachesTheBoxAndTopsTheList) {
    EXPECT_EQ(test::Control<QStackedWidget>(window_, QStringLiteral("Pages"))->widget(0), page_);
    EXPECT_TRUE(page_->Model().HasPlaceholder());
    page_->NumberBox()->setText(QStringLiteral("13800000000"));
    QTest::mouseClick(page_->findChild<CButtonUI*>(QStringLiteral("ButtonMainCallTel")),
                      Qt::LeftButton);
    // A Beijing mobile from Beijing: no prefix, no long-distance "0".
    EXPECT_TRUE(box_.WaitForLine("dial-landline 0 13800000000", 1, std::chrono::seconds(30)));
    ASSERT_TRUE(test::WaitFor([&] { return NewestIs(QStringLiteral("13800000000"), 4); }));
    EXPECT_FALSE(page_->Model().HasPlaceholder());

    CCallOutUI* popup = test::Opened<CCallOutUI>();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->parentWidget(), window_.get());
    EXPECT_EQ(Label(popup, "labelName"), QStringLiteral("未知联系人"));
    EXPECT_EQ(Label(popup, "labelMobile"), QStringLiteral("13800000000"));

    // The box reports the far end: the outgoing popup closes.
    Send("state 12");
    ASSERT_TRUE(test::WaitFor([] { return test::Opened<CCallOutUI>() == nullptr; }, kDeadlineMs));
    // The same report again, for a popup already closed, changes nothing.
    Send("state 13");
    QTest::qWait(300);
    EXPECT_EQ(test::Opened<CCallOutUI>(), nullptr);

    // Dialling a row's number through the phone.
    page_->DialRow(0, true);
    EXPECT_TRUE(box_.WaitForLine("dial-phone 13800000000", 1, std::chrono::seconds(30)));
    ASSERT_TRUE(test::WaitFor([&] { return NewestIs(QStringLiteral("13800000000"), 2); }));
    EXPECT_EQ(page_->Model().EntryCount(), 2);
}

TEST_F(RecordsOnTheBox, AnUnknownCallerRingsAndTheCallEndsWithBothPopups) {
    Send("ring 13912345678");
    ASSERT_TRUE(test::WaitFor([] { return test::Opened<CCallInUI>() != nullptr; }, kDeadlineMs));
    CCallInUI* incoming = test::Opened<CCallInUI>();
    EXPECT_EQ(Label(incoming, "labelName"), QStringLiteral("未知联系人"));
    EXPECT_EQ(Label(incoming, "labelPhone"), QStringLiteral("13912345678"));
    ASSERT_TRUE(test::WaitFor([&] { return NewestIs(QStringLiteral("13912345678"), 3); }));
    // No contact: the row shows the number as name and only the place below.
    const CItemRecordUI row(*Newest());
    EXPECT_EQ(row.NameText(), QStringLiteral("13912345678"));
    EXPECT_FALSE(row.NumberText().contains(QStringLiteral("13912345678")));

    window_->Dial(QStringLiteral("88290291"), false);
    // The popup opens once the dial has reached the box.
    ASSERT_TRUE(test::WaitFor([] { return test::Opened<CCallOutUI>() != nullptr; }, kDeadlineMs));
    Send("state 14");
    ASSERT_TRUE(test::WaitFor(
        [] {
            return test::Opened<CCallInUI>() == nullptr && test::Opened<CCallOutUI>() == nullptr;
        },
        kDeadlineMs));
    // An end of call with no popup open is harmless.
    Send("state 14");
    QTest::qWait(300);
    EXPECT_EQ(test::Opened<CCallInUI>(), nullptr);
}

TEST_F(RecordsOnTheBox, RecordButtonsRecordTheCallIntoItsRow) {
    Send("ring 13912345678");
    ASSERT_TRUE(test::WaitFor([] { return test::Opened<CCallInUI>() != nullptr; }, kDeadlineMs));
    CCallInUI* popup = test::Opened<CCallInUI>();
    auto* start = test::Control<CButtonUI>(popup, QStringLiteral("btn_rec_start"));
    auto* stop = test::Control<CButtonUI>(popup, QStringLiteral("btn_rec_stop"));
    ASSERT_TRUE(start != nullptr && stop != nullptr);
    ASSERT_TRUE(start->isVisible());

    QTest::mouseClick(start, Qt::LeftButton);
    EXPECT_TRUE(box_.WaitForLine("record-request", 1, std::chrono::seconds(30)));
    ASSERT_TRUE(test::WaitFor([&] { return popup->Animation()->IsPlaying(); }, kDeadlineMs));
    EXPECT_TRUE(stop->isVisible());
    EXPECT_FALSE(start->isVisible());
    QTest::qWait(500);

    QTest::mouseClick(stop, Qt::LeftButton);
    EXPECT_TRUE(box_.WaitForLine("record-stop-request", 1, std::chrono::seconds(30)));
    ASSERT_TRUE(test::WaitFor([&] { return !popup->Animation()->IsPlaying(); }, kDeadlineMs));
    EXPECT_TRUE(popup->Animation()->isVisible());
    ASSERT_TRUE(test::WaitFor(
        [&] { return Newest() != nullptr && CItemRecordUI(*Newest()).IsPlayVisible(); },
        kDeadlineMs));
    const QString file =
        QDir(window_->Core().DataRoot())
            .filePath(QStringLiteral("Rec/") + Newest()->recordGuid + QStringLiteral(".mp3"));
    EXPECT_TRUE(QFileInfo(file).size() > 0) << file.toStdString();
}

// What a new user met on a day of calls: a double click, a number copied with its country
// code, a call on the phone, the keypad left open, the exit dialog under a ringing phone, and
// a box unplugged.
TEST_F(RecordsOnTheBox, ADayOfCallsAsANewUserMakesIt) {
    auto* callTel = page_->findChild<CButtonUI*>(QStringLiteral("ButtonMainCallTel"));
    ASSERT_NE(callTel, nullptr);
    page_->NumberBox()->setText(QStringLiteral("13800000000"));
    // A double click: press, release, and the second press Qt makes a double click of.
    QTest::mouseClick(callTel, Qt::LeftButton);
    QTest::mouseDClick(callTel, Qt::LeftButton);
    QTest::mouseRelease(callTel, Qt::LeftButton);
    ASSERT_TRUE(test::WaitFor([&] { return NewestIs(QStringLiteral("13800000000"), 4); }));
    Send("state 12");
    ASSERT_TRUE(test::WaitFor([] { return test::Opened<CCallOutUI>() == nullptr; }, kDeadlineMs));

    // A number copied as "+86...": dialled and logged as its contact's.
    ASSERT_TRUE(window_->Core().AddContact(
        ContactRecord(QStringLiteral("张三"), QStringLiteral("13900000000"), {})));
    window_->OfferNumber(QStringLiteral("+8613900000000"));
    ASSERT_NE(test::Opened<CTopCall>(), nullptr);
    QTest::mouseClick(test::Control(test::Opened<CTopCall>(), QStringLiteral("ButtonTel")),
                      Qt::LeftButton);
    ASSERT_TRUE(test::WaitFor([&] { return NewestIs(QStringLiteral("13900000000"), 4); }));
    EXPECT_EQ(Newest()->name, QStringLiteral("张三"));
    // The double click dialled once: the next dial followed the first.
    EXPECT_EQ(box_.Count("dial-landline 0 13800000000"), 1);
    EXPECT_EQ(page_->Model().EntryCount(), 2);
    Send("state 12");
    ASSERT_TRUE(test::WaitFor([] { return test::Opened<CCallOutUI>() == nullptr; }, kDeadlineMs));

    // A call to the phone says so; a call through the phone shows what the phone dialled.
    Send("ring-phone 13700000000");
    ASSERT_TRUE(test::WaitFor([] { return test::Opened<CCallInUI>() != nullptr; }, kDeadlineMs));
    EXPECT_EQ(Label(test::Opened<CCallInUI>(), "labelTitle"), QStringLiteral("手机来电"));
    Send("state 14");
    ASSERT_TRUE(test::WaitFor([] { return test::Opened<CCallInUI>() == nullptr; }, kDeadlineMs));
    window_->Core().SetFenjiCode(QStringLiteral("9"));
    window_->Core().SetIpCode(QStringLiteral("17951"));
    window_->Core().SetSwitchIP(1);
    window_->Dial(QStringLiteral("02088290291"), true);
    ASSERT_TRUE(test::WaitFor([] { return test::Opened<CCallOutUI>() != nullptr; }, kDeadlineMs));
    EXPECT_TRUE(box_.WaitForLine("dial-phone 02088290291"));
    EXPECT_EQ(Label(test::Opened<CCallOutUI>(), "labelMobile"), QStringLiteral("02088290291"));
    Send("state 12");
    ASSERT_TRUE(test::WaitFor([] { return test::Opened<CCallOutUI>() == nullptr; }, kDeadlineMs));

    // The keypad belongs to the call records: another tab takes it away.
    page_->OpenOrCloseKeyboard();
    ASSERT_NE(page_->Keyboard(), nullptr);
    QTest::mouseClick(test::Control(window_, QStringLiteral("ButtonSms")), Qt::LeftButton);
    test::ProcessEvents();
    EXPECT_EQ(page_->Keyboard(), nullptr);

    // A call while the exit dialog is open leaves its buttons clear.
    window_->OpenExitConfirmation();
    ASSERT_NE(test::Opened<CSettingExit>(), nullptr);
    Send("ring 13611112222");
    ASSERT_TRUE(test::WaitFor([] { return test::Opened<CCallInUI>() != nullptr; }, kDeadlineMs));
    const QRect popup = test::Opened<CCallInUI>()->frameGeometry();
    for (QAbstractButton* button : test::Opened<CSettingExit>()->findChildren<QAbstractButton*>()) {
        const QRect onScreen(button->mapToGlobal(QPoint(0, 0)), button->size());
        EXPECT_FALSE(popup.intersects(onScreen)) << button->text().toStdString();
    }
    Send("state 14");
    ASSERT_TRUE(test::WaitFor([] { return test::Opened<CCallInUI>() == nullptr; }, kDeadlineMs));
    test::Opened<CSettingExit>()->Close();

    // Unplugged, before the link has noticed: the dial is told and neither shown nor logged.
    const int rows = page_->Model().EntryCount();
    Send("unplug");
    ASSERT_TRUE(window_->Core().IsBoxConnected());
    window_->Dial(QStringLiteral("13511112222"), false);
    ASSERT_TRUE(test::WaitFor(
        [] {
            return test::Opened<CMessageBox>() != nullptr &&
                   test::Opened<CMessageBox>()->GetText() ==
                       QStringLiteral("请先连接设备后再拨打电话");
        },
        kDeadlineMs));
    EXPECT_EQ(test::Opened<CCallOutUI>(), nullptr);
    EXPECT_EQ(page_->Model().EntryCount(), rows);
}
