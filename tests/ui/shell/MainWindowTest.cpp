// The main window over a real core in a fresh documents folder: menu, settings dialogs,
// clipboard capture, Ctrl+F10, notices, progress and exit.
#include "../../device/BoxSim.h"
#include "../../store/StoreTestSupport.h"
#include "../UiTestSupport.h"

#include "store/Schema.h"
#include "ui/calls/CRecordContainer.h"
#include "ui/settings/CSettingExit.h"
#include "ui/settings/CSettingIP.h"
#include "ui/settings/CSettingPrefix.h"
#include "ui/settings/CSettingProxy.h"
#include "ui/settings/SettingWindows.h"
#include "ui/shell/Autostart.h"
#include "ui/shell/CDuiMenu.h"
#include "ui/shell/CMainWndUI.h"
#include "ui/shell/CMessageBox.h"
#include "ui/shell/CTopCall.h"
#include "ui/shell/ClipboardCapture.h"
#include "ui/shell/QtTranslations.h"
#include "ui/shell/TrayIcon.h"
#include "ui/sms/CSmsContainer.h"
#include "ui/widgets/CButtonUI.h"
#include "ui/widgets/Controls.h"

#include <QAction>
#include <QClipboard>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSizeGrip>
#include <QStackedWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using namespace tamberlink;
using tamberlink::test::App;

namespace {

class MainWindowTest : public test::MainWindowFixture {
protected:
    std::string Row(const char* name, const char* column) {
        test::RawDb db(home_.filePath(QStringLiteral("Tamberlink/Data/Tamberlink.db")));
        return db.Rows(std::string("select ") + column + " from table_setting where name='" + name +
                       "'");
    }
    CDuiMenu* OpenMenu() {
        window_->OpenMenu(QPoint(100, 100));
        auto menus = window_->findChildren<CDuiMenu*>();
        for (CDuiMenu* menu : menus) {
            if (!menu->IsClosing()) {
                return menu;
            }
        }
        return nullptr;
    }
    template <class T>
    QPushButton* Button(T* window, const QString& text) {
        for (auto* button : window->template findChildren<QPushButton*>()) {
            if (button->text() == text) {
                return button;
            }
        }
        return nullptr;
    }
    // Clicks the button that reads `text` once it reads something else.
    template <class T>
    void ClickRelabelled(T* window, const QString& text) {
        QPushButton* button = Button(window, text);
        ASSERT_NE(button, nullptr) << text.toStdString();
        button->setText(QStringLiteral("OK"));
        button->click();
    }
    CTopCall* OfferedAfterCopying(const QString& text) {
        if (CTopCall* open = test::Opened<CTopCall>()) {
            open->Close();
            test::ProcessEvents();
        }
        QGuiApplication::clipboard()->setText(text);
        test::ProcessEvents();
        return test::Opened<CTopCall>();
    }
};

} // namespace

TEST_F(MainWindowTest, ShowsTheTitleSizePagesAndStartState) {
    EXPECT_EQ(window_->windowTitle(), QStringLiteral("Tamberlink拨号器"));
    EXPECT_EQ(window_->size(), QSize(902, 602));
    EXPECT_EQ(window_->objectName(), QStringLiteral("TamberlinkMain"));
    EXPECT_EQ(test::Control<QPushButton>(window_, QStringLiteral("ButtonVersion"))->text(),
              QStringLiteral("Tamberlink拨号器 1.0.5"));
    auto* pages = test::Control<QStackedWidget>(window_, QStringLiteral("Pages"));
    ASSERT_EQ(pages->count(), 5);
    EXPECT_EQ(pages->currentIndex(), 0);
    EXPECT_FALSE(window_->IsProgressShown());
    EXPECT_TRUE(test::Control(window_, QStringLiteral("PanelLogout"))->isVisibleTo(window_.get()));
    EXPECT_FALSE(test::Control(window_, QStringLiteral("PanelLogin"))->isVisibleTo(window_.get()));

    // Each tab selects its page.
    const char* tabs[] = {"ButtonRecord", "ButtonSms", "ButtonContact", "ButtonContactTemp",
                          "ButtonNote"};
    for (int page : {3, 1, 4, 2, 0}) {
        QTest::mouseClick(test::Control<QPushButton>(window_, QString::fromLatin1(tabs[page])),
                          Qt::LeftButton);
        EXPECT_EQ(pages->currentIndex(), page);
    }
    // The device button shows the box's state.
    auto* device = test::Control<CButtonUI>(window_, QStringLiteral("ButtonLinkDevice"));
    EXPECT_TRUE(device->GetForeImage().contains(QLatin1String("btnDeviceUnConn.png")));
    window_->SetDeviceIndicator(true);
    EXPECT_TRUE(device->GetForeImage().contains(QLatin1String("btnDeviceConn.png")));
    window_->SetDeviceIndicator(false);
    EXPECT_TRUE(device->GetForeImage().contains(QLatin1String("btnDeviceUnConn.png")));

    // The menu button opens the main menu.
    EXPECT_TRUE(window_->findChildren<CDuiMenu*>().isEmpty());
    QTest::mouseClick(test::Control<QPushButton>(window_, QStringLiteral("btnMenu")),
                      Qt::LeftButton);
    const auto menus = window_->findChildren<CDuiMenu*>();
    ASSERT_EQ(menus.size(), 1);
    EXPECT_TRUE(menus.front()->isVisible());
    menus.front()->Close();
}

