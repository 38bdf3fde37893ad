// The SMS page, the windows that write an SMS, the pickers and the templates, on the main
// window over a real core in a fresh documents folder.
#include "../../device/BoxSim.h"
#include "../../store/StoreTestSupport.h"
#include "../UiTestSupport.h"

#include "app/DeviceBridge.h"
#include "ui/calls/CCallInUI.h"
#include "ui/calls/CItemRecordUI.h"
#include "ui/calls/CRecordContainer.h"
#include "ui/calls/CallLogModel.h"
#include "ui/calls/CallPopups.h"
#include "ui/shell/CMainWndUI.h"
#include "ui/shell/CMessageBox.h"
#include "ui/shell/CTopCall.h"
#include "ui/sms/CDialogTemplate.h"
#include "ui/sms/CDialogTemplateList.h"
#include "ui/sms/CItemSmsUI.h"
#include "ui/sms/CSmsContacts.h"
#include "ui/sms/CSmsContainer.h"
#include "ui/sms/CSmsEdit.h"
#include "ui/sms/CSmsNew.h"
#include "ui/sms/ContactPickerModel.h"
#include "ui/sms/RecipientItem.h"
#include "ui/sms/RecipientListModel.h"
#include "ui/sms/SmsListModel.h"
#include "ui/sms/SmsWindows.h"
#include "ui/sms/TemplateItem.h"
#include "ui/sms/TemplateListModel.h"
#include "ui/widgets/CButtonUI.h"

#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <memory>

using namespace tamberlink;
using tamberlink::test::App;
using Tag = CSmsContainer::Tag;

namespace {

SmsRecord Sms(const QString& name, const QString& phone, const QString& content,
              const QString& attribution) {
    SmsRecord sms;
    sms.id = 7;
    sms.name = name;
    sms.phone = phone;
    sms.content = content;
    sms.attribution = attribution;
    sms.dateTime = QStringLiteral("2024/05/01 09:10:11");
    return sms;
}

// Clicks the control of a row (or tile) of a list painted by a row delegate.
template <class Item>
void ClickItem(QListView* list, int row, typename Item::Control control) {
    const QRect rowRect = list->visualRect(list->model()->index(row, 0));
    QPoint at;
    if constexpr (requires { Item::ControlRect(typename Item::Control{}, 0); }) {
        at = Item::ControlRect(control, rowRect.width()).center();
    } else {
        at = Item::ControlRect(control).center();
    }
    at += rowRect.topLeft();
    QTest::mouseMove(list->viewport(), at);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
}

class SmsWindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        QGuiApplication::clipboard()->clear();
        StartWindow();
        WaitSmsLoaded();
    }
    void TearDown() override {
        window_.reset();
        core_.reset();
        test::ProcessEvents();
    }

    virtual void StartWindow() {
        AppConfig config;
        config.documentsFolder = home_.path();
        config.dataFolder = QStringLiteral(TAMBERLINK_BIN_DIR "/Data");
        core_ = std::make_unique<AppCore>(config);
        window_ = std::make_unique<CMainWndUI>(*core_);
        window_->Start();
        ASSERT_NE(Page(), nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    }

    // The sent SMS are read in the background: waits until the latest read has landed.
    void WaitSmsLoaded() {
        ASSERT_TRUE(test::WaitFor([&] { return !SmsModel().IsLoading(); }));
    }

    AppCore& Core() { return window_->Core(); }
    CSmsContainer* Page() { return window_->SmsPage(); }
    SmsListModel& SmsModel() { return Page()->Sms(); }
    TemplateListModel& TemplateModel() { return Page()->Templates(); }

    std::string Rows(const std::string& sql) {
        test::RawDb db(home_.filePath(QStringLiteral("Tamberlink/Data/Tamberlink.db")));
        return db.Rows(sql);
    }
    static QString LastTip() {
        CMessageBox* box = test::Opened<CMessageBox>();
        return box != nullptr ? box->GetText() : QString();
    }
    static void CloseTip() {
        if (CMessageBox* box = test::Opened<CMessageBox>()) {
            box->Close();
        }
        test::ProcessEvents();
    }
    static void Click(WindowImplBase* window, const char* control) {
        auto* button = test::Control<QAbstractButton>(window, QString::fromLatin1(control));
        ASSERT_NE(button, nullptr) << control;
        QTest::mouseClick(button, Qt::LeftButton);
    }
    void ClickTool(int tag) {
        CButtonUI* button = Page()->ToolButton(tag);
        ASSERT_NE(button, nullptr) << tag;
        QTest::mouseClick(button, Qt::LeftButton);
    }
    void ShowSmsPage() {
        QTest::mouseClick(test::Control<QPushButton>(window_, QStringLiteral("ButtonSms")),
                          Qt::LeftButton);
    }
    void AddContact(const char* name, const char* phone) {
        ASSERT_TRUE(Core().AddContact(
            ContactRecord(QString::fromUtf8(name), QString::fromUtf8(phone), {}), true));
    }
    // The picker's contacts are read in the background: waits until they are shown.
    static void WaitRead(CSmsContacts* picker) {
        ASSERT_TRUE(test::WaitFor([picker] { return !picker->Model().IsLoading(); }));
    }
    // Picks the contacts at `rows` of "选择联系人" opened with every contact.
    void PickContacts(CSmsNew* compose, std::initializer_list<int> rows) {
        CSmsContacts* picker = compose->OpenContactPicker(false);
        ASSERT_NE(picker, nullptr);
        WaitRead(picker);
        for (int row : rows) {
            ClickItem<RecipientItem>(picker->List(), row, RecipientItem::Control::Name);
        }
        Click(picker, "btnOk");
        test::ProcessEvents();
    }

    QTemporaryDir home_;
    std::unique_ptr<AppCore> core_;
    std::unique_ptr<CMainWndUI> window_;
};

