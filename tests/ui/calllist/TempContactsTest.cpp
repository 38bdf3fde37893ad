// The temporary-contacts page: call lists from workbooks written by openpyxl and xlwt, the
// import and remark dialogs, the status menu, SMS to the checked contacts and calls through
// the virtual telephone box, on the main window over a real core in a fresh documents folder.
#include "../../device/BoxSim.h"
#include "../../workbook/WorkbookTestSupport.h"
#include "../../workbook/WorkbookTool.h"
#include "../UiTestSupport.h"

#include "app/DeviceBridge.h"
#include "ui/calllist/CContactListTemp.h"
#include "ui/calllist/CDialogTempContact.h"
#include "ui/calllist/CImportExcel.h"
#include "ui/calllist/CItemContactTemp.h"
#include "ui/calllist/CTempMenu.h"
#include "ui/calllist/TempContactModel.h"
#include "ui/calls/CCallOutUI.h"
#include "ui/shell/CMainWndUI.h"
#include "ui/shell/CMessageBox.h"
#include "ui/sms/CSmsNew.h"
#include "ui/widgets/CButtonUI.h"
#include "util/IniStore.h"
#include "workbook/ValueSheet.h"
#include "workbook/XlsxWriter.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

using namespace tamberlink;
using tamberlink::test::App;
using tamberlink::test::FileBytes;
using tamberlink::test::WorkbookTool;
using Control = CItemContactTemp::Control;
using Recipients = CContactListTemp::Recipients;

namespace {

constexpr int kDeadlineMs = 30000;

// Answers the next open-file dialog of an import: picks `path`, or cancels when it is empty,
// and keeps what the dialog offered.
class FileDialogAnswer {
public:
    explicit FileDialogAnswer(QString path)
        : path_(std::move(path)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Answer(); });
        timer_.start(20);
    }

    int shown = 0;
    QStringList filters;
    QString selectedFilter;

private:
    void Answer() {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible()) {
            return;
        }
        // A dialog that did not take the file is not left hanging.
        if (dialog == last_) {
            dialog->reject();
            return;
        }
        if (shown > 0) {
            return;
        }
        last_ = dialog;
        ++shown;
        filters = dialog->nameFilters();
        selectedFilter = dialog->selectedNameFilter();
        if (path_.isEmpty()) {
            dialog->reject();
            return;
        }
        dialog->selectFile(path_);
        // selectFile leaves the file name box alone while it has the focus: typed, as a user
        // would.
        if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
            name->setText(path_);
        }
        // As the open button does: QFileDialog's own accept checks the file.
        static_cast<QDialog*>(dialog)->accept();
    }

    QString path_;
    QTimer timer_;
    QPointer<QFileDialog> last_;
};

