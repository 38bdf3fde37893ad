// The account, backup and sync, version and feedback windows in the main window, against the
// fake cloud service: what the user clicks and types, what the service receives, what the
// windows and the database show afterwards.
#include "../../cloud/FakeCloud.h"
#include "../../cloud/FakeKeyring.h"
#include "../../store/StoreTestSupport.h"
#include "../UiTestSupport.h"

#include "cloud/RememberedPassword.h"
#include "ui/account/CEditSelfInfo.h"
#include "ui/account/CLoginRegUI.h"
#include "ui/contacts/CContactContainer.h"
#include "ui/contacts/ContactListModel.h"
#include "ui/settings/CSettingFeedback.h"
#include "ui/settings/CSettingServer.h"
#include "ui/settings/CSettingUpdate.h"
#include "ui/shell/CDuiMenu.h"
#include "ui/shell/CMainWndUI.h"
#include "ui/shell/CMessageBox.h"
#include "ui/widgets/CButtonUI.h"
#include "ui/widgets/COptionUI.h"
#include "ui/widgets/Controls.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <ctime>
#include <memory>

using namespace tamberlink;
using tamberlink::test::App;

namespace {

constexpr int kDeadlineMs = 30000;
const char* const kAccount = "13800138000";
const char* const kPassword = "secret1";

class CloudWindows : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        QGuiApplication::clipboard()->clear();
        ASSERT_TRUE(fake_.Start());
        fake_.AddUser(kAccount, kPassword);
    }
    void TearDown() override {
        StopWindow();
        fake_.Stop();
    }

    void StartWindow(std::chrono::milliseconds watchdog = {}) {
        AppConfig config;
        config.documentsFolder = home_.path();
        config.dataFolder = QStringLiteral(TAMBERLINK_BIN_DIR "/Data");
        config.localApiPort = 0;
        config.cloudBaseUrl =
            buildAddress_.isEmpty() ? QString::fromStdString(fake_.BaseUrl()) : buildAddress_;
        config.cookieFolder = home_.filePath(QStringLiteral("cookies"));
        config.keyring = keyring_;
        config.cloudWatchdog = watchdog;
        core_ = std::make_unique<AppCore>(config);
        window_ = std::make_unique<CMainWndUI>(*core_);
        window_->Start();
    }
    void StopWindow() {
        window_.reset();
        core_.reset();
        test::ProcessEvents();
    }
    QString DatabasePath() const {
        return home_.filePath(QStringLiteral("Tamberlink/Data/Tamberlink.db"));
    }
    std::string Row(const std::string& sql) { return test::RawDb(DatabasePath()).Rows(sql); }

    static bool WaitFor(const std::function<bool()>& condition) {
        return test::WaitFor(condition, kDeadlineMs);
    }
    static QString Notice() {
        return test::Opened<CMessageBox>() != nullptr ? test::Opened<CMessageBox>()->GetText()
                                                      : QString();
    }
    static bool WaitForNotice(const QString& text) {
        return WaitFor([&] { return Notice() == text; });
    }
    // The button of the account panels that reads `text`.
    QPushButton* MainButton(const QString& text) {
        QWidget* panels = test::Control(window_, QStringLiteral("LayoutAccount"));
        for (auto* button : panels->findChildren<QPushButton*>()) {
            if (button->text() == text) {
                return button;
            }
        }
        return nullptr;
    }
    void Click(QWidget* control) {
        ASSERT_NE(control, nullptr);
        QTest::mouseClick(control, Qt::LeftButton);
    }
    void Click(WindowImplBase* window, const char* name) {
        auto* control = test::Control(window, QString::fromLatin1(name));
        ASSERT_NE(control, nullptr) << name;
        ASSERT_TRUE(control->isVisible()) << name;
        QTest::mouseClick(control, Qt::LeftButton);
    }
    static void Type(WindowImplBase* window, const char* edit, const QString& text) {
        auto* control = test::Control<QLineEdit>(window, QString::fromLatin1(edit));
        ASSERT_NE(control, nullptr) << edit;
        control->selectAll();
        test::TypeText(control, text);
    }
    static QString Text(WindowImplBase* window, const char* name) {
        return ControlText(test::Control(window, QString::fromLatin1(name)));
    }
    static bool Shows(WindowImplBase* window, const char* name) {
        QWidget* control = test::Control(window, QString::fromLatin1(name));
        return control != nullptr && control->isVisibleTo(window);
    }
    static bool HasPicture(CLoginRegUI* dialog, const char* button) {
        return !test::Control<CButtonUI>(dialog, QString::fromLatin1(button))
                    ->GetBkImage()
                    .isEmpty();
    }
    bool LoggedIn() { return Shows(window_.get(), "PanelLogin"); }
    std::size_t RequestCount(const std::string& path, const std::string& cmd) {
        std::size_t count = 0;
        for (const Json::Value& request : fake_.Requests(path)) {
            const std::string sent = request["form"].get("cmd", request["query"]).asString();
            count += sent.find(cmd) != std::string::npos ? 1 : 0;
        }
        return count;
    }
    void Release(int count = 1) {
        Json::Value body;
        body["count"] = count;
        fake_.Control("release", body);
    }

    // "登 录": the account window on its login panel with its picture code.
    CLoginRegUI* OpenLogin() {
        Click(MainButton(QStringLiteral("登 录")));
        CLoginRegUI* dialog = test::Opened<CLoginRegUI>();
        EXPECT_NE(dialog, nullptr);
        if (dialog != nullptr) {
            EXPECT_TRUE(WaitFor([&] { return HasPicture(dialog, "LOG_BUTTON_CODE"); }));
        }
        return dialog;
    }
    // Logs in through the window with the typed password.
    void LogIn(bool remember = false) {
        CLoginRegUI* dialog = OpenLogin();
        ASSERT_NE(dialog, nullptr);
        Type(dialog, "LOG_EDIT_ACCOUNT", QString::fromLatin1(kAccount));
        Type(dialog, "LOG_EDIT_PSD", QString::fromLatin1(kPassword));
        Type(dialog, "LOG_EDIT_CODE", QStringLiteral("1234"));
        auto* box = test::Control<COptionUI>(dialog, QStringLiteral("LOG_CHECK_REMEMBER"));
        ASSERT_NE(box, nullptr);
        if (box->IsSelected() != remember) {
            Click(box);
        }
        Click(dialog, "LOG_BUTTON_LOGIN");
        ASSERT_TRUE(WaitFor([&] { return LoggedIn(); }));
    }
    // Stores contacts (name, phone) in the user's database.
    void AddContacts(int count) {
        test::RawDb db(DatabasePath());
        db.Exec("begin");
        for (int i = 0; i < count; ++i) {
            db.Exec(
                "insert into table_contact(name, phone, head, email, company, home, other, cid, "
                "datetime, attribution, nameindex) values('联系人" +
                std::to_string(i) + "', '139" + std::to_string(10000000 + i) +
                "', '', '', '', '', '', '', '2016-01-01', '', '')");
        }
        db.Exec("commit");
    }

    QTemporaryDir home_;
    test::FakeCloud fake_;
    QString buildAddress_; // the address the program was built with; the fake's when empty
    std::shared_ptr<test::FakeKeyring> keyring_;
    std::unique_ptr<AppCore> core_;
    std::unique_ptr<CMainWndUI> window_;
};

} // namespace