// A database of an earlier version is brought up to date behind a notice that is gone once
// the window is there; a first start, whose database is copied just then, shows none.
TEST_F(MainWindowTest, AnOlderDatabaseIsUpgradedBehindANotice) {
    class ShownNotices : public QObject {
    public:
        int count = 0;
        QString text;
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Show &&
                watched->objectName() == QStringLiteral("UpgradeNotice")) {
                ++count;
                text = static_cast<QLabel*>(watched)->text();
            }
            return false;
        }
    } notices;
    qApp->installEventFilter(&notices);
    const QString path = home_.filePath(QStringLiteral("Tamberlink/Data/Tamberlink.db"));
    StopWindow();
    ASSERT_TRUE(QFile::remove(path));
    StartWindow(std::nullopt);
    EXPECT_EQ(notices.count, 0);

    StopWindow();
    test::RawDb(path).Exec("PRAGMA user_version=" + std::to_string(kSchemaVersion - 1));
    StartWindow(std::nullopt);
    qApp->removeEventFilter(&notices);
    EXPECT_EQ(notices.count, 1);
    EXPECT_TRUE(notices.text.startsWith(QStringLiteral("正在升级通话记录和联系人的数据")));
    EXPECT_EQ(test::RawDb(path).Rows("PRAGMA user_version"), std::to_string(kSchemaVersion));
    for (QWidget* top : QApplication::topLevelWidgets()) {
        EXPECT_NE(top->objectName(), QStringLiteral("UpgradeNotice")) << "gone once started";
    }
}

TEST_F(MainWindowTest, MenuSwitchesShowAndStoreTheirState) {
    ASSERT_EQ(Row("popoff", "value2"), "1");
    CDuiMenu* menu = OpenMenu();
    ASSERT_NE(menu, nullptr);
    auto* pop = test::Control<QPushButton>(menu, QStringLiteral("menu_pop"));
    EXPECT_EQ(pop->text(), QStringLiteral("来电弹屏: 开"));
    QTest::mouseClick(pop, Qt::LeftButton);
    EXPECT_EQ(pop->text(), QStringLiteral("来电弹屏: 关"));
    EXPECT_EQ(window_->Core().Settings().PopOff(), 0);
    EXPECT_EQ(Row("popoff", "value2"), "0");
    QTest::mouseClick(pop, Qt::LeftButton);
    EXPECT_EQ(pop->text(), QStringLiteral("来电弹屏: 开"));
    EXPECT_EQ(window_->Core().Settings().PopOff(), 1);
    EXPECT_EQ(Row("popoff", "value2"), "1");

    // Automatic recording shows the stored choice and toggles it; without the box the user
    // is told to connect it first.
    auto* autoRec = test::Control<QPushButton>(menu, QStringLiteral("menu_auto_rec"));
    EXPECT_EQ(autoRec->text(), QStringLiteral("自动录音：关"));
    QTest::mouseClick(autoRec, Qt::LeftButton);
    EXPECT_EQ(autoRec->text(), QStringLiteral("自动录音：开"));
    EXPECT_EQ(Row("auto", "value2"), "1");
    ASSERT_NE(test::Opened<CMessageBox>(), nullptr);
    EXPECT_EQ(test::Opened<CMessageBox>()->GetText(),
              QStringLiteral("请先连接设备后在设置自动录音"));
    menu->Close();
    test::ProcessEvents();

    // A menu made afterwards shows the stored state.
    menu = OpenMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(test::Control<QPushButton>(menu, QStringLiteral("menu_auto_rec"))->text(),
              QStringLiteral("自动录音：开"));
    EXPECT_EQ(test::Control<QPushButton>(menu, QStringLiteral("menu_off"))->text(),
              QStringLiteral("屏幕取词: 关(Ctrl+F10)"));
}