class TempContacts : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        QGuiApplication::clipboard()->clear();
        ASSERT_TRUE(QDir().mkpath(home_.filePath("Tamberlink/Data")));
        path_ = home_.filePath("名单.xlsx");
        ASSERT_TRUE(WorkbookTool::Instance().Make("list", path_));
    }
    void TearDown() override {
        window_.reset();
        core_.reset();
        test::ProcessEvents();
    }

    // Starts the program; with `remembered` the last import named the workbook.
    void Start(bool remembered, const std::optional<QString>& port = std::nullopt) {
        if (remembered) {
            IniStore ini(IniPath());
            ini.Set("TEMPCONTACT", "FILE", path_.toStdString());
            ini.Set("TEMPCONTACT", "COL_NAME", "A");
            ini.Set("TEMPCONTACT", "COL_NUMBER", "B");
            ASSERT_TRUE(ini.Save());
        }
        AppConfig config;
        config.documentsFolder = home_.path();
        config.dataFolder = QStringLiteral(TAMBERLINK_BIN_DIR "/Data");
        core_ = std::make_unique<AppCore>(config);
        window_ = std::make_unique<CMainWndUI>(*core_);
        window_->Start(port);
        ASSERT_NE(Page(), nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
        QTest::mouseClick(test::Control<QPushButton>(window_, QStringLiteral("ButtonContactTemp")),
                          Qt::LeftButton);
        ASSERT_TRUE(Page()->isVisible());
        QObject::connect(Page(), &CContactListTemp::SmsRequested,
                         [this](const Recipients& recipients) { sms_.push_back(recipients); });
    }

    QString IniPath() const { return home_.filePath("Tamberlink/Data/Tamberlink.ini"); }
    CContactListTemp* Page() { return window_->TempContactPage(); }
    TempContactModel& Model() { return Page()->Model(); }
    QWidget* Viewport() { return Page()->List()->viewport(); }
    const TempContact& Entry(int index) { return *Model().Entry(index); }

    QPoint At(int index, Control control) {
        const QRect row = Page()->List()->visualRect(Model().index(index));
        return CItemContactTemp::ControlRect(control).translated(row.topLeft()).center();
    }
    void ClickRow(int index, Control control) {
        Page()->List()->scrollTo(Model().index(index));
        QTest::mouseMove(Viewport(), At(index, control));
        QTest::mouseClick(Viewport(), Qt::LeftButton, {}, At(index, control));
    }
    static void Click(QWidget* window, const char* control) {
        auto* button = window->findChild<QAbstractButton*>(QString::fromLatin1(control));
        ASSERT_NE(button, nullptr) << control;
        QTest::mouseClick(button, Qt::LeftButton);
    }
    QString LastTip() {
        CMessageBox* box = test::Opened<CMessageBox>();
        return box != nullptr ? box->GetText() : QString();
    }
    void CloseTip() {
        if (CMessageBox* box = test::Opened<CMessageBox>()) {
            box->Close();
        }
        test::ProcessEvents();
    }
    QJsonObject Cells(const QString& path) { return WorkbookTool::Instance().Cells(path); }

    // Opens the import dialog with the toolbar button and imports through it.
    CImportExcel* Import(const QString& nameColumn, const QString& numberColumn) {
        QTest::mouseClick(Page()->ImportButton(), Qt::LeftButton);
        CImportExcel* dialog = test::Opened<CImportExcel>();
        if (dialog != nullptr) {
            dialog->NameEdit()->setText(nameColumn);
            dialog->NumberEdit()->setText(numberColumn);
            Click(dialog, "ButtonSave");
        }
        return dialog;
    }

    QTemporaryDir home_;
    QString path_;
    std::unique_ptr<AppCore> core_;
    std::unique_ptr<CMainWndUI> window_;
    std::vector<Recipients> sms_;
};

class TempContactsOnTheBox : public TempContacts {
protected:
    void SetUp() override {
        TempContacts::SetUp();
        ASSERT_TRUE(box_.Running());
        Start(true, QString::fromStdString(box_.PortPath()));
        ASSERT_TRUE(test::WaitFor([&] { return core_->IsBoxConnected(); }, kDeadlineMs));
        ASSERT_TRUE(test::WaitFor(
            [&] { return core_->Settings().AreaCode() == QLatin1String("010"); }, kDeadlineMs));
    }

    test::BoxSim box_{{"--area-code", "010"}};
};

} // namespace

TEST(TempContactRow, ControlsAndTheRemarkLine) {
    App();
    TempContact contact =
        TempContact::FromWorkbook(4, 2, QStringLiteral("欧阳某某"), QStringLiteral("13900139000"),
                                  QStringLiteral("上午\n不在"));
    const CItemContactTemp row(contact);
    EXPECT_EQ(row.RemarkText(), QStringLiteral("未接通 上午 不在"));
    EXPECT_EQ(CItemContactTemp::RemarkCaption(), QStringLiteral("备注:"));
    for (Control control :
         {Control::Check, Control::CallTel, Control::CallMobile, Control::Sms, Control::Remark}) {
        EXPECT_EQ(CItemContactTemp::HitTest(CItemContactTemp::ControlRect(control).center()),
                  control);
    }
    EXPECT_EQ(CItemContactTemp::HitTest(CItemContactTemp::ControlRect(Control::Name).center()),
              Control::Item);
    EXPECT_EQ(CItemContactTemp::HitTest(QPoint(10, CItemContactTemp::kHeight)), Control::None);
}

