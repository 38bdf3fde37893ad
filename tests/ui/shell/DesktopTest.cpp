// The program on the desktop: numbers and tel:/callto: links handed to it on the command
// line or by a later start, and the notice to a user who may not open the box's port.
#include "../UiTestSupport.h"

#include "app/DeviceBridge.h"
#include "device/SerialLink.h"
#include "device/SerialPort.h"
#include "ui/shell/CMainWndUI.h"
#include "ui/shell/CMessageBox.h"
#include "ui/shell/CTopCall.h"
#include "ui/shell/DialLink.h"
#include "ui/shell/SingleProcess.h"

#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <memory>

using namespace tamberlink;
using tamberlink::test::App;

TEST(DialLink, OffersTheNationalNumberOfALinkCleanedAsACopiedText) {
    EXPECT_EQ(NumberFromDialLink(QStringLiteral("tel:+86-138-0000-0000")),
              QStringLiteral("13800000000"));
    EXPECT_EQ(NumberFromDialLink(QStringLiteral("TEL:%2B86%20138%200000%200000")),
              QStringLiteral("13800000000"));
    EXPECT_EQ(NumberFromDialLink(QStringLiteral("callto://010-8829-0291")),
              QStringLiteral("01088290291"));
    EXPECT_EQ(NumberFromDialLink(QStringLiteral("callto:13800000000")),
              QStringLiteral("13800000000"));
    // Parameters of the link are not part of the number.
    EXPECT_EQ(NumberFromDialLink(QStringLiteral("tel:7042;phone-context=+86-10-8829")),
              QStringLiteral("7042"));
    EXPECT_EQ(NumberFromDialLink(QStringLiteral("tel:+1-201-555-0123")),
              QStringLiteral("+12015550123"));
    EXPECT_EQ(NumberFromDialLink(QStringLiteral(" 138 0000 0000 ")), QStringLiteral("13800000000"));
}

TEST(DialLink, BadLinksOfferNothingOrWhatCleaningLeaves) {
    for (const QString& nothing :
         {QStringLiteral("tel:"), QStringLiteral("tel:%00"), QStringLiteral("callto:;;"),
          QStringLiteral("tel:+86"), QStringLiteral("tel:+8612"), QStringLiteral("callto:"),
          QStringLiteral("tel:%ZZ%"), QStringLiteral("tel:%E4%B8%AD%FF"),
          QStringLiteral("tel:1234567890123456"), QStringLiteral("tel:") + QString(9996, u'1'),
          QStringLiteral("tel:;13800000000"), QStringLiteral("mailto:13800000000@example.com"),
          QStringLiteral("https://example.com/13800000000"), QStringLiteral("file:///etc/passwd"),
          QString(), QStringLiteral("   ")}) {
        EXPECT_EQ(NumberFromDialLink(nothing), QString()) << nothing.left(40).toStdString();
    }
    // A long link is not read at all, whatever it holds.
    EXPECT_EQ(NumberFromDialLink(QStringLiteral("tel:13800000000;x=") + QString(10000, u'a')),
              QString());
    // Letters go, as in copied text.
    EXPECT_EQ(NumberFromDialLink(QStringLiteral("tel:+86-138-CALL-0000")),
              QStringLiteral("1380000"));
    EXPECT_EQ(NumberFromDialLink(QStringLiteral("tel:%00138%0A0000%0D0000")),
              QStringLiteral("13800000000"));
}

namespace {

const QString kProgram = QStringLiteral(TAMBERLINK_BIN_DIR "/tamberlink");

// A running Tamberlink inside this process: a core and its window over a fresh documents
// folder, listening for later starts in a temporary folder of its own, where the program
// started by a test looks for it.
class RunningProgram : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        savedTmp_ = qgetenv("TMPDIR");
        qputenv("TMPDIR", home_.path().toLocal8Bit());
        ASSERT_TRUE(single_.Acquire());
        QObject::connect(&single_, &SingleProcess::ShowRequested, &single_,
                         [this](const QString& number) {
                             ++requests_;
                             lastHanded_ = number;
                         });
        AppConfig config;
        config.documentsFolder = home_.path();
        config.dataFolder = QStringLiteral(TAMBERLINK_BIN_DIR "/Data");
        config.localApiPort = 0;
        core_ = std::make_unique<AppCore>(config);
        window_ = std::make_unique<CMainWndUI>(*core_);
        QObject::connect(&single_, &SingleProcess::ShowRequested, window_.get(),
                         &CMainWndUI::OfferNumber);
    }
    void TearDown() override {
        window_.reset();
        core_.reset();
        test::ProcessEvents();
        qputenv("TMPDIR", savedTmp_);
    }

    // Starts the program with `arguments` as a second start would be, and waits for it to
    // end and for its request to arrive; its exit code, or -1.
    int StartAgain(const QStringList& arguments) {
        const int before = requests_;
        QProcess second;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), home_.path());
        second.setProcessEnvironment(environment);
        second.start(kProgram, arguments);
        if (!test::WaitFor([&] { return second.state() == QProcess::NotRunning; }, 60000) ||
            !test::WaitFor([&] { return requests_ > before; }, 30000) ||
            second.exitStatus() != QProcess::NormalExit) {
            return -1;
        }
        test::ProcessEvents();
        return second.exitCode();
    }

    void CloseQuickDial() {
        if (CTopCall* popup = test::Opened<CTopCall>()) {
            popup->Close();
            test::ProcessEvents();
        }
    }

    QTemporaryDir home_;
    QByteArray savedTmp_;
    SingleProcess single_;
    int requests_ = 0;
    QString lastHanded_;
    std::unique_ptr<AppCore> core_;
    std::unique_ptr<CMainWndUI> window_;
};

} // namespace

