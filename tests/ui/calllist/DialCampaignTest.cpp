// "连续拨号" on the call list page, driven by its keys as its user drives it, over a workbook
// of twenty people written by openpyxl and dialled through the virtual telephone box.
#include "../../device/BoxSim.h"
#include "../../workbook/WorkbookTool.h"
#include "../UiTestSupport.h"

#include "app/DeviceBridge.h"
#include "dialler/PowerDialler.h"
#include "ui/calllist/CContactListTemp.h"
#include "ui/calllist/CDialCampaign.h"
#include "ui/shell/CMainWndUI.h"
#include "ui/shell/CTipDialog.h"
#include "util/IniStore.h"

#include <QDateTimeEdit>
#include <QSpinBox>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tamberlink;
using tamberlink::test::App;
using tamberlink::test::WorkbookTool;

namespace {

constexpr int kDeadlineMs = 30000;

QString NumberOf(int person) {
    return QString::number(13800000000LL + person);
}

class DialCampaign : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        ASSERT_TRUE(box_.Running());
        ASSERT_TRUE(QDir().mkpath(home_.filePath("Tamberlink/Data")));
        path_ = home_.filePath("名单.xlsx");
        ASSERT_TRUE(WorkbookTool::Instance().Make("rows", path_, 21));
        IniStore ini(home_.filePath("Tamberlink/Data/Tamberlink.ini"));
        ini.Set("TEMPCONTACT", "FILE", path_.toStdString());
        ini.Set("TEMPCONTACT", "COL_NAME", "A");
        ini.Set("TEMPCONTACT", "COL_NUMBER", "B");
        ASSERT_TRUE(ini.Save());
        AppConfig config;
        config.documentsFolder = home_.path();
        config.dataFolder = QStringLiteral(TAMBERLINK_BIN_DIR "/Data");
        core_ = std::make_unique<AppCore>(config);
        window_ = std::make_unique<CMainWndUI>(*core_);
        window_->Start(QString::fromStdString(box_.PortPath()));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
        ASSERT_TRUE(test::WaitFor([&] { return core_->IsBoxConnected(); }, kDeadlineMs));
        ASSERT_TRUE(test::WaitFor(
            [&] { return core_->Settings().AreaCode() == QLatin1String("010"); }, kDeadlineMs));
        QTest::mouseClick(test::Control<QPushButton>(window_, QStringLiteral("ButtonContactTemp")),
                          Qt::LeftButton);
    }
    void TearDown() override {
        window_.reset();
        core_.reset();
        test::ProcessEvents();
    }

    CContactListTemp* Page() { return window_->TempContactPage(); }
    std::vector<std::string> Dials() const { return box_.LinesStartingWith("dial-landline"); }
    bool DialledAs(std::size_t count, const QString& number) {
        if (!test::WaitFor([&] { return Dials().size() >= count; }, kDeadlineMs)) {
            return false;
        }
        return QString::fromStdString(Dials()[count - 1]).endsWith(number);
    }
    // A key as the user presses it, wherever the focus is in the panel.
    void Press(CDialCampaign* panel, int key, Qt::KeyboardModifiers modifiers = {}) {
        QWidget* target = QApplication::focusWidget();
        QTest::keyClick(target != nullptr && panel->isAncestorOf(target) ? target : panel,
                        Qt::Key(key), modifiers);
    }

    test::BoxSim box_{{"--area-code", "010"}};
    QTemporaryDir home_;
    QString path_;
    std::unique_ptr<AppCore> core_;
    std::unique_ptr<CMainWndUI> window_;
};