// The same windows with the virtual telephone box attached.
class SmsOnTheBox : public SmsWindowsTest {
protected:
    void StartWindow() override {
        ASSERT_TRUE(box_.Running());
        AppConfig config;
        config.documentsFolder = home_.path();
        config.dataFolder = QStringLiteral(TAMBERLINK_BIN_DIR "/Data");
        core_ = std::make_unique<AppCore>(config);
        window_ = std::make_unique<CMainWndUI>(*core_);
        window_->Start(QString::fromStdString(box_.PortPath()));
        ASSERT_TRUE(test::WaitFor([&] { return Core().IsBoxConnected(); }, 30000));
        ASSERT_TRUE(test::WaitFor([&] { return Core().Device().Link().IsPhoneLinked(); }, 30000));
    }

    std::vector<std::string> NumbersSent() const {
        std::vector<std::string> numbers;
        for (const std::string& line : box_.LinesStartingWith("sms-number ")) {
            numbers.push_back(line.substr(11));
        }
        return numbers;
    }

    test::BoxSim box_;
};

} // namespace

TEST(SmsRow, TextsAndClicksFollowTheSms) {
    App();
    // A contact: the name, cut after 10 characters; number and attribution below.
    const QString twelve = QStringLiteral("欧阳一二三四五六七八九十");
    const CItemSmsUI named(Sms(twelve, QStringLiteral("13800000000"),
                               QStringLiteral("第一行\n第二行，一共十六个字的短信"),
                               QStringLiteral("移动|北京")));
    EXPECT_EQ(named.NameText(), twelve.left(10) + QStringLiteral("..."));
    EXPECT_EQ(named.NumberText(), QStringLiteral("13800000000 移动|北京"));
    EXPECT_EQ(named.ContentText(), QStringLiteral("第一行 第二行，一共十六个字的..."));
    EXPECT_EQ(named.HeadImage(), QStringLiteral("bgHeadDefaulte2.png"));

    // A number without a contact: the number is the name; below, only the attribution, or
    // "未知号码" when there is none. A short content shows whole.
    const CItemSmsUI unknown(Sms(QStringLiteral("13800000000"), QStringLiteral("13800000000"),
                                 QStringLiteral("好"), {}));
    EXPECT_EQ(unknown.NameText(), QStringLiteral("13800000000"));
    EXPECT_EQ(unknown.NumberText(), QStringLiteral("未知号码"));
    EXPECT_EQ(unknown.ContentText(), QStringLiteral("好"));
    const QString fifteen(15, u'字');
    EXPECT_EQ(CItemSmsUI(Sms({}, {}, fifteen, {})).ContentText(), fifteen);

    using Control = CItemSmsUI::Control;
    EXPECT_EQ(CItemSmsUI::ControlRect(Control::CallTel).topLeft(), QPoint(565, 5));
    EXPECT_EQ(CItemSmsUI::ControlRect(Control::CallMobile).topLeft(), QPoint(613, 4));
    EXPECT_EQ(CItemSmsUI::HitTest(CItemSmsUI::ControlRect(Control::Check).center()),
              Control::Check);
    EXPECT_EQ(CItemSmsUI::HitTest(CItemSmsUI::ControlRect(Control::CallMobile).center()),
              Control::CallMobile);
    EXPECT_EQ(CItemSmsUI::HitTest(CItemSmsUI::ControlRect(Control::Content).center()),
              Control::Item);
    EXPECT_EQ(CItemSmsUI::HitTest(QPoint(300, CItemSmsUI::kHeight)), Control::None);
}