TEST_F(TempContacts, TheRememberedWorkbookIsListedAtStartAsItsSheetHasIt) {
    Start(true);
    EXPECT_EQ(test::Control<QStackedWidget>(window_, QStringLiteral("Pages"))->widget(3), Page());
    ASSERT_EQ(Model().EntryCount(), 6);
    // The header row has a number cell, so it is a contact; 王五 has none and is skipped.
    EXPECT_EQ(Entry(0).number, QStringLiteral("电话"));
    EXPECT_EQ(Entry(1).number, QStringLiteral("13800138000"));
    EXPECT_EQ(Entry(3).IndexText(), QStringLiteral("5"));
    EXPECT_EQ(Entry(3).remarkLabel, QStringLiteral("未接通 回头再打"));
    EXPECT_EQ(Entry(4).remarkColor, 0xFF0000u);
    EXPECT_TRUE(Entry(3).ShowsCalledIcon());
    EXPECT_FALSE(Entry(1).ShowsCalledIcon());

    // Select-all checks every contact and unchecks them again.
    QTest::mouseClick(Page()->SelectAllBox(), Qt::LeftButton);
    EXPECT_EQ(Model().CheckedRows().size(), 6u);
    QTest::mouseClick(Page()->SelectAllBox(), Qt::LeftButton);
    EXPECT_TRUE(Model().CheckedRows().empty());
}

TEST_F(TempContacts, ImportAsksForTheColumnsThenTheWorkbook) {
    Start(false);
    EXPECT_TRUE(Model().HasPlaceholder());
    // With an empty list the select-all box stays checked.
    QTest::mouseClick(Page()->SelectAllBox(), Qt::LeftButton);
    QTest::mouseClick(Page()->SelectAllBox(), Qt::LeftButton);
    EXPECT_TRUE(Page()->SelectAllBox()->isChecked());

    QTest::mouseClick(Page()->ImportButton(), Qt::LeftButton);
    CImportExcel* dialog = test::Opened<CImportExcel>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("导入联系人"));
    QStringList tips;
    for (const QLabel* label : dialog->findChildren<QLabel*>()) {
        tips << label->text();
    }
    for (const char* tip : {"1、支持导入Excel表格，程序关闭需要重新导入",
                            "2、请选择姓名及号码所在列(A-Z)", "3、使用期间请先关闭Excel文件"}) {
        EXPECT_TRUE(tips.contains(QString::fromUtf8(tip))) << tip;
    }
    // A second click brings the same dialog.
    QTest::mouseClick(Page()->ImportButton(), Qt::LeftButton);
    EXPECT_EQ(test::Opened<CImportExcel>(), dialog);
    EXPECT_EQ(window_->findChildren<CImportExcel*>().size(), 1);

    // Refused texts keep the dialog with what was typed, and ask for no file.
    FileDialogAnswer answer(path_);
    dialog->NameEdit()->setText(QStringLiteral("a"));
    Click(dialog, "ButtonSave");
    EXPECT_EQ(LastTip(), QStringLiteral("请先填写名字和号码所在列编号"));
    dialog->NumberEdit()->setText(QStringLiteral("AA"));
    Click(dialog, "ButtonSave");
    EXPECT_EQ(LastTip(), QStringLiteral("输入错误的联系人和号码所在列"));
    EXPECT_EQ(test::Opened<CImportExcel>(), dialog);
    EXPECT_EQ(dialog->NumberEdit()->text(), QStringLiteral("AA"));
    EXPECT_EQ(answer.shown, 0);
    EXPECT_TRUE(FileBytes(IniPath()).isEmpty());
    CloseTip();

    dialog->NumberEdit()->setText(QStringLiteral("b"));
    Click(dialog, "ButtonSave");
    EXPECT_EQ(answer.shown, 1);
    EXPECT_EQ(answer.filters,
              (QStringList{QStringLiteral("All (*.*)"), QStringLiteral("Xls (*.xls)"),
                           QStringLiteral("Xlsx (*.xlsx)")}));
    EXPECT_EQ(answer.selectedFilter, QStringLiteral("All (*.*)"));
    EXPECT_EQ(test::Opened<CImportExcel>(), nullptr);
    ASSERT_EQ(Model().EntryCount(), 6);
    EXPECT_FALSE(Page()->SelectAllBox()->isChecked());
    IniStore ini(IniPath());
    ASSERT_TRUE(ini.Load());
    EXPECT_EQ(ini.Text(),
              "[TEMPCONTACT]\nFILE=" + path_.toStdString() + "\nCOL_NAME=A\nCOL_NUMBER=B\n");

    // A file that is no workbook: told, and the list and the next start keep the workbook.
    const QString junk = home_.filePath("junk.xlsx");
    ASSERT_TRUE(test::WriteBytes(junk, "not a workbook"));
    {
        FileDialogAnswer junkAnswer(junk);
        Import(QStringLiteral("c"), QStringLiteral("d"));
        EXPECT_EQ(junkAnswer.shown, 1);
    }
    EXPECT_EQ(LastTip(), CContactListTemp::NoticeCannotRead());
    EXPECT_EQ(Model().EntryCount(), 6);
    ASSERT_TRUE(ini.Load());
    EXPECT_EQ(ini.Get("TEMPCONTACT", "FILE"), path_.toStdString());

    // A cancelled choice keeps the list shown, and the next start shows it again.
    {
        FileDialogAnswer cancel{QString()};
        Import(QStringLiteral("a"), QStringLiteral("b"));
        EXPECT_EQ(cancel.shown, 1);
    }
    EXPECT_EQ(Model().EntryCount(), 6);
    ASSERT_TRUE(ini.Load());
    EXPECT_EQ(ini.Get("TEMPCONTACT", "FILE"), path_.toStdString());

    // Both the title bar's close button and "取消" close the dialog without importing.
    for (const char* button : {"ButtonClosed", "ButtonCancel"}) {
        QTest::mouseClick(Page()->ImportButton(), Qt::LeftButton);
        ASSERT_NE(test::Opened<CImportExcel>(), nullptr);
        Click(test::Opened<CImportExcel>(), button);
        EXPECT_EQ(test::Opened<CImportExcel>(), nullptr) << button;
    }
}

