#pragma once

#include <QObject>

class QSocketNotifier;

namespace tamberlink {

// Turns SIGINT and SIGTERM into the Signalled signal on the thread that created the watcher.
// The handler only writes one byte to a pipe, the one thing a signal handler may safely do.
// One watcher per process.
class SignalWatcher : public QObject {
    Q_OBJECT
public:
    explicit SignalWatcher(QObject* parent = nullptr);
    ~SignalWatcher() override;

signals:
    void Signalled(int signalNumber);

private:
    void OnReadable();

    QSocketNotifier* notifier_ = nullptr;
};

} // namespace tamberlink