TEST_F(MainWindowTest, SingleInstanceDialogsOpenOnce) {
    CDuiMenu* menu = OpenMenu();
    ASSERT_NE(menu, nullptr);
    QTest::mouseClick(test::Control<QPushButton>(menu, QStringLiteral("menu_areacode")),
                      Qt::LeftButton);
    EXPECT_TRUE(menu->IsClosing());
    CSettingPrefix* areaCode = test::Opened<CSettingPrefix>();
    ASSERT_NE(areaCode, nullptr);
    EXPECT_EQ(areaCode->pos(), QPoint(250, 150));
    // The extension dialog shares the one prefix dialog: nothing new opens.
    window_->Settings().OpenPrefix(CSettingPrefix::kExtension);
    window_->Settings().OpenPrefix(CSettingPrefix::kAreaCode);
    EXPECT_EQ(window_->findChildren<CSettingPrefix*>().size(), 1);
    EXPECT_EQ(test::Opened<CSettingPrefix>(), areaCode);
    EXPECT_EQ(test::Control<QLabel>(areaCode, QStringLiteral("labelTitle"))->text(),
              QStringLiteral("本地区号设置"));

    // The area code goes through the setter, which refuses 6 characters or more.
    auto* edit = areaCode->findChild<QLineEdit*>();
    edit->setText(QStringLiteral("0755"));
    Button(areaCode, QStringLiteral("确定"))->click();
    EXPECT_EQ(window_->Core().Settings().AreaCode(), QStringLiteral("0755"));
    EXPECT_EQ(Row("areaCode", "value1"), "0755");
    test::ProcessEvents();
    window_->Settings().OpenPrefix(CSettingPrefix::kAreaCode);
    ASSERT_NE(test::Opened<CSettingPrefix>(), nullptr);
    EXPECT_EQ(test::Opened<CSettingPrefix>()->findChild<QLineEdit*>()->text(),
              QStringLiteral("0755"));
    test::Opened<CSettingPrefix>()->findChild<QLineEdit*>()->setText(QStringLiteral("075512"));
    Button(test::Opened<CSettingPrefix>(), QStringLiteral("确定"))->click();
    EXPECT_EQ(Row("areaCode", "value1"), "0755");

    // The extension dialog once the other has gone.
    test::ProcessEvents();
    window_->Settings().OpenPrefix(CSettingPrefix::kExtension);
    ASSERT_NE(test::Opened<CSettingPrefix>(), nullptr);
    test::Opened<CSettingPrefix>()->findChild<QLineEdit*>()->setText(QStringLiteral("9"));
    Button(test::Opened<CSettingPrefix>(), QStringLiteral("确定"))->click();
    EXPECT_EQ(Row("fenjiCode", "value1"), "9");

    // The exit confirmation too, from the close button and the menu.
    QTest::mouseClick(test::Control<QPushButton>(window_, QStringLiteral("btnClosed")),
                      Qt::LeftButton);
    window_->OpenExitConfirmation();
    EXPECT_EQ(window_->findChildren<CSettingExit*>().size(), 1);
}

// Escape closes a settings dialog as its close button does: from an edit the user types in,
// without saving what was typed, and from the exit question, which then exits nothing.
TEST_F(MainWindowTest, EscapeClosesASettingsDialogWithoutItsAction) {
    const QString proxy = window_->Core().Settings().Proxy();
    CSettingProxy* dialog = window_->Settings().OpenProxy();
    ASSERT_NE(dialog, nullptr);
    auto* edit = dialog->findChild<QLineEdit*>();
    ASSERT_NE(edit, nullptr);
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("10"));
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_TRUE(dialog->IsClosing());
    EXPECT_EQ(window_->Core().Settings().Proxy(), proxy);
    test::ProcessEvents();

    window_->OpenExitConfirmation();
    auto* question = test::Opened<CSettingExit>();
    ASSERT_NE(question, nullptr);
    QSignalSpy exits(question, &CSettingExit::ExitRequested);
    QTest::keyClick(question, Qt::Key_Escape);
    EXPECT_TRUE(question->IsClosing());
    EXPECT_EQ(exits.count(), 0);
    EXPECT_FALSE(window_->IsExiting());
    test::ProcessEvents();
}

TEST_F(MainWindowTest, SettingsButtonsKeepTheirActionWhateverTheyRead) {
    window_->Settings().OpenPrefix(CSettingPrefix::kExtension);
    ASSERT_NE(test::Opened<CSettingPrefix>(), nullptr);
    test::Opened<CSettingPrefix>()->findChild<QLineEdit*>()->setText(QStringLiteral("8"));
    ClickRelabelled(test::Opened<CSettingPrefix>(), QStringLiteral("确定"));
    EXPECT_EQ(Row("fenjiCode", "value1"), "8");
    test::ProcessEvents();

    window_->Settings().OpenProxy();
    CSettingProxy* proxy = test::Opened<CSettingProxy>();
    ASSERT_NE(proxy, nullptr);
    const QList<QLineEdit*> edits = proxy->findChildren<QLineEdit*>();
    ASSERT_EQ(edits.size(), 5);
    for (QLineEdit* edit : edits) {
        edit->setText(QStringLiteral("1"));
    }
    ClickRelabelled(proxy, QStringLiteral("确定"));
    EXPECT_EQ(Row("proxy", "value1"), "1.1.1.1:1");
    test::ProcessEvents();

    window_->Settings().OpenIP();
    CSettingIP* ip = test::Opened<CSettingIP>();
    ASSERT_NE(ip, nullptr);
    const int switchIP = window_->Core().Settings().SwitchIP();
    QPushButton* toggle =
        Button(ip, switchIP != 0 ? QStringLiteral("打开") : QStringLiteral("关闭"));
    QPushButton* save = Button(ip, QStringLiteral("保存"));
    ASSERT_TRUE(toggle != nullptr && save != nullptr);
    // The two buttons swap their labels: the switch still switches, "保存" still saves.
    toggle->setText(QStringLiteral("保存"));
    save->setText(QStringLiteral("打开"));
    toggle->click();
    EXPECT_EQ(window_->Core().Settings().SwitchIP(), switchIP != 0 ? 0 : 1);
    EXPECT_FALSE(ip->IsClosing());
    ip->findChild<QLineEdit*>()->setText(QStringLiteral("12593"));
    save->click();
    EXPECT_TRUE(ip->IsClosing());
    EXPECT_EQ(Row("ipCode", "value1"), "12593");
    test::ProcessEvents();

    // A menu switch goes by the state it keeps, not by what its item reads.
    CDuiMenu* menu = OpenMenu();
    ASSERT_NE(menu, nullptr);
    auto* pop = test::Control<QPushButton>(menu, QStringLiteral("menu_pop"));
    ASSERT_EQ(window_->Core().Settings().PopOff(), 1);
    pop->setText(QStringLiteral("来电弹屏: 关"));
    QTest::mouseClick(pop, Qt::LeftButton);
    EXPECT_EQ(window_->Core().Settings().PopOff(), 0);
    EXPECT_EQ(pop->text(), QStringLiteral("来电弹屏: 关"));
}