TEST_F(TempContacts, TheRemarkDialogWritesStatusAndRemarkIntoTheWorkbook) {
    Start(true);
    ClickRow(1, Control::Remark);
    CDialogTempContact* dialog = Page()->RemarkDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("编辑备注"));
    EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("LabelName"))->text(),
              QStringLiteral("张三"));
    EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("LabelPhone"))->text(),
              QStringLiteral("13800138000"));
    QStringList statuses;
    for (int i = 0; i < dialog->StatusBox()->count(); ++i) {
        statuses << dialog->StatusBox()->itemText(i);
    }
    EXPECT_EQ(statuses, (QStringList{"未联系", "已联系", "未接通", "再联系", "黑名单"}));
    EXPECT_EQ(dialog->StatusBox()->currentIndex(), 0);
    EXPECT_TRUE(dialog->RemarkBox()->toPlainText().isEmpty());
    // One remark at a time: another row brings the open dialog forward.
    EXPECT_EQ(Page()->OpenRemarkDialog(3), dialog);

    dialog->StatusBox()->setCurrentIndex(3);
    dialog->RemarkBox()->setPlainText(QStringLiteral("明天上午再打"));
    Click(dialog, "ButtonSave");
    EXPECT_EQ(Page()->RemarkDialog(), nullptr);
    EXPECT_EQ(Entry(1).status, 3);
    EXPECT_EQ(Entry(1).remarkLabel, QStringLiteral("再联系 明天上午再打"));
    QJsonObject cells = Cells(path_);
    EXPECT_EQ(cells.value("CV2").toInt(), 3);
    EXPECT_EQ(cells.value("CW2").toString(), QStringLiteral("明天上午再打"));

    // Status 0 writes the remark alone; the status read from the workbook stays.
    ClickRow(3, Control::Remark);
    dialog = Page()->RemarkDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->StatusBox()->currentIndex(), 2);
    EXPECT_EQ(dialog->RemarkBox()->toPlainText(), QStringLiteral("回头再打"));
    dialog->StatusBox()->setCurrentIndex(0);
    dialog->RemarkBox()->setPlainText(QStringLiteral("换了号码"));
    Click(dialog, "ButtonSave");
    cells = Cells(path_);
    EXPECT_EQ(cells.value("CV5").toInt(), 2);
    EXPECT_EQ(cells.value("CW5").toString(), QStringLiteral("换了号码"));
    EXPECT_EQ(Entry(3).remarkLabel, QStringLiteral("未接通 换了号码"));
    EXPECT_TRUE(LastTip().isEmpty());
}