TEST_F(SmsWindowsTest, PageListsSentSmsAndDeletesTheChecked) {
    ShowSmsPage();
    EXPECT_EQ(test::Control<QStackedWidget>(window_, QStringLiteral("Pages"))->currentWidget(),
              Page());
    EXPECT_TRUE(SmsModel().HasPlaceholder());
    EXPECT_EQ(SmsModel().data(SmsModel().index(0)).toString(), SmsListModel::EmptyText());

    // Stored SMS show, newest first; quotes and % are kept as they were.
    for (const char* content : {"一", "it's 100% \"二\"", "三"}) {
        ASSERT_TRUE(Core().AddSms(QStringLiteral("13800000000"), QString::fromUtf8(content), {}));
    }
    WaitSmsLoaded();
    ASSERT_EQ(SmsModel().EntryCount(), 3);
    EXPECT_EQ(SmsModel().Entry(0)->content, QStringLiteral("三"));
    EXPECT_EQ(SmsModel().Entry(1)->content, QStringLiteral("it's 100% \"二\""));

    // The check box checks a row without opening it; delete takes the checked ones.
    ClickItem<CItemSmsUI>(Page()->SmsList(), 1, CItemSmsUI::Control::Check);
    EXPECT_EQ(SmsModel().CheckedRows(), std::vector<int>{1});
    EXPECT_EQ(test::Opened<CSmsEdit>(), nullptr);
    ClickTool(Tag::kDeleteSms);
    ASSERT_EQ(SmsModel().EntryCount(), 2);
    EXPECT_EQ(Rows("select content from table_sms order by id"), "一\n三");

    // Everything checked: the list empties in one step, and so does the table.
    ClickTool(Tag::kSelectAllSms);
    EXPECT_TRUE(Page()->ToolButton(Tag::kSelectAllSms)->isChecked());
    EXPECT_EQ(SmsModel().CheckedRows().size(), 2u);
    ClickTool(Tag::kDeleteSms);
    EXPECT_EQ(SmsModel().EntryCount(), 0);
    EXPECT_TRUE(SmsModel().HasPlaceholder());
    EXPECT_EQ(Rows("select count(*) from table_sms"), "0");
    EXPECT_FALSE(Page()->ToolButton(Tag::kSelectAllSms)->isChecked());

    // Delete with nothing checked, or on the placeholder, changes nothing.
    ClickTool(Tag::kDeleteSms);
    EXPECT_TRUE(SmsModel().HasPlaceholder());
}

TEST_F(SmsWindowsTest, ToolbarsCarryTheirTagsTextsAndPictures) {
    const struct {
        int tag;
        const char* text;
        const char* picture;
    } expected[] = {
        {Tag::kNewSms, "新建信息", "file='tabBtnNewMsg.png' dest='5,6,22,18'"},
        {Tag::kDeleteSms, "删除", "file='tabBtnDelete.png' dest='8,4,23,21'"},
        {Tag::kSelectAllSms, "", ""},
        {Tag::kManageTemplates, "管理模版", "file='tabBtnTemplate.png' dest='5,6,18,19'"},
        {Tag::kNewTemplate, "新建模版", nullptr},
        {Tag::kDeleteTemplates, "删除", nullptr},
        {Tag::kSelectAllTemplates, "全选", nullptr},
        {Tag::kCloseTemplates, "关闭", "file='tabBtnClose.png' dest='13,7,23,17'"},
    };
    for (const auto& button : expected) {
        CButtonUI* tool = Page()->ToolButton(button.tag);
        ASSERT_NE(tool, nullptr) << button.tag;
        EXPECT_EQ(tool->property("tag").toInt(), button.tag);
        EXPECT_EQ(tool->text(), QString::fromUtf8(button.text));
        if (button.picture != nullptr) {
            EXPECT_EQ(tool->GetForeImage(), QString::fromUtf8(button.picture));
        }
        if (button.tag != Tag::kSelectAllSms) {
            EXPECT_EQ(tool->GetNormalImage(), QStringLiteral("tabBtnNomal.png"));
            EXPECT_EQ(tool->GetHotImage(), QStringLiteral("tabBtnHot.png"));
            EXPECT_EQ(tool->GetPushedImage(), QStringLiteral("tabBtnPush.png"));
        }
    }
    CButtonUI* box = Page()->ToolButton(Tag::kSelectAllSms);
    EXPECT_EQ(box->GetNormalImage(), QStringLiteral("tabBtnUncheck.png"));
    EXPECT_EQ(box->GetSelectedImage(), QStringLiteral("tabBtnCheck.png"));
}

TEST_F(SmsWindowsTest, TemplateManagerShowsOnRequestAndHidesWithTheSmsTab) {
    ShowSmsPage();
    EXPECT_FALSE(Page()->IsTemplateManagerShown());
    ASSERT_TRUE(Core().SaveTemplate({-1, QStringLiteral("问候"), QStringLiteral("您好")}));
    ASSERT_TRUE(Core().SaveTemplate({-1, QStringLiteral("会议"), QStringLiteral("三点开会")}));

    ClickTool(Tag::kManageTemplates);
    EXPECT_TRUE(Page()->IsTemplateManagerShown());
    ASSERT_EQ(TemplateModel().EntryCount(), 2);
    EXPECT_EQ(TemplateModel().Entry(0)->title, QStringLiteral("会议"));

    // Another tab and back to the SMS tab: the sent SMS show again.
    QTest::mouseClick(test::Control<QPushButton>(window_, QStringLiteral("ButtonNote")),
                      Qt::LeftButton);
    EXPECT_TRUE(Page()->IsTemplateManagerShown());
    ShowSmsPage();
    EXPECT_FALSE(Page()->IsTemplateManagerShown());

    ClickTool(Tag::kManageTemplates);
    ClickTool(Tag::kCloseTemplates);
    EXPECT_FALSE(Page()->IsTemplateManagerShown());

    // "全选" checks every template and stays in; "删除" then empties list and table.
    ClickTool(Tag::kManageTemplates);
    ClickTool(Tag::kSelectAllTemplates);
    EXPECT_EQ(TemplateModel().CheckedRows().size(), 2u);
    ClickTool(Tag::kSelectAllTemplates);
    EXPECT_TRUE(TemplateModel().CheckedRows().empty());
    ClickItem<TemplateItem>(Page()->TemplateList(), 1, TemplateItem::Control::Check);
    ClickTool(Tag::kDeleteTemplates);
    ASSERT_EQ(TemplateModel().EntryCount(), 1);
    EXPECT_EQ(Rows("select title from table_template"), "会议");
    ClickTool(Tag::kSelectAllTemplates);
    ClickTool(Tag::kDeleteTemplates);
    EXPECT_TRUE(TemplateModel().HasPlaceholder());
    EXPECT_EQ(Rows("select count(*) from table_template"), "0");
    EXPECT_FALSE(Page()->ToolButton(Tag::kSelectAllTemplates)->isChecked());
}