TEST_F(MainWindowTest, ProxyFieldsAreCutAndJoined) {
    window_->Settings().OpenProxy();
    CSettingProxy* proxy = test::Opened<CSettingProxy>();
    ASSERT_NE(proxy, nullptr);
    QList<QLineEdit*> edits = proxy->findChildren<QLineEdit*>();
    ASSERT_EQ(edits.size(), 5);
    std::sort(edits.begin(), edits.end(), [](QLineEdit* a, QLineEdit* b) {
        return a->y() != b->y() ? a->y() < b->y() : a->x() < b->x();
    });
    QLineEdit* port = edits[4];
    EXPECT_EQ(port->maxLength(), 5);

    QTest::keyClicks(edits[0], QStringLiteral("300"));
    EXPECT_EQ(edits[0]->text(), QStringLiteral("30"));
    edits[0]->clear();
    QTest::keyClicks(edits[0], QStringLiteral("255"));
    EXPECT_EQ(edits[0]->text(), QStringLiteral("255"));
    QTest::keyClicks(port, QStringLiteral("70000"));
    EXPECT_EQ(port->text(), QStringLiteral("7000"));
    port->clear();
    QTest::keyClicks(port, QStringLiteral("65535"));
    EXPECT_EQ(port->text(), QStringLiteral("65535"));
    // Letters never get in.
    edits[1]->clear();
    QTest::keyClicks(edits[1], QStringLiteral("a1b"));
    EXPECT_EQ(edits[1]->text(), QStringLiteral("1"));

    const char* parts[] = {"10", "0", "0", "1"};
    for (int i = 0; i < 4; ++i) {
        edits[i]->setText(QString::fromLatin1(parts[i]));
    }
    port->setText(QStringLiteral("8080"));
    QTest::mouseClick(Button(proxy, QStringLiteral("确定")), Qt::LeftButton);
    EXPECT_EQ(window_->Core().Settings().Proxy(), QStringLiteral("10.0.0.1:8080"));
    EXPECT_EQ(Row("proxy", "value1"), "10.0.0.1:8080");
    test::ProcessEvents();

    // Opened again it shows the stored parts; an empty port stores no proxy.
    window_->Settings().OpenProxy();
    proxy = test::Opened<CSettingProxy>();
    ASSERT_NE(proxy, nullptr);
    edits = proxy->findChildren<QLineEdit*>();
    QStringList shown;
    for (QLineEdit* edit : edits) {
        shown << edit->text();
    }
    shown.sort();
    EXPECT_EQ(shown, (QStringList{"0", "0", "1", "10", "8080"}));
    for (QLineEdit* edit : edits) {
        if (edit->text() == QLatin1String("8080")) {
            edit->clear();
        }
    }
    Button(proxy, QStringLiteral("确定"))->click();
    EXPECT_EQ(Row("proxy", "value1"), "");
}

TEST(ProxySplit, ToleratesTextsTheDialogNeverWrote) {
    using F = CSettingProxy::Fields;
    EXPECT_EQ(CSettingProxy::Split(QString()), F{});
    EXPECT_EQ(CSettingProxy::Split(QStringLiteral("1.2.3.4:5")), (F{"1", "2", "3", "4", "5"}));
    EXPECT_EQ(CSettingProxy::Split(QStringLiteral("proxyhost:80")),
              (F{"proxyhost", "", "", "", ""}));
    EXPECT_EQ(CSettingProxy::Split(QStringLiteral("1.2.3.4")), (F{"1", "2", "3", "4", ""}));
    EXPECT_EQ(CSettingProxy::Join(F{"1", "2", "3", "4", "5"}), QStringLiteral("1.2.3.4:5"));
    EXPECT_EQ(CSettingProxy::Join(F{"1", "", "3", "4", "5"}), QString());
}