TEST_F(TempContacts, AWorkbookOpenElsewhereKeepsTheDialogAndItsText) {
    Start(true);
    ClickRow(1, Control::Remark);
    CDialogTempContact* dialog = Page()->RemarkDialog();
    ASSERT_NE(dialog, nullptr);
    const QString lock = home_.filePath(".~lock.名单.xlsx#");
    ASSERT_TRUE(test::Touch(lock));
    const QByteArray bytes = FileBytes(path_);
    dialog->StatusBox()->setCurrentIndex(2);
    dialog->RemarkBox()->setPlainText(QStringLiteral("没人接"));
    Click(dialog, "ButtonSave");
    EXPECT_EQ(LastTip(), QStringLiteral("写入表格失败，请关闭文件再重新保存"));
    EXPECT_EQ(Page()->RemarkDialog(), dialog);
    EXPECT_EQ(dialog->RemarkBox()->toPlainText(), QStringLiteral("没人接"));
    EXPECT_EQ(FileBytes(path_), bytes);
    EXPECT_EQ(Entry(1).status, 0);
    EXPECT_TRUE(Entry(1).remarkLabel.isEmpty());

    // Closed elsewhere, the same click saves.
    CloseTip();
    ASSERT_TRUE(QFile::remove(lock));
    Click(dialog, "ButtonSave");
    EXPECT_EQ(Page()->RemarkDialog(), nullptr);
    EXPECT_EQ(Cells(path_).value("CW2").toString(), QStringLiteral("没人接"));
    EXPECT_EQ(Entry(1).remarkLabel, QStringLiteral("未接通 没人接"));
}

TEST_F(TempContacts, ARowThatMovedIsNotWrittenAndTheListFollowsTheWorkbook) {
    Start(true);
    ClickRow(1, Control::Remark);
    CDialogTempContact* dialog = Page()->RemarkDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_FALSE(WorkbookTool::Instance()
                     .Request({{"op", "insert_row"}, {"path", path_}, {"row", 1}})
                     .contains("error"));
    const QByteArray bytes = FileBytes(path_);
    dialog->StatusBox()->setCurrentIndex(4);
    Click(dialog, "ButtonSave");
    EXPECT_EQ(LastTip(), QStringLiteral("表格中的行已有增删，联系人列表已重新读取，请核对后再试"));
    EXPECT_EQ(FileBytes(path_), bytes);
    // The dialog was for a row that now holds nobody; the list shows 张三 one row lower.
    EXPECT_EQ(Page()->RemarkDialog(), nullptr);
    EXPECT_EQ(Entry(1).name, QStringLiteral("张三"));
    EXPECT_EQ(Entry(1).row, 2);
}

TEST_F(TempContacts, TheStatusMenuChangesWhatTheListShowsOnly) {
    Start(true);
    const QByteArray bytes = FileBytes(path_);
    // A contact without a status offers no menu.
    ClickRow(1, Control::Name);
    EXPECT_EQ(Page()->StatusMenu(), nullptr);

    ClickRow(3, Control::Name);
    CTempMenu* menu = Page()->StatusMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->GetWindowClassName(), QStringLiteral("CDuiMenu"));
    QStringList items;
    for (int i = 0; i < 5; ++i) {
        items << test::Control<QPushButton>(menu, QStringLiteral("menu_%1").arg(i))->text();
    }
    EXPECT_EQ(items, (QStringList{"未联系", "已联系", "未接通", "再联系", "黑名单"}));
    Click(menu, "menu_4");
    EXPECT_EQ(Page()->StatusMenu(), nullptr);
    EXPECT_EQ(Entry(3).status, 4);
    EXPECT_EQ(Entry(3).remarkLabel, QStringLiteral("黑名单 "));
    EXPECT_EQ(Entry(3).remarkColor, 0xFF0000u);

    // "未联系" changes nothing.
    ClickRow(3, Control::Name);
    ASSERT_NE(Page()->StatusMenu(), nullptr);
    Click(Page()->StatusMenu(), "menu_0");
    EXPECT_EQ(Entry(3).status, 4);
    EXPECT_EQ(FileBytes(path_), bytes);
}