TEST_F(SmsWindowsTest, TemplateEditorNeedsTitleAndContentAndSavesOrUpdates) {
    ShowSmsPage();
    ClickTool(Tag::kManageTemplates);
    ClickTool(Tag::kNewTemplate);
    CDialogTemplate* editor = test::Opened<CDialogTemplate>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->windowTitle(), QStringLiteral("短信模版"));
    EXPECT_EQ(editor->pos(), CDialogTemplate::kPosition);
    EXPECT_EQ(editor->TemplateId(), -1);
    EXPECT_EQ(editor->TitleEdit()->maxLength(), 50);
    // One editor at a time.
    EXPECT_EQ(window_->Sms().OpenTemplateEditor({}), nullptr);

    // Without a title (or with blanks only) nothing is stored and the editor stays.
    editor->ContentEditor()->setPlainText(QStringLiteral("明天上午十点见"));
    Click(editor, "ButtonSave");
    EXPECT_EQ(LastTip(), QStringLiteral("模版标题和内容不能为空"));
    editor->TitleEdit()->setText(QStringLiteral("   "));
    Click(editor, "ButtonSave");
    EXPECT_EQ(test::Opened<CDialogTemplate>(), editor);
    EXPECT_EQ(Rows("select count(*) from table_template"), "0");
    CloseTip();

    // Quotes and % in the title are stored as typed; the manager shows the new template.
    const QString title = QStringLiteral("it's 100% '约'");
    editor->TitleEdit()->setText(title);
    Click(editor, "ButtonSave");
    EXPECT_EQ(test::Opened<CDialogTemplate>(), nullptr);
    EXPECT_EQ(Rows("select title, content from table_template"), "it's 100% '约'|明天上午十点见");
    ASSERT_EQ(TemplateModel().EntryCount(), 1);
    test::ProcessEvents();

    // A click on a template opens it; saving updates it in place.
    ClickItem<TemplateItem>(Page()->TemplateList(), 0, TemplateItem::Control::Title);
    editor = test::Opened<CDialogTemplate>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->TemplateId(), TemplateModel().Entry(0)->id);
    EXPECT_EQ(editor->TitleEdit()->text(), title);
    EXPECT_EQ(editor->ContentEditor()->toPlainText(), QStringLiteral("明天上午十点见"));
    editor->ContentEditor()->setPlainText(QStringLiteral("改到下午"));
    Click(editor, "ButtonSave");
    EXPECT_EQ(Rows("select title, content from table_template"), "it's 100% '约'|改到下午");
    EXPECT_EQ(TemplateModel().Entry(0)->content, QStringLiteral("改到下午"));
}

