// The nuisance rules' window, and what the call popup and the call log do with a caller.
#include "../UiTestSupport.h"

#include "app/AppCore.h"
#include "nuisance/NuisanceFile.h"
#include "nuisance/NuisanceFileTask.h"
#include "ui/calls/CCallInUI.h"
#include "ui/calls/CRecordContainer.h"
#include "ui/calls/CallLogModel.h"
#include "ui/calls/CallPopups.h"
#include "ui/nuisance/CSettingNuisance.h"
#include "ui/settings/SettingWindows.h"
#include "ui/shell/CMainWndUI.h"
#include "ui/shell/CMessageBox.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace tamberlink;

namespace {

class NuisanceWindowTest : public test::MainWindowFixture {
protected:
    CSettingNuisance* Open() {
        CSettingNuisance* window = window_->Settings().OpenNuisance();
        EXPECT_NE(window, nullptr);
        return window;
    }
    // The notice shown, closed once read; empty when there is none.
    static QString TakeTip() {
        CMessageBox* box = test::Opened<CMessageBox>();
        if (box == nullptr) {
            return {};
        }
        const QString text = box->GetText();
        box->Close();
        test::ProcessEvents();
        return text;
    }
    static bool RulesShown(CSettingNuisance& window, int count) {
        return test::WaitFor(
            [&] { return !window.Rules().IsLoading() && window.Rules().EntryCount() == count; });
    }
    static void Type(CSettingNuisance& window, const char* edit, const QString& text) {
        test::Control<QLineEdit>(&window, QString::fromLatin1(edit))->setText(text);
    }
    static void Choose(CSettingNuisance& window, const QString& label, NuisanceAction action) {
        test::Control<QComboBox>(&window, QStringLiteral("ComboLabel"))->setCurrentText(label);
        auto* actions = test::Control<QComboBox>(&window, QStringLiteral("ComboAction"));
        actions->setCurrentIndex(actions->findData(int(action)));
    }
    static QString CheckText(CSettingNuisance& window) {
        return test::Control<QLabel>(&window, QStringLiteral("LabelCheck"))->text();
    }
};

TEST_F(NuisanceWindowTest, RulesAreWrittenCheckedEditedImportedAndExportedThroughTheWindow) {
    CSettingNuisance* window = Open();
    ASSERT_NE(window, nullptr);
    Type(*window, "EditRule", QStringLiteral("400*"));
    Choose(*window, QStringLiteral("推销"), NuisanceAction::LabelOnly);
    test::Click(window, "ButtonAddRule");
    ASSERT_TRUE(RulesShown(*window, 1));
    Type(*window, "EditRule", QStringLiteral("4008*"));
    Choose(*window, QStringLiteral("贷款"), NuisanceAction::Reject);
    test::Click(window, "ButtonAddRule");
    ASSERT_TRUE(RulesShown(*window, 2));
    // Junk and repeats are refused with the reason, and nothing is added.
    for (const QString& bad : {QStringLiteral("40a8*"), QStringLiteral("*"), QString(48, u'1'),
                               QStringLiteral("4008*")}) {
        Type(*window, "EditRule", bad);
        test::Click(window, "ButtonAddRule");
        EXPECT_FALSE(TakeTip().isEmpty()) << bad.toStdString();
    }
    EXPECT_TRUE(RulesShown(*window, 2));

    // The longest prefix decides, and the window names the other that matched.
    Type(*window, "EditCheck", QStringLiteral("+86 400-812-3456"));
    EXPECT_EQ(CheckText(*window), QStringLiteral("拒接：贷款 4008*；也匹配 400*，以这条为准"));
    // A contact rings unless the user says otherwise.
    core_->AddContact(ContactRecord(QStringLiteral("王经理"), QStringLiteral("4008123456"), {}),
                      true);
    Type(*window, "EditCheck", QStringLiteral("4008123456"));
    EXPECT_TRUE(CheckText(*window).startsWith(QStringLiteral("联系人来电")))
        << CheckText(*window).toStdString();
    test::Click(window, "CheckContactsWin");
    EXPECT_FALSE(core_->Nuisance().ContactsWin());
    EXPECT_TRUE(
        test::WaitFor([&] { return CheckText(*window).startsWith(QStringLiteral("拒接")); }));

    // A click on a rule puts it in the editor; saving changes it in place.
    window->Rules().SetChecked(0, false);
    const int first = window->Rules().Entry(0)->id;
    const QRect row = test::Control<QListView>(window, QStringLiteral("ListRules"))
                          ->visualRect(window->Rules().index(0));
    QTest::mouseClick(test::Control<QListView>(window, QStringLiteral("ListRules"))->viewport(),
                      Qt::LeftButton, {}, row.center());
    ASSERT_EQ(window->EditedRule(), first);
    EXPECT_EQ(test::Control<QLineEdit>(window, QStringLiteral("EditRule"))->text(),
              QStringLiteral("400*"));
    Choose(*window, QStringLiteral("推销"), NuisanceAction::Silent);
    test::Click(window, "ButtonSaveRule");
    EXPECT_TRUE(test::WaitFor([&] {
        return window->Rules().EntryCount() == 2 &&
               window->Rules().Entry(0)->action == NuisanceAction::Silent;
    }));
    EXPECT_EQ(window->EditedRule(), 0);

    // A shared file comes in on a worker, its junk lines named; what goes out reads back the same.
    const QString in = home_.filePath(QStringLiteral("office.csv"));
    QFile file(in);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("号码,标签,处理\n95??????,推销,静音\n17012345678\t诈骗\t拒接\nnot a rule!\n"
               "0086 138 0000 0000,贷款,label\n");
    file.close();
    QSignalSpy imported(&window->FileTask(), &NuisanceFileTask::Imported);
    window->ImportFrom(in);
    EXPECT_TRUE(test::Control<QWidget>(window, QStringLiteral("ProgressImport"))->isVisible());
    ASSERT_TRUE(imported.wait(10000));
    const QString notice = TakeTip();
    EXPECT_TRUE(notice.startsWith(QStringLiteral("已导入 3 条规则"))) << notice.toStdString();
    EXPECT_TRUE(notice.contains(QStringLiteral("第 4 行“not a rule!”"))) << notice.toStdString();
    EXPECT_FALSE(test::Control<QWidget>(window, QStringLiteral("ProgressImport"))->isVisible());
    ASSERT_TRUE(RulesShown(*window, 5));

    const QString out = home_.filePath(QStringLiteral("out.csv"));
    QSignalSpy exported(&window->FileTask(), &NuisanceFileTask::Exported);
    window->ExportTo(out);
    ASSERT_TRUE(exported.wait(10000));
    EXPECT_TRUE(exported.front().at(0).toBool());
    TakeTip();
    std::vector<NuisanceRule> readBack;
    NuisanceImportReport report;
    ASSERT_TRUE(ReadNuisanceFile(
        out,
        [&](std::vector<NuisanceRule>& batch) {
            readBack.insert(readBack.end(), batch.begin(), batch.end());
            return true;
        },
        report));
    const std::vector<NuisanceRule> stored = core_->Nuisance().LoadRules();
    ASSERT_EQ(readBack.size(), stored.size());
    for (std::size_t i = 0; i < stored.size(); ++i) {
        EXPECT_EQ(NuisanceRuleText(readBack[i]), NuisanceRuleText(stored[i]));
        EXPECT_EQ(readBack[i].label, stored[i].label);
        EXPECT_EQ(readBack[i].action, stored[i].action);
    }

    // Checked rules go.
    window->Rules().SetChecked(0, true);
    window->Rules().SetChecked(1, true);
    test::Click(window, "ButtonDeleteRules");
    EXPECT_TRUE(RulesShown(*window, 3));
}

TEST_F(NuisanceWindowTest, CallersAreBlockedOrWhitelistedFromThePopupTheCallLogAndTheLog) {
    NuisanceService& rules = core_->Nuisance();
    ASSERT_TRUE(
        rules.AddRule(QStringLiteral("400*"), QStringLiteral("推销"), NuisanceAction::LabelOnly)
            .Ok());

    // The popup of a labelled call: "不是骚扰" whitelists the caller and the label goes.
    IncomingCall labelled{QStringLiteral("全国"), QString(), QStringLiteral("4008123456"),
                          QString()};
    labelled.nuisanceLabel = QStringLiteral("推销 400*");
    CCallInUI* popup = window_->Calls().ShowIncoming(labelled);
    ASSERT_NE(popup, nullptr);
    test::Click(popup, "btnNuisance");
    EXPECT_FALSE(TakeTip().isEmpty());
    EXPECT_EQ(core_->ScreenCaller(QStringLiteral("4008123456")).reason,
              NuisanceVerdict::Reason::Whitelisted);
    EXPECT_EQ(test::Control<QLabel>(popup, QStringLiteral("labelAddr"))->text(),
              QStringLiteral("全国"));
    EXPECT_EQ(test::Control<QPushButton>(popup, QStringLiteral("btnNuisance"))->text(),
              QStringLiteral("拦截"));
    // "拦截" rejects the caller from now on and ends the popup.
    test::Click(popup, "btnNuisance");
    TakeTip();
    EXPECT_TRUE(core_->ScreenCaller(QStringLiteral("4008123456")).Rejects());
    EXPECT_TRUE(test::WaitFor([] { return test::Opened<CCallInUI>() == nullptr; }));

    // A call-log row's menu: block an unknown caller, whitelist a labelled one.
    ASSERT_TRUE(core_->AddCallLog(QStringLiteral("13912345678"), QString(), QString(), 3));
    ASSERT_TRUE(core_->AddCallLog(QStringLiteral("4001112222"), QString(), QString(), 3,
                                  QStringLiteral("推销 400*")));
    CRecordContainer* records = window_->RecordPage();
    ASSERT_TRUE(test::WaitFor([&] { return records->Model().EntryCount() == 2; }));
    QMenu* menu = records->OpenRowMenu(1);
    ASSERT_NE(menu, nullptr);
    // "号码记录…" and a separator first; no "不是骚扰" for an unlabelled call.
    ASSERT_EQ(menu->actions().size(), 5);
    menu->actions().at(2)->trigger();
    TakeTip();
    EXPECT_TRUE(core_->ScreenCaller(QStringLiteral("13912345678")).Rejects());
    menu->close();
    menu = records->OpenRowMenu(0);
    ASSERT_NE(menu, nullptr);
    menu->actions().at(3)->trigger();
    TakeTip();
    EXPECT_EQ(core_->ScreenCaller(QStringLiteral("4001112222")).reason,
              NuisanceVerdict::Reason::Whitelisted);
    menu->actions().back()->trigger();
    CSettingNuisance* window = test::Opened<CSettingNuisance>();
    ASSERT_NE(window, nullptr);
    menu->close();

    // The log page: a stopped call's number goes on the whitelist, and the log rows go.
    rules.LogCall(QStringLiteral("4005556666"), rules.LoadRules().front());
    ASSERT_TRUE(core_->AddCallLog(QStringLiteral("4005556666"), QString(), QString(), 3,
                                  QStringLiteral("推销 400*")));
    window->ShowPage(CSettingNuisance::kLogPage);
    ASSERT_TRUE(test::WaitFor([&] { return window->Log().EntryCount() == 1; }));
    EXPECT_TRUE(test::Control<QLabel>(window, QStringLiteral("LabelTotals"))
                    ->text()
                    .contains(QStringLiteral("今天标记 1")));
    window->Log().SetChecked(0, true);
    test::Click(window, "ButtonNotNuisance");
    TakeTip();
    EXPECT_EQ(core_->ScreenCaller(QStringLiteral("4005556666")).reason,
              NuisanceVerdict::Reason::Whitelisted);
    // The popup's caller left the whitelist when blocked.
    EXPECT_TRUE(test::WaitFor([&] { return window->Whitelist().EntryCount() == 2; }));
    window->Log().SetChecked(0, true);
    test::Click(window, "ButtonDeleteLog");
    EXPECT_EQ(window->Log().EntryCount(), 0);
    EXPECT_TRUE(rules.LoadLog(10).empty());
}

} // namespace
