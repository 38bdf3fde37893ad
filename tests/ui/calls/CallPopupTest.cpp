// The incoming and outgoing call popups: their texts, the call timer, the record buttons
// and the recording animation.
#include "../UiTestSupport.h"
#include "RecordsTestSupport.h"

#include "ui/calls/CCallInUI.h"
#include "ui/calls/CCallOutUI.h"
#include "ui/calls/CItemRecordUI.h"
#include "ui/calls/CallPopups.h"
#include "ui/widgets/CAnimateUI.h"

#include <QAbstractButton>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace tamberlink;
using tamberlink::test::App;

namespace {

class CallPopupsTest : public ::testing::Test {
protected:
    void TearDown() override {
        popups_.CloseAll();
        test::ProcessEvents();
    }

    static QString Text(WindowImplBase* popup, const char* name) {
        auto* label = test::Control<QLabel>(popup, QString::fromLatin1(name));
        return label != nullptr ? label->text() : QStringLiteral("<missing>");
    }
    static void Click(WindowImplBase* popup, const char* name) {
        auto* button = test::Control<QAbstractButton>(popup, QString::fromLatin1(name));
        ASSERT_NE(button, nullptr) << name;
        QTest::mouseClick(button, Qt::LeftButton);
    }
    // The record button takes a click at its place in the popup.
    static bool TakesMouse(WindowImplBase* popup, const char* name) {
        QWidget* button = test::Control(popup, QString::fromLatin1(name));
        const QPoint centre = button->mapTo(popup, button->rect().center());
        return popup->childAt(centre) == button;
    }

    QApplication& app_ = App();
    test::CoreFixture fixture_;
    QWidget main_;
    CallPopups popups_{&main_, fixture_.Core()};
};

IncomingCall Caller(const QString& name, const QString& attribution) {
    return IncomingCall{attribution, QString(), QStringLiteral("13800000000"), name};
}

} // namespace

TEST(CallTime, ShowsHoursMinutesAndSeconds) {
    EXPECT_EQ(CCallOutUI::ElapsedText(0), QStringLiteral("00:00:00"));
    EXPECT_EQ(CCallOutUI::ElapsedText(59), QStringLiteral("00:00:59"));
    EXPECT_EQ(CCallOutUI::ElapsedText(3600), QStringLiteral("01:00:00"));
    EXPECT_EQ(CCallOutUI::ElapsedText(3725), QStringLiteral("01:02:05"));
    EXPECT_EQ(CCallOutUI::ElapsedText(36000 + 600 + 10), QStringLiteral("10:10:10"));
    EXPECT_EQ(CCallOutUI::ElapsedText(100 * 3600), QStringLiteral("100:00:00"));
}

TEST_F(CallPopupsTest, IncomingShowsTheCallerOnceAndRejectHangsUpAndCloses) {
    CCallInUI* popup = popups_.ShowIncoming(Caller({}, QStringLiteral("移动|北京")));
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->windowTitle(), QStringLiteral("固话来电"));
    EXPECT_TRUE(popup->isWindow());
    EXPECT_TRUE(popup->isVisible());
    EXPECT_EQ(Text(popup, "labelName"), QStringLiteral("未知联系人"));
    EXPECT_EQ(Text(popup, "labelPhone"), QStringLiteral("13800000000"));
    EXPECT_EQ(Text(popup, "labelAddr"), QStringLiteral("移动|北京"));

    // A second call reuses the popup.
    EXPECT_EQ(popups_.ShowIncoming(Caller(QStringLiteral("张三"), {})), popup);
    EXPECT_EQ(Text(popup, "labelName"), QStringLiteral("张三"));
    EXPECT_EQ(Text(popup, "labelAddr"), QString());

    Click(popup, "btnReject");
    EXPECT_EQ(test::Opened<CCallInUI>(), nullptr);
    test::ProcessEvents();
}

