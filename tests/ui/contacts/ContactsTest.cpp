// The contacts page, the contact dialog and the attribution query, in the main window over a
// real core in a fresh documents folder; the call-log's add-contact button with calls from
// the virtual telephone box.
#include "../../device/BoxSim.h"
#include "../../store/StoreTestSupport.h"
#include "../UiTestSupport.h"

#include "ui/calls/CCallInUI.h"
#include "ui/calls/CItemRecordUI.h"
#include "ui/calls/CRecordContainer.h"
#include "ui/calls/CallLogModel.h"
#include "ui/contacts/CContactContainer.h"
#include "ui/contacts/CContactImport.h"
#include "ui/contacts/CContactInfo.h"
#include "ui/contacts/CIndexElementItem.h"
#include "ui/contacts/CItemContact.h"
#include "ui/contacts/ContactListModel.h"
#include "ui/lists/ItemRowDelegate.h"
#include "ui/settings/CSettingQuery.h"
#include "ui/settings/SettingWindows.h"
#include "ui/shell/CDuiMenu.h"
#include "ui/shell/CMainWndUI.h"
#include "ui/shell/CMessageBox.h"
#include "ui/shell/CTipDialog.h"
#include "ui/sms/CSmsEdit.h"

#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>

#include <QCheckBox>
#include <QFile>
#include <QPlainTextEdit>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

using namespace tamberlink;
using tamberlink::test::App;
using Control = CItemContact::Control;

namespace {

ContactRecord Contact(const QString& name, const QString& phone, int id = 0) {
    ContactRecord contact(name, phone, {});
    contact.id = id;
    return contact;
}

// The rows of a model as "A", "Alice", "W", "王五": index rows by their letter, contacts by
// their name.
QStringList Shown(const ContactListModel& model) {
    QStringList rows;
    for (int row = 0; row < model.EntryCount(); ++row) {
        rows << model.data(model.index(row)).toString();
    }
    return rows;
}

class ContactsTest : public test::MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        ShowWindow();
    }
    void ShowWindow() {
        page_ = window_->ContactPage();
        ASSERT_NE(page_, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
        WaitLoaded();
    }
    // The page's contacts are read in the background: waits until the read has landed.
    void WaitLoaded() {
        ASSERT_TRUE(test::WaitFor([&] { return !Model().IsLoading(); }));
    }
    void Reload() {
        page_->LoadContacts();
        WaitLoaded();
    }

    AppCore& Core() { return *core_; }
    ContactListModel& Model() { return page_->Model(); }
    QWidget* Viewport() { return page_->List()->viewport(); }

    // Stores contacts without showing them, then shows the whole list.
    void Store(std::initializer_list<std::pair<const char16_t*, const char16_t*>> contacts) {
        for (const auto& [name, phone] : contacts) {
            ASSERT_TRUE(Core().AddContact(
                ContactRecord(QString::fromUtf16(name), QString::fromUtf16(phone), {}), true));
        }
        Reload();
    }
    std::string Table(const char* columns) {
        test::RawDb db(home_.filePath(QStringLiteral("Tamberlink/Data/Tamberlink.db")));
        return db.Rows(std::string("select ") + columns + " from table_contact order by id");
    }
    void ShowContactsPage() {
        QTest::mouseClick(test::Control<QPushButton>(window_, QStringLiteral("ButtonContact")),
                          Qt::LeftButton);
    }
    int RowOf(const QString& name) {
        for (int row = 0; row < Model().EntryCount(); ++row) {
            if (const ContactRecord* contact = Model().Contact(row);
                contact != nullptr && contact->name == name) {
                return row;
            }
        }
        return -1;
    }
    // The centre of `control` in row `row`, in viewport coordinates (Item: the name).
    QPoint At(int row, Control control) {
        const QRect rowRect = page_->List()->visualRect(Model().index(row));
        const QRect rect =
            control == Control::Item ? QRect(80, 10, 100, 20) : CItemContact::ControlRect(control);
        return rect.translated(rowRect.topLeft()).center();
    }
    void ClickRow(int row, Control control) {
        page_->List()->scrollTo(Model().index(row));
        QTest::mouseMove(Viewport(), At(row, control));
        QTest::mouseClick(Viewport(), Qt::LeftButton, {}, At(row, control));
    }
    // The open confirmation, or nullptr.
    CTipDialog* Tip() {
        for (CTipDialog* tip : window_->findChildren<CTipDialog*>()) {
            if (!tip->IsClosing()) {
                return tip;
            }
        }
        return nullptr;
    }
    static QString Text(WindowImplBase* window, const char* name) {
        auto* control = test::Control(window, QString::fromLatin1(name));
        if (auto* label = qobject_cast<QLabel*>(control)) {
            return label->text();
        }
        auto* edit = qobject_cast<QLineEdit*>(control);
        return edit != nullptr ? edit->text() : QString();
    }
    static void Type(CContactInfo* dialog, const char* edit, const QString& text) {
        auto* field = test::Control<QLineEdit>(dialog, QString::fromLatin1(edit));
        ASSERT_NE(field, nullptr) << edit;
        field->setText(text);
    }
    static void Click(WindowImplBase* window, const char* button) {
        auto* control = test::Control<QAbstractButton>(window, QString::fromLatin1(button));
        ASSERT_NE(control, nullptr) << button;
        QTest::mouseClick(control, Qt::LeftButton);
    }

    CContactContainer* page_ = nullptr;
};

} // namespace