TEST_F(CloudWindows, LoginShowsThePictureSignsInAndRemembersNoPasswordInClear) {
    StartWindow();
    CLoginRegUI* dialog = OpenLogin();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->pos(), CLoginRegUI::kPosition);
    EXPECT_EQ(Text(dialog, "labelTitle"), QStringLiteral("登录"));
    EXPECT_TRUE(Shows(dialog, "PanelLogin"));
    EXPECT_FALSE(Shows(dialog, "PanelReg"));
    // A second "登 录" keeps the one window.
    Click(MainButton(QStringLiteral("登 录")));
    EXPECT_EQ(window_->findChildren<CLoginRegUI*>().size(), 1);

    // The form's limits: digits only for the number and the code.
    Type(dialog, "LOG_EDIT_ACCOUNT", QStringLiteral("１３８abc中文13800138000999"));
    EXPECT_EQ(Text(dialog, "LOG_EDIT_ACCOUNT"), QStringLiteral("13800138000"));
    EXPECT_EQ(test::Control<QLineEdit>(dialog, QStringLiteral("LOG_EDIT_PSD"))->echoMode(),
              QLineEdit::Password);

    LogIn(true);
    EXPECT_EQ(test::Opened<CLoginRegUI>(), nullptr);
    EXPECT_EQ(Text(window_.get(), "LabelAccount"), QString::fromLatin1(kAccount));
    EXPECT_EQ(Text(window_.get(), "LabelName"), QString::fromLatin1(kAccount));
    EXPECT_EQ(Text(window_.get(), "LabelCompany"), QStringLiteral("公司名称"));
    EXPECT_FALSE(Shows(window_.get(), "PanelLogout"));

    // Remembered, yet the database holds the login's first hash and nowhere the password.
    EXPECT_EQ(Row("select account,password,rememberpsd from table_user"),
              std::string(kAccount) + "|md5:" +
                  LoginDigest(QString::fromLatin1(kAccount), QString::fromLatin1(kPassword))
                      .toStdString() +
                  "|1");
    QFile file(DatabasePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_FALSE(file.readAll().contains(kPassword));

    Click(MainButton(QStringLiteral("注销")));
    EXPECT_TRUE(Shows(window_.get(), "PanelLogout"));
    EXPECT_FALSE(LoggedIn());
}

