#pragma once

#include "app/AppCore.h"
#include "ui/shell/CMainWndUI.h"

#include <QApplication>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>

class QPushButton;

namespace tamberlink::test {

// The application of the GUI tests, made once with the skin's look.
QApplication& App();

// Collects Qt warnings while alive, so a test can fail on what the skins or the stylesheet
// complain about.
class WarningCollector {
public:
    WarningCollector();
    ~WarningCollector();
    QStringList Warnings() const;
};

// Runs the event loop until `condition` holds or `timeoutMs` passed; true when it held.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 10000);

// Types `text` into `target` key by key, as a keyboard or an input method would; unlike
// QTest::keyClicks it takes any character, Chinese too.
void TypeText(QWidget* target, const QString& text);

// Lets deferred deletions and queued calls run.
void ProcessEvents();

// Takes the web addresses the program opens in the browser (http and https) while it lives.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    UrlRecorder();
    ~UrlRecorder() override;
    QList<QUrl> urls;

public slots:
    void Open(const QUrl& url) { urls << url; }
};

// A shown 902 x 602 window standing in for the main window that dialogs live in.
std::unique_ptr<QWidget> MainWindowStandIn();

// Tests of the main window over a core of its own in a fresh documents folder. Each test
// starts with an empty clipboard (so that nothing an earlier test copied reaches the
// window's start) and a started window, looking for the telephone box at SerialPort().
class MainWindowFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The box's port, when the window is to look for one.
    virtual std::optional<QString> SerialPort() const { return std::nullopt; }

    // A core and its window over the documents folder, in place of those running.
    void StartWindow(const std::optional<QString>& serialPort);
    void StopWindow();

    QTemporaryDir home_;
    std::unique_ptr<AppCore> core_;
    std::unique_ptr<CMainWndUI> window_;
};

// The visible button of `window` that reads `text`, or nullptr.
QPushButton* ButtonWithText(QWidget* window, const QString& text);

// The control `name` inside `window` (a pointer or a smart pointer to a widget), or nullptr.
template <class T = QWidget, class Window>
T* Control(const Window& window, const QString& name) {
    return (*window).template findChild<T*>(name);
}

// The open window of type T (not one that is closing), or nullptr: a window of its own or a
// dialog inside one. The program opens each of these at most once.
template <class T>
T* Opened() {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        QList<T*> found = top->findChildren<T*>();
        if (auto* itself = qobject_cast<T*>(top)) {
            found.prepend(itself);
        }
        for (T* window : found) {
            if (!window->IsClosing()) {
                return window;
            }
        }
    }
    return nullptr;
}

// Clicks the button `name` of `window`, failing the test when there is none.
void Click(QWidget* window, const char* name);

// Opens the main menu of `window` and clicks its item `item`; false when the menu or the item
// is missing.
bool ClickMenuItem(CMainWndUI& window, const QString& item);

} // namespace tamberlink::test