TEST_F(MainWindowTest, IpSwitchIsStoredAtEachToggle) {
    const std::string before = Row("switchIP", "value2");
    const int inMemory = window_->Core().Settings().SwitchIP();
    window_->Settings().OpenIP();
    CSettingIP* dialog = test::Opened<CSettingIP>();
    ASSERT_NE(dialog, nullptr);
    window_->Settings().OpenIP();
    EXPECT_EQ(window_->findChildren<CSettingIP*>().size(), 1);
    QPushButton* toggle =
        Button(dialog, inMemory != 0 ? QStringLiteral("打开") : QStringLiteral("关闭"));
    ASSERT_NE(toggle, nullptr);
    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_EQ(window_->Core().Settings().SwitchIP(), inMemory != 0 ? 0 : 1);
    EXPECT_NE(Row("switchIP", "value2"), before);
    QTest::mouseClick(toggle, Qt::LeftButton);
    QTest::mouseClick(test::Control<QPushButton>(dialog, QStringLiteral("btnClosed")),
                      Qt::LeftButton);
    EXPECT_EQ(window_->Core().Settings().SwitchIP(), inMemory != 0 ? 1 : 0);
    EXPECT_EQ(Row("switchIP", "value2"), inMemory != 0 ? "1" : "0");
    test::ProcessEvents();

    // "保存" stores the prefix and closes.
    window_->Settings().OpenIP();
    dialog = test::Opened<CSettingIP>();
    ASSERT_NE(dialog, nullptr);
    dialog->findChild<QLineEdit*>()->setText(QStringLiteral("17951"));
    Button(dialog, QStringLiteral("保存"))->click();
    EXPECT_TRUE(dialog->IsClosing());
    EXPECT_EQ(Row("ipCode", "value1"), "17951");
}

TEST(ClipboardCapture, KeepsThreeToFifteenDigitsAndPlusSigns) {
    EXPECT_EQ(DialCandidate(QStringLiteral("Tel: +86 138-0000-0000")),
              QStringLiteral("+8613800000000"));
    EXPECT_EQ(DialCandidate(QStringLiteral("分机 123")), QStringLiteral("123"));
    EXPECT_EQ(DialCandidate(QStringLiteral("room 12")), QString());
    EXPECT_EQ(DialCandidate(QStringLiteral("123456789012345")), QStringLiteral("123456789012345"));
    EXPECT_EQ(DialCandidate(QStringLiteral("1234567890123456")), QString());
    EXPECT_EQ(DialCandidate(QStringLiteral("+1234567890123-45")), QString());
    EXPECT_EQ(DialCandidate(QString()), QString());
}

TEST_F(MainWindowTest, CopiedNumbersAreOfferedWhileScreenCaptureIsOn) {
    // Capture off: nothing is offered.
    EXPECT_EQ(OfferedAfterCopying(QStringLiteral("13800000000")), nullptr);
    ASSERT_TRUE(window_->ToggleScreenOff());
    EXPECT_EQ(window_->Core().Settings().ScreenOff(), 1);
    EXPECT_EQ(Row("screenoff", "value2"), "1");

    // The first copy of the run is offered: nothing at start-up stands for a copy.
    CTopCall* first = OfferedAfterCopying(QStringLiteral("Tel: 010-12345678"));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->Number(), QStringLiteral("01012345678"));
    CTopCall* offered = OfferedAfterCopying(QStringLiteral("Tel: +86 138-0000-0000"));
    ASSERT_NE(offered, nullptr);
    EXPECT_EQ(offered->Number(), QStringLiteral("+8613800000000"));
    EXPECT_TRUE(offered->isVisible());
    EXPECT_EQ(OfferedAfterCopying(QStringLiteral("room 12")), nullptr);
    EXPECT_EQ(OfferedAfterCopying(QStringLiteral("1234567890123456")), nullptr);
    ASSERT_NE(OfferedAfterCopying(QStringLiteral("10086")), nullptr);
    EXPECT_EQ(test::Opened<CTopCall>()->Number(), QStringLiteral("10086"));
}

TEST_F(MainWindowTest, WhatTheClipboardHeldBeforeTheStartIsNotOffered) {
    ASSERT_TRUE(window_->ToggleScreenOff());
    StopWindow();

    // Started again with capture on and a number already copied: nothing pops up by itself.
    QGuiApplication::clipboard()->setText(QStringLiteral("13800000000"));
    StartWindow(std::nullopt);
    ASSERT_EQ(core_->Settings().ScreenOff(), 1);
    test::ProcessEvents();
    EXPECT_EQ(test::Opened<CTopCall>(), nullptr);

    // The user's first copy of this run is offered.
    CTopCall* offered = OfferedAfterCopying(QStringLiteral("拨 95555"));
    ASSERT_NE(offered, nullptr);
    EXPECT_EQ(offered->Number(), QStringLiteral("95555"));
}

namespace {

QStringList gLogged;

void KeepLog(QtMsgType, const QMessageLogContext&, const QString& message) {
    gLogged << message;
}

} // namespace