TEST_F(CloudWindows, RefusedLoginsShowTheirNoticeAndKeepTheForm) {
    StartWindow();
    CLoginRegUI* dialog = OpenLogin();
    ASSERT_NE(dialog, nullptr);
    Type(dialog, "LOG_EDIT_ACCOUNT", QString::fromLatin1(kAccount));
    Type(dialog, "LOG_EDIT_PSD", QStringLiteral("wrong"));
    Type(dialog, "LOG_EDIT_CODE", QStringLiteral("1234"));
    fake_.AddRule(R"({"path": "api/user", "cmd": "login", "action": "code", "code": -5,
                      "times": 1})");
    Click(dialog, "LOG_BUTTON_LOGIN");
    ASSERT_TRUE(WaitForNotice(QStringLiteral("密码或帐号错误")));
    EXPECT_EQ(test::Opened<CLoginRegUI>(), dialog);
    EXPECT_EQ(Text(dialog, "LOG_EDIT_ACCOUNT"), QString::fromLatin1(kAccount));
    EXPECT_FALSE(LoggedIn());

    // A reply that is not JSON.
    fake_.AddRule(R"({"path": "api/user", "cmd": "login", "action": "nonjson", "times": 1})");
    Click(dialog, "LOG_BUTTON_LOGIN");
    ASSERT_TRUE(WaitForNotice(QStringLiteral("连接服务器失败")));
}

TEST_F(CloudWindows, RegistrationChecksItsFieldsThenOffersTheNewAccount) {
    StartWindow();
    Click(MainButton(QStringLiteral("注 册")));
    CLoginRegUI* dialog = test::Opened<CLoginRegUI>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Text(dialog, "labelTitle"), QStringLiteral("注册"));
    EXPECT_TRUE(Shows(dialog, "PanelReg"));
    ASSERT_TRUE(WaitFor([&] { return HasPicture(dialog, "REG_BUTTON_CODE"); }));

    const struct {
        const char* account;
        const char* password;
        const char* repeat;
        QString notice;
    } refused[] = {
        {"1380013800", "pass12", "pass12", QStringLiteral("请输入正确的手机号")},
        {"23800138000", "pass12", "pass12", QStringLiteral("请输入正确的手机号")},
        {"13912345678", "pass", "pass", QStringLiteral("请输入5-15位密码")},
        {"13912345678", "pass12", "pass13", QStringLiteral("请输入5-15位密码")},
    };
    for (const auto& row : refused) {
        if (CMessageBox* box = test::Opened<CMessageBox>()) {
            box->Close();
        }
        Type(dialog, "REG_EDIT_ACCOUNT", QString::fromLatin1(row.account));
        Type(dialog, "REG_EDIT_PSD", QString::fromLatin1(row.password));
        Type(dialog, "REG_EDIT_PSD1", QString::fromLatin1(row.repeat));
        Click(dialog, "REG_BUTTON_REG");
        EXPECT_EQ(Notice(), row.notice) << row.account;
    }
    EXPECT_EQ(RequestCount("api/user", "reg"), 0u);

    // Accepted: the login form offers the new account and its password.
    Type(dialog, "REG_EDIT_PSD1", QStringLiteral("pass12"));
    Type(dialog, "REG_EDIT_CODE", QStringLiteral("1234"));
    Click(dialog, "REG_BUTTON_REG");
    ASSERT_TRUE(WaitFor([&] { return Shows(dialog, "PanelLogin"); }));
    EXPECT_EQ(fake_.State()["users"]["13912345678"].asString(), "pass12");
    EXPECT_EQ(Text(dialog, "LOG_EDIT_ACCOUNT"), QStringLiteral("13912345678"));
    EXPECT_TRUE(dialog->UsesRememberedPassword());
    EXPECT_EQ(test::Control<QLineEdit>(dialog, QStringLiteral("LOG_EDIT_PSD"))->placeholderText(),
              QStringLiteral("已记住密码"));
    ASSERT_TRUE(WaitFor([&] { return HasPicture(dialog, "LOG_BUTTON_CODE"); }));
    Type(dialog, "LOG_EDIT_CODE", QStringLiteral("1234"));
    Click(dialog, "LOG_BUTTON_LOGIN");
    ASSERT_TRUE(WaitFor([&] { return LoggedIn(); }));
    EXPECT_EQ(Text(window_.get(), "LabelAccount"), QStringLiteral("13912345678"));
}