TEST(ContactList, SortsByInitialsUnderOneIndexRowPerLetter) {
    App();
    ContactListModel model;
    model.Fill({Contact(QStringLiteral("王五"), QStringLiteral("1")),
                Contact(QStringLiteral("张三"), QStringLiteral("2")),
                Contact(QStringLiteral("Alice"), QStringLiteral("3"))},
               false);
    EXPECT_EQ(Shown(model), QStringList({"A", "Alice", "W", "王五", "Z", "张三"}));
    EXPECT_TRUE(model.IsIndexRow(0));
    EXPECT_EQ(model.Contact(0), nullptr);
    EXPECT_EQ(model.Contact(1)->name, QStringLiteral("Alice"));
    EXPECT_EQ(model.ContactCount(), 3);

    // Equal initials keep the order given (table order); digits come before letters, an empty
    // name first of all, under "#"; a blank or an emoji's first half cannot show alone.
    model.Fill({Contact(QStringLiteral("张三"), QStringLiteral("1"), 1),
                Contact(QStringLiteral("赵四"), QStringLiteral("2"), 2),
                Contact(QStringLiteral("周山"), QStringLiteral("3"), 3),
                Contact(QStringLiteral("😀 Smile"), QStringLiteral("4"), 4),
                Contact(QStringLiteral("110"), QStringLiteral("5"), 5),
                Contact(QString(), QStringLiteral("6"), 6),
                Contact(QStringLiteral(" lead"), QStringLiteral("7"), 7)},
               false);
    EXPECT_EQ(Shown(model), QStringList({"#", "", " lead", "1", "110", "Z", "张三", "赵四", "周山",
                                         "#", "😀 Smile"}));
    EXPECT_EQ(model.Contact(1)->indexLetter, QChar());
    EXPECT_EQ(CIndexElementItem::LetterText(QChar()), QStringLiteral("#"));
    EXPECT_EQ(CIndexElementItem::LetterText(QChar(u'Z')), QStringLiteral("Z"));

    // Removing the last contact of a letter takes its index row along; contacts added later
    // follow at the end without one.
    model.RemoveContact(model.RowOfContact(5));
    EXPECT_EQ(Shown(model).mid(2, 3), QStringList({" lead", "Z", "张三"}));
    model.RemoveContact(model.RowOfContact(2));
    EXPECT_EQ(Shown(model).mid(4, 3), QStringList({"张三", "周山", "#"}));
    model.AppendContacts({Contact(QStringLiteral("Bob"), QStringLiteral("8"), 8)});
    EXPECT_EQ(Shown(model).back(), QStringLiteral("Bob"));
    EXPECT_EQ(model.ContactCount(), 6);
    EXPECT_EQ(model.RowOfContact(8), model.EntryCount() - 1);

    // An empty result shows the placeholder that fits it.
    model.Fill({}, true);
    EXPECT_TRUE(model.HasPlaceholder());
    EXPECT_EQ(model.data(model.index(0)).toString(), ContactListModel::NotFoundText());
    model.AppendContacts({Contact(QStringLiteral("Carl"), QStringLiteral("9"), 9)});
    EXPECT_FALSE(model.HasPlaceholder());
    EXPECT_EQ(Shown(model), QStringList({"Carl"}));
}

