#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace tamberlink {

// Keeps the program to one process per user: the first start listens on a local socket
// named after "SinglePro" and the user; a later start asks that one to show its window, and
// hands it the number it was given, if any, for the quick dial. One line per request:
// "show", or "offer " and the number.
class SingleProcess : public QObject {
    Q_OBJECT

public:
    explicit SingleProcess(QObject* parent = nullptr);

    // True when this is the first process (it now listens). False when another one runs:
    // that one has been asked to show its window and to offer `number` when it is not
    // empty, and this one should exit.
    bool Acquire(const QString& number = QString());

    static QString ServerName();

signals:
    // Another start asked this process to show its window, and to offer `number` in the
    // quick dial when it is not empty.
    void ShowRequested(const QString& number);

private:
    bool AskRunningToShow(const QString& number);
    void OnNewConnection();
    void HandleRequest(const QByteArray& line);

    QLocalServer* server_ = nullptr;
};

} // namespace tamberlink
