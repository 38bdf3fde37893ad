#include "UiTestSupport.h"

#include "ui/shell/CDuiMenu.h"
#include "ui/widgets/SkinStyle.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDesktopServices>
#include <QEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <mutex>

namespace tamberlink::test {

namespace {

QStringList& Collected() {
    static QStringList warnings;
    return warnings;
}
std::mutex collectedMutex;
QtMessageHandler previousHandler = nullptr;
int collectors = 0;

void Collect(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type != QtDebugMsg && type != QtInfoMsg) {
        std::lock_guard lock(collectedMutex);
        Collected() << message;
    }
    if (previousHandler != nullptr) {
        previousHandler(type, context, message);
    }
}

} // namespace

QApplication& App() {
    static QApplication* app = [] {
        static int argc = 1;
        static char name[] = "test_ui";
        static char* argv[] = {name, nullptr};
        auto* created = new QApplication(argc, argv);
        ApplySkinStyle(*created);
        return created;
    }();
    return *app;
}

WarningCollector::WarningCollector() {
    std::lock_guard lock(collectedMutex);
    if (collectors++ == 0) {
        Collected().clear();
        previousHandler = qInstallMessageHandler(Collect);
    }
}

WarningCollector::~WarningCollector() {
    std::lock_guard lock(collectedMutex);
    if (--collectors == 0) {
        qInstallMessageHandler(previousHandler);
    }
}

QStringList WarningCollector::Warnings() const {
    std::lock_guard lock(collectedMutex);
    return Collected();
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QTest::qWait(5);
    }
    return true;
}

void TypeText(QWidget* target, const QString& text) {
    for (const QChar character : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(character));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(character));
        QCoreApplication::sendEvent(target, &press);
        QCoreApplication::sendEvent(target, &release);
    }
}

void ProcessEvents() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

UrlRecorder::UrlRecorder() {
    for (const char* scheme : {"http", "https"}) {
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "Open");
    }
}

UrlRecorder::~UrlRecorder() {
    for (const char* scheme : {"http", "https"}) {
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
}

std::unique_ptr<QWidget> MainWindowStandIn() {
    App();
    auto main = std::make_unique<QWidget>();
    main->resize(902, 602);
    main->show();
    return main;
}

void MainWindowFixture::SetUp() {
    App();
    QGuiApplication::clipboard()->clear();
    StartWindow(SerialPort());
}

void MainWindowFixture::TearDown() {
    StopWindow();
}

void MainWindowFixture::StartWindow(const std::optional<QString>& serialPort) {
    StopWindow();
    AppConfig config;
    config.documentsFolder = home_.path();
    config.dataFolder = QStringLiteral(TAMBERLINK_BIN_DIR "/Data");
    core_ = std::make_unique<AppCore>(config);
    window_ = std::make_unique<CMainWndUI>(*core_);
    window_->Start(serialPort);
}

void MainWindowFixture::StopWindow() {
    window_.reset();
    core_.reset();
    ProcessEvents();
}

QPushButton* ButtonWithText(QWidget* window, const QString& text) {
    for (auto* button : window->findChildren<QPushButton*>()) {
        if (button->text() == text && button->isVisible()) {
            return button;
        }
    }
    return nullptr;
}

void Click(QWidget* window, const char* name) {
    auto* button = window->findChild<QAbstractButton*>(QString::fromLatin1(name));
    ASSERT_NE(button, nullptr) << name;
    QTest::mouseClick(button, Qt::LeftButton);
}

bool ClickMenuItem(CMainWndUI& window, const QString& item) {
    window.OpenMenu(QPoint(100, 100));
    CDuiMenu* menu = nullptr;
    for (CDuiMenu* candidate : window.findChildren<CDuiMenu*>()) {
        menu = candidate->IsClosing() ? menu : candidate;
    }
    auto* button = menu != nullptr ? menu->findChild<QPushButton*>(item) : nullptr;
    if (button == nullptr) {
        return false;
    }
    QTest::mouseClick(button, Qt::LeftButton);
    return true;
}

} // namespace tamberlink::test