TEST_F(CloudWindows, TheTwoResetStepsEndOnTheLoginPanel) {
    StartWindow();
    CLoginRegUI* dialog = OpenLogin();
    ASSERT_NE(dialog, nullptr);
    Click(dialog, "LOG_BUTTON_FIND");
    EXPECT_TRUE(Shows(dialog, "PanelFindPSD1"));
    EXPECT_FALSE(Shows(dialog, "PanelLogin"));
    ASSERT_TRUE(WaitFor([&] { return HasPicture(dialog, "FIND_PSD1_BUTTON_CODE"); }));
    Type(dialog, "FIND_PSD1_EDIT_ACCOUNT", QString::fromLatin1(kAccount));
    Type(dialog, "FIND_PSD1_EDIT_CODE", QStringLiteral("1234"));
    Click(dialog, "FIND_PSD1_BUTTON_GET");
    ASSERT_TRUE(WaitFor([&] { return Shows(dialog, "PanelFindPSD2"); }));

    Type(dialog, "FIND_PSD2_EDIT_CODE", QStringLiteral("123456"));
    Type(dialog, "FIND_PSD2_EDIT_PSD1", QStringLiteral("654321"));
    Type(dialog, "FIND_PSD2_EDIT_PSD2", QStringLiteral("654320"));
    Click(dialog, "FIND_PSD2_BUTTON_POST");
    EXPECT_EQ(Notice(), QStringLiteral("两次输入的密码不一致"));
    Type(dialog, "FIND_PSD2_EDIT_PSD2", QStringLiteral("654321"));
    Click(dialog, "FIND_PSD2_BUTTON_POST");
    ASSERT_TRUE(WaitFor([&] { return Shows(dialog, "PanelLogin"); }));
    EXPECT_FALSE(Shows(dialog, "PanelFindPSD2"));
    EXPECT_EQ(fake_.State()["users"][kAccount].asString(), "654321");

    // Back from the first step without resetting.
    Click(dialog, "LOG_BUTTON_FIND");
    Click(dialog, "FIND_PSD1_BUTTON_BACK");
    EXPECT_TRUE(Shows(dialog, "PanelLogin"));
}

TEST_F(CloudWindows, ProfileEditChangesTheLabelsAndTheRow) {
    StartWindow();
    LogIn();
    Click(MainButton(QStringLiteral("编辑")));
    CEditSelfInfo* profile = test::Opened<CEditSelfInfo>();
    ASSERT_NE(profile, nullptr);
    // Nothing stored yet: the labels' stand-ins are not offered as the user's data.
    EXPECT_EQ(Text(profile, "editName"), QString());
    EXPECT_EQ(Text(profile, "editCompany"), QString());
    Type(profile, "editName", QStringLiteral("王五"));
    Type(profile, "editCompany", QStringLiteral("五金公司"));
    Click(profile, "btnOk");
    EXPECT_TRUE(profile->IsClosing());
    EXPECT_EQ(Text(window_.get(), "LabelName"), QStringLiteral("王五"));
    EXPECT_EQ(Text(window_.get(), "LabelCompany"), QStringLiteral("五金公司"));
    EXPECT_EQ(Row("select account,name,company from table_user"),
              std::string(kAccount) + "|王五|五金公司");
    test::ProcessEvents();

    // The stored profile comes back; an empty company shows the stand-in.
    Click(MainButton(QStringLiteral("编辑")));
    profile = test::Opened<CEditSelfInfo>();
    ASSERT_NE(profile, nullptr);
    EXPECT_EQ(Text(profile, "editName"), QStringLiteral("王五"));
    test::Control<QLineEdit>(profile, QStringLiteral("editCompany"))->clear();
    Click(profile, "btnOk");
    EXPECT_EQ(Text(window_.get(), "LabelCompany"), QStringLiteral("公司名称"));
    EXPECT_EQ(Row("select company from table_user"), "");
    test::ProcessEvents();

    // "btnCancel" changes nothing.
    Click(MainButton(QStringLiteral("编辑")));
    profile = test::Opened<CEditSelfInfo>();
    ASSERT_NE(profile, nullptr);
    Type(profile, "editName", QStringLiteral("赵六"));
    Click(profile, "btnCancel");
    EXPECT_EQ(Text(window_.get(), "LabelName"), QStringLiteral("王五"));
}

TEST_F(CloudWindows, BackupOf250ContactsShowsItsProgress) {
    StartWindow();
    Click(test::Control(window_, QStringLiteral("ButtonUpload")));
    EXPECT_EQ(Notice(), QStringLiteral("请登录后再备份联系人"));
    Click(test::Control(window_, QStringLiteral("ButtonDownload")));
    EXPECT_EQ(Notice(), QStringLiteral("请登录后再同步联系人"));
    EXPECT_EQ(RequestCount("api/contact", ""), 0u);

    LogIn();
    AddContacts(250);
    // Each request of the chain waits until the test has seen its progress text.
    fake_.AddRule(R"({"path": "api/contact", "action": "hold", "times": 5})");
    auto* tip = test::Control<QLabel>(window_, QStringLiteral("LabelTip"));
    Click(test::Control(window_, QStringLiteral("ButtonUpload")));
    EXPECT_TRUE(window_->IsProgressShown());
    EXPECT_EQ(tip->text(), QStringLiteral("正在校验云端联系人"));
    // Started twice: the running backup goes on alone.
    Click(test::Control(window_, QStringLiteral("ButtonUpload")));
    Release(); // the old cloud copy, read before it is cleared
    for (const char* percent : {"0", "40", "80"}) {
        Release();
        const QString text = QStringLiteral("正在备份联系人 %1%").arg(QLatin1String(percent));
        ASSERT_TRUE(WaitFor([&] { return tip->text() == text; })) << percent;
    }
    Release();
    ASSERT_TRUE(WaitForNotice(QStringLiteral("备份成功")));
    EXPECT_FALSE(window_->IsProgressShown());
    EXPECT_EQ(RequestCount("api/contact", "delRange"), 1u);
    EXPECT_EQ(fake_.State()["contacts"][kAccount].size(), 250u);
}