TEST_F(SmsWindowsTest, NewSmsChecksRecipientsBeforeContentAndKeepsInputWhenRefused) {
    ShowSmsPage();
    ClickTool(Tag::kNewSms);
    CSmsNew* compose = test::Opened<CSmsNew>();
    ASSERT_NE(compose, nullptr);
    EXPECT_EQ(compose->windowTitle(), QStringLiteral("新建短信"));
    EXPECT_EQ(compose->pos(), CSmsNew::kPosition);
    EXPECT_EQ(compose->parentWidget(), window_.get());
    // A second "新建信息" does nothing.
    ClickTool(Tag::kNewSms);
    EXPECT_EQ(test::Opened<CSmsNew>(), compose);
    EXPECT_EQ(window_->findChildren<CSmsNew*>().size(), 1);

    Click(compose, "ButtonSend");
    EXPECT_EQ(LastTip(), QStringLiteral("联系人不能为空"));
    CloseTip();

    // Digits only, eleven at most; a pasted number keeps its digits.
    QLineEdit* input = compose->NumberEdit();
    QGuiApplication::clipboard()->setText(QStringLiteral("+86 138-0000-0000"));
    input->paste();
    EXPECT_EQ(input->text(), QStringLiteral("13800000000"));
    input->clear();
    QTest::keyClicks(input, QStringLiteral("1a3-8 0000000099"));
    EXPECT_EQ(input->text(), QStringLiteral("13800000000"));

    Click(compose, "ButtonSend");
    EXPECT_EQ(LastTip(), QStringLiteral("发送内容不能为空"));
    compose->ContentEditor()->setPlainText(QStringLiteral(" \n "));
    Click(compose, "ButtonSend");
    EXPECT_EQ(LastTip(), QStringLiteral("发送内容不能为空"));
    CloseTip();

    // Without the box the hand-off is refused: the window stays with what was written.
    compose->ContentEditor()->setPlainText(QStringLiteral("你好"));
    Click(compose, "ButtonSend");
    EXPECT_EQ(LastTip(), QStringLiteral("请先连接设备后再发送短信"));
    test::ProcessEvents();
    EXPECT_EQ(test::Opened<CSmsNew>(), compose);
    EXPECT_FALSE(compose->IsHandedOff());
    EXPECT_EQ(compose->Content(), QStringLiteral("你好"));
    EXPECT_EQ(input->text(), QStringLiteral("13800000000"));
    EXPECT_EQ(Rows("select count(*) from table_sms"), "0");

    Click(compose, "btnClosed");
    test::ProcessEvents();
    EXPECT_EQ(test::Opened<CSmsNew>(), nullptr);
}

TEST_F(SmsWindowsTest, PickersAddEachPersonOnceAndSearchTheContacts) {
    AddContact("张三", "13900000001");
    AddContact("李四", "13900000002");
    ASSERT_TRUE(Core().AddSms(QStringLiteral("13900000001"), QStringLiteral("a"), {}));
    ASSERT_TRUE(Core().AddSms(QStringLiteral("13700000000"), QStringLiteral("b"), {}));
    ASSERT_TRUE(Core().AddSms(QStringLiteral("13900000001"), QStringLiteral("c"), {}));
    WaitSmsLoaded();

    CSmsNew* compose = window_->Sms().OpenNew();
    ASSERT_NE(compose, nullptr);
    // The contacts in the order of the contacts page; picked twice, a person shows once.
    PickContacts(compose, {1});
    PickContacts(compose, {0, 1});
    ASSERT_EQ(compose->Recipients().size(), 2u);
    EXPECT_EQ(compose->Recipients()[0].name, QStringLiteral("张三"));
    EXPECT_EQ(compose->Recipients()[1].name, QStringLiteral("李四"));
    EXPECT_EQ(compose->TileModel().rowCount(), 2);
    EXPECT_FALSE(compose->TileModel().HasPlaceholder());

    // "ButtonRecently": the persons of the sent SMS, newest first, each once.
    Click(compose, "ButtonRecently");
    CSmsContacts* picker = compose->ContactPicker();
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->windowTitle(), QStringLiteral("选择联系人"));
    EXPECT_EQ(picker->parentWidget(), compose);
    ASSERT_EQ(picker->Model().EntryCount(), 2);
    EXPECT_EQ(picker->Model().Entry(0)->name, QStringLiteral("张三"));
    EXPECT_EQ(picker->Model().Entry(1)->phone, QStringLiteral("13700000000"));
    EXPECT_TRUE(picker->Model().Entry(1)->name.isEmpty());
    // "btnCheckAll" checks both; the one already shown is not added again.
    Click(picker, "btnCheckAll");
    EXPECT_EQ(picker->Checked().size(), 2u);
    Click(picker, "btnOk");
    test::ProcessEvents();
    ASSERT_EQ(compose->Recipients().size(), 3u);
    EXPECT_EQ(compose->Recipients()[2].phone, QStringLiteral("13700000000"));

    // Searching replaces what the picker showed: by initials, and all again when empty.
    Click(compose, "ButtonRecently");
    picker = compose->ContactPicker();
    ASSERT_NE(picker, nullptr);
    picker->SearchEdit()->setText(QStringLiteral("zs"));
    Click(picker, "ButtonSearch");
    WaitRead(picker);
    ASSERT_EQ(picker->Model().EntryCount(), 1);
    EXPECT_EQ(picker->Model().Entry(0)->name, QStringLiteral("张三"));
    picker->SearchEdit()->clear();
    picker->SearchEdit()->setFocus();
    QTest::keyClick(picker->SearchEdit(), Qt::Key_Return);
    WaitRead(picker);
    EXPECT_EQ(picker->Model().EntryCount(), 2);
    picker->SearchEdit()->setText(QStringLiteral("王"));
    Click(picker, "ButtonSearch");
    WaitRead(picker);
    EXPECT_TRUE(picker->Model().HasPlaceholder());
    Click(picker, "btnCancel");
    test::ProcessEvents();
    EXPECT_EQ(compose->ContactPicker(), nullptr);
    EXPECT_EQ(compose->Recipients().size(), 3u);

    // A tile's cross takes its person off.
    ClickItem<TargetSend>(compose->TileList(), 0, TargetSend::Control::Remove);
    ASSERT_EQ(compose->Recipients().size(), 2u);
    EXPECT_EQ(compose->Recipients()[0].name, QStringLiteral("李四"));
    // Persons given by other pages are added the same way.
    compose->AddRecipients({{QStringLiteral("李四"), QStringLiteral("13900000002"), {}},
                            {{}, QStringLiteral("13900000002"), {}},
                            {QStringLiteral("空号"), {}, {}}});
    EXPECT_EQ(compose->Recipients().size(), 3u);
    // A number typed and shown on a tile as well goes out once.
    compose->NumberEdit()->setText(QStringLiteral("13900000002"));
    EXPECT_EQ(compose->Numbers(), (QStringList{"13900000002", "13700000000"}));
}