// A caller a nuisance rule labelled shows the label in red before the place, in the popup
// and in the call log row (where the row's buttons take its place under the mouse); the next
// caller without one is shown as ever.
TEST_F(CallPopupsTest, ANuisanceLabelShowsInRedInThePopupAndTheCallLogRow) {
    IncomingCall call = Caller({}, QStringLiteral("移动|北京"));
    call.nuisanceLabel = QStringLiteral("推销 400*");
    CCallInUI* popup = popups_.ShowIncoming(call);
    ASSERT_NE(popup, nullptr);
    auto* place = test::Control<QLabel>(popup, QStringLiteral("labelAddr"));
    EXPECT_EQ(place->text(), QStringLiteral("推销 400*  移动|北京"));
    EXPECT_EQ(place->palette().color(QPalette::WindowText), QColor(0xEF, 0x4B, 0x44));
    EXPECT_EQ(popups_.ShowIncoming(Caller({}, QStringLiteral("移动|北京"))), popup);
    EXPECT_EQ(place->text(), QStringLiteral("移动|北京"));
    EXPECT_NE(place->palette().color(QPalette::WindowText), QColor(0xEF, 0x4B, 0x44));

    CallLogRecord entry;
    entry.phone = QStringLiteral("4001234567");
    entry.nuisanceLabel = QStringLiteral("推销 400*");
    const auto redIn = [](const CallLogRecord& record, bool hovered) {
        QImage image(800, CItemRecordUI::kHeight, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        RowState state;
        state.hovered = hovered;
        CItemRecordUI(record).Paint(painter, image.rect(), state);
        painter.end();
        const QRect place = CItemRecordUI::ControlRect(CItemRecordUI::Control::Nuisance);
        int red = 0;
        for (int y = place.top(); y <= place.bottom(); ++y) {
            for (int x = place.left(); x <= place.right(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                red += pixel.red() > 200 && pixel.green() < 150 && pixel.blue() < 150;
            }
        }
        return red;
    };
    EXPECT_GT(redIn(entry, false), 20);
    EXPECT_EQ(redIn(entry, true), 0);
    entry.nuisanceLabel.clear();
    EXPECT_EQ(redIn(entry, false), 0);
}

TEST_F(CallPopupsTest, IncomingNoteButtonAsksForANoteAboutTheCaller) {
    CCallInUI* popup = popups_.ShowIncoming(Caller(QStringLiteral("张三"), {}));
    ASSERT_NE(popup, nullptr);
    QSignalSpy notes(popup, &CCallInUI::NoteRequested);
    Click(popup, "btnAddRecord");
    ASSERT_EQ(notes.count(), 1);
    EXPECT_EQ(notes[0][0].toString(), QStringLiteral("张三"));
    EXPECT_EQ(notes[0][1].toString(), QStringLiteral("13800000000"));
    EXPECT_EQ(test::Opened<CCallInUI>(), nullptr);
}

TEST_F(CallPopupsTest, OutgoingShowsTheCallAndCountsItsSeconds) {
    main_.resize(902, 602);
    main_.show();
    const OutgoingCall call{QStringLiteral("北京 移动"), QStringLiteral("90"),
                            QStringLiteral("13800000000"), QStringLiteral("未知联系人")};
    CCallOutUI* popup = popups_.ShowOutgoing(call);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->parentWidget(), &main_);
    EXPECT_EQ(popup->pos(), CCallOutUI::kPosition);
    EXPECT_EQ(Text(popup, "labelName"), QStringLiteral("未知联系人"));
    EXPECT_EQ(Text(popup, "labelMobile"), QStringLiteral("90 13800000000"));
    EXPECT_EQ(Text(popup, "labelAddr"), QStringLiteral("北京 移动"));
    EXPECT_EQ(Text(popup, "labelTime"), QStringLiteral("00:00:00"));
    ASSERT_TRUE(test::WaitFor([&] { return popup->ElapsedSeconds() >= 1; }));
    EXPECT_EQ(Text(popup, "labelTime"), QStringLiteral("00:00:01"));

    // Another dial while it is open starts the time again in the same popup.
    EXPECT_EQ(popups_.ShowOutgoing(call), popup);
    EXPECT_EQ(Text(popup, "labelTime"), QStringLiteral("00:00:00"));

    Click(popup, "ButtonReject");
    EXPECT_EQ(test::Opened<CCallOutUI>(), nullptr);
}

TEST_F(CallPopupsTest, RecordButtonsStartAndStopRecordingUnlessAutomaticRecordingIsOn) {
    CCallInUI* popup = popups_.ShowIncoming(Caller({}, {}));
    ASSERT_NE(popup, nullptr);
    QWidget* start = test::Control(popup, QStringLiteral("btn_rec_start"));
    QWidget* stop = test::Control(popup, QStringLiteral("btn_rec_stop"));
    ASSERT_TRUE(start != nullptr && stop != nullptr && popup->Animation() != nullptr);
    EXPECT_TRUE(start->isVisible());
    EXPECT_FALSE(stop->isVisible());
    EXPECT_FALSE(popup->Animation()->isVisible());
    EXPECT_TRUE(TakesMouse(popup, "btn_rec_start"));
    // Without a box the core tells the user to connect it first.
    Click(popup, "btn_rec_start");
    EXPECT_EQ(fixture_.Tips(), QStringList{QStringLiteral("请先连接设备后再开始录音")});
    popup->Close();
    test::ProcessEvents();

    fixture_.Core().SetAuto(false, true);
    fixture_.ClearTips();
    popup = popups_.ShowIncoming(Caller({}, {}));
    ASSERT_NE(popup, nullptr);
    start = test::Control(popup, QStringLiteral("btn_rec_start"));
    EXPECT_FALSE(popup->RecordButtonsTakeMouse());
    EXPECT_FALSE(start->isVisible());
    // Even where the buttons show, they take no mouse input.
    start->show();
    test::Control(popup, QStringLiteral("btn_rec_stop"))->show();
    EXPECT_FALSE(TakesMouse(popup, "btn_rec_start"));
    EXPECT_FALSE(TakesMouse(popup, "btn_rec_stop"));
    popup->Close();
    test::ProcessEvents();

    fixture_.Core().SetAuto(true, false);
    main_.resize(902, 602);
    CCallOutUI* outgoing = popups_.ShowOutgoing(OutgoingCall{});
    ASSERT_NE(outgoing, nullptr);
    EXPECT_TRUE(outgoing->RecordButtonsTakeMouse());
}

TEST_F(CallPopupsTest, RecordingAnimationGoesToTheOutgoingPopupFirst) {
    // No popup: nothing happens.
    popups_.SetRecordingAnimation(true);
    popups_.SetRecordingAnimation(false);

    CCallInUI* incoming = popups_.ShowIncoming(Caller({}, {}));
    ASSERT_NE(incoming, nullptr);
    popups_.SetRecordingAnimation(true);
    EXPECT_TRUE(incoming->Animation()->IsPlaying());
    EXPECT_TRUE(incoming->Animation()->isVisible());
    EXPECT_FALSE(test::Control(incoming, QStringLiteral("btn_rec_start"))->isVisible());
    EXPECT_TRUE(test::Control(incoming, QStringLiteral("btn_rec_stop"))->isVisible());
    popups_.SetRecordingAnimation(false);
    EXPECT_FALSE(incoming->Animation()->IsPlaying());
    EXPECT_TRUE(incoming->Animation()->isVisible());
    EXPECT_TRUE(test::Control(incoming, QStringLiteral("btn_rec_start"))->isVisible());

    main_.resize(902, 602);
    main_.show();
    CCallOutUI* outgoing = popups_.ShowOutgoing(OutgoingCall{});
    ASSERT_NE(outgoing, nullptr);
    popups_.SetRecordingAnimation(true);
    EXPECT_TRUE(outgoing->Animation()->IsPlaying());
    EXPECT_FALSE(incoming->Animation()->IsPlaying());

    // Closing both, twice, and events for popups already gone are harmless.
    popups_.CloseAll();
    EXPECT_EQ(test::Opened<CCallInUI>(), nullptr);
    EXPECT_EQ(test::Opened<CCallOutUI>(), nullptr);
    popups_.CloseAll();
    popups_.SetRecordingAnimation(false);
    test::ProcessEvents();
    popups_.SetRecordingAnimation(true);
}