TEST_F(CloudWindows, SyncAddsTheCloudContacts) {
    StartWindow();
    LogIn();
    Json::Value contacts;
    contacts["account"] = kAccount;
    for (int i = 0; i < 25; ++i) {
        Json::Value contact;
        contact["name"] = "云联系人" + std::to_string(i);
        contact["number"] = "137" + std::to_string(10000000 + i);
        contacts["contacts"].append(contact);
    }
    contacts["contacts"][0]["number"] = "13710000000;13799999999";
    fake_.Control("contacts", contacts);

    Click(test::Control(window_, QStringLiteral("ButtonDownload")));
    EXPECT_TRUE(window_->IsProgressShown());
    Click(test::Control(window_, QStringLiteral("ButtonDownload")));
    ASSERT_TRUE(WaitForNotice(QStringLiteral("同步联系人成功")));
    EXPECT_FALSE(window_->IsProgressShown());
    const std::vector<ContactRecord> stored = core_->LoadContacts();
    ASSERT_EQ(stored.size(), 26u);
    EXPECT_EQ(Row("select count(*) from table_contact where name='云联系人0'"), "2");
    // Two pages of 20, the first asked for once.
    EXPECT_EQ(RequestCount("api/contact", "all"), 2u);
}

TEST_F(CloudWindows, AStalledServiceEndsWithTheWatchdog) {
    StartWindow(std::chrono::milliseconds(1500));
    LogIn();
    fake_.AddRule(R"({"path": "api/contact", "cmd": "all", "action": "hold", "seconds": 120})");
    Click(test::Control(window_, QStringLiteral("ButtonDownload")));
    EXPECT_TRUE(window_->IsProgressShown());
    ASSERT_TRUE(WaitForNotice(QStringLiteral("网络超时，请稍后再试......")));
    EXPECT_FALSE(window_->IsProgressShown());
}

TEST_F(CloudWindows, LoginReplyAfterTheWindowClosedSignsInWithoutIt) {
    StartWindow();
    CLoginRegUI* dialog = OpenLogin();
    ASSERT_NE(dialog, nullptr);
    Type(dialog, "LOG_EDIT_ACCOUNT", QString::fromLatin1(kAccount));
    Type(dialog, "LOG_EDIT_PSD", QString::fromLatin1(kPassword));
    Type(dialog, "LOG_EDIT_CODE", QStringLiteral("1234"));
    fake_.AddRule(R"({"path": "api/user", "cmd": "login", "action": "hold", "times": 1})");
    Click(dialog, "LOG_BUTTON_LOGIN");
    Click(dialog, "btnClosed");
    test::ProcessEvents();
    ASSERT_EQ(test::Opened<CLoginRegUI>(), nullptr);
    Release();
    ASSERT_TRUE(WaitFor([&] { return LoggedIn(); }));
    EXPECT_EQ(Text(window_.get(), "LabelAccount"), QString::fromLatin1(kAccount));
    test::ProcessEvents();
    EXPECT_TRUE(window_->findChildren<CLoginRegUI*>().isEmpty());
}