TEST(CoreAndWindow, TheCoreLivesBeforeAndAfterItsWindow) {
    App();
    QTemporaryDir home;
    AppConfig config;
    config.documentsFolder = home.path();
    config.dataFolder = QStringLiteral(TAMBERLINK_BIN_DIR "/Data");
    config.localApiPort = 0;
    config.cloudBaseUrl = QStringLiteral("http://127.0.0.1:9/");
    config.cookieFolder = home.filePath(QStringLiteral("cookies"));
    AppCore core(config);
    ASSERT_TRUE(core.Start());

    // Without a window a notice goes to the log.
    gLogged.clear();
    QtMessageHandler previous = qInstallMessageHandler(KeepLog);
    core.ShowTip(QStringLiteral("没有窗口的提醒"));
    qInstallMessageHandler(previous);
    EXPECT_EQ(gLogged.filter(QStringLiteral("没有窗口的提醒")).size(), 1)
        << gLogged.join(u'\n').toStdString();
    EXPECT_EQ(test::Opened<CMessageBox>(), nullptr);

    {
        CMainWndUI window(core);
        core.ShowTip(QStringLiteral("窗口里的提醒"));
        ASSERT_NE(test::Opened<CMessageBox>(), nullptr);
        EXPECT_EQ(test::Opened<CMessageBox>()->parentWidget(), &window);
        EXPECT_EQ(test::Opened<CMessageBox>()->GetText(), QStringLiteral("窗口里的提醒"));
    }
    test::ProcessEvents();
    EXPECT_EQ(test::Opened<CMessageBox>(), nullptr);

    // The window is gone and its core still speaks: to the log, never to the freed window.
    gLogged.clear();
    previous = qInstallMessageHandler(KeepLog);
    core.ShowTip(QStringLiteral("窗口之后的提醒"));
    emit core.CallLogChanged();
    qInstallMessageHandler(previous);
    EXPECT_EQ(gLogged.filter(QStringLiteral("窗口之后的提醒")).size(), 1);
    EXPECT_EQ(test::Opened<CMessageBox>(), nullptr);
}

TEST_F(MainWindowTest, CtrlF10TogglesOncePerThreeSeconds) {
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    const QString off = QStringLiteral("取词: 关 (Ctrl + F10)");
    const QString on = QStringLiteral("取词: 开 (Ctrl + F10)");
    EXPECT_EQ(window_->Tray().Menu()->actions().at(0)->text(), off);

    // Held down, the key repeats: one toggle only.
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(window_.get(), Qt::Key_F10, Qt::ControlModifier);
    }
    EXPECT_EQ(window_->Core().Settings().ScreenOff(), 1);
    EXPECT_EQ(window_->Tray().Menu()->actions().at(0)->text(), on);
    EXPECT_EQ(Row("screenoff", "value2"), "1");

    QTest::qWait(3100);
    QTest::keyClick(window_.get(), Qt::Key_F10, Qt::ControlModifier);
    EXPECT_EQ(window_->Core().Settings().ScreenOff(), 0);
    EXPECT_EQ(window_->Tray().Menu()->actions().at(0)->text(), off);
    // The menu does not pretend a refused toggle happened.
    CDuiMenu* menu = OpenMenu();
    ASSERT_NE(menu, nullptr);
    auto* item = test::Control<QPushButton>(menu, QStringLiteral("menu_off"));
    QTest::mouseClick(item, Qt::LeftButton);
    EXPECT_EQ(item->text(), QStringLiteral("屏幕取词: 关(Ctrl+F10)"));
    EXPECT_EQ(window_->Core().Settings().ScreenOff(), 0);
}

TEST_F(MainWindowTest, ProgressWatchdogEndsTheWaitWithANotice) {
    // The cloud flows' own watchdog; the window only shows their panel.
    ASSERT_NE(window_->Core().Cloud(), nullptr);
    CloudProgress& progress = window_->Core().Cloud()->Progress();
    ASSERT_TRUE(progress.Start(CloudProgress::Chain::Backup, 1));
    progress.SetText(CloudProgress::Chain::Backup, QStringLiteral("正在备份联系人..."));
    EXPECT_TRUE(window_->IsProgressShown());
    EXPECT_EQ(ControlText(test::Control(window_, QStringLiteral("LabelTip"))),
              QStringLiteral("正在备份联系人..."));
    ASSERT_TRUE(test::WaitFor([&] { return !window_->IsProgressShown(); }, 10000));
    ASSERT_NE(test::Opened<CMessageBox>(), nullptr);
    EXPECT_EQ(test::Opened<CMessageBox>()->GetText(), QStringLiteral("网络超时，请稍后再试......"));

    // Ended in time, there is no notice.
    test::Opened<CMessageBox>()->Close();
    test::ProcessEvents();
    ASSERT_TRUE(progress.Start(CloudProgress::Chain::Sync, 1));
    progress.End(CloudProgress::Chain::Sync);
    EXPECT_FALSE(window_->IsProgressShown());
    QTest::qWait(1300);
    EXPECT_EQ(test::Opened<CMessageBox>(), nullptr);
}

