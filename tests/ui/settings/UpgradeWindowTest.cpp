// The firmware upgrade window in the main window, driven through the virtual telephone box:
// the file picked, the lines sent, the status line following the box's verdicts, and the
// notices when the window is closed.
#include "../../device/BoxSim.h"
#include "../UiTestSupport.h"

#include "app/DeviceBridge.h"
#include "ui/settings/CSettingGrade.h"
#include "ui/settings/SettingWindows.h"
#include "ui/shell/CDuiMenu.h"
#include "ui/shell/CMainWndUI.h"
#include "ui/shell/CMessageBox.h"

#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using namespace tamberlink;
using tamberlink::test::App;

namespace {

constexpr int kDeadlineMs = 60000;
const QString kFourLines = QStringLiteral("A5B2C3\r\n0102\r\na5b2c3\r\nFFfe");

class UpgradeWindow : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        QGuiApplication::clipboard()->clear();
        ASSERT_TRUE(box_.Running());
        AppConfig config;
        config.documentsFolder = home_.path();
        config.dataFolder = QStringLiteral(TAMBERLINK_BIN_DIR "/Data");
        config.localApiPort = 0;
        config.cloudBaseUrl = QStringLiteral("http://127.0.0.1:9/");
        core_ = std::make_unique<AppCore>(config);
        window_ = std::make_unique<CMainWndUI>(*core_);
        window_->Start(QString::fromStdString(box_.PortPath()));
        ASSERT_TRUE(WaitFor([&] {
            return core_->IsBoxConnected() &&
                   core_->Device().FirmwareVersion() == QLatin1String("V2.31");
        }));
    }
    void TearDown() override {
        window_.reset();
        core_.reset();
        test::ProcessEvents();
    }

    static bool WaitFor(const std::function<bool()>& condition) {
        return test::WaitFor(condition, kDeadlineMs);
    }
    QString WriteFile(const QString& name, const QByteArray& bytes) {
        const QString path = home_.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    // Opens the window from the menu and keeps every status it shows.
    CSettingGrade* OpenFromMenu() {
        window_->OpenMenu(QPoint(100, 100));
        auto* menu = window_->findChild<CDuiMenu*>();
        EXPECT_NE(menu, nullptr);
        if (menu == nullptr) {
            return nullptr;
        }
        QTest::mouseClick(test::Control(menu, QStringLiteral("menu_upgrade")), Qt::LeftButton);
        CSettingGrade* window = test::Opened<CSettingGrade>();
        EXPECT_NE(window, nullptr);
        if (window != nullptr) {
            QObject::connect(window, &CSettingGrade::StatusChanged,
                             [this](const QString& text) { statuses_ << text; });
        }
        return window;
    }
    static QPushButton* Button(QWidget* window, const QString& text) {
        for (auto* button : window->findChildren<QPushButton*>()) {
            if (button->text() == text) {
                return button;
            }
        }
        return nullptr;
    }
    static void Click(QWidget* control) {
        ASSERT_NE(control, nullptr);
        QTest::mouseClick(control, Qt::LeftButton);
    }
    static QString Notice() {
        return test::Opened<CMessageBox>() != nullptr ? test::Opened<CMessageBox>()->GetText()
                                                      : QString();
    }

    test::BoxSim box_{{"--version", "V2.31"}};
    QTemporaryDir home_;
    std::unique_ptr<AppCore> core_;
    std::unique_ptr<CMainWndUI> window_;
    QStringList statuses_;
};

// Whether `expected` occurs in `texts` in its order, other texts between them.
bool InOrder(const QStringList& texts, const QStringList& expected) {
    qsizetype next = 0;
    for (const QString& text : texts) {
        if (next < expected.size() && text == expected[next]) {
            ++next;
        }
    }
    return next == expected.size();
}

} // namespace