TEST_F(CloudWindows, PictureCodesThatAreNoPicturesShowNone) {
    StartWindow();
    CLoginRegUI* dialog = OpenLogin();
    ASSERT_NE(dialog, nullptr);
    const auto pictureAfter = [&](const std::string& rule) {
        fake_.AddRule(rule);
        const std::size_t before = fake_.Requests("api/vcode").size();
        Click(dialog, "LOG_BUTTON_CHANGE");
        EXPECT_TRUE(WaitFor([&] { return fake_.Requests("api/vcode").size() == before + 1; }));
    };
    pictureAfter(R"({"path": "api/vcode", "action": "nonjson", "times": 1})");
    ASSERT_TRUE(WaitFor([&] { return !HasPicture(dialog, "LOG_BUTTON_CODE"); }));
    Click(dialog, "LOG_BUTTON_CODE"); // the picture itself asks for another
    ASSERT_TRUE(WaitFor([&] { return HasPicture(dialog, "LOG_BUTTON_CODE"); }));
    pictureAfter(R"({"path": "api/vcode", "action": "empty", "times": 1})");
    ASSERT_TRUE(WaitFor([&] { return !HasPicture(dialog, "LOG_BUTTON_CODE"); }));
    Click(dialog, "LOG_BUTTON_CHANGE");
    ASSERT_TRUE(WaitFor([&] { return HasPicture(dialog, "LOG_BUTTON_CODE"); }));

    // 20 MB is no picture code: the transfer is given up, and the button offers another.
    pictureAfter(R"({"path": "api/vcode", "action": "huge", "size": 20971520, "times": 1})");
    ASSERT_TRUE(WaitFor([&] { return !HasPicture(dialog, "LOG_BUTTON_CODE"); }));
    EXPECT_EQ(test::Control<QPushButton>(dialog, QStringLiteral("LOG_BUTTON_CODE"))->text(),
              QStringLiteral("点击重试"));
    Click(dialog, "LOG_BUTTON_CODE");
    ASSERT_TRUE(WaitFor([&] { return HasPicture(dialog, "LOG_BUTTON_CODE"); }));
    // A picture file that cannot be written shows nothing new and breaks nothing.
    const QDir root(home_.filePath(QStringLiteral("Tamberlink")));
    const qint64 now = std::time(nullptr);
    for (qint64 t = now - 5; t < now + 120; ++t) {
        const QString name = QStringLiteral("vcode_reg_%1.gif").arg(t);
        QFile::remove(root.filePath(name));
        ASSERT_TRUE(root.mkpath(name));
    }
    const std::size_t before = fake_.Requests("api/vcode").size();
    Click(dialog, "LOG_BUTTON_CHANGE");
    ASSERT_TRUE(WaitFor([&] { return fake_.Requests("api/vcode").size() == before + 1; }));
    test::WaitFor([] { return false; }, 500); // lets the reply arrive
    EXPECT_TRUE(HasPicture(dialog, "LOG_BUTTON_CODE"));
    EXPECT_EQ(test::Opened<CLoginRegUI>(), dialog);
}

TEST_F(CloudWindows, TheRememberedPasswordIsOfferedUntilAnotherIsTyped) {
    keyring_ = std::make_shared<test::FakeKeyring>();
    StartWindow();
    StopWindow();
    // A database of an earlier version holds the password in clear.
    test::RawDb(DatabasePath())
        .Exec("update table_user set account='13800138000', password='secret1', rememberpsd=1");
    StartWindow();
    const std::string marker = RememberedPassword::KeyringMarker().toStdString();
    ASSERT_TRUE(WaitFor([&] { return Row("select password from table_user") == marker; }));
    EXPECT_EQ(keyring_->entries.values(), QStringList{QString::fromLatin1(kPassword)});
    QFile file(DatabasePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_FALSE(file.readAll().contains(kPassword));

    StopWindow();
    const int answered = keyring_->answered;
    StartWindow();
    ASSERT_TRUE(WaitFor([&] { return keyring_->answered > answered; }));
    CLoginRegUI* dialog = OpenLogin();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Text(dialog, "LOG_EDIT_ACCOUNT"), QString::fromLatin1(kAccount));
    EXPECT_EQ(Text(dialog, "LOG_EDIT_PSD"), QString());
    EXPECT_TRUE(dialog->UsesRememberedPassword());
    EXPECT_TRUE(
        test::Control<COptionUI>(dialog, QStringLiteral("LOG_CHECK_REMEMBER"))->IsSelected());
    EXPECT_TRUE(
        test::Control<COptionUI>(dialog, QStringLiteral("REG_CHECK_REMEMBER"))->IsSelected());
    Type(dialog, "LOG_EDIT_CODE", QStringLiteral("1234"));
    Click(dialog, "LOG_BUTTON_LOGIN");
    ASSERT_TRUE(WaitFor([&] { return LoggedIn(); }));
    EXPECT_EQ(Row("select password from table_user"), marker);

    // Typing a password gives the remembered one up.
    Click(MainButton(QStringLiteral("注销")));
    dialog = OpenLogin();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->UsesRememberedPassword());
    test::TypeText(test::Control<QLineEdit>(dialog, QStringLiteral("LOG_EDIT_PSD")),
                   QStringLiteral("x"));
    EXPECT_FALSE(dialog->UsesRememberedPassword());
    EXPECT_EQ(test::Control<QLineEdit>(dialog, QStringLiteral("LOG_EDIT_PSD"))->placeholderText(),
              QStringLiteral("请输入密码"));
}

