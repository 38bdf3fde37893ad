// The prompt that asks the user about a web page using the local API, and the list of the
// answers in the settings.
#include "../UiTestSupport.h"

#include "ui/settings/COriginPrompt.h"
#include "ui/settings/CSettingOrigins.h"
#include "ui/settings/OriginListModel.h"
#include "ui/shell/CMainWndUI.h"
#include "ui/shell/CTipDialog.h"
#include "ui/shell/CTopCall.h"

#include <QListView>
#include <QPushButton>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <QPointer>

#include <chrono>
#include <memory>
#include <optional>

using namespace tamberlink;
using tamberlink::test::ButtonWithText;

namespace {

class WebAccessTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::App();
        AppConfig config;
        config.documentsFolder = home_.path();
        config.dataFolder = QStringLiteral(TAMBERLINK_BIN_DIR "/Data");
        config.localApiPort = 0;
        config.cloudBaseUrl = QStringLiteral("http://127.0.0.1:9/");
        config.webPageAskLimit = std::chrono::milliseconds(3000);
        core_ = std::make_unique<AppCore>(config);
        window_ = std::make_unique<CMainWndUI>(*core_);
        window_->Start();
    }
    void TearDown() override {
        window_.reset();
        core_.reset();
        test::ProcessEvents();
    }

    // Sends a request as a page of `origin` would (or, given no origin, as the browser's own
    // navigation); the reply is read from the socket.
    std::unique_ptr<QTcpSocket> AskAs(const QString& origin,
                                      const QString& request = "/api/record?cmd=mode&value=auto") {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(QStringLiteral("127.0.0.1"), core_->LocalApiPort());
        EXPECT_TRUE(socket->waitForConnected(10000));
        const QString from = origin.isEmpty() ? QStringLiteral("Sec-Fetch-Site: none")
                                              : QStringLiteral("Origin: ") + origin;
        socket->write(QStringLiteral("GET %1 HTTP/1.1\r\n%2\r\nConnection: close\r\n\r\n")
                          .arg(request, from)
                          .toUtf8());
        return socket;
    }
    std::optional<bool> Answer(int record, int use) const {
        return core_->Origins().Origins().at(record).answers[use];
    }
    QByteArray ReplyOf(QTcpSocket& socket) {
        QByteArray reply;
        EXPECT_TRUE(test::WaitFor([&] {
            reply += socket.readAll();
            return socket.state() == QAbstractSocket::UnconnectedState || reply.endsWith('}');
        }));
        return reply;
    }
    COriginPrompt* WaitForPrompt(const QString& origin) {
        EXPECT_TRUE(test::WaitFor([&] { return COriginPrompt::Find(origin) != nullptr; }));
        return COriginPrompt::Find(origin);
    }

    QTemporaryDir home_;
    std::unique_ptr<AppCore> core_;
    std::unique_ptr<CMainWndUI> window_;
};

TEST_F(WebAccessTest, ThePromptNamesThePageAndWhatItWantsAndAllowingServesIt) {
    const QString origin = QStringLiteral("http://crm.example:8080");
    const auto socket = AskAs(origin);
    COriginPrompt* prompt = WaitForPrompt(origin);
    ASSERT_NE(prompt, nullptr);
    EXPECT_TRUE(prompt->isVisible());
    EXPECT_EQ(prompt->windowTitle(), QStringLiteral("网页访问请求"));
    EXPECT_TRUE(prompt->QuestionText().contains(origin));
    EXPECT_TRUE(prompt->QuestionText().contains(QStringLiteral("控制通话录音")));
    // Nothing is done while the user has not answered.
    EXPECT_EQ(core_->Settings().AutoAdmin(), 0);

    QTest::mouseClick(ButtonWithText(prompt, QStringLiteral("允许")), Qt::LeftButton);
    const QByteArray reply = ReplyOf(*socket);
    EXPECT_TRUE(reply.startsWith("HTTP/1.1 200 OK\r\n"));
    EXPECT_TRUE(reply.contains("{\"code\":0, \"msg\":"));
    EXPECT_EQ(core_->Settings().AutoAdmin(), 1);
    test::ProcessEvents();
    EXPECT_EQ(COriginPrompt::Find(origin), nullptr);
    ASSERT_EQ(core_->Origins().Origins().size(), 1u);
    EXPECT_EQ(Answer(0, OriginRecord::kRecord), true);
    EXPECT_FALSE(Answer(0, OriginRecord::kDial).has_value());

    // Remembered for recording: the page's next request is served without a question, and
    // dialling is asked about on its own.
    const auto again = AskAs(origin);
    EXPECT_TRUE(ReplyOf(*again).startsWith("HTTP/1.1 200 OK\r\n"));
    EXPECT_EQ(COriginPrompt::Find(origin), nullptr);
    const auto dial = AskAs(origin, QStringLiteral("/api/call?type=tel&number=1"));
    prompt = WaitForPrompt(origin);
    ASSERT_NE(prompt, nullptr);
    EXPECT_TRUE(prompt->QuestionText().contains(QStringLiteral("拨打电话")));
}