TEST_F(MainWindowTest, NothingHappensOnceExitHasBegun) {
    window_->Sink().ShowTip(QStringLiteral("一"));
    CDuiMenu* menu = OpenMenu();
    ASSERT_NE(menu, nullptr);
    window_->OpenExitConfirmation();
    auto* exit = test::Opened<CSettingExit>();
    ASSERT_NE(exit, nullptr);
    QTest::mouseClick(Button(exit, QStringLiteral("退出")), Qt::LeftButton);
    EXPECT_TRUE(window_->IsExiting());
    EXPECT_FALSE(window_->isVisible());
    EXPECT_TRUE(window_->Core().IsShuttingDown());

    // Late events: clicks on a menu still open, notices, frames, toggles, a second exit.
    QTest::mouseClick(test::Control<QPushButton>(menu, QStringLiteral("menu_proxy")),
                      Qt::LeftButton);
    window_->Sink().ShowTip(QStringLiteral("二"));
    window_->SetDeviceIndicator(true);
    window_->Settings().OpenIP();
    window_->ShowProgress();
    EXPECT_FALSE(window_->ToggleScreenOff());
    window_->Exit();
    QGuiApplication::clipboard()->setText(QStringLiteral("13800000000"));
    test::ProcessEvents();
    EXPECT_EQ(test::Opened<CSettingProxy>(), nullptr);
    EXPECT_EQ(test::Opened<CSettingIP>(), nullptr);
    EXPECT_FALSE(window_->IsProgressShown());
    EXPECT_EQ(test::Opened<CTopCall>(), nullptr);
}