TEST(ContactRow, TextsAndButtons) {
    App();
    const QString eleven = QStringLiteral("欧阳一二三四五六七八九");
    ASSERT_EQ(eleven.size(), 11);
    EXPECT_EQ(CItemContact(Contact(eleven, {})).NameText(),
              eleven.left(10) + QStringLiteral("..."));
    EXPECT_EQ(CItemContact(Contact(eleven.left(9), {})).NameText(), eleven.left(9));
    EXPECT_EQ(CItemContact(Contact(eleven.left(10), {})).NameText(), eleven.left(10));
    // An emoji across the cut is left out whole rather than halved.
    const QString emoji = QStringLiteral("一二三四五六七八九😀");
    ASSERT_EQ(emoji.size(), 11);
    EXPECT_EQ(CItemContact(Contact(emoji, {})).NameText(), emoji.left(9) + QStringLiteral("..."));

    ContactRecord zhang = Contact(QStringLiteral("张三"), QStringLiteral("13800000000"));
    zhang.attribution = QStringLiteral("移动|北京");
    const CItemContact row(zhang);
    EXPECT_EQ(row.NumberText(), QStringLiteral("13800000000 移动|北京"));
    EXPECT_EQ(row.HeadImage(), QStringLiteral("bgHeadDefaulte2.png"));

    // The buttons take clicks only while they show; anywhere else the row opens the contact.
    const auto centre = [](Control control) {
        return CItemContact::ControlRect(control).center();
    };
    for (Control button : {Control::CallTel, Control::CallMobile, Control::Sms, Control::Delete}) {
        EXPECT_EQ(CItemContact::HitTest(centre(button), true), button);
        EXPECT_EQ(CItemContact::HitTest(centre(button), false), Control::Item);
    }
    EXPECT_EQ(CItemContact::HitTest(QPoint(100, 20), true), Control::Item);
}

TEST_F(ContactsTest, PageListsGroupedContactsAndSearches) {
    Store({{u"王五", u"13900000001"},
           {u"张三", u"13800000000"},
           {u"Alice", u"+86 138-0000-0001"},
           {u"赵六", u"13700000000"}});
    EXPECT_EQ(Shown(Model()), QStringList({"A", "Alice", "W", "王五", "Z", "赵六", "张三"}));
    const ContactRecord* alice = Model().Contact(1);
    EXPECT_EQ(alice->phone, QStringLiteral("13800000001"));
    EXPECT_EQ(CItemContact(*alice).NumberText(), QStringLiteral("13800000001 移动|北京"));

    QTest::keyClicks(page_->SearchBox(), QStringLiteral("zs"));
    QTest::keyClick(page_->SearchBox(), Qt::Key_Return);
    WaitLoaded();
    EXPECT_EQ(Shown(Model()), QStringList({"Z", "张三"}));
    // A digit string finds by number.
    page_->SearchBox()->setText(QStringLiteral("1380000"));
    QTest::mouseClick(page_->findChild<QPushButton*>(QStringLiteral("ButtonSerch")),
                      Qt::LeftButton);
    WaitLoaded();
    EXPECT_EQ(Shown(Model()), QStringList({"A", "Alice", "Z", "张三"}));
    // Nothing found shows so.
    page_->SearchFor(QStringLiteral("没有这个人"));
    WaitLoaded();
    EXPECT_TRUE(Model().HasPlaceholder());
    EXPECT_EQ(Model().data(Model().index(0)).toString(), ContactListModel::NotFoundText());
    // An empty search reloads every contact.
    page_->SearchFor(QString());
    WaitLoaded();
    EXPECT_EQ(Model().ContactCount(), 4);

    // The header's search box searches the same list and shows the contacts page.
    auto* pages = test::Control<QStackedWidget>(window_, QStringLiteral("Pages"));
    ASSERT_EQ(pages->currentIndex(), 0);
    auto* header = test::Control(window_, QStringLiteral("LayoutHeader"));
    auto* search = header->findChild<QLineEdit*>(QStringLiteral("EditSerch"));
    ASSERT_NE(search, nullptr);
    search->setText(QStringLiteral("王"));
    QTest::keyClick(search, Qt::Key_Return);
    WaitLoaded();
    EXPECT_EQ(pages->currentWidget(), page_);
    EXPECT_TRUE(test::Control<QPushButton>(window_, QStringLiteral("ButtonContact"))->isChecked());
    EXPECT_EQ(Shown(Model()), QStringList({"W", "王五"}));
    EXPECT_EQ(page_->SearchBox()->text(), QStringLiteral("王"));
    search->setText(QStringLiteral("zs"));
    QTest::mouseClick(header->findChild<QPushButton*>(QStringLiteral("ButtonSerch")),
                      Qt::LeftButton);
    WaitLoaded();
    EXPECT_EQ(Shown(Model()), QStringList({"Z", "张三"}));
}