TEST_F(WebAccessTest, APromptGoesWithItsRequestAndALateAnswerDoesNothing) {
    const QString origin = QStringLiteral("http://slow.example");
    const auto socket = AskAs(origin);
    QPointer<COriginPrompt> prompt = WaitForPrompt(origin);
    ASSERT_NE(prompt, nullptr);
    QPushButton* allow = ButtonWithText(prompt, QStringLiteral("允许"));
    // The request gives up unanswered: refused, and its prompt leaves the screen.
    EXPECT_TRUE(ReplyOf(*socket).contains("{\"code\":-1, \"msg\":"));
    EXPECT_TRUE(test::WaitFor([&] { return prompt == nullptr || !prompt->isVisible(); }));
    if (prompt != nullptr && allow != nullptr) {
        QTest::mouseClick(allow, Qt::LeftButton);
    }
    test::ProcessEvents();
    EXPECT_TRUE(core_->Origins().Origins().empty());
    EXPECT_EQ(core_->Settings().AutoAdmin(), 0);
}

TEST_F(WebAccessTest, TheBrowsersOwnNavigationOnlyOffersTheNumberOrAsksBeforeRecording) {
    const auto dial =
        AskAs(QString(), QStringLiteral("/api/call?type=tel&number=+86-138-0000-0000"));
    EXPECT_TRUE(ReplyOf(*dial).contains("{\"code\":0, \"msg\":"));
    ASSERT_TRUE(test::WaitFor([] { return test::Opened<CTopCall>() != nullptr; }));
    EXPECT_EQ(test::Opened<CTopCall>()->Number(), QStringLiteral("13800000000"));
    EXPECT_EQ(COriginPrompt::Find(QString()), nullptr);

    const auto record = AskAs(QString(), QStringLiteral("/api/record?cmd=mode&value=auto"));
    EXPECT_TRUE(ReplyOf(*record).contains("{\"code\":0, \"msg\":"));
    CTipDialog* question = nullptr;
    ASSERT_TRUE(test::WaitFor([&] {
        for (CTipDialog* tip : window_->findChildren<CTipDialog*>()) {
            question = tip->IsClosing() ? question : tip;
        }
        return question != nullptr;
    }));
    EXPECT_EQ(core_->Settings().AutoAdmin(), 0);
    QTest::mouseClick(test::Control<QPushButton>(question, QStringLiteral("ButtonOK")),
                      Qt::LeftButton);
    EXPECT_EQ(core_->Settings().AutoAdmin(), 1);
}

TEST_F(WebAccessTest, ClosingThePromptRefusesTheRequestAndThePageIsAskedAgain) {
    const QString origin = QStringLiteral("https://shop.example");
    const auto socket = AskAs(origin);
    COriginPrompt* prompt = WaitForPrompt(origin);
    ASSERT_NE(prompt, nullptr);
    QTest::mouseClick(test::Control<QPushButton>(prompt, QStringLiteral("btnClosed")),
                      Qt::LeftButton);
    EXPECT_TRUE(ReplyOf(*socket).contains("{\"code\":-1, \"msg\":"));
    EXPECT_EQ(core_->Settings().AutoAdmin(), 0);
    EXPECT_TRUE(core_->Origins().Origins().empty());

    const auto again = AskAs(origin);
    prompt = WaitForPrompt(origin);
    ASSERT_NE(prompt, nullptr);
    QTest::mouseClick(ButtonWithText(prompt, QStringLiteral("拒绝")), Qt::LeftButton);
    EXPECT_TRUE(ReplyOf(*again).contains("{\"code\":-1, \"msg\":"));
    ASSERT_EQ(core_->Origins().Origins().size(), 1u);
    EXPECT_EQ(Answer(0, OriginRecord::kRecord), false);
}

