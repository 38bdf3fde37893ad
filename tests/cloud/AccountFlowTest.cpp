#include "CloudFlowFixture.h"

#include <QElapsedTimer>
#include <QFile>

namespace tamberlink::test {
namespace {

using namespace std::chrono_literals;

using AccountFlowTest = CloudFlowTest;

TEST_F(AccountFlowTest, LoginSendsTheHashNotThePasswordAndShowsTheAccount) {
    fake_.AddUser(kAccount, kPassword);
    Account().RequestCodePicture(AccountFlow::kLoginForm);
    ASSERT_TRUE(WaitForEvent(QStringLiteral("picture:0")));
    EXPECT_TRUE(sink_.picture.startsWith(dataRoot_ + QStringLiteral("/vcode_reg_")));
    EXPECT_TRUE(sink_.picture.endsWith(QStringLiteral(".gif")));
    QFile picture(sink_.picture);
    ASSERT_TRUE(picture.open(QIODevice::ReadOnly));
    const QByteArray gif = picture.readAll();
    EXPECT_TRUE(gif.startsWith("GIF89a"));
    EXPECT_TRUE(gif.contains("code=1234"));

    Account().Login(QString::fromLatin1(kAccount), QString::fromLatin1(kPassword),
                    QStringLiteral("1234"), true);
    ASSERT_TRUE(WaitForEvent(QStringLiteral("result:0")));
    EXPECT_TRUE(Account().IsLoggedIn());
    // No name or company stored yet: the account and the default company show.
    EXPECT_TRUE(sink_.Has(QStringLiteral("loggedIn:13800138000|13800138000|公司名称")));

    const Json::Value form = fake_.Requests("api/user")[0]["form"];
    EXPECT_EQ(form["pn"].asString(), kAccount);
    EXPECT_EQ(form["v"].asString(), "1234");
    EXPECT_EQ(form["p"].asString(),
              AccountFlow::LoginHash(QString::fromLatin1(kAccount), QString::fromLatin1(kPassword),
                                     QStringLiteral("1234"))
                  .toStdString());
    EXPECT_EQ(fake_.Requests("api/user")[0]["body"].asString().find(kPassword), std::string::npos);
    // Remembered: the database keeps the login's first hash, not the password.
    EXPECT_EQ(RawDb(seed_.path()).Rows("select account,password,rememberpsd from table_user"),
              "13800138000|md5:" +
                  LoginDigest(QString::fromLatin1(kAccount), QString::fromLatin1(kPassword))
                      .toStdString() +
                  "|1");
}

TEST_F(AccountFlowTest, APasswordNotToBeRememberedIsNotStored) {
    RawDb(seed_.path()).Exec("update table_user set name='王五', company='五金' where id=0");
    fake_.AddUser(kAccount, kPassword);
    Account().RequestCodePicture(AccountFlow::kLoginForm);
    ASSERT_TRUE(WaitForEvent(QStringLiteral("picture:0")));
    Account().Login(QString::fromLatin1(kAccount), QString::fromLatin1(kPassword),
                    QStringLiteral("1234"), false);
    ASSERT_TRUE(WaitForEvent(QStringLiteral("result:0")));
    EXPECT_EQ(RawDb(seed_.path()).Rows("select account,password,rememberpsd from table_user"),
              "13800138000||0");
    EXPECT_TRUE(sink_.Has(QStringLiteral("loggedIn:13800138000|王五|五金")));

    // A refused login stores the account all the same, and does not sign in.
    Account().LogOut();
    EXPECT_TRUE(sink_.Has(QStringLiteral("loggedOut")));
    fake_.AddRule(R"({"path": "api/user", "cmd": "login", "action": "code"})");
    Account().Login(QStringLiteral("13900000000"), QStringLiteral("pw"), QStringLiteral("1"), true);
    ASSERT_TRUE(WaitForEvent(QStringLiteral("tip:登录失败")));
    EXPECT_FALSE(Account().IsLoggedIn());
    EXPECT_EQ(RawDb(seed_.path()).Rows("select account,password,rememberpsd from table_user"),
              "13900000000|md5:" +
                  LoginDigest(QStringLiteral("13900000000"), QStringLiteral("pw")).toStdString() +
                  "|1");
}

TEST_F(AccountFlowTest, LoginRefusalsShowTheirNotices) {
    const struct {
        const char* rule;
        QString tip;
    } rows[] = {
        {R"("action": "code", "code": 1)", QStringLiteral("tip:登录失败")},
        {R"("action": "code", "code": -5, "msg": "ignored")", QStringLiteral("tip:密码或帐号错误")},
        {R"("action": "code", "code": 7, "msg": "x")", QStringLiteral("tip:x")},
        {R"("action": "nonjson")", QStringLiteral("tip:连接服务器失败")},
        {R"("action": "empty")", QStringLiteral("tip:连接服务器失败")},
    };
    for (const auto& row : rows) {
        fake_.AddRule(R"({"path": "api/user", "times": 1, )" + std::string(row.rule) + "}");
        sink_.events.clear();
        Account().Login(QString::fromLatin1(kAccount), QStringLiteral("pw"), QStringLiteral("1"),
                        true);
        ASSERT_TRUE(WaitIdle());
        EXPECT_EQ(sink_.events, QStringList{row.tip});
    }
    // Without a picture code of its session the fake refuses with its own words.
    sink_.events.clear();
    Account().Login(QString::fromLatin1(kAccount), QStringLiteral("pw"), QStringLiteral("1"), true);
    ASSERT_TRUE(WaitForEvent(QStringLiteral("tip:验证码错误")));
    EXPECT_FALSE(Account().IsLoggedIn());
}

TEST_F(AccountFlowTest, RegistrationChecksNumberAndPasswordsBeforeSending) {
    const struct {
        const char* account;
        const char* password;
        const char* repeat;
        QString tip;
    } refused[] = {
        {"1380013800", "12345", "12345", QStringLiteral("tip:请输入正确的手机号")},
        {"23800138000", "12345", "12345", QStringLiteral("tip:请输入正确的手机号")},
        {"13800138000", "1234", "1234", QStringLiteral("tip:请输入5-15位密码")},
        {"13800138000", "12345", "12346", QStringLiteral("tip:请输入5-15位密码")},
    };
    for (const auto& row : refused) {
        sink_.events.clear();
        Account().Register(QString::fromLatin1(row.account), QString::fromLatin1(row.password),
                           QString::fromLatin1(row.repeat), QStringLiteral("1234"));
        EXPECT_EQ(sink_.events, QStringList{row.tip}) << row.account;
    }
    EXPECT_EQ(client_->RunningWorkers(), 0);
    EXPECT_EQ(fake_.Requests("api/user").size(), 0u);

    // A password with the characters that split a form survives the trip and logs in.
    const QString password = QStringLiteral("a&b=c+d%");
    sink_.events.clear();
    Account().RequestCodePicture(AccountFlow::kRegisterForm);
    ASSERT_TRUE(WaitForEvent(QStringLiteral("picture:1")));
    Account().Register(QString::fromLatin1(kAccount), password, password, QStringLiteral("1234"));
    ASSERT_TRUE(WaitForEvent(QStringLiteral("result:1")));
    EXPECT_EQ(Account().Remembered().Offered().account, QString::fromLatin1(kAccount));
    EXPECT_EQ(Account().Remembered().Offered().digest,
              LoginDigest(QString::fromLatin1(kAccount), password));
    EXPECT_EQ(fake_.State()["users"][kAccount].asString(), password.toStdString());
    // Registered: a fresh login picture follows.
    ASSERT_TRUE(WaitForEvent(QStringLiteral("picture:0")));
    Account().Login(QString::fromLatin1(kAccount), password, QStringLiteral("1234"), true);
    ASSERT_TRUE(WaitForEvent(QStringLiteral("result:0")));

    // The same number again: the service's words.
    Account().RequestCodePicture(AccountFlow::kRegisterForm);
    ASSERT_TRUE(WaitFor([&] { return sink_.Count(QStringLiteral("picture:1")) == 2; }));
    Account().Register(QString::fromLatin1(kAccount), password, password, QStringLiteral("1234"));
    ASSERT_TRUE(WaitForEvent(QStringLiteral("tip:该手机号已注册")));
}

TEST_F(AccountFlowTest, ResetStepsKeepTheSessionOfTheirPicture) {
    fake_.AddUser(kAccount, kPassword);
    Account().RequestCodePicture(AccountFlow::kResetForm);
    ASSERT_TRUE(WaitForEvent(QStringLiteral("picture:2")));
    // The picture is fetched twice, the same URL both times.
    const Json::Value pictures = fake_.Requests("api/vcode");
    ASSERT_EQ(pictures.size(), 2u);
    EXPECT_EQ(pictures[0]["query"], pictures[1]["query"]);
    EXPECT_NE(pictures[0]["query"].asString().find("type=forget"), std::string::npos);

    Account().SendResetCode(QString::fromLatin1(kAccount), QStringLiteral("1234"));
    ASSERT_TRUE(WaitForEvent(QStringLiteral("result:2")));

    Account().ResetPassword(QStringLiteral("123456"), QStringLiteral("fresh1"),
                            QStringLiteral("fresh2"));
    EXPECT_TRUE(sink_.Has(QStringLiteral("tip:两次输入的密码不一致")));
    Account().ResetPassword(QStringLiteral("000000"), QStringLiteral("fresh1"),
                            QStringLiteral("fresh1"));
    ASSERT_TRUE(WaitForEvent(QStringLiteral("tip:操作失败，请重试")));
    Account().ResetPassword(QStringLiteral("123456"), QStringLiteral("fresh1"),
                            QStringLiteral("fresh1"));
    ASSERT_TRUE(WaitForEvent(QStringLiteral("result:3")));
    EXPECT_EQ(fake_.State()["users"][kAccount].asString(), "fresh1");
    // The second step named no account: the session cookie of the first did.
    const Json::Value forget = fake_.Requests("api/user");
    EXPECT_EQ(forget[0]["form"].isMember("pn"), false);
    EXPECT_EQ(forget[0]["sid"], fake_.Requests("api/sms")[0]["sid"]);

    // An unknown number is refused at step 1.
    Account().RequestCodePicture(AccountFlow::kResetForm);
    ASSERT_TRUE(WaitFor([&] { return sink_.Count(QStringLiteral("picture:2")) == 2; }));
    Account().SendResetCode(QStringLiteral("13000000000"), QStringLiteral("1234"));
    ASSERT_TRUE(WaitFor([&] { return sink_.Count(QStringLiteral("tip:操作失败，请重试")) == 2; }));
}

TEST_F(AccountFlowTest, PicturePrefetchLeavesTheCallerFree) {
    fake_.AddRule(R"({"path": "api/vcode", "action": "stall", "seconds": 60})");
    QElapsedTimer clock;
    clock.start();
    Account().RequestCodePicture(AccountFlow::kRegisterForm);
    // A blocking fetch would hold the caller for the whole 8 s GET timeout.
    EXPECT_LT(clock.elapsed(), 4000);
    EXPECT_EQ(client_->RunningWorkers(), 1);
    ASSERT_TRUE(WaitFor([&] { return fake_.Requests("api/vcode").size() == 1u; }));
}

TEST_F(AccountFlowTest, ProfileChangesTheLabelsAndTheRow) {
    LogIn();
    Account().ApplyProfile(QStringLiteral("赵六"), QString());
    EXPECT_EQ(sink_.events, QStringList{QStringLiteral("loggedIn:13800138000|赵六|公司名称")});
    Account().ApplyProfile(QString(), QStringLiteral("六六公司"));
    EXPECT_EQ(sink_.events.back(), QStringLiteral("loggedIn:13800138000||六六公司"));
    EXPECT_EQ(RawDb(seed_.path()).Rows("select account,name,company from table_user"),
              "13800138000||六六公司");
}

} // namespace
} // namespace tamberlink::test