TEST_F(UpgradeWindow, SendsThePickedFileAndShowsTheBoxsVerdict) {
    CSettingGrade* window = OpenFromMenu();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->pos(), CMainWndUI::kDialogPosition);
    EXPECT_EQ(window->Status(), QStringLiteral("等待升级"));
    QStringList labels;
    for (auto* label : window->findChildren<QLabel*>()) {
        labels << label->text();
    }
    EXPECT_TRUE(labels.contains(QStringLiteral("1、固件升级过程请勿断电。")));
    EXPECT_TRUE(labels.contains(QStringLiteral("2、当前版本: V2.31")));

    // "导入文件" picks the file; a cancelled dialog keeps what was there.
    const QString path = WriteFile(QStringLiteral("firmware"), kFourLines.toLatin1());
    Click(Button(window, QStringLiteral("导入文件")));
    ASSERT_NE(window->FileDialog(), nullptr);
    window->FileDialog()->reject();
    EXPECT_EQ(window->FileEdit()->text(), QString());
    test::ProcessEvents();
    Click(Button(window, QStringLiteral("导入文件")));
    ASSERT_NE(window->FileDialog(), nullptr);
    window->FileDialog()->selectFile(path);
    static_cast<QDialog*>(window->FileDialog())->accept();
    EXPECT_EQ(window->FileEdit()->text(), path);

    Click(Button(window, QStringLiteral("开始升级")));
    ASSERT_TRUE(WaitFor([&] { return statuses_.size() == 7; }));
    // The box judges once the lines have come; a box slowed down by a busy machine may judge
    // before they all arrive, so only the transfer's own order is certain.
    EXPECT_TRUE(
        InOrder(statuses_, {QStringLiteral("等待升级"), QStringLiteral("进入升级模式，开始升级"),
                            QStringLiteral("固件升级中:0%"), QStringLiteral("固件升级中:25%"),
                            QStringLiteral("固件升级中:50%"), QStringLiteral("固件升级中:75%")}))
        << statuses_.join(u',').toStdString();
    EXPECT_TRUE(statuses_.contains(QStringLiteral("固件升级成功")));
    EXPECT_TRUE(box_.WaitForLine("upgrade-request"));
    // The window's texts are not notices.
    EXPECT_EQ(test::Opened<CMessageBox>(), nullptr);
}

TEST_F(UpgradeWindow, FourFailuresEndTheSending) {
    ASSERT_EQ(box_.Command("upgrade fail 5"), "ok");
    CSettingGrade* window = OpenFromMenu();
    ASSERT_NE(window, nullptr);
    window->FileEdit()->setText(WriteFile(QStringLiteral("fw.hex"), kFourLines.toLatin1()));
    Click(Button(window, QStringLiteral("开始升级")));
    ASSERT_TRUE(WaitFor([&] { return core_->Device().Firmware().FailureCount() == 5; }));
    const QString sorry = QStringLiteral("抱歉，估计升级失败，请联系我们000-00000000");
    // The fourth and the fifth failure say so. The fifth request of the box starts no
    // transfer: at most four files went out, each from its first line.
    ASSERT_TRUE(WaitFor([&] { return statuses_.count(sorry) == 2; }));
    const qsizetype transfers = statuses_.count(QStringLiteral("进入升级模式，开始升级"));
    EXPECT_GE(transfers, 1);
    EXPECT_LE(transfers, 4);
    // A failure reported before a transfer's first line leaves that transfer without it.
    const qsizetype started = statuses_.count(QStringLiteral("固件升级中:0%"));
    EXPECT_GE(started, 1);
    EXPECT_LE(started, transfers);
    EXPECT_FALSE(statuses_.contains(QStringLiteral("固件升级成功")));
    EXPECT_EQ(box_.Count("upgrade-request"), 1);
}

