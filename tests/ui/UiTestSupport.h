#pragma once

#include <QApplication>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QUrl>

#include <functional>
#include <memory>

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

} // namespace tamberlink::test