TEST_F(CloudWindows, ANewerVersionOpensTheUpdateWindow) {
    test::UrlRecorder browser;
    Json::Value config;
    config["version"]["num"] = "1.0.6";
    config["version"]["url"] = "http://127.0.0.1/tamberlink-1.0.6";
    fake_.Control("config", config);
    StartWindow();
    ASSERT_TRUE(WaitFor([] { return test::Opened<CSettingUpdate>() != nullptr; }));
    CSettingUpdate* update = test::Opened<CSettingUpdate>();
    EXPECT_EQ(update->pos(), CMainWndUI::kDialogPosition);
    EXPECT_EQ(update->Message(), QStringLiteral("发现新版本,建议更新后使用，版本号：1.0.6"));
    QPushButton* button = nullptr;
    for (auto* candidate : update->findChildren<QPushButton*>()) {
        if (candidate->text() == QStringLiteral("立即更新")) {
            button = candidate;
        }
    }
    ASSERT_NE(button, nullptr);
    Click(button);
    EXPECT_EQ(browser.urls, QList<QUrl>{QUrl(QStringLiteral("http://127.0.0.1/tamberlink-1.0.6"))});
    EXPECT_TRUE(update->IsClosing());
    test::ProcessEvents();

    // A check from the menu that finds nothing newer.
    config["version"]["num"] = "1.0.10x";
    config["version"]["url"] = "file:///usr/bin/xterm";
    fake_.Control("config", config);
    window_->OpenMenu(QPoint(100, 100));
    CDuiMenu* menu = window_->findChild<CDuiMenu*>();
    ASSERT_NE(menu, nullptr);
    Click(menu, "menu_update");
    update = test::Opened<CSettingUpdate>();
    ASSERT_NE(update, nullptr);
    EXPECT_EQ(update->Message(), QStringLiteral("点击检查是否有新版本更新"));
    for (auto* candidate : update->findChildren<QPushButton*>()) {
        if (candidate->text() == QStringLiteral("检查更新")) {
            Click(candidate);
        }
    }
    // A newer number with an address that is no web page is no update to offer.
    ASSERT_TRUE(WaitFor([&] {
        return update->Message() == QStringLiteral("没有发现新版本，谢谢对Tamberlink的支持");
    }));
    EXPECT_EQ(browser.urls.size(), 1);
}

TEST_F(CloudWindows, FeedbackThanksAndCloses) {
    StartWindow();
    window_->OpenMenu(QPoint(100, 100));
    CDuiMenu* menu = window_->findChild<CDuiMenu*>();
    ASSERT_NE(menu, nullptr);
    Click(menu, "menu_feedback");
    CSettingFeedback* feedback = test::Opened<CSettingFeedback>();
    ASSERT_NE(feedback, nullptr);
    EXPECT_EQ(feedback->pos(), CMainWndUI::kDialogPosition);
    EXPECT_EQ(Text(feedback, "labelTitle"), QStringLiteral("意见反馈"));
    test::TypeText(feedback->findChild<QTextEdit*>(), QStringLiteral("来电弹屏很好用 & 快"));
    test::TypeText(test::Control<QLineEdit>(feedback, QStringLiteral("EditContact")),
                   QStringLiteral("12345abc6789012345678"));
    for (auto* button : feedback->findChildren<QPushButton*>()) {
        if (button->text() == QStringLiteral("提交")) {
            Click(button);
        }
    }
    ASSERT_TRUE(WaitForNotice(QStringLiteral("提交成功，感谢您的宝贵意见！")));
    EXPECT_EQ(test::Opened<CSettingFeedback>(), nullptr);
    const Json::Value received = fake_.State()["feedback"];
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0]["content"].asString(), "来电弹屏很好用 & 快");
    EXPECT_EQ(received[0]["tel"].asString(), "123456789012345");
}

TEST_F(CloudWindows, HelpVersionAndAboutOpenTheirPages) {
    test::UrlRecorder browser;
    StartWindow();
    Click(test::Control(window_, QStringLiteral("ButtonHelp")));
    Click(test::Control(window_, QStringLiteral("ButtonVersion")));
    window_->OpenMenu(QPoint(100, 100));
    CDuiMenu* menu = window_->findChild<CDuiMenu*>();
    ASSERT_NE(menu, nullptr);
    Click(menu, "menu_about");
    ASSERT_EQ(browser.urls.size(), 3);
    EXPECT_TRUE(browser.urls[0].path().contains(QLatin1String("help")));
    EXPECT_EQ(browser.urls[1].path(), QStringLiteral("/"));
    EXPECT_TRUE(browser.urls[2].path().contains(QLatin1String("about")));
}