TEST_F(ContactsTest, UnusualNamesAndNumbersAreKeptAndShownAsTyped) {
    const QString longName = QString(200, QChar(u'长'));
    Store({{u"O'Brien", u"13800000002"},
           {u"100% 真", u"13800000003"},
           {u"a_b", u"13800000004"},
           {u"😀笑脸", u"13800000005"},
           {u"", u"13800000006"},
           {u"李\"四\"", u"13800000007"}});
    ASSERT_TRUE(
        Core().AddContact(ContactRecord(longName, QStringLiteral("13800000008"), {}), true));
    Reload();
    ASSERT_EQ(Model().ContactCount(), 7);
    EXPECT_EQ(Shown(Model()).mid(0, 2), QStringList({"#", ""}));
    EXPECT_EQ(Table("name").find("O'Brien\n100% 真\na_b\n😀笑脸\n\n李\"四\""), 0u);
    const int longRow = RowOf(longName);
    ASSERT_GE(longRow, 0);
    EXPECT_EQ(CItemContact(*Model().Contact(longRow)).NameText(),
              longName.left(10) + QStringLiteral("..."));

    // Every row paints inside its own height.
    ShowContactsPage();
    for (int row = 0; row < Model().EntryCount(); ++row) {
        const int height = page_->List()->visualRect(Model().index(row)).height();
        EXPECT_EQ(height,
                  Model().IsIndexRow(row) ? CIndexElementItem::kHeight : CItemContact::kHeight)
            << row;
    }
    EXPECT_FALSE(page_->List()->viewport()->grab().isNull());

    // A quote in the keyword is text; "%" and "_" match as wildcards.
    page_->SearchFor(QStringLiteral("'"));
    WaitLoaded();
    EXPECT_EQ(Model().ContactCount(), 1);
    EXPECT_EQ(Model().Contact(1)->name, QStringLiteral("O'Brien"));
    page_->SearchFor(QStringLiteral("😀"));
    WaitLoaded();
    EXPECT_EQ(Model().ContactCount(), 1);
    page_->SearchFor(QStringLiteral("a_b"));
    WaitLoaded();
    EXPECT_EQ(Model().ContactCount(), 1);
    // Three characters and more go through the search index: any part of a name, a number
    // or the initials, quotes and emoji as text, case aside.
    for (const auto& [keyword, found] :
         std::vector<std::pair<QString, int>>{{QStringLiteral("bri"), 1},
                                              {QStringLiteral("00000"), 7},
                                              {QStringLiteral("\"四\""), 1},
                                              {QStringLiteral("😀笑脸"), 1},
                                              {QStringLiteral("长长长"), 1},
                                              {QStringLiteral("0% 真"), 1}}) {
        page_->SearchFor(keyword);
        WaitLoaded();
        EXPECT_EQ(Model().ContactCount(), found) << keyword.toStdString();
    }
    // Typing searches at each keystroke; the last keystroke's result is what stays.
    page_->SearchBox()->clear();
    QTest::keyClicks(page_->SearchBox(), QStringLiteral("O'B"));
    WaitLoaded();
    ASSERT_EQ(Model().ContactCount(), 1);
    EXPECT_EQ(Model().Contact(1)->name, QStringLiteral("O'Brien"));
    // A renamed contact is found by its new name only.
    ContactRecord renamed = *Model().Contact(1);
    renamed.name = QStringLiteral("Oscar");
    ASSERT_TRUE(Core().UpdateContact(renamed));
    page_->SearchFor(QStringLiteral("bri"));
    WaitLoaded();
    EXPECT_TRUE(Model().HasPlaceholder());
    page_->SearchFor(QStringLiteral("osc"));
    WaitLoaded();
    EXPECT_EQ(Model().ContactCount(), 1);
}