TEST(QuickDialOnTheBox, TheLandlineButtonMakesTheBoxReceiveTheDialFrame) {
    App();
    test::BoxSim box({"--area-code", "010"});
    ASSERT_TRUE(box.Running());
    QTemporaryDir home;
    AppConfig config;
    config.documentsFolder = home.path();
    config.dataFolder = QStringLiteral(TAMBERLINK_BIN_DIR "/Data");
    AppCore core(config);
    CMainWndUI window(core);
    window.Start(QString::fromStdString(box.PortPath()));
    ASSERT_TRUE(test::WaitFor([&] { return window.Core().IsBoxConnected(); }, 30000));
    auto* device = test::Control<CButtonUI>(&window, QStringLiteral("ButtonLinkDevice"));
    EXPECT_TRUE(test::WaitFor(
        [&] { return device->GetForeImage().contains(QLatin1String("btnDeviceConn.png")); }));
    ASSERT_TRUE(test::WaitFor([&] { return window.Core().Settings().AreaCode() == "010"; }));

    ASSERT_TRUE(window.ToggleScreenOff());
    QGuiApplication::clipboard()->setText(QStringLiteral("Tel: +86 138-0000-0000"));
    ASSERT_TRUE(test::WaitFor([] { return test::Opened<CTopCall>() != nullptr; }));
    CTopCall* popup = test::Opened<CTopCall>();
    EXPECT_EQ(popup->Number(), QStringLiteral("+8613800000000"));
    QTest::mouseClick(test::Control<QPushButton>(popup, QStringLiteral("ButtonTel")),
                      Qt::LeftButton);
    const auto dialled = [&] {
        for (const std::string& line : box.LinesStartingWith("dial-landline ")) {
            if (line.find("13800000000") != std::string::npos) {
                return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(test::WaitFor(dialled, 30000));
    EXPECT_TRUE(box.LinesStartingWith("rx A6 ").empty()); // nothing went to the phone
}

TEST_F(MainWindowTest, TrayMenuShowsTheWindowAndExits) {
    QMenu* menu = window_->Tray().Menu();
    ASSERT_EQ(menu->actions().size(), 3);
    EXPECT_EQ(menu->actions().at(1)->text(), QStringLiteral("显示"));
    EXPECT_EQ(menu->actions().at(2)->text(), QStringLiteral("退出"));

    // Without a tray (as here) minimising keeps the window reachable instead of hiding it.
    QTest::mouseClick(test::Control<QPushButton>(window_, QStringLiteral("btnMin")),
                      Qt::LeftButton);
    EXPECT_FALSE(window_->isHidden());
    menu->actions().at(1)->trigger();
    EXPECT_TRUE(window_->isVisible());
    EXPECT_FALSE(window_->isMinimized());

    // The tray's screen-capture item toggles as Ctrl+F10 does.
    menu->actions().at(0)->trigger();
    EXPECT_EQ(window_->Core().Settings().ScreenOff(), 1);
    EXPECT_EQ(menu->actions().at(0)->text(), QStringLiteral("取词: 开 (Ctrl + F10)"));

    menu->actions().at(2)->trigger();
    EXPECT_TRUE(window_->IsExiting());
    EXPECT_TRUE(window_->Core().IsShuttingDown());
}

// The window resizes from its corner, no smaller than its skin; the lists take the room; it
// opens again where and as large as it was left.
TEST_F(MainWindowTest, TheWindowResizesAndOpensWhereItWasLeft) {
    EXPECT_EQ(window_->minimumSize(), QSize(902, 602));
    EXPECT_NE(window_->findChild<QSizeGrip*>(), nullptr);
    auto* records = window_->RecordPage()->findChild<QListView*>(QStringLiteral("ListRecord"));
    ASSERT_NE(records, nullptr);
    const QSize listBefore = records->size();
    auto* search =
        test::Control(window_, QStringLiteral("LayoutHeader"))
            ->findChild<QWidget*>(QStringLiteral("ButtonSerch"), Qt::FindDirectChildrenOnly);
    const int searchFromRight = window_->width() - search->geometry().right();

    window_->setGeometry(QRect(window_->pos() + QPoint(20, 10), QSize(1100, 750)));
    test::ProcessEvents();
    EXPECT_EQ(records->size(), listBefore + QSize(198, 148));
    EXPECT_EQ(window_->width() - search->geometry().right(), searchFromRight);
    window_->resize(400, 300);
    EXPECT_EQ(window_->size(), QSize(902, 602));
    window_->resize(1100, 750);
    const QRect left = window_->geometry();

    StopWindow();
    StartWindow(std::nullopt);
    EXPECT_EQ(window_->geometry(), left);
}

// Qt's own texts (the edit menu, the file dialog) speak the user's language.
TEST(QtTexts, FollowTheSystemsLanguage) {
    App();
    const QtTranslations chinese(QLocale(QLocale::Chinese, QLocale::China));
    if (!chinese.Loaded()) {
        GTEST_SKIP() << "Qt's translations (qt6-translations-l10n) are not installed";
    }
    QLineEdit edit;
    const std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList texts;
    for (QAction* action : menu->actions()) {
        texts << action->text();
    }
    EXPECT_TRUE(texts.join(u' ').contains(QStringLiteral("撤消")))
        << texts.join(u' ').toStdString();
    EXPECT_FALSE(texts.join(u' ').contains(QStringLiteral("Undo")));
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    QStringList labels;
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        labels << label->text();
    }
    EXPECT_FALSE(labels.join(u' ').contains(QStringLiteral("Look in")))
        << labels.join(u' ').toStdString();
}

// "开机启动" writes the desktop's autostart entry and takes it away; started from it the
// window waits in the tray, or minimised where there is none.
TEST_F(MainWindowTest, StartAtLoginWritesTheAutostartEntryAndStartsInTheTray) {
    // The desktop's configuration folder, a temporary one while the test runs.
    struct ConfigHome {
        QTemporaryDir folder;
        QByteArray saved = qgetenv("XDG_CONFIG_HOME");
        ConfigHome() { qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder.path())); }
        ~ConfigHome() {
            if (saved.isNull()) {
                qunsetenv("XDG_CONFIG_HOME");
            } else {
                qputenv("XDG_CONFIG_HOME", saved);
            }
        }
    } config;
    const QString entry =
        config.folder.filePath(QStringLiteral("autostart/com.tamberlink.Tamberlink.desktop"));

    CDuiMenu* menu = OpenMenu();
    ASSERT_NE(menu, nullptr);
    auto* item = test::Control<QPushButton>(menu, QStringLiteral("menu_autostart"));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), QStringLiteral("开机启动: 关"));
    QTest::mouseClick(item, Qt::LeftButton);
    EXPECT_EQ(item->text(), QStringLiteral("开机启动: 开"));
    QFile written(entry);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(written.readAll());
    EXPECT_TRUE(text.startsWith(QStringLiteral("[Desktop Entry]\n"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Exec=") +
                              Autostart::ExecWord(QCoreApplication::applicationFilePath()) +
                              QStringLiteral(" --autostart\n")))
        << text.toStdString();
    menu->Close();
    test::ProcessEvents();
    // The next menu shows it on; turned off, the entry goes.
    menu = OpenMenu();
    item = test::Control<QPushButton>(menu, QStringLiteral("menu_autostart"));
    EXPECT_EQ(item->text(), QStringLiteral("开机启动: 开"));
    QTest::mouseClick(item, Qt::LeftButton);
    EXPECT_EQ(item->text(), QStringLiteral("开机启动: 关"));
    EXPECT_FALSE(QFile::exists(entry));
    menu->Close();
    EXPECT_EQ(Autostart::ExecWord(QStringLiteral("/opt/a b/$x\"tam\"")),
              QStringLiteral("\"/opt/a b/\\\\$x\\\\\"tam\\\\\"\""));

    // Started by the desktop: nothing shows on the screen but the tray icon.
    StopWindow();
    AppConfig started;
    started.documentsFolder = home_.path();
    started.dataFolder = QStringLiteral(TAMBERLINK_BIN_DIR "/Data");
    core_ = std::make_unique<AppCore>(started);
    window_ = std::make_unique<CMainWndUI>(*core_);
    window_->Start(std::nullopt, true);
    test::ProcessEvents();
    EXPECT_TRUE(!window_->isVisible() || window_->isMinimized());
}
