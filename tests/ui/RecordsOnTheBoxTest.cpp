// The call records page and the call popups in the main window, driven through the virtual
// telephone box: dialling, ringing, the box's call-state frames and recording.
#include "../device/BoxSim.h"
#include "UiTestSupport.h"

#include "ui/CAnimateUI.h"
#include "ui/CButtonUI.h"
#include "ui/CCallInUI.h"
#include "ui/CCallOutUI.h"
#include "ui/CItemRecordUI.h"
#include "ui/CMainWndUI.h"
#include "ui/CRecordContainer.h"
#include "ui/CallLogModel.h"

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
        auto* label = popup->FindControl<QLabel>(QString::fromLatin1(name));
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
    EXPECT_EQ(window_->FindControl<QStackedWidget>(QStringLiteral("switch"))->widget(0), page_);
    EXPECT_TRUE(page_->Model().HasPlaceholder());
    page_->NumberBox()->setText(QStringLiteral("13800000000"));
    QTest::mouseClick(page_->findChild<CButtonUI*>(QStringLiteral("ButtonMainCallTel")),
                      Qt::LeftButton);
    // A Beijing mobile from Beijing: no prefix, no long-distance "0".
    EXPECT_TRUE(box_.WaitForLine("dial-landline 0 13800000000", 1, std::chrono::seconds(30)));
    ASSERT_TRUE(test::WaitFor([&] { return NewestIs(QStringLiteral("13800000000"), 4); }));
    EXPECT_FALSE(page_->Model().HasPlaceholder());

    CCallOutUI* popup = CCallOutUI::Instance();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->parentWidget(), window_.get());
    EXPECT_EQ(Label(popup, "labelName"), QStringLiteral("未知联系人"));
    EXPECT_EQ(Label(popup, "labelMobile"), QStringLiteral(" 13800000000"));

    // The box reports the far end: the outgoing popup closes.
    Send("state 12");
    ASSERT_TRUE(test::WaitFor([] { return CCallOutUI::Instance() == nullptr; }, kDeadlineMs));
    // The same report again, for a popup already closed, changes nothing.
    Send("state 13");
    QTest::qWait(300);
    EXPECT_EQ(CCallOutUI::Instance(), nullptr);

    // Dialling a row's number through the phone.
    page_->DialRow(0, true);
    EXPECT_TRUE(box_.WaitForLine("dial-phone 13800000000", 1, std::chrono::seconds(30)));
    ASSERT_TRUE(test::WaitFor([&] { return NewestIs(QStringLiteral("13800000000"), 2); }));
    EXPECT_EQ(page_->Model().EntryCount(), 2);
}

TEST_F(RecordsOnTheBox, AnUnknownCallerRingsAndTheCallEndsWithBothPopups) {
    Send("ring 13912345678");
    ASSERT_TRUE(test::WaitFor([] { return CCallInUI::Instance() != nullptr; }, kDeadlineMs));
    CCallInUI* incoming = CCallInUI::Instance();
    EXPECT_EQ(Label(incoming, "labelName"), QStringLiteral("未知联系人"));
    EXPECT_EQ(Label(incoming, "labelPhone"), QStringLiteral("13912345678"));
    ASSERT_TRUE(test::WaitFor([&] { return NewestIs(QStringLiteral("13912345678"), 3); }));
    // No contact: the row shows the number as name and only the place below.
    const CItemRecordUI row(*Newest());
    EXPECT_EQ(row.NameText(), QStringLiteral("13912345678"));
    EXPECT_FALSE(row.NumberText().contains(QStringLiteral("13912345678")));

    window_->Dial(QStringLiteral("88290291"), false);
    // The popup opens once the dial has reached the box.
    ASSERT_TRUE(test::WaitFor([] { return CCallOutUI::Instance() != nullptr; }, kDeadlineMs));
    Send("state 14");
    ASSERT_TRUE(test::WaitFor(
        [] { return CCallInUI::Instance() == nullptr && CCallOutUI::Instance() == nullptr; },
        kDeadlineMs));
    // An end of call with no popup open is harmless.
    Send("state 14");
    QTest::qWait(300);
    EXPECT_EQ(CCallInUI::Instance(), nullptr);
}

TEST_F(RecordsOnTheBox, RecordButtonsRecordTheCallIntoItsRow) {
    Send("ring 13912345678");
    ASSERT_TRUE(test::WaitFor([] { return CCallInUI::Instance() != nullptr; }, kDeadlineMs));
    CCallInUI* popup = CCallInUI::Instance();
    auto* start = popup->FindControl<CButtonUI>(QStringLiteral("btn_rec_start"));
    auto* stop = popup->FindControl<CButtonUI>(QStringLiteral("btn_rec_stop"));
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