TEST_F(UpgradeWindow, WithTheWindowClosedTheTipsBecomeNotices) {
    CSettingGrade* window = OpenFromMenu();
    ASSERT_NE(window, nullptr);
    window->FileEdit()->setText(WriteFile(QStringLiteral("fw.hex"), kFourLines.toLatin1()));
    Click(Button(window, QStringLiteral("开始升级")));
    QTest::mouseClick(test::Control(window, QStringLiteral("btnClosed")), Qt::LeftButton);
    test::ProcessEvents();
    ASSERT_EQ(test::Opened<CSettingGrade>(), nullptr);
    ASSERT_TRUE(WaitFor([] { return Notice() == QStringLiteral("固件升级成功"); }));
    EXPECT_EQ(statuses_, QStringList{QStringLiteral("等待升级")});
}

TEST_F(UpgradeWindow, AFileThatIsNoFirmwareIsRefusedBeforeTheBoxHearsOfIt) {
    CSettingGrade* window = OpenFromMenu();
    ASSERT_NE(window, nullptr);
    QPushButton* start = Button(window, QStringLiteral("开始升级"));
    const QString notFirmware =
        QStringLiteral("升级失败，所选文件不是固件文件：每行只能是成对的十六进制数字");

    // No file: refused, and the box is not asked to enter upgrade mode.
    Click(start);
    EXPECT_EQ(window->Status(), QStringLiteral("升级失败，未选择升级文件"));
    EXPECT_EQ(Notice(), QStringLiteral("升级失败，未选择升级文件"));

    // 4 KB of random bytes, a missing file and an empty one: each told, none sent.
    QByteArray binary(4096, '\0');
    for (char& byte : binary) {
        byte = char(QRandomGenerator::global()->bounded(256));
    }
    const struct {
        QString path;
        QString refusal;
    } refused[] = {
        {WriteFile(QStringLiteral("binary.bin"), binary), notFirmware},
        {home_.filePath(QStringLiteral("missing.hex")),
         QStringLiteral("升级失败，请检查升级文件是否存在")},
        {WriteFile(QStringLiteral("empty.hex"), QByteArray()),
         QStringLiteral("升级失败，升级文件是空的")},
    };
    for (const auto& file : refused) {
        window->FileEdit()->setText(file.path);
        Click(start);
        EXPECT_EQ(window->Status(), file.refusal) << file.path.toStdString();
        EXPECT_EQ(Notice(), file.refusal);
    }

    // A firmware file goes; the last refusal makes way for this run's status at once.
    statuses_.clear();
    window->FileEdit()->setText(WriteFile(QStringLiteral("fw.hex"), kFourLines.toLatin1()));
    Click(start);
    ASSERT_FALSE(statuses_.isEmpty());
    EXPECT_EQ(statuses_.front(), QStringLiteral("等待升级"));
    ASSERT_TRUE(WaitFor([&] { return statuses_.contains(QStringLiteral("固件升级成功")); }));
    EXPECT_EQ(box_.Count("upgrade-request"), 1);
    EXPECT_FALSE(statuses_.contains(notFirmware));
}

TEST_F(UpgradeWindow, ALargeFileKeepsTheWindowAlive) {
    CSettingGrade* window = OpenFromMenu();
    ASSERT_NE(window, nullptr);
    // 10 MB: the window goes on answering while the lines go out, and may be closed.
    window->FileEdit()->setText(
        WriteFile(QStringLiteral("large.hex"), QByteArray(10 * 1024 * 1024, 'A')));
    Click(Button(window, QStringLiteral("开始升级")));
    ASSERT_TRUE(WaitFor([&] { return statuses_.contains(QStringLiteral("固件升级中:0%")); }));
    QTest::mouseClick(test::Control(window, QStringLiteral("btnClosed")), Qt::LeftButton);
    test::ProcessEvents();
    EXPECT_EQ(test::Opened<CSettingGrade>(), nullptr);
    window_->Settings().OpenGrade();
    ASSERT_NE(test::Opened<CSettingGrade>(), nullptr);
}
