// The notice box, the confirmations and the quick dial.
#include "../UiTestSupport.h"

#include "ui/settings/CSettingExit.h"
#include "ui/shell/CMessageBox.h"
#include "ui/shell/CTipDialog.h"
#include "ui/shell/CTopCall.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace tamberlink;
using tamberlink::test::App;
using tamberlink::test::ButtonWithText;

TEST(MessageBox, ASecondNoticeReplacesTheTextOfTheOneBox) {
    QPointer<CMessageBox> notice;
    const auto main = test::MainWindowStandIn();
    CMessageBox* first = CMessageBox::ShowText(notice, main.get(), QStringLiteral("保存代理错误"));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->windowTitle(), QStringLiteral("Tamberlink提醒"));
    EXPECT_EQ(first->pos(), CMessageBox::kPosition);
    EXPECT_TRUE(first->isVisible());
    CMessageBox* second =
        CMessageBox::ShowText(notice, main.get(), QStringLiteral("网络超时，请稍后再试......"));
    EXPECT_EQ(second, first);
    EXPECT_EQ(first->GetText(), QStringLiteral("网络超时，请稍后再试......"));
    EXPECT_EQ(main->findChildren<CMessageBox*>().size(), 1);

    // "确定" closes it; the box is gone once the event loop ran.
    QPushButton* ok = ButtonWithText(first, QStringLiteral("确定"));
    ASSERT_NE(ok, nullptr);
    QTest::mouseClick(ok, Qt::LeftButton);
    test::ProcessEvents();
    EXPECT_EQ(test::Opened<CMessageBox>(), nullptr);
    EXPECT_TRUE(main->findChildren<CMessageBox*>().isEmpty());
}

TEST(MessageBox, ANoticeWhileTheBoxClosesIsNotLost) {
    QPointer<CMessageBox> notice;
    const auto main = test::MainWindowStandIn();
    CMessageBox* box = CMessageBox::ShowText(notice, main.get(), QStringLiteral("一"));
    ASSERT_NE(box, nullptr);
    QTest::mouseClick(test::Control<QPushButton>(box, QStringLiteral("btnClosed")), Qt::LeftButton);
    box->Close(); // closed twice
    CMessageBox* next = CMessageBox::ShowText(notice, main.get(), QStringLiteral("二"));
    ASSERT_NE(next, nullptr);
    EXPECT_NE(next, box);
    test::ProcessEvents();
    ASSERT_EQ(test::Opened<CMessageBox>(), next);
    EXPECT_TRUE(next->isVisible());
    EXPECT_EQ(next->GetText(), QStringLiteral("二"));
    next->Close();
    test::ProcessEvents();
}

TEST(MessageBox, ALongNoticeWrapsInsteadOfBeingCut) {
    QPointer<CMessageBox> notice;
    const auto main = test::MainWindowStandIn();
    const QString longText = QStringLiteral("请先连接设备并开启手机版Tamberlink拨号器，再发送短信");
    CMessageBox* box = CMessageBox::ShowText(notice, main.get(), longText);
    ASSERT_NE(box, nullptr);
    QLabel* label = nullptr;
    for (auto* candidate : box->findChildren<QLabel*>()) {
        if (candidate->text() == longText) {
            label = candidate;
        }
    }
    ASSERT_NE(label, nullptr);
    EXPECT_GE(label->height(), label->heightForWidth(label->width()));
    // It stays clear of the OK button below it.
    QPushButton* ok = ButtonWithText(box, QStringLiteral("确定"));
    ASSERT_NE(ok, nullptr);
    EXPECT_LE(label->geometry().bottom(), ok->geometry().top());

    CMessageBox::ShowText(notice, main.get(), QStringLiteral("短"));
    EXPECT_EQ(label->geometry(), QRect(0, 60, label->parentWidget()->width(), 30));
    box->Close();
    test::ProcessEvents();
}

TEST(Confirmation, TipDialogRunsItsActionOnlyOnOk) {
    const auto main = test::MainWindowStandIn();
    int ran = 0;
    auto* tip = OpenWindow<CTipDialog>(main.get(), QStringLiteral("删除联系人"), QPoint(180, 200),
                                       QStringLiteral("您确定清空本地联系人吗？"),
                                       std::function<void()>([&ran] { ++ran; }),
                                       QStringLiteral("删除联系人"));
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(test::Control<QLabel>(tip, QStringLiteral("labelTitle"))->text(),
              QStringLiteral("删除联系人"));
    EXPECT_EQ(test::Control<QLabel>(tip, QStringLiteral("LabelTip"))->text(),
              QStringLiteral("您确定清空本地联系人吗？"));
    test::Control<QPushButton>(tip, QStringLiteral("ButtonCancel"))->click();
    EXPECT_EQ(ran, 0);
    EXPECT_TRUE(tip->IsClosing());

    tip = OpenWindow<CTipDialog>(main.get(), QString(), QPoint(0, 0), QStringLiteral("?"),
                                 std::function<void()>([&ran] { ++ran; }));
    ASSERT_NE(tip, nullptr);
    auto* ok = test::Control<QPushButton>(tip, QStringLiteral("ButtonOK"));
    ok->click();
    ok->click(); // a second click on a closing dialog does nothing
    EXPECT_EQ(ran, 1);
    test::ProcessEvents();
}

