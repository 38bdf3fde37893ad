#pragma once

#include <QObject>
#include <QString>

#include "ui/shell/CommandLine.h"

#include <functional>
#include <optional>

class QLocalServer;
class QLocalSocket;

namespace tamberlink {

// What a process did with a contact file command: whether it worked, and one line about it.
struct CommandReply {
    bool ok = false;
    QString summary;
};

// Keeps the program to one process per user: the first start listens on a local socket
// named after "SinglePro" and the user; a later start asks that one to show its window, and
// hands it the number it was given, if any, for the quick dial. One line per request:
// "show", or "offer " and the number. A start with a contact file command hands the command
// over instead (ContactFileCommand's line) and waits for the reply line, "ok " or "error "
// and the summary.
class SingleProcess : public QObject {
    Q_OBJECT

public:
    using ContactFileHandler = std::function<CommandReply(const ContactFileCommand&)>;

    // Hands `command` to the running process and waits up to `limitMs` for its reply;
    // nullopt when no process runs (or it did not answer in time).
    static std::optional<CommandReply> AskRunning(const ContactFileCommand& command, int limitMs);
    // What this process does with another start's contact file command.
    void SetContactFileHandler(ContactFileHandler handler) { fileHandler_ = std::move(handler); }

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
    void HandleRequest(QLocalSocket& socket, const QByteArray& line);

    QLocalServer* server_ = nullptr;
    ContactFileHandler fileHandler_;
};

} // namespace tamberlink
