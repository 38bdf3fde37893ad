#include "app/SignalWatcher.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tamberlink {

namespace {

int gPipe[2] = {-1, -1};
constexpr int kSignals[] = {SIGINT, SIGTERM};

extern "C" void OnSignal(int signalNumber) {
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(gPipe[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

SignalWatcher::SignalWatcher(QObject* parent)
    : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gPipe) != 0) {
        return;
    }
    // A full pipe must never block the handler; further signals are then simply dropped.
    ::fcntl(gPipe[1], F_SETFL, ::fcntl(gPipe[1], F_GETFL) | O_NONBLOCK);
    notifier_ = new QSocketNotifier(gPipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SignalWatcher::OnReadable);

    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : kSignals) {
        ::sigaction(signalNumber, &action, nullptr);
    }
}

SignalWatcher::~SignalWatcher() {
    for (int signalNumber : kSignals) {
        std::signal(signalNumber, SIG_DFL);
    }
    delete notifier_;
    for (int& fd : gPipe) {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
}

void SignalWatcher::OnReadable() {
    unsigned char byte = 0;
    if (::read(gPipe[0], &byte, 1) == 1) {
        emit Signalled(byte);
    }
}

} // namespace tamberlink