TEST_F(WebAccessTest, TheMenuOpensThePagesWhoseAnswersChangeFollowAndGo) {
    core_->Database().Origins().SaveAnswer(QStringLiteral("http://a.example"), OriginRecord::kDial,
                                           true);
    core_->Database().Origins().SaveAnswer(QStringLiteral("http://b.example"), OriginRecord::kSms,
                                           false);
    core_->Origins().Load();
    ASSERT_TRUE(test::ClickMenuItem(*window_, QStringLiteral("menu_origins")));
    CSettingOrigins* dialog = test::Opened<CSettingOrigins>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    const OriginListModel& model = dialog->Model();
    ASSERT_EQ(model.EntryCount(), 2);
    EXPECT_EQ(model.Entry(0)->origin, QStringLiteral("http://a.example"));
    EXPECT_EQ(model.Entry(0)->answers[OriginRecord::kDial], true);
    EXPECT_TRUE(model.data(model.index(0)).toString().contains(QStringLiteral("✓ 拨号  – 短信")));

    QListView* list = dialog->List();
    // A click `x` pixels from the left of a row (from its right, when negative), `y` below its
    // top.
    const auto click = [&](int row, int x, int y) {
        const QRect rect = list->visualRect(model.index(row));
        const QPoint at(x < 0 ? rect.right() + x : rect.left() + x, rect.top() + y);
        QTest::mouseMove(list->viewport(), at);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    };
    const auto clickRow = [&](int row) {
        click(row, 40, 12);
    };
    // The last purpose of a row, following the calls, is at the right end of its second line:
    // a click allows it, another refuses it.
    click(0, -20, 38);
    EXPECT_EQ(Answer(0, OriginRecord::kEvents), true);
    click(0, -20, 38);
    EXPECT_EQ(Answer(0, OriginRecord::kEvents), false);
    EXPECT_FALSE(model.IsChecked(0));

    clickRow(0);
    EXPECT_TRUE(model.IsChecked(0));
    QTest::mouseClick(ButtonWithText(dialog, QStringLiteral("拒绝")), Qt::LeftButton);
    for (int use = 0; use < OriginRecord::kUses; ++use) {
        EXPECT_EQ(Answer(0, use), false) << use;
    }
    EXPECT_FALSE(model.IsChecked(0));

    // An answer given in a prompt meanwhile shows at once.
    const auto socket = AskAs(QStringLiteral("http://c.example"));
    COriginPrompt* prompt = WaitForPrompt(QStringLiteral("http://c.example"));
    ASSERT_NE(prompt, nullptr);
    QTest::mouseClick(ButtonWithText(prompt, QStringLiteral("允许")), Qt::LeftButton);
    ASSERT_EQ(model.EntryCount(), 3);
    EXPECT_EQ(model.Entry(2)->answers[OriginRecord::kRecord], true);
    clickRow(2);
    QTest::mouseClick(ButtonWithText(dialog, QStringLiteral("删除")), Qt::LeftButton);

    clickRow(1);
    QTest::mouseClick(ButtonWithText(dialog, QStringLiteral("删除")), Qt::LeftButton);
    ASSERT_EQ(core_->Origins().Origins().size(), 1u);
    EXPECT_EQ(core_->Origins().Origins()[0].origin, QStringLiteral("http://a.example"));
    clickRow(0);
    QTest::mouseClick(ButtonWithText(dialog, QStringLiteral("允许")), Qt::LeftButton);
    EXPECT_EQ(Answer(0, OriginRecord::kSms), true);
    clickRow(0);
    QTest::mouseClick(ButtonWithText(dialog, QStringLiteral("删除")), Qt::LeftButton);
    EXPECT_TRUE(core_->Origins().Origins().empty());
    EXPECT_TRUE(model.HasPlaceholder());
}

} // namespace
