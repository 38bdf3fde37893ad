// The prompt that asks the user about a web page using the local API, and the list of the
// answers in the settings.
#include "UiTestSupport.h"

#include "ui/CDuiMenu.h"
#include "ui/CMainWndUI.h"
#include "ui/COriginPrompt.h"
#include "ui/CSettingOrigins.h"
#include "ui/OriginListModel.h"

#include <QListView>
#include <QPushButton>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

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
        core_ = std::make_unique<AppCore>(config);
        window_ = std::make_unique<CMainWndUI>(*core_);
        ASSERT_TRUE(window_->Start());
    }
    void TearDown() override {
        window_.reset();
        core_.reset();
        test::ProcessEvents();
    }

    // Sends a request as a page of `origin` would; the reply is read from the socket.
    std::unique_ptr<QTcpSocket> AskAs(const QString& origin) {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(QStringLiteral("127.0.0.1"), core_->LocalApiPort());
        EXPECT_TRUE(socket->waitForConnected(10000));
        socket->write(QStringLiteral("GET /api/record?cmd=mode&value=auto HTTP/1.1\r\n"
                                     "Origin: %1\r\nConnection: close\r\n\r\n")
                          .arg(origin)
                          .toUtf8());
        return socket;
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
    const std::vector<OriginRecord> answers = core_->Origins().Origins();
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_TRUE(answers[0].allowed);

    // Remembered: the page's next request is served without a question.
    const auto again = AskAs(origin);
    EXPECT_TRUE(ReplyOf(*again).startsWith("HTTP/1.1 200 OK\r\n"));
    EXPECT_EQ(COriginPrompt::Find(origin), nullptr);
}

TEST_F(WebAccessTest, ClosingThePromptRefusesTheRequestAndThePageIsAskedAgain) {
    const QString origin = QStringLiteral("https://shop.example");
    const auto socket = AskAs(origin);
    COriginPrompt* prompt = WaitForPrompt(origin);
    ASSERT_NE(prompt, nullptr);
    QTest::mouseClick(prompt->FindControl<QPushButton>(QStringLiteral("btnClosed")),
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
    EXPECT_FALSE(core_->Origins().Origins()[0].allowed);
}

TEST_F(WebAccessTest, TheMenuOpensThePagesWhoseAnswersChangeAndGo) {
    core_->Origins().Answer(QStringLiteral("http://a.example"), true);
    core_->Origins().Answer(QStringLiteral("http://b.example"), false);
    window_->OpenMenu(QPoint(100, 100));
    CDuiMenu* menu = nullptr;
    for (CDuiMenu* candidate : window_->findChildren<CDuiMenu*>()) {
        menu = candidate->IsClosing() ? menu : candidate;
    }
    ASSERT_NE(menu, nullptr);
    QTest::mouseClick(menu->FindControl<QPushButton>(QStringLiteral("menu_origins")),
                      Qt::LeftButton);
    CSettingOrigins* dialog = CSettingOrigins::Instance();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    const OriginListModel& model = dialog->Model();
    ASSERT_EQ(model.EntryCount(), 2);
    EXPECT_EQ(model.Entry(0)->origin, QStringLiteral("http://a.example"));
    EXPECT_TRUE(model.Entry(0)->allowed);

    const auto clickRow = [&](int row) {
        QListView* list = dialog->List();
        const QRect rect = list->visualRect(model.index(row));
        QTest::mouseMove(list->viewport(), rect.center());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    };
    clickRow(0);
    EXPECT_TRUE(model.IsChecked(0));
    QTest::mouseClick(ButtonWithText(dialog, QStringLiteral("拒绝")), Qt::LeftButton);
    EXPECT_FALSE(core_->Origins().Origins()[0].allowed);
    EXPECT_FALSE(model.IsChecked(0));

    clickRow(1);
    QTest::mouseClick(ButtonWithText(dialog, QStringLiteral("删除")), Qt::LeftButton);
    ASSERT_EQ(core_->Origins().Origins().size(), 1u);
    EXPECT_EQ(core_->Origins().Origins()[0].origin, QStringLiteral("http://a.example"));
    clickRow(0);
    QTest::mouseClick(ButtonWithText(dialog, QStringLiteral("允许")), Qt::LeftButton);
    EXPECT_TRUE(core_->Origins().Origins()[0].allowed);
    clickRow(0);
    QTest::mouseClick(ButtonWithText(dialog, QStringLiteral("删除")), Qt::LeftButton);
    EXPECT_TRUE(core_->Origins().Origins().empty());
    EXPECT_TRUE(model.HasPlaceholder());
}

} // namespace