TEST_F(ContactsTest, RowButtonsDialAskForSmsAndDeleteAfterConfirmation) {
    Store({{u"张三", u"13800000000"}, {u"李四", u"13900000000"}, {u"Alice", u"13700000000"}});
    ShowContactsPage();
    QSignalSpy dials(page_, &CContactContainer::DialRequested);
    QSignalSpy sms(page_, &CContactContainer::SmsRequested);
    const int zhang = RowOf(QStringLiteral("张三"));
    ClickRow(zhang, Control::CallTel);
    ClickRow(RowOf(QStringLiteral("李四")), Control::CallMobile);
    ClickRow(zhang, Control::Sms);
    ASSERT_EQ(dials.count(), 2);
    EXPECT_EQ(dials[0][0].toString(), QStringLiteral("13800000000"));
    EXPECT_FALSE(dials[0][1].toBool());
    EXPECT_EQ(dials[1][0].toString(), QStringLiteral("13900000000"));
    EXPECT_TRUE(dials[1][1].toBool());
    ASSERT_EQ(sms.count(), 1);
    EXPECT_EQ(sms[0][0].value<ContactRecord>().name, QStringLiteral("张三"));
    // The main window opens the SMS to him.
    ASSERT_NE(test::Opened<CSmsEdit>(), nullptr);
    test::Opened<CSmsEdit>()->Close();

    // The details of 张三 are open while he is deleted: the dialog goes with him.
    ClickRow(zhang, Control::Item);
    ASSERT_NE(test::Opened<CContactInfo>(), nullptr);
    ClickRow(zhang, Control::Delete);
    CTipDialog* tip = Tip();
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(Text(tip, "LabelTip"), QStringLiteral("您确定删除联系人《张三》吗？"));
    EXPECT_EQ(tip->pos(), CContactContainer::kTipPosition);
    Click(tip, "ButtonCancel");
    EXPECT_EQ(Model().ContactCount(), 3);

    ClickRow(zhang, Control::Delete);
    ASSERT_NE(Tip(), nullptr);
    Click(Tip(), "ButtonOK");
    EXPECT_EQ(RowOf(QStringLiteral("张三")), -1);
    // The last of its letter: its index row goes too.
    EXPECT_EQ(Shown(Model()), QStringList({"A", "Alice", "L", "李四"}));
    EXPECT_EQ(Table("name"), "李四\nAlice");
    EXPECT_EQ(test::Opened<CContactInfo>(), nullptr);
}

TEST_F(ContactsTest, ClearingAllAsksFirstAndEmptiesTheListAtOnce) {
    Store({{u"张三", u"13800000000"}, {u"李四", u"13900000000"}});
    ShowContactsPage();
    QTest::mouseClick(page_->findChild<QPushButton*>(QStringLiteral("ButtonDelete")),
                      Qt::LeftButton);
    CTipDialog* tip = Tip();
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(Text(tip, "LabelTip"), QStringLiteral("您确定清空本地联系人吗？"));
    EXPECT_EQ(Text(tip, "labelTitle"), QStringLiteral("删除联系人"));
    EXPECT_EQ(tip->pos(), QPoint(180, 200));
    Click(tip, "btnClosed");
    EXPECT_EQ(Model().ContactCount(), 2);

    page_->SearchFor(QStringLiteral("zs"));
    WaitLoaded();
    page_->ConfirmDeleteAll();
    Click(Tip(), "ButtonOK");
    EXPECT_EQ(Model().ContactCount(), 0);
    EXPECT_TRUE(Model().HasPlaceholder());
    EXPECT_EQ(Model().data(Model().index(0)).toString(), ContactListModel::EmptyText());
    EXPECT_TRUE(page_->SearchBox()->text().isEmpty());
    EXPECT_EQ(Table("count(*)"), "0");
}