TEST_F(SmsWindowsTest, TilesFillRowsOfEightAndTakeManyRecipients) {
    CSmsNew* compose = window_->Sms().OpenNew();
    ASSERT_NE(compose, nullptr);
    QListView* tiles = compose->TileList();
    EXPECT_EQ(tiles->viewport()->geometry().topLeft(),
              QPoint(CSmsNew::kTileInset, CSmsNew::kTileInset) + QPoint(1, 1));
    const auto expectRowsOfEight = [&] {
        tiles->scrollToTop();
        test::ProcessEvents();
        const auto at = [&](int i) {
            return tiles->visualRect(compose->TileModel().index(i));
        };
        EXPECT_EQ(at(7).top(), at(0).top());
        EXPECT_EQ(at(7).left(), at(0).left() + 7 * TargetSend::kWidth);
        EXPECT_EQ(at(8).left(), at(0).left());
        EXPECT_EQ(at(8).top(), at(0).top() + TargetSend::kHeight);
    };
    SmsRecipients many;
    for (int i = 0; i < 200; ++i) {
        many.push_back({QStringLiteral("客户%1").arg(i),
                        QStringLiteral("1390000%1").arg(i, 4, 10, QChar(u'0')),
                        {}});
    }
    compose->AddRecipients(SmsRecipients(many.begin(), many.begin() + 9));
    expectRowsOfEight();
    // With the scroll bar of 200 recipients too.
    compose->AddRecipients(many);
    ASSERT_EQ(compose->Recipients().size(), 200u);
    EXPECT_EQ(compose->Numbers().size(), 200);
    expectRowsOfEight();
    EXPECT_TRUE(tiles->verticalScrollBar()->isVisible());
}

TEST_F(SmsWindowsTest, TemplatePickerSetsTheFirstCheckedContentOrNone) {
    ASSERT_TRUE(Core().SaveTemplate({-1, QStringLiteral("问候"), QStringLiteral("您好")}));
    ASSERT_TRUE(Core().SaveTemplate({-1, QStringLiteral("会议"), QStringLiteral("三点开会")}));
    CSmsNew* compose = window_->Sms().OpenNew();
    ASSERT_NE(compose, nullptr);
    compose->SetContent(QStringLiteral("写了一半"));

    Click(compose, "ButtonTemplate");
    CDialogTemplateList* picker = compose->TemplatePicker();
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->windowTitle(), QStringLiteral("选择模版"));
    ASSERT_EQ(picker->Model().EntryCount(), 2);
    EXPECT_EQ(picker->Model().Entry(0)->title, QStringLiteral("问候")); // table order
    // Cancel changes nothing.
    Click(picker, "btnCancel");
    test::ProcessEvents();
    EXPECT_EQ(compose->Content(), QStringLiteral("写了一半"));

    // None checked: the content is emptied.
    Click(compose, "ButtonTemplate");
    Click(compose->TemplatePicker(), "btnOk");
    test::ProcessEvents();
    EXPECT_EQ(compose->Content(), QString());

    // Several checked: the first in list order wins, whatever order they were checked in.
    Click(compose, "ButtonTemplate");
    picker = compose->TemplatePicker();
    ClickItem<TemplateItem>(picker->List(), 1, TemplateItem::Control::Content);
    ClickItem<TemplateItem>(picker->List(), 0, TemplateItem::Control::Title);
    Click(picker, "btnOk");
    test::ProcessEvents();
    EXPECT_EQ(compose->Content(), QStringLiteral("您好"));
}