// Twenty people: each outcome chosen with its key, a remark typed and Enter pressed, the next
// dial following at once; one outcome is given while paused, taken back with Ctrl+Z and given
// again. The frames reach the box in row order and openpyxl reads each row's CV and CW back.
TEST_F(DialCampaign, TheKeysDriveACampaignThroughTwentyRows) {
    QTest::mouseClick(test::Control<QPushButton>(Page(), QStringLiteral("ButtonCampaign")),
                      Qt::LeftButton);
    CDialCampaign* panel = test::Opened<CDialCampaign>();
    ASSERT_NE(panel, nullptr);
    panel->Controls().SpinWrapUp->setValue(0);
    // Every 未接通 is final here, so that the campaign ends with the twentieth person.
    panel->Controls().SpinAttempts->setValue(1);
    QTest::mouseClick(panel->Controls().ButtonStart, Qt::LeftButton);
    ASSERT_TRUE(core_->Dialler().IsRunning());
    // The header's "电话" cannot be dialled: passed over with the reason.
    EXPECT_EQ(core_->Dialler().State().Entries()[0].reason, QStringLiteral("号码无法拨打"));

    std::map<int, std::pair<int, QString>> expected;
    for (int person = 1; person <= 20; ++person) {
        ASSERT_TRUE(DialledAs(std::size_t(person), NumberOf(person))) << person;
        ASSERT_TRUE(
            test::WaitFor([&] { return panel->Controls().EditRemark->isEnabled(); }, kDeadlineMs));
        EXPECT_EQ(panel->Controls().LabelName->text(), QStringLiteral("联系人%1").arg(person));
        const int outcome = person % 4 + 1;
        const QString remark = QStringLiteral("第%1位").arg(person);
        if (person == 2) {
            Press(panel, Qt::Key_Space);
            EXPECT_EQ(core_->Dialler().CurrentPhase(), PowerDialler::Phase::Paused);
            Press(panel, Qt::Key_4);
            Press(panel, Qt::Key_Return);
            EXPECT_EQ(WorkbookTool::Instance().Cells(path_).value("CV3").toInt(), 4);
            Press(panel, Qt::Key_Z, Qt::ControlModifier);
            const QJsonObject undone = WorkbookTool::Instance().Cells(path_);
            EXPECT_EQ(undone.value("CV3").toInt(), 0);
            EXPECT_EQ(undone.value("CW3").toString(), QString());
            EXPECT_FALSE(core_->IsDoNotCall(NumberOf(2)));
        }
        Press(panel, Qt::Key_0 + outcome);
        EXPECT_EQ(panel->ChosenOutcome(), outcome);
        EXPECT_EQ(panel->Controls().EditRecallAt->isVisible(), outcome == 3);
        test::TypeText(panel->Controls().EditRemark, remark);
        Press(panel, Qt::Key_Return);
        if (person == 2) {
            EXPECT_EQ(Dials().size(), 2u) << "nothing is dialled while paused";
            Press(panel, Qt::Key_Space);
        }
        expected[person] = {outcome, remark};
    }
    ASSERT_TRUE(test::WaitFor(
        [&] { return core_->Dialler().CurrentPhase() == PowerDialler::Phase::Finished; },
        kDeadlineMs));
    EXPECT_EQ(Dials().size(), 20u);

    const QJsonObject cells = WorkbookTool::Instance().Cells(path_);
    for (const auto& [person, outcome] : expected) {
        const int row = person + 1;
        EXPECT_EQ(cells.value(QStringLiteral("CV%1").arg(row)).toInt(), outcome.first) << row;
        EXPECT_EQ(cells.value(QStringLiteral("CW%1").arg(row)).toString(), outcome.second) << row;
    }
    // The list page shows what the campaign wrote.
    const int index = Page()->Contacts().IndexOfRow(3);
    ASSERT_GE(index, 0);
    EXPECT_EQ(Page()->Contacts().Items()[std::size_t(index)].remark, QStringLiteral("第3位"));
    // 黑名单 put the number on the do-not-call list; the keypad's and quick dial's way asks first.
    ASSERT_TRUE(core_->IsDoNotCall(NumberOf(3)));
    ASSERT_TRUE(test::WaitFor([&] { return !core_->Device().Calls().IsDialling(); }, kDeadlineMs));
    window_->Dial(NumberOf(3), false);
    CTipDialog* question = test::Opened<CTipDialog>();
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(test::Control<QLabel>(question, QStringLiteral("LabelTip"))->text(),
              QStringLiteral("该号码在免打扰名单中，仍要拨打吗？"));
    test::ProcessEvents();
    EXPECT_EQ(Dials().size(), 20u);
    QTest::mouseClick(test::Control<QPushButton>(question, QStringLiteral("ButtonOK")),
                      Qt::LeftButton);
    EXPECT_TRUE(DialledAs(21, NumberOf(3)));
}

} // namespace