TEST_F(ContactsTest, DetailsDialogShowsEditsAndSavesTheContact) {
    Store({{u"张三", u"13800000000"}, {u"Alice", u"13700000000"}});
    ShowContactsPage();
    ClickRow(RowOf(QStringLiteral("张三")), Control::Item);
    CContactInfo* dialog = test::Opened<CContactInfo>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->pos(), CContactContainer::kDialogPosition);
    EXPECT_EQ(Text(dialog, "labelTitle"), QStringLiteral("联系人详情"));
    EXPECT_EQ(dialog->GetMode(), CContactInfo::Mode::Details);
    EXPECT_TRUE(test::Control(dialog, QStringLiteral("PanelDetails"))->isVisible());
    EXPECT_FALSE(test::Control(dialog, QStringLiteral("PanelAdd"))->isVisible());
    EXPECT_EQ(Text(dialog, "InfoName"), QStringLiteral("张三"));
    EXPECT_EQ(Text(dialog, "InfoPhone"), QStringLiteral("13800000000 移动|北京"));
    EXPECT_EQ(Text(dialog, "TitleName1"), QStringLiteral("张三"));

    // Another row reuses the one dialog.
    ClickRow(RowOf(QStringLiteral("Alice")), Control::Item);
    EXPECT_EQ(test::Opened<CContactInfo>(), dialog);
    EXPECT_EQ(window_->findChildren<CContactInfo*>().size(), 1);
    EXPECT_EQ(Text(dialog, "InfoName"), QStringLiteral("Alice"));
    ClickRow(RowOf(QStringLiteral("张三")), Control::Item);

    Click(dialog, "ButtonEdit");
    EXPECT_EQ(dialog->GetMode(), CContactInfo::Mode::Edit);
    EXPECT_TRUE(test::Control(dialog, QStringLiteral("PanelAdd"))->isVisible());
    EXPECT_EQ(Text(dialog, "EditName"), QStringLiteral("张三"));
    EXPECT_EQ(Text(dialog, "EditPhone"), QStringLiteral("13800000000"));
    EXPECT_EQ(Text(dialog, "TitleName"), QStringLiteral("编辑联系人"));

    // Without a name nothing is saved and the dialog stays.
    Type(dialog, "EditName", QStringLiteral("  "));
    Click(dialog, "ButtonSave");
    ASSERT_NE(test::Opened<CMessageBox>(), nullptr);
    EXPECT_EQ(test::Opened<CMessageBox>()->GetText(),
              QStringLiteral("请填写联系人姓名和手机号再保存"));
    EXPECT_EQ(test::Opened<CContactInfo>(), dialog);

    Type(dialog, "EditName", QStringLiteral("王五"));
    Type(dialog, "EditCompany", QStringLiteral("公司"));
    Type(dialog, "EditPhone", QStringLiteral("13900000000"));
    Click(dialog, "ButtonSave");
    EXPECT_EQ(test::Opened<CContactInfo>(), nullptr);
    EXPECT_EQ(Table("name, company, nameindex"), "王五|公司|WW\nAlice||ALICE");
    WaitLoaded();
    EXPECT_EQ(Shown(Model()), QStringList({"A", "Alice", "W", "王五"}));
    // The row shows where the new number belongs.
    EXPECT_EQ(CItemContact(*Model().Contact(3)).NumberText(),
              QStringLiteral("13900000000 移动|新疆乌鲁木齐"));
}