TEST_F(TempContacts, SmsGoesToTheCheckedContactsOrToOne) {
    Start(true);
    QTest::mouseClick(Page()->SendButton(), Qt::LeftButton);
    EXPECT_EQ(LastTip(), QStringLiteral("请先选择要发送的联系人"));
    EXPECT_TRUE(sms_.empty());

    ClickRow(1, Control::Check);
    ClickRow(4, Control::Check);
    QTest::mouseClick(Page()->SendButton(), Qt::LeftButton);
    ASSERT_EQ(sms_.size(), 1u);
    EXPECT_EQ(sms_[0], (Recipients{{"张三", "13800138000"}, {"黑名单的人", "15000000000"}}));
    // Handed over: nobody stays checked for the next SMS.
    EXPECT_TRUE(Model().CheckedRows().empty());

    ClickRow(2, Control::Sms);
    ASSERT_EQ(sms_.size(), 2u);
    EXPECT_EQ(sms_[1], (Recipients{{"李四", "01012345678"}}));

    // Not while a call popup is open.
    window_->Sink().ShowOutgoingCall(OutgoingCall{QStringLiteral("北京 移动"), QString(),
                                                  QStringLiteral("13800138000"),
                                                  QStringLiteral("张三")});
    QTest::mouseClick(Page()->SelectAllBox(), Qt::LeftButton);
    QTest::mouseClick(Page()->SendButton(), Qt::LeftButton);
    ClickRow(2, Control::Sms);
    EXPECT_EQ(sms_.size(), 2u);
    window_->Sink().CloseCallPopups();
    test::ProcessEvents();
    QTest::mouseClick(Page()->SendButton(), Qt::LeftButton);
    ASSERT_EQ(sms_.size(), 3u);
    EXPECT_EQ(sms_[2].size(), 6u);

    // The main window took the first hand-off: the new SMS holds its two people.
    CSmsNew* compose = test::Opened<CSmsNew>();
    ASSERT_NE(compose, nullptr);
    ASSERT_EQ(compose->Recipients().size(), 2u);
    EXPECT_EQ(compose->Recipients()[0].name, QStringLiteral("张三"));
    EXPECT_EQ(compose->Recipients()[1].phone, QStringLiteral("15000000000"));
    compose->Close();
}

TEST_F(TempContacts, AnXlsListIsSavedAsAnXlsxCopyAndTheUserIsToldOnce) {
    const QString xls = home_.filePath("名单.xls");
    ASSERT_TRUE(WorkbookTool::Instance().Make("list_xls", xls));
    // The copy takes the name of the workbook made for the other tests.
    ASSERT_TRUE(QFile::remove(path_));
    Start(false);
    {
        FileDialogAnswer answer(xls);
        Import(QStringLiteral("A"), QStringLiteral("B"));
    }
    ASSERT_EQ(Model().EntryCount(), 4);
    const QByteArray original = FileBytes(xls);
    EXPECT_EQ(Page()->UpdateTempContact(1, 2, {}).outcome, TempContactList::Outcome::SavedToCopy);
    // Followed, without LibreOffice, by what the copy could not keep.
    EXPECT_TRUE(LastTip().startsWith(
        QStringLiteral("xls表格无法直接写入，状态和备注已保存到新表格：名单.xlsx")))
        << LastTip().toStdString();
    EXPECT_EQ(FileBytes(xls), original);
    EXPECT_EQ(Cells(path_).value("CV2").toInt(), 2);
    EXPECT_EQ(Entry(1).remarkLabel, QStringLiteral("未接通 "));
    CloseTip();
    EXPECT_TRUE(Page()->UpdateTempContact(2, 3, QStringLiteral("再打")).Ok());
    EXPECT_EQ(test::Opened<CMessageBox>(), nullptr);
    EXPECT_EQ(Cells(path_).value("CW3").toString(), QStringLiteral("再打"));
}

TEST_F(TempContacts, AnXlsThatCrashesItsReaderKeepsTheListAndTheRememberedWorkbook) {
    Start(true);
    ASSERT_EQ(Model().EntryCount(), 6);
    const QByteArray ini = FileBytes(IniPath());
    const QString crashing = home_.filePath("坏的.xls");
    ASSERT_TRUE(QFile::copy(
        QStringLiteral(TAMBERLINK_SOURCE_DIR "/tests/workbook/data/crashes-freexl.xls"), crashing));
    {
        FileDialogAnswer answer(crashing);
        Import(QStringLiteral("c"), QStringLiteral("d"));
        EXPECT_EQ(answer.shown, 1);
    }
    EXPECT_EQ(LastTip(), CContactListTemp::NoticeCannotRead());
    CloseTip();
    ASSERT_EQ(Model().EntryCount(), 6);
    EXPECT_EQ(Entry(1).number, QStringLiteral("13800138000"));
    EXPECT_EQ(FileBytes(IniPath()), ini);
    // The list still writes to its workbook.
    EXPECT_TRUE(Page()->UpdateTempContact(1, 2, {}).Ok());
    EXPECT_EQ(Cells(path_).value("CV2").toInt(), 2);
}