TEST_F(SmsWindowsTest, ARowOpensAnSmsToItsPersonFilledFromIt) {
    AddContact("张三", "13800000000");
    ASSERT_TRUE(Core().AddSms(QStringLiteral("13800000000"), QStringLiteral("上次的短信"), {}));
    ShowSmsPage();
    WaitSmsLoaded();
    ASSERT_EQ(SmsModel().EntryCount(), 1);
    const SmsRecord sent = *SmsModel().Entry(0);

    ClickItem<CItemSmsUI>(Page()->SmsList(), 0, CItemSmsUI::Control::Content);
    CSmsEdit* compose = test::Opened<CSmsEdit>();
    ASSERT_NE(compose, nullptr);
    EXPECT_EQ(compose->pos(), CSmsEdit::kPosition);
    EXPECT_EQ(compose->windowTitle(), QStringLiteral("新建短信"));
    EXPECT_EQ(compose->Phone(), QStringLiteral("13800000000"));
    EXPECT_EQ(test::Control<QLabel>(compose, QStringLiteral("userName"))->text(),
              QStringLiteral("张三"));
    EXPECT_EQ(test::Control<QLabel>(compose, QStringLiteral("userPhone"))->text(),
              QStringLiteral("13800000000"));
    EXPECT_EQ(compose->EarlierSmsTime(), sent.dateTime);
    EXPECT_EQ(compose->EarlierSmsContent(), QStringLiteral("上次的短信"));

    // While it is open, neither another row nor "新建信息" opens a window.
    ClickItem<CItemSmsUI>(Page()->SmsList(), 0, CItemSmsUI::Control::Name);
    ClickTool(Tag::kNewSms);
    EXPECT_EQ(test::Opened<CSmsNew>(), nullptr);
    EXPECT_EQ(window_->findChildren<CSmsEdit*>().size(), 1);

    // Without the box and the phone app, the SMS is not handed off and the window stays.
    compose->SetContent(QStringLiteral("再联系"));
    Click(compose, "btnSendSms");
    EXPECT_EQ(LastTip(), QStringLiteral("请先连接设备并开启手机版Tamberlink拨号器，再发送短信"));
    test::ProcessEvents();
    EXPECT_EQ(test::Opened<CSmsEdit>(), compose);
    EXPECT_EQ(compose->Content(), QStringLiteral("再联系"));
    Click(compose, "btnClosed");
    test::ProcessEvents();
    EXPECT_EQ(test::Opened<CSmsEdit>(), nullptr);
}

TEST_F(SmsWindowsTest, TheSmsButtonsOfOtherPagesOpenAnSmsToTheirPerson) {
    ASSERT_TRUE(Core().AddSms(QStringLiteral("13800000000"), QStringLiteral("最早的"), {}));
    ASSERT_TRUE(Core().AddSms(QStringLiteral("13800000000"), QStringLiteral("后来的"), {}));
    ASSERT_TRUE(Core().AddCallLog(QStringLiteral("13800000000"), QStringLiteral("北京"),
                                  QStringLiteral("中国移动"), 3));
    CRecordContainer* records = window_->RecordPage();
    ASSERT_NE(records, nullptr);
    QListView* list = records->List();
    const QPoint sms = CItemRecordUI::ControlRect(CItemRecordUI::Control::Sms).center() +
                       list->visualRect(records->Model().index(0)).topLeft();

    // Not while a call popup is open.
    CCallInUI* popup = window_->Calls().ShowIncoming(
        IncomingCall{QStringLiteral("移动|北京"), {}, QStringLiteral("13900000000"), {}});
    ASSERT_NE(popup, nullptr);
    QTest::mouseMove(list->viewport(), sms);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, sms);
    EXPECT_EQ(test::Opened<CSmsEdit>(), nullptr);
    popup->Close();
    test::ProcessEvents();

    // The number alone (it has no contact) and the first SMS sent to it.
    QTest::mouseMove(list->viewport(), sms);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, sms);
    CSmsEdit* compose = test::Opened<CSmsEdit>();
    ASSERT_NE(compose, nullptr);
    EXPECT_EQ(compose->Phone(), QStringLiteral("13800000000"));
    EXPECT_EQ(test::Control<QLabel>(compose, QStringLiteral("userName"))->text(),
              QStringLiteral("13800000000"));
    EXPECT_FALSE(test::Control<QLabel>(compose, QStringLiteral("userPhone"))->isVisible());
    EXPECT_EQ(compose->EarlierSmsContent(), QStringLiteral("最早的"));
    compose->Close();
    test::ProcessEvents();

    // The quick dial offers an SMS to a copied number, named as its contact.
    AddContact("王五", "13700000000");
    ASSERT_TRUE(window_->ToggleScreenOff());
    QGuiApplication::clipboard()->setText(QStringLiteral("Tel: +86 137-0000-0000"));
    ASSERT_TRUE(test::WaitFor([] { return test::Opened<CTopCall>() != nullptr; }));
    QTest::mouseClick(
        test::Control<QPushButton>(test::Opened<CTopCall>(), QStringLiteral("ButtonSMS")),
        Qt::LeftButton);
    compose = test::Opened<CSmsEdit>();
    ASSERT_NE(compose, nullptr);
    EXPECT_EQ(compose->Phone(), QStringLiteral("13700000000"));
    EXPECT_EQ(compose->Name(), QStringLiteral("王五"));
    EXPECT_TRUE(compose->EarlierSmsContent().isEmpty());
}