TEST_F(ContactsTest, AddDialogStoresEveryNumberAtTheEndOfTheList) {
    Store({{u"张三", u"13800000000"}});
    ShowContactsPage();
    QTest::mouseClick(page_->findChild<QPushButton*>(QStringLiteral("ButtonAdd")), Qt::LeftButton);
    CContactInfo* dialog = test::Opened<CContactInfo>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Text(dialog, "labelTitle"), QStringLiteral("添加联系人"));
    EXPECT_EQ(dialog->GetMode(), CContactInfo::Mode::Add);
    EXPECT_EQ(dialog->pos(), QPoint(200, 120));

    // A phone text without a number is no number.
    Type(dialog, "EditName", QStringLiteral("Bob"));
    Type(dialog, "EditPhone", QStringLiteral(";; ;"));
    Click(dialog, "ButtonSave");
    EXPECT_EQ(test::Opened<CContactInfo>(), dialog);
    EXPECT_EQ(test::Opened<CMessageBox>()->GetText(),
              QStringLiteral("请填写联系人姓名和手机号再保存"));

    // Each number of the list is a contact, shown at the end without an index row.
    Type(dialog, "EditPhone", QStringLiteral("a;;b;"));
    Type(dialog, "EditOther", QStringLiteral("备注"));
    Click(dialog, "ButtonSave");
    EXPECT_EQ(test::Opened<CContactInfo>(), nullptr);
    EXPECT_EQ(Shown(Model()), QStringList({"Z", "张三", "Bob", "Bob"}));
    EXPECT_EQ(Model().Contact(3)->phone, QStringLiteral("b"));
    EXPECT_EQ(Table("name, phone, other"), "张三|13800000000|\nBob|a|备注\nBob|b|备注");
    // The rows added know their ids: one can be deleted at once.
    page_->DeleteContact(Model().Contact(2)->id);
    EXPECT_EQ(Table("phone"), "13800000000\nb");
    Reload();
    EXPECT_EQ(Shown(Model()), QStringList({"B", "Bob", "Z", "张三"}));

    // A number stored already adds nothing, and the dialog closes.
    page_->OpenAddDialog();
    dialog = test::Opened<CContactInfo>();
    ASSERT_NE(dialog, nullptr);
    Type(dialog, "EditName", QStringLiteral("张三丰"));
    Type(dialog, "EditPhone", QStringLiteral("138 0000 0000"));
    Click(dialog, "ButtonSave");
    EXPECT_EQ(test::Opened<CContactInfo>(), nullptr);
    EXPECT_EQ(Model().ContactCount(), 2);
    EXPECT_EQ(Table("count(*)"), "2");
}

TEST_F(ContactsTest, QueryDialogShowsWhatAnIncomingCallWouldShow) {
    auto* menu = new CDuiMenu(*window_);
    menu->Create(QStringLiteral("MenuWnd"));
    menu->ShowAt(QPoint(100, 100));
    QTest::mouseClick(test::Control<QPushButton>(menu, QStringLiteral("menu_address")),
                      Qt::LeftButton);
    EXPECT_TRUE(menu->IsClosing());
    CSettingQuery* query = test::Opened<CSettingQuery>();
    ASSERT_NE(query, nullptr);
    EXPECT_EQ(Text(query, "labelTitle"), QStringLiteral("归属地查询"));
    EXPECT_EQ(query->pos(), QPoint(250, 150));
    window_->Settings().OpenQuery();
    EXPECT_EQ(window_->findChildren<CSettingQuery*>().size(), 1);

    QLineEdit* number = query->NumberEdit();
    QTest::keyClicks(number, QStringLiteral("138abc00000000"));
    EXPECT_EQ(number->text(), QStringLiteral("13800000000"));
    QPushButton* ask = nullptr;
    for (auto* button : query->findChildren<QPushButton*>()) {
        if (button->text() == QStringLiteral("查询")) {
            ask = button;
        }
    }
    ASSERT_NE(ask, nullptr);
    QTest::mouseClick(ask, Qt::LeftButton);
    EXPECT_EQ(query->Result(), QStringLiteral("移动|北京"));
    number->setText(QStringLiteral("12345"));
    QTest::keyClick(number, Qt::Key_Return);
    EXPECT_EQ(query->Result(), QStringLiteral("未知号码"));
    // A local landline number belongs to the user's area, as for a call.
    Core().SetAreaCode(QStringLiteral("020"));
    number->setText(QStringLiteral("88290291"));
    QTest::mouseClick(ask, Qt::LeftButton);
    EXPECT_EQ(query->Result(), QStringLiteral("固话|广东广州"));
}