TEST_F(RunningProgram, ASecondStartHandsOverATelLinkForTheQuickDial) {
    window_->Start();
    window_->showMinimized();
    CloseQuickDial();

    EXPECT_EQ(StartAgain({QStringLiteral("tel:+86-138-0000-0000")}), 0);
    EXPECT_EQ(lastHanded_, QStringLiteral("13800000000"));
    ASSERT_NE(test::Opened<CTopCall>(), nullptr);
    EXPECT_TRUE(test::Opened<CTopCall>()->isVisible());
    EXPECT_EQ(test::Opened<CTopCall>()->Number(), QStringLiteral("13800000000"));
    EXPECT_TRUE(window_->isVisible());
    EXPECT_FALSE(window_->isMinimized());

    // A plain second start only brings the window up; the quick dial already open stays.
    CloseQuickDial();
    EXPECT_EQ(StartAgain({}), 0);
    EXPECT_EQ(lastHanded_, QString());
    EXPECT_EQ(test::Opened<CTopCall>(), nullptr);

    // Of two links, the first is offered.
    EXPECT_EQ(StartAgain({QStringLiteral("callto:010-8829-0291"), QStringLiteral("tel:999")}), 0);
    ASSERT_NE(test::Opened<CTopCall>(), nullptr);
    EXPECT_EQ(test::Opened<CTopCall>()->Number(), QStringLiteral("01088290291"));
}

TEST_F(RunningProgram, BadLinksOnlyBringTheWindowUp) {
    window_->Start();
    CloseQuickDial();
    const QStringList bad = {
        QStringLiteral("tel:"),        QStringLiteral("tel:%00"),
        QStringLiteral("callto:;;"),   QStringLiteral("tel:") + QString(10000, u'5'),
        QStringLiteral("tel:abc;def"), QStringLiteral("sip:13800000000")};
    for (const QString& link : bad) {
        EXPECT_EQ(StartAgain({link}), 0) << link.left(40).toStdString();
        EXPECT_EQ(lastHanded_, QString());
        EXPECT_EQ(test::Opened<CTopCall>(), nullptr) << link.left(40).toStdString();
    }
}

TEST_F(RunningProgram, RequestsOfOtherStartsAreBoundedAndCleanedAgain) {
    window_->Start();
    CloseQuickDial();
    // A line that never ends is cut off, and asks nothing.
    QLocalSocket endless;
    endless.connectToServer(SingleProcess::ServerName());
    ASSERT_TRUE(endless.waitForConnected(10000));
    endless.write(QByteArray(10000, '7'));
    ASSERT_TRUE(
        test::WaitFor([&] { return endless.state() == QLocalSocket::UnconnectedState; }, 30000));
    EXPECT_EQ(requests_, 0);

    QLocalSocket raw;
    raw.connectToServer(SingleProcess::ServerName());
    ASSERT_TRUE(raw.waitForConnected(10000));
    raw.write("offer sip:13800000000\nshow\noffer 138-0000-0000\n");
    ASSERT_TRUE(test::WaitFor([&] { return requests_ == 3; }, 30000));
    EXPECT_EQ(lastHanded_, QStringLiteral("13800000000"));
    ASSERT_NE(test::Opened<CTopCall>(), nullptr);
    EXPECT_EQ(test::Opened<CTopCall>()->Number(), QStringLiteral("13800000000"));
}

TEST_F(RunningProgram, APortThisUserMayNotOpenIsExplainedOnceInTheMessageBox) {
    // Stands in for a port of group dialout that this user is not in.
    const QString port = home_.filePath(QStringLiteral("ttyUSB0"));
    std::atomic<int> attempts{0};
    SerialLink& link = core_->Device().Link();
    link.SetWatchDevices(false);
    link.SetPortLister([] { return std::vector<std::string>{}; });
    link.SetPortOpener([&](const std::string& path, int& error) -> std::unique_ptr<SerialPort> {
        ++attempts;
        error = path == port.toStdString() ? EACCES : ENOENT;
        return nullptr;
    });
    window_->Start(port);

    ASSERT_TRUE(test::WaitFor([] { return test::Opened<CMessageBox>() != nullptr; }, 30000));
    const QString notice = test::Opened<CMessageBox>()->GetText();
    EXPECT_TRUE(notice.contains(port)) << notice.toStdString();
    EXPECT_TRUE(notice.contains(QStringLiteral("sudo usermod -aG dialout ")))
        << notice.toStdString();
    EXPECT_TRUE(notice.contains(QStringLiteral("重新登录"))) << notice.toStdString();
    test::Opened<CMessageBox>()->Close();
    test::ProcessEvents();

    // The search goes on, and says nothing more.
    const int seen = attempts;
    ASSERT_TRUE(test::WaitFor([&] { return attempts >= seen + 3; }, 30000));
    test::ProcessEvents();
    EXPECT_EQ(test::Opened<CMessageBox>(), nullptr);
    core_->Shutdown();
}