TEST_F(SmsOnTheBox, ATypedNumberAndTwoTilesGetTheSmsInThatOrder) {
    AddContact("张三", "13900000001");
    AddContact("李四", "13900000002");
    CSmsNew* compose = window_->Sms().OpenNew();
    ASSERT_NE(compose, nullptr);
    QTest::keyClicks(compose->NumberEdit(), QStringLiteral("13800000000"));
    PickContacts(compose, {1, 0});
    ASSERT_EQ(compose->Recipients().size(), 2u);
    ASSERT_EQ(compose->Recipients()[0].name, QStringLiteral("李四"));
    const QString content = QStringLiteral("周五下午三点，老地方见 😀 \"好\" 100%");
    compose->SetContent(content);

    Click(compose, "ButtonSend");
    // Handed off: the window waits a moment, inert, while the frames go out, then closes.
    EXPECT_TRUE(compose->IsHandedOff());
    EXPECT_EQ(test::Opened<CSmsNew>(), compose);
    EXPECT_FALSE(test::Control(compose, QStringLiteral("ButtonSend"))->isEnabled());
    EXPECT_TRUE(test::WaitFor([] { return test::Opened<CSmsNew>() == nullptr; }, 30000));

    const std::string text = content.toStdString();
    for (const char* number : {"13800000000", "13900000002", "13900000001"}) {
        EXPECT_TRUE(box_.WaitForLine(std::string("sms ") + number + " " + text, 1,
                                     std::chrono::seconds(60)))
            << number;
    }
    EXPECT_EQ(NumbersSent(),
              (std::vector<std::string>{"13800000000", "13900000002", "13900000001"}));
    // The content goes once, five UTF-16 units a part (the emoji is two).
    EXPECT_EQ(box_.LinesStartingWith("rx A6 02").size(), size_t((content.size() + 4) / 5));
    ASSERT_TRUE(
        test::WaitFor([&] { return Rows("select count(*) from table_sms") == "3"; }, 30000));
    EXPECT_EQ(Rows("select phone, name, content from table_sms order by id"),
              "13800000000|13800000000|" + text + "\n13900000002|李四|" + text +
                  "\n13900000001|张三|" + text);
    // The page shows them.
    EXPECT_TRUE(test::WaitFor([&] { return SmsModel().EntryCount() == 3; }));
}

TEST_F(SmsOnTheBox, ASecondHandOffFollowsTheFirst) {
    CSmsEdit* first =
        window_->Sms().OpenTo(QStringLiteral("13800000001"), QStringLiteral("13800000001"));
    ASSERT_NE(first, nullptr);
    first->SetContent(QStringLiteral("第一条"));
    Click(first, "btnSendSms");
    ASSERT_TRUE(first->IsHandedOff());
    // Until it has closed, no other window writes an SMS.
    EXPECT_EQ(window_->Sms().OpenNew(), nullptr);
    ASSERT_TRUE(test::WaitFor([] { return test::Opened<CSmsEdit>() == nullptr; }, 30000));

    CSmsNew* second = window_->Sms().OpenNew({{{}, QStringLiteral("13800000002"), {}}});
    ASSERT_NE(second, nullptr);
    second->SetContent(QStringLiteral("第二条"));
    Click(second, "ButtonSend");
    ASSERT_TRUE(second->IsHandedOff());

    ASSERT_TRUE(box_.WaitForLine("sms 13800000002 第二条", 1, std::chrono::seconds(60)));
    EXPECT_EQ(box_.LinesStartingWith("sms "),
              (std::vector<std::string>{"sms 13800000001 第一条", "sms 13800000002 第二条"}));
    EXPECT_TRUE(
        test::WaitFor([&] { return Rows("select count(*) from table_sms") == "2"; }, 30000));
}

TEST_F(SmsOnTheBox, TenRecipientsOfALongSmsGoOutInOrderWhileTheWindowCloses) {
    SmsRecipients recipients;
    std::vector<std::string> numbers;
    for (int i = 0; i < 10; ++i) {
        const QString number = QStringLiteral("1391234%1").arg(i, 4, 10, QChar(u'0'));
        recipients.push_back({{}, number, {}});
        numbers.push_back(number.toStdString());
    }
    CSmsNew* compose = window_->Sms().OpenNew(recipients);
    ASSERT_NE(compose, nullptr);
    QString content;
    while (content.size() < 140) {
        content += QStringLiteral("通知：今晚8点停水，请提前储水。");
    }
    content.truncate(140);
    compose->SetContent(content);

    Click(compose, "ButtonSend");
    // The click has returned long before the 58 parts, 150 ms apart, could have gone out.
    EXPECT_TRUE(box_.LinesStartingWith("sms ").empty());
    EXPECT_TRUE(test::WaitFor([] { return test::Opened<CSmsNew>() == nullptr; }, 30000));
    EXPECT_TRUE(box_.LinesStartingWith("sms ").empty());

    const std::string text = content.toStdString();
    ASSERT_TRUE(
        box_.WaitForLine("sms " + numbers.back() + " " + text, 1, std::chrono::seconds(90)));
    EXPECT_EQ(NumbersSent(), numbers);
    EXPECT_EQ(box_.LinesStartingWith("sms ").size(), 10u);
    EXPECT_EQ(box_.LinesStartingWith("rx A6 02").size(), 28u);
    ASSERT_TRUE(
        test::WaitFor([&] { return Rows("select count(*) from table_sms") == "10"; }, 30000));
    EXPECT_EQ(Rows("select count(*) from table_sms where content='" + text + "'"), "10");
}