TEST_F(ContactsTest, CallLogAddButtonSavesTheCallerForTheNextCall) {
    test::BoxSim box;
    ASSERT_TRUE(box.Running());
    // The same folders, with the box this time.
    StartWindow(QString::fromStdString(box.PortPath()));
    ShowWindow();
    ASSERT_TRUE(test::WaitFor([&] { return Core().IsBoxConnected(); }, 30000));
    CRecordContainer* records = window_->RecordPage();
    const auto newest = [&] {
        return records->Model().Entry(0);
    };

    ASSERT_EQ(box.Command("ring 13912345678"), "ok");
    ASSERT_TRUE(test::WaitFor([&] { return newest() != nullptr; }, 30000));
    ASSERT_TRUE(test::WaitFor([] { return test::Opened<CCallInUI>() != nullptr; }, 30000));
    test::Opened<CCallInUI>()->Close();
    EXPECT_TRUE(newest()->nameIsPhone);

    // The row's add-contact button, under the mouse.
    QWidget* viewport = records->List()->viewport();
    const QPoint add =
        CItemRecordUI::ControlRect(CItemRecordUI::Control::AddContact)
            .translated(records->List()->visualRect(records->Model().index(0)).topLeft())
            .center();
    QTest::mouseMove(viewport, add);
    QTest::mouseClick(viewport, Qt::LeftButton, {}, add);
    CContactInfo* dialog = test::Opened<CContactInfo>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Text(dialog, "labelTitle"), QStringLiteral("添加联系人"));
    EXPECT_EQ(dialog->GetMode(), CContactInfo::Mode::Add);
    EXPECT_EQ(Text(dialog, "EditPhone"), QStringLiteral("13912345678"));
    EXPECT_EQ(dialog->geometry().center(), window_->rect().center());
    // While it is open, the button opens nothing more.
    window_->OpenAddContact(QStringLiteral("10000"));
    EXPECT_EQ(Text(dialog, "EditPhone"), QStringLiteral("13912345678"));

    Type(dialog, "EditName", QStringLiteral("钱七"));
    Click(dialog, "ButtonSave");
    EXPECT_EQ(test::Opened<CContactInfo>(), nullptr);
    EXPECT_EQ(Model().Contact(Model().EntryCount() - 1)->name, QStringLiteral("钱七"));

    ASSERT_EQ(box.Command("state 14"), "ok");
    ASSERT_EQ(box.Command("ring 13912345678"), "ok");
    ASSERT_TRUE(test::WaitFor([&] { return records->Model().EntryCount() == 2; }, 30000));
    EXPECT_EQ(newest()->name, QStringLiteral("钱七"));
    ASSERT_TRUE(test::WaitFor([] { return test::Opened<CCallInUI>() != nullptr; }, 30000));
    EXPECT_EQ(test::Control<QLabel>(test::Opened<CCallInUI>(), QStringLiteral("labelName"))->text(),
              QStringLiteral("钱七"));
}

TEST_F(ContactsTest, AFileOfCardsIsPreviewedImportedOnceAndExportedAgain) {
    Store({{u"王芳", u"13912345678"}});
    const QString path = home_.filePath(QStringLiteral("phone.vcf"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:王芳\r\nTEL:139 1234 5678\r\n"
               "EMAIL:wang@example.com\r\nEND:VCARD\r\n"
               "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:陈静\r\nTEL;TYPE=CELL:13798765432\r\n"
               "TEL;TYPE=WORK:020-88290291\r\nBDAY:1990-05-17\r\nEND:VCARD\r\n"
               "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:无号码\r\nEND:VCARD\r\n");
    file.close();

    CContactImport* preview = page_->OpenImport(path);
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(test::Control<QLabel>(preview, QStringLiteral("LabelSummary"))->text(),
              QStringLiteral("共 2 张名片：新号码 2 个，已有的号码 1 个，无法导入 1 条"));
    EXPECT_TRUE(test::Control<QPlainTextEdit>(preview, QStringLiteral("TextProblems"))
                    ->toPlainText()
                    .contains(QStringLiteral("“无号码”：没有电话号码")));
    test::Control<QCheckBox>(preview, QStringLiteral("CheckFillEmpty"))->setChecked(true);
    test::Click(preview, "ButtonImport");
    ASSERT_TRUE(test::WaitFor([&] { return !Model().IsLoading() && Model().ContactCount() == 3; }));
    EXPECT_EQ(test::Opened<CContactImport>(), nullptr);
    EXPECT_EQ(Table("name, phone, email"), "王芳|13912345678|wang@example.com\n"
                                           "陈静|13798765432|\n陈静|02088290291|");

    // Out again: 陈静's two numbers on one card with her birthday.
    const QString out = home_.filePath(QStringLiteral("out.vcf"));
    ASSERT_TRUE(page_->ExportTo(out));
    QFile written(out);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray text = written.readAll();
    EXPECT_EQ(text.count("BEGIN:VCARD"), 2);
    EXPECT_TRUE(text.contains("TEL;TYPE=CELL:13798765432\r\nTEL;TYPE=WORK:020-88290291\r\n"
                              "BDAY:1990-05-17\r\n"));
}