TEST(Confirmation, ExitDialogAsksTheMainWindowToExitOnlyOnExit) {
    const auto main = test::MainWindowStandIn();
    auto* dialog =
        OpenWindow<CSettingExit>(main.get(), QStringLiteral("退出程序"), QPoint(250, 150));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(test::Opened<CSettingExit>(), dialog);
    QSignalSpy exits(dialog, &CSettingExit::ExitRequested);
    QPushButton* cancel = ButtonWithText(dialog, QStringLiteral("取消"));
    ASSERT_NE(cancel, nullptr);
    QTest::mouseClick(cancel, Qt::LeftButton);
    EXPECT_EQ(exits.count(), 0);
    EXPECT_EQ(test::Opened<CSettingExit>(), nullptr);

    dialog = OpenWindow<CSettingExit>(main.get(), QStringLiteral("退出程序"), QPoint(250, 150));
    ASSERT_NE(dialog, nullptr);
    QSignalSpy exits2(dialog, &CSettingExit::ExitRequested);
    EXPECT_TRUE(dialog->findChildren<QLabel*>().size() >= 2);
    QTest::mouseClick(ButtonWithText(dialog, QStringLiteral("退出")), Qt::LeftButton);
    EXPECT_EQ(exits2.count(), 1);
    test::ProcessEvents();
}

TEST(QuickDial, OffersTheNumberAndDialsOrTextsItOnce) {
    QPointer<CTopCall> quickDial;
    App();
    CTopCall* popup = CTopCall::Offer(quickDial, QStringLiteral("+8613800000000"), QPoint(40, 40));
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(popup->isWindow());
    EXPECT_TRUE(popup->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(popup->windowTitle(), QStringLiteral("快捷拨号"));
    EXPECT_EQ(popup->Number(), QStringLiteral("+8613800000000"));
    EXPECT_EQ(CTopCall::Offer(quickDial, QStringLiteral("10086"), QPoint(40, 40)), popup);
    EXPECT_EQ(popup->Number(), QStringLiteral("10086"));

    QSignalSpy dials(popup, &CTopCall::DialRequested);
    test::Control<QPushButton>(popup, QStringLiteral("ButtonTel"))->click();
    test::Control<QPushButton>(popup, QStringLiteral("ButtonMobile"))->click();
    ASSERT_EQ(dials.count(), 1);
    EXPECT_EQ(dials.at(0).at(0).toString(), QStringLiteral("10086"));
    EXPECT_FALSE(dials.at(0).at(1).toBool());
    test::ProcessEvents();
    EXPECT_EQ(test::Opened<CTopCall>(), nullptr);

    // A closed popup is made anew at the next offer.
    popup = CTopCall::Offer(quickDial, QStringLiteral("13800000000"), QPoint(40, 40));
    ASSERT_NE(popup, nullptr);
    QSignalSpy dials2(popup, &CTopCall::DialRequested);
    QSignalSpy texts(popup, &CTopCall::SmsRequested);
    test::Control<QLineEdit>(popup, QStringLiteral("EditPhone"))->setText(QStringLiteral("95555"));
    test::Control<QPushButton>(popup, QStringLiteral("ButtonSMS"))->click();
    ASSERT_EQ(texts.count(), 1);
    EXPECT_EQ(texts.at(0).at(0).toString(), QStringLiteral("95555"));
    EXPECT_EQ(dials2.count(), 0);
    test::ProcessEvents();

    popup = CTopCall::Offer(quickDial, QStringLiteral("13800000000"), QPoint(40, 40));
    ASSERT_NE(popup, nullptr);
    QSignalSpy dials3(popup, &CTopCall::DialRequested);
    test::Control<QPushButton>(popup, QStringLiteral("ButtonMobile"))->click();
    ASSERT_EQ(dials3.count(), 1);
    EXPECT_TRUE(dials3.at(0).at(1).toBool());
    test::ProcessEvents();
}

TEST(Confirmation, ButtonsKeepTheirActionWhateverTheyRead) {
    const auto main = test::MainWindowStandIn();
    auto* dialog =
        OpenWindow<CSettingExit>(main.get(), QStringLiteral("退出程序"), QPoint(250, 150));
    ASSERT_NE(dialog, nullptr);
    QSignalSpy exits(dialog, &CSettingExit::ExitRequested);
    QPushButton* leave = ButtonWithText(dialog, QStringLiteral("退出"));
    QPushButton* cancel = ButtonWithText(dialog, QStringLiteral("取消"));
    ASSERT_TRUE(leave != nullptr && cancel != nullptr);
    // Swapped labels: each button still does its own job.
    leave->setText(QStringLiteral("取消"));
    cancel->setText(QStringLiteral("退出"));
    QTest::mouseClick(cancel, Qt::LeftButton);
    EXPECT_EQ(exits.count(), 0);
    EXPECT_TRUE(dialog->IsClosing());
    test::ProcessEvents();

    dialog = OpenWindow<CSettingExit>(main.get(), QStringLiteral("退出程序"), QPoint(250, 150));
    ASSERT_NE(dialog, nullptr);
    QSignalSpy exits2(dialog, &CSettingExit::ExitRequested);
    leave = ButtonWithText(dialog, QStringLiteral("退出"));
    ASSERT_NE(leave, nullptr);
    leave->setText(QStringLiteral("Exit"));
    QTest::mouseClick(leave, Qt::LeftButton);
    EXPECT_EQ(exits2.count(), 1);
    test::ProcessEvents();

    QPointer<CMessageBox> notice;
    CMessageBox* box = CMessageBox::ShowText(notice, main.get(), QStringLiteral("一"));
    ASSERT_NE(box, nullptr);
    QPushButton* ok = ButtonWithText(box, QStringLiteral("确定"));
    ASSERT_NE(ok, nullptr);
    ok->setText(QStringLiteral("OK"));
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(test::Opened<CMessageBox>(), nullptr);
    test::ProcessEvents();
}