// Every cloud action ends with a notice when the service cannot be reached; the service's
// address is a setting of the account area, and it lasts.
TEST_F(CloudWindows, AnUnreachableServerIsToldAndAnotherAddressCanBeSet) {
    buildAddress_ = QStringLiteral("http://127.0.0.1:9/");
    StartWindow();
    const QString noServer = CloudHost::NoServerNotice();
    Click(MainButton(QStringLiteral("登 录")));
    CLoginRegUI* dialog = test::Opened<CLoginRegUI>();
    ASSERT_NE(dialog, nullptr);
    auto* code = test::Control<CButtonUI>(dialog, QStringLiteral("LOG_BUTTON_CODE"));
    ASSERT_TRUE(WaitFor([&] { return code->text() == QStringLiteral("点击重试"); }));
    ASSERT_TRUE(WaitForNotice(noServer));
    test::Opened<CMessageBox>()->Close();
    Type(dialog, "LOG_EDIT_ACCOUNT", QString::fromLatin1(kAccount));
    Type(dialog, "LOG_EDIT_PSD", QString::fromLatin1(kPassword));
    Type(dialog, "LOG_EDIT_CODE", QStringLiteral("1234"));
    Click(dialog, "LOG_BUTTON_LOGIN");
    ASSERT_TRUE(WaitForNotice(noServer));
    EXPECT_FALSE(LoggedIn());

    // "服务器" beside "登 录": an address that is none is refused, the fake's is taken.
    Click(MainButton(QStringLiteral("服务器")));
    auto* server = window_->findChild<CSettingServer*>();
    ASSERT_NE(server, nullptr);
    EXPECT_EQ(server->AddressEdit()->text(), buildAddress_);
    server->AddressEdit()->setText(QStringLiteral("ftp://files.example/"));
    Click(test::ButtonWithText(server, QStringLiteral("确定")));
    EXPECT_TRUE(Notice().startsWith(QStringLiteral("请输入正确的服务器地址")))
        << Notice().toStdString();
    EXPECT_FALSE(server->IsClosing());
    server->AddressEdit()->setText(QString::fromStdString(fake_.BaseUrl()));
    Click(test::ButtonWithText(server, QStringLiteral("确定")));
    EXPECT_TRUE(server->IsClosing());

    // The picture offers another; the login goes to the service now set.
    Click(code);
    ASSERT_TRUE(WaitFor([&] { return HasPicture(dialog, "LOG_BUTTON_CODE"); }));
    EXPECT_TRUE(code->text().isEmpty());
    Click(dialog, "LOG_BUTTON_LOGIN");
    ASSERT_TRUE(WaitFor([&] { return LoggedIn(); }));

    // The next start still talks to it.
    StopWindow();
    StartWindow();
    EXPECT_EQ(core_->CloudServer(), QString::fromStdString(fake_.BaseUrl()));
}

// A backup that fails leaves the cloud copy as it was, and says so; a double click starts one
// backup; contacts brought back show where their numbers belong.
TEST_F(CloudWindows, AFailedBackupKeepsTheCloudCopyAndRestoredContactsKnowTheirPlace) {
    StartWindow();
    LogIn();
    Json::Value old;
    old["name"] = "旧同事";
    old["number"] = "13800000001";
    Json::Value seeded;
    seeded["account"] = kAccount;
    seeded["contacts"].append(old);
    fake_.Control("contacts", seeded);
    AddContacts(3);
    fake_.AddRule(
        R"({"path": "api/contact", "cmd": "addRange", "action": "code", "code": 3, "times": 1})");

    QWidget* upload = test::Control(window_, QStringLiteral("ButtonUpload"));
    QTest::mouseClick(upload, Qt::LeftButton);
    EXPECT_FALSE(upload->isEnabled()); // while the backup runs
    ASSERT_TRUE(WaitForNotice(QStringLiteral("备份失败，云端联系人已恢复原样")));
    EXPECT_FALSE(window_->IsProgressShown());
    EXPECT_TRUE(upload->isEnabled());
    // The second press of the double click starts nothing, however quick the first backup.
    QTest::mouseDClick(upload, Qt::LeftButton);
    QTest::mouseRelease(upload, Qt::LeftButton);
    const auto cloudNames = [&] {
        std::string names;
        const Json::Value state = fake_.State();
        for (const Json::Value& stored : state["contacts"][kAccount]) {
            names += stored["contact"]["name"].asString() + ";";
        }
        return names;
    };
    EXPECT_EQ(cloudNames(), "旧同事;");

    test::Opened<CMessageBox>()->Close();
    Click(test::Control(window_, QStringLiteral("ButtonDownload")));
    ASSERT_TRUE(WaitForNotice(QStringLiteral("同步联系人成功")));
    // Read the old copy, cleared it, cleared it again to put it back: one backup.
    EXPECT_EQ(RequestCount("api/contact", "delRange"), 2u);
    EXPECT_EQ(cloudNames(), "旧同事;");
    const QString where = core_->GetAttribution(QStringLiteral("13800000001"));
    ASSERT_NE(where, QStringLiteral("未知号码"));
    ContactListModel& contacts = window_->ContactPage()->Model();
    ASSERT_TRUE(WaitFor([&] {
        for (int row = 0; row < contacts.EntryCount(); ++row) {
            const ContactRecord* contact = contacts.Contact(row);
            if (contact != nullptr && contact->phone == QStringLiteral("13800000001")) {
                return contact->attribution == where;
            }
        }
        return false;
    }));
}
