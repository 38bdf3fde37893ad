#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace tamberlink {

// Keeps the program to one process per user: the first start listens on a local socket
// named after "SinglePro" and the user; a later start asks that one to show its window.
class SingleProcess : public QObject {
    Q_OBJECT

public:
    explicit SingleProcess(QObject* parent = nullptr);

    // True when this is the first process (it now listens). False when another one runs:
    // that one has been asked to show its window, and this one should exit.
    bool Acquire();

    static QString ServerName();

signals:
    // Another start asked this process to show its window.
    void ShowRequested();

private:
    bool AskRunningToShow();
    void OnNewConnection();

    QLocalServer* server_ = nullptr;
};

} // namespace tamberlink