TEST_F(TempContacts, ACallWithoutTheBoxIsRefusedAndMarksNothing) {
    Start(true);
    const QByteArray bytes = FileBytes(path_);
    ClickRow(1, Control::CallTel);
    EXPECT_EQ(LastTip(), QStringLiteral("请先连接设备后再拨打电话"));
    EXPECT_EQ(Entry(1).status, 0);
    EXPECT_EQ(FileBytes(path_), bytes);
}

TEST_F(TempContactsOnTheBox, ACallThatGoesOutMarksTheContactCalledInTheWorkbook) {
    ClickRow(1, Control::CallTel);
    ASSERT_TRUE(box_.WaitFor([&] { return !box_.LinesStartingWith("dial-landline").empty(); },
                             std::chrono::seconds(30)));
    EXPECT_NE(box_.LinesStartingWith("dial-landline").front().find("13800138000"),
              std::string::npos);
    // The popup names the contact of the list, not a contact lookup.
    ASSERT_TRUE(test::WaitFor([] { return test::Opened<CCallOutUI>() != nullptr; }, kDeadlineMs));
    EXPECT_EQ(
        test::Control<QLabel>(test::Opened<CCallOutUI>(), QStringLiteral("labelName"))->text(),
        QStringLiteral("张三"));
    EXPECT_EQ(Entry(1).status, 1);
    EXPECT_EQ(Entry(1).remarkLabel, QStringLiteral("已联系 "));
    EXPECT_TRUE(Entry(1).ShowsCalledIcon());
    EXPECT_EQ(Cells(path_).value("CV2").toInt(), 1);
    window_->Sink().CloseCallPopups();
    test::ProcessEvents();

    // Through the phone while the phone app is away: refused, nothing marked.
    ASSERT_EQ(box_.Command("phone off"), "ok");
    ASSERT_TRUE(
        test::WaitFor([&] { return !core_->Device().Link().IsPhoneLinked(); }, kDeadlineMs));
    ClickRow(2, Control::CallMobile);
    EXPECT_EQ(LastTip(), QStringLiteral("请开启手机版Tamberlink拨号器，再通过手机拨号"));
    EXPECT_EQ(Entry(2).status, 0);
    EXPECT_FALSE(Cells(path_).contains("CV3"));
}

// Numbers a spreadsheet stored as text, as "13600000021.0" or with dashes, are shown, dialled
// and texted clean, as every other number; their cells stay as they were.
TEST_F(TempContactsOnTheBox, NumbersStoredAsTextAreShownDialledAndTextedClean) {
    ValueSheet sheet;
    sheet.Append(0, {0, CellType::String, 0, QStringLiteral("张三")});
    sheet.Append(0, {1, CellType::String, 0, QStringLiteral("13600000021.0")});
    sheet.Append(1, {0, CellType::String, 0, QStringLiteral("李四")});
    sheet.Append(1, {1, CellType::String, 0, QStringLiteral("136-0000-0028")});
    std::string bytes;
    ASSERT_TRUE(XlsxWriter::Build(sheet, QStringLiteral("名单"), bytes, nullptr));
    const QString path = home_.filePath("文本号码.xlsx");
    ASSERT_TRUE(test::WriteBytes(path, QByteArray::fromStdString(bytes)));
    {
        FileDialogAnswer answer(path);
        Import(QStringLiteral("A"), QStringLiteral("B"));
    }
    ASSERT_EQ(Model().EntryCount(), 2);
    EXPECT_EQ(Entry(0).number, QStringLiteral("13600000021"));
    EXPECT_EQ(Entry(1).number, QStringLiteral("13600000028"));

    ClickRow(0, Control::CallTel);
    ASSERT_TRUE(test::WaitFor([&] { return Entry(0).status == 1; }, kDeadlineMs));
    const auto dialled = box_.LinesStartingWith("dial-landline");
    ASSERT_EQ(dialled.size(), 1u);
    EXPECT_NE(dialled.front().find("13600000021"), std::string::npos);
    EXPECT_EQ(dialled.front().find('.'), std::string::npos) << dialled.front();
    const QJsonObject cells = Cells(path);
    EXPECT_EQ(cells.value("B1").toString(), QStringLiteral("13600000021.0"));
    EXPECT_EQ(cells.value("CV1").toInt(), 1);
    window_->Sink().CloseCallPopups();

    ClickRow(1, Control::Sms);
    ASSERT_EQ(sms_.size(), 1u);
    EXPECT_EQ(sms_[0], (Recipients{{QStringLiteral("李四"), QStringLiteral("13600000028")}}));
}
